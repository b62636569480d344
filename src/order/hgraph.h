// Halo graphs: the graphs that ordering methods work on. The non-halo
// vertices (numbered first) are to be ordered; the halo vertices after them
// are their neighbours outside the part being ordered, which count in the
// degrees of the vertices next to them without ever being ordered.
#pragma once

#include "graph/graph.h"
#include "order/order.h"
#include "strat/strat.h"

enum { HGRAPH_FREE_NONHALO_END = 1024 };  // the record frees nonHaloEdgeEnd

struct Hgraph {
  Graph graph;                    // whole graph, halo included
  GraphNum nonHaloVertexCount;
  GraphNum nonHaloVertexEnd;      // base + nonHaloVertexCount
  GraphNum* nonHaloEdgeEnd;       // per non-halo vertex: end of its arcs to non-halo vertices
  GraphNum nonHaloVertexLoadSum;
  GraphNum nonHaloArcCount;
  GraphNum nonHaloEdgeLoadSum;
  GraphNum level;                 // nested-dissection depth
};

// Calling form of every ordering method: the method writes the
// nonHaloVertexCount entries of order->inversePermutation from startPosition
// on, and may split columnBlock into children.
typedef int (*HgraphOrderFunction)(Hgraph* graph, Order* order, GraphNum startPosition,
                                   OrderColBlock* columnBlock, const void* parameters);

int hgraphInit(Hgraph* graph);
void hgraphExit(Hgraph* graph);
// Fills a Graph that views the non-halo part, sharing the arrays.
void hgraphUnhalo(const Hgraph* graph, Graph* view);
// Induces the halo graph of a list of non-halo vertices; the other
// neighbours of the listed vertices form its halo (at most haloCapacity).
int hgraphInduceList(const Hgraph* source, GraphNum listCount, const GraphNum* list, GraphNum haloCapacity,
                     Hgraph* target);
// The same with the caller's source-vertex index array (source vertexCount
// entries addressed from base, all -1 on entry and again on return), so that
// inducing many small graphs from one source costs nothing per source vertex.
int hgraphInduceListIndexed(const Hgraph* source, GraphNum listCount, const GraphNum* list, GraphNum haloCapacity,
                            GraphNum* sourceIndex, Hgraph* target);
// Makes an Hgraph without halo over a plain graph, sharing its arrays and
// freeing none of them.
void hgraphFromGraph(Hgraph* target, const Graph* source, GraphNum level);

// The ordering dispatcher and the ordering method table.
int hgraphOrderSt(Hgraph* graph, Order* order, GraphNum startPosition, OrderColBlock* columnBlock,
                  const Strat* strat);
extern const StratTab hgraphOrderStTable;

// The simple method: non-halo vertices in increasing order.
int hgraphOrderSimple(Hgraph* graph, Order* order, GraphNum startPosition, OrderColBlock* columnBlock,
                      const void* parameters);
