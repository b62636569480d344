// Multilevel separation (m): coarsening depth seen by "levl", projection
// of coarse separations and consistency at every level, and the matching
// type.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <string>

#include "graph/graph_coarsen.h"
#include "support/test_support.h"
#include "support/vgraph_support.h"
#include "vgraph/vgraph_separate_methods.h"
#include "vgraph/vgraph_separate_ml.h"

namespace {

// One record per call of the test methods.
struct LevelCall {
  bool low;
  GraphNum level;
  GraphNum vertexCount;
  bool consistent;          // on entry and, when refining, on exit
  GraphNum entryLoad[3];    // partLoad on entry
  GraphNum entryDelta;
  GraphNum exitLoad[3];     // partLoad on exit
  GraphNum exitDelta;
  GraphNum frontierCount;   // on entry
};
std::vector<LevelCall> calls;
bool refine = false;  // low separates by level structure and asc refines by FM

int recordCall(Vgraph* vgraph, bool low) {
  calls.push_back({low, vgraph->level, vgraph->graph.vertexCount, static_cast<bool>(vgraphConsistent(vgraph)),
                   {vgraph->partLoad[0], vgraph->partLoad[1], vgraph->partLoad[2]}, vgraph->loadDelta,
                   {0, 0, 0}, 0, vgraph->frontierCount});
  int result = 0;
  if (refine) {
    if (low) {
      const VgraphSeparateGpParam param = {9};
      result = vgraphSeparateGp(vgraph, &param);
    } else {
      const VgraphSeparateFmParam param = {200, 1000, 0.2};
      result = vgraphSeparateFm(vgraph, &param);
    }
    if (!vgraphConsistent(vgraph)) calls.back().consistent = false;
  }
  for (int part = 0; part < 3; part++) calls.back().exitLoad[part] = vgraph->partLoad[part];
  calls.back().exitDelta = vgraph->loadDelta;
  return result;
}
int lowMethod(Vgraph* vgraph, const void*) { return recordCall(vgraph, true); }
int ascMethod(Vgraph* vgraph, const void*) { return recordCall(vgraph, false); }
int failMethod(Vgraph*, const void*) { return 1; }

const StratMethod testMethods[] = {
    {0, "l", reinterpret_cast<StratMethodFunction>(lowMethod), nullptr},
    {1, "a", reinterpret_cast<StratMethodFunction>(ascMethod), nullptr},
    {2, "x", reinterpret_cast<StratMethodFunction>(failMethod), nullptr},
    {-1, nullptr, nullptr, nullptr},
};
const StratParam noParams[] = {{-1, 0, nullptr, nullptr, nullptr, nullptr}};
const StratTab testTable = {testMethods, noParams, noParams};

struct Multilevel : testing::Test {
  StratArena arena;
  void SetUp() override {
    calls.clear();
    refine = false;
    intRandSeed(1);
  }
  int separate(TestVgraph& test, Strat* low, Strat* asc, GraphNum vert = 100, double rat = 0.8) {
    const VgraphSeparateMlParam param = {asc, low, 0, vert, rat};
    return vgraphSeparateMl(&test.vgraph, &param);
  }
};

TEST_F(Multilevel, SmallGraphIsResetAndSeparatedByLow) {
  Graph graph;
  buildGrid(&graph, 1, 31, 4);  // 124 vertices: 0.8 * 124 < 100, no coarsening
  TestVgraph test(&graph);
  std::vector<int> parts(124, 1);
  parts[0] = 0;
  parts[1] = 2;
  parts[31] = 2;
  test.setParts(parts);
  ASSERT_EQ(separate(test, arena.method(&testTable, 0), arena.method(&testTable, 1)), 0);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_TRUE(calls[0].low);
  EXPECT_EQ(calls[0].level, 0);
  EXPECT_EQ(calls[0].vertexCount, 124);
  EXPECT_EQ(calls[0].frontierCount, 0);  // reset before low runs
  EXPECT_EQ(test.parts(), std::vector<int>(124, 0));
  EXPECT_TRUE(vgraphConsistent(&test.vgraph));
}

// A ratio of 1 or more would keep steps that merge almost nothing, or
// nothing on a graph without edges: refused before anything is done. A
// ratio of 0 or less never coarsens.
TEST_F(Multilevel, CoarseningRatiosOfOneOrMoreAreRefused) {
  Graph graph;
  for (double ratio : {1.0, 1.0000001, 5.2, 1e308, std::numeric_limits<double>::infinity(),
                       std::numeric_limits<double>::quiet_NaN()}) {
    buildGrid(&graph, 0, 12, 12);
    TestVgraph test(&graph);
    test.vgraph.level = 3;
    ErrorCapture capture;
    EXPECT_EQ(separate(test, arena.method(&testTable, 0), arena.method(&testTable, 1), 1, ratio), 1) << ratio;
    EXPECT_EQ(capture.lines, std::vector<std::string>{"ERROR: vgraphSeparateMl: invalid coarsening ratio"});
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(test.vgraph.level, 3);
  }
  for (double ratio : {0.0, -1.0, -1e308, 0.9999999}) {
    calls.clear();
    buildGrid(&graph, 0, 12, 12);
    TestVgraph test(&graph);
    ASSERT_EQ(separate(test, arena.method(&testTable, 0), arena.method(&testTable, 1), 0, ratio), 0) << ratio;
    ASSERT_FALSE(calls.empty());
    EXPECT_TRUE(calls[0].low);
    if (ratio <= 0.0) {
      EXPECT_EQ(calls.size(), 1u);  // the graph given is the coarsest
    }
    EXPECT_TRUE(vgraphConsistent(&test.vgraph));
  }
}

TEST_F(Multilevel, EmptyStrategiesLeaveEveryLevelInPartZero) {
  Graph graph;
  buildGrid(&graph, 0, 40, 30);
  TestVgraph test(&graph);
  test.setParts(std::vector<int>(1200, 0));
  ASSERT_EQ(separate(test, &stratEmpty, &stratEmpty), 0);
  EXPECT_EQ(test.parts(), std::vector<int>(1200, 0));
  EXPECT_TRUE(vgraphConsistent(&test.vgraph));
}

TEST_F(Multilevel, LevelsCountTheCoarseningDepthAndAreRestored) {
  Graph graph;
  buildGrid(&graph, 0, 40, 30);
  TestVgraph test(&graph);
  test.vgraph.level = 7;
  refine = true;
  ASSERT_EQ(separate(test, arena.method(&testTable, 0), arena.method(&testTable, 1)), 0);
  EXPECT_EQ(test.vgraph.level, 7);
  ASSERT_GE(calls.size(), 3u);  // 1200 vertices need several steps to go below 100
  const GraphNum depth = static_cast<GraphNum>(calls.size()) - 1;
  EXPECT_TRUE(calls[0].low);
  EXPECT_EQ(calls[0].level, depth);
  EXPECT_LE(calls[0].vertexCount, 125);
  for (GraphNum index = 1; index <= depth; index++) {
    EXPECT_FALSE(calls[index].low);
    EXPECT_EQ(calls[index].level, depth - index);
    EXPECT_GT(calls[index].vertexCount, calls[index - 1].vertexCount);
    EXPECT_TRUE(calls[index].consistent) << "level " << depth - index;
  }
  EXPECT_EQ(calls[depth].vertexCount, 1200);
  EXPECT_TRUE(vgraphConsistent(&test.vgraph));
  EXPECT_GT(test.vgraph.partSize[0], 0);
  EXPECT_GT(test.vgraph.partSize[1], 0);
}

TEST_F(Multilevel, ProjectionCarriesTheLoadsOfTheCoarserLevel) {
  // Coarsening keeps loads, so each level starts its "asc" strategy with the
  // loads that the coarser level ended with.
  Graph graph;
  buildGrid(&graph, 1, 50, 20);
  TestVgraph test(&graph);
  refine = true;
  ASSERT_EQ(separate(test, arena.method(&testTable, 0), arena.method(&testTable, 1)), 0);
  ASSERT_GE(calls.size(), 2u);
  for (size_t index = 1; index < calls.size(); index++) {
    EXPECT_TRUE(calls[index].consistent);
    for (int part = 0; part < 3; part++) EXPECT_EQ(calls[index].entryLoad[part], calls[index - 1].exitLoad[part]);
    EXPECT_EQ(calls[index].entryDelta, calls[index - 1].exitDelta);
    EXPECT_GT(calls[index].frontierCount, 0);
  }
  EXPECT_EQ(test.vgraph.partLoad[2], calls.back().exitLoad[2]);
}

TEST_F(Multilevel, FailureOfLowOrAscIsReported) {
  Graph graph;
  buildGrid(&graph, 0, 40, 30);
  TestVgraph test(&graph);
  {
    ErrorCapture capture;
    EXPECT_NE(separate(test, arena.method(&testTable, 2), &stratEmpty), 0);
    EXPECT_TRUE(capture.contains("vgraphSeparateMl2: cannot apply low strategy"));
  }
  {
    ErrorCapture capture;
    EXPECT_NE(separate(test, &stratEmpty, arena.method(&testTable, 2)), 0);
    EXPECT_TRUE(capture.contains("vgraphSeparateMl2: cannot apply ascending strategy"));
    EXPECT_EQ(test.vgraph.level, 0);
  }
}

TEST(MultilevelUncoarsen, SeparatorMultinodesListBothFineVertices) {
  // Fine path 0-1-2-3-4-5 (base 0); coarse vertices {0,1}, {2}, {3,4}, {5}
  // with parts 0, 2, 2, 1 project to 0 0 2 2 2 1 with frontier 2, 3, 4.
  Graph fineGraph;
  buildPath(&fineGraph, 0, 6);
  TestVgraph fine(&fineGraph);
  Graph coarseGraph;
  buildPath(&coarseGraph, 0, 4);
  TestVgraph coarse(&coarseGraph);
  coarse.setParts({0, 2, 2, 1});
  // Coarse loads as coarsening would give them: 2, 1, 2, 1.
  coarse.vgraph.partLoad[0] = 2;
  coarse.vgraph.partLoad[1] = 1;
  coarse.vgraph.partLoad[2] = 3;
  coarse.vgraph.loadDelta = 1;
  const MultinodePair multinodes[] = {{{0, 1}}, {{2, 2}}, {{3, 4}}, {{5, 5}}};
  fine.setParts({1, 1, 1, 1, 1, 1});
  ASSERT_EQ(vgraphSeparateMlUncoarsen(&fine.vgraph, &coarse.vgraph, multinodes), 0);
  EXPECT_EQ(fine.parts(), std::vector<int>({0, 0, 2, 2, 2, 1}));
  EXPECT_EQ(fine.frontier(), std::vector<GraphNum>({2, 3, 4}));
  EXPECT_EQ(fine.vgraph.partSize[0], 2);
  EXPECT_EQ(fine.vgraph.partSize[1], 1);
  EXPECT_TRUE(vgraphConsistent(&fine.vgraph));
}

// The parts a multilevel separation with the given matching type (or none)
// leaves on a 60 x 60 grid numbered at random, from seed 3.
std::vector<int> separateScrambledGrid(const std::string& type) {
  const GraphNum side = 60;
  std::vector<GraphNum> label(side * side);
  for (GraphNum i = 0; i < side * side; i++) label[i] = i;
  std::mt19937 random(11);
  std::shuffle(label.begin(), label.end(), random);
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  for (GraphNum y = 0; y < side; y++)
    for (GraphNum x = 0; x < side; x++) {
      if (x + 1 < side) edges.push_back({label[y * side + x], label[y * side + x + 1]});
      if (y + 1 < side) edges.push_back({label[y * side + x], label[(y + 1) * side + x]});
    }
  Graph graph;
  buildGraph(&graph, 0, side * side, edges);
  std::string text = "m{" + type + "rat=0.7,vert=100,low=h{pass=10},asc=f{bal=0.2}}";
  Strat* strat = stratBuild(&vgraphSeparateStTable, text.c_str());
  EXPECT_NE(strat, nullptr);
  if (strat == nullptr) return {};
  TestVgraph test(&graph);
  intRandSeed(3);
  EXPECT_EQ(vgraphSeparateSt(&test.vgraph, strat), 0) << text;
  EXPECT_TRUE(vgraphConsistent(&test.vgraph)) << text;
  // A separator of a 60 x 60 grid needs 60 vertices; a poor one is a
  // few times that, not a large share of the grid.
  EXPECT_LT(test.vgraph.frontierCount, 4 * side) << text;
  EXPECT_GT(test.vgraph.partSize[0], side * side / 4) << text;
  EXPECT_GT(test.vgraph.partSize[1], side * side / 4) << text;
  stratRelease(strat);
  return test.parts();
}

TEST(MultilevelMatchingType, OnlyTypeSChangesTheSeparation) {
  const std::vector<int> unset = separateScrambledGrid("");
  EXPECT_EQ(separateScrambledGrid("type=h,"), unset);
  EXPECT_NE(separateScrambledGrid("type=s,"), unset);
  EXPECT_EQ(separateScrambledGrid("type=s,"), separateScrambledGrid("type=s,"));
}

TEST(MultilevelDefault, SharedGraphsWithTheDefaultSeparation) {
  if (sharedGraphNames().empty()) GTEST_SKIP() << "no shared graphs";
  const char* text =
      "m{type=h,rat=0.7,vert=100,low=h{pass=10},asc=b{width=3,bnd=f{bal=0.2},org=(|h{pass=10})f{bal=0.2}}}";
  Strat* strat = stratBuild(&vgraphSeparateStTable, text);
  ASSERT_NE(strat, nullptr);
  for (const std::string& name : sharedGraphNames()) {
#if defined(__SANITIZE_ADDRESS__)
    if ((name != "airfoil1.grf") && (name != "power.grf")) continue;
#endif
    Graph graph;
    loadSharedGraph(&graph, name);
    TestVgraph test(&graph);
    ASSERT_EQ(vgraphSeparateSt(&test.vgraph, strat), 0) << name;
    EXPECT_TRUE(vgraphConsistent(&test.vgraph)) << name;
    EXPECT_GT(test.vgraph.partSize[0], 0) << name;
    EXPECT_GT(test.vgraph.partSize[1], 0) << name;
    // A good separator of these graphs is a small fraction of them.
    EXPECT_LT(test.vgraph.frontierCount, test.vgraph.graph.vertexCount / 20) << name;
  }
  stratRelease(strat);
}

}  // namespace
