// Separation graphs: a graph split into part 0, part 1 and a separator
// (part 2) such that no edge joins part 0 to part 1.
#pragma once

#include "graph/graph.h"
#include "strat/strat.h"

struct Vgraph;

// A look-ahead for the selections of nested dissection: separate() splits
// each part of the given separation (parts addressed from 0) in turn and
// stores the load of each part's own separator in childSeparators, or a
// negative value for a part that it leaves whole; returns 0, or 1 after
// reporting a failure. context is the caller's.
struct VgraphLook {
  int (*separate)(const Vgraph* graph, const uint8_t* parts, double childSeparators[2], void* context);
  void* context;
};

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
  // When set, two separations whose estimated fills are close are told
  // apart by the shapes of their parts (vgraphShapeCost), when those
  // differ clearly.
  bool shapes;
  // When set, the selection run on the graph itself (not those inside its
  // alternatives) looks ahead: of its results, those whose estimated fills
  // are close to the best one have their parts separated in turn by look,
  // and the one whose estimate with those separators is least is kept.
  const VgraphLook* look;
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
// The saved parts bytes, addressed from 0.
inline const uint8_t* vgraphStoreParts(const VgraphStore* store) {
  return store->data + static_cast<size_t>(store->frontierCount) * sizeof(GraphNum);
}

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
  double shapeCost;        // vgraphShapeCost, or negative until computed
};
void vgraphFillTerms(const Vgraph* graph, const uint8_t* parts, GraphNum partLoad0, GraphNum partLoad1,
                     VgraphFillTerms* terms);
double vgraphFillEstimate(const VgraphFillTerms* terms, double scale);
// The same with the parts' own separator loads known: childSeparators[p]
// replaces the guess for part p, unless negative.
double vgraphFillEstimateWith(const VgraphFillTerms* terms, double scale, const double childSeparators[2]);

// How costly the parts of a separation are to cut in turn, judged from
// their shapes: the sum over both parts of (part load / part diameter)^3,
// for the given part loads, the diameter being the pseudo-diameter of the
// part's largest connected component (the farthest of three breadth-first
// sweeps). Of two parts of one load, the thinner one, of larger diameter,
// has the smaller separator: in a plane mesh the width across a part is
// about its area over its length. parts are addressed from 0. Returns a
// negative value when the scratch memory cannot be had, so that callers
// do without.
double vgraphShapeCost(const Vgraph* graph, const uint8_t* parts, GraphNum partLoad0, GraphNum partLoad1);

int vgraphSeparateSt(Vgraph* graph, const Strat* strat);
extern const StratTab vgraphSeparateStTable;
