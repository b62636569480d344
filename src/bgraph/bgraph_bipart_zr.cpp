// Bipartition method z: every vertex to part 0.
#include "bgraph/bgraph.h"

int bgraphBipartZr(Bgraph* graph, const void*) {
  if (graph->part0Load != graph->graph.vertexLoadSum) bgraphZero(graph);
  return 0;
}
