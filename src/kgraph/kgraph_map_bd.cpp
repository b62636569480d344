// Mapping method b: refines a mapping on the band of vertices within
// "width" edges of its frontier. One anchor vertex per domain stands for the
// domain's vertices outside the band, so that the band strategy sees the
// true domain loads while its work stays proportional to the band.
//
// The band Kgraph: the band vertices in breadth-first order from the
// frontier, then the anchors, anchor i standing for domain i. Since every
// vertex beyond the first layer has all its neighbours in its own domain,
// the vertices outside the band that touch it lie in the domains of their
// band neighbours: each band vertex of the last layer gets one edge to the
// anchor of its domain, of the load of its edges leaving the band, and the
// anchor's load is the load of its domain outside the band. Anchors are
// fixed to the first terminal of their domain, which keeps them in it under
// the refinement methods; a band result that moved an anchor is void. The
// band vertices keep their fixed terminals, old domains and migration
// loads; the cut edges all lie in the band, so the band's communication
// load is the mapping's.
#include <cstring>

#include "graph/graph_band.h"
#include "kgraph/kgraph.h"

namespace {

// What the band Kgraph is made of, and how its vertices map back.
struct KgraphBand {
  Kgraph kgraph;
  GraphNum* queue = nullptr;       // band vertex - base -> graph vertex, then room for the frontier
  GraphNum* index = nullptr;       // graph vertex -> band vertex, -1 outside (from graphBand)
  GraphNum bandCount = 0;          // band vertices before the anchors
  GraphNum lastLayerStart = 0;     // first band vertex of the deepest layer
  bool anchorOnly = false;         // some anchor stands for vertices but has no edge
};

void kgraphBandExit(KgraphBand* band, GraphNum base) {
  kgraphExit(&band->kgraph);
  memFree(band->queue);
  memFreeBased(band->index, base);
}

int kgraphBand(Kgraph* kgraph, GraphNum width, KgraphBand* band) {
  const Graph& graph = kgraph->graph;
  const Mapping& mapping = kgraph->mapping;
  const GraphNum base = graph.base;
  const GraphNum domainCount = mapping.domainCount;
  memset(&band->kgraph, 0, sizeof(Kgraph));

  band->queue = static_cast<GraphNum*>(memAlloc(static_cast<size_t>(graph.vertexCount) * sizeof(GraphNum)));
  if (band->queue == nullptr) {
    errorPrint("kgraphBand: out of memory (1)");
    return 1;
  }
  memcpy(band->queue, kgraph->frontier, static_cast<size_t>(kgraph->frontierCount) * sizeof(GraphNum));
  GraphNum arcTotal, fixedReached;
  if (graphBand(&graph, kgraph->frontierCount, band->queue, width, &band->index, &band->lastLayerStart,
                &band->bandCount, &arcTotal, nullptr, &fixedReached) != 0) {
    errorPrint("kgraphBand: cannot number graph vertices");
    return 1;
  }
  const GraphNum bandCount = band->bandCount;
  const GraphNum vertexCount = bandCount + domainCount;
  const GraphNum* index = band->index;

  // The band graph owns its arrays: vertices (begin, loads) in one block,
  // arcs (ends, loads) in another; at most one anchor arc per band vertex,
  // and its reverse.
  Graph& core = band->kgraph.graph;
  graphInit(&core);
  core.flags = GRAPH_FREE_ALL | GRAPH_VERTEX_GROUP | GRAPH_EDGE_GROUP;
  core.base = base;
  core.vertexCount = vertexCount;
  core.vertexEnd = base + vertexCount;
  GraphNum* begin;
  GraphNum* vertexLoad;
  if (memGroupAlloc({memEntry(begin, (static_cast<size_t>(vertexCount) + 1) * sizeof(GraphNum)),
                     memEntry(vertexLoad, static_cast<size_t>(vertexCount) * sizeof(GraphNum))}) == nullptr) {
    errorPrint("kgraphBand: out of memory (2)");
    return 1;
  }
  core.edgeBegin = begin - base;
  core.edgeEnd = core.edgeBegin + 1;
  core.vertexLoad = vertexLoad - base;
  const size_t arcCapacity = static_cast<size_t>(arcTotal) + 2 * static_cast<size_t>(bandCount);
  GraphNum* target;
  GraphNum* edgeLoad;
  if (memGroupAlloc({memEntry(target, arcCapacity * sizeof(GraphNum)),
                     memEntry(edgeLoad, arcCapacity * sizeof(GraphNum))}) == nullptr) {
    errorPrint("kgraphBand: out of memory (3)");
    memFree(begin);
    core.edgeBegin = nullptr;
    return 1;
  }
  core.edgeTarget = target - base;
  core.edgeLoad = edgeLoad - base;

  // Per anchor: its load so far (the domain's load, less its band
  // vertices), its degree, and the load of the vertices it stands for.
  GraphNum* anchorLoad;
  GraphNum* anchorDegree;
  ScratchBlock scratch(memGroupAlloc({memEntry(anchorLoad, static_cast<size_t>(domainCount) * sizeof(GraphNum)),
                                      memEntry(anchorDegree, static_cast<size_t>(domainCount) * sizeof(GraphNum))}));
  if (scratch == nullptr) {
    errorPrint("kgraphBand: out of memory (4)");
    return 1;
  }
  for (GraphNum domain = 0; domain < domainCount; domain++) {
    anchorLoad[domain] = kgraph->domainLoadAvg[domain] + kgraph->domainLoadDelta[domain];
    anchorDegree[domain] = 0;
  }

  const GraphNum anchorBase = base + bandCount;
  GraphNum arc = base;
  GraphNum maxDegree = 0;
  int64_t edgeLoadSum = 0;
  for (GraphNum bandVertex = base; bandVertex < anchorBase; bandVertex++) {
    const GraphNum vertex = band->queue[bandVertex - base];
    const GraphNum part = mapping.parts[vertex];
    const GraphNum load = (graph.vertexLoad != nullptr) ? graph.vertexLoad[vertex] : 1;
    core.vertexLoad[bandVertex] = load;
    anchorLoad[part] -= load;
    core.edgeBegin[bandVertex] = arc;
    GraphNum outsideLoad = 0;
    for (GraphNum edge = graph.edgeBegin[vertex]; edge < graph.edgeEnd[vertex]; edge++) {
      const GraphNum end = index[graph.edgeTarget[edge]];
      const GraphNum arcLoad = (graph.edgeLoad != nullptr) ? graph.edgeLoad[edge] : 1;
      if (end < 0) {
        outsideLoad += arcLoad;
        continue;
      }
      core.edgeTarget[arc] = end;
      core.edgeLoad[arc++] = arcLoad;
      edgeLoadSum += arcLoad;
    }
    if (outsideLoad > 0) {  // last layer only
      core.edgeTarget[arc] = anchorBase + part;
      core.edgeLoad[arc++] = outsideLoad;
      edgeLoadSum += 2 * static_cast<int64_t>(outsideLoad);
      anchorDegree[part]++;
    }
    if (arc - core.edgeBegin[bandVertex] > maxDegree) maxDegree = arc - core.edgeBegin[bandVertex];
  }
  // Anchor arcs, reversed: anchor by anchor, from the last layer.
  GraphNum* anchorArc = anchorDegree;  // becomes the next arc index of each anchor
  GraphNum next = arc;
  for (GraphNum domain = 0; domain < domainCount; domain++) {
    core.edgeBegin[anchorBase + domain] = next;
    core.vertexLoad[anchorBase + domain] = anchorLoad[domain];
    if (anchorDegree[domain] > maxDegree) maxDegree = anchorDegree[domain];
    const GraphNum degree = anchorDegree[domain];
    anchorArc[domain] = next;
    next += degree;
  }
  core.edgeBegin[core.vertexEnd] = next;
  for (GraphNum bandVertex = band->lastLayerStart; bandVertex < anchorBase; bandVertex++) {
    const GraphNum last = core.edgeBegin[bandVertex + 1] - 1;
    if ((last < core.edgeBegin[bandVertex]) || (core.edgeTarget[last] < anchorBase)) continue;
    const GraphNum domain = core.edgeTarget[last] - anchorBase;
    core.edgeTarget[anchorArc[domain]] = bandVertex;
    core.edgeLoad[anchorArc[domain]++] = core.edgeLoad[last];
  }
  core.arcCount = next - base;
  core.edgeLoadSum = static_cast<GraphNum>(edgeLoadSum);
  core.maxDegree = maxDegree;
  core.vertexLoadSum = graph.vertexLoadSum;
  for (GraphNum domain = 0; domain < domainCount; domain++) {
    const bool connected = core.edgeBegin[anchorBase + domain + 1] > core.edgeBegin[anchorBase + domain];
    if (!connected && (anchorLoad[domain] > 0)) band->anchorOnly = true;
  }

  // Fixed terminals: the band vertices' own, and the anchors'.
  GraphNum* fixed = static_cast<GraphNum*>(memAlloc(static_cast<size_t>(vertexCount) * sizeof(GraphNum)));
  if (fixed == nullptr) {
    errorPrint("kgraphBand: out of memory (5)");
    return 1;
  }
  fixed -= base;
  GraphNum fixedCount = domainCount;
  for (GraphNum bandVertex = base; bandVertex < anchorBase; bandVertex++) {
    const GraphNum vertex = band->queue[bandVertex - base];
    fixed[bandVertex] = (kgraph->fixedTerminals != nullptr) ? kgraph->fixedTerminals[vertex] : -1;
    fixedCount += (fixed[bandVertex] != -1);
  }
  for (GraphNum domain = 0; domain < domainCount; domain++)
    fixed[anchorBase + domain] = archDomNumber(&kgraph->arch, &mapping.domains[domain]);

  GraphNum* migration = nullptr;
  if (kgraph->oldMapping.parts != nullptr) {
    migration = static_cast<GraphNum*>(memAlloc(static_cast<size_t>(vertexCount) * sizeof(GraphNum)));
    if (migration == nullptr) {
      errorPrint("kgraphBand: out of memory (6)");
      memFreeBased(fixed, base);
      return 1;
    }
    migration -= base;
    for (GraphNum bandVertex = base; bandVertex < anchorBase; bandVertex++) {
      const GraphNum vertex = band->queue[bandVertex - base];
      migration[bandVertex] = (kgraph->migrationLoad != nullptr) ? kgraph->migrationLoad[vertex] : 1;
    }
    for (GraphNum anchor = anchorBase; anchor < core.vertexEnd; anchor++) migration[anchor] = 0;
  }

  Kgraph& result = band->kgraph;
  const int status = kgraphInit(&result, &result.graph, &kgraph->arch, &mapping.initialDomain, fixedCount, fixed,
                                nullptr, kgraph->commLoadFactor, kgraph->migrationCostFactor, migration);
  result.fixedTerminals = fixed;
  result.migrationLoad = migration;
  result.graph.flags |= KGRAPH_FREE_FIXED | ((migration != nullptr) ? KGRAPH_FREE_MIGRATION : 0);
  if (status != 0) return 1;

  if (kgraph->oldMapping.parts != nullptr) {  // old domains borrowed from the mapping graph
    GraphNum* oldParts = static_cast<GraphNum*>(memAlloc(static_cast<size_t>(vertexCount) * sizeof(GraphNum)));
    if (oldParts == nullptr) {
      errorPrint("kgraphBand: out of memory (7)");
      return 1;
    }
    oldParts -= base;
    for (GraphNum bandVertex = base; bandVertex < anchorBase; bandVertex++)
      oldParts[bandVertex] = kgraph->oldMapping.parts[band->queue[bandVertex - base]];
    for (GraphNum anchor = anchorBase; anchor < core.vertexEnd; anchor++) oldParts[anchor] = -1;
    result.oldMapping.parts = oldParts;
    result.oldMapping.flags = MAP_FREE_PARTS;
    result.oldMapping.domains = kgraph->oldMapping.domains;
    result.oldMapping.domainCount = kgraph->oldMapping.domainCount;
    result.oldMapping.domainMax = kgraph->oldMapping.domainMax;
  }

  if (domainCount > result.mapping.domainMax) {
    const GraphNum oldMax = result.mapping.domainMax;
    if ((mapResize(&result.mapping, domainCount) != 0) ||
        (kgraphLoadsResize(&result, oldMax, "kgraphBand: out of memory (8)") != 0))
      return 1;
  }
  memcpy(result.mapping.domains, mapping.domains, static_cast<size_t>(domainCount) * sizeof(ArchDom));
  result.mapping.domainCount = domainCount;
  for (GraphNum bandVertex = base; bandVertex < anchorBase; bandVertex++)
    result.mapping.parts[bandVertex] = mapping.parts[band->queue[bandVertex - base]];
  for (GraphNum domain = 0; domain < domainCount; domain++) {
    result.mapping.parts[anchorBase + domain] = domain;
    result.domainLoadAvg[domain] = kgraph->domainLoadAvg[domain];
    result.domainLoadDelta[domain] = kgraph->domainLoadDelta[domain];
  }
  // The frontier vertices come first in band order.
  for (GraphNum position = 0; position < kgraph->frontierCount; position++) result.frontier[position] = base + position;
  result.frontierCount = kgraph->frontierCount;
  result.commLoad = kgraph->commLoad;
  result.loadPerWeight = kgraph->loadPerWeight;
  result.balanceRatio = kgraph->balanceRatio;
  result.level = kgraph->level;
  return 0;
}

}  // namespace

int kgraphMapBd(Kgraph* kgraph, const void* parameters) {
  const KgraphMapBdParam* param = static_cast<const KgraphMapBdParam*>(parameters);
  if (kgraph->mapping.domainCount == 0) kgraphFirst(kgraph);
  if (kgraph->frontierCount == 0) return kgraphMapSt(kgraph, param->org);

  // A band of width 0 would cut the frontier vertices from their
  // neighbours in other domains.
  const GraphNum width = (param->width < 1) ? 1 : param->width;
  const Graph& graph = kgraph->graph;
  const GraphNum base = graph.base;
  KgraphBand band;
  if (kgraphBand(kgraph, width, &band) != 0) {
    errorPrint("kgraphMapBd: cannot create band graph");
    kgraphBandExit(&band, base);
    return 1;
  }
  if (band.anchorOnly) {
    kgraphBandExit(&band, base);
    return kgraphMapSt(kgraph, param->org);
  }
  if (kgraphMapSt(&band.kgraph, param->bnd) != 0) {
    errorPrint("kgraphMapBd: cannot partition band graph");
    kgraphBandExit(&band, base);
    return 1;
  }
  const GraphNum domainCount = kgraph->mapping.domainCount;
  if (band.kgraph.mapping.domainCount != domainCount) {
    errorPrint("kgraphMapBd: change in band graph number of parts not supported");
    kgraphBandExit(&band, base);
    return 1;
  }
  const GraphNum anchorBase = base + band.bandCount;
  for (GraphNum domain = 0; domain < domainCount; domain++) {
    if (band.kgraph.mapping.parts[anchorBase + domain] != domain) {  // an anchor moved: the result is void
      kgraphBandExit(&band, base);
      return kgraphMapSt(kgraph, param->org);
    }
  }

  // Copy back the parts of the band vertices and the band's frontier, then
  // add the vertices outside the band that now face another domain: the
  // outside neighbours of the last-layer vertices that changed domain.
  GraphNum* parts = kgraph->mapping.parts;
  const GraphNum* bandParts = band.kgraph.mapping.parts;
  GraphNum frontierCount = 0;
  for (GraphNum position = 0; position < band.kgraph.frontierCount; position++) {
    const GraphNum bandVertex = band.kgraph.frontier[position];
    if (bandVertex < anchorBase) kgraph->frontier[frontierCount++] = band.queue[bandVertex - base];
  }
  for (GraphNum bandVertex = base; bandVertex < anchorBase; bandVertex++)
    parts[band.queue[bandVertex - base]] = bandParts[bandVertex];
  GraphNum* index = band.index;
  for (GraphNum bandVertex = band.lastLayerStart; bandVertex < anchorBase; bandVertex++) {
    const GraphNum vertex = band.queue[bandVertex - base];
    for (GraphNum edge = graph.edgeBegin[vertex]; edge < graph.edgeEnd[vertex]; edge++) {
      const GraphNum outside = graph.edgeTarget[edge];
      if ((index[outside] != -1) || (parts[outside] == parts[vertex])) continue;
      index[outside] = -3;  // listed
      kgraph->frontier[frontierCount++] = outside;
    }
  }
  kgraph->frontierCount = frontierCount;
  // The band holds every cut edge, and its anchors stand for the edges and
  // loads outside it: its figures are the mapping's.
  for (GraphNum domain = 0; domain < domainCount; domain++)
    kgraph->domainLoadDelta[domain] = band.kgraph.domainLoadDelta[domain];
  kgraph->commLoad = band.kgraph.commLoad;
  kgraph->balanceRatio = band.kgraph.balanceRatio;
  kgraphBandExit(&band, base);
  return 0;
}
