// Mapping method d: diffusion. Every domain is a liquid; every vertex holds
// some amount (at most 1) of the liquid of its domain. At each of "pass"
// steps, every vertex receives from each neighbour a share of its liquid
// proportional to the edge load between them over the vertex's edge load
// sum, keeps its own liquid weighed against what it receives by "dif"
// (dif = 1: half its own, half its neighbours'; larger values spread the
// liquids faster), and is drawn back to its old domain, when remapping, by
// "rem" times a full amount. Each liquid is scaled by the ratio of its
// domain's target load to its current load, so that liquids of overloaded
// domains recede and those of underloaded domains advance. The vertex then
// takes the liquid it holds most of, and keeps the winning amount capped at
// 1. Fixed vertices keep their domain and a full amount.
//
// The steps run in single precision on a snapshot of the previous step
// (the vertices change all at once), and stop early when a step changes no
// vertex's domain; at most 1000 steps are made.
#include <climits>
#include <cstring>

#include "kgraph/kgraph.h"

namespace {

int kgraphMapDfSeq(Kgraph* kgraph, const KgraphMapDfParam* param, float* amount, GraphNum* domainOf,
                   float* nextAmount, GraphNum* nextDomain, const GraphNum* loadSum) {
  const Graph& graph = kgraph->graph;
  const GraphNum domainCount = kgraph->mapping.domainCount;
  const GraphNum base = graph.base;
  float* liquid;
  float* scale;
  GraphNum* seen;
  GraphNum* domainLoad;
  GraphNum* touched;
  ScratchBlock scratch(memGroupAlloc({memEntry(liquid, static_cast<size_t>(domainCount) * sizeof(float)),
                                      memEntry(scale, static_cast<size_t>(domainCount) * sizeof(float)),
                                      memEntry(seen, static_cast<size_t>(domainCount) * sizeof(GraphNum)),
                                      memEntry(domainLoad, static_cast<size_t>(domainCount) * sizeof(GraphNum)),
                                      memEntry(touched, static_cast<size_t>(domainCount) * sizeof(GraphNum))}));
  if (scratch == nullptr) {
    errorPrint("kgraphMapDfSeq: out of memory");
    return 1;
  }
  for (GraphNum domain = 0; domain < domainCount; domain++) seen[domain] = 0;
  const float keep = 1.0f / (1.0f + static_cast<float>((param->dif > 0.0) ? param->dif : 0.0));
  const float pull = static_cast<float>((param->rem > 0.0) ? param->rem : 0.0);
  const GraphNum* fixed = kgraph->fixedTerminals;
  const GraphNum* oldParts = kgraph->oldMapping.parts;

  // Steps that change domains back and forth would never settle: at most
  // kPassMax steps are made whatever "pass" asks.
  constexpr GraphNum kPassMax = 1000;
  const GraphNum passCount = (param->pass < kPassMax) ? param->pass : kPassMax;
  for (GraphNum pass = 0; pass < passCount; pass++) {
    for (GraphNum domain = 0; domain < domainCount; domain++) domainLoad[domain] = 0;
    for (GraphNum vertex = base; vertex < graph.vertexEnd; vertex++)
      domainLoad[domainOf[vertex]] += (graph.vertexLoad != nullptr) ? graph.vertexLoad[vertex] : 1;
    for (GraphNum domain = 0; domain < domainCount; domain++) {
      const float target = static_cast<float>(kgraph->domainLoadAvg[domain]);
      const float load = static_cast<float>(domainLoad[domain]);
      scale[domain] = (load > 0.0f) ? ((target > 0.0f) ? target / load : 0.0f) : 2.0f;
      if (scale[domain] > 2.0f) scale[domain] = 2.0f;
    }

    GraphNum changes = 0;
    for (GraphNum vertex = base; vertex < graph.vertexEnd; vertex++) {
      if ((fixed != nullptr) && (fixed[vertex] != -1)) {
        nextDomain[vertex] = domainOf[vertex];
        nextAmount[vertex] = 1.0f;
        continue;
      }
      // Liquids received, by domain, with the list of the domains met.
      GraphNum touchedCount = 0;
      auto receive = [&](GraphNum domain, float value) {
        if (seen[domain] == 0) {
          seen[domain] = 1;
          liquid[domain] = 0.0f;
          touched[touchedCount++] = domain;
        }
        liquid[domain] += value;
      };
      receive(domainOf[vertex], keep * amount[vertex]);
      const float share = (1.0f - keep) / static_cast<float>(loadSum[vertex]);
      for (GraphNum edge = graph.edgeBegin[vertex]; edge < graph.edgeEnd[vertex]; edge++) {
        const GraphNum end = graph.edgeTarget[edge];
        const float load = static_cast<float>((graph.edgeLoad != nullptr) ? graph.edgeLoad[edge] : 1);
        receive(domainOf[end], share * load * amount[end]);
      }
      if ((oldParts != nullptr) && (oldParts[vertex] >= 0) && (pull > 0.0f)) {
        // The old domain, when the mapping still has it.
        for (GraphNum domain = 0; domain < domainCount; domain++) {
          if (archDomDist(&kgraph->arch, &kgraph->mapping.domains[domain],
                          &kgraph->oldMapping.domains[oldParts[vertex]]) == 0) {
            receive(domain, pull);
            break;
          }
        }
      }
      GraphNum best = domainOf[vertex];
      float bestValue = -1.0f;
      for (GraphNum index = 0; index < touchedCount; index++) {
        const GraphNum domain = touched[index];
        const float value = liquid[domain] * scale[domain];
        if ((value > bestValue) || ((value == bestValue) && (domain == domainOf[vertex]))) {
          bestValue = value;
          best = domain;
        }
        seen[domain] = 0;
      }
      nextDomain[vertex] = best;
      nextAmount[vertex] = (liquid[best] < 1.0f) ? liquid[best] : 1.0f;
      changes += (best != domainOf[vertex]);
    }
    memcpy(domainOf + base, nextDomain + base, static_cast<size_t>(graph.vertexCount) * sizeof(GraphNum));
    memcpy(amount + base, nextAmount + base, static_cast<size_t>(graph.vertexCount) * sizeof(float));
    if (changes == 0) break;
  }
  return 0;
}

}  // namespace

int kgraphMapDf(Kgraph* kgraph, const void* parameters) {
  const KgraphMapDfParam* param = static_cast<const KgraphMapDfParam*>(parameters);
  const Graph& graph = kgraph->graph;
  const GraphNum base = graph.base;
  if (kgraph->mapping.domainCount == 0) kgraphFirst(kgraph);
  kgraphCost(kgraph);  // the target loads of the current domains

  const size_t count = static_cast<size_t>(graph.vertexCount);
  float* amount;
  float* nextAmount;
  GraphNum* domainOf;
  GraphNum* nextDomain;
  GraphNum* loadSum;
  ScratchBlock block(memGroupAlloc({memEntry(amount, count * sizeof(float)), memEntry(nextAmount, count * sizeof(float)),
                                    memEntry(domainOf, count * sizeof(GraphNum)),
                                    memEntry(nextDomain, count * sizeof(GraphNum)),
                                    memEntry(loadSum, count * sizeof(GraphNum))}));
  if (block == nullptr) {
    errorPrint("kgraphMapDf: out of memory (1)");
    return 1;
  }
  amount -= base;
  nextAmount -= base;
  domainOf -= base;
  nextDomain -= base;
  loadSum -= base;

  bool isolated = false;
  for (GraphNum vertex = base; vertex < graph.vertexEnd; vertex++) {
    int64_t sum = 0;
    for (GraphNum edge = graph.edgeBegin[vertex]; edge < graph.edgeEnd[vertex]; edge++)
      sum += (graph.edgeLoad != nullptr) ? graph.edgeLoad[edge] : 1;
    loadSum[vertex] = static_cast<GraphNum>((sum > INT32_MAX) ? INT32_MAX : sum);
    isolated |= (sum == 0);
    amount[vertex] = 1.0f;
    domainOf[vertex] = kgraph->mapping.parts[vertex];
  }
  // A vertex without edges would receive nothing: the diffusion does not
  // apply, and the mapping stays as it is.
  if (!isolated && (kgraphMapDfSeq(kgraph, param, amount, domainOf, nextAmount, nextDomain, loadSum) != 0)) return 1;
  if (!isolated)
    memcpy(kgraph->mapping.parts + base, domainOf + base, count * sizeof(GraphNum));
  kgraphFrontier(kgraph);
  kgraphCost(kgraph);
  return 0;
}
