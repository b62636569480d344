// Ordering methods d (halo minimum degree) and f (halo minimum fill), run
// as the dispatcher runs them: halo graphs built by hand, induced from the
// shared graphs, and whole shared graphs.
#include <algorithm>
#include <random>

#include "front/fill_stats.h"
#include "hall_order_support.h"
#include "order/hgraph_order_methods.h"
#include "order_verify.h"
#include "support/test_support.h"

namespace {

// Parameter: true for f, false for d.
class HgraphOrderHx : public ::testing::TestWithParam<bool> {
 protected:
  int order(Hgraph* graph, Order* order, GraphNum start, OrderColBlock* block, GraphNum cmin, GraphNum cmax,
            double frat) {
    HgraphOrderHxParam param{cmin, cmax, frat};
    return GetParam() ? hgraphOrderHf(graph, order, start, block, &param)
                      : hgraphOrderHd(graph, order, start, block, &param);
  }
  // Orders the whole halo graph into a fresh Order of its non-halo size.
  int order(Hgraph* graph, OwnedOrder& owned, GraphNum cmin, GraphNum cmax, double frat) {
    return order(graph, &owned.order, 0, &owned.order.rootBlock, cmin, cmax, frat);
  }
};

// Positions -> vertices of the halo graph, undoing the vertexNumber
// translation of the written entries.
std::vector<GraphNum> orderedVertices(const Hgraph& graph, const Order& order) {
  std::vector<GraphNum> vertices = inverseOf(order);
  const Graph& core = graph.graph;
  if (core.vertexNumber != nullptr) {
    std::vector<std::pair<GraphNum, GraphNum>> numbers;
    for (GraphNum v = core.base; v < graph.nonHaloVertexEnd; v++) numbers.push_back({core.vertexNumber[v], v});
    std::sort(numbers.begin(), numbers.end());
    for (GraphNum& vertex : vertices)
      vertex = std::lower_bound(numbers.begin(), numbers.end(), std::make_pair(vertex, GraphNum{-1}))->second;
  }
  return vertices;
}

// With neither cmin nor frat merging anything, every column block is one
// front of the kernel: a supernode of the factor of the halo graph with the
// halo ordered last.
::testing::AssertionResult blocksAreFronts(const Hgraph& graph, const Order& order) {
  return blocksAreSupernodes(columnCountsWithHaloLast(graph, orderedVertices(graph, order)),
                             leafSizes(order.rootBlock));
}

TEST_P(HgraphOrderHx, BelowCminOrdersInVertexOrder) {
  // Non-halo loads 1 + 1 + 1 = 3 < cmin 4: the simple order, written from
  // position 2 with the vertex numbers; the column block stays a leaf.
  HandHalo graph(1, 4, 3, {{1, 2}, {2, 3}, {3, 4}}, {1, 1, 1, 6}, {7, 5, 9, 2});
  Order result;
  ASSERT_EQ(orderInit(&result, 1, 5, nullptr), 0);
  OrderColBlock block{ORDER_BLOCK_PLAIN, 3, 0, nullptr};
  ASSERT_EQ(order(&graph.halo, &result, 2, &block, 4, 1000, 0.0), 0);
  EXPECT_EQ(std::vector<GraphNum>(result.inversePermutation + 2, result.inversePermutation + 5),
            (std::vector<GraphNum>{7, 5, 9}));
  EXPECT_EQ(block.childCount, 0);
  EXPECT_EQ(block.children, nullptr);
  orderExit(&result);
}

// A path of three: the first pivot is an end (the only vertices of degree
// one); the middle vertex and the other end then both have degree one, and
// whichever goes first leaves the last with no neighbour outside the new
// element, so it is eliminated with it. Two fronts: one vertex, then two.
// With cmin 3 both merge into one block of three, and the column block
// stays a leaf.
TEST_P(HgraphOrderHx, PathOfThree) {
  HaloView view;
  buildPath(&view.graph, 0, 3);
  Hgraph* graph = view.wrap();
  {
    OwnedOrder result(0, 3);
    ASSERT_EQ(order(graph, result, 1, 3, 0.0), 0);
    EXPECT_TRUE(orderIsValid(result.order));
    EXPECT_EQ(leafSizes(result.order.rootBlock), (std::vector<GraphNum>{1, 2}));
    EXPECT_TRUE(blocksAreFronts(*graph, result.order));
    EXPECT_NE(result.order.inversePermutation[0], 1);  // an end goes first
  }
  {
    OwnedOrder result(0, 3);
    ASSERT_EQ(order(graph, result, 3, 3, 0.0), 0);
    EXPECT_TRUE(orderIsValid(result.order));
    EXPECT_EQ(result.order.rootBlock.childCount, 0);
    EXPECT_EQ(result.order.columnBlockCount, 1);
  }
}

// cmin and cmax compare loads: the same path with loads 2 has a first front
// of load 2 and a second of load 4.
TEST_P(HgraphOrderHx, LoadsBoundTheBlocks) {
  HandHalo graph(0, 3, 3, {{0, 1}, {1, 2}}, {2, 2, 2});
  struct Case {
    GraphNum cmin, cmax;
    std::vector<GraphNum> leaves;
  };
  for (const Case& test : {Case{2, 100, {1, 2}},    // load 2 is not below cmin 2 (a count of 1 would be)
                           Case{3, 100, {3}},       // load 2 is below 3
                           Case{3, 5, {1, 2}},      // 2 + 4 exceeds cmax 5 (counts 1 + 2 would not)
                           Case{3, 6, {3}}}) {
    OwnedOrder result(0, 3);
    ASSERT_EQ(order(&graph.halo, result, test.cmin, test.cmax, 0.0), 0);
    EXPECT_TRUE(orderIsValid(result.order));
    EXPECT_EQ(leafSizes(result.order.rootBlock), test.leaves) << "cmin " << test.cmin << " cmax " << test.cmax;
  }
}

// Halo vertices are never written; exactly the non-halo vertices are, from
// the start position on, as vertex numbers; nothing else is touched.
TEST_P(HgraphOrderHx, WritesOnlyTheNonHaloVertices) {
  const GraphNum side = 6, nonHaloCount = side * side, haloCount = 5;
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  for (GraphNum y = 0; y < side; y++)
    for (GraphNum x = 0; x < side; x++) {
      GraphNum v = 1 + y * side + x;
      if (x + 1 < side) edges.push_back({v, v + 1});
      if (y + 1 < side) edges.push_back({v, v + side});
    }
  // Halo vertices of degree 1 and 2: smaller than any grid degree, yet never chosen.
  for (GraphNum h = 0; h < haloCount; h++) {
    edges.push_back({1 + h * 7, 1 + nonHaloCount + h});
    if (h % 2 == 0) edges.push_back({2 + h * 7, 1 + nonHaloCount + h});
  }
  std::vector<GraphNum> numbers(nonHaloCount + haloCount);
  for (GraphNum v = 0; v < nonHaloCount + haloCount; v++) numbers[v] = 1000 + 3 * ((v * 17) % 41);
  HandHalo graph(1, nonHaloCount + haloCount, nonHaloCount, edges, {}, numbers);
  ASSERT_EQ(graphCheck(&graph.halo.graph), 0);

  const GraphNum start = 4;
  Order result;
  ASSERT_EQ(orderInit(&result, 1, start + nonHaloCount + 3, nullptr), 0);
  std::fill(result.inversePermutation, result.inversePermutation + result.vertexCount, -5);
  OrderColBlock block{ORDER_BLOCK_PLAIN, nonHaloCount, 0, nullptr};
  ASSERT_EQ(order(&graph.halo, &result, start, &block, 0, 1000, 0.0), 0);
  EXPECT_TRUE(positionsHold(result, start,
                            std::vector<GraphNum>(numbers.begin(), numbers.begin() + nonHaloCount)));
  for (GraphNum k = 0; k < result.vertexCount; k++) {
    if (k < start || k >= start + nonHaloCount) {
      EXPECT_EQ(result.inversePermutation[k], -5) << "position " << k;
    }
  }
  // The children of the column block cover its positions once.
  GraphNum covered = 0;
  for (GraphNum c = 0; c < block.childCount; c++) covered += block.children[c].vertexCount;
  EXPECT_EQ(covered, block.childCount > 0 ? nonHaloCount : 0);
  EXPECT_EQ(result.columnBlockCount, std::max<GraphNum>(block.childCount, 1));
  orderExitBlock(&block);
  orderExit(&result);
}

// On a forest, eliminating leaves first creates no fill, and both kernels
// find such an order: every vertex of a tree keeps a zero-fill candidate.
TEST_P(HgraphOrderHx, ForestsHaveNoFill) {
  std::mt19937 generator(2024);
  for (int round = 0; round < 8; round++) {
    const GraphNum n = 50 + 40 * round;
    std::vector<std::pair<GraphNum, GraphNum>> edges;
    for (GraphNum v = 1; v < n; v++)
      if (generator() % 10 != 0) edges.push_back({static_cast<GraphNum>(generator() % v), v});
    HaloView view;
    buildGraph(&view.graph, 0, n, edges);
    Hgraph* graph = view.wrap();
    OwnedOrder result(0, n);
    ASSERT_EQ(order(graph, result, 1, 1000, 0.08), 0);
    ASSERT_TRUE(orderIsValid(result.order));
    std::vector<GraphNum> permutation(n);
    orderInvertPermutation(result.order.inversePermutation, 0, n, permutation.data(), 0);
    FillStats stats;
    ASSERT_EQ(fillStatsCompute(&view.graph, permutation.data(), &stats), 0);
    EXPECT_EQ(stats.nnzL, static_cast<int64_t>(edges.size())) << "round " << round;
  }
}

// Random halo graphs, some with loads: a valid ordering of the non-halo
// part whose unmerged blocks are fronts of the factor with the halo last.
TEST_P(HgraphOrderHx, RandomHaloGraphs) {
  for (uint32_t seed = 1; seed <= 30; seed++) {
    std::mt19937 generator(seed);
    GraphNum vertexCount = 2 + static_cast<GraphNum>(generator() % 60);
    GraphNum nonHaloCount = 1 + static_cast<GraphNum>(generator() % vertexCount);
    HandHalo graph(seed % 2, vertexCount, nonHaloCount,
                   randomHaloEdges(seed, seed % 2, vertexCount, nonHaloCount, 0.08, 0.2));
    OwnedOrder result(seed % 2, nonHaloCount);
    ASSERT_EQ(order(&graph.halo, result, 0, 1 << 30, 0.0), 0);
    EXPECT_TRUE(orderIsValid(result.order)) << "seed " << seed;
    EXPECT_TRUE(blocksAreFronts(graph.halo, result.order)) << "seed " << seed;
    OwnedOrder merged(seed % 2, nonHaloCount);
    ASSERT_EQ(order(&graph.halo, merged, 2, 20, 0.08), 0);
    EXPECT_TRUE(orderIsValid(merged.order)) << "seed " << seed;
    EXPECT_LE(merged.order.columnBlockCount, result.order.columnBlockCount) << "seed " << seed;
  }
}

// A star of 3000 leaves: its centre is dense (more than 10 sqrt(3001)
// neighbours), ordered last, so that the factor has no fill. Merging the
// leaves' small blocks under cmin must not gather them all into the
// centre's block: they merge along a chain into blocks of about cmin.
TEST_P(HgraphOrderHx, StarCentreGoesLast) {
  const GraphNum leaves = 3000;
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  for (GraphNum v = 1; v <= leaves; v++) edges.push_back({0, v});
  HaloView view;
  buildGraph(&view.graph, 0, leaves + 1, edges);
  Hgraph* graph = view.wrap();
  {
    OwnedOrder result(0, leaves + 1);
    ASSERT_EQ(order(graph, result, 0, 100000000, 0.0), 0);
    ASSERT_TRUE(orderIsValid(result.order));
    EXPECT_EQ(result.order.inversePermutation[leaves], 0);
    std::vector<GraphNum> permutation(leaves + 1);
    orderInvertPermutation(result.order.inversePermutation, 0, leaves + 1, permutation.data(), 0);
    FillStats stats;
    ASSERT_EQ(fillStatsCompute(&view.graph, permutation.data(), &stats), 0);
    EXPECT_EQ(stats.nnzL, leaves);
  }
  {
    OwnedOrder result(0, leaves + 1);
    ASSERT_EQ(order(graph, result, 15, 100000, 0.0), 0);
    ASSERT_TRUE(orderIsValid(result.order));
    EXPECT_EQ(result.order.inversePermutation[leaves], 0);
    std::vector<GraphNum> sizes = leafSizes(result.order.rootBlock);
    EXPECT_LE(*std::max_element(sizes.begin(), sizes.end()), 30);
  }
}

// The method names in strategies reach these methods with their defaults.
TEST_P(HgraphOrderHx, RunsFromAStrategy) {
  HaloView view;
  buildGrid(&view.graph, 1, 9, 7);
  Hgraph* graph = view.wrap();
  OwnedOrder result(1, 63);
  ASSERT_EQ(orderWith(graph, GetParam() ? "f{cmin=0,frat=0.0}" : "d{cmin=0,frat=0.0}", result), 0);
  EXPECT_TRUE(orderIsValid(result.order));
  EXPECT_TRUE(blocksAreFronts(*graph, result.order));
  EXPECT_GT(result.order.columnBlockCount, 1);
}

// The shared graphs, whole and as halo graphs induced from half of their
// vertices (the numbering's first half, so that the halo is large).
TEST_P(HgraphOrderHx, SharedGraphs) {
  std::vector<std::string> names = sharedGraphNames();
  if (names.empty()) GTEST_SKIP() << "no shared graphs";
  for (const std::string& name : names) {
    Graph whole;
    loadSharedGraph(&whole, name, 1);
    Hgraph wrapper;
    hgraphFromGraph(&wrapper, &whole, 0);
    {
      OwnedOrder result(1, whole.vertexCount);
      ASSERT_EQ(order(&wrapper, result, 0, 100000000, 0.0), 0) << name;
      EXPECT_TRUE(orderIsValid(result.order)) << name;
      EXPECT_TRUE(blocksAreFronts(wrapper, result.order)) << name;
    }
    const GraphNum listCount = whole.vertexCount / 2;
    std::vector<GraphNum> list(listCount);
    intFillAscending(list.data(), listCount, 1);
    Hgraph part;
    ASSERT_EQ(hgraphInduceList(&wrapper, listCount, list.data(), whole.vertexCount - listCount, &part), 0);
    ASSERT_GT(part.graph.vertexCount, listCount) << name << ": no halo";
    {
      OwnedOrder result(1, listCount);
      ASSERT_EQ(order(&part, result, 0, 100000000, 0.0), 0) << name;
      EXPECT_TRUE(orderIsValid(result.order)) << name;  // the vertex numbers of the listed vertices
      EXPECT_TRUE(blocksAreFronts(part, result.order)) << name;
    }
    {
      OwnedOrder result(1, listCount);
      ASSERT_EQ(order(&part, result, 1, GetParam() ? 1000000 : 10000, 0.08), 0) << name;
      EXPECT_TRUE(orderIsValid(result.order)) << name;
    }
    hgraphExit(&part);
    graphExit(&whole);
  }
}

INSTANTIATE_TEST_SUITE_P(Methods, HgraphOrderHx, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "MinimumFill" : "MinimumDegree");
                         });

}  // namespace
