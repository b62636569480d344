// The Order record: initialisation, derived arrays and the consistency check.
#include <vector>

#include "order_verify.h"
#include "support/test_support.h"

namespace {

// Dissection root with parts of 2 and 2 vertices and a separator of 1.
const TreeShape dissection221{ORDER_BLOCK_DISSECTION, 5, {{0, 2, {}}, {0, 2, {}}, {0, 1, {}}}};

TEST(OrderStructure, FreshOrderIsOneBlockOverAllVertices) {
  for (GraphNum base : {0, 1}) {
    OwnedOrder owned(base, 5);
    Order& order = owned.order;
    EXPECT_EQ(order.flags, ORDER_FREE_PERMUTATION);
    EXPECT_EQ(order.columnBlockCount, 1);
    EXPECT_EQ(order.treeNodeCount, 1);
    EXPECT_EQ(order.rootBlock.vertexCount, 5);
    EXPECT_EQ(order.rootBlock.children, nullptr);
    GraphNum ranges[2];
    orderRangeArray(&order, ranges);
    EXPECT_EQ(ranges[0], base);
    EXPECT_EQ(ranges[1], base + 5);
    GraphNum father = 99;
    orderFatherArray(&order, &father);
    EXPECT_EQ(father, -1);
  }
}

TEST(OrderStructure, CallerArrayIsUsedAndNeverFreed) {
  std::vector<GraphNum> caller(4, -3);
  Order order;
  ASSERT_EQ(orderInit(&order, 1, 4, caller.data()), 0);
  EXPECT_EQ(order.flags, 0);
  EXPECT_EQ(order.inversePermutation, caller.data());
  setTree(&order, {ORDER_BLOCK_PLAIN, 4, {{0, 3, {}}, {0, 1, {}}}});
  // Releasing frees the children but not the caller's array (a sanitizer
  // build reports a bad free otherwise); a second release is harmless.
  orderExit(&order);
  orderExit(&order);
  EXPECT_EQ(caller[0], -3);
}

TEST(OrderStructure, InvertPermutationBothWaysAndAcrossBases) {
  const std::vector<GraphNum> inverse = {3, 1, 4, 2};  // base 1: position 1 holds vertex 3...
  std::vector<GraphNum> direct(4), back(4), zeroBased(4);
  orderInvertPermutation(inverse.data(), 1, 4, direct.data(), 1);
  EXPECT_EQ(direct, (std::vector<GraphNum>{2, 4, 1, 3}));
  orderInvertPermutation(direct.data(), 1, 4, back.data(), 1);
  EXPECT_EQ(back, inverse);
  orderInvertPermutation(inverse.data(), 1, 4, zeroBased.data(), 0);
  EXPECT_EQ(zeroBased, (std::vector<GraphNum>{1, 3, 0, 2}));
}

TEST(OrderStructure, DissectionRangesAndFathers) {
  for (GraphNum base : {0, 1}) {
    OwnedOrder owned(base, 5);
    setTree(&owned.order, dissection221);
    ASSERT_EQ(owned.order.columnBlockCount, 3);
    std::vector<GraphNum> ranges(4), fathers(3);
    orderRangeArray(&owned.order, ranges.data());
    orderFatherArray(&owned.order, fathers.data());
    EXPECT_EQ(ranges, (std::vector<GraphNum>{base, base + 2, base + 4, base + 5}));
    // Both parts hang below the separator, numbered in the base.
    EXPECT_EQ(fathers, (std::vector<GraphNum>{base + 2, base + 2, -1}));
  }
}

TEST(OrderStructure, DissectionWithoutSeparatorHasNoFathers) {
  OwnedOrder owned(0, 4);
  setTree(&owned.order, {ORDER_BLOCK_DISSECTION, 4, {{0, 2, {}}, {0, 2, {}}}});
  std::vector<GraphNum> fathers(2, 7);
  orderFatherArray(&owned.order, fathers.data());
  EXPECT_EQ(fathers, (std::vector<GraphNum>{-1, -1}));
}

TEST(OrderStructure, NestedDissectionFathersFollowSeparators) {
  // Leaves left to right: A0 A1 As (inner dissection), B, S (outer separator),
  // numbered 0 to 4. S is the root block; the inner separator As and B hang
  // below S; A0 and A1 hang below As.
  OwnedOrder owned(0, 6);
  setTree(&owned.order, {ORDER_BLOCK_DISSECTION,
                         6,
                         {{ORDER_BLOCK_DISSECTION, 3, {{0, 1, {}}, {0, 1, {}}, {0, 1, {}}}}, {0, 2, {}}, {0, 1, {}}}});
  ASSERT_EQ(owned.order.columnBlockCount, 5);
  ASSERT_EQ(owned.order.treeNodeCount, 7);
  std::vector<GraphNum> fathers(5), ranges(6);
  orderFatherArray(&owned.order, fathers.data());
  orderRangeArray(&owned.order, ranges.data());
  EXPECT_EQ(fathers, (std::vector<GraphNum>{2, 2, 4, 4, -1}));
  EXPECT_EQ(ranges, (std::vector<GraphNum>{0, 1, 2, 3, 5, 6}));
}

TEST(OrderStructure, SequenceAndComponentNodesPassTheirFatherDown) {
  // A components node under a dissection part: each component block has the
  // part's father (the separator block, number 3).
  OwnedOrder owned(1, 5);
  setTree(&owned.order,
          {ORDER_BLOCK_DISSECTION, 5, {{ORDER_BLOCK_COMPONENTS, 2, {{0, 1, {}}, {0, 1, {}}}}, {0, 2, {}}, {0, 1, {}}}});
  std::vector<GraphNum> fathers(4);
  orderFatherArray(&owned.order, fathers.data());
  EXPECT_EQ(fathers, (std::vector<GraphNum>{4, 4, 4, -1}));
}

class OrderCheckTest : public ::testing::Test {
 protected:
  OwnedOrder owned{0, 5};
  Order& order = owned.order;
  void SetUp() override {
    for (GraphNum i = 0; i < 5; i++) order.inversePermutation[i] = 4 - i;
  }
  std::string checkMessage() {
    ErrorCapture capture;
    EXPECT_EQ(orderCheck(&order), 1);
    return capture.first();
  }
};

TEST_F(OrderCheckTest, AcceptsValidOrders) {
  ErrorCapture capture;
  EXPECT_EQ(orderCheck(&order), 0);
  setTree(&order, dissection221);
  EXPECT_EQ(orderCheck(&order), 0);
  EXPECT_TRUE(capture.lines.empty());
  EXPECT_TRUE(orderIsValid(order));
}

TEST_F(OrderCheckTest, PermutationFaults) {
  order.inversePermutation[3] = order.inversePermutation[1];
  order.rootBlock.vertexCount = 5;
  // A broken tree too: the permutation is examined first.
  OrderColBlock* children = static_cast<OrderColBlock*>(memAlloc(sizeof(OrderColBlock)));
  order.rootBlock.children = children;
  order.rootBlock.childCount = 0;
  EXPECT_EQ(checkMessage(), "ERROR: orderCheck: duplicate index");
  order.inversePermutation[3] = 5;
  EXPECT_EQ(checkMessage(), "ERROR: orderCheck: invalid index");
  order.inversePermutation[3] = -1;
  EXPECT_EQ(checkMessage(), "ERROR: orderCheck: invalid index");
  order.inversePermutation[3] = 1;
  EXPECT_EQ(checkMessage(), "ERROR: orderCheck2: invalid number of column blocks (1)");
}

TEST_F(OrderCheckTest, RecordFaults) {
  order.vertexCount = 4;
  EXPECT_EQ(checkMessage(), "ERROR: orderCheck: invalid vertex count");
  order.vertexCount = 5;
  order.columnBlockCount = 2;
  EXPECT_EQ(checkMessage(), "ERROR: orderCheck: invalid column block count (1)");
  order.columnBlockCount = -1;
  EXPECT_EQ(checkMessage(), "ERROR: orderCheck: invalid column block count (1)");
  order.columnBlockCount = 1;

  setTree(&order, dissection221);
  order.columnBlockCount = 2;
  EXPECT_EQ(checkMessage(), "ERROR: orderCheck: invalid number of column blocks");
  order.columnBlockCount = 3;
  order.treeNodeCount = 5;
  EXPECT_EQ(checkMessage(), "ERROR: orderCheck: invalid number of tree nodes");
}

TEST_F(OrderCheckTest, TreeFaults) {
  setTree(&order, dissection221);
  order.rootBlock.children[2].vertexCount = 0;
  order.rootBlock.children[1].vertexCount = 3;
  EXPECT_EQ(checkMessage(), "ERROR: orderCheck2: invalid number of vertex nodes (1)");
  order.rootBlock.children[2].vertexCount = 1;
  EXPECT_EQ(checkMessage(), "ERROR: orderCheck2: invalid number of vertex nodes (2)");
  order.rootBlock.children[1].vertexCount = 2;
  order.rootBlock.children[0].childCount = 2;  // leaf claiming children
  EXPECT_EQ(checkMessage(), "ERROR: orderCheck2: invalid number of column blocks (2)");
  order.rootBlock.children[0].childCount = 0;
  ErrorCapture capture;
  EXPECT_EQ(orderCheck(&order), 0);
}

}  // namespace
