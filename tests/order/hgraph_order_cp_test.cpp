// Ordering method c: compression of vertices with identical closed
// neighbourhoods.
#include <algorithm>
#include <set>
#include <vector>

#include "order/hgraph_order_methods.h"
#include "order_verify.h"
#include "support/test_support.h"

namespace {

using EdgeList = std::vector<std::pair<GraphNum, GraphNum>>;

// Every pair of distinct members of each class, and every pair across two
// linked classes.
EdgeList blownUpEdges(const std::vector<std::vector<GraphNum>>& classes,
                      const std::vector<std::pair<size_t, size_t>>& links) {
  EdgeList edges;
  for (const auto& members : classes)
    for (size_t i = 0; i < members.size(); i++)
      for (size_t j = i + 1; j < members.size(); j++) edges.push_back({members[i], members[j]});
  for (auto [a, b] : links)
    for (GraphNum u : classes[a])
      for (GraphNum v : classes[b]) edges.push_back({u, v});
  return edges;
}

// A width x height grid whose every vertex g is a clique of copies
// g, g + cells, g + 2 cells...: the copies of one cell are the twins.
std::vector<std::vector<GraphNum>> gridClasses(GraphNum width, GraphNum height, GraphNum copies,
                                               std::vector<std::pair<size_t, size_t>>& links) {
  const GraphNum cells = width * height;
  std::vector<std::vector<GraphNum>> classes(cells);
  for (GraphNum g = 0; g < cells; g++)
    for (GraphNum c = 0; c < copies; c++) classes[g].push_back(g + c * cells);
  for (GraphNum y = 0; y < height; y++)
    for (GraphNum x = 0; x < width; x++) {
      const size_t g = static_cast<size_t>(y * width + x);
      if (x + 1 < width) links.push_back({g, g + 1});
      if (y + 1 < height) links.push_back({g, g + width});
    }
  return classes;
}

// Every leaf of the tree covers exactly one class, and the members of each
// class are placed consecutively, in increasing order of the vertex numbers
// of the graph that was ordered: increasing original numbers, or decreasing
// ones for an induced graph whose list ran downwards.
::testing::AssertionResult leavesAreClasses(const Order& order, GraphNum start, const OrderColBlock& block,
                                            GraphNum cells, bool increasing = true) {
  GraphNum position = start;
  for (GraphNum size : leafSizes(block)) {
    const GraphNum cell = order.inversePermutation[position] % cells;
    for (GraphNum i = 0; i < size; i++) {
      const GraphNum vertex = order.inversePermutation[position + i];
      if (vertex % cells != cell) return ::testing::AssertionFailure() << "leaf at " << position << " mixes classes";
      const GraphNum previous = (i > 0) ? order.inversePermutation[position + i - 1] : 0;
      if ((i > 0) && (increasing ? (vertex <= previous) : (vertex >= previous)))
        return ::testing::AssertionFailure() << "class at " << position << " not in increasing order";
    }
    position += size;
  }
  return ::testing::AssertionSuccess();
}

TEST(HgraphOrderCp, CompleteGraphCompressesToOneVertex) {
  // Were the graph not compressed, b{cmin=1} would cut it into four blocks.
  HaloView view;
  buildComplete(&view.graph, 0, 4);
  OwnedOrder owned(0, 4);
  ASSERT_EQ(orderWith(view.wrap(), "c{rat=0.7,cpr=b{cmin=1},unc=s}", owned), 0);
  EXPECT_TRUE(orderIsValid(owned.order));
  EXPECT_EQ(owned.order.rootBlock.type, ORDER_BLOCK_PLAIN);
  EXPECT_EQ(owned.order.rootBlock.vertexCount, 4);
  EXPECT_EQ(owned.order.columnBlockCount, 1);
  EXPECT_EQ(inverseOf(owned.order), (std::vector<GraphNum>{0, 1, 2, 3}));
}

TEST(HgraphOrderCp, PathIsNotCompressed) {
  // Hash values 1, 3, 6, 5 are all distinct: 4 > 0.7 x 4 sends the path to unc.
  HaloView view;
  buildPath(&view.graph, 0, 4);
  OwnedOrder uncompressed(0, 4);
  ASSERT_EQ(orderWith(view.wrap(), "c{rat=0.7,cpr=b{cmin=1},unc=g}", uncompressed), 0);
  EXPECT_EQ(uncompressed.order.columnBlockCount, 1);
  EXPECT_TRUE(orderIsValid(uncompressed.order));

  // With rat 1 the compressed graph is used although nothing merges.
  OwnedOrder compressed(0, 4);
  ASSERT_EQ(orderWith(view.wrap(), "c{rat=1,cpr=b{cmin=1},unc=g}", compressed), 0);
  EXPECT_EQ(leafSizes(compressed.order.rootBlock), (std::vector<GraphNum>{1, 1, 1, 1}));
  EXPECT_TRUE(orderIsValid(compressed.order));
}

TEST(HgraphOrderCp, HaloNeighboursKeepVerticesApart) {
  // a = 0 and b = 1 are adjacent and both adjacent to c = 2. With halo
  // neighbours 3 for a and 4 for b they stay apart; with the same halo
  // neighbour they merge.
  const GraphNum list[3] = {0, 1, 2};
  struct Case {
    EdgeList edges;
    GraphNum vertexCount;
    std::vector<GraphNum> blocks;
  };
  const Case cases[] = {{{{0, 1}, {0, 2}, {1, 2}, {0, 3}, {1, 4}}, 5, {1, 1, 1}},
                        {{{0, 1}, {0, 2}, {1, 2}, {0, 3}, {1, 3}}, 4, {2, 1}}};
  for (const Case& c : cases) {
    HaloView view;
    buildGraph(&view.graph, 0, c.vertexCount, c.edges);
    Hgraph induced;
    ASSERT_EQ(hgraphInduceList(view.wrap(), 3, list, c.vertexCount - 3, &induced), 0);
    OwnedOrder owned(0, 3);
    OrderStrat strat("c{rat=1,cpr=b{cmin=1},unc=s}");
    ASSERT_EQ(hgraphOrderSt(&induced, &owned.order, 0, &owned.order.rootBlock, strat.get()), 0);
    // b{cmin=1} on the compressed graph gives one block per group.
    EXPECT_EQ(leafSizes(owned.order.rootBlock), c.blocks);
    EXPECT_EQ(inverseOf(owned.order), (std::vector<GraphNum>{0, 1, 2}));
    EXPECT_TRUE(orderIsValid(owned.order));
    hgraphExit(&induced);
  }
}

TEST(HgraphOrderCp, EqualHashValuesAreCheckedNeighbourByNeighbour) {
  // a = 0 and b = 1, adjacent, both next to 2, a also next to 3 and 6, b to
  // 4 and 5: same degree and the same hash value 12, but different
  // neighbourhoods. Seven groups: b{cmin=1} makes seven blocks.
  HaloView view;
  buildGraph(&view.graph, 0, 7, {{0, 1}, {0, 2}, {1, 2}, {0, 3}, {0, 6}, {1, 4}, {1, 5}});
  OwnedOrder owned(0, 7);
  ASSERT_EQ(orderWith(view.wrap(), "c{rat=1,cpr=b{cmin=1},unc=s}", owned), 0);
  EXPECT_EQ(leafSizes(owned.order.rootBlock), std::vector<GraphNum>(7, 1));
  EXPECT_TRUE(orderIsValid(owned.order));
}

TEST(HgraphOrderCp, MergedVerticesAreConsecutiveInIncreasingOrder) {
  // Classes A = {0, 3, 6}, B = {1, 4}, C = {2, 5, 7} linked as A - B - C.
  HaloView view;
  buildGraph(&view.graph, 0, 8, blownUpEdges({{0, 3, 6}, {1, 4}, {2, 5, 7}}, {{0, 1}, {1, 2}}));
  OwnedOrder simple(0, 8), level(0, 8), blocks(0, 8);
  ASSERT_EQ(orderWith(view.wrap(), "c{rat=0.7,cpr=s,unc=b{cmin=1}}", simple), 0);
  EXPECT_EQ(inverseOf(simple.order), (std::vector<GraphNum>{0, 3, 6, 1, 4, 2, 5, 7}));
  // The compressed path A - B - C ordered from one of its ends.
  ASSERT_EQ(orderWith(view.wrap(), "c{rat=0.7,cpr=g,unc=s}", level), 0);
  const std::vector<GraphNum> forward = {0, 3, 6, 1, 4, 2, 5, 7}, backward = {2, 5, 7, 1, 4, 0, 3, 6};
  const std::vector<GraphNum> inverse = inverseOf(level.order);
  EXPECT_TRUE(inverse == forward || inverse == backward);
  // Compressed loads 3, 2, 3: one block per class after expansion.
  ASSERT_EQ(orderWith(view.wrap(), "c{rat=0.7,cpr=b{cmin=1},unc=s}", blocks), 0);
  EXPECT_EQ(leafSizes(blocks.order.rootBlock), (std::vector<GraphNum>{3, 2, 3}));
  EXPECT_EQ(blocks.order.treeNodeCount, 4);
  EXPECT_TRUE(orderIsValid(blocks.order));
}

TEST(HgraphOrderCp, VertexLoadsOfAGroupAddUp) {
  // Twins 0 and 1 (loads 2 and 5) next to 2, itself next to 3: compressed
  // loads 7, 1, 1 give b{cmin=3} targets 3, 6, 9 and blocks {0, 1}, {2, 3};
  // counted without the loads (2, 1, 1) the graph would stay one block.
  HaloView view;
  buildGraph(&view.graph, 0, 4, {{0, 1}, {0, 2}, {1, 2}, {2, 3}}, {2, 5, 1, 1});
  OwnedOrder owned(0, 4);
  ASSERT_EQ(orderWith(view.wrap(), "c{rat=1,cpr=b{cmin=3},unc=s}", owned), 0);
  EXPECT_EQ(leafSizes(owned.order.rootBlock), (std::vector<GraphNum>{2, 2}));
  EXPECT_TRUE(orderIsValid(owned.order));
}

TEST(HgraphOrderCp, BlownUpGridCompressesToItsCells) {
  for (GraphNum base : {0, 1}) {
    std::vector<std::pair<size_t, size_t>> links;
    auto classes = gridClasses(6, 5, 3, links);
    for (auto& members : classes)
      for (GraphNum& v : members) v += base;
    HaloView view;
    buildGraph(&view.graph, base, 90, blownUpEdges(classes, links));
    OwnedOrder owned(base, 90);
    ASSERT_EQ(orderWith(view.wrap(), "c{rat=0.7,cpr=b{cmin=1,strat=g},unc=s}", owned), 0);
    EXPECT_TRUE(orderIsValid(owned.order));
    EXPECT_EQ(owned.order.columnBlockCount, 30);
    EXPECT_EQ(leafSizes(owned.order.rootBlock), std::vector<GraphNum>(30, 3));
    // Shift back to 0-based cells for the class check.
    for (GraphNum p = 0; p < 90; p++) owned.order.inversePermutation[p] -= base;
    EXPECT_TRUE(leavesAreClasses(owned.order, 0, owned.order.rootBlock, 30));
  }
}

TEST(HgraphOrderCp, HaloGraphWithVertexNumbersFromAStartPosition) {
  // The left half of the blown-up grid, placed from position 5: its halo is
  // the next column of cells, whose copies are no twins of the listed ones.
  std::vector<std::pair<size_t, size_t>> links;
  auto classes = gridClasses(6, 4, 2, links);
  HaloView view;
  buildGraph(&view.graph, 0, 48, blownUpEdges(classes, links));
  std::vector<GraphNum> list;
  for (GraphNum v = 47; v >= 0; v--)
    if ((v % 24) % 6 < 3) list.push_back(v);
  Hgraph induced;
  ASSERT_EQ(hgraphInduceList(view.wrap(), static_cast<GraphNum>(list.size()), list.data(), 24, &induced), 0);
  EXPECT_GT(induced.graph.vertexCount, induced.nonHaloVertexCount);
  OwnedOrder owned(0, 48);
  OrderColBlock* children = static_cast<OrderColBlock*>(memAlloc(2 * sizeof(OrderColBlock)));
  children[0] = {0, 5, 0, nullptr};
  children[1] = {0, 24, 0, nullptr};
  owned.order.rootBlock = {ORDER_BLOCK_PLAIN, 29, 2, children};
  owned.order.vertexCount = 29;  // only the first 29 positions matter here
  owned.order.treeNodeCount = 3;
  owned.order.columnBlockCount = 2;
  OrderStrat strat("c{rat=0.7,cpr=b{cmin=1,strat=g},unc=s}");
  ASSERT_EQ(hgraphOrderSt(&induced, &owned.order, 5, &children[1], strat.get()), 0);
  EXPECT_TRUE(positionsHold(owned.order, 5, list));
  EXPECT_EQ(children[1].vertexCount, 24);
  EXPECT_EQ(leafSizes(children[1]), std::vector<GraphNum>(12, 2));
  EXPECT_EQ(owned.order.columnBlockCount, 1 + 12);
  EXPECT_EQ(owned.order.treeNodeCount, 3 + 12);
  // The list runs downwards: the induced graph's vertex order is decreasing
  // in original numbers.
  EXPECT_TRUE(leavesAreClasses(owned.order, 5, children[1], 24, false));
  hgraphExit(&induced);
}

TEST(HgraphOrderCp, CompressedOrderingFailureIsReturned) {
  HaloView view;
  buildComplete(&view.graph, 1, 5);
  OwnedOrder owned(1, 5);
  ErrorCapture capture;
  EXPECT_NE(orderWith(view.wrap(), "c{rat=0.7,cpr=b{cmin=0},unc=s}", owned), 0);
  EXPECT_EQ(capture.first(), "ERROR: hgraphOrderBl: invalid minimum block size");
  EXPECT_EQ(owned.order.columnBlockCount, 1);
}

}  // namespace
