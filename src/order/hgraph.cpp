// Life cycle of the halo graph and its two views: the non-halo part seen as
// a plain graph, and a plain graph seen as a halo graph without halo.
#include <cstring>

#include "order/hgraph.h"

int hgraphInit(Hgraph* graph) {
  memset(graph, 0, sizeof(Hgraph));
  graph->graph.flags = GRAPH_FREE_ALL;
  return 0;
}

void hgraphExit(Hgraph* graph) {
  if (((graph->graph.flags & HGRAPH_FREE_NONHALO_END) != 0) && (graph->nonHaloEdgeEnd != nullptr))
    memFreeBased(graph->nonHaloEdgeEnd, graph->graph.base);
  graph->nonHaloEdgeEnd = nullptr;
  graphExit(&graph->graph);
}

void hgraphUnhalo(const Hgraph* graph, Graph* view) {
  const Graph& core = graph->graph;
  // Only the layout bits survive: the view frees nothing.
  view->flags = core.flags & (GRAPH_VERTEX_GROUP | GRAPH_EDGE_GROUP);
  view->base = core.base;
  view->vertexCount = graph->nonHaloVertexCount;
  view->vertexEnd = graph->nonHaloVertexEnd;
  view->edgeBegin = core.edgeBegin;
  view->edgeEnd = graph->nonHaloEdgeEnd;
  view->vertexLoad = core.vertexLoad;
  view->vertexLoadSum = graph->nonHaloVertexLoadSum;
  view->vertexNumber = core.vertexNumber;
  view->vertexLabel = nullptr;
  view->arcCount = graph->nonHaloArcCount;
  view->edgeTarget = core.edgeTarget;
  view->edgeLoad = core.edgeLoad;
  view->edgeLoadSum = graph->nonHaloEdgeLoadSum;
  view->maxDegree = core.maxDegree;
  view->reserved = core.reserved;
}

void hgraphFromGraph(Hgraph* target, const Graph* source, GraphNum level) {
  target->graph = *source;
  target->graph.flags &= ~(static_cast<int>(GRAPH_FREE_ALL) | static_cast<int>(HGRAPH_FREE_NONHALO_END));
  target->nonHaloVertexCount = source->vertexCount;
  target->nonHaloVertexEnd = source->vertexEnd;
  target->nonHaloEdgeEnd = source->edgeEnd;  // every arc goes to a non-halo vertex
  target->nonHaloVertexLoadSum = source->vertexLoadSum;
  target->nonHaloArcCount = source->arcCount;
  target->nonHaloEdgeLoadSum = source->edgeLoadSum;
  target->level = level;
}
