// Induced subgraphs of a plain graph: the chosen vertices renumbered
// consecutively from the parent's base in the order they are chosen, every
// arc whose two ends are chosen (in the parent's adjacency order), and the
// loads carried over. vertexNumber of the induced graph refers to the
// parent's own ancestor when the parent was induced too, so a chain of
// inductions still names vertices of the first graph. maxDegree is the
// parent's, an upper bound of the induced degrees.
//
// The induced graph owns everything (flags 63): edgeBegin, vertexNumber and
// vertexLoad share one block, edgeTarget and edgeLoad another one of exactly
// the size needed.
#pragma once

#include <cstdint>

#include "graph/graph.h"

// Induces the graph of count distinct parent vertices, given in the new
// order. Returns 0, or 1 after reporting a memory failure.
int graphInduceList(const Graph* parent, GraphNum count, const GraphNum* list, Graph* induced);
// Induces the graph of the parent vertices whose part byte (parts is
// addressed by vertex number) equals partValue, in increasing vertex order;
// count must be their number. Returns 0, or 1 after reporting a memory
// failure.
int graphInducePart(const Graph* parent, const uint8_t* parts, GraphNum count, uint8_t partValue, Graph* induced);

// Shared allocation step: clears the induced record, makes its vertex block
// for count vertices and its arc block, which holds room for
// graphInduceArcCapacity arcs (and as many loads when the parent has edge
// loads) followed by the parent-to-new index table (graphInduceIndex).
// Returns 0, or 1 after reporting (the induced record is then released).
int graphInduce2(const Graph* parent, Graph* induced, GraphNum count);
// Shared filling step, once vertexNumber holds the chosen parent vertices
// and the index table maps each parent vertex to its new number or -1.
// arcBound bounds the number of arcs kept (the sum of the chosen degrees).
void graphInduce3(const Graph* parent, Graph* induced, GraphNum arcBound);

// Number of arcs the arc block of an induced graph of count vertices has
// room for: count * maxDegree when that is below the parent's arcCount.
GraphNum graphInduceArcCapacity(const Graph* parent, GraphNum count);
// The parent-to-new index table inside the arc block made by graphInduce2,
// addressed by parent vertex number; valid until graphInduce3 returns.
GraphNum* graphInduceIndex(const Graph* parent, const Graph* induced);
