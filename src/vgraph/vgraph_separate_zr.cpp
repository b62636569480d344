// Separation method z: every vertex back to part 0 (no separation).
#include "vgraph/vgraph_separate_methods.h"

int vgraphSeparateZr(Vgraph* graph, const void*) {
  if (graph->partSize[0] != graph->graph.vertexCount) vgraphZero(graph);
  return 0;
}
