// Separation graphs: a graph split into part 0, part 1 and a separator
// (part 2) such that no edge joins part 0 to part 1.
#pragma once

#include "graph/graph.h"
#include "strat/strat.h"

// The halo of a graph being separated for nested dissection: the graph's
// vertices are followed, up to haloVertexEnd, by halo vertices that are
// not to be separated. Arcs haloEdgeBegin[v] to haloEdgeEnd[v] of a graph
// vertex v lead to halo vertices; the graph's own arcs end at
// haloEdgeBegin[v]. Halo vertex loads, if any, are in graph.vertexLoad.
struct VgraphHalo {
  GraphNum haloVertexEnd;
  const GraphNum* haloEdgeBegin;
  const GraphNum* haloEdgeEnd;
  GraphNum boundaryCount;     // graph vertices with at least one halo arc
  const GraphNum* boundary;   // those vertices
  uint8_t* mark;              // scratch: one byte per halo vertex
};

struct Vgraph {
  Graph graph;
  uint8_t* parts;         // per vertex, addressed from base: 0, 1 or 2
  GraphNum partLoad[3];   // loads of part 0, part 1 and the separator
  GraphNum loadDelta;     // partLoad[0] - partLoad[1]
  GraphNum partSize[2];   // vertices of part 0 and part 1
  GraphNum frontierCount; // separator vertices
  GraphNum* frontier;     // the separator vertices, capacity vertexCount
  GraphNum level;         // depth tested by "levl"
  // When set, selections on this graph compare the estimated fill of their
  // results before their separator loads (vgraphFillEstimate).
  const VgraphHalo* halo;
  // 0: the alternatives of a selection run one after the other, drawing
  // from the calling thread's random sequence. From 1 on: each draws from
  // a sequence of its own, seeded from draws made when the selection
  // starts, on its own copy of the starting state, and up to this many
  // threads may run them at once; the result is the same for every such
  // value.
  GraphNum threads;
};

// Saved separation state, for the selection operator.
struct VgraphStore {
  GraphNum frontierCount;
  GraphNum loadDelta;
  GraphNum partLoad0;
  GraphNum partLoad1;
  GraphNum partSize0;
  unsigned char* data;  // frontier entries, then the parts bytes
};

typedef int (*VgraphSeparateFunction)(Vgraph* graph, const void* parameters);

void vgraphZero(Vgraph* graph);
void vgraphExit(Vgraph* graph);
int vgraphStoreInit(const Vgraph* graph, VgraphStore* store);
void vgraphStoreExit(VgraphStore* store);
void vgraphStoreSave(const Vgraph* graph, VgraphStore* store);
void vgraphStoreRestore(Vgraph* graph, const VgraphStore* store);

// Checks that parts, loads, sizes and frontier describe one separation with
// no edge between parts 0 and 1; reports the first fault as
// "vgraphCheck: ..." and returns 1, or returns 0.
int vgraphCheck(const Vgraph* graph);

// Estimated operation count of factoring the graph of a separation, given
// its parts (one byte per vertex, addressed from 0) and part loads, with
// the halo of the graph. vgraphFillTerms gathers what the estimate needs;
// vgraphFillEstimate guesses the parts' own separators with scale times the
// square root of their loads, scale being a separator load over the square
// root of the graph's load: comparisons of several separations use one
// scale for all of them.
struct VgraphFillTerms {
  double separatorLoad;
  double partLoad[2];
  double haloLoad;         // halo load next to any vertex of the graph
  double partHaloLoad[2];  // halo load next to each part
};
void vgraphFillTerms(const Vgraph* graph, const uint8_t* parts, GraphNum partLoad0, GraphNum partLoad1,
                     VgraphFillTerms* terms);
double vgraphFillEstimate(const VgraphFillTerms* terms, double scale);

int vgraphSeparateSt(Vgraph* graph, const Strat* strat);
extern const StratTab vgraphSeparateStTable;
