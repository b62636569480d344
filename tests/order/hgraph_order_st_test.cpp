// The ordering dispatcher and the simple method.
#include <cstddef>
#include <vector>

#include "order/hgraph_order_methods.h"
#include "order_verify.h"
#include "support/test_support.h"
#include "support/vgraph_support.h"

namespace {

Strat operatorNode(int kind, Strat* first, Strat* second) {
  Strat node{};
  node.table = &hgraphOrderStTable;
  node.kind = kind;
  node.data.concat.first = first;
  node.data.concat.second = second;
  return node;
}

TEST(HgraphOrderSt, GraphWithoutNonHaloVerticesRunsNothing) {
  Hgraph graph;
  hgraphInit(&graph);  // no vertex at all
  OwnedOrder owned(0, 1);
  owned.order.inversePermutation[0] = 77;
  Strat concat = operatorNode(STRAT_CONCAT, &stratEmpty, &stratEmpty);
  ErrorCapture capture;
  EXPECT_EQ(hgraphOrderSt(&graph, &owned.order, 0, &owned.order.rootBlock, &concat), 0);
  EXPECT_TRUE(capture.lines.empty());
  EXPECT_EQ(owned.order.inversePermutation[0], 77);
  hgraphExit(&graph);
}

TEST(HgraphOrderSt, RefusesConcatenationAndSelection) {
  HaloView view;
  buildPath(&view.graph, 0, 3);
  OwnedOrder owned(0, 3);
  Strat concat = operatorNode(STRAT_CONCAT, &stratEmpty, &stratEmpty);
  Strat select = operatorNode(STRAT_SELECT, &stratEmpty, &stratEmpty);
  {
    ErrorCapture capture;
    EXPECT_EQ(hgraphOrderSt(view.wrap(), &owned.order, 0, &owned.order.rootBlock, &concat), 1);
    EXPECT_EQ(capture.first(),
              "ERROR: hgraphOrderSt: concatenation operator not available for graph ordering strategies");
  }
  {
    ErrorCapture capture;
    EXPECT_EQ(hgraphOrderSt(view.wrap(), &owned.order, 0, &owned.order.rootBlock, &select), 1);
    EXPECT_EQ(capture.first(), "ERROR: hgraphOrderSt: selection operator not available for graph ordering strategies");
  }
}

TEST(HgraphOrderSimple, WritesVertexNumbersFromTheStartPosition) {
  // A halo graph with vertexNumber {5, 3, 9} and a halo vertex, placed from position 2.
  HaloView view;
  buildGraph(&view.graph, 0, 10, {{5, 3}, {3, 9}, {9, 0}});
  Hgraph induced;
  const GraphNum list[3] = {5, 3, 9};
  ASSERT_EQ(hgraphInduceList(view.wrap(), 3, list, 7, &induced), 0);
  ASSERT_EQ(induced.graph.vertexCount, 4);
  OwnedOrder owned(0, 6);
  std::fill(owned.order.inversePermutation, owned.order.inversePermutation + 6, -1);
  OrderStrat simple("s");
  EXPECT_EQ(hgraphOrderSt(&induced, &owned.order, 2, &owned.order.rootBlock, simple.get()), 0);
  EXPECT_EQ(inverseOf(owned.order), (std::vector<GraphNum>{-1, -1, 5, 3, 9, -1}));
  EXPECT_EQ(owned.order.rootBlock.children, nullptr);
  hgraphExit(&induced);

  HaloView based;
  buildPath(&based.graph, 1, 3);
  OwnedOrder second(1, 3);
  EXPECT_EQ(hgraphOrderSt(based.wrap(), &second.order, 0, &second.order.rootBlock, simple.get()), 0);
  EXPECT_EQ(inverseOf(second.order), (std::vector<GraphNum>{1, 2, 3}));
}

TEST(HgraphOrderSt, EmptyStrategyOrdersLikeSimple) {
  HaloView view;
  buildGrid(&view.graph, 1, 3, 4);
  OwnedOrder empty(1, 12), simple(1, 12);
  for (GraphNum i = 0; i < 12; i++) empty.order.inversePermutation[i] = simple.order.inversePermutation[i] = 0;
  EXPECT_EQ(hgraphOrderSt(view.wrap(), &empty.order, 0, &empty.order.rootBlock, &stratEmpty), 0);
  EXPECT_EQ(orderWith(view.wrap(), "s", simple), 0);
  EXPECT_EQ(inverseOf(empty.order), inverseOf(simple.order));
  EXPECT_TRUE(orderIsValid(empty.order));
}

TEST(HgraphOrderSt, MethodFailurePassesUp) {
  HaloView view;
  buildPath(&view.graph, 0, 4);
  OwnedOrder owned(0, 4);
  ErrorCapture capture;
  EXPECT_NE(orderWith(view.wrap(), "b{cmin=0}", owned), 0);
  EXPECT_EQ(capture.first(), "ERROR: hgraphOrderBl: invalid minimum block size");
}

// A chain of 100000 conditions whose tests fail, each leading to the next
// through its else branch, the last one true: the dispatcher reaches the
// last then-branch without exhausting the call stack and orders the graph
// with it. The other branches are concatenations, which would fail.
TEST(HgraphOrderSt, LongConditionChainReachesItsLastBranch) {
  HaloView view;
  buildPath(&view.graph, 0, 9);
  StratArena arena;
  const int vertDisplacement = offsetof(Hgraph, nonHaloVertexCount);
  Strat* refused = arena.concat(arena.empty(&hgraphOrderStTable), arena.empty(&hgraphOrderStTable));
  OrderStrat degree("d{cmin=0,frat=0.0}");
  Strat* chain = arena.condition(arena.greater(&hgraphOrderStTable, vertDisplacement, 8),
                                 const_cast<Strat*>(degree.get()), refused);
  for (int k = 0; k < 100000; k++)
    chain = arena.condition(arena.greater(&hgraphOrderStTable, vertDisplacement, 9), refused, chain);
  OwnedOrder owned(0, 9), expected(0, 9);
  EXPECT_EQ(hgraphOrderSt(view.wrap(), &owned.order, 0, &owned.order.rootBlock, chain), 0);
  EXPECT_EQ(hgraphOrderSt(view.wrap(), &expected.order, 0, &expected.order.rootBlock, degree.get()), 0);
  EXPECT_TRUE(orderIsValid(owned.order));
  EXPECT_EQ(inverseOf(owned.order), inverseOf(expected.order));
}

// A star whose centre lies outside the list: the listed leaves have degree
// 1, but the halo centre gives the halo graph a largest degree of 6.
class HaloStar : public ::testing::Test {
 protected:
  HaloView view;
  Hgraph induced;
  void SetUp() override {
    buildGraph(&view.graph, 0, 7, {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}, {0, 6}});
    const GraphNum leaves[6] = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(hgraphInduceList(view.wrap(), 6, leaves, 1, &induced), 0);
    ASSERT_EQ(induced.graph.maxDegree, 6);
  }
  void TearDown() override { hgraphExit(&induced); }
};

TEST_F(HaloStar, ConditionReadsTheLargestDegreeOfTheWholeHaloGraph) {
  // The listed leaves are six isolated non-halo vertices: the component
  // method gives six blocks, the simple method one.
  OwnedOrder taken(0, 7), notTaken(0, 7);
  OrderStrat high("/(mdeg>5)?o{strat=s}:s;");
  OrderStrat low("/(mdeg>6)?o{strat=s}:s;");
  EXPECT_EQ(hgraphOrderSt(&induced, &taken.order, 1, &taken.order.rootBlock, high.get()), 0);
  EXPECT_EQ(hgraphOrderSt(&induced, &notTaken.order, 1, &notTaken.order.rootBlock, low.get()), 0);
  EXPECT_EQ(taken.order.columnBlockCount, 6);
  EXPECT_EQ(notTaken.order.columnBlockCount, 1);
  EXPECT_TRUE(positionsHold(taken.order, 1, {1, 2, 3, 4, 5, 6}));
}

TEST_F(HaloStar, FalseConditionWithoutElseStillPlacesEveryVertex) {
  OwnedOrder owned(0, 6);
  std::fill(owned.order.inversePermutation, owned.order.inversePermutation + 6, -1);
  OrderStrat strat("/(vert>100)?o{strat=s};");
  EXPECT_EQ(hgraphOrderSt(&induced, &owned.order, 0, &owned.order.rootBlock, strat.get()), 0);
  EXPECT_EQ(inverseOf(owned.order), (std::vector<GraphNum>{1, 2, 3, 4, 5, 6}));
}

TEST_F(HaloStar, ConditionVariablesReadTheHaloGraph) {
  // vert counts non-halo vertices (6), edge all arcs (12), levl the depth (1).
  const char* holding[] = {"/(vert=6)?o{strat=s}:s;", "/(edge=12)?o{strat=s}:s;", "/(levl=1)?o{strat=s}:s;",
                           "/(load=6)?o{strat=s}:s;"};
  for (const char* text : holding) {
    OwnedOrder owned(0, 6);
    OrderStrat strat(text);
    EXPECT_EQ(hgraphOrderSt(&induced, &owned.order, 0, &owned.order.rootBlock, strat.get()), 0);
    EXPECT_EQ(owned.order.columnBlockCount, 6) << text;
  }
}

}  // namespace
