// Greedy graph growing (h) and FM refinement (f): the growth rules, and the
// two promises of FM: it never leaves the balance window it was given and
// never ends with a larger communication load than it started from.
#include <gtest/gtest.h>

#include <cstdlib>

#include "bgraph/bgraph_bipart_methods.h"
#include "bgraph_catalogue.h"
#include "support/test_support.h"

namespace {

int grow(TestBgraph& test, GraphNum pass) {
  const BgraphBipartGgParam param = {pass};
  return bgraphBipartGg(&test.bgraph, &param);
}

TEST(BgraphBipartGg, OnePassMovesHalfOfAnEvenConnectedGraph) {
  for (unsigned seed = 1; seed <= 20; seed++) {
    intRandSeed(static_cast<GraphNum>(seed));
    Graph graph;
    buildRandomGraph(&graph, 0, 50, 40, false, seed);
    TestBgraph test(&graph);
    ASSERT_EQ(grow(test, 1), 0);
    EXPECT_EQ(test.bgraph.part0Size, 25);
    EXPECT_EQ(test.bgraph.part0LoadDelta, 0);
    EXPECT_TRUE(bgraphConsistent(&test.bgraph));
  }
}

TEST(BgraphBipartGg, AVertexWithoutLoadIsAlwaysTaken) {
  for (GraphNum seed = 1; seed <= 8; seed++) {
    intRandSeed(seed);
    Graph graph;
    buildGraph(&graph, 0, 3, {{0, 1}, {1, 2}}, {2, 0, 4});  // target 3: taking vertex 2 alone balances best
    TestBgraph test(&graph);
    // Whichever seed, vertex 1 (load 0) is taken when it comes up, also
    // once the imbalance is as small as it gets (seed 2, then 1).
    ASSERT_EQ(grow(test, 1), 0);
    EXPECT_TRUE(bgraphConsistent(&test.bgraph));
    EXPECT_EQ(test.bgraph.parts[1], 1);
    EXPECT_EQ(std::abs(test.bgraph.part0LoadDelta), 1);
  }
}

TEST(BgraphBipartGg, GrowsAcrossComponents) {
  intRandSeed(3);
  Graph graph;
  buildGraph(&graph, 0, 12, {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {8, 9}, {10, 11}});
  TestBgraph test(&graph);
  ASSERT_EQ(grow(test, 1), 0);
  EXPECT_EQ(test.bgraph.part0Size, 6);
  EXPECT_EQ(test.bgraph.commLoad, 0);  // whole components: nothing is cut
  EXPECT_TRUE(bgraphConsistent(&test.bgraph));
}

BgraphBipartFmParam fmParam(GraphNum move, GraphNum pass, double bal) { return BgraphBipartFmParam{move, pass, bal, 1}; }

// The base window of the FM method for a balance ratio.
std::pair<GraphNum, GraphNum> baseWindow(const Bgraph& bgraph, double bal) {
  GraphNum tolerance = 0;
  if (bal > 0) {
    const double total = static_cast<double>(bgraph.graph.vertexLoadSum) + bgraph.fixedLoad[0] + bgraph.fixedLoad[1];
    tolerance = static_cast<GraphNum>(bal * total / std::max(bgraph.domainWeight[0], bgraph.domainWeight[1])) + 1;
  }
  return {std::max(bgraph.part0LoadMin - bgraph.part0LoadAvg, -tolerance),
          std::min(bgraph.part0LoadMax - bgraph.part0LoadAvg, tolerance)};
}

TEST(BgraphBipartFm, NeverLeavesItsWindowNorRaisesTheLoad) {
  int refined = 0;
  for (const BgraphCase& graphCase : bgraphCatalogue(false)) {
    for (unsigned seed = 1; seed <= 6; seed++) {
      for (double bal : {0.0, 0.01, 0.05, 0.2}) {
        intRandSeed(static_cast<GraphNum>(seed));
        std::unique_ptr<TestBgraph> test = graphCase.make();
        Bgraph& bgraph = test->bgraph;
        // A random start: grown, then shaken by a few random moves.
        ASSERT_EQ(grow(*test, 1), 0);
        std::vector<int> parts = test->parts();
        for (size_t index = 0; index < parts.size() / 8; index++) parts[(seed * 7919 + index * 104729) % parts.size()] ^= 1;
        test->setParts(parts);
        const GraphNum startLoad = bgraph.commLoad;
        const GraphNum startDelta = bgraph.part0LoadDelta;
        const auto [deltaMin, deltaMax] = baseWindow(bgraph, bal);
        const bool inWindow = (startDelta >= deltaMin) && (startDelta <= deltaMax);
        const BgraphBipartFmParam param = fmParam(40, -1, bal);
        ASSERT_EQ(bgraphBipartFm(&bgraph, &param), 0) << graphCase.name;
        ASSERT_TRUE(bgraphConsistent(&bgraph)) << graphCase.name;
        EXPECT_EQ(bgraph.commLoad, test->commLoadOf(test->parts())) << graphCase.name;
        if (inWindow && (bgraph.frontierCount > 0 || startLoad == bgraph.commLoad)) {
          EXPECT_GE(bgraph.part0LoadDelta, deltaMin) << graphCase.name << " bal " << bal;
          EXPECT_LE(bgraph.part0LoadDelta, deltaMax) << graphCase.name << " bal " << bal;
          EXPECT_LE(bgraph.commLoad, startLoad) << graphCase.name << " bal " << bal;
          refined += bgraph.commLoad < startLoad;
        } else if (!inWindow) {
          // Out of balance on entry: never further out than it was.
          EXPECT_GE(bgraph.part0LoadDelta, std::min(deltaMin, startDelta)) << graphCase.name;
          EXPECT_LE(bgraph.part0LoadDelta, std::max(deltaMax, startDelta)) << graphCase.name;
        }
      }
    }
  }
  EXPECT_GT(refined, 50);  // the starts leave room for improvement
}

TEST(BgraphBipartFm, EmptyFrontierInsideTheWindowIsLeftAlone) {
  Graph graph;
  buildGraph(&graph, 0, 4, {{0, 1}, {2, 3}});
  TestBgraph test(&graph);
  test.setParts({0, 0, 1, 1});
  const Bgraph before = test.bgraph;
  const BgraphBipartFmParam param = fmParam(80, -1, 0.01);
  EXPECT_EQ(bgraphBipartFm(&test.bgraph, &param), 0);
  EXPECT_EQ(memcmp(&before, &test.bgraph, sizeof(Bgraph)), 0);
  EXPECT_EQ(test.parts(), (std::vector<int>{0, 0, 1, 1}));
}

TEST(BgraphBipartFm, EmptyFrontierOutOfBalanceIsGrownFirst) {
  intRandSeed(2);
  Graph graph;
  buildGrid(&graph, 0, 10, 10);
  TestBgraph test(&graph);
  const BgraphBipartFmParam param = fmParam(80, -1, 0.01);
  EXPECT_EQ(bgraphBipartFm(&test.bgraph, &param), 0);
  EXPECT_TRUE(bgraphConsistent(&test.bgraph));
  EXPECT_LE(std::abs(test.bgraph.part0LoadDelta), 2);
  EXPECT_LE(test.bgraph.commLoad, 14);
}

TEST(BgraphBipartFm, NoMoveKeepsTheEntryStateAndItsFrontier) {
  Graph graph;
  buildGrid(&graph, 0, 6, 6);
  TestBgraph test(&graph);
  std::vector<int> parts(36, 0);
  for (int vertex = 0; vertex < 36; vertex++) parts[vertex] = ((vertex % 6) + (vertex / 6) > 5) ? 1 : 0;
  test.setParts(parts);
  const Bgraph before = test.bgraph;
  for (GraphNum move : {0, -5}) {
    const BgraphBipartFmParam param = fmParam(move, -1, 0.01);
    EXPECT_EQ(bgraphBipartFm(&test.bgraph, &param), 0);
    EXPECT_EQ(test.parts(), parts);
    EXPECT_EQ(test.bgraph.commLoad, before.commLoad);
    EXPECT_EQ(test.bgraph.frontierCount, before.frontierCount);
    EXPECT_TRUE(bgraphConsistent(&test.bgraph));
  }
  const BgraphBipartFmParam noPass = fmParam(80, 0, 0.01);
  EXPECT_EQ(bgraphBipartFm(&test.bgraph, &noPass), 0);
  EXPECT_EQ(test.parts(), parts);
}

TEST(BgraphBipartFm, SwapsTheWholeBipartitionWhenOutsideNeighboursFavourIt) {
  Graph graph;
  buildPath(&graph, 0, 8);
  TestBgraph test(&graph);
  // The left half is pulled towards part 1 from outside, the right half
  // towards part 0: the mirror of the natural split wins.
  test.setExternalGains({-5, -5, -5, -5, 5, 5, 5, 5}, 20);
  test.setParts({0, 0, 0, 0, 1, 1, 1, 1});
  ASSERT_EQ(test.bgraph.commLoad, 20 + 20 + 1);
  ASSERT_EQ(test.bgraph.commGainExtn, -40);
  const BgraphBipartFmParam param = fmParam(80, -1, 0.01);
  EXPECT_EQ(bgraphBipartFm(&test.bgraph, &param), 0);
  EXPECT_TRUE(bgraphConsistent(&test.bgraph));
  EXPECT_EQ(test.parts(), (std::vector<int>{1, 1, 1, 1, 0, 0, 0, 0}));
  EXPECT_EQ(test.bgraph.commLoad, 20 - 20 + 1);
}

TEST(BgraphBipartFm, AGrowingTableGivesTheResultOfALargeOne) {
  for (const std::string shape : {"grid", "random"}) {
    std::vector<int> results[2];
    GraphNum loads[2];
    for (int large = 0; large < 2; large++) {
      intRandSeed(9);
      Graph graph;
      if (shape == "grid")
        buildGrid(&graph, 0, 60, 50);
      else
        buildRandomGraph(&graph, 0, 3000, 6000, true, 8);
      TestBgraph test(&graph);
      std::vector<int> parts(static_cast<size_t>(test.bgraph.graph.vertexCount));
      for (size_t vertex = 0; vertex < parts.size(); vertex++) parts[vertex] = (vertex * 7 / parts.size()) % 2;
      test.setParts(parts);
      const BgraphBipartFmParam param = fmParam(200, -1, 0.02);
      ASSERT_EQ(bgraphBipartFmRun(&test.bgraph, &param, large ? 1 << 16 : 0), 0);
      ASSERT_TRUE(bgraphConsistent(&test.bgraph));
      results[large] = test.parts();
      loads[large] = test.bgraph.commLoad;
    }
    EXPECT_EQ(results[0], results[1]) << shape;
    EXPECT_EQ(loads[0], loads[1]) << shape;
  }
}

}  // namespace
