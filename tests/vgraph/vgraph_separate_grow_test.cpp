// Separators computed from scratch: greedy graph growing (h) and the
// level-structure separator (g).
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "support/vgraph_support.h"
#include "vgraph/vgraph_separate_methods.h"

namespace {

int separateGg(TestVgraph& test, GraphNum passes) {
  const VgraphSeparateGgParam param = {passes};
  return vgraphSeparateGg(&test.vgraph, &param);
}

int separateGp(TestVgraph& test, GraphNum passes) {
  const VgraphSeparateGpParam param = {passes};
  return vgraphSeparateGp(&test.vgraph, &param);
}

TEST(SeparateGg, SingleVertexEndsInTheSeparator) {
  Graph graph;
  buildGraph(&graph, 1, 1, {});
  TestVgraph test(&graph);
  ASSERT_EQ(separateGg(test, 5), 0);
  EXPECT_EQ(test.parts(), std::vector<int>({2}));
  EXPECT_EQ(test.vgraph.loadDelta, 0);
  EXPECT_EQ(test.vgraph.partSize[0], 0);
  EXPECT_EQ(test.vgraph.partSize[1], 0);
  EXPECT_TRUE(vgraphConsistent(&test.vgraph));
}

TEST(SeparateGg, TakesANewSeedWhenAComponentIsUsedUp) {
  // Two disjoint 4-cliques. Whatever the seed, its clique fills part 1
  // (delta 8 -> 0), then the next seed, in the other clique, would
  // unbalance the parts: separator = that seed, part 0 = the rest of its
  // clique.
  Graph graph;
  buildGraph(&graph, 0, 8,
             {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}, {4, 5}, {4, 6}, {4, 7}, {5, 6}, {5, 7}, {6, 7}});
  TestVgraph test(&graph);
  test.setParts({2, 2, 2, 2, 2, 2, 2, 2});  // the given separation plays no part
  ASSERT_EQ(separateGg(test, 3), 0);
  ASSERT_TRUE(vgraphConsistent(&test.vgraph));
  EXPECT_EQ(test.vgraph.frontierCount, 1);
  EXPECT_EQ(test.vgraph.partSize[0], 3);
  EXPECT_EQ(test.vgraph.partSize[1], 4);
  EXPECT_EQ(test.vgraph.loadDelta, -1);
  const std::vector<int> parts = test.parts();
  const GraphNum separator = test.vgraph.frontier[0];
  for (GraphNum vertex = 0; vertex < 8; vertex++)
    EXPECT_EQ(parts[vertex] == 1, (vertex / 4) != (separator / 4)) << vertex;
}

TEST(SeparateGg, SeparatesGridsAndLoadedGraphsConsistently) {
  for (GraphNum passes : {1, 5}) {
    Graph graph;
    buildGrid(&graph, 1, 12, 9);
    TestVgraph test(&graph);
    ASSERT_EQ(separateGg(test, passes), 0);
    ASSERT_TRUE(vgraphConsistent(&test.vgraph));
    EXPECT_GT(test.vgraph.partSize[0], 0);
    EXPECT_GT(test.vgraph.partSize[1], 0);
    // Growing goes on while part 0 still outweighs part 1 (delta >= 1) and
    // one move lowers delta by at most 2 + (degree - 1): it ends with
    // -maxDegree <= delta <= 0.
    EXPECT_LE(test.vgraph.loadDelta, 0);
    EXPECT_GE(test.vgraph.loadDelta, -test.vgraph.graph.maxDegree);
  }
  std::vector<GraphNum> loads;
  for (GraphNum vertex = 0; vertex < 30; vertex++) loads.push_back(1 + (vertex * 7) % 5);
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  for (GraphNum vertex = 0; vertex + 1 < 30; vertex++) edges.push_back({vertex, vertex + 1});
  for (GraphNum vertex = 0; vertex + 3 < 30; vertex += 2) edges.push_back({vertex, vertex + 3});
  Graph graph;
  buildGraph(&graph, 0, 30, edges, loads);
  TestVgraph test(&graph);
  ASSERT_EQ(separateGg(test, 5), 0);
  EXPECT_TRUE(vgraphConsistent(&test.vgraph));
}

TEST(SeparateGp, SingleVertexGoesToPartOne) {
  Graph graph;
  buildGraph(&graph, 1, 1, {});
  TestVgraph test(&graph);
  ASSERT_EQ(separateGp(test, 9), 0);
  EXPECT_EQ(test.parts(), std::vector<int>({1}));
  EXPECT_EQ(test.vgraph.loadDelta, -1);
  EXPECT_EQ(test.vgraph.frontierCount, 0);
  EXPECT_TRUE(vgraphConsistent(&test.vgraph));
}

TEST(SeparateGp, PathIsCutInTheMiddleFromAPeripheralEnd) {
  // Grown from the far end 9 of path 1..9 (the search from 1 finds 9), the
  // front is the middle vertex when part 1 holds four vertices.
  Graph graph;
  buildPath(&graph, 1, 9);
  TestVgraph test(&graph);
  ASSERT_EQ(separateGp(test, 9), 0);
  EXPECT_EQ(test.parts(), std::vector<int>({0, 0, 0, 0, 2, 1, 1, 1, 1}));
  EXPECT_EQ(test.vgraph.loadDelta, 0);
  EXPECT_TRUE(vgraphConsistent(&test.vgraph));
  // With one pass there is no search: growing starts at vertex 1.
  ASSERT_EQ(separateGp(test, 1), 0);
  EXPECT_EQ(test.parts(), std::vector<int>({1, 1, 1, 1, 2, 0, 0, 0, 0}));
  EXPECT_TRUE(vgraphConsistent(&test.vgraph));
}

TEST(SeparateGp, PeripheralSearchPrefersStrictlySmallerDegreeAtEqualDistance) {
  // From vertex 0, vertices 2 (degree 2), 5 (degree 2) and 4 (degree 1) are
  // met at distance 2 in that order: 4 becomes the root. Growing from 4
  // takes 4, 3 and 0 into part 1 with front {1}; from 2 it would be {2, 1}.
  Graph graph;
  buildGraph(&graph, 0, 6, {{0, 1}, {0, 3}, {1, 2}, {1, 5}, {2, 5}, {3, 4}});
  TestVgraph test(&graph);
  ASSERT_EQ(separateGp(test, 2), 0);
  EXPECT_EQ(test.parts(), std::vector<int>({1, 2, 0, 1, 1, 0}));
  EXPECT_EQ(test.vgraph.loadDelta, -1);
  EXPECT_TRUE(vgraphConsistent(&test.vgraph));
}

TEST(SeparateGp, SecondComponentStartsAtTheNextUnvisitedVertex) {
  // Path 0-1-2 is used up (delta 10 -> 4), then growing goes on from 3 in
  // path 3-...-9 until part 1 outweighs part 0.
  Graph graph;
  buildGraph(&graph, 0, 10, {{0, 1}, {1, 2}, {3, 4}, {4, 5}, {5, 6}, {6, 7}, {7, 8}, {8, 9}});
  TestVgraph test(&graph);
  ASSERT_EQ(separateGp(test, 1), 0);
  EXPECT_EQ(test.parts(), std::vector<int>({1, 1, 1, 1, 1, 2, 0, 0, 0, 0}));
  EXPECT_EQ(test.vgraph.loadDelta, -1);
  EXPECT_EQ(test.vgraph.partLoad[0], 4);
  EXPECT_TRUE(vgraphConsistent(&test.vgraph));
}

TEST(SeparateGp, ZeroLoadLeavesEverythingInPartZero) {
  Graph graph;
  buildGraph(&graph, 0, 3, {{0, 1}, {1, 2}}, {0, 0, 0});
  TestVgraph test(&graph);
  test.setParts({0, 2, 1});
  ASSERT_EQ(separateGp(test, 9), 0);
  EXPECT_EQ(test.parts(), std::vector<int>({0, 0, 0}));
  EXPECT_TRUE(vgraphConsistent(&test.vgraph));
}

TEST(SeparateGrowing, SharedGraphs) {
  if (sharedGraphNames().empty()) GTEST_SKIP() << "no shared graphs";
  for (const std::string& name : sharedGraphNames()) {
#if defined(__SANITIZE_ADDRESS__)
    if ((name != "airfoil1.grf") && (name != "power.grf")) continue;
#endif
    Graph graph;
    loadSharedGraph(&graph, name);
    TestVgraph test(&graph);
    ASSERT_EQ(separateGg(test, 2), 0) << name;
    EXPECT_TRUE(vgraphConsistent(&test.vgraph)) << name;
    EXPECT_GT(test.vgraph.partSize[1], 0) << name;
    ASSERT_EQ(separateGp(test, 9), 0) << name;
    EXPECT_TRUE(vgraphConsistent(&test.vgraph)) << name;
    EXPECT_GT(test.vgraph.partSize[1], 0) << name;
    EXPECT_LE(test.vgraph.loadDelta, 0) << name;
  }
}

}  // namespace
