#include "hall_order_support.h"

#include <algorithm>
#include <random>

#include "front/fill_stats.h"
#include "order/hall_order_hx.h"

HandHalo::HandHalo(GraphNum base, GraphNum vertexCount, GraphNum nonHaloCount,
                   const std::vector<std::pair<GraphNum, GraphNum>>& edges, const std::vector<GraphNum>& vertexLoads,
                   const std::vector<GraphNum>& vertexNumbers)
    : loads(vertexLoads), numbers(vertexNumbers) {
  const GraphNum nonHaloEndVertex = base + nonHaloCount;
  std::vector<std::vector<GraphNum>> inner(vertexCount), outer(vertexCount);
  for (auto [a, b] : edges) {
    (b < nonHaloEndVertex ? inner : outer)[a - base].push_back(b);
    (a < nonHaloEndVertex ? inner : outer)[b - base].push_back(a);
  }
  begin.resize(vertexCount);
  end.resize(vertexCount);
  nonHaloEnd.resize(std::max<GraphNum>(nonHaloCount, 1));
  GraphNum nonHaloArcs = 0;
  GraphNum maxDegree = 0;
  for (GraphNum v = 0; v < vertexCount; v++) {
    begin[v] = base + static_cast<GraphNum>(target.size());
    for (GraphNum w : inner[v]) target.push_back(w);
    if (v < nonHaloCount) {
      nonHaloEnd[v] = base + static_cast<GraphNum>(target.size());
      nonHaloArcs += static_cast<GraphNum>(inner[v].size());
    }
    for (GraphNum w : outer[v]) target.push_back(w);
    end[v] = base + static_cast<GraphNum>(target.size());
    maxDegree = std::max(maxDegree, end[v] - begin[v]);
  }
  if (target.empty()) target.push_back(0);  // keep data() valid
  GraphNum loadSum = vertexCount, nonHaloLoadSum = nonHaloCount;
  if (!loads.empty()) {
    loadSum = nonHaloLoadSum = 0;
    for (GraphNum v = 0; v < vertexCount; v++) {
      loadSum += loads[v];
      if (v < nonHaloCount) nonHaloLoadSum += loads[v];
    }
  }
  Graph& core = halo.graph;
  graphInit(&core);
  core.flags = 0;
  core.base = base;
  core.vertexCount = vertexCount;
  core.vertexEnd = base + vertexCount;
  core.edgeBegin = begin.data() - base;
  core.edgeEnd = end.data() - base;
  core.vertexLoad = loads.empty() ? nullptr : loads.data() - base;
  core.vertexLoadSum = loadSum;
  core.vertexNumber = numbers.empty() ? nullptr : numbers.data() - base;
  core.vertexLabel = nullptr;
  core.arcCount = static_cast<GraphNum>(2 * edges.size());
  core.edgeTarget = target.data() - base;
  core.edgeLoad = nullptr;
  core.edgeLoadSum = core.arcCount;
  core.maxDegree = maxDegree;
  core.reserved = nullptr;
  halo.nonHaloVertexCount = nonHaloCount;
  halo.nonHaloVertexEnd = nonHaloEndVertex;
  halo.nonHaloEdgeEnd = nonHaloEnd.data() - base;
  halo.nonHaloVertexLoadSum = nonHaloLoadSum;
  halo.nonHaloArcCount = nonHaloArcs;
  halo.nonHaloEdgeLoadSum = nonHaloArcs;
  halo.level = 0;
}

std::vector<std::pair<GraphNum, GraphNum>> randomHaloEdges(uint32_t seed, GraphNum base, GraphNum vertexCount,
                                                            GraphNum nonHaloCount, double probability,
                                                            double haloProbability) {
  std::mt19937 generator(seed);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  for (GraphNum a = 0; a < nonHaloCount; a++)
    for (GraphNum b = a + 1; b < vertexCount; b++)
      if (uniform(generator) < (b < nonHaloCount ? probability : haloProbability)) edges.push_back({base + a, base + b});
  std::shuffle(edges.begin(), edges.end(), generator);  // arbitrary arc orders
  return edges;
}

KernelRun runKernel(const Hgraph& graph, bool fill, GraphNum iwlen) {
  const GraphNum n = graph.graph.vertexCount;
  const GraphNum bound = graph.graph.vertexLoadSum;
  if (iwlen == 0) iwlen = hallOrderHxWorkspaceSize(&graph);
  KernelRun run;
  for (auto* array : {&run.start, &run.length, &run.weight, &run.elementLength, &run.last, &run.degree, &run.next})
    array->assign(n + 1, -7);
  run.work.assign(n + 1, -7);
  run.workspace.assign(static_cast<size_t>(iwlen) + 1, -7);
  const GraphNum lastList = hallOrderHxLastList(n, iwlen, (fill ? 2 : 1) * int64_t{bound});
  run.head.assign(static_cast<size_t>(lastList) + 1, -7);
  GraphNum freePosition = 0;
  hallOrderHxConvert(&graph, run.start.data(), run.length.data(), run.workspace.data(), run.weight.data(),
                     run.elementLength.data(), &freePosition);
  if (fill)
    hallOrderHfR3Hamdf4(bound, n, 0, iwlen, run.start.data(), freePosition, run.length.data(), run.workspace.data(),
                        run.weight.data(), run.elementLength.data(), run.last.data(), &run.compressions,
                        run.degree.data(), run.head.data(), lastList, run.next.data(), run.work.data());
  else
    hallOrderHdR2Halmd(bound, n, 0, iwlen, run.start.data(), freePosition, run.length.data(), run.workspace.data(),
                       run.weight.data(), run.elementLength.data(), run.last.data(), &run.compressions,
                       run.degree.data(), run.head.data(), lastList, run.next.data(), run.work.data());
  return run;
}

std::vector<GraphNum> columnCountsWithHaloLast(const Hgraph& graph, const std::vector<GraphNum>& nonHaloOrder) {
  const Graph& core = graph.graph;
  std::vector<GraphNum> permutation(core.vertexCount, -1);
  GraphNum position = core.base;
  for (GraphNum vertex : nonHaloOrder) permutation[vertex - core.base] = position++;
  for (GraphNum vertex = graph.nonHaloVertexEnd; vertex < core.vertexEnd; vertex++)
    permutation[vertex - core.base] = position++;
  std::vector<GraphNum> counts(core.vertexCount);
  FillStats stats;
  EXPECT_EQ(fillStatsCompute(&core, permutation.data(), &stats, counts.data()), 0);
  return counts;
}

::testing::AssertionResult blocksAreSupernodes(const std::vector<GraphNum>& columnCounts,
                                               const std::vector<GraphNum>& blockSizes) {
  size_t position = 0;
  for (size_t block = 0; block < blockSizes.size(); block++) {
    for (GraphNum k = 1; k < blockSizes[block]; k++)
      if (columnCounts[position + k] != columnCounts[position] - k)
        return ::testing::AssertionFailure() << "block " << block << " (positions " << position << " to "
                                             << position + blockSizes[block] - 1 << "): column " << position + k
                                             << " has " << columnCounts[position + k] << " entries below the "
                                             << "diagonal, column " << position << " has " << columnCounts[position];
    position += blockSizes[block];
  }
  if (position > columnCounts.size()) return ::testing::AssertionFailure() << "blocks cover too many positions";
  return ::testing::AssertionSuccess();
}
