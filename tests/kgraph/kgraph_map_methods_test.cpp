// The mapping methods: every method, alone and in the strategies that
// combine them, leaves a consistent mapping graph on every kind of graph;
// then the rules of each method.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/kgraph_support.h"
#include "support/test_support.h"

namespace {

struct GraphCase {
  std::string name;
  std::function<void(Graph*)> build;
};

// Small hand-made graphs with every feature the methods must cope with,
// then the shared meshes when they are present.
std::vector<GraphCase> graphCases() {
  std::vector<GraphCase> cases = {
      {"grid", [](Graph* g) { buildGrid(g, 0, 12, 10); }},
      {"path-loads", [](Graph* g) {
         buildGraph(g, 1, 7, {{1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}, {6, 7}}, {5, 1, 1, 3, 1, 1, 4},
                    {2, 1, 7, 1, 1, 3});
       }},
      {"isolated", [](Graph* g) { buildGraph(g, 0, 9, {{0, 1}, {1, 2}, {2, 0}, {5, 6}}); }},
      {"single", [](Graph* g) { buildPath(g, 0, 1); }},
      {"pair", [](Graph* g) { buildPath(g, 0, 2); }},
      {"star", [](Graph* g) {
         buildGraph(g, 0, 9, {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}, {0, 6}, {0, 7}, {0, 8}}, {8, 1, 1, 1, 1, 1, 1, 1, 1});
       }},
      {"complete", [](Graph* g) { buildComplete(g, 0, 9); }},
      {"zero-loads", [](Graph* g) { buildGraph(g, 0, 6, {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}}, {0, 3, 0, 0, 2, 0}); }},
  };
  for (const std::string& name : sharedGraphNames())
    if ((name == "airfoil1.grf") || (name == "power.grf"))
      cases.push_back({name, [name](Graph* g) { loadSharedGraph(g, name, 0); }});
  return cases;
}

// Strategies run from the trivial mapping (every method must cope with
// it) and again from the result of a first mapping.
const char* const strategies[] = {
    "r{sep=h{pass=10}f{bal=0.05}}",
    "r{bal=0,sep=h{pass=3}}",
    "r{bal=1000,sep=z}",
    "r{sep=(h{pass=2}|h{pass=5})f{move=0}}",
    "r{job=u,map=u,poli=r,sep=h{pass=2}f}",
    "r{job=t,map=u,poli=l,sep=m{vert=20,low=h,asc=f}}",
    "r{job=u,map=t,poli=L,sep=h{pass=2}}",
    "r{job=u,map=u,poli=s,sep=g}",
    "r{poli=S,sep=x}",
    "f{bal=0.05}",
    "f{move=0,pass=1,bal=0}",
    "f{move=1000000,pass=-1,bal=1000000}",
    "x{bal=0.05}",
    "x{bal=0}",
    "d",
    "d{pass=1,dif=0,rem=5}",
    "d{pass=1000,dif=1000000}",
    "b{width=1,bnd=f{bal=0.05},org=f{bal=0.05}}",
    "b{width=0,bnd=x{bal=0.01},org=d}",
    "b{width=2147483647,bnd=f,org=f}",
    "m{vert=5,low=r{sep=h{pass=4}f},asc=f{bal=0.05}}",
    "m{vert=1,rat=1,type=s,low=r{sep=h},asc=b{bnd=f,org=f}}",
    "m{vert=2147483647,rat=0,low=r{sep=h}}",
    "m{vert=3,rat=0.5,type=c,low=f,asc=f}",
    "m{vert=3,type=d,low=x,asc=d}",
    "(r{sep=h}|r{sep=h{pass=1}f})f{bal=0.1}",
    "(f|x)(d|b{bnd=f,org=x})",
};

struct MethodCase {
  std::string graph;
  std::string arch;
};

class EveryMethod : public testing::TestWithParam<MethodCase> {};

TEST_P(EveryMethod, LeavesAConsistentMappingFromScratchAndFromAMapping) {
  const MethodCase& param = GetParam();
  for (const GraphCase& graphCase : graphCases()) {
    if (graphCase.name != param.graph) continue;
    for (const char* strategy : strategies) {
      Graph graph;
      graphCase.build(&graph);
      TestKgraph test(&graph, param.arch);
      ErrorCapture capture;
      ASSERT_EQ(test.run(strategy), 0) << strategy << ": " << capture.first();
      ASSERT_TRUE(kgraphConsistent(&test.kgraph, &capture.lines)) << strategy;
      ASSERT_EQ(test.run(std::string("r{sep=h{pass=4}} ") + strategy), 0) << strategy << ": " << capture.first();
      ASSERT_TRUE(kgraphConsistent(&test.kgraph, &capture.lines)) << strategy;
      if (archVar(&test.arch) == 0)
        for (const GraphNum terminal : test.terminals()) {
          EXPECT_GE(terminal, 0);
          EXPECT_LT(terminal, archSize(&test.arch));
        }
      EXPECT_TRUE(capture.lines.empty()) << capture.first();
    }
  }
}

std::vector<MethodCase> methodCases() {
  std::vector<MethodCase> cases;
  for (const GraphCase& graphCase : graphCases())
    for (const char* arch : {"cmplt 1", "cmplt 4", "cmplt 13", "cmpltw 3 1 2 3", "mesh2D 3 2", "torus2D 4 4",
                             "hcub 3", "tleaf 2 2 10 3 1", "varcmplt", "varhcub"}) {
      // Variable-sized targets split down to single vertices: small graphs only.
      const bool shared = graphCase.name.find(".grf") != std::string::npos;
      if (!shared || (std::string(arch).compare(0, 3, "var") != 0)) cases.push_back({graphCase.name, arch});
    }
  return cases;
}

std::string caseName(const testing::TestParamInfo<MethodCase>& info) {
  std::string name = info.param.graph + "_" + info.param.arch;
  for (char& c : name)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Mapping, EveryMethod, testing::ValuesIn(methodCases()), caseName);

// With fixed vertices every method keeps them on their terminals.
TEST(FixedVertices, EveryMethodKeepsThemOnTheirTerminals) {
  for (const char* strategy : strategies) {
    Graph graph;
    buildGrid(&graph, 0, 9, 9);
    std::vector<GraphNum> fixed(81, -1);
    fixed[0] = 3;
    fixed[40] = 0;
    fixed[80] = 3;
    fixed[8] = 2;
    TestKgraph test(&graph, "cmplt 4", fixed);
    ErrorCapture capture;
    ASSERT_EQ(test.run(std::string("r{sep=h{pass=4}f} ") + strategy), 0) << strategy << ": " << capture.first();
    ASSERT_TRUE(kgraphConsistent(&test.kgraph, &capture.lines)) << strategy;
    const std::vector<GraphNum> terminals = test.terminals();
    for (size_t vertex = 0; vertex < fixed.size(); vertex++)
      if (fixed[vertex] != -1) {
        EXPECT_EQ(terminals[vertex], fixed[vertex]) << strategy << " vertex " << vertex;
      }
  }
}

// ---------------------------------------------------------------------------
// Method rules

TEST(MapRb, OneTerminalArchitectureNeedsNoBipartition) {
  Graph graph;
  buildGrid(&graph, 0, 5, 5);
  TestKgraph test(&graph, "cmplt 1");
  ErrorCapture capture;
  // A bipartition strategy that would fail if it ran.
  ASSERT_EQ(test.run("r{sep=x}"), 0) << capture.first();
  EXPECT_EQ(test.kgraph.mapping.domainCount, 1);
  EXPECT_EQ(test.terminals(), std::vector<GraphNum>(25, 0));
  EXPECT_TRUE(kgraphConsistent(&test.kgraph, &capture.lines));
}

TEST(MapRb, KeepsEveryPartWithinTheBalanceOfTheWholeMapping) {
  Graph graph;
  buildGrid(&graph, 0, 30, 30);
  TestKgraph test(&graph, "cmplt 7");
  ErrorCapture capture;
  ASSERT_EQ(test.run("r{bal=0.05,sep=h{pass=10}f{bal=0.05}}"), 0) << capture.first();
  ASSERT_TRUE(kgraphConsistent(&test.kgraph, &capture.lines));
  EXPECT_LE(imbalanceOf(&test.graph, test.terminals(), 7), 0.05 + 1e-9);
  EXPECT_EQ(test.kgraph.mapping.domainCount, 7);
}

// On a hypercube of 8 terminals the splits of the first half (terminals 0
// to 3) and of the second one alternate by level with two pools, and the
// second half is finished first when the newest job goes first: the fifth
// domain created tells which.
TEST(MapRb, JobPoolsSetTheOrderOfTheSplits) {
  for (const bool levels : {true, false}) {
    Graph graph;
    buildGrid(&graph, 0, 8, 8);
    TestKgraph test(&graph, "hcub 3");
    ErrorCapture capture;
    ASSERT_EQ(test.run(levels ? "r{job=u,poli=l,sep=h{pass=4}}" : "r{job=t,poli=l,sep=h{pass=4}}"), 0)
        << capture.first();
    ASSERT_EQ(test.kgraph.mapping.domainCount, 8);
    const GraphNum fifth = archDomNumber(&test.arch, &test.kgraph.mapping.domains[4]);
    if (levels) {
      EXPECT_LT(fifth, 4) << "level by level";
    } else {
      EXPECT_GE(fifth, 4) << "depth first";
    }
    EXPECT_TRUE(kgraphConsistent(&test.kgraph, &capture.lines));
  }
}

TEST(MapRb, VariableSizedTargetsStopWhereTheBipartitionSplitsNothing) {
  Graph graph;
  buildGrid(&graph, 0, 6, 6);
  TestKgraph test(&graph, "varcmplt");
  ErrorCapture capture;
  ASSERT_EQ(test.run("r{sep=z}"), 0) << capture.first();
  EXPECT_EQ(test.kgraph.mapping.domainCount, 1);
  ASSERT_EQ(test.run("r{sep=h{pass=4}}"), 0) << capture.first();
  EXPECT_EQ(test.kgraph.mapping.domainCount, 36);  // down to single vertices
  EXPECT_TRUE(kgraphConsistent(&test.kgraph, &capture.lines));
}

TEST(MapRb, FixedVerticesWeighOnTheSplitsAndUnknownTerminalsFail) {
  Graph graph;
  buildPath(&graph, 0, 12);
  // Six fixed vertices on terminal 0 of two: the six free ones go to
  // terminal 1, which is what balances the loads.
  std::vector<GraphNum> fixed(12, -1);
  for (GraphNum vertex = 0; vertex < 6; vertex++) fixed[static_cast<size_t>(2 * vertex)] = 0;
  TestKgraph test(&graph, "mesh2D 2 1", fixed);
  ErrorCapture capture;
  ASSERT_EQ(test.run("r{sep=h{pass=10}f}"), 0) << capture.first();
  const std::vector<GraphNum> terminals = test.terminals();
  for (GraphNum vertex = 0; vertex < 12; vertex++) EXPECT_EQ(terminals[static_cast<size_t>(vertex)], (vertex % 2 == 0) ? 0 : 1);

  Graph other;
  buildPath(&other, 0, 4);
  TestKgraph wrong(&other, "mesh2D 2 2", {-1, 9, -1, -1});
  ErrorCapture failure;  // after the architecture is read, which captures its own messages
  EXPECT_EQ(wrong.run("r{sep=h}"), 1);
  EXPECT_TRUE(failure.contains("kgraphMapRbBgraph: invalid fixed part array")) << failure.first();
}

TEST(MapCp, FailsWithoutAnOldMapping) {
  Graph graph;
  buildPath(&graph, 0, 4);
  TestKgraph test(&graph, "cmplt 2");
  ErrorCapture capture;
  EXPECT_EQ(test.run("c"), 1);
  EXPECT_EQ(capture.first(), "ERROR: kgraphMapCp: inconsistent old mapping data");
}

TEST(MapCp, CopiesTheOldMappingAndAddsTheTerminalsOfFixedVertices) {
  Graph graph;
  buildPath(&graph, 0, 6);
  const std::vector<GraphNum> old = {1, 1, 1, 0, 0, 0};
  TestKgraph test(&graph, "cmplt 4", {-1, -1, -1, -1, 3, 2}, old);
  ErrorCapture capture;
  ASSERT_EQ(test.run("c"), 0) << capture.first();
  EXPECT_EQ(test.terminals(), (std::vector<GraphNum>{1, 1, 1, 0, 3, 2}));
  EXPECT_EQ(test.kgraph.mapping.domainCount, 4);  // two old domains, one per new fixed terminal
  EXPECT_TRUE(kgraphConsistent(&test.kgraph, &capture.lines));
}

TEST(MapBd, WithoutFrontierRunsTheOriginalStrategyOnly) {
  Graph graph;
  buildPath(&graph, 0, 6);
  TestKgraph test(&graph, "cmplt 2");
  ErrorCapture capture;
  // "bnd" would fail (no old mapping); the trivial mapping has no frontier.
  EXPECT_EQ(test.run("b{bnd=c,org=r{sep=h}}"), 0) << capture.first();
  EXPECT_EQ(test.kgraph.mapping.domainCount, 2);
  // With a frontier, "bnd" runs.
  EXPECT_EQ(test.run("b{bnd=c,org=r{sep=h}}"), 1);
  EXPECT_TRUE(capture.contains("kgraphMapBd: cannot partition band graph"));
}

TEST(MapBd, RefinesOnTheBandAsWellAsOnTheWholeGraph) {
  Graph graph;
  buildGrid(&graph, 0, 24, 24);
  TestKgraph test(&graph, "cmplt 4");
  // Vertical stripes: a valid but poor mapping (cut 3 * 24).
  std::vector<GraphNum> stripes;
  for (GraphNum vertex = 0; vertex < 24 * 24; vertex++) stripes.push_back((vertex % 24) / 6);
  test.setTerminals(stripes);
  ErrorCapture capture;
  ASSERT_EQ(test.run("b{width=3,bnd=f{bal=0.05},org=f{bal=0.05}}"), 0) << capture.first();
  ASSERT_TRUE(kgraphConsistent(&test.kgraph, &capture.lines));
  EXPECT_LE(test.kgraph.commLoad, 3 * 24);
  EXPECT_LE(imbalanceOf(&test.graph, test.terminals(), 4), 0.05);
}

TEST(MapFm, ReturnsAtOnceWithoutFrontierWhenBalanced) {
  Graph graph;  // two triangles, one per domain: no frontier
  buildGraph(&graph, 0, 6, {{0, 1}, {1, 2}, {2, 0}, {3, 4}, {4, 5}, {5, 3}});
  TestKgraph test(&graph, "cmplt 2");
  test.setTerminals({1, 1, 1, 0, 0, 0});
  ErrorCapture capture;
  ASSERT_EQ(test.run("f{bal=0}"), 0) << capture.first();
  EXPECT_EQ(test.terminals(), (std::vector<GraphNum>{1, 1, 1, 0, 0, 0}));
  EXPECT_EQ(test.kgraph.frontierCount, 0);
}

TEST(MapFm, LowersTheCutOfAPoorMappingWithinTheBalance) {
  Graph graph;
  buildGrid(&graph, 0, 20, 20);
  TestKgraph test(&graph, "cmplt 4");
  std::vector<GraphNum> checker;  // 5x5 blocks dealt round robin: a large cut
  for (GraphNum vertex = 0; vertex < 400; vertex++) checker.push_back(((vertex % 20) / 5 + (vertex / 100)) % 4);
  test.setTerminals(checker);
  const GraphNum before = test.kgraph.commLoad;
  ErrorCapture capture;
  ASSERT_EQ(test.run("f{bal=0.05}"), 0) << capture.first();
  ASSERT_TRUE(kgraphConsistent(&test.kgraph, &capture.lines));
  EXPECT_LT(test.kgraph.commLoad, before);
  EXPECT_LE(imbalanceOf(&test.graph, test.terminals(), 4), 0.05);
}

TEST(MapFm, RepairsAnUnbalancedMapping) {
  Graph graph;
  buildGrid(&graph, 0, 16, 16);
  TestKgraph test(&graph, "cmplt 2");
  std::vector<GraphNum> skewed;  // three quarters in part 0
  for (GraphNum vertex = 0; vertex < 256; vertex++) skewed.push_back(((vertex % 16) < 12) ? 0 : 1);
  test.setTerminals(skewed);
  ErrorCapture capture;
  ASSERT_EQ(test.run("f{bal=0.05,move=1000}"), 0) << capture.first();
  ASSERT_TRUE(kgraphConsistent(&test.kgraph, &capture.lines));
  EXPECT_LE(imbalanceOf(&test.graph, test.terminals(), 2), 0.05);
}

TEST(MapEx, LeavesABalancedMappingUnchangedAndBalancesAnUnbalancedOne) {
  Graph graph;
  buildGrid(&graph, 0, 10, 10);
  TestKgraph test(&graph, "cmplt 4");
  std::vector<GraphNum> quadrants;
  for (GraphNum vertex = 0; vertex < 100; vertex++) quadrants.push_back((vertex % 10) / 5 + 2 * (vertex / 50));
  test.setTerminals(quadrants);
  ErrorCapture capture;
  ASSERT_EQ(test.run("x{bal=0}"), 0) << capture.first();
  EXPECT_EQ(test.terminals(), quadrants);

  std::vector<GraphNum> lopsided(100, 0);
  for (GraphNum vertex = 90; vertex < 100; vertex++) lopsided[static_cast<size_t>(vertex)] = 1 + vertex % 3;
  test.setTerminals(lopsided);
  ASSERT_EQ(test.run("x{bal=0.1}"), 0) << capture.first();
  ASSERT_TRUE(kgraphConsistent(&test.kgraph, &capture.lines));
  // Only the terminals in use take load: the three small domains receive
  // the overflow of the first one, up to their bounds.
  const std::vector<int64_t> loads = terminalLoads(&test.graph, test.terminals(), 4);
  for (const int64_t load : loads) EXPECT_LE(load, 27);  // trunc(100 * 1.1 / 4)
}

TEST(MapDf, WithAnIsolatedVertexTheMappingStaysAsItIs) {
  Graph graph;
  buildGraph(&graph, 0, 5, {{0, 1}, {1, 2}, {2, 3}});  // vertex 4 has no edge
  TestKgraph test(&graph, "cmplt 2");
  test.setTerminals({0, 1, 0, 1, 0});
  ErrorCapture capture;
  ASSERT_EQ(test.run("d"), 0) << capture.first();
  EXPECT_EQ(test.terminals(), (std::vector<GraphNum>{0, 1, 0, 1, 0}));
  EXPECT_TRUE(kgraphConsistent(&test.kgraph, &capture.lines));
}

TEST(MapMl, TypeCKeepsTheDomainsOfTheCurrentMapping) {
  Graph graph;
  buildGrid(&graph, 0, 16, 16);
  TestKgraph test(&graph, "cmplt 4");
  ErrorCapture capture;
  ASSERT_EQ(test.run("r{sep=h{pass=10}f}"), 0) << capture.first();
  const GraphNum before = test.kgraph.commLoad;
  // Coarsening within the domains with an empty "low" and "asc": the
  // mapping comes back unchanged.
  ASSERT_EQ(test.run("m{vert=4,type=c}"), 0) << capture.first();
  EXPECT_EQ(test.kgraph.commLoad, before);
  ASSERT_EQ(test.run("m{vert=4,type=c,low=f{bal=0.05},asc=f{bal=0.05}}"), 0) << capture.first();
  EXPECT_LE(test.kgraph.commLoad, before);
  EXPECT_TRUE(kgraphConsistent(&test.kgraph, &capture.lines));
}

TEST(Remapping, AHighMigrationCostKeepsTheOldMapping) {
  Graph graph;
  buildGrid(&graph, 0, 12, 12);
  std::vector<GraphNum> old;
  for (GraphNum vertex = 0; vertex < 144; vertex++) old.push_back(((vertex % 12) / 3) % 2);  // poor stripes
  TestKgraph test(&graph, "cmplt 2", {}, old, 1, 1000);
  ErrorCapture capture;
  ASSERT_EQ(test.run("c f{bal=0.05}"), 0) << capture.first();
  EXPECT_EQ(test.terminals(), old);
  ASSERT_EQ(test.run("m{vert=10,low=r{sep=h{pass=4}f},asc=f}"), 0) << capture.first();
  EXPECT_TRUE(kgraphConsistent(&test.kgraph, &capture.lines));
  // Cheap migration: the cut may improve.
  Graph other;
  buildGrid(&other, 0, 12, 12);
  TestKgraph cheap(&other, "cmplt 2", {}, old, 1000, 1);
  ASSERT_EQ(cheap.run("c f{bal=0.05}"), 0) << capture.first();
  EXPECT_LT(cutOf(&cheap.graph, cheap.terminals()), cutOf(&cheap.graph, old));
}

}  // namespace
