// Consistency check of a bipartition graph, used by the tests of every
// bipartition method and available to debugging code. Every derived figure
// is computed again from the parts array and the graph, in 64 bits.
#include <cmath>
#include <cstdint>
#include <vector>

#include "bgraph/bgraph.h"

int bgraphCheck(const Bgraph* graph) {
  const Graph& core = graph->graph;
  const GraphNum base = core.base;
  const GraphNum vertexEnd = core.vertexEnd;

  if ((graph->parts == nullptr) && (core.vertexCount > 0)) {
    errorPrint("bgraphCheck: no part array");
    return 1;
  }
  if ((graph->frontier == nullptr) && (core.vertexCount > 0)) {
    errorPrint("bgraphCheck: no frontier array");
    return 1;
  }
  if ((graph->frontierCount < 0) || (graph->frontierCount > core.vertexCount)) {
    errorPrint("bgraphCheck: invalid frontier count %d", graph->frontierCount);
    return 1;
  }

  int64_t part0Load = 0;
  GraphNum part0Size = 0;
  int64_t cutLoad = 0;            // both ends of every cut edge
  int64_t externalPart1 = 0;      // external gains of the part-1 vertices
  int64_t externalAll = 0;
  GraphNum boundaryCount = 0;     // vertices with a neighbour in the other part
  std::vector<bool> boundary(static_cast<size_t>(core.vertexCount), false);
  for (GraphNum vertex = base; vertex < vertexEnd; vertex++) {
    const int part = graph->parts[vertex];
    if (part > 1) {
      errorPrint("bgraphCheck: invalid part %d of vertex %d", part, vertex);
      return 1;
    }
    const int64_t external = (graph->externalGain != nullptr) ? graph->externalGain[vertex] : 0;
    externalAll += external;
    if (part == 0) {
      part0Load += (core.vertexLoad != nullptr) ? core.vertexLoad[vertex] : 1;
      part0Size++;
    } else
      externalPart1 += external;
    for (GraphNum edge = core.edgeBegin[vertex]; edge < core.edgeEnd[vertex]; edge++) {
      const GraphNum end = core.edgeTarget[edge];
      if ((end < base) || (end >= vertexEnd)) {
        errorPrint("bgraphCheck: arc end %d of vertex %d out of range", end, vertex);
        return 1;
      }
      if (graph->parts[end] != part) {
        cutLoad += (core.edgeLoad != nullptr) ? core.edgeLoad[edge] : 1;
        if (!boundary[vertex - base]) boundaryCount++;
        boundary[vertex - base] = true;
      }
    }
  }

  if (graph->part0Size != part0Size) {
    errorPrint("bgraphCheck: part-0 size is %d, parts give %d", graph->part0Size, part0Size);
    return 1;
  }
  if (graph->part0Load != part0Load) {
    errorPrint("bgraphCheck: part-0 load is %d, parts give %lld", graph->part0Load,
               static_cast<long long>(part0Load));
    return 1;
  }
  if (static_cast<int64_t>(graph->part0LoadDelta) != part0Load - graph->part0LoadAvg) {
    errorPrint("bgraphCheck: part-0 load delta is %d, parts give %lld", graph->part0LoadDelta,
               static_cast<long long>(part0Load - graph->part0LoadAvg));
    return 1;
  }
  const double balance = bgraphBalance(graph->part0LoadDelta, graph->part0LoadAvg);
  if (!(std::fabs(graph->balance - balance) <= 1e-9 * (1.0 + balance))) {
    errorPrint("bgraphCheck: balance is %g, loads give %g", graph->balance, balance);
    return 1;
  }
  if ((graph->externalGain != nullptr) && (graph->commGainExtn0 != externalAll)) {
    errorPrint("bgraphCheck: external gain of all vertices is %d, external gains give %lld", graph->commGainExtn0,
               static_cast<long long>(externalAll));
    return 1;
  }
  const int64_t commGainExtn = graph->commGainExtn0 - 2 * externalPart1;
  if (graph->commGainExtn != commGainExtn) {
    errorPrint("bgraphCheck: swap gain is %d, parts give %lld", graph->commGainExtn,
               static_cast<long long>(commGainExtn));
    return 1;
  }
  const int64_t commLoad = graph->commLoadExtn0 + externalPart1 + graph->domainDistance * (cutLoad / 2);
  if (graph->commLoad != commLoad) {
    errorPrint("bgraphCheck: communication load is %d, parts give %lld", graph->commLoad,
               static_cast<long long>(commLoad));
    return 1;
  }

  // The frontier lists every boundary vertex exactly once.
  std::vector<bool> listed(static_cast<size_t>(core.vertexCount), false);
  for (GraphNum index = 0; index < graph->frontierCount; index++) {
    const GraphNum vertex = graph->frontier[index];
    if ((vertex < base) || (vertex >= vertexEnd)) {
      errorPrint("bgraphCheck: frontier entry %d out of range", vertex);
      return 1;
    }
    if (!boundary[vertex - base]) {
      errorPrint("bgraphCheck: frontier vertex %d has no neighbour in the other part", vertex);
      return 1;
    }
    if (listed[vertex - base]) {
      errorPrint("bgraphCheck: frontier vertex %d listed twice", vertex);
      return 1;
    }
    listed[vertex - base] = true;
  }
  if (graph->frontierCount != boundaryCount) {
    errorPrint("bgraphCheck: frontier count is %d, parts give %d", graph->frontierCount, boundaryCount);
    return 1;
  }
  return 0;
}
