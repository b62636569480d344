// Life cycle of the Graph record: clearing and releasing by ownership flags.
#include <cstring>

#include "graph/graph.h"

int graphInit(Graph* graph) {
  memset(graph, 0, sizeof(Graph));
  graph->flags = GRAPH_FREE_ALL;
  return 0;
}

// Releases every array that the flags say the record owns. Arrays are stored
// shifted by base, so each one is freed at its stored address plus base.
// Arrays grouped inside the edgeBegin block (bit 16) or the edgeTarget block
// (bit 32) go away with their block and are never freed on their own.
void graphFree(Graph* graph) {
  const GraphNum base = graph->base;
  const int flags = graph->flags;

  if ((flags & GRAPH_FREE_EDGES) != 0) memFreeBased(graph->edgeTarget, base);
  if ((flags & GRAPH_FREE_VERTICES) != 0) {
    // The compact view edgeEnd == edgeBegin + 1 is not an allocation of its own.
    const bool compact = (graph->edgeBegin != nullptr) && (graph->edgeEnd == graph->edgeBegin + 1);
    if ((graph->edgeEnd != nullptr) && ((flags & GRAPH_VERTEX_GROUP) == 0) && !compact)
      memFreeBased(graph->edgeEnd, base);
    memFreeBased(graph->edgeBegin, base);
  }
  if (((flags & GRAPH_FREE_NUMBERS) != 0) && ((flags & GRAPH_VERTEX_GROUP) == 0))
    memFreeBased(graph->vertexNumber, base);
  if ((flags & GRAPH_FREE_OTHERS) != 0) {
    if ((flags & GRAPH_VERTEX_GROUP) == 0) {
      memFreeBased(graph->vertexLoad, base);
      memFreeBased(graph->vertexLabel, base);
    }
    if ((flags & GRAPH_EDGE_GROUP) == 0) memFreeBased(graph->edgeLoad, base);
  }
  graph->flags = 0;  // a second release frees nothing
}

void graphExit(Graph* graph) { graphFree(graph); }
