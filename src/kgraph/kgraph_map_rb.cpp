// Mapping method r: recursive bipartitioning. The target domain is split in
// two by the architecture and the graph in two by a bipartition strategy,
// again and again, until every piece of graph lies in a domain of one
// terminal. Fixed vertices stay out of the graphs being split; their loads
// weigh on the splits, and they join the domains of their terminals at the
// end. This file holds the entry and the construction of the bipartition
// graph of one split, which both variants share.
//
// Load bounds of a split: with r the load per weight of the whole mapping
// and b the "bal" ratio, each half may receive between (1 - b) r and
// (1 + b) r load per weight, given the load L of the domain of weight W
// being split; when L / W already lies outside that band, the split aims at
// the exact share of each half.
#include "kgraph/kgraph_map_rb.h"

#include <climits>
#include <cstring>
#include <utility>

#include "graph/graph_induce.h"

namespace {

// Narrows the part-0 load bounds of a split of load `load` of a domain of
// weight `weight` into halves of weights weight0 and weight1.
void kgraphMapRbBounds(Bgraph* bgraph, double loadPerWeight, double balance, GraphNum weight, double load) {
  const double ratio = load / static_cast<double>(weight);
  double above = (1.0 + balance) * loadPerWeight - ratio;
  double below = ratio - (1.0 - balance) * loadPerWeight;
  above = (above > 0.0) ? above : 0.0;
  below = (below > 0.0) ? below : 0.0;
  const double weight0 = bgraph->domainWeight[0];
  const double weight1 = bgraph->domainWeight[1];
  const double lower = (above * weight0 < below * weight1) ? above * weight0 : below * weight1;
  const double upper = (below * weight0 < above * weight1) ? below * weight0 : above * weight1;
  const double limit = static_cast<double>(bgraph->graph.vertexLoadSum);
  bgraph->part0LoadMin = bgraph->part0LoadAvg - static_cast<GraphNum>((lower < limit) ? lower : limit);
  bgraph->part0LoadMax = bgraph->part0LoadAvg + static_cast<GraphNum>((upper < limit) ? upper : limit);
}

}  // namespace

int kgraphMapRbBgraph(KgraphMapRbData* data, Bgraph* bgraph, const Graph* graph, const ArchDom& domain,
                      const ArchDom halves[2], GraphNum fixedFirst, GraphNum fixedCount, GraphNum* fixedCount0,
                      const ArchDom* domains, bool partVariant) {
  Kgraph* kgraph = data->kgraph;
  const Arch* arch = &kgraph->arch;
  memset(bgraph, 0, sizeof(Bgraph));

  // The fixed vertices of the first half first.
  KgraphMapRbFixed* fixed = data->fixed + fixedFirst;
  GraphNum fixedLoads[2] = {0, 0};
  GraphNum front = 0;
  for (GraphNum index = 0; index < fixedCount; index++) {
    ArchDom terminal;
    if (archDomTerminal(arch, &terminal, fixed[index].terminal) != 0) {
      errorPrint("kgraphMapRbBgraph: invalid fixed part array");
      return 1;
    }
    const int side = (archDomIncludes(arch, &halves[0], &terminal) != 0) ? 0 : 1;
    fixedLoads[side] += fixed[index].load;
    if (side == 0) std::swap(fixed[index], fixed[front++]);
  }
  *fixedCount0 = front;

  if (bgraphInit(bgraph, graph, arch, halves, fixedLoads) != 0) {
    errorPrint("kgraphMapRbBgraph: cannot create bipartition graph");
    return 1;
  }
  if (archVar(arch) == 0)
    kgraphMapRbBounds(bgraph, kgraph->loadPerWeight, data->param->bal, archDomWeight(arch, &domain),
                      static_cast<double>(graph->vertexLoadSum) +
                          (partVariant ? static_cast<double>(fixedLoads[0]) + fixedLoads[1] : 0.0));

  // External costs: towards the vertices already mapped elsewhere (only
  // when distances differ between domains), the fixed vertices, and the
  // old domains.
  const bool outsideFree = (graph->vertexNumber != nullptr) && ((arch->flags & ARCH_PART) == 0);
  const bool remapping = kgraph->oldMapping.parts != nullptr;
  if (!outsideFree && (kgraph->fixedTerminals == nullptr) && !remapping) return 0;

  const Graph& whole = kgraph->graph;
  const GraphNum stamp = data->stampNext++;
  for (GraphNum vertex = graph->base; vertex < graph->vertexEnd; vertex++)
    data->stamp[kgraphMapRbVertex(graph, vertex)] = stamp;
  GraphNum* gains = static_cast<GraphNum*>(memAlloc(static_cast<size_t>(graph->vertexCount) * sizeof(GraphNum)));
  if (gains == nullptr) {
    errorPrint("kgraphMapRbBgraph: out of memory");
    bgraphExit(bgraph);
    return 1;
  }
  gains -= graph->base;
  int64_t external0 = 0;
  int64_t gainSum = 0;
  bool any = false;
  const GraphNum* fixedTerminals = kgraph->fixedTerminals;
  for (GraphNum vertex = graph->base; vertex < graph->vertexEnd; vertex++) {
    const GraphNum original = kgraphMapRbVertex(graph, vertex);
    int64_t cost[2] = {0, 0};
    if (whole.edgeEnd[original] - whole.edgeBegin[original] > graph->edgeEnd[vertex] - graph->edgeBegin[vertex]) {
      for (GraphNum edge = whole.edgeBegin[original]; edge < whole.edgeEnd[original]; edge++) {
        const GraphNum end = whole.edgeTarget[edge];
        if (data->stamp[end] == stamp) continue;
        const int64_t load = (whole.edgeLoad != nullptr) ? whole.edgeLoad[edge] : 1;
        if ((fixedTerminals != nullptr) && (fixedTerminals[end] != -1)) {
          ArchDom terminal;
          if (archDomTerminal(arch, &terminal, fixedTerminals[end]) != 0) {
            errorPrint("kgraphMapRbBgraph: invalid fixed part array");
            memFreeBased(gains, graph->base);
            bgraphExit(bgraph);
            return 1;
          }
          for (int side = 0; side < 2; side++)
            if (archDomIncludes(arch, &halves[side], &terminal) == 0)
              cost[side] += load * archDomDist(arch, &halves[side], &terminal);
        } else if (outsideFree) {
          const ArchDom& there = domains[kgraph->mapping.parts[end]];
          for (int side = 0; side < 2; side++) cost[side] += load * archDomDist(arch, &halves[side], &there);
        }
      }
      cost[0] *= kgraph->commLoadFactor;
      cost[1] *= kgraph->commLoadFactor;
    }
    // Every vertex pays for leaving its old domain, inner ones included.
    if (remapping && (kgraph->oldMapping.parts[original] >= 0)) {
      const ArchDom& old = kgraph->oldMapping.domains[kgraph->oldMapping.parts[original]];
      const int64_t weight = static_cast<int64_t>(kgraph->migrationCostFactor) *
                             ((kgraph->migrationLoad != nullptr) ? kgraph->migrationLoad[original] : 1);
      for (int side = 0; side < 2; side++)
        if (archDomIncludes(arch, &halves[side], &old) == 0) cost[side] += weight * archDomDist(arch, &halves[side], &old);
    }
    const int64_t gain = cost[1] - cost[0];
    gains[vertex] = static_cast<GraphNum>((gain > INT32_MAX / 2) ? INT32_MAX / 2 : ((gain < -INT32_MAX / 2) ? -INT32_MAX / 2 : gain));
    any |= (gains[vertex] != 0);
    external0 += cost[0];
    gainSum += gains[vertex];
  }
  auto clamp = [](int64_t value) {
    return static_cast<GraphNum>((value > INT32_MAX) ? INT32_MAX : ((value < INT32_MIN) ? INT32_MIN : value));
  };
  bgraph->commLoad = clamp(external0);
  bgraph->commLoadExtn0 = clamp(external0);
  if (!any) {
    memFreeBased(gains, graph->base);
    return 0;
  }
  bgraph->externalGain = gains;
  bgraph->graph.flags |= BGRAPH_FREE_EXTERNAL_GAIN;
  bgraph->commGainExtn0 = clamp(gainSum);
  bgraph->commGainExtn = clamp(gainSum);
  return 0;
}

int kgraphMapRb(Kgraph* kgraph, const void* parameters) {
  const KgraphMapRbParam* param = static_cast<const KgraphMapRbParam*>(parameters);
  kgraph->balanceRatio = param->bal;
  const Graph& whole = kgraph->graph;
  const GraphNum base = whole.base;
  const GraphNum loadMax = kgraph->mapping.domainMax;  // the capacity of the load arrays

  // The graph to map without vertex numbers: the subgraphs induced from it
  // then name the mapping graph's own vertices.
  Graph view = whole;
  view.flags &= GRAPH_VERTEX_GROUP | GRAPH_EDGE_GROUP;
  view.vertexNumber = nullptr;
  view.vertexLabel = nullptr;

  KgraphMapRbData data = {};
  data.kgraph = kgraph;
  data.param = param;
  data.graph = &view;
  data.stampNext = 1;
  GraphNum* stamp = static_cast<GraphNum*>(memAlloc(static_cast<size_t>(whole.vertexCount) * sizeof(GraphNum)));
  if (stamp == nullptr) {
    errorPrint("kgraphMapRb: out of memory (1)");
    return 1;
  }
  ScratchBlock stampBlock(stamp);
  memset(stamp, 0, static_cast<size_t>(whole.vertexCount) * sizeof(GraphNum));
  data.stamp = stamp - base;

  // With fixed vertices: the subgraph of the free vertices, and the list of
  // the fixed ones.
  Graph induced;
  graphInit(&induced);
  induced.flags = 0;
  ScratchBlock fixedBlock;
  if (kgraph->fixedTerminals != nullptr) {
    GraphNum* list;
    fixedBlock.reset(memGroupAlloc(
        {memEntry(data.fixed, static_cast<size_t>(whole.vertexCount) * sizeof(KgraphMapRbFixed)),
         memEntry(list, static_cast<size_t>(whole.vertexCount) * sizeof(GraphNum))}));
    if (fixedBlock == nullptr) {
      errorPrint("kgraphMapRbVfloBuild: out of memory");
      errorPrint("kgraphMapRb: cannot create induced graph");
      return 1;
    }
    GraphNum freeCount = 0;
    for (GraphNum vertex = base; vertex < whole.vertexEnd; vertex++) {
      const GraphNum terminal = kgraph->fixedTerminals[vertex];
      if (terminal == -1)
        list[freeCount++] = vertex;
      else
        data.fixed[data.fixedCount++] =
            KgraphMapRbFixed{terminal, (whole.vertexLoad != nullptr) ? whole.vertexLoad[vertex] : 1};
    }
    if (graphInduceList(&view, freeCount, list, &induced) != 0) {
      errorPrint("kgraphMapRbVfloBuild: cannot build induced subgraph");
      errorPrint("kgraphMapRb: cannot create induced graph");
      return 1;
    }
    data.graph = &induced;
  }

  int result = ((kgraph->arch.flags & ARCH_PART) != 0) ? kgraphMapRbPart(&data) : kgraphMapRbMap(&data);
  graphExit(&induced);
  if ((result == 0) && (kgraph->fixedTerminals != nullptr) && (mapMerge(&kgraph->mapping, kgraph->fixedTerminals) != 0)) {
    errorPrint("kgraphMapRb: cannot merge fixed vertex domains");
    result = 1;
  }
  // The domain array may have grown, also on failure: the load arrays
  // follow it.
  if (kgraphLoadsResize(kgraph, loadMax, "kgraphMapRb: out of memory (3)") != 0) return 1;
  if (result != 0) return result;
  kgraphFrontier(kgraph);
  kgraphCost(kgraph);
  return 0;
}
