// Life cycle of mapping graphs, the figures every mapping method keeps up
// to date (frontier, domain loads, communication load), and the saved
// mapping states that the selection operator compares.
#include <climits>
#include <cstring>

#include "kgraph/kgraph.h"

int kgraphInit(Kgraph* kgraph, const Graph* source, const Arch* arch, const ArchDom* domain, GraphNum fixedCount,
               GraphNum* fixedTerminals, const GraphNum* oldTerminals, GraphNum commLoadFactor,
               GraphNum migrationCostFactor, GraphNum* migrationLoad) {
  ArchDom whole;
  archDomFirst(arch, &whole);
  if (source != &kgraph->graph) {
    // The arrays are shared with the source, which keeps them.
    kgraph->graph = *source;
    kgraph->graph.flags = source->flags & (GRAPH_VERTEX_GROUP | GRAPH_EDGE_GROUP);
  }
  if (arch != &kgraph->arch) kgraph->arch = *arch;
  const ArchDom* initial = (domain != nullptr) ? domain : &whole;
  mapInit(&kgraph->mapping, &kgraph->graph, &kgraph->arch, initial);
  mapInit(&kgraph->oldMapping, &kgraph->graph, &kgraph->arch, initial);
  kgraph->frontier = nullptr;
  kgraph->domainLoadAvg = nullptr;
  kgraph->domainLoadDelta = nullptr;
  kgraph->fixedTerminals = nullptr;
  kgraph->migrationLoad = nullptr;

  if (oldTerminals != nullptr) {
    // Vertices without an old terminal have no old domain (-1) rather than
    // whatever the fresh array held.
    if (mapAlloc(&kgraph->oldMapping) != 0) {
      errorPrint("kgraphInit: cannot initialize remapping");
      return 1;
    }
    for (GraphNum vertex = kgraph->graph.base; vertex < kgraph->graph.vertexEnd; vertex++)
      kgraph->oldMapping.parts[vertex] = -1;
    if (mapBuild2(&kgraph->oldMapping, oldTerminals) != 0) {
      errorPrint("kgraphInit: cannot initialize remapping");
      return 1;
    }
  }

  kgraph->commLoadFactor = commLoadFactor;
  kgraph->migrationCostFactor = migrationCostFactor;
  kgraph->migrationLoad = migrationLoad;
  kgraph->fixedCount = (fixedTerminals != nullptr) ? fixedCount : 0;
  kgraph->fixedTerminals = fixedTerminals;

  if (mapAlloc(&kgraph->mapping) != 0) {
    errorPrint("kgraphInit: cannot initialize mapping");
    return 1;
  }
  const size_t vertexCount = static_cast<size_t>(kgraph->graph.vertexCount);
  const size_t domainMax = static_cast<size_t>(kgraph->mapping.domainMax);
  kgraph->frontier = static_cast<GraphNum*>(memAlloc(vertexCount * sizeof(GraphNum)));
  if ((kgraph->frontier == nullptr) ||
      (memGroupAlloc({memEntry(kgraph->domainLoadAvg, domainMax * sizeof(GraphNum)),
                      memEntry(kgraph->domainLoadDelta, domainMax * sizeof(GraphNum))}) == nullptr)) {
    errorPrint("kgraphInit: out of memory");
    memFree(kgraph->frontier);
    kgraph->frontier = nullptr;
    return 1;
  }
  kgraph->graph.flags |= KGRAPH_FREE_FRONTIER | KGRAPH_FREE_LOADS;

  kgraph->domainLoadAvg[0] = kgraph->graph.vertexLoadSum;
  kgraph->domainLoadDelta[0] = 0;
  kgraph->frontierCount = 0;
  kgraph->commLoad = 0;
  kgraph->level = 0;
  // Loads per weight are those of the domain the mapping starts from, so
  // that the target loads of its subdomains add up to the vertex load sum.
  kgraph->loadPerWeight = static_cast<double>(kgraph->graph.vertexLoadSum) /
                          static_cast<double>(archDomWeight(&kgraph->arch, &kgraph->mapping.initialDomain));
  kgraph->balanceRatio = 1.0;
  return 0;
}

void kgraphExit(Kgraph* kgraph) {
  const int flags = kgraph->graph.flags;
  const GraphNum base = kgraph->graph.base;
  mapExit(&kgraph->mapping);
  mapExit(&kgraph->oldMapping);
  if ((flags & KGRAPH_FREE_MIGRATION) != 0) memFreeBased(kgraph->migrationLoad, base);
  if ((flags & KGRAPH_FREE_FIXED) != 0) memFreeBased(kgraph->fixedTerminals, base);
  if ((flags & KGRAPH_FREE_FRONTIER) != 0) memFree(kgraph->frontier);
  if ((flags & KGRAPH_FREE_LOADS) != 0) memFree(kgraph->domainLoadAvg);
  kgraph->migrationLoad = nullptr;
  kgraph->fixedTerminals = nullptr;
  kgraph->frontier = nullptr;
  kgraph->domainLoadAvg = nullptr;
  kgraph->domainLoadDelta = nullptr;
  graphExit(&kgraph->graph);
  kgraph->graph.flags = 0;
}

GraphNum kgraphDomainLoadAvg(const Kgraph* kgraph, const ArchDom* domain) {
  const double weight = static_cast<double>(archDomWeight(&kgraph->arch, domain));
  const double whole = static_cast<double>(archDomWeight(&kgraph->arch, &kgraph->mapping.initialDomain));
  return static_cast<GraphNum>(weight / whole * static_cast<double>(kgraph->graph.vertexLoadSum));
}

void kgraphCost(Kgraph* kgraph) {
  const Graph& graph = kgraph->graph;
  const Mapping& mapping = kgraph->mapping;
  const GraphNum* parts = mapping.parts;
  const GraphNum* vertexLoad = graph.vertexLoad;
  const GraphNum* edgeLoad = graph.edgeLoad;
  GraphNum* loads = kgraph->domainLoadDelta;
  for (GraphNum index = 0; index < mapping.domainCount; index++) loads[index] = 0;

  // Each edge once, from its smaller end. The sum is kept in 64 bits and
  // saturates rather than wrap.
  int64_t commLoad = 0;
  for (GraphNum vertex = graph.base; vertex < graph.vertexEnd; vertex++) {
    const GraphNum part = parts[vertex];
    loads[part] += (vertexLoad != nullptr) ? vertexLoad[vertex] : 1;
    for (GraphNum edge = graph.edgeBegin[vertex]; edge < graph.edgeEnd[vertex]; edge++) {
      const GraphNum end = graph.edgeTarget[edge];
      if ((end <= vertex) || (parts[end] == part)) continue;
      const GraphNum distance = archDomDist(&kgraph->arch, &mapping.domains[part], &mapping.domains[parts[end]]);
      commLoad += static_cast<int64_t>((edgeLoad != nullptr) ? edgeLoad[edge] : 1) * distance;
    }
  }
  kgraph->commLoad = static_cast<GraphNum>((commLoad > INT32_MAX) ? INT32_MAX : commLoad);
  for (GraphNum index = 0; index < mapping.domainCount; index++) {
    kgraph->domainLoadAvg[index] = kgraphDomainLoadAvg(kgraph, &mapping.domains[index]);
    loads[index] -= kgraph->domainLoadAvg[index];
  }
}

void kgraphFirst(Kgraph* kgraph) {
  mapFirst(&kgraph->mapping);
  for (GraphNum index = 0; index < kgraph->mapping.domainMax; index++) {
    kgraph->domainLoadAvg[index] = 0;
    kgraph->domainLoadDelta[index] = 0;
  }
  kgraph->domainLoadAvg[0] = kgraph->graph.vertexLoadSum;
  kgraph->frontierCount = 0;
  kgraph->commLoad = 0;
}

void kgraphFrontier(Kgraph* kgraph) {
  const Graph& graph = kgraph->graph;
  const GraphNum* parts = kgraph->mapping.parts;
  GraphNum count = 0;
  for (GraphNum vertex = graph.base; vertex < graph.vertexEnd; vertex++) {
    const GraphNum part = parts[vertex];
    for (GraphNum edge = graph.edgeBegin[vertex]; edge < graph.edgeEnd[vertex]; edge++) {
      if (parts[graph.edgeTarget[edge]] != part) {
        kgraph->frontier[count++] = vertex;
        break;
      }
    }
  }
  kgraph->frontierCount = count;
}

int kgraphLoadsResize(Kgraph* kgraph, GraphNum oldMax, const char* message) {
  const GraphNum newMax = kgraph->mapping.domainMax;
  if (newMax == oldMax) return 0;
  GraphNum* average;
  GraphNum* delta;
  void* block = memGroupAlloc({memEntry(average, static_cast<size_t>(newMax) * sizeof(GraphNum)),
                               memEntry(delta, static_cast<size_t>(newMax) * sizeof(GraphNum))});
  if (block == nullptr) {
    errorPrint("%s", message);
    return 1;
  }
  const GraphNum kept = (oldMax < newMax) ? oldMax : newMax;
  for (GraphNum index = 0; index < newMax; index++) {
    average[index] = (index < kept) ? kgraph->domainLoadAvg[index] : 0;
    delta[index] = (index < kept) ? kgraph->domainLoadDelta[index] : 0;
  }
  if ((kgraph->graph.flags & KGRAPH_FREE_LOADS) != 0) memFree(kgraph->domainLoadAvg);
  kgraph->domainLoadAvg = average;
  kgraph->domainLoadDelta = delta;
  kgraph->graph.flags |= KGRAPH_FREE_LOADS;
  return 0;
}

void KgraphDistance::init(const Mapping* mapping) {
  memFree(table_);
  table_ = nullptr;
  arch_ = mapping->arch;
  domains_ = mapping->domains;
  count_ = mapping->domainCount;
  if ((count_ < 2) || (count_ > kTableMax)) return;
  const size_t entries = static_cast<size_t>(count_) * static_cast<size_t>(count_);
  table_ = static_cast<GraphNum*>(memAlloc(entries * sizeof(GraphNum)));
  if (table_ != nullptr) memset(table_, 0xff, entries * sizeof(GraphNum));  // -1: not yet asked
}

// ---------------------------------------------------------------------------
// Saved states

namespace {

// Makes room for count domains in the store's domain block.
int kgraphStoreDomains(KgraphStore* store, GraphNum count) {
  if (count <= store->domainCapacity) return 0;
  GraphNum capacity = (store->domainCapacity > 0) ? store->domainCapacity : 1;
  while (capacity < count) capacity = mapGrowth(capacity);
  ArchDom* domains;
  GraphNum* average;
  GraphNum* delta;
  void* block = memGroupAlloc({memEntry(domains, static_cast<size_t>(capacity) * sizeof(ArchDom)),
                               memEntry(average, static_cast<size_t>(capacity) * sizeof(GraphNum)),
                               memEntry(delta, static_cast<size_t>(capacity) * sizeof(GraphNum))});
  if (block == nullptr) return 1;
  memFree(store->domains);
  store->domains = domains;
  store->domainLoadAvg = average;
  store->domainLoadDelta = delta;
  store->domainCapacity = capacity;
  return 0;
}

}  // namespace

int kgraphStoreInit(const Kgraph* kgraph, KgraphStore* store) {
  memset(store, 0, sizeof(KgraphStore));
  const size_t vertexCount = static_cast<size_t>(kgraph->graph.vertexCount);
  const GraphNum domainCount = kgraph->mapping.domainMax;
  if ((memGroupAlloc({memEntry(store->parts, vertexCount * sizeof(GraphNum)),
                      memEntry(store->frontier, vertexCount * sizeof(GraphNum))}) == nullptr) ||
      (kgraphStoreDomains(store, domainCount) != 0)) {
    errorPrint("kgraphStoreInit out of memory (1)");
    kgraphStoreExit(store);
    return 1;
  }
  return 0;
}

void kgraphStoreExit(KgraphStore* store) {
  memFree(store->parts);
  memFree(store->domains);
  store->parts = nullptr;
  store->frontier = nullptr;
  store->domains = nullptr;
  store->domainLoadAvg = nullptr;
  store->domainLoadDelta = nullptr;
  store->domainCapacity = 0;
}

int kgraphStoreSave(const Kgraph* kgraph, KgraphStore* store) {
  const Mapping& mapping = kgraph->mapping;
  const GraphNum domainCount = mapping.domainCount;
  if (kgraphStoreDomains(store, domainCount) != 0) {
    errorPrint("kgraphStoreSave: out of memory");
    return 1;
  }
  store->domainCount = domainCount;
  store->frontierCount = kgraph->frontierCount;
  store->balanceRatio = kgraph->balanceRatio;
  store->commLoad = kgraph->commLoad;
  const size_t vertexCount = static_cast<size_t>(kgraph->graph.vertexCount);
  if (vertexCount > 0) memcpy(store->parts, mapping.parts + kgraph->graph.base, vertexCount * sizeof(GraphNum));
  if (kgraph->frontierCount > 0)
    memcpy(store->frontier, kgraph->frontier, static_cast<size_t>(kgraph->frontierCount) * sizeof(GraphNum));
  if (domainCount > 0) {
    memcpy(store->domains, mapping.domains, static_cast<size_t>(domainCount) * sizeof(ArchDom));
    memcpy(store->domainLoadAvg, kgraph->domainLoadAvg, static_cast<size_t>(domainCount) * sizeof(GraphNum));
    memcpy(store->domainLoadDelta, kgraph->domainLoadDelta, static_cast<size_t>(domainCount) * sizeof(GraphNum));
  }
  return 0;
}

int kgraphStoreRestore(Kgraph* kgraph, const KgraphStore* store) {
  Mapping& mapping = kgraph->mapping;
  const GraphNum domainCount = store->domainCount;
  if (domainCount > mapping.domainMax) {
    const GraphNum oldMax = mapping.domainMax;
    if ((mapResize(&mapping, domainCount) != 0) ||
        (kgraphLoadsResize(kgraph, oldMax, "kgraphStoreRestore: out of memory") != 0))
      return 1;
  }
  mapping.domainCount = domainCount;
  kgraph->frontierCount = store->frontierCount;
  kgraph->balanceRatio = store->balanceRatio;
  kgraph->commLoad = store->commLoad;
  const size_t vertexCount = static_cast<size_t>(kgraph->graph.vertexCount);
  if (vertexCount > 0) memcpy(mapping.parts + kgraph->graph.base, store->parts, vertexCount * sizeof(GraphNum));
  if (store->frontierCount > 0)
    memcpy(kgraph->frontier, store->frontier, static_cast<size_t>(store->frontierCount) * sizeof(GraphNum));
  if (domainCount > 0) {
    memcpy(mapping.domains, store->domains, static_cast<size_t>(domainCount) * sizeof(ArchDom));
    memcpy(kgraph->domainLoadAvg, store->domainLoadAvg, static_cast<size_t>(domainCount) * sizeof(GraphNum));
    memcpy(kgraph->domainLoadDelta, store->domainLoadDelta, static_cast<size_t>(domainCount) * sizeof(GraphNum));
  }
  return 0;
}
