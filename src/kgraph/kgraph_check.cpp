// Consistency check of a mapping graph, used by the tests of every mapping
// method and available to debugging code. Every figure is recomputed from
// the parts and the domains, without the helpers that the methods use.
#include <climits>
#include <vector>

#include "kgraph/kgraph.h"

int kgraphCheck(const Kgraph* kgraph) {
  const Graph& graph = kgraph->graph;
  const Mapping& mapping = kgraph->mapping;
  const Arch* arch = &kgraph->arch;
  const GraphNum base = graph.base;

  if ((mapping.graph != &graph) || (mapping.arch != arch)) {
    errorPrint("kgraphCheck: mapping not attached to its graph");
    return 1;
  }
  if ((mapping.parts == nullptr) || (mapping.domains == nullptr)) {
    errorPrint("kgraphCheck: mapping without arrays");
    return 1;
  }
  if ((mapping.domainCount < 1) || (mapping.domainCount > mapping.domainMax)) {
    errorPrint("kgraphCheck: domain count %d out of range (capacity %d)", mapping.domainCount, mapping.domainMax);
    return 1;
  }

  std::vector<int64_t> loads(static_cast<size_t>(mapping.domainCount), 0);
  int64_t commLoad = 0;
  std::vector<bool> onFrontier(static_cast<size_t>(graph.vertexCount), false);
  GraphNum frontierSize = 0;
  for (GraphNum vertex = base; vertex < graph.vertexEnd; vertex++) {
    const GraphNum part = mapping.parts[vertex];
    if ((part < 0) || (part >= mapping.domainCount)) {
      errorPrint("kgraphCheck: invalid part %d of vertex %d", part, vertex);
      return 1;
    }
    loads[static_cast<size_t>(part)] += (graph.vertexLoad != nullptr) ? graph.vertexLoad[vertex] : 1;
    for (GraphNum edge = graph.edgeBegin[vertex]; edge < graph.edgeEnd[vertex]; edge++) {
      const GraphNum end = graph.edgeTarget[edge];
      if ((end < base) || (end >= graph.vertexEnd)) {
        errorPrint("kgraphCheck: arc end %d of vertex %d out of range", end, vertex);
        return 1;
      }
      const GraphNum endPart = mapping.parts[end];
      if ((endPart < 0) || (endPart >= mapping.domainCount)) {
        errorPrint("kgraphCheck: invalid part %d of vertex %d", endPart, end);
        return 1;
      }
      if (endPart == part) continue;
      if (!onFrontier[static_cast<size_t>(vertex - base)]) {
        onFrontier[static_cast<size_t>(vertex - base)] = true;
        frontierSize++;
      }
      if (end > vertex)
        commLoad += static_cast<int64_t>((graph.edgeLoad != nullptr) ? graph.edgeLoad[edge] : 1) *
                    archDomDist(arch, &mapping.domains[part], &mapping.domains[endPart]);
    }
    if ((kgraph->fixedTerminals != nullptr) && (kgraph->fixedTerminals[vertex] != -1)) {
      ArchDom terminal;
      if ((archDomTerminal(arch, &terminal, kgraph->fixedTerminals[vertex]) != 0) ||
          (archDomIncludes(arch, &mapping.domains[part], &terminal) == 0)) {
        errorPrint("kgraphCheck: fixed vertex %d not in the domain of its terminal %d", vertex,
                   kgraph->fixedTerminals[vertex]);
        return 1;
      }
    }
  }

  if (commLoad > INT32_MAX) commLoad = INT32_MAX;
  if (kgraph->commLoad != commLoad) {
    errorPrint("kgraphCheck: communication load is %d, mapping gives %lld", kgraph->commLoad,
               static_cast<long long>(commLoad));
    return 1;
  }
  for (GraphNum index = 0; index < mapping.domainCount; index++) {
    if (archDomIncludes(arch, &mapping.initialDomain, &mapping.domains[index]) == 0) {
      errorPrint("kgraphCheck: domain %d outside the initial domain", index);
      return 1;
    }
  }
  const double wholeWeight = static_cast<double>(archDomWeight(arch, &mapping.initialDomain));
  for (GraphNum index = 0; index < mapping.domainCount; index++) {
    const GraphNum average = static_cast<GraphNum>(static_cast<double>(archDomWeight(arch, &mapping.domains[index])) /
                                                   wholeWeight * static_cast<double>(graph.vertexLoadSum));
    if (kgraph->domainLoadAvg[index] != average) {
      errorPrint("kgraphCheck: target load of domain %d is %d, weights give %d", index, kgraph->domainLoadAvg[index],
                 average);
      return 1;
    }
    if (static_cast<int64_t>(kgraph->domainLoadDelta[index]) != loads[static_cast<size_t>(index)] - average) {
      errorPrint("kgraphCheck: load delta of domain %d is %d, mapping gives %lld", index,
                 kgraph->domainLoadDelta[index], static_cast<long long>(loads[static_cast<size_t>(index)] - average));
      return 1;
    }
  }

  if ((kgraph->frontierCount < 0) || (kgraph->frontierCount > graph.vertexCount)) {
    errorPrint("kgraphCheck: frontier count %d out of range", kgraph->frontierCount);
    return 1;
  }
  std::vector<bool> listed(static_cast<size_t>(graph.vertexCount), false);
  for (GraphNum index = 0; index < kgraph->frontierCount; index++) {
    const GraphNum vertex = kgraph->frontier[index];
    if ((vertex < base) || (vertex >= graph.vertexEnd)) {
      errorPrint("kgraphCheck: frontier entry %d out of range", vertex);
      return 1;
    }
    if (listed[static_cast<size_t>(vertex - base)]) {
      errorPrint("kgraphCheck: frontier vertex %d listed twice", vertex);
      return 1;
    }
    listed[static_cast<size_t>(vertex - base)] = true;
    if (!onFrontier[static_cast<size_t>(vertex - base)]) {
      errorPrint("kgraphCheck: frontier vertex %d has no neighbour in another domain", vertex);
      return 1;
    }
  }
  if (kgraph->frontierCount != frontierSize) {
    errorPrint("kgraphCheck: frontier count is %d, mapping gives %d", kgraph->frontierCount, frontierSize);
    return 1;
  }
  return 0;
}
