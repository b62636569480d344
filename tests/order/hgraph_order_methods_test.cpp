// Ordering methods b (block splitting), o (connected components) and g
// (level-structure ordering).
#include <algorithm>
#include <numeric>
#include <vector>

#include "order/hgraph_order_methods.h"
#include "order_verify.h"
#include "support/test_support.h"

namespace {

// Position (from 0) of every vertex of a whole-graph ordering.
std::vector<GraphNum> positionsOf(const Order& order) {
  std::vector<GraphNum> position(order.vertexCount);
  for (GraphNum p = 0; p < order.vertexCount; p++) position[order.inversePermutation[p] - order.base] = p;
  return position;
}

// ---- b

TEST(HgraphOrderBl, ZeroMinimumFailsBeforeOrdering) {
  HaloView view;
  buildPath(&view.graph, 0, 4);
  OwnedOrder owned(0, 4);
  std::fill(owned.order.inversePermutation, owned.order.inversePermutation + 4, -1);
  const HgraphOrderBlParam param{&stratEmpty, 0};
  ErrorCapture capture;
  EXPECT_EQ(hgraphOrderBl(view.wrap(), &owned.order, 0, &owned.order.rootBlock, &param), 1);
  EXPECT_EQ(capture.first(), "ERROR: hgraphOrderBl: invalid minimum block size");
  EXPECT_EQ(inverseOf(owned.order), std::vector<GraphNum>(4, -1));
}

TEST(HgraphOrderBl, EvenBlocksWithoutLoads) {
  HaloView view;
  buildPath(&view.graph, 1, 10);
  OwnedOrder split(1, 10), kept(1, 10);
  ASSERT_EQ(orderWith(view.wrap(), "b{cmin=3}", split), 0);
  EXPECT_EQ(leafSizes(split.order.rootBlock), (std::vector<GraphNum>{4, 3, 3}));
  EXPECT_TRUE(orderIsValid(split.order));
  // The default strategy is the simple method.
  std::vector<GraphNum> identity(10);
  std::iota(identity.begin(), identity.end(), 1);
  EXPECT_EQ(inverseOf(split.order), identity);

  ASSERT_EQ(orderWith(view.wrap(), "b{cmin=6}", kept), 0);  // 10 < 12: stays a leaf
  EXPECT_EQ(kept.order.columnBlockCount, 1);
  EXPECT_EQ(kept.order.rootBlock.children, nullptr);
}

TEST(HgraphOrderBl, LoadTargetsSkipTargetsAlreadyReached) {
  // Loads 5, 1, 1, 1 in position order: blocks of 1, 1 and 2 positions.
  HaloView view;
  buildGraph(&view.graph, 0, 4, {{0, 1}, {1, 2}, {2, 3}}, {5, 1, 1, 1});
  OwnedOrder owned(0, 4);
  ASSERT_EQ(orderWith(view.wrap(), "b{cmin=2}", owned), 0);
  EXPECT_EQ(leafSizes(owned.order.rootBlock), (std::vector<GraphNum>{1, 1, 2}));
  EXPECT_TRUE(orderIsValid(owned.order));
}

// Independent block sizes for loads in position order (the targets rule).
std::vector<GraphNum> expectedLoadBlocks(const std::vector<GraphNum>& loads, GraphNum cmin) {
  const GraphNum load = std::accumulate(loads.begin(), loads.end(), 0);
  if ((loads.size() < 2) || (load < 2 * cmin)) return {static_cast<GraphNum>(loads.size())};
  const GraphNum h = load / cmin, m = load / h, r = load % h;
  std::vector<GraphNum> targets;
  for (GraphNum j = 0; j < h; j++) targets.push_back(m * (j + 1) + std::min(j + 1, r));
  std::vector<GraphNum> sizes;
  GraphNum sum = 0, size = 0;
  size_t next = 0;
  for (GraphNum l : loads) {
    sum += l;
    size++;
    if ((next < targets.size()) && (sum >= targets[next])) {
      sizes.push_back(size);
      size = 0;
      while ((next < targets.size()) && (targets[next] <= sum)) next++;
    }
  }
  return sizes.size() < 2 ? std::vector<GraphNum>{static_cast<GraphNum>(loads.size())} : sizes;
}

TEST(HgraphOrderBl, InducedGraphReadsTheLoadsOfItsOwnPositions) {
  // Loads differ from vertex to vertex; the induced graph has vertex
  // numbers and is placed from position 4 of a larger Order, whose first
  // positions hold other vertices with heavy loads.
  const std::vector<GraphNum> loads = {9, 9, 9, 9, 1, 3, 2, 7, 1, 1, 4, 2};
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  for (GraphNum v = 0; v + 1 < 12; v++) edges.push_back({v, v + 1});
  HaloView view;
  buildGraph(&view.graph, 0, 12, edges, loads);
  const std::vector<GraphNum> list = {11, 9, 7, 5, 10, 8, 6, 4};
  Hgraph induced;
  ASSERT_EQ(hgraphInduceList(view.wrap(), 8, list.data(), 4, &induced), 0);
  OwnedOrder owned(0, 12);
  for (GraphNum i = 0; i < 4; i++) owned.order.inversePermutation[i] = i;
  OrderColBlock* children = static_cast<OrderColBlock*>(memAlloc(2 * sizeof(OrderColBlock)));
  children[0] = {0, 4, 0, nullptr};
  children[1] = {0, 8, 0, nullptr};
  owned.order.rootBlock = {ORDER_BLOCK_PLAIN, 12, 2, children};
  owned.order.treeNodeCount = 3;
  owned.order.columnBlockCount = 2;
  OrderStrat strat("b{cmin=3,strat=g}");
  ASSERT_EQ(hgraphOrderSt(&induced, &owned.order, 4, &children[1], strat.get()), 0);
  EXPECT_TRUE(orderIsValid(owned.order));
  std::vector<GraphNum> placedLoads;
  for (GraphNum p = 4; p < 12; p++) placedLoads.push_back(loads[owned.order.inversePermutation[p]]);
  EXPECT_EQ(leafSizes(children[1]), expectedLoadBlocks(placedLoads, 3));
  EXPECT_GT(children[1].childCount, 1);
  hgraphExit(&induced);
}

TEST(HgraphOrderBl, SplitsEachBlockTheStrategyMade) {
  // Two components of 7 and 5 vertices: o gives two blocks, and b cuts each
  // of them on its own positions.
  HaloView view;
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  for (GraphNum v = 0; v < 6; v++) edges.push_back({v, v + 1});
  for (GraphNum v = 7; v < 11; v++) edges.push_back({v, v + 1});
  buildGraph(&view.graph, 0, 12, edges);
  OwnedOrder owned(0, 12);
  ASSERT_EQ(orderWith(view.wrap(), "b{cmin=2,strat=o{strat=s}}", owned), 0);
  EXPECT_TRUE(orderIsValid(owned.order));
  EXPECT_EQ(owned.order.rootBlock.type, ORDER_BLOCK_COMPONENTS);
  ASSERT_EQ(owned.order.rootBlock.childCount, 2);
  EXPECT_EQ(leafSizes(owned.order.rootBlock.children[0]), (std::vector<GraphNum>{3, 2, 2}));
  EXPECT_EQ(leafSizes(owned.order.rootBlock.children[1]), (std::vector<GraphNum>{3, 2}));
}

// ---- o

TEST(HgraphOrderCc, OneComponentBehavesLikeItsStrategy) {
  HaloView view;
  buildGrid(&view.graph, 0, 5, 4);
  OwnedOrder wrapped(0, 20), direct(0, 20);
  ASSERT_EQ(orderWith(view.wrap(), "o{strat=g{pass=2}}", wrapped), 0);
  ASSERT_EQ(orderWith(view.wrap(), "g{pass=2}", direct), 0);
  EXPECT_EQ(inverseOf(wrapped.order), inverseOf(direct.order));
  EXPECT_EQ(wrapped.order.columnBlockCount, 1);
  EXPECT_EQ(wrapped.order.treeNodeCount, 1);
}

TEST(HgraphOrderCc, ComponentsInOrderOfTheirLowestVertex) {
  // Components {1, 3, 5} and {0, 2, 4, 6}, interleaved: the component of
  // vertex 0 comes first.
  for (GraphNum base : {0, 1}) {
    HaloView view;
    buildGraph(&view.graph, base, 7, {{base + 5, base + 3}, {base + 3, base + 1}, {base + 0, base + 6},
                                      {base + 6, base + 2}, {base + 2, base + 4}});
    OwnedOrder owned(base, 7);
    ASSERT_EQ(orderWith(view.wrap(), "o{strat=s}", owned), 0);
    EXPECT_TRUE(orderIsValid(owned.order));
    EXPECT_EQ(owned.order.rootBlock.type, ORDER_BLOCK_COMPONENTS);
    EXPECT_EQ(leafSizes(owned.order.rootBlock), (std::vector<GraphNum>{4, 3}));
    EXPECT_EQ(owned.order.treeNodeCount, 3);
    EXPECT_TRUE(positionsHold(owned.order, 0, {base + 0, base + 2, base + 4, base + 6}));
    EXPECT_TRUE(positionsHold(owned.order, 4, {base + 1, base + 3, base + 5}));
    // Each component is ordered by the simple method in search order: seed,
    // then its neighbours as they are met.
    EXPECT_EQ(inverseOf(owned.order),
              (std::vector<GraphNum>{base + 0, base + 6, base + 2, base + 4, base + 1, base + 3, base + 5}));
  }
}

TEST(HgraphOrderCc, HaloArcsDoNotJoinComponents) {
  // Two listed vertices linked only through a halo vertex stay apart.
  HaloView view;
  buildGraph(&view.graph, 0, 3, {{0, 2}, {2, 1}});
  Hgraph induced;
  const GraphNum list[2] = {0, 1};
  ASSERT_EQ(hgraphInduceList(view.wrap(), 2, list, 1, &induced), 0);
  OwnedOrder owned(0, 2);
  OrderStrat strat("o{strat=s}");
  ASSERT_EQ(hgraphOrderSt(&induced, &owned.order, 0, &owned.order.rootBlock, strat.get()), 0);
  EXPECT_EQ(owned.order.columnBlockCount, 2);
  EXPECT_TRUE(orderIsValid(owned.order));
  hgraphExit(&induced);
}

TEST(HgraphOrderCc, ComponentFailureIsReported) {
  HaloView view;
  buildGraph(&view.graph, 0, 4, {{0, 1}, {2, 3}});
  OwnedOrder owned(0, 4);
  ErrorCapture capture;
  EXPECT_NE(orderWith(view.wrap(), "o{strat=b{cmin=0}}", owned), 0);
  EXPECT_TRUE(capture.contains("ERROR: hgraphOrderCc: cannot compute ordering on induced graph"));
}

// ---- g

TEST(HgraphOrderGp, PathIsNumberedFromAnEndInOrder) {
  HaloView view;
  buildPath(&view.graph, 0, 5);
  OwnedOrder owned(0, 5);
  ASSERT_EQ(orderWith(view.wrap(), "g{pass=3}", owned), 0);
  const std::vector<GraphNum> inverse = inverseOf(owned.order);
  const std::vector<GraphNum> forward = {0, 1, 2, 3, 4}, backward = {4, 3, 2, 1, 0};
  EXPECT_TRUE(inverse == forward || inverse == backward);
  EXPECT_EQ(owned.order.columnBlockCount, 1);
}

TEST(HgraphOrderGp, PeripheralSearchStartsFromTheFarEnd) {
  // Path numbered so that the lowest vertex (0) sits in the middle: the
  // search must move the root to an end.
  HaloView view;
  buildGraph(&view.graph, 0, 5, {{3, 1}, {1, 0}, {0, 2}, {2, 4}});
  OwnedOrder owned(0, 5);
  ASSERT_EQ(orderWith(view.wrap(), "g", owned), 0);
  const std::vector<GraphNum> inverse = inverseOf(owned.order);
  const std::vector<GraphNum> fromThree = {3, 1, 0, 2, 4}, fromFour = {4, 2, 0, 1, 3};
  EXPECT_TRUE(inverse == fromThree || inverse == fromFour);
}

TEST(HgraphOrderGp, NoPassStartsFromTheLowestVertexOfEachComponent) {
  HaloView view;
  buildGraph(&view.graph, 0, 7, {{3, 1}, {1, 0}, {0, 2}, {5, 4}, {4, 6}});
  OwnedOrder owned(0, 7);
  ASSERT_EQ(orderWith(view.wrap(), "g{pass=0}", owned), 0);
  EXPECT_TRUE(orderIsValid(owned.order));
  EXPECT_EQ(owned.order.inversePermutation[0], 0);
  EXPECT_TRUE(positionsHold(owned.order, 0, {0, 1, 2, 3}));
  EXPECT_EQ(owned.order.inversePermutation[4], 4);
  EXPECT_TRUE(positionsHold(owned.order, 4, {4, 5, 6}));
}

TEST(HgraphOrderGp, GridOrderingHasASmallBandwidth) {
  // A level-structure ordering of a w x h grid from a corner keeps every
  // edge within about one diagonal: |position difference| <= min(w, h) + 1.
  HaloView view;
  buildGrid(&view.graph, 1, 9, 6);
  OwnedOrder owned(1, 54);
  ASSERT_EQ(orderWith(view.wrap(), "g", owned), 0);
  EXPECT_TRUE(orderIsValid(owned.order));
  const std::vector<GraphNum> position = positionsOf(owned.order);
  GraphNum bandwidth = 0;
  for (GraphNum v = 1; v <= 54; v++)
    for (GraphNum arc = view.graph.edgeBegin[v]; arc < view.graph.edgeEnd[v]; arc++)
      bandwidth = std::max(bandwidth, std::abs(position[v - 1] - position[view.graph.edgeTarget[arc] - 1]));
  EXPECT_LE(bandwidth, 7);
}

TEST(HgraphOrderGp, HaloVerticesAreNeverPlaced) {
  HaloView view;
  buildGrid(&view.graph, 0, 6, 6);
  std::vector<GraphNum> list;
  for (GraphNum v = 0; v < 36; v++)
    if ((v % 6) < 3) list.push_back(v);  // left half; the right half's first column is halo
  Hgraph induced;
  ASSERT_EQ(hgraphInduceList(view.wrap(), static_cast<GraphNum>(list.size()), list.data(), 6, &induced), 0);
  OwnedOrder owned(0, 18);
  OrderStrat strat("g");
  ASSERT_EQ(hgraphOrderSt(&induced, &owned.order, 0, &owned.order.rootBlock, strat.get()), 0);
  EXPECT_TRUE(positionsHold(owned.order, 0, list));
  hgraphExit(&induced);
}

// ---- all methods on the real graphs

TEST(HgraphOrderMethods, RealGraphsGiveValidOrders) {
  const std::vector<std::string> names = sharedGraphNames();
  if (names.empty()) GTEST_SKIP() << "no shared graphs";
  const char* strategies[] = {"g", "o{strat=g}", "b{cmin=16,strat=o{strat=g}}", "c{rat=0.7,cpr=g,unc=g}",
                              "c{rat=1.0,cpr=b{cmin=8,strat=g},unc=s}"};
  for (const std::string& name : names) {
    HaloView view;
    loadSharedGraph(&view.graph, name);
    if (view.graph.vertexCount > 40000) continue;  // keeps the suite fast
    for (const char* strategy : strategies) {
      OwnedOrder owned(view.graph.base, view.graph.vertexCount);
      ASSERT_EQ(orderWith(view.wrap(), strategy, owned), 0) << name << " " << strategy;
      EXPECT_TRUE(orderIsValid(owned.order)) << name << " " << strategy;
    }
  }
}

}  // namespace
