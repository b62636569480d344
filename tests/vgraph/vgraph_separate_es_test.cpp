// Separators derived from edge bipartitions (e): whatever the bipartition,
// the result is a valid separation; the vertex cover (type t) is never
// larger than the whole cut (type f), and is minimum on cuts whose minimum
// cover is known.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "bgraph/bgraph.h"
#include "support/strat_support.h"
#include "support/test_support.h"
#include "support/vgraph_support.h"
#include "vgraph/vgraph_separate_methods.h"

namespace {

// A bipartition method of a test table that installs a given bipartition.
const std::vector<int>* installed = nullptr;

int installBipartition(Bgraph* bgraph, const void*) {
  for (GraphNum index = 0; index < bgraph->graph.vertexCount; index++)
    bgraph->parts[bgraph->graph.base + index] = static_cast<uint8_t>((*installed)[index]);
  bgraphUpdate(bgraph);
  return 0;
}

const StratMethod installMethods[] = {
    {0, "i", reinterpret_cast<StratMethodFunction>(installBipartition), nullptr},
    {-1, nullptr, nullptr, nullptr},
};
const StratParam noParams[] = {{-1, 0, nullptr, nullptr, nullptr, nullptr}};
const StratTab installTable = {installMethods, noParams, noParams};

// Separates with the given bipartition and cover type (0: t, 1: f).
int separateFrom(TestVgraph& test, const std::vector<int>& bipartition, int type) {
  StratArena arena;
  installed = &bipartition;
  const VgraphSeparateEsParam param = {arena.method(&installTable, 0), type};
  return vgraphSeparateEs(&test.vgraph, &param);
}

std::set<GraphNum> separatorOf(const TestVgraph& test) {
  std::set<GraphNum> separator;
  for (GraphNum vertex = test.vgraph.graph.base; vertex < test.vgraph.graph.vertexEnd; vertex++)
    if (test.vgraph.parts[vertex] == 2) separator.insert(vertex);
  return separator;
}

TEST(SeparateEs, EmptyCutGivesAnEmptySeparator) {
  for (int type = 0; type < 2; type++) {
    Graph graph;
    buildGraph(&graph, 1, 6, {{1, 2}, {2, 3}, {4, 5}, {5, 6}});
    TestVgraph test(&graph);
    test.setParts({0, 2, 1, 2, 0, 0});  // the separation held on entry is ignored
    ASSERT_EQ(separateFrom(test, {1, 1, 1, 0, 0, 0}, type), 0);
    EXPECT_TRUE(vgraphConsistent(&test.vgraph));
    EXPECT_EQ(test.vgraph.frontierCount, 0);
    EXPECT_EQ(test.parts(), (std::vector<int>{1, 1, 1, 0, 0, 0}));
    EXPECT_EQ(test.vgraph.loadDelta, 0);
  }
}

TEST(SeparateEs, TypeFTakesBothEndsOfEveryCutEdge) {
  Graph graph;
  buildGrid(&graph, 0, 4, 3);
  TestVgraph test(&graph);
  const std::vector<int> bipartition = {0, 0, 1, 1, 0, 0, 1, 1, 0, 1, 1, 1};
  ASSERT_EQ(separateFrom(test, bipartition, 1), 0);
  EXPECT_TRUE(vgraphConsistent(&test.vgraph));
  std::set<GraphNum> ends;
  for (GraphNum vertex = 0; vertex < 12; vertex++)
    for (GraphNum edge = test.vgraph.graph.edgeBegin[vertex]; edge < test.vgraph.graph.edgeEnd[vertex]; edge++)
      if (bipartition[test.vgraph.graph.edgeTarget[edge]] != bipartition[vertex]) ends.insert(vertex);
  EXPECT_EQ(separatorOf(test), ends);
}

TEST(SeparateEs, PerfectMatchingCutTakesTheSecondSide) {
  // Vertices 0-3 in part 0, 4-7 in part 1; the cut is the matching i -- i+4,
  // plus edges inside the parts.
  Graph graph;
  buildGraph(&graph, 0, 8, {{0, 4}, {1, 5}, {2, 6}, {3, 7}, {0, 1}, {1, 2}, {2, 3}, {4, 5}, {5, 6}, {6, 7}});
  TestVgraph test(&graph);
  ASSERT_EQ(separateFrom(test, {0, 0, 0, 0, 1, 1, 1, 1}, 0), 0);
  EXPECT_TRUE(vgraphConsistent(&test.vgraph));
  EXPECT_EQ(separatorOf(test), (std::set<GraphNum>{4, 5, 6, 7}));
  EXPECT_EQ(test.vgraph.partSize[0], 4);
  EXPECT_EQ(test.vgraph.partSize[1], 0);
}

TEST(SeparateEs, StarCutTakesItsCentre) {
  for (int centrePart = 0; centrePart < 2; centrePart++) {
    Graph graph;
    buildGraph(&graph, 0, 7, {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {4, 5}, {5, 6}});
    TestVgraph test(&graph);
    std::vector<int> bipartition = {0, 1, 1, 1, 1, 1, 1};
    if (centrePart == 1)
      for (int& part : bipartition) part = 1 - part;
    ASSERT_EQ(separateFrom(test, bipartition, 0), 0);
    EXPECT_TRUE(vgraphConsistent(&test.vgraph));
    EXPECT_EQ(separatorOf(test), (std::set<GraphNum>{0}));
  }
}

// The smallest vertex cover of the cut edges, by enumeration.
size_t minimumCover(const Graph& graph, const std::vector<int>& parts) {
  std::vector<std::pair<GraphNum, GraphNum>> cutEdges;
  std::vector<GraphNum> ends;
  for (GraphNum vertex = 0; vertex < graph.vertexCount; vertex++)
    for (GraphNum edge = graph.edgeBegin[vertex]; edge < graph.edgeEnd[vertex]; edge++)
      if (parts[graph.edgeTarget[edge]] != parts[vertex]) {
        ends.push_back(vertex);
        if (vertex < graph.edgeTarget[edge]) cutEdges.push_back({vertex, graph.edgeTarget[edge]});
      }
  std::sort(ends.begin(), ends.end());
  ends.erase(std::unique(ends.begin(), ends.end()), ends.end());
  size_t best = ends.size();
  for (uint32_t subset = 0; subset < (1u << ends.size()); subset++) {
    std::set<GraphNum> chosen;
    for (size_t bit = 0; bit < ends.size(); bit++)
      if ((subset >> bit) & 1) chosen.insert(ends[bit]);
    if (chosen.size() >= best) continue;
    bool covers = true;
    for (auto [u, v] : cutEdges) covers &= (chosen.count(u) + chosen.count(v)) > 0;
    if (covers) best = chosen.size();
  }
  return best;
}

TEST(SeparateEs, CoverIsMinimumAndNeverLargerThanTheCut) {
  int checked = 0;
  for (unsigned seed = 1; seed <= 60; seed++) {
    // A random graph with a random bipartition, its vertices loaded or not.
    unsigned state = seed * 7919u;
    auto next = [&state](unsigned bound) {
      state = state * 1103515245u + 12345u;
      return (state >> 8) % bound;
    };
    const GraphNum vertexCount = 6 + static_cast<GraphNum>(next(10));
    std::set<std::pair<GraphNum, GraphNum>> edgeSet;
    for (GraphNum index = 0; index < 2 * vertexCount; index++) {
      GraphNum u = static_cast<GraphNum>(next(vertexCount)), v = static_cast<GraphNum>(next(vertexCount));
      if (u != v) edgeSet.insert({std::min(u, v), std::max(u, v)});
    }
    std::vector<std::pair<GraphNum, GraphNum>> edges(edgeSet.begin(), edgeSet.end());
    std::vector<int> bipartition;
    for (GraphNum vertex = 0; vertex < vertexCount; vertex++) bipartition.push_back(static_cast<int>(next(2)));
    std::vector<GraphNum> loads;
    if (seed % 3 == 0)
      for (GraphNum vertex = 0; vertex < vertexCount; vertex++) loads.push_back(1 + static_cast<GraphNum>(next(4)));

    size_t sizes[2];
    for (int type = 0; type < 2; type++) {
      Graph graph;
      buildGraph(&graph, 0, vertexCount, edges, loads);
      TestVgraph test(&graph);
      ASSERT_EQ(separateFrom(test, bipartition, type), 0);
      ASSERT_TRUE(vgraphConsistent(&test.vgraph)) << "seed " << seed << " type " << type;
      ASSERT_TRUE(separatesParts(&test.vgraph.graph, test.parts()));
      sizes[type] = separatorOf(test).size();
      // Only cut vertices enter the separator; the others keep their part.
      for (GraphNum vertex = 0; vertex < vertexCount; vertex++)
        if (test.vgraph.parts[vertex] != 2) {
          EXPECT_EQ(test.vgraph.parts[vertex], bipartition[vertex]);
        }
      if ((type == 0) && loads.empty()) {
        EXPECT_EQ(sizes[0], minimumCover(test.vgraph.graph, bipartition)) << "seed " << seed;
        checked++;
      }
    }
    EXPECT_LE(sizes[0], sizes[1]) << "seed " << seed;
  }
  EXPECT_GT(checked, 30);
}

TEST(SeparateEs, RunsRealBipartitionStrategiesOnMeshes) {
  for (const std::string& name : sharedGraphNames()) {
    for (int type = 0; type < 2; type++) {
      intRandSeed(1);
      Graph graph;
      loadSharedGraph(&graph, name);
      if (graph.vertexCount > 20000) {
        graphExit(&graph);
        continue;
      }
      TestVgraph test(&graph);
      StratParse parse = stratParseCaptured(&bgraphBipartStTable, "m{low=h{pass=5}f{bal=0.05},asc=b{bnd=f,org=f}}");
      ASSERT_NE(parse.strat, nullptr);
      const VgraphSeparateEsParam param = {parse.strat.get(), type};
      ASSERT_EQ(vgraphSeparateEs(&test.vgraph, &param), 0);
      EXPECT_TRUE(vgraphConsistent(&test.vgraph)) << name;
      EXPECT_GT(test.vgraph.frontierCount, 0) << name;
      EXPECT_GT(test.vgraph.partSize[0], test.vgraph.graph.vertexCount / 4) << name;
      EXPECT_GT(test.vgraph.partSize[1], test.vgraph.graph.vertexCount / 4) << name;
    }
  }
}

TEST(SeparateEs, StrategiesOfOtherKindsAreRefusedAtParseTime) {
  for (const char* text : {"e{strat=n}", "e{strat=e}", "e{strat=v}", "e{strat=m{low=n}}", "e{type=x}"}) {
    StratParse parse = stratParseCaptured(&vgraphSeparateStTable, text);
    EXPECT_EQ(parse.strat, nullptr) << text;
    EXPECT_FALSE(parse.lines.empty()) << text;
  }
  for (const char* text : {"e", "e{type=f}", "e{strat=h f,type=t}", "m{low=e{strat=x},asc=f}"}) {
    StratParse parse = stratParseCaptured(&vgraphSeparateStTable, text);
    EXPECT_NE(parse.strat, nullptr) << text;
  }
}

}  // namespace
