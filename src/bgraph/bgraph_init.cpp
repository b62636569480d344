// A bipartition graph laid over a graph for the split of a target domain
// into two subdomains of an architecture.
#include "bgraph/bgraph.h"

int bgraphInit(Bgraph* graph, const Graph* source, const Arch* arch, const ArchDom domains[2],
               const GraphNum fixedLoads[2]) {
  const GraphNum domainDistance = archDomDist(arch, &domains[0], &domains[1]);
  const GraphNum domainWeight0 = archDomWeight(arch, &domains[0]);
  const GraphNum domainWeight1 = archDomWeight(arch, &domains[1]);

  // The graph arrays are shared: only the grouping bits of the source are
  // kept, never its freeing bits.
  graph->graph = *source;
  graph->graph.vertexLabel = nullptr;
  graph->graph.flags = (source->flags & (GRAPH_VERTEX_GROUP | GRAPH_EDGE_GROUP)) | BGRAPH_FREE_FRONTIER |
                       BGRAPH_FREE_PARTS;
  graph->externalGain = nullptr;

  const size_t count = static_cast<size_t>(source->vertexCount);
  uint8_t* parts = static_cast<uint8_t*>(memAlloc(count * sizeof(uint8_t)));
  GraphNum* frontier = (parts != nullptr) ? static_cast<GraphNum*>(memAlloc(count * sizeof(GraphNum))) : nullptr;
  if (frontier == nullptr) {
    errorPrint("bgraphInit: out of memory");
    if (parts != nullptr) memFree(parts);
    graph->parts = nullptr;
    graph->frontier = nullptr;
    graph->graph.flags &= ~(BGRAPH_FREE_FRONTIER | BGRAPH_FREE_PARTS);
    return 1;
  }
  graph->parts = parts - source->base;
  graph->frontier = frontier;
  graph->commLoad = 0;
  graph->commGainExtn = 0;
  bgraphReset(graph, domainDistance, domainWeight0, domainWeight1, fixedLoads[0], fixedLoads[1]);
  return 0;
}
