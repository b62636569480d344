// The other bipartition methods on the cases where their result is known:
// the exact recipe (x) against enumeration, level-structure growing (g),
// diffusion (d), band refinement (b) and multilevel bipartitioning (m).
// Also the bipartition graph laid over an architecture (bgraphInit).
#include <gtest/gtest.h>

#include <cstdlib>

#include "arch/arch_cmplt.h"
#include "bgraph/bgraph_bipart_methods.h"
#include "bgraph_catalogue.h"
#include "support/strat_support.h"
#include "support/test_support.h"
#include "support/vgraph_support.h"

namespace {

TEST(BgraphInit, SharesTheGraphAndTakesItsTargetFromTheArchitecture) {
  Arch arch;
  archInit(&arch);
  ASSERT_EQ(archCmpltArchBuild(&arch, 3), 0);
  ArchDom whole, halves[2];
  ASSERT_EQ(archDomFirst(&arch, &whole), 0);
  ASSERT_EQ(archDomBipart(&arch, &whole, &halves[0], &halves[1]), 0);
  Graph graph;
  buildRandomGraph(&graph, 1, 30, 20, true, 6);
  const GraphNum fixedLoads[2] = {4, 1};
  Bgraph bgraph;
  ASSERT_EQ(bgraphInit(&bgraph, &graph, &arch, halves, fixedLoads), 0);
  const GraphNum weight0 = archDomWeight(&arch, &halves[0]);
  const GraphNum weight1 = archDomWeight(&arch, &halves[1]);
  EXPECT_EQ(weight0 + weight1, 3);
  EXPECT_EQ(bgraph.domainDistance, archDomDist(&arch, &halves[0], &halves[1]));
  EXPECT_EQ(bgraph.part0LoadAvg, (weight0 * (graph.vertexLoadSum + 5)) / 3 - 4);
  EXPECT_EQ(bgraph.graph.edgeTarget, graph.edgeTarget);  // shared, not copied
  EXPECT_EQ(bgraph.graph.flags & GRAPH_FREE_ALL, 0);
  EXPECT_EQ(bgraph.graph.vertexLabel, nullptr);
  EXPECT_TRUE(bgraphConsistent(&bgraph));
  intRandSeed(3);
  const BgraphBipartGgParam param = {3};
  ASSERT_EQ(bgraphBipartGg(&bgraph, &param), 0);
  EXPECT_TRUE(bgraphConsistent(&bgraph));
  bgraphExit(&bgraph);
  EXPECT_EQ(graphCheck(&graph), 0);  // the source survives the bipartition graph
  graphExit(&graph);
  archExit(&arch);
}

// Every bipartition of a small graph: the smallest |part0LoadDelta| any of
// them reaches.
GraphNum bestImbalance(const Bgraph& bgraph) {
  const Graph& core = bgraph.graph;
  GraphNum best = 2147483647;
  for (uint32_t subset = 0; subset < (1u << core.vertexCount); subset++) {
    GraphNum load0 = 0;
    for (GraphNum index = 0; index < core.vertexCount; index++)
      if (((subset >> index) & 1) == 0) load0 += (core.vertexLoad != nullptr) ? core.vertexLoad[core.base + index] : 1;
    best = std::min(best, std::abs(load0 - bgraph.part0LoadAvg));
  }
  return best;
}

TEST(BgraphBipartEx, ReachesTheBestBalanceOnSmallGraphs) {
  int checked = 0;
  for (unsigned seed = 1; seed <= 40; seed++) {
    intRandSeed(static_cast<GraphNum>(seed));
    Graph graph;
    const GraphNum vertexCount = 4 + static_cast<GraphNum>(seed % 11);
    // Unit loads, or loads that single moves can balance: 1 and 2.
    buildRandomGraph(&graph, 0, vertexCount, static_cast<GraphNum>(seed % 7), false, seed);
    if (seed % 2 == 0) {
      GraphNum* loads = static_cast<GraphNum*>(memAlloc(static_cast<size_t>(vertexCount) * sizeof(GraphNum)));
      graph.vertexLoadSum = 0;
      for (GraphNum vertex = 0; vertex < vertexCount; vertex++) graph.vertexLoadSum += (loads[vertex] = 1 + (vertex * seed) % 2);
      graph.vertexLoad = loads;
    }
    TestBgraph test(&graph);
    const GraphNum best = bestImbalance(test.bgraph);
    // From all in part 0, and from a lopsided start.
    for (int start = 0; start < 2; start++) {
      if (start == 1) {
        std::vector<int> parts(static_cast<size_t>(vertexCount), 0);
        parts[0] = 1;
        test.setParts(parts);
      } else
        bgraphZero(&test.bgraph);
      ASSERT_EQ(bgraphBipartEx(&test.bgraph, nullptr), 0);
      ASSERT_TRUE(bgraphConsistent(&test.bgraph));
      EXPECT_EQ(std::abs(test.bgraph.part0LoadDelta), best) << "seed " << seed << " start " << start;
      EXPECT_GT(test.bgraph.part0Size, 0);
      EXPECT_LT(test.bgraph.part0Size, vertexCount);
      checked++;
    }
  }
  EXPECT_EQ(checked, 80);
}

TEST(BgraphBipartEx, ABalancedBipartitionIsLeftAsItIs) {
  Graph graph;
  buildGrid(&graph, 0, 4, 4);
  TestBgraph test(&graph);
  const std::vector<int> checkerboard = {0, 1, 0, 1, 1, 0, 1, 0, 0, 1, 0, 1, 1, 0, 1, 0};  // balanced, every edge cut
  test.setParts(checkerboard);
  ASSERT_EQ(bgraphBipartEx(&test.bgraph, nullptr), 0);
  EXPECT_EQ(test.parts(), checkerboard);
  EXPECT_EQ(test.bgraph.commLoad, 24);
}

int levelGrow(TestBgraph& test, GraphNum pass) {
  const BgraphBipartGpParam param = {pass};
  return bgraphBipartGp(&test.bgraph, &param);
}

TEST(BgraphBipartGp, GrowsLayersFromAPeripheralVertex) {
  // A path numbered from its middle: the search moves the root to an end,
  // and part 1 grows from there.
  Graph graph;
  buildGraph(&graph, 0, 7, {{0, 1}, {1, 2}, {2, 3}, {0, 4}, {4, 5}, {5, 6}});  // 3-2-1-0-4-5-6
  TestBgraph test(&graph);
  ASSERT_EQ(levelGrow(test, 5), 0);
  EXPECT_TRUE(bgraphConsistent(&test.bgraph));
  EXPECT_EQ(test.bgraph.commLoad, 1);
  EXPECT_EQ(test.bgraph.part0Size, 3);  // target 3: part 1 takes 4, the last one overshooting
  EXPECT_EQ(test.bgraph.part0LoadDelta, 0);
}

TEST(BgraphBipartGp, OvershootsWithItsLastVertexAndCrossesComponents) {
  Graph graph;
  // Two components: a path of 3 unit vertices and a heavy vertex joined to
  // a light one. Target 4 of 9: part 1 must take 5, crossing over.
  buildGraph(&graph, 0, 5, {{0, 1}, {1, 2}, {3, 4}}, {1, 1, 1, 5, 1});
  TestBgraph test(&graph);
  ASSERT_EQ(levelGrow(test, 1), 0);
  EXPECT_TRUE(bgraphConsistent(&test.bgraph));
  EXPECT_EQ(test.bgraph.part0LoadDelta, -3);  // 3 + 5 moved of the 5 to move
  EXPECT_EQ(test.parts(), (std::vector<int>{1, 1, 1, 1, 0}));
}

TEST(BgraphBipartGp, NothingMovesWhenPartZeroIsNotOverTarget) {
  Graph graph;
  buildPath(&graph, 0, 5);
  TestBgraph test(&graph);
  test.reset(1, 1, 0);  // part 0 should hold everything
  ASSERT_EQ(levelGrow(test, 3), 0);
  EXPECT_EQ(test.parts(), std::vector<int>(5, 0));
  EXPECT_TRUE(bgraphConsistent(&test.bgraph));
}

TEST(BgraphBipartDf, AnchorsKeepTheirPartsOnABandGraph) {
  // A band graph shape: a grid whose first column is joined to the
  // part-0 anchor and whose last column to the part-1 anchor.
  const GraphNum width = 8, height = 5, cells = width * height;
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  for (GraphNum y = 0; y < height; y++)
    for (GraphNum x = 0; x < width; x++) {
      const GraphNum v = y * width + x;
      if (x + 1 < width) edges.push_back({v, v + 1});
      if (y + 1 < height) edges.push_back({v, v + width});
      if (x == 0) edges.push_back({v, cells});
      if (x == width - 1) edges.push_back({v, cells + 1});
    }
  std::vector<GraphNum> loads(static_cast<size_t>(cells), 1);
  loads.push_back(30);
  loads.push_back(30);
  for (GraphNum type = 0; type < 2; type++) {
    Graph graph;
    buildGraph(&graph, 0, cells + 2, edges, loads);
    TestBgraph test(&graph);
    if (type == 1) {  // k keeps the current load of part 0, which must leave both sources non-zero
      std::vector<int> parts(static_cast<size_t>(cells + 2), 0);
      for (GraphNum v = 0; v < cells; v++) parts[v] = (v % width >= width / 2) ? 1 : 0;
      parts[cells + 1] = 1;
      test.setParts(parts);
    }
    const BgraphBipartDfParam param = {40, type};
    ASSERT_EQ(bgraphBipartDf(&test.bgraph, &param), 0);
    ASSERT_TRUE(bgraphConsistent(&test.bgraph));
    EXPECT_EQ(test.bgraph.parts[cells], 0);
    EXPECT_EQ(test.bgraph.parts[cells + 1], 1);
    EXPECT_LE(std::abs(test.bgraph.part0LoadDelta), 2 * height) << type;
    EXPECT_LE(test.bgraph.commLoad, 2 * height) << type;
  }
}

// Band refinement through a test table: a band strategy that records the
// band graph and may put both anchors in one part, and an "org" strategy
// that records its calls.
int orgCalls = 0;
int bandCalls = 0;
bool anchorsTogether = false;

int orgMethod(Bgraph*, const void*) {
  orgCalls++;
  return 0;
}

int bandMethod(Bgraph* band, const void*) {
  bandCalls++;
  EXPECT_TRUE(bgraphConsistent(band));
  if (anchorsTogether) {
    band->parts[band->graph.vertexEnd - 1] = 0;
    bgraphUpdate(band);
    return 0;
  }
  const BgraphBipartFmParam param = {80, -1, 0.05, 1};
  return bgraphBipartFm(band, &param);
}

const StratMethod bandMethods[] = {
    {0, "o", reinterpret_cast<StratMethodFunction>(orgMethod), nullptr},
    {1, "n", reinterpret_cast<StratMethodFunction>(bandMethod), nullptr},
    {-1, nullptr, nullptr, nullptr},
};
const StratParam noParams[] = {{-1, 0, nullptr, nullptr, nullptr, nullptr}};
const StratTab bandTable = {bandMethods, noParams, noParams};

struct BandRefinement : testing::Test {
  StratArena arena;
  void SetUp() override { orgCalls = bandCalls = 0; }
  int refine(TestBgraph& test, GraphNum width) {
    const BgraphBipartBdParam param = {arena.method(&bandTable, 1), arena.method(&bandTable, 0), width};
    return bgraphBipartBd(&test.bgraph, &param);
  }
};

TEST_F(BandRefinement, EmptyFrontierRunsOrg) {
  Graph graph;
  buildGrid(&graph, 0, 5, 5);
  TestBgraph test(&graph);
  ASSERT_EQ(refine(test, 3), 0);
  EXPECT_EQ(orgCalls, 1);
  EXPECT_EQ(bandCalls, 0);
}

TEST_F(BandRefinement, BandResultsCarryBackToTheWholeGraph) {
  for (const BgraphCase& graphCase : bgraphCatalogue(false)) {
    for (GraphNum width : {1, 2, 3}) {
      intRandSeed(4);
      std::unique_ptr<TestBgraph> test = graphCase.make();
      const BgraphBipartGgParam grow = {1};
      ASSERT_EQ(bgraphBipartGg(&test->bgraph, &grow), 0);
      const GraphNum load = test->bgraph.commLoad;
      ASSERT_EQ(refine(*test, width), 0);
      ASSERT_TRUE(bgraphConsistent(&test->bgraph)) << graphCase.name << " width " << width;
      EXPECT_EQ(test->bgraph.commLoad, test->commLoadOf(test->parts())) << graphCase.name;
      if (bandCalls > 0) {
        EXPECT_LE(test->bgraph.commLoad, load) << graphCase.name;
      }
      orgCalls = bandCalls = 0;
    }
  }
}

TEST_F(BandRefinement, AnchorsTogetherFallBackToOrg) {
  Graph graph;
  buildGrid(&graph, 0, 12, 4);
  TestBgraph test(&graph);
  std::vector<int> parts(48);
  for (GraphNum vertex = 0; vertex < 48; vertex++) parts[vertex] = (vertex % 12 >= 6) ? 1 : 0;
  test.setParts(parts);
  anchorsTogether = true;
  ASSERT_EQ(refine(test, 2), 0);
  anchorsTogether = false;
  EXPECT_EQ(bandCalls, 1);
  EXPECT_EQ(orgCalls, 1);
  EXPECT_EQ(test.parts(), parts);  // org left it as it was
  EXPECT_TRUE(bgraphConsistent(&test.bgraph));
}

TEST_F(BandRefinement, ABandCoveringAPartRunsOrg) {
  Graph graph;
  buildPath(&graph, 0, 6);
  TestBgraph test(&graph);
  test.setParts({0, 0, 0, 1, 1, 1});
  ASSERT_EQ(refine(test, 3), 0);
  EXPECT_EQ(orgCalls, 1);
  EXPECT_EQ(bandCalls, 0);
}

// Multilevel: a "low" method that records the graph it is given.
GraphNum lowVertexCount = -1;
GraphNum lowPart0Size = -1;
GraphNum lowLevel = -1;

int lowMethod(Bgraph* bgraph, const void*) {
  lowVertexCount = bgraph->graph.vertexCount;
  lowPart0Size = bgraph->part0Size;
  lowLevel = bgraph->level;
  const BgraphBipartGgParam grow = {2};
  return bgraphBipartGg(bgraph, &grow);
}

const StratMethod lowMethods[] = {
    {0, "l", reinterpret_cast<StratMethodFunction>(lowMethod), nullptr},
    {-1, nullptr, nullptr, nullptr},
};
const StratTab lowTable = {lowMethods, noParams, noParams};

TEST(BgraphBipartMl, ASmallGraphRunsLowOnTheZeroedGraphOnly) {
  Graph graph;
  buildGrid(&graph, 0, 8, 8);
  TestBgraph test(&graph);
  test.setParts(std::vector<int>(64, 1));
  StratArena arena;
  const BgraphBipartMlParam param = {&stratEmpty, arena.method(&lowTable, 0), 64, 0.8};
  intRandSeed(1);
  ASSERT_EQ(bgraphBipartMl(&test.bgraph, &param), 0);
  EXPECT_EQ(lowVertexCount, 64);
  EXPECT_EQ(lowPart0Size, 64);  // zeroed before low
  EXPECT_EQ(lowLevel, 0);
  EXPECT_TRUE(bgraphConsistent(&test.bgraph));
}

TEST(BgraphBipartMl, CoarseLevelsKeepLoadsCutAndExternalGains) {
  StratParse parse = stratParseCaptured(&bgraphBipartStTable, "m{vert=10,rat=0.7,low=h{pass=3},asc=f{bal=0.05}}");
  ASSERT_NE(parse.strat, nullptr);
  for (const BgraphCase& graphCase : bgraphCatalogue(false)) {
    intRandSeed(2);
    std::unique_ptr<TestBgraph> test = graphCase.make();
    test->bgraph.level = 7;
    ASSERT_EQ(bgraphBipartSt(&test->bgraph, parse.strat.get()), 0);
    EXPECT_TRUE(bgraphConsistent(&test->bgraph)) << graphCase.name;
    EXPECT_EQ(test->bgraph.level, 7);
  }
  // The coarsest graph is small and deep.
  Graph graph;
  buildGrid(&graph, 0, 20, 20);
  TestBgraph test(&graph);
  StratArena arena;
  const BgraphBipartMlParam param = {&stratEmpty, arena.method(&lowTable, 0), 30, 0.7};
  intRandSeed(1);
  ASSERT_EQ(bgraphBipartMl(&test.bgraph, &param), 0);
  EXPECT_LE(lowVertexCount, 60);
  EXPECT_GE(lowLevel, 3);
  EXPECT_TRUE(bgraphConsistent(&test.bgraph));
}

}  // namespace
