// Bipartition method x: a fixed recipe for an exact balance. FM refinement
// runs with no tolerance, as many idle moves as there are vertices and no
// limit on passes; a bipartition that leaves one part empty is grown again
// from scratch.
#include "bgraph/bgraph_bipart_methods.h"

int bgraphBipartEx(Bgraph* graph, const void*) {
  if (graph->part0LoadDelta == 0) return 0;
  const BgraphBipartFmParam param = {graph->graph.vertexCount, -1, 0.0, 1};
  if (bgraphBipartFmRun(graph, &param) != 0) return 1;
  if ((graph->graph.vertexCount >= 2) && ((graph->part0Size == 0) || (graph->part0Size == graph->graph.vertexCount)))
    return bgraphBipartGgPasses(graph, 4);
  return 0;
}
