// The mapping record and the mapping graph: initialisation, terminal
// tables, figures, saved states, the consistency check, and the
// dispatcher with its selection rule.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "support/kgraph_support.h"
#include "support/test_support.h"
#include "support/vgraph_support.h"

namespace {

TEST(KgraphInit, MapsOntoTheWholeArchitectureWithLoadPerWeight) {
  Graph graph;
  buildGraph(&graph, 1, 4, {{1, 2}, {2, 3}, {3, 4}}, {1, 2, 3, 4});  // load sum 10
  Arch arch;
  loadArch(&arch, "cmplt 4");
  Kgraph kgraph;
  ASSERT_EQ(kgraphInit(&kgraph, &graph, &arch, nullptr, 0, nullptr, nullptr, 1, 1, nullptr), 0);
  EXPECT_DOUBLE_EQ(kgraph.loadPerWeight, 2.5);
  EXPECT_DOUBLE_EQ(kgraph.balanceRatio, 1.0);
  EXPECT_EQ(kgraph.mapping.domainCount, 0);  // methods start from mapFirst
  EXPECT_EQ(kgraph.mapping.domainMax, 5);
  EXPECT_EQ(kgraph.domainLoadAvg[0], 10);
  ArchDom whole;
  archDomFirst(&arch, &whole);
  EXPECT_EQ(memcmp(&kgraph.mapping.initialDomain, &whole, sizeof(ArchDom)), 0);
  EXPECT_EQ(kgraph.graph.flags & GRAPH_FREE_ALL, 0);  // the arrays stay the source's

  // Without domains every vertex reads -1; after kgraphFirst, terminal 0.
  std::vector<GraphNum> terminals(4, 7);
  mapTerminal(&kgraph.mapping, terminals.data() - 1);
  EXPECT_EQ(terminals, std::vector<GraphNum>(4, -1));
  kgraphFirst(&kgraph);
  mapTerminal(&kgraph.mapping, terminals.data() - 1);
  EXPECT_EQ(terminals, std::vector<GraphNum>(4, 0));
  EXPECT_TRUE(kgraphConsistent(&kgraph));
  kgraphExit(&kgraph);
  graphExit(&graph);
  archExit(&arch);
}

TEST(MapInit, VariableSizedTargetsStartWithRoomForAFewDomains) {
  for (const auto& [count, expected] : {std::pair<GraphNum, GraphNum>{5000, 1024}, {7, 8}}) {
    Graph graph;
    buildPath(&graph, 0, count);
    TestKgraph test(&graph, "varcmplt");
    EXPECT_EQ(test.kgraph.mapping.domainMax, expected);
  }
  // A target of far more terminals than vertices is not given room for all.
  Graph graph;
  buildPath(&graph, 0, 10);
  TestKgraph test(&graph, "cmplt 1000000");
  EXPECT_LE(test.kgraph.mapping.domainMax, 1024);
}

TEST(MapBuild, OneDomainPerTerminalInOrderOfAppearance) {
  Graph graph;
  buildPath(&graph, 0, 4);
  TestKgraph test(&graph, "cmplt 5");
  Mapping& mapping = test.kgraph.mapping;
  mapping.parts[1] = 42;  // a vertex without terminal keeps its entry
  mapping.domainCount = 0;
  const std::vector<GraphNum> terminals = {3, -1, 3, 0};
  ASSERT_EQ(mapBuild2(&mapping, terminals.data()), 0);
  ASSERT_EQ(mapping.domainCount, 2);
  EXPECT_EQ(archDomNumber(&test.arch, &mapping.domains[0]), 3);
  EXPECT_EQ(archDomNumber(&test.arch, &mapping.domains[1]), 0);
  EXPECT_EQ(mapping.parts[0], 0);
  EXPECT_EQ(mapping.parts[1], 42);
  EXPECT_EQ(mapping.parts[2], 0);
  EXPECT_EQ(mapping.parts[3], 1);

  // A terminal the architecture lacks is refused.
  ErrorCapture capture;
  const std::vector<GraphNum> wrong = {0, 9, 0, 0};
  EXPECT_EQ(mapBuild2(&mapping, wrong.data()), 1);
  EXPECT_TRUE(capture.contains("mapBuild2: invalid terminal")) << capture.first();
}

TEST(MapBuild, GrowsTheDomainArrayPastItsCapacity) {
  Graph graph;
  buildPath(&graph, 0, 12);
  TestKgraph test(&graph, "cmplt 12");
  Mapping& mapping = test.kgraph.mapping;
  const GraphNum oldMax = mapping.domainMax;
  ASSERT_EQ(mapResize2(&mapping, 2), 0);  // force growths on the way
  ASSERT_EQ(kgraphLoadsResize(&test.kgraph, oldMax, "test"), 0);
  std::vector<GraphNum> terminals;
  for (GraphNum vertex = 0; vertex < 12; vertex++) terminals.push_back(11 - vertex);
  test.setTerminals(terminals);
  EXPECT_EQ(mapping.domainCount, 12);
  EXPECT_GE(mapping.domainMax, 12);
  EXPECT_EQ(test.terminals(), terminals);
  EXPECT_EQ(test.kgraph.commLoad, 11);
  EXPECT_TRUE(kgraphConsistent(&test.kgraph));
}

TEST(MapMerge, FixedVerticesJoinTheDomainsOfTheirTerminals) {
  Graph graph;
  buildPath(&graph, 0, 5);
  TestKgraph test(&graph, "cmplt 4");
  test.setTerminals({1, 1, 2, 2, 2});
  const std::vector<GraphNum> fixed = {-1, 2, -1, -1, 3};
  ASSERT_EQ(mapMerge(&test.kgraph.mapping, fixed.data()), 0);
  EXPECT_EQ(test.kgraph.mapping.domainCount, 3);  // terminal 3 is new, terminal 2 reused
  EXPECT_EQ(test.terminals(), (std::vector<GraphNum>{1, 2, 2, 2, 3}));
}

TEST(KgraphCost, CountsEachCutEdgeOnceTimesItsDistanceAndTheLoadsByWeight) {
  Graph graph;  // a square with a diagonal, edge loads 1 to 5
  buildGraph(&graph, 0, 4, {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {0, 2}}, {1, 2, 3, 4}, {1, 2, 3, 4, 5});
  TestKgraph test(&graph, "cmpltw 3 1 2 3");
  test.setTerminals({0, 1, 1, 2});
  const std::vector<GraphNum> terminals = test.terminals();
  EXPECT_EQ(test.kgraph.commLoad, cutOf(&test.graph, terminals));
  EXPECT_EQ(test.kgraph.commLoad, 1 + 3 + 4 + 5);
  // Target loads: the weight's share of the load sum 10, truncated.
  const Mapping& mapping = test.kgraph.mapping;
  for (GraphNum index = 0; index < mapping.domainCount; index++) {
    const GraphNum weight = archDomWeight(&test.arch, &mapping.domains[index]);
    EXPECT_EQ(test.kgraph.domainLoadAvg[index], static_cast<GraphNum>(weight / 6.0 * 10));
  }
  EXPECT_TRUE(kgraphConsistent(&test.kgraph));
}

TEST(KgraphCheck, CatchesEveryInconsistentFigure) {
  Graph graph;
  buildGrid(&graph, 0, 4, 4);
  TestKgraph test(&graph, "cmplt 4");
  std::vector<GraphNum> terminals;
  for (GraphNum vertex = 0; vertex < 16; vertex++) terminals.push_back((vertex % 4) / 2 + 2 * (vertex / 8));
  test.setTerminals(terminals);
  Kgraph& kgraph = test.kgraph;
  ASSERT_TRUE(kgraphConsistent(&kgraph));

  struct Fault {
    const char* name;
    void (*apply)(Kgraph*);
    void (*undo)(Kgraph*);
  };
  const Fault faults[] = {
      {"communication load", [](Kgraph* k) { k->commLoad++; }, [](Kgraph* k) { k->commLoad--; }},
      {"load delta", [](Kgraph* k) { k->domainLoadDelta[1]++; }, [](Kgraph* k) { k->domainLoadDelta[1]--; }},
      {"target load", [](Kgraph* k) { k->domainLoadAvg[2]--; }, [](Kgraph* k) { k->domainLoadAvg[2]++; }},
      {"frontier count", [](Kgraph* k) { k->frontierCount--; }, [](Kgraph* k) { k->frontierCount++; }},
      // Vertex 0, a corner of its quadrant, has no neighbour in another domain.
      {"frontier entry", [](Kgraph* k) { std::swap(k->frontier[0], k->mapping.parts[0]); },
       [](Kgraph* k) { std::swap(k->frontier[0], k->mapping.parts[0]); }},
      {"part range", [](Kgraph* k) { k->mapping.parts[5] += 10; }, [](Kgraph* k) { k->mapping.parts[5] -= 10; }},
      {"domain count", [](Kgraph* k) { k->mapping.domainCount = k->mapping.domainMax + 1; },
       [](Kgraph* k) { k->mapping.domainCount = 4; }},
  };
  ASSERT_EQ(kgraph.mapping.parts[0], 0);
  ASSERT_EQ(kgraph.frontier[0], 1);
  for (const Fault& fault : faults) {
    fault.apply(&kgraph);
    EXPECT_FALSE(kgraphConsistent(&kgraph)) << fault.name;
    fault.undo(&kgraph);
    EXPECT_TRUE(kgraphConsistent(&kgraph)) << fault.name;
  }

  // A listed vertex without a neighbour in another domain.
  Graph other;
  buildPath(&other, 0, 6);
  TestKgraph path(&other, "cmplt 2");
  path.setTerminals({0, 0, 0, 1, 1, 1});
  ASSERT_EQ(path.kgraph.frontierCount, 2);
  path.kgraph.frontier[1] = 0;
  EXPECT_FALSE(kgraphConsistent(&path.kgraph));
}

TEST(KgraphCheck, FixedVerticesMustLieInTheirTerminalsDomains) {
  Graph graph;
  buildPath(&graph, 0, 4);
  TestKgraph test(&graph, "cmplt 4", {-1, 3, -1, -1});
  test.setTerminals({0, 3, 1, 1});
  EXPECT_TRUE(kgraphConsistent(&test.kgraph));
  test.setTerminals({0, 2, 1, 1});
  EXPECT_FALSE(kgraphConsistent(&test.kgraph));
}

TEST(KgraphStore, SaveAndRestoreGiveBackTheWholeState) {
  Graph graph;
  buildGrid(&graph, 1, 5, 3);
  TestKgraph test(&graph, "cmplt 3");
  test.setTerminals({0, 0, 1, 1, 2, 0, 0, 1, 2, 2, 0, 1, 1, 2, 2});
  const std::vector<GraphNum> saved = test.terminals();
  const GraphNum commLoad = test.kgraph.commLoad;
  KgraphStore store;
  ASSERT_EQ(kgraphStoreInit(&test.kgraph, &store), 0);
  ASSERT_EQ(kgraphStoreSave(&test.kgraph, &store), 0);
  test.setTerminals(std::vector<GraphNum>(15, 1));
  ASSERT_EQ(test.kgraph.mapping.domainCount, 1);
  ASSERT_EQ(kgraphStoreRestore(&test.kgraph, &store), 0);
  EXPECT_EQ(test.terminals(), saved);
  EXPECT_EQ(test.kgraph.commLoad, commLoad);
  EXPECT_TRUE(kgraphConsistent(&test.kgraph));
  kgraphStoreExit(&store);
}

// ---------------------------------------------------------------------------
// The dispatcher

struct InstallParam {
  const std::vector<GraphNum>* terminals;
  int fail;
};

int callCount = 0;

int installMethod(Kgraph* kgraph, const void* parameters) {
  const InstallParam* param = static_cast<const InstallParam*>(parameters);
  callCount++;
  if (param->terminals != nullptr) {
    kgraph->mapping.domainCount = 0;
    mapBuild2(&kgraph->mapping, param->terminals->data() - kgraph->graph.base);
    kgraphFrontier(kgraph);
    kgraphCost(kgraph);
    kgraph->balanceRatio = 0.2;
  }
  return param->fail;
}

const StratMethod testMethods[] = {
    {0, "i", reinterpret_cast<StratMethodFunction>(installMethod), nullptr},
    {-1, nullptr, nullptr, nullptr},
};
const StratParam noParams[] = {{-1, 0, nullptr, nullptr, nullptr, nullptr}};
const StratTab testTable = {testMethods, noParams, noParams};

// A path of 6 vertices onto 2 terminals (targets 3 and 3, bounds 0.2 * 3 = 0).
const std::vector<GraphNum> middle = {0, 0, 0, 1, 1, 1};        // comm 1, balanced
const std::vector<GraphNum> middleMirror = {1, 1, 1, 0, 0, 0};  // comm 1, balanced
const std::vector<GraphNum> heavy = {0, 0, 0, 0, 0, 1};         // comm 1, unbalanced (S 4)
const std::vector<GraphNum> heavier = {0, 0, 0, 0, 0, 0};       // comm 0, one domain (S 0 but the other missing)
const std::vector<GraphNum> twoCuts = {0, 1, 1, 1, 0, 0};       // comm 2, balanced
const std::vector<GraphNum> skewed = {0, 0, 0, 0, 1, 1};        // comm 1, unbalanced (S 2)

struct MapDispatcher : testing::Test {
  Graph graph;
  std::unique_ptr<TestKgraph> test;
  StratArena arena;
  void SetUp() override {
    buildPath(&graph, 0, 6);
    test = std::make_unique<TestKgraph>(&graph, "cmplt 2");
    callCount = 0;
  }
  Strat* install(const std::vector<GraphNum>* terminals, int fail = 0) {
    const InstallParam param = {terminals, fail};
    return arena.method(&testTable, 0, &param, sizeof(param));
  }
  int run(const Strat* strat) { return kgraphMapSt(&test->kgraph, strat); }
};

TEST_F(MapDispatcher, SequencesConditionsAndEmptyStrategies) {
  ErrorCapture capture;
  EXPECT_EQ(run(arena.concat(install(&middle, 1), install(&heavy))), 1);
  EXPECT_EQ(callCount, 1);
  EXPECT_EQ(test->terminals(), middle);
  EXPECT_EQ(run(arena.concat(install(&middle), install(&heavy))), 0);
  EXPECT_EQ(test->terminals(), heavy);

  const int vert = offsetof(Kgraph, graph.vertexCount);
  EXPECT_EQ(run(arena.condition(arena.greater(&kgraphMapStTable, vert, 5), install(&middle), install(&twoCuts))), 0);
  EXPECT_EQ(test->terminals(), middle);
  EXPECT_EQ(run(arena.condition(arena.greater(&kgraphMapStTable, vert, 6), install(&heavy), nullptr)), 0);
  EXPECT_EQ(test->terminals(), middle);  // false test without else: nothing changes
  EXPECT_EQ(run(arena.empty(&testTable)), 0);
  EXPECT_EQ(test->terminals(), middle);
}

TEST_F(MapDispatcher, SelectionPrefersBalanceThenCommunicationThenDeltasThenTheFirst) {
  EXPECT_EQ(run(arena.select(install(&twoCuts), install(&heavy))), 0);
  EXPECT_EQ(test->terminals(), twoCuts);  // balanced beats unbalanced, whatever the cost
  EXPECT_EQ(run(arena.select(install(&twoCuts), install(&middle))), 0);
  EXPECT_EQ(test->terminals(), middle);  // both balanced: the smaller communication load
  EXPECT_EQ(run(arena.select(install(&middleMirror), install(&middle))), 0);
  EXPECT_EQ(test->terminals(), middleMirror);  // full tie: the first
  EXPECT_EQ(run(arena.select(install(&heavy), install(&skewed))), 0);
  EXPECT_EQ(test->terminals(), skewed);  // both unbalanced: the smaller delta sum
  EXPECT_EQ(run(arena.select(arena.select(install(&heavy), install(&twoCuts)), install(&middle))), 0);
  EXPECT_EQ(test->terminals(), middle);  // chains keep the best so far
}

TEST_F(MapDispatcher, SelectionFailsOnlyWhenAllFailAndKeepsAWholeMapping) {
  ErrorCapture capture;
  EXPECT_EQ(run(arena.select(install(&middle, 1), install(&heavy, 1))), 1);
  EXPECT_EQ(test->terminals(), heavy);  // both failed: the second's state
  EXPECT_EQ(run(arena.select(install(&middle), install(&heavy, 1))), 0);
  EXPECT_EQ(test->terminals(), middle);  // a failed candidate loses to a successful one
  EXPECT_EQ(run(arena.select(install(&middle, 1), install(&heavy))), 0);
  EXPECT_EQ(test->terminals(), heavy);
  EXPECT_TRUE(kgraphConsistent(&test->kgraph, &capture.lines));
}

}  // namespace
