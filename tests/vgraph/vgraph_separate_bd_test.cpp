// Band separation (b): the band graph handed to the band strategy, the
// write-back of its result and the fallbacks to the "org" strategy.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "support/test_support.h"
#include "support/vgraph_support.h"
#include "vgraph/vgraph_separate_methods.h"

namespace {

// What the capture method saw of the band graph.
struct BandView {
  bool called = false;
  bool consistent = false;
  GraphNum vertexCount = 0;
  GraphNum vertexLoadSum = 0;
  GraphNum anchorLoad[2] = {0, 0};
  std::vector<GraphNum> anchorArcs[2];  // band numbers of the anchors' neighbours
  std::vector<GraphNum> graphNumber;    // graph vertex of each band vertex (anchors excluded)
  std::vector<std::pair<GraphNum, GraphNum>> arcs;  // band arcs between band vertices, as graph vertices
  std::vector<GraphNum> frontier;
  GraphNum partSize[2] = {0, 0};
  GraphNum level = 0;
};
BandView view;
int orgCalls = 0;
int bandAction = 0;  // 0: nothing, 1: move anchor 0 into the separator, 2: fail, 3: FM
std::vector<std::string>* outerLines = nullptr;  // error capture of the running test, if any

int captureBand(Vgraph* band, const void*) {
  const Graph& core = band->graph;
  view = BandView();
  view.called = true;
  view.consistent = vgraphConsistent(band, outerLines);
  view.vertexCount = core.vertexCount;
  view.vertexLoadSum = core.vertexLoadSum;
  const GraphNum anchor0 = core.vertexEnd - 2;
  for (int part = 0; part < 2; part++) {
    view.anchorLoad[part] = core.vertexLoad[anchor0 + part];
    for (GraphNum edge = core.edgeBegin[anchor0 + part]; edge < core.edgeEnd[anchor0 + part]; edge++)
      view.anchorArcs[part].push_back(core.edgeTarget[edge]);
  }
  for (GraphNum vertex = core.base; vertex < anchor0; vertex++) {
    view.graphNumber.push_back(core.vertexNumber[vertex]);
    for (GraphNum edge = core.edgeBegin[vertex]; edge < core.edgeEnd[vertex]; edge++)
      if (core.edgeTarget[edge] < anchor0)
        view.arcs.push_back({core.vertexNumber[vertex], core.vertexNumber[core.edgeTarget[edge]]});
  }
  view.frontier.assign(band->frontier, band->frontier + band->frontierCount);
  view.partSize[0] = band->partSize[0];
  view.partSize[1] = band->partSize[1];
  view.level = band->level;
  switch (bandAction) {
    case 1:
      band->parts[anchor0] = 2;
      return 0;
    case 2:
      return 1;
    case 3: {
      const VgraphSeparateFmParam param = {200, 1000, 0.2};
      return vgraphSeparateFm(band, &param);
    }
    default:
      return 0;
  }
}

int recordOrg(Vgraph*, const void*) {
  orgCalls++;
  return 0;
}

const StratMethod testMethods[] = {
    {0, "c", reinterpret_cast<StratMethodFunction>(captureBand), nullptr},
    {1, "o", reinterpret_cast<StratMethodFunction>(recordOrg), nullptr},
    {-1, nullptr, nullptr, nullptr},
};
const StratParam noParams[] = {{-1, 0, nullptr, nullptr, nullptr, nullptr}};
const StratTab testTable = {testMethods, noParams, noParams};

struct Band : testing::Test {
  StratArena arena;
  void SetUp() override {
    view = BandView();
    orgCalls = 0;
    bandAction = 0;
    outerLines = nullptr;
  }
  int separate(TestVgraph& test, GraphNum width, Strat* bnd = nullptr) {
    const VgraphSeparateBdParam param = {(bnd != nullptr) ? bnd : arena.method(&testTable, 0),
                                         arena.method(&testTable, 1), width};
    return vgraphSeparateBd(&test.vgraph, &param);
  }
};

// Grid 20 x 5 (base 1), separator in column 10 (x = 9 from 0).
std::vector<int> gridSplit() {
  std::vector<int> parts;
  for (GraphNum y = 0; y < 5; y++)
    for (GraphNum x = 0; x < 20; x++) parts.push_back((x < 9) ? 0 : (x == 9) ? 2 : 1);
  return parts;
}

TEST_F(Band, BandGraphHoldsTheBandAndTwoAnchors) {
  Graph graph;
  buildGrid(&graph, 1, 20, 5);
  TestVgraph test(&graph);
  test.setParts(gridSplit(), true);
  test.vgraph.level = 4;
  ASSERT_EQ(separate(test, 2), 0);
  ASSERT_TRUE(view.called);
  EXPECT_EQ(orgCalls, 0);
  EXPECT_TRUE(view.consistent);
  // Columns x = 7..11 lie within 2 edges of the separator.
  EXPECT_EQ(view.vertexCount, 25 + 2);
  EXPECT_EQ(view.vertexLoadSum, 100);
  EXPECT_EQ(view.anchorLoad[0], 45 - 10);  // part 0 outside the band: x = 0..6
  EXPECT_EQ(view.anchorLoad[1], 50 - 10);  // part 1 outside the band: x = 12..19
  EXPECT_EQ(view.partSize[0], 10 + 1);
  EXPECT_EQ(view.partSize[1], 10 + 1);
  EXPECT_EQ(view.level, 4);
  // The separator comes first, in frontier order.
  const std::vector<GraphNum> frontier = test.frontier();
  EXPECT_EQ(view.frontier, std::vector<GraphNum>({1, 2, 3, 4, 5}));
  for (size_t index = 0; index < frontier.size(); index++) EXPECT_EQ(view.graphNumber[index], frontier[index]);
  // Band arcs are graph arcs, and every graph arc between band vertices is there.
  std::set<std::pair<GraphNum, GraphNum>> graphArcs;
  const Graph& core = test.vgraph.graph;
  const std::set<GraphNum> band(view.graphNumber.begin(), view.graphNumber.end());
  for (GraphNum vertex : band)
    for (GraphNum edge = core.edgeBegin[vertex]; edge < core.edgeEnd[vertex]; edge++)
      if (band.count(core.edgeTarget[edge]) != 0) graphArcs.insert({vertex, core.edgeTarget[edge]});
  const std::set<std::pair<GraphNum, GraphNum>> bandArcs(view.arcs.begin(), view.arcs.end());
  EXPECT_EQ(bandArcs, graphArcs);
  EXPECT_EQ(view.arcs.size(), graphArcs.size());
  // Each anchor is joined to the five vertices of the last layer on its
  // side: anchor 0 in increasing band order, anchor 1 in decreasing order.
  for (int part = 0; part < 2; part++) {
    ASSERT_EQ(view.anchorArcs[part].size(), 5u);
    for (GraphNum bandVertex : view.anchorArcs[part]) {
      const GraphNum vertex = view.graphNumber[bandVertex - 1];
      EXPECT_EQ((vertex - 1) % 20, (part == 0) ? 7 : 11);
    }
    std::vector<GraphNum> sorted = view.anchorArcs[part];
    std::sort(sorted.begin(), sorted.end());
    if (part == 1) std::reverse(sorted.begin(), sorted.end());
    EXPECT_EQ(view.anchorArcs[part], sorted);
  }
  // Nothing changed in the band: the separation is written back as it was.
  EXPECT_EQ(test.parts(), gridSplit());
  EXPECT_EQ(test.frontier(), frontier);
  EXPECT_TRUE(vgraphConsistent(&test.vgraph));
}

TEST_F(Band, LastLayerVertexWithoutOutsideNeighbourGetsNoAnchorArc) {
  // Path 0..8 with separator 4 and a pendant 9 on 3: with width 2, vertices
  // 2 and 6 (neighbours 1 and 7 outside) and 9 (only neighbour 3) form the
  // last layer; only 2 and 6 are joined to an anchor.
  Graph graph;
  buildGraph(&graph, 0, 10, {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}, {6, 7}, {7, 8}, {3, 9}});
  TestVgraph test(&graph);
  test.setParts({0, 0, 0, 0, 2, 1, 1, 1, 1, 0});
  ASSERT_EQ(separate(test, 2), 0);
  ASSERT_TRUE(view.called);
  EXPECT_TRUE(view.consistent);
  EXPECT_EQ(view.vertexCount, 6 + 2);
  ASSERT_EQ(view.anchorArcs[0].size(), 1u);
  ASSERT_EQ(view.anchorArcs[1].size(), 1u);
  EXPECT_EQ(view.graphNumber[view.anchorArcs[0][0]], 2);
  EXPECT_EQ(view.graphNumber[view.anchorArcs[1][0]], 6);
  EXPECT_EQ(view.anchorLoad[0], 2);  // vertices 0 and 1
  EXPECT_EQ(view.anchorLoad[1], 2);  // vertices 7 and 8
}

TEST_F(Band, EmptySeparatorGoesToOrg) {
  Graph graph;
  buildGrid(&graph, 1, 20, 5);
  TestVgraph test(&graph);
  ASSERT_EQ(separate(test, 3), 0);
  EXPECT_FALSE(view.called);
  EXPECT_EQ(orgCalls, 1);
}

TEST_F(Band, BandSwallowingAPartGoesToOrg) {
  Graph graph;
  buildPath(&graph, 0, 7);
  TestVgraph test(&graph);
  test.setParts({0, 0, 0, 2, 1, 1, 1});
  ASSERT_EQ(separate(test, 3), 0);  // every vertex within 3 edges
  EXPECT_FALSE(view.called);
  EXPECT_EQ(orgCalls, 1);
  ASSERT_EQ(separate(test, 2), 0);  // vertices 0 and 6 stay outside
  EXPECT_TRUE(view.called);
  EXPECT_EQ(orgCalls, 1);
}

TEST_F(Band, MovedAnchorDiscardsTheBandResult) {
  Graph graph;
  buildGrid(&graph, 1, 20, 5);
  TestVgraph test(&graph);
  test.setParts(gridSplit());
  bandAction = 1;
  ASSERT_EQ(separate(test, 3), 0);
  EXPECT_TRUE(view.called);
  EXPECT_EQ(orgCalls, 1);
  EXPECT_EQ(test.parts(), gridSplit());
  EXPECT_TRUE(vgraphConsistent(&test.vgraph));
}

TEST_F(Band, FailingBandStrategyLeavesTheGraphUnchanged) {
  Graph graph;
  buildGrid(&graph, 1, 20, 5);
  TestVgraph test(&graph);
  test.setParts(gridSplit());
  bandAction = 2;
  ErrorCapture capture;
  outerLines = &capture.lines;
  EXPECT_EQ(separate(test, 3), 1);
  EXPECT_TRUE(capture.contains("vgraphSeparateBd: cannot separate band graph"));
  EXPECT_EQ(orgCalls, 0);
  EXPECT_EQ(test.parts(), gridSplit());
  EXPECT_TRUE(vgraphConsistent(&test.vgraph));
}

TEST_F(Band, EmptyBandStrategyWritesTheSeparationBack) {
  Graph graph;
  buildGrid(&graph, 1, 20, 5);
  TestVgraph test(&graph);
  test.setParts(gridSplit(), true);
  const std::vector<GraphNum> frontier = test.frontier();
  ASSERT_EQ(separate(test, 3, &stratEmpty), 0);
  EXPECT_EQ(test.parts(), gridSplit());
  EXPECT_EQ(test.frontier(), frontier);
  EXPECT_EQ(test.vgraph.partSize[0], 45);
  EXPECT_EQ(test.vgraph.partSize[1], 50);
  EXPECT_TRUE(vgraphConsistent(&test.vgraph));
}

TEST_F(Band, RefinedBandResultIsCopiedBack) {
  // A wide separator on a long grid, refined by FM inside the band.
  Graph graph;
  buildGrid(&graph, 0, 60, 8);
  TestVgraph test(&graph);
  std::vector<int> parts;
  for (GraphNum y = 0; y < 8; y++)
    for (GraphNum x = 0; x < 60; x++) parts.push_back((x < 29) ? 0 : (x <= 31) ? 2 : 1);
  test.setParts(parts);
  bandAction = 3;
  ASSERT_EQ(separate(test, 3), 0);
  ASSERT_TRUE(view.called);
  EXPECT_EQ(orgCalls, 0);
  EXPECT_TRUE(vgraphConsistent(&test.vgraph));
  EXPECT_EQ(test.vgraph.partLoad[2], 8);
}

TEST_F(Band, DefaultRefinementOnSharedGraphs) {
  if (sharedGraphNames().empty()) GTEST_SKIP() << "no shared graphs";
  for (const std::string& name : sharedGraphNames()) {
#if defined(__SANITIZE_ADDRESS__)
    if ((name != "airfoil1.grf") && (name != "power.grf")) continue;
#endif
    Graph graph;
    loadSharedGraph(&graph, name);
    TestVgraph test(&graph);
    const VgraphSeparateGpParam start = {9};
    ASSERT_EQ(vgraphSeparateGp(&test.vgraph, &start), 0);
    const GraphNum startLoad = test.vgraph.partLoad[2];
    bandAction = 3;
    ASSERT_EQ(separate(test, 3), 0) << name;
    EXPECT_TRUE(vgraphConsistent(&test.vgraph)) << name;
    EXPECT_LE(test.vgraph.partLoad[2], startLoad) << name;
  }
}

}  // namespace
