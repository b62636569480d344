// The elimination kernels (minimum degree and minimum fill), the halo graph
// conversion and the assembly-tree builder, each checked on its own.
#include <algorithm>
#include <map>
#include <random>

#include "front/fill_stats.h"
#include "hall_order_support.h"
#include "order/hall_order_hx.h"
#include "order_verify.h"
#include "support/test_support.h"

namespace {

// Kernel numbering (from 1) to vertex numbers and back.
GraphNum vertexOf(const Hgraph& graph, GraphNum i) { return graph.graph.base + i - 1; }

// The vertex that stands for i in the output: itself for a pivot, the
// vertex named by its start entry otherwise.
GraphNum ownerOf(const KernelRun& run, GraphNum i) { return run.weight[i] > 0 ? i : -run.start[i]; }

// The output contract of a kernel run:
// - last[] is a permutation of 1 .. n, the vertices of each pivot's group
//   (the pivot and the vertices it represents) taking consecutive positions,
//   the pivot first, the halo after every non-halo vertex;
// - every non-halo vertex is a pivot, or has weight 0 and is represented
//   by a pivot or a halo vertex;
// - the father of a pivot is a pivot eliminated later, or there is none;
// - with unit loads, eliminating in that sequence (halo last), the first
//   column of each group has weight[pivot] - 1 entries below the diagonal,
//   and the group is a supernode of the factor.
::testing::AssertionResult kernelContractHolds(const Hgraph& graph, const KernelRun& run, bool unitLoads) {
  const GraphNum n = graph.graph.vertexCount;
  const GraphNum m = graph.nonHaloVertexCount;
  if (run.compressions < 0) return ::testing::AssertionFailure() << "kernel failed";
  std::vector<GraphNum> at(n + 1, 0);
  for (GraphNum i = 1; i <= n; i++) {
    if (run.last[i] < 1 || run.last[i] > n || at[run.last[i]] != 0)
      return ::testing::AssertionFailure() << "last[] is not a permutation (vertex " << i << ")";
    at[run.last[i]] = i;
  }
  std::map<GraphNum, std::vector<GraphNum>> groups;  // pivot -> positions of its group
  for (GraphNum i = 1; i <= m; i++) {
    if (run.weight[i] < 0) return ::testing::AssertionFailure() << "negative weight at " << i;
    if (run.weight[i] > 0) {
      if (run.start[i] > 0) return ::testing::AssertionFailure() << "pivot " << i << " has start " << run.start[i];
      GraphNum father = -run.start[i];
      if (father >= 1 && father <= m) {
        if (run.weight[father] <= 0) return ::testing::AssertionFailure() << "father of " << i << " is no pivot";
        if (run.last[father] <= run.last[i])
          return ::testing::AssertionFailure() << "father of " << i << " eliminated before it";
      }
    } else {
      GraphNum owner = -run.start[i];
      if (owner < 1 || owner > n) return ::testing::AssertionFailure() << i << " has no representative";
      if (owner <= m && run.weight[owner] <= 0)
        return ::testing::AssertionFailure() << "representative of " << i << " is no pivot";
    }
    GraphNum owner = ownerOf(run, i);
    if (owner <= m) groups[owner].push_back(run.last[i]);
  }
  for (GraphNum i = m + 1; i <= n; i++)
    if (run.last[i] <= m) return ::testing::AssertionFailure() << "halo vertex " << i << " placed among non-halo";
  for (auto& [pivot, positions] : groups) {
    std::sort(positions.begin(), positions.end());
    if (positions.back() - positions.front() + 1 != static_cast<GraphNum>(positions.size()))
      return ::testing::AssertionFailure() << "group of pivot " << pivot << " is not consecutive";
    if (positions.front() != run.last[pivot])
      return ::testing::AssertionFailure() << "pivot " << pivot << " is not first in its group";
  }
  if (!unitLoads) return ::testing::AssertionSuccess();
  std::vector<GraphNum> order;
  for (GraphNum position = 1; position <= m; position++) order.push_back(vertexOf(graph, at[position]));
  std::vector<GraphNum> counts = columnCountsWithHaloLast(graph, order);
  for (auto& [pivot, positions] : groups) {
    GraphNum first = positions.front() - 1;
    if (counts[first] + 1 != run.weight[pivot])
      return ::testing::AssertionFailure() << "pivot " << pivot << " has front " << run.weight[pivot]
                                           << " but its first column has " << counts[first] + 1 << " entries";
    std::vector<GraphNum> tail(counts.begin() + first, counts.end());
    auto supernode = blocksAreSupernodes(tail, {static_cast<GraphNum>(positions.size())});
    if (!supernode) return supernode << " (group of pivot " << pivot << ")";
  }
  return ::testing::AssertionSuccess();
}

class HallOrderKernel : public ::testing::TestWithParam<bool> {};  // parameter: minimum fill

TEST_P(HallOrderKernel, ContractHoldsOnRandomHaloGraphs) {
  std::mt19937 generator(12345);
  for (uint32_t seed = 1; seed <= 60; seed++) {
    GraphNum vertexCount = 1 + static_cast<GraphNum>(generator() % 45);
    GraphNum nonHaloCount = 1 + static_cast<GraphNum>(generator() % vertexCount);
    double probability = 0.03 + 0.4 * (generator() % 100) / 100.0;
    double haloProbability = 0.05 + 0.4 * (generator() % 100) / 100.0;
    GraphNum base = seed % 2;
    HandHalo graph(base, vertexCount, nonHaloCount,
                   randomHaloEdges(seed, base, vertexCount, nonHaloCount, probability, haloProbability));
    ASSERT_EQ(graphCheck(&graph.halo.graph), 0);
    KernelRun run = runKernel(graph.halo, GetParam());
    EXPECT_TRUE(kernelContractHolds(graph.halo, run, true)) << "seed " << seed;
  }
}

// Loads act as vertex multiplicities: a vertex of load k behaves as k
// indistinguishable vertices. The fronts of a loaded graph must therefore be
// the column counts of the graph where each vertex is expanded into a
// clique of its load, eliminated in the same sequence.
TEST_P(HallOrderKernel, FrontsCountLoads) {
  for (uint32_t seed = 1; seed <= 12; seed++) {
    std::mt19937 generator(seed * 7919);
    const GraphNum vertexCount = 24, nonHaloCount = 18;
    std::vector<GraphNum> loads(vertexCount);
    for (GraphNum& load : loads) load = 1 + static_cast<GraphNum>(generator() % 3);
    auto edges = randomHaloEdges(seed, 0, vertexCount, nonHaloCount, 0.15, 0.2);
    HandHalo graph(0, vertexCount, nonHaloCount, edges, loads);
    KernelRun run = runKernel(graph.halo, GetParam());
    ASSERT_TRUE(kernelContractHolds(graph.halo, run, false)) << "seed " << seed;

    // Expanded graph: copies of vertex v are firstCopy[v] .. firstCopy[v] + load - 1.
    std::vector<GraphNum> firstCopy(vertexCount + 1, 0);
    for (GraphNum v = 0; v < vertexCount; v++) firstCopy[v + 1] = firstCopy[v] + loads[v];
    std::vector<std::pair<GraphNum, GraphNum>> expandedEdges;
    for (GraphNum v = 0; v < vertexCount; v++)
      for (GraphNum a = firstCopy[v]; a < firstCopy[v + 1]; a++)
        for (GraphNum b = a + 1; b < firstCopy[v + 1]; b++) expandedEdges.push_back({a, b});
    for (auto [u, v] : edges)
      for (GraphNum a = firstCopy[u]; a < firstCopy[u + 1]; a++)
        for (GraphNum b = firstCopy[v]; b < firstCopy[v + 1]; b++) expandedEdges.push_back({a, b});
    Graph expanded;
    buildGraph(&expanded, 0, firstCopy[vertexCount], expandedEdges);
    std::vector<GraphNum> byPosition(vertexCount + 1);
    for (GraphNum i = 1; i <= vertexCount; i++) byPosition[run.last[i]] = i - 1;
    std::vector<GraphNum> permutation(firstCopy[vertexCount]);
    GraphNum position = 0;
    std::vector<GraphNum> firstPosition(vertexCount);
    for (GraphNum k = 1; k <= vertexCount; k++) {
      GraphNum v = byPosition[k];
      firstPosition[v] = position;
      for (GraphNum a = firstCopy[v]; a < firstCopy[v + 1]; a++) permutation[a] = position++;
    }
    std::vector<GraphNum> counts(firstCopy[vertexCount]);
    FillStats stats;
    ASSERT_EQ(fillStatsCompute(&expanded, permutation.data(), &stats, counts.data()), 0);
    // The first column of a group is the first copy of its first vertex.
    std::map<GraphNum, GraphNum> groupStart;
    for (GraphNum i = 1; i <= nonHaloCount; i++) {
      GraphNum owner = ownerOf(run, i);
      GraphNum first = firstPosition[i - 1];
      if (!groupStart.count(owner) || first < groupStart[owner]) groupStart[owner] = first;
    }
    for (auto [pivot, first] : groupStart)
      EXPECT_EQ(counts[first] + 1, run.weight[pivot]) << "seed " << seed << " pivot " << pivot;
    graphExit(&expanded);
  }
}

// Compression slides the lists without changing them: the smallest
// workspace that holds the arcs must give exactly the same result as the
// default one, after many compressions.
TEST_P(HallOrderKernel, CompressionLeavesTheResultUnchanged) {
  const GraphNum side = 14;
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  const GraphNum nonHaloCount = side * side;
  for (GraphNum y = 0; y < side; y++)
    for (GraphNum x = 0; x < side; x++) {
      GraphNum v = y * side + x;
      if (x + 1 < side) edges.push_back({v, v + 1});
      if (y + 1 < side) edges.push_back({v, v + side});
      if (x + 1 < side && y + 1 < side) edges.push_back({v, v + side + 1});
    }
  for (GraphNum x = 0; x < side; x++) {  // a halo row under the last row, each joined to two vertices
    edges.push_back({(side - 1) * side + x, nonHaloCount + x});
    if (x + 1 < side) edges.push_back({(side - 1) * side + x + 1, nonHaloCount + x});
  }
  HandHalo graph(0, nonHaloCount + side, nonHaloCount, edges);
  KernelRun roomy = runKernel(graph.halo, GetParam());
  KernelRun tight = runKernel(graph.halo, GetParam(), graph.halo.graph.arcCount);
  ASSERT_TRUE(kernelContractHolds(graph.halo, roomy, true));
  EXPECT_GT(tight.compressions, roomy.compressions);
  EXPECT_EQ(tight.start, roomy.start);
  EXPECT_EQ(tight.weight, roomy.weight);
  EXPECT_EQ(tight.last, roomy.last);
}

// Vertices without neighbours are eliminated before anything else, in
// vertex order, each a root whose front is its own load; a halo vertex
// without arcs is never eliminated.
TEST_P(HallOrderKernel, IsolatedVerticesComeFirst) {
  // Vertices 1..6 (base 1): 2 and 5 isolated; 1-3-4 a path; 6 is halo, joined to 4; 7 is halo without arcs.
  HandHalo graph(1, 7, 5, {{1, 3}, {3, 4}, {4, 6}}, {1, 4, 1, 1, 2, 1, 1});
  KernelRun run = runKernel(graph.halo, GetParam());
  ASSERT_TRUE(kernelContractHolds(graph.halo, run, false));
  EXPECT_EQ(run.last[2], 1);
  EXPECT_EQ(run.last[5], 2);
  EXPECT_EQ(run.weight[2], 4);
  EXPECT_EQ(run.weight[5], 2);
  EXPECT_EQ(run.start[2], 0);
  EXPECT_EQ(run.start[5], 0);
  EXPECT_GT(run.last[7], 5);
}

// The halo counts in the degrees: on the path a - b - c where c also has
// two halo neighbours, a is the only vertex of degree 1, then b is left
// with degree 1 against 3 for c; c goes last. The front of c holds the two
// halo vertices.
TEST_P(HallOrderKernel, HaloCountsInDegrees) {
  // a = 1, b = 2, c = 3 (base 1), halo 4 and 5.
  HandHalo graph(1, 5, 3, {{1, 2}, {2, 3}, {3, 4}, {3, 5}});
  KernelRun run = runKernel(graph.halo, GetParam());
  ASSERT_TRUE(kernelContractHolds(graph.halo, run, true));
  EXPECT_LT(run.last[1], run.last[2]);
  EXPECT_LT(run.last[2], run.last[3]);
  EXPECT_GT(run.weight[3], 0);
  EXPECT_EQ(run.weight[3], 3);
}

// Heavy halo neighbours push the scores far up: a touches two halo
// vertices of load 40,000, x only one of them, so a's degree and fill
// (about 6.4e9 pairs, 3.2e9 per unit of weight plus one) are four times
// x's. x must still come first once a's score passes 2^31.
TEST_P(HallOrderKernel, LargerScoresComeLaterBeyondTheIntegerRange) {
  // a = 0, x = 1 (base 0), halo 2 and 3.
  HandHalo graph(0, 4, 2, {{0, 2}, {0, 3}, {1, 2}}, {1, 1, 40000, 40000});
  KernelRun run = runKernel(graph.halo, GetParam());
  ASSERT_TRUE(kernelContractHolds(graph.halo, run, false));
  EXPECT_LT(run.last[2], run.last[1]);
}

TEST_P(HallOrderKernel, RefusesPreformedElements) {
  HandHalo graph(0, 3, 3, {{0, 1}, {1, 2}});
  const Hgraph& halo = graph.halo;
  KernelRun run;
  for (auto* array : {&run.start, &run.length, &run.weight, &run.elementLength, &run.last, &run.degree, &run.next})
    array->assign(4, 0);
  run.work.assign(4, 0);
  GraphNum iwlen = hallOrderHxWorkspaceSize(&halo);
  run.workspace.assign(iwlen + 1, 0);
  run.head.assign(8, 0);
  GraphNum freePosition;
  hallOrderHxConvert(&halo, run.start.data(), run.length.data(), run.workspace.data(), run.weight.data(),
                     run.elementLength.data(), &freePosition);
  ErrorCapture capture;
  if (GetParam())
    hallOrderHfR3Hamdf4(3, 3, 1, iwlen, run.start.data(), freePosition, run.length.data(), run.workspace.data(),
                        run.weight.data(), run.elementLength.data(), run.last.data(), &run.compressions,
                        run.degree.data(), run.head.data(), 6, run.next.data(), run.work.data());
  else
    hallOrderHdR2Halmd(3, 3, 1, iwlen, run.start.data(), freePosition, run.length.data(), run.workspace.data(),
                       run.weight.data(), run.elementLength.data(), run.last.data(), &run.compressions,
                       run.degree.data(), run.head.data(), 7, run.next.data(), run.work.data());
  EXPECT_LT(run.compressions, 0);
  EXPECT_EQ(capture.first(), GetParam() ? "ERROR: hallOrderHfR3Hamdf4: internal error (1)"
                                        : "ERROR: hallOrderHdR2Halmd: internal error (1)");
}

// Dense vertices: a vertex joined to more than max(16, 10 sqrt(n)) others
// is taken out before the elimination and ordered after every other
// non-halo vertex; a dense halo vertex stops counting in the degrees.

// The father of pivot i, or 0 for a root.
GraphNum fatherOf(const KernelRun& run, GraphNum i) { return run.start[i] < 0 ? -run.start[i] : 0; }

// The root reached from pivot i through its fathers, or 0 on a cycle.
GraphNum rootOf(const KernelRun& run, GraphNum i, GraphNum n) {
  for (GraphNum steps = 0; steps <= n; steps++) {
    GraphNum father = fatherOf(run, i);
    if (father == 0) return i;
    i = father;
  }
  return 0;
}

// A path of 200 (vertices 0 to 199), a clique of 20 (200 to 219) hanging
// from the path's end, and vertex 220 joined to every path vertex. Plain
// minimum degree eliminates 220 as soon as the path is gone, its degree
// having fallen below that of the clique vertices (19 and more); with 200
// neighbours, more than 10 sqrt(221), it is dense and goes last instead.
TEST_P(HallOrderKernel, DenseVertexIsOrderedLast) {
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  for (GraphNum v = 0; v + 1 < 200; v++) edges.push_back({v, v + 1});
  for (GraphNum v = 200; v < 220; v++)
    for (GraphNum u = v + 1; u < 220; u++) edges.push_back({v, u});
  edges.push_back({199, 200});
  for (GraphNum v = 0; v < 200; v++) edges.push_back({v, 220});
  HandHalo graph(0, 221, 221, edges);
  KernelRun run = runKernel(graph.halo, GetParam());
  ASSERT_TRUE(kernelContractHolds(graph.halo, run, false));
  const GraphNum hub = 221;  // kernel numbering
  EXPECT_EQ(run.last[hub], 221);
  EXPECT_GT(run.weight[hub], 0);
  EXPECT_EQ(run.start[hub], 0);
  for (GraphNum i = 1; i <= 220; i++) {
    if (run.weight[i] > 0) {
      EXPECT_EQ(rootOf(run, i, 221), hub) << "pivot " << i;
    }
  }
}

// A 12 x 12 grid with a halo vertex joined to all of its 144 vertices
// (more than 10 sqrt(145)): the elimination is the one of the grid alone,
// fronts included, and the halo vertex comes back as a halo vertex, last.
TEST_P(HallOrderKernel, DenseHaloVertexIsLeftOut) {
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  for (GraphNum y = 0; y < 12; y++)
    for (GraphNum x = 0; x < 12; x++) {
      if (x + 1 < 12) edges.push_back({12 * y + x, 12 * y + x + 1});
      if (y + 1 < 12) edges.push_back({12 * y + x, 12 * y + x + 12});
    }
  HandHalo alone(0, 144, 144, edges);
  for (GraphNum v = 0; v < 144; v++) edges.push_back({v, 144});
  HandHalo withHub(0, 145, 144, edges);
  KernelRun expected = runKernel(alone.halo, GetParam());
  KernelRun run = runKernel(withHub.halo, GetParam());
  ASSERT_TRUE(kernelContractHolds(alone.halo, expected, true));
  ASSERT_TRUE(kernelContractHolds(withHub.halo, run, false));
  for (GraphNum i = 1; i <= 144; i++) {
    EXPECT_EQ(run.last[i], expected.last[i]) << i;
    EXPECT_EQ(run.weight[i], expected.weight[i]) << i;
    EXPECT_EQ(run.start[i], expected.start[i]) << i;
  }
  EXPECT_EQ(run.last[145], 145);
  EXPECT_EQ(run.weight[145], 1);
}

// Every vertex of a complete graph of 120 is dense: none is left to the
// elimination loop, and the whole graph is one front of 120.
TEST_P(HallOrderKernel, AllVerticesDense) {
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  for (GraphNum v = 0; v < 120; v++)
    for (GraphNum u = v + 1; u < 120; u++) edges.push_back({v, u});
  HandHalo graph(0, 120, 120, edges);
  KernelRun run = runKernel(graph.halo, GetParam());
  ASSERT_TRUE(kernelContractHolds(graph.halo, run, true));
  GraphNum pivots = 0;
  for (GraphNum i = 1; i <= 120; i++)
    if (run.weight[i] > 0) {
      pivots++;
      EXPECT_EQ(run.weight[i], 120);
    }
  EXPECT_EQ(pivots, 1);
}

// Sparse random halo graphs with loads, three non-halo and two halo hubs
// joined to 180 of the 250 non-halo vertices (more than 10 sqrt(300)): the
// output contract holds, the non-halo hubs take the last non-halo
// positions and are one group whose front counts the hubs' loads and
// their halo neighbours.
TEST_P(HallOrderKernel, DenseVerticesOnRandomGraphs) {
  for (uint32_t seed = 1; seed <= 6; seed++) {
    std::mt19937 generator(seed);
    const GraphNum vertexCount = 300, nonHaloCount = 250;
    const std::vector<GraphNum> hubs = {3, 120, 249, 260, 299};  // the last two are halo
    auto edges = randomHaloEdges(seed, 0, vertexCount, nonHaloCount, 0.01, 0.01);
    std::vector<GraphNum> loads(vertexCount);
    for (GraphNum& load : loads) load = 1 + static_cast<GraphNum>(generator() % 3);
    for (GraphNum hub : hubs) {
      std::vector<GraphNum> others;
      for (GraphNum v = 0; v < nonHaloCount; v++)
        if (std::find(hubs.begin(), hubs.end(), v) == hubs.end()) others.push_back(v);
      std::shuffle(others.begin(), others.end(), generator);
      for (GraphNum k = 0; k < 180; k++) edges.push_back({std::min(hub, others[k]), std::max(hub, others[k])});
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    HandHalo graph(0, vertexCount, nonHaloCount, edges, loads);
    KernelRun run = runKernel(graph.halo, GetParam());
    ASSERT_TRUE(kernelContractHolds(graph.halo, run, false)) << "seed " << seed;
    std::vector<GraphNum> hubPositions;
    for (GraphNum k = 0; k < 3; k++) hubPositions.push_back(run.last[hubs[k] + 1]);
    std::sort(hubPositions.begin(), hubPositions.end());
    EXPECT_EQ(hubPositions, (std::vector<GraphNum>{248, 249, 250})) << "seed " << seed;
    GraphNum front = loads[3] + loads[120] + loads[249];
    std::vector<bool> counted(vertexCount, false);
    for (auto [u, v] : edges)
      if ((u == 3 || u == 120 || u == 249) && v >= nonHaloCount && !counted[v]) {
        counted[v] = true;
        front += loads[v];
      }
    GraphNum pivot = run.weight[4] > 0 ? 4 : -run.start[4];
    EXPECT_EQ(run.weight[pivot], front) << "seed " << seed;
    for (GraphNum k = 3; k < 5; k++) EXPECT_GT(run.last[hubs[k] + 1], nonHaloCount) << "seed " << seed;
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, HallOrderKernel, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "MinimumFill" : "MinimumDegree");
                         });

// ---------------------------------------------------------------------------
// Conversion

TEST(HallOrderConvert, FillsTheKernelInput) {
  // Base 1: non-halo 1, 2, 3; halo 4 (joined to 3) and 5 (no arcs). Loads 2 .. 6.
  HandHalo graph(1, 5, 3, {{1, 2}, {3, 4}, {2, 3}}, {2, 3, 4, 5, 6});
  KernelRun run;
  for (auto* array : {&run.start, &run.length, &run.weight, &run.elementLength}) array->assign(6, -7);
  run.workspace.assign(20, -7);
  GraphNum freePosition = 0;
  hallOrderHxConvert(&graph.halo, run.start.data(), run.length.data(), run.workspace.data(), run.weight.data(),
                     run.elementLength.data(), &freePosition);
  // Arcs: 1: {2}; 2: {1, 3}; 3: {2, 4} (non-halo first); 4: {3}; 5: none.
  EXPECT_EQ(std::vector<GraphNum>(run.start.begin() + 1, run.start.end()), (std::vector<GraphNum>{1, 2, 4, 6, 7}));
  EXPECT_EQ(std::vector<GraphNum>(run.length.begin() + 1, run.length.end()),
            (std::vector<GraphNum>{1, 2, 2, -1, -(2 + 3 + 4 + 5 + 6 + 1)}));
  EXPECT_EQ(std::vector<GraphNum>(run.workspace.begin() + 1, run.workspace.begin() + 7),
            (std::vector<GraphNum>{2, 1, 3, 2, 4, 3}));
  EXPECT_EQ(std::vector<GraphNum>(run.weight.begin() + 1, run.weight.end()), (std::vector<GraphNum>{2, 3, 4, 5, 6}));
  EXPECT_EQ(std::vector<GraphNum>(run.elementLength.begin() + 1, run.elementLength.end()),
            (std::vector<GraphNum>(5, 0)));
  EXPECT_EQ(freePosition, 7);
}

TEST(HallOrderConvert, WorkspaceHasRoomForElements) {
  // 1.2 x arcs + 32, but never fewer entries than vertices.
  HandHalo path(0, 11, 11, {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}, {6, 7}, {7, 8}, {8, 9}, {9, 10}});
  EXPECT_EQ(hallOrderHxWorkspaceSize(&path.halo), 24 + 32);
  std::vector<std::pair<GraphNum, GraphNum>> none;
  HandHalo isolated(0, 100, 100, none);
  EXPECT_EQ(hallOrderHxWorkspaceSize(&isolated.halo), 100);
}

// ---------------------------------------------------------------------------
// Builder, on kernel outputs written by hand (start entries in the kernel's
// numbering from 1, whatever the base).

struct BuildCase {
  GraphNum base;
  GraphNum vertexCount;
  GraphNum nonHaloCount;
  std::vector<GraphNum> weight, start, loads, numbers;
};

struct BuildResult {
  int status;
  std::vector<GraphNum> inverse;   // the written positions
  std::vector<GraphNum> leaves;    // column-block sizes
  std::vector<GraphNum> weight;    // weights after merging
  GraphNum columnBlockCount;
  GraphNum treeNodeCount;
  bool valid;
};

BuildResult build(BuildCase input, GraphNum cmin, GraphNum cmax, double frat, GraphNum startPosition = 0) {
  const GraphNum n = input.vertexCount;
  std::vector<GraphNum> size(n), firstSon(n), nextBrother(n), blockList(n), blockTail(n), pending(n), queue(n);
  Order order;
  orderInit(&order, input.base, startPosition + input.nonHaloCount, nullptr);
  for (GraphNum k = 0; k < startPosition; k++) order.inversePermutation[k] = input.base + input.nonHaloCount + k;
  const GraphNum b = input.base;
  BuildResult result;
  result.status = hallOrderHxBuild(b, n, input.nonHaloCount, input.numbers.empty() ? nullptr : input.numbers.data() - b,
                                   &order, &order.rootBlock, input.weight.data() - b, size.data() - b, frat,
                                   input.loads.empty() ? nullptr : input.loads.data() - b, input.start.data() - b,
                                   firstSon.data() - b, nextBrother.data() - b, blockList.data() - b, blockTail.data() - b,
                                   pending.data() - b, order.inversePermutation + startPosition, queue.data() - b,
                                   cmin, cmax);
  result.inverse.assign(order.inversePermutation + startPosition,
                        order.inversePermutation + startPosition + input.nonHaloCount);
  result.leaves = leafSizes(order.rootBlock);
  result.weight = input.weight;
  result.columnBlockCount = order.columnBlockCount;
  result.treeNodeCount = order.treeNodeCount;
  result.valid = startPosition == 0 && result.status == 0 && orderIsValid(order);
  orderExit(&order);
  return result;
}

// Base 1, vertices 1..5 non-halo, 6 halo:
//   1: node, father 3;  2: held by 3;  3: root;  4: root;  5: held by halo 6.
// 5 becomes a proxy root, the last root met, so its subtree comes first;
// then the roots 3 and 4 in vertex order; 3's subtree is its son 1, then 3
// and its block (2).
BuildCase smallForest() { return {1, 6, 5, {2, 0, 4, 2, 0, 1}, {-3, -3, 0, 0, -6, 0}, {}, {}}; }

TEST(HallOrderBuild, WritesAPostorderWithTheLastRootFirst) {
  BuildResult result = build(smallForest(), 0, 1000, 0.0);
  ASSERT_EQ(result.status, 0);
  EXPECT_EQ(result.inverse, (std::vector<GraphNum>{5, 1, 3, 2, 4}));
  EXPECT_EQ(result.leaves, (std::vector<GraphNum>{1, 1, 2, 1}));
  EXPECT_EQ(result.columnBlockCount, 4);
  EXPECT_EQ(result.treeNodeCount, 5);
  EXPECT_TRUE(result.valid);
}

TEST(HallOrderBuild, SmallBlocksJoinTheirFathers) {
  // cmin 2: node 1 (one vertex) joins 3; its block goes in front of 3's,
  // so the son is still written before its father: 1, 3, then 2 (merged
  // into 3 by the kernel). Roots are never merged, however small.
  BuildResult result = build(smallForest(), 2, 1000, 0.0);
  ASSERT_EQ(result.status, 0);
  EXPECT_EQ(result.inverse, (std::vector<GraphNum>{5, 1, 3, 2, 4}));
  EXPECT_EQ(result.leaves, (std::vector<GraphNum>{1, 3, 1}));
  EXPECT_EQ(result.weight[2], 4 + 1);  // vertex 3 gained the size of 1
  EXPECT_EQ(result.weight[0], 0);
  EXPECT_TRUE(result.valid);
}

TEST(HallOrderBuild, MergedSonsLeaveTheirSonsInPlace) {
  // Base 0, five nodes: 4 is the root with sons 3 and 2 (son list 3, 2:
  // each new son goes first); 2 has sons 1 and 0 (son list 1, 0). With
  // loads, only node 2 (load 1) is below cmin 2: it joins 4, and its sons
  // take its place, giving 4 the son list 3, 1, 0; 4's block is 2 then 4.
  BuildCase input{0, 5, 5, {5, 5, 2, 5, 2}, {-3, -3, -5, -5, 0}, {5, 5, 1, 5, 1}, {}};
  BuildResult result = build(input, 2, 1000, 0.0);
  ASSERT_EQ(result.status, 0);
  EXPECT_EQ(result.inverse, (std::vector<GraphNum>{3, 1, 0, 2, 4}));
  EXPECT_EQ(result.leaves, (std::vector<GraphNum>{1, 1, 1, 2}));
  EXPECT_TRUE(result.valid);
}

TEST(HallOrderBuild, MergingCascadesUpTheTree) {
  // Base 0: chain 0 -> 1 -> 2 (root), one vertex each, cmin 2. Node 0 joins
  // 1, which then holds two vertices and is no longer below cmin.
  BuildCase input{0, 3, 3, {2, 2, 1}, {-2, -3, 0}, {}, {}};
  BuildResult result = build(input, 2, 1000, 0.0);
  EXPECT_EQ(result.inverse, (std::vector<GraphNum>{0, 1, 2}));
  EXPECT_EQ(result.leaves, (std::vector<GraphNum>{2, 1}));
  // With cmin 3, node 1 (two vertices) joins the root too: a single block,
  // and the column block stays a leaf.
  result = build(input, 3, 1000, 0.0);
  EXPECT_EQ(result.inverse, (std::vector<GraphNum>{0, 1, 2}));
  EXPECT_EQ(result.leaves, (std::vector<GraphNum>{3}));
  EXPECT_EQ(result.columnBlockCount, 1);
  EXPECT_EQ(result.treeNodeCount, 1);
  // cmax bounds the merged size whatever cmin says.
  result = build(input, 3, 2, 0.0);
  EXPECT_EQ(result.leaves, (std::vector<GraphNum>{2, 1}));
}

TEST(HallOrderBuild, FillRatioDecidesAtTheBoundary) {
  // Child 0 (one vertex, front 3) under root 1 (front 4): the merge adds
  // 2 x 1 x (1 + 4 - 3) = 4 against 4 x 4 x frat.
  BuildCase input{0, 2, 2, {3, 4}, {-2, 0}, {}, {}};
  EXPECT_EQ(build(input, 0, 1000, 0.25).leaves, (std::vector<GraphNum>{1, 1}));
  EXPECT_EQ(build(input, 0, 1000, 0.26).leaves, (std::vector<GraphNum>{2}));
}

TEST(HallOrderBuild, LoadsRatherThanCountsDriveMerging) {
  // Same chain as above with loads: node 0 weighs 3, not below cmin 2.
  BuildCase input{0, 3, 3, {4, 6, 9}, {-2, -3, 0}, {3, 3, 3}, {}};
  EXPECT_EQ(build(input, 2, 1000, 0.0).leaves, (std::vector<GraphNum>{1, 1, 1}));
  // cmin 4 merges 0 into 1 (loads 3 + 3 = 6 within cmax 6), then node 1
  // (load 6) is no longer below cmin.
  EXPECT_EQ(build(input, 4, 6, 0.0).leaves, (std::vector<GraphNum>{2, 1}));
  // cmax 5 forbids it although two vertices would fit.
  EXPECT_EQ(build(input, 4, 5, 0.0).leaves, (std::vector<GraphNum>{1, 1, 1}));
}

TEST(HallOrderBuild, VerticesHeldByAHaloVertexFormOneRootBlock) {
  // Base 0, non-halo 0..3, halo 4 and 5. 0, 2 and 3 are held by halo 4,
  // 1 is a pivot root. The first of them, 0, stands for the halo vertex;
  // 2 then 3 join it, each right after it. 0 is not the last root met
  // (1 is, then no later root), so 1 comes first.
  BuildCase input{0, 6, 4, {0, 3, 0, 0, 1, 1}, {-5, 0, -5, -5, 0, 0}, {}, {}};
  BuildResult result = build(input, 0, 1000, 0.0);
  ASSERT_EQ(result.status, 0);
  EXPECT_EQ(result.inverse, (std::vector<GraphNum>{1, 0, 3, 2}));
  EXPECT_EQ(result.leaves, (std::vector<GraphNum>{1, 3}));
  EXPECT_EQ(result.weight[0], 3);  // one per vertex held
  EXPECT_TRUE(result.valid);
  // With loads, the proxy weighs the loads of the vertices it holds.
  input.loads = {2, 1, 5, 7, 1, 1};
  result = build(input, 0, 1000, 0.0);
  EXPECT_EQ(result.weight[0], 2 + 5 + 7);
}

TEST(HallOrderBuild, TranslatesVertexNumbersAtTheStartPosition) {
  BuildCase input = smallForest();
  input.numbers = {50, 10, 30, 20, 40, 60};
  BuildResult result = build(input, 0, 1000, 0.0, 3);
  ASSERT_EQ(result.status, 0);
  EXPECT_EQ(result.inverse, (std::vector<GraphNum>{40, 50, 30, 10, 20}));
}

TEST(HallOrderBuild, RefusesATreeThatMissesVertices) {
  // Vertex 1 is held by vertex 0, which is no pivot.
  BuildCase input{0, 3, 3, {0, 0, 2}, {-3, -1, 0}, {}, {}};
  ErrorCapture capture;
  EXPECT_EQ(build(input, 0, 1000, 0.0).status, 1);
  EXPECT_EQ(capture.first(), "ERROR: hallOrderHxBuild: internal error");
  // A cycle of fathers is never reached from a root.
  BuildCase cycle{0, 3, 3, {2, 2, 1}, {-2, -1, 0}, {}, {}};
  ErrorCapture capture2;
  EXPECT_EQ(build(cycle, 0, 1000, 0.0).status, 1);
  EXPECT_EQ(capture2.first(), "ERROR: hallOrderHxBuild: internal error");
}

}  // namespace
