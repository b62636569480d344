// Mapping method c: copies the old mapping into the current one, then puts
// the fixed vertices into the domains of their terminals. The starting point
// of a remapping that stays as close as possible to the old mapping.
#include "kgraph/kgraph.h"

int kgraphMapCp(Kgraph* kgraph, const void*) {
  if ((kgraph->oldMapping.parts == nullptr) || (kgraph->oldMapping.domains == nullptr)) {
    errorPrint("kgraphMapCp: inconsistent old mapping data");
    return 1;
  }
  // Vertices without an old domain start in the old mapping's first domain,
  // or in the initial domain when the old mapping has none.
  const GraphNum oldMax = kgraph->mapping.domainMax;
  const Graph& graph = kgraph->graph;
  if (mapCopy(&kgraph->mapping, &kgraph->oldMapping) != 0) {
    errorPrint("kgraphMapCp: cannot copy old mapping");
    return 1;
  }
  if (kgraph->mapping.domainCount == 0) {
    kgraph->mapping.domainCount = 1;
    kgraph->mapping.domains[0] = kgraph->mapping.initialDomain;
  }
  for (GraphNum vertex = graph.base; vertex < graph.vertexEnd; vertex++)
    if (kgraph->mapping.parts[vertex] < 0) kgraph->mapping.parts[vertex] = 0;
  if ((kgraph->fixedTerminals != nullptr) && (mapMerge(&kgraph->mapping, kgraph->fixedTerminals) != 0)) {
    errorPrint("kgraphMapCp: cannot merge with fixed vertices");
    return 1;
  }
  if (kgraphLoadsResize(kgraph, oldMax, "kgraphMapCp: out of memory") != 0) return 1;
  kgraphFrontier(kgraph);
  kgraphCost(kgraph);
  return 0;
}
