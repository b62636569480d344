// Separation graphs: a graph split into part 0, part 1 and a separator
// (part 2) such that no edge joins part 0 to part 1.
#pragma once

#include "graph/graph.h"
#include "strat/strat.h"

struct Vgraph {
  Graph graph;
  uint8_t* parts;         // per vertex, addressed from base: 0, 1 or 2
  GraphNum partLoad[3];   // loads of part 0, part 1 and the separator
  GraphNum loadDelta;     // partLoad[0] - partLoad[1]
  GraphNum partSize[2];   // vertices of part 0 and part 1
  GraphNum frontierCount; // separator vertices
  GraphNum* frontier;     // the separator vertices, capacity vertexCount
  GraphNum level;         // depth tested by "levl"
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

int vgraphSeparateSt(Vgraph* graph, const Strat* strat);
extern const StratTab vgraphSeparateStTable;
