// The public ordering handle and the library ordering entry.
#include <algorithm>
#include <numeric>
#include <vector>

#include "order/library_order.h"
#include "order/library_strat.h"
#include "order_verify.h"
#include "plyxen.h"
#include "support/test_support.h"
#include "vgraph/vgraph.h"

namespace {

PLYXEN_Graph* handleOf(Graph* graph) { return reinterpret_cast<PLYXEN_Graph*>(graph); }
LibOrder* libOf(PLYXEN_Ordering* ordering) { return reinterpret_cast<LibOrder*>(ordering); }

// A strategy handle released at the end of the scope.
struct StratHandle {
  PLYXEN_Strat handle;
  StratHandle() { PLYXEN_stratInit(&handle); }
  explicit StratHandle(const char* text) {
    PLYXEN_stratInit(&handle);
    EXPECT_EQ(PLYXEN_stratGraphOrder(&handle, text), 0) << text;
  }
  ~StratHandle() { PLYXEN_stratExit(&handle); }
  Strat* strat() { return stratHandleGet(&handle); }
  void set(Strat* pointer) { stratHandleSet(&handle, pointer); }
};

// Outputs of one library ordering.
struct Outputs {
  std::vector<GraphNum> permutation, inverse, ranges, fathers;
  GraphNum blockCount = -5;
  explicit Outputs(GraphNum vertexCount)
      : permutation(vertexCount, -9), inverse(vertexCount, -9), ranges(vertexCount + 1, -9),
        fathers(vertexCount, -9) {}
};

int orderList(Graph* graph, const std::vector<GraphNum>& list, const char* strategy, Outputs& out) {
  StratHandle strat(strategy);
  return PLYXEN_graphOrderList(handleOf(graph), static_cast<GraphNum>(list.size()), list.data(), &strat.handle,
                               out.permutation.data(), out.inverse.data(), &out.blockCount, out.ranges.data(),
                               out.fathers.data());
}

// The direct permutation is the inverse of the inverse one, and the ranges
// cover [base, base + n) in increasing steps.
void expectConsistent(const Outputs& out, GraphNum base) {
  const GraphNum n = static_cast<GraphNum>(out.inverse.size());
  for (GraphNum p = 0; p < n; p++) {
    ASSERT_GE(out.inverse[p], base);
    ASSERT_LT(out.inverse[p], base + n);
    EXPECT_EQ(out.permutation[out.inverse[p] - base], base + p);
  }
  ASSERT_GE(out.blockCount, 1);
  EXPECT_EQ(out.ranges[0], base);
  EXPECT_EQ(out.ranges[out.blockCount], base + n);
  for (GraphNum k = 0; k < out.blockCount; k++) EXPECT_LT(out.ranges[k], out.ranges[k + 1]);
}

TEST(LibraryOrderHandle, GraphHandleStandsForAbsentArrays) {
  Graph graph;
  buildPath(&graph, 1, 4);
  PLYXEN_Ordering ordering;
  PLYXEN_Num* self = reinterpret_cast<PLYXEN_Num*>(&graph);
  ASSERT_EQ(PLYXEN_graphOrderInit(handleOf(&graph), &ordering, self, self, self, self, self), 0);
  LibOrder* lib = libOf(&ordering);
  EXPECT_EQ(lib->permutation, nullptr);
  EXPECT_EQ(lib->inversePermutationOut, nullptr);
  EXPECT_EQ(lib->columnBlockCountOut, nullptr);
  EXPECT_EQ(lib->rangeArray, nullptr);
  EXPECT_EQ(lib->treeArray, nullptr);
  EXPECT_EQ(lib->order.flags, ORDER_FREE_PERMUTATION);
  EXPECT_EQ(lib->order.base, 1);
  EXPECT_EQ(lib->order.vertexCount, 4);
  PLYXEN_graphOrderExit(handleOf(&graph), &ordering);

  std::vector<GraphNum> inverse(4);
  ASSERT_EQ(PLYXEN_graphOrderInit(handleOf(&graph), &ordering, nullptr, inverse.data(), nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(lib->order.inversePermutation, inverse.data());
  EXPECT_EQ(lib->order.flags, 0);
  PLYXEN_graphOrderExit(handleOf(&graph), &ordering);
  graphExit(&graph);
}

TEST(LibraryOrderHandle, LoadFillsThePermutationAndSaveWritesItBack) {
  Graph graph;
  buildPath(&graph, 1, 4);
  std::vector<GraphNum> permutation(4, 0), inverse(4, 0);
  PLYXEN_Ordering ordering;
  ASSERT_EQ(PLYXEN_graphOrderInit(handleOf(&graph), &ordering, permutation.data(), inverse.data(), nullptr, nullptr,
                                  nullptr),
            0);
  const std::string text = "4\n1\t3\n2\t1\n3\t4\n4\t2\n";
  const std::string path = temporaryPath("handle.ord");
  writeFile(path, text);
  FILE* stream = fopen(path.c_str(), "r");
  ASSERT_EQ(PLYXEN_graphOrderLoad(handleOf(&graph), &ordering, stream), 0);
  fclose(stream);
  EXPECT_EQ(permutation, (std::vector<GraphNum>{3, 1, 4, 2}));
  EXPECT_EQ(inverse, (std::vector<GraphNum>{2, 4, 1, 3}));
  EXPECT_EQ(PLYXEN_graphOrderCheck(handleOf(&graph), &ordering), 0);

  const std::string outPath = temporaryPath("handle_out.ord");
  stream = fopen(outPath.c_str(), "w");
  ASSERT_EQ(PLYXEN_graphOrderSave(handleOf(&graph), &ordering, stream), 0);
  fclose(stream);
  EXPECT_EQ(readFile(outPath), text);
  stream = fopen(outPath.c_str(), "w");
  ASSERT_EQ(PLYXEN_graphOrderSaveMap(handleOf(&graph), &ordering, stream), 0);
  fclose(stream);
  EXPECT_EQ(readFile(outPath), "4\n1\t0\n2\t0\n3\t0\n4\t0\n");
  stream = fopen(outPath.c_str(), "w");
  ASSERT_EQ(PLYXEN_graphOrderSaveTree(handleOf(&graph), &ordering, stream), 0);
  fclose(stream);
  EXPECT_EQ(readFile(outPath), "4\n1\t-1\n2\t-1\n3\t-1\n4\t-1\n");
  PLYXEN_graphOrderExit(handleOf(&graph), &ordering);
  graphExit(&graph);
}

TEST(LibraryOrderHandle, LabelledGraphsWriteLabelsButCannotLoad) {
  // Path 1-2-3 built over caller arrays with labels 7, 8, 9.
  const PLYXEN_Num begin[4] = {1, 2, 4, 5};
  const PLYXEN_Num ends[4] = {2, 1, 3, 2};
  const PLYXEN_Num labels[3] = {7, 8, 9};
  PLYXEN_Graph graph;
  PLYXEN_graphInit(&graph);
  ASSERT_EQ(PLYXEN_graphBuild(&graph, 1, 3, begin, nullptr, nullptr, labels, 4, ends, nullptr), 0);
  PLYXEN_Ordering ordering;
  ASSERT_EQ(PLYXEN_graphOrderInit(&graph, &ordering, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
  GraphNum* inverse = libOf(&ordering)->order.inversePermutation;
  inverse[0] = 3, inverse[1] = 1, inverse[2] = 2;
  const std::string path = temporaryPath("labels.ord");
  FILE* stream = fopen(path.c_str(), "w");
  ASSERT_EQ(PLYXEN_graphOrderSave(&graph, &ordering, stream), 0);
  fclose(stream);
  // Vertex 1 at position 2 (label 8), vertex 2 at 3 (label 9), vertex 3 at 1 (label 7).
  EXPECT_EQ(readFile(path), "3\n7\t8\n8\t9\n9\t7\n");
  stream = fopen(path.c_str(), "r");
  {
    ErrorCapture capture;
    EXPECT_EQ(PLYXEN_graphOrderLoad(&graph, &ordering, stream), 1);
    EXPECT_EQ(capture.first(), "ERROR: orderLoad: vertex labels not yet supported");
  }
  fclose(stream);
  PLYXEN_graphOrderExit(&graph, &ordering);
  PLYXEN_graphExit(&graph);
}

TEST(LibraryOrder, FullListInAnyOrderEqualsWholeGraph) {
  Graph graph;
  buildGrid(&graph, 1, 7, 6);
  const char* strategies[] = {"g", "c{rat=0.7,cpr=g,unc=o{strat=g}}", "b{cmin=4,strat=g}"};
  for (const char* strategy : strategies) {
    Outputs whole(42), listed(42);
    StratHandle strat(strategy);
    ASSERT_EQ(PLYXEN_graphOrder(handleOf(&graph), &strat.handle, whole.permutation.data(), whole.inverse.data(),
                                &whole.blockCount, whole.ranges.data(), whole.fathers.data()),
              0);
    std::vector<GraphNum> list(42);
    for (GraphNum i = 0; i < 42; i++) list[i] = 1 + (i * 11) % 42;  // 11 is prime to 42
    ASSERT_EQ(orderList(&graph, list, strategy, listed), 0);
    EXPECT_EQ(listed.inverse, whole.inverse) << strategy;
    EXPECT_EQ(listed.permutation, whole.permutation) << strategy;
    EXPECT_EQ(listed.blockCount, whole.blockCount) << strategy;
    EXPECT_EQ(listed.ranges, whole.ranges) << strategy;
    EXPECT_EQ(listed.fathers, whole.fathers) << strategy;
    expectConsistent(whole, 1);
  }
  graphExit(&graph);
}

TEST(LibraryOrder, PartialListPutsTheOthersLastInIncreasingOrder) {
  for (GraphNum base : {0, 1}) {
    Graph graph;
    buildPath(&graph, base, 5);
    Outputs out(5);
    ASSERT_EQ(orderList(&graph, {base + 3, base + 1}, "s", out), 0);
    // The listed vertices come first in list order (simple method on the
    // induced graph), the three others after them in increasing order.
    EXPECT_EQ(out.inverse, (std::vector<GraphNum>{base + 3, base + 1, base + 0, base + 2, base + 4}));
    EXPECT_EQ(out.blockCount, 2);
    EXPECT_EQ(std::vector<GraphNum>(out.ranges.begin(), out.ranges.begin() + 3),
              (std::vector<GraphNum>{base, base + 2, base + 5}));
    EXPECT_EQ(std::vector<GraphNum>(out.fathers.begin(), out.fathers.begin() + 2), (std::vector<GraphNum>{-1, -1}));
    expectConsistent(out, base);
    graphExit(&graph);
  }
}

TEST(LibraryOrder, PartialListTreeIsADissectionRoot) {
  Graph graph;
  buildGrid(&graph, 0, 4, 4);
  PLYXEN_Ordering ordering;
  ASSERT_EQ(PLYXEN_graphOrderInit(handleOf(&graph), &ordering, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
  StratHandle strat("o{strat=g}");
  const std::vector<GraphNum> list = {0, 5, 10, 15, 3, 12};  // a diagonal and two corners
  ASSERT_EQ(PLYXEN_graphOrderComputeList(handleOf(&graph), &ordering, 6, list.data(), &strat.handle), 0);
  const Order& order = libOf(&ordering)->order;
  EXPECT_TRUE(orderIsValid(order));
  EXPECT_EQ(order.rootBlock.type, ORDER_BLOCK_DISSECTION);
  ASSERT_EQ(order.rootBlock.childCount, 2);
  EXPECT_EQ(order.rootBlock.children[0].vertexCount, 6);
  EXPECT_EQ(order.rootBlock.children[1].vertexCount, 10);
  EXPECT_TRUE(positionsHold(order, 0, list));
  // The listed vertices are not adjacent to each other: one component each.
  EXPECT_EQ(order.rootBlock.children[0].childCount, 6);

  // Computing again into the same handle starts from a fresh tree.
  ASSERT_EQ(PLYXEN_graphOrderCompute(handleOf(&graph), &ordering, &strat.handle), 0);
  EXPECT_TRUE(orderIsValid(order));
  EXPECT_EQ(order.rootBlock.type, ORDER_BLOCK_PLAIN);
  EXPECT_EQ(order.columnBlockCount, 1);
  PLYXEN_graphOrderExit(handleOf(&graph), &ordering);
  graphExit(&graph);
}

TEST(LibraryOrder, EmptyListGivesTheIdentityAndTouchesNothingElse) {
  Graph graph;
  buildPath(&graph, 1, 4);
  Outputs out(4);
  ASSERT_EQ(orderList(&graph, {}, "g", out), 0);
  EXPECT_EQ(out.inverse, (std::vector<GraphNum>{1, 2, 3, 4}));
  EXPECT_EQ(out.permutation, std::vector<GraphNum>(4, -9));
  EXPECT_EQ(out.ranges, std::vector<GraphNum>(5, -9));
  EXPECT_EQ(out.blockCount, -5);
  graphExit(&graph);
}

TEST(LibraryOrder, RefusesInvalidLists) {
  Graph graph;
  buildPath(&graph, 1, 5);
  struct Case {
    std::vector<GraphNum> list;
    const char* message;
  };
  const Case cases[] = {
      {{1, 6}, "ERROR: PLYXEN_graphOrderComputeList: invalid vertex 6 in list"},
      {{0}, "ERROR: PLYXEN_graphOrderComputeList: invalid vertex 0 in list"},
      {{2, 3, 2}, "ERROR: PLYXEN_graphOrderComputeList: vertex 2 listed twice"},
      {{1, 2, 3, 4, 5, 1}, "ERROR: PLYXEN_graphOrderComputeList: invalid list count"},
  };
  for (const Case& c : cases) {
    Outputs out(5);
    ErrorCapture capture;
    EXPECT_EQ(orderList(&graph, c.list, "s", out), 1);
    EXPECT_EQ(capture.first(), c.message);
  }
  StratHandle strat("s");
  ErrorCapture capture;
  EXPECT_EQ(PLYXEN_graphOrderList(handleOf(&graph), -1, nullptr, &strat.handle, nullptr, nullptr, nullptr, nullptr,
                                  nullptr),
            1);
  EXPECT_EQ(capture.first(), "ERROR: PLYXEN_graphOrderComputeList: invalid list count");
  graphExit(&graph);
}

TEST(LibraryOrder, RefusesStrategiesOfAnotherTable) {
  Graph graph;
  buildPath(&graph, 0, 3);
  StratHandle strat;
  strat.set(stratBuild(&vgraphSeparateStTable, "z"));
  ASSERT_NE(strat.strat(), nullptr);
  ErrorCapture capture;
  EXPECT_EQ(PLYXEN_graphOrder(handleOf(&graph), &strat.handle, nullptr, nullptr, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(capture.first(), "ERROR: PLYXEN_graphOrderComputeList: not an ordering strategy");
  graphExit(&graph);
}

TEST(LibraryOrder, RefusesAnOrderingOfAnotherGraph) {
  Graph small, large;
  buildPath(&small, 0, 3);
  buildPath(&large, 0, 6);
  PLYXEN_Ordering ordering;
  ASSERT_EQ(PLYXEN_graphOrderInit(handleOf(&small), &ordering, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
  StratHandle strat("s");
  {
    ErrorCapture capture;
    EXPECT_EQ(PLYXEN_graphOrderCompute(handleOf(&large), &ordering, &strat.handle), 1);
    EXPECT_EQ(capture.first(), "ERROR: PLYXEN_graphOrderComputeList: ordering does not match graph");
  }
  PLYXEN_graphOrderExit(handleOf(&small), &ordering);
  graphExit(&small);
  graphExit(&large);
}

std::string savedText(PLYXEN_Strat* handle) {
  const std::string path = temporaryPath("strategy.txt");
  FILE* stream = fopen(path.c_str(), "w");
  EXPECT_EQ(PLYXEN_stratSave(handle, stream), 0);
  fclose(stream);
  return readFile(path);
}

TEST(LibraryOrder, EmptyHandleIsFilledWithTheDefaultStrategy) {
  Graph graph;
  buildGrid(&graph, 0, 12, 11);
  StratHandle empty;
  Outputs out(132);
  ASSERT_EQ(PLYXEN_graphOrder(handleOf(&graph), &empty.handle, out.permutation.data(), out.inverse.data(),
                              &out.blockCount, out.ranges.data(), out.fathers.data()),
            0);
  expectConsistent(out, 0);
  ASSERT_NE(empty.strat(), nullptr);
  StratHandle built;
  ASSERT_EQ(PLYXEN_stratGraphOrderBuild(&built.handle, 1, 0, 0.2), 0);
  EXPECT_EQ(savedText(&empty.handle), savedText(&built.handle));
  graphExit(&graph);
}

TEST(LibraryOrder, RealGraphsThroughTheLibraryEntry) {
  const std::vector<std::string> names = sharedGraphNames();
  if (names.empty()) GTEST_SKIP() << "no shared graphs";
  for (const std::string& name : names) {
    Graph graph;
    loadSharedGraph(&graph, name);
    if (graph.vertexCount > 20000) {  // keeps the suite fast
      graphExit(&graph);
      continue;
    }
    const GraphNum n = graph.vertexCount;
    // Every third vertex, listed from the top down.
    std::vector<GraphNum> list;
    for (GraphNum v = graph.vertexEnd - 1; v >= graph.base; v -= 3) list.push_back(v);
    PLYXEN_Ordering ordering;
    ASSERT_EQ(PLYXEN_graphOrderInit(handleOf(&graph), &ordering, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    StratHandle strat("c{rat=0.7,cpr=o{strat=b{cmin=20,strat=g}},unc=g}");
    ASSERT_EQ(PLYXEN_graphOrderComputeList(handleOf(&graph), &ordering, static_cast<GraphNum>(list.size()),
                                           list.data(), &strat.handle),
              0)
        << name;
    const Order& order = libOf(&ordering)->order;
    EXPECT_TRUE(orderIsValid(order)) << name;
    EXPECT_TRUE(positionsHold(order, 0, list)) << name;
    // The unlisted vertices follow in increasing order.
    std::vector<GraphNum> rest;
    for (GraphNum v = graph.base; v < graph.vertexEnd; v++)
      if ((graph.vertexEnd - 1 - v) % 3 != 0) rest.push_back(v);
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), order.inversePermutation + list.size())) << name;
    EXPECT_EQ(static_cast<GraphNum>(list.size() + rest.size()), n);
    PLYXEN_graphOrderExit(handleOf(&graph), &ordering);
    graphExit(&graph);
  }
}

TEST(InterfaceOrder, OrdersAndShrinksTheRanges) {
  Graph graph;
  buildGrid(&graph, 1, 5, 5);
  std::vector<GraphNum> all(25);
  std::iota(all.begin(), all.end(), 1);
  InterfaceOrder order;
  interfaceOrderInit(&order);
  ASSERT_EQ(orderGraphListStrat(&order, &graph, 25, all.data(), "b{cmin=5,strat=g}"), 0);
  EXPECT_EQ(order.columnBlockCount, 5);
  Outputs out(25);
  std::copy(order.permutation, order.permutation + 25, out.permutation.begin());
  std::copy(order.inversePermutation, order.inversePermutation + 25, out.inverse.begin());
  std::copy(order.rangeArray, order.rangeArray + 6, out.ranges.begin());
  out.blockCount = order.columnBlockCount;
  expectConsistent(out, 1);
  EXPECT_EQ(std::vector<GraphNum>(out.ranges.begin(), out.ranges.begin() + 6),
            (std::vector<GraphNum>{1, 6, 11, 16, 21, 26}));
  interfaceOrderExit(&order);
  EXPECT_EQ(order.permutation, nullptr);
  EXPECT_EQ(order.rangeArray, nullptr);
  graphExit(&graph);
}

TEST(InterfaceOrder, FailuresLeaveTheRecordEmpty) {
  Graph graph;
  buildPath(&graph, 1, 3);
  const GraphNum all[3] = {1, 2, 3};
  InterfaceOrder order;
  interfaceOrderInit(&order);
  {
    ErrorCapture capture;
    EXPECT_EQ(orderGraphListStrat(&order, &graph, 3, all, "q{"), 1);
    EXPECT_TRUE(capture.contains("PLYXEN_stratGraphOrder: error in ordering strategy"));
  }
  EXPECT_EQ(order.permutation, nullptr);
  EXPECT_EQ(order.inversePermutation, nullptr);
  EXPECT_EQ(order.rangeArray, nullptr);
  EXPECT_EQ(order.columnBlockCount, 0);
  {
    ErrorCapture capture;
    EXPECT_EQ(orderGraphListStrat(&order, &graph, 3, all, "b{cmin=0}"), 1);
    EXPECT_EQ(capture.first(), "ERROR: hgraphOrderBl: invalid minimum block size");
  }
  EXPECT_EQ(order.permutation, nullptr);
  graphExit(&graph);
}

TEST(InterfaceOrder, EmptyListStillGivesCompleteOutputs) {
  Graph graph;
  buildPath(&graph, 1, 3);
  InterfaceOrder order;
  interfaceOrderInit(&order);
  ASSERT_EQ(orderGraphListStrat(&order, &graph, 0, nullptr, "s"), 0);
  EXPECT_EQ(order.columnBlockCount, 1);
  EXPECT_EQ(std::vector<GraphNum>(order.permutation, order.permutation + 3), (std::vector<GraphNum>{1, 2, 3}));
  EXPECT_EQ(order.rangeArray[0], 1);
  EXPECT_EQ(order.rangeArray[1], 4);
  interfaceOrderExit(&order);
  graphExit(&graph);
}

}  // namespace
