// Ordering method k: the graph is split into parts of about "siz" vertices
// by a mapping onto a complete graph, and the parts are ordered one after
// the other, one column block each.
#include <algorithm>
#include <vector>

#include "graph/graph_induce.h"
#include "order/hgraph_order_methods.h"
#include "order_verify.h"
#include "support/test_support.h"

namespace {

// The part of every position: positions of one column block belong to one
// part, and the vertices of a part are consecutive and in increasing order.
void expectPartsInIncreasingOrder(const Order& order) {
  GraphNum position = 0;
  for (GraphNum child = 0; child < order.rootBlock.childCount; child++) {
    const GraphNum size = order.rootBlock.children[child].vertexCount;
    for (GraphNum index = 1; index < size; index++)
      EXPECT_LT(order.inversePermutation[position + index - 1], order.inversePermutation[position + index]);
    position += size;
  }
}

TEST(HgraphOrderKp, SplitsAGridIntoBalancedBlocks) {
  HaloView view;
  buildGrid(&view.graph, 0, 20, 20);
  OwnedOrder owned(0, 400);
  ASSERT_EQ(orderWith(view.wrap(), "k{siz=50}", owned), 0);  // 8 parts, default mapping
  EXPECT_TRUE(orderIsValid(owned.order));
  EXPECT_EQ(owned.order.rootBlock.childCount, 8);
  EXPECT_EQ(owned.order.columnBlockCount, 8);
  EXPECT_EQ(owned.order.treeNodeCount, 9);
  for (const GraphNum size : leafSizes(owned.order.rootBlock)) EXPECT_LE(size, 52);  // 5% above 50
  expectPartsInIncreasingOrder(owned.order);
}

TEST(HgraphOrderKp, SmallGraphsAndSmallSizesOrderSimply) {
  for (const GraphNum size : {0, -4, 6, 11, 1000}) {  // at most one part for 11 vertices
    HaloView view;
    buildPath(&view.graph, 1, 11);
    OwnedOrder owned(1, 11);
    const std::string text = "k{siz=" + std::to_string(size) + "}";
    ASSERT_EQ(orderWith(view.wrap(), text.c_str(), owned), 0) << text;
    EXPECT_TRUE(orderIsValid(owned.order));
    EXPECT_EQ(owned.order.columnBlockCount, 1) << text;
    std::vector<GraphNum> identity(11);
    for (GraphNum index = 0; index < 11; index++) identity[static_cast<size_t>(index)] = index + 1;
    EXPECT_EQ(inverseOf(owned.order), identity) << text;
  }
}

TEST(HgraphOrderKp, PartsLeftEmptyGetNoColumnBlock) {
  HaloView view;
  buildPath(&view.graph, 0, 12);
  OwnedOrder owned(0, 12);
  // Six parts, but a strategy that maps everything onto the first terminals.
  ASSERT_EQ(orderWith(view.wrap(), "k{siz=2,strat=r{sep=z}}", owned), 0);
  EXPECT_TRUE(orderIsValid(owned.order));
  EXPECT_EQ(owned.order.rootBlock.childCount, 1);
  EXPECT_EQ(owned.order.columnBlockCount, 1);
  EXPECT_EQ(owned.order.treeNodeCount, 2);
}

TEST(HgraphOrderKp, InducedGraphsWriteTheirVertexNumbers) {
  // k inside nested dissection: the parts of each induced leaf hold the
  // original vertex numbers.
  HaloView view;
  buildGrid(&view.graph, 1, 30, 30);
  OwnedOrder owned(1, 900);
  ASSERT_EQ(orderWith(view.wrap(), "n{sep=m{low=h,asc=f},ole=k{siz=40},ose=s}", owned), 0);
  EXPECT_TRUE(orderIsValid(owned.order));
  EXPECT_GT(owned.order.columnBlockCount, 10);
}

TEST(HgraphOrderKp, MappingFailureIsReported) {
  HaloView view;
  buildPath(&view.graph, 0, 10);
  OwnedOrder owned(0, 10);
  ErrorCapture capture;
  EXPECT_EQ(orderWith(view.wrap(), "k{siz=2,strat=c}", owned), 1);  // no old mapping to copy
  EXPECT_TRUE(capture.contains("hgraphOrderKp: cannot compute partition")) << capture.first();
}

TEST(HgraphOrderKp, RealGraphsGiveValidOrders) {
  const std::vector<std::string> names = sharedGraphNames();
  if (names.empty()) GTEST_SKIP() << "no shared graphs";
  for (const std::string& name : names) {
    if ((name != "airfoil1.grf") && (name != "power.grf")) continue;
    HaloView view;
    loadSharedGraph(&view.graph, name);
    OwnedOrder owned(view.graph.base, view.graph.vertexCount);
    ASSERT_EQ(orderWith(view.wrap(), "k{siz=300,strat=m{vert=20,type=s,low=r{sep=h{pass=4}f},asc=f}}", owned), 0)
        << name;
    EXPECT_TRUE(orderIsValid(owned.order)) << name;
    expectPartsInIncreasingOrder(owned.order);
  }
}

}  // namespace
