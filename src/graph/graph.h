// The plain graph record, its ownership flags and its file format.
// Every richer graph kind (halo, separation, bipartition, mapping graphs)
// holds one Graph as its first member and reads its arrays directly.
#pragma once

#include "common/common.h"

// Ownership bits of Graph::flags.
enum {
  GRAPH_FREE_EDGES = 1,     // frees edgeTarget
  GRAPH_FREE_VERTICES = 2,  // frees edgeBegin, and edgeEnd when it is a separate array
  GRAPH_FREE_NUMBERS = 4,   // frees vertexNumber
  GRAPH_FREE_OTHERS = 8,    // frees vertexLoad, vertexLabel and edgeLoad
  GRAPH_VERTEX_GROUP = 16,  // edgeEnd, vertexNumber, vertexLoad, vertexLabel live in the edgeBegin block
  GRAPH_EDGE_GROUP = 32,    // edgeLoad lives in the edgeTarget block
  GRAPH_FREE_ALL = 15,
};

// An undirected graph stored as compact adjacency arrays. Every array is
// addressed directly with vertex numbers or arc indices that start at base:
// the stored address is the allocation address minus base elements.
struct Graph {
  int flags;
  GraphNum base;
  GraphNum vertexCount;
  GraphNum vertexEnd;        // base + vertexCount
  GraphNum* edgeBegin;       // first arc of each vertex
  GraphNum* edgeEnd;         // one past the last arc; edgeBegin + 1 in compact form
  GraphNum* vertexLoad;      // null: every vertex weighs 1
  GraphNum vertexLoadSum;
  GraphNum* vertexNumber;    // number in the ancestor graph, or null
  GraphNum* vertexLabel;     // labels read from a file, or null
  GraphNum arcCount;         // two arcs per edge
  GraphNum* edgeTarget;      // end vertex of each arc
  GraphNum* edgeLoad;        // null: every arc weighs 1
  GraphNum edgeLoadSum;
  GraphNum maxDegree;
  void* reserved;            // null throughout this system
};

int graphInit(Graph* graph);
void graphFree(Graph* graph);
void graphExit(Graph* graph);

// Reads a graph file. base is the base the loaded graph is to have, or -1 to
// keep the file's base; loadFlags bit 1 drops vertex loads, bit 2 edge loads.
int graphLoad(Graph* graph, FILE* stream, GraphNum base, GraphNum loadFlags);
// Replaces labels by vertex numbers in the arc ends (the relabelling step).
int graphLoad2(GraphNum base, GraphNum vertexEnd, const GraphNum* edgeBegin, const GraphNum* edgeEnd,
               GraphNum* edgeTarget, GraphNum largestLabel, const GraphNum* vertexLabel);
int graphSave(const Graph* graph, FILE* stream);

// Consistency check of a graph held in memory: arc ends inside the vertex
// range, no loops, no repeated arcs, every arc matched by its reverse
// with the same load,
// positive loads where present, and sums and degree bound that agree with
// the arrays. Reports the first fault found as "graphCheck: ..." and
// returns 1; returns 0 for a well-formed graph.
int graphCheck(const Graph* graph);

// Degree of a vertex.
inline GraphNum graphDegree(const Graph* graph, GraphNum vertex) {
  return graph->edgeEnd[vertex] - graph->edgeBegin[vertex];
}
