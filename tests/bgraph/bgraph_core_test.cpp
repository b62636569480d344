// The bipartition graph: its target loads, the all-in-part-0 state, the
// saved states, the consistency check, the dispatcher's selection rule and
// method z.
#include <gtest/gtest.h>

#include <cstddef>

#include "support/bgraph_support.h"
#include "support/strat_support.h"
#include "support/test_support.h"
#include "support/vgraph_support.h"

namespace {

TEST(BgraphReset, TargetLoadIsTheFirstDomainsShareMinusItsFixedLoad) {
  Graph graph;
  buildPath(&graph, 0, 7);
  TestBgraph test(&graph);
  const Bgraph& bgraph = test.bgraph;
  EXPECT_EQ(bgraph.part0LoadAvg, 3);
  EXPECT_EQ(bgraph.part0LoadDelta, 4);
  EXPECT_EQ(bgraph.part0Load, 7);
  EXPECT_DOUBLE_EQ(bgraph.balance, 4.0 / 3.0);
  EXPECT_EQ(bgraph.part0LoadMin, 0);
  EXPECT_EQ(bgraph.part0LoadMax, 7);
  EXPECT_EQ(bgraph.part0Size, 7);
  EXPECT_TRUE(bgraphConsistent(&bgraph));

  Graph loaded;
  buildGraph(&loaded, 1, 4, {{1, 2}, {2, 3}, {3, 4}}, {1, 2, 3, 4});  // load sum 10
  TestBgraph weighted(&loaded);
  weighted.reset(1, 1, 3, 2, 0);
  EXPECT_EQ(weighted.bgraph.part0LoadAvg, 1);  // trunc(1 * 12 / 4) - 2
  EXPECT_EQ(weighted.bgraph.part0LoadDelta, 9);
  EXPECT_TRUE(bgraphConsistent(&weighted.bgraph));
}

TEST(BgraphReset, ImbalanceStaysAMagnitudeWhenTheTargetIsNotPositive) {
  Graph graph;
  buildPath(&graph, 0, 1);
  TestBgraph single(&graph);  // one vertex for two domains: target 0
  EXPECT_EQ(single.bgraph.part0LoadAvg, 0);
  EXPECT_DOUBLE_EQ(single.bgraph.balance, 1.0);
  // Fixed loads larger than the graph make the target negative.
  Graph other;
  buildPath(&other, 0, 4);
  TestBgraph fixed(&other);
  fixed.reset(1, 1, 1, 10, 0);  // trunc(14 / 2) - 10 = -3
  EXPECT_EQ(fixed.bgraph.part0LoadAvg, -3);
  EXPECT_GE(fixed.bgraph.balance, 0.0);
  EXPECT_TRUE(bgraphConsistent(&fixed.bgraph));
  // No domain weight at all: the target is 0 instead of a division by zero.
  fixed.reset(1, 0, 0);
  EXPECT_EQ(fixed.bgraph.part0LoadAvg, 0);
  EXPECT_TRUE(bgraphConsistent(&fixed.bgraph));
}

TEST(BgraphCheck, CatchesEveryInconsistentFigure) {
  Graph graph;
  buildGraph(&graph, 0, 4, {{0, 1}, {1, 2}, {2, 3}, {3, 0}}, {1, 2, 3, 4}, {5, 6, 7, 8});
  TestBgraph test(&graph);
  test.setExternalGains({1, -2, 3, 0}, 4);
  test.setParts({0, 1, 1, 0});
  ASSERT_TRUE(bgraphConsistent(&test.bgraph));
  EXPECT_EQ(test.bgraph.commLoad, test.commLoadOf({0, 1, 1, 0}));
  EXPECT_EQ(test.bgraph.commLoad, 4 + (-2 + 3) + 5 + 7);

  Bgraph& bgraph = test.bgraph;
  const Bgraph good = bgraph;
  auto expectCaught = [&](const char* what, auto corrupt) {
    corrupt();
    EXPECT_FALSE(bgraphConsistent(&bgraph)) << what;
    bgraph = good;
    bgraphUpdate(&bgraph);
  };
  expectCaught("size", [&] { bgraph.part0Size++; });
  expectCaught("load", [&] { bgraph.part0Load++; });
  expectCaught("delta", [&] { bgraph.part0LoadDelta--; });
  expectCaught("balance", [&] { bgraph.balance += 0.5; });
  expectCaught("comm load", [&] { bgraph.commLoad++; });
  expectCaught("swap gain", [&] { bgraph.commGainExtn += 2; });
  expectCaught("external sum", [&] { bgraph.commGainExtn0++; });
  expectCaught("frontier count", [&] { bgraph.frontierCount--; });
  expectCaught("frontier entry", [&] { bgraph.frontier[0] = bgraph.frontier[1]; });
  expectCaught("part value", [&] { bgraph.parts[2] = 2; });
  expectCaught("part flipped", [&] { bgraph.parts[3] = 1; });
}

TEST(BgraphStore, RestoresTheSavedStateExactly) {
  Graph graph;
  buildGrid(&graph, 1, 4, 3);
  TestBgraph test(&graph);
  BgraphStore store = {};
  ASSERT_EQ(bgraphStoreInit(&test.bgraph, &store), 0);
  const std::vector<int> saved = {0, 0, 1, 1, 0, 0, 1, 1, 0, 1, 1, 1};
  test.setParts(saved);
  const Bgraph before = test.bgraph;
  const std::vector<GraphNum> frontier(before.frontier, before.frontier + before.frontierCount);
  bgraphStoreSave(&test.bgraph, &store);
  test.setParts({1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1});
  bgraphStoreRestore(&test.bgraph, &store);
  bgraphStoreExit(&store);
  EXPECT_EQ(test.parts(), saved);
  EXPECT_EQ(std::vector<GraphNum>(test.bgraph.frontier, test.bgraph.frontier + test.bgraph.frontierCount), frontier);
  EXPECT_EQ(test.bgraph.part0Load, before.part0Load);
  EXPECT_EQ(test.bgraph.commLoad, before.commLoad);
  EXPECT_DOUBLE_EQ(test.bgraph.balance, before.balance);
  EXPECT_TRUE(bgraphConsistent(&test.bgraph));
}

TEST(BgraphBipartZr, PutsEveryVertexInPartZero) {
  Graph graph;
  buildGrid(&graph, 0, 3, 3);
  TestBgraph test(&graph);
  test.setExternalGains({1, 1, 1, 0, 0, 0, -1, -1, -4}, 10);
  const Bgraph zero = test.bgraph;
  EXPECT_EQ(bgraphBipartZr(&test.bgraph, nullptr), 0);
  EXPECT_EQ(memcmp(&zero, &test.bgraph, sizeof(Bgraph)), 0);
  test.setParts({1, 1, 0, 1, 0, 0, 1, 0, 1});
  EXPECT_EQ(bgraphBipartZr(&test.bgraph, nullptr), 0);
  EXPECT_EQ(test.parts(), std::vector<int>(9, 0));
  EXPECT_EQ(test.bgraph.commLoad, 10);
  EXPECT_EQ(test.bgraph.commGainExtn, -3);
  EXPECT_TRUE(bgraphConsistent(&test.bgraph));
}

// The dispatcher, driven through a table of test methods that install known
// bipartitions of the path 0-1-2-3-4-5.
struct InstallParam {
  const std::vector<int>* parts;
  int fail;
};

int callCount = 0;

int installMethod(Bgraph* bgraph, const void* parameters) {
  const InstallParam* param = static_cast<const InstallParam*>(parameters);
  callCount++;
  if (param->parts != nullptr) {
    for (GraphNum index = 0; index < bgraph->graph.vertexCount; index++)
      bgraph->parts[bgraph->graph.base + index] = static_cast<uint8_t>((*param->parts)[index]);
    bgraphUpdate(bgraph);
  }
  return param->fail;
}

const StratMethod testMethods[] = {
    {0, "i", reinterpret_cast<StratMethodFunction>(installMethod), nullptr},
    {-1, nullptr, nullptr, nullptr},
};
const StratParam noParams[] = {{-1, 0, nullptr, nullptr, nullptr, nullptr}};
const StratTab testTable = {testMethods, noParams, noParams};

const std::vector<int> middle = {0, 0, 0, 1, 1, 1};        // cut 1, delta 0
const std::vector<int> middleMirror = {1, 1, 1, 0, 0, 0};  // cut 1, delta 0
const std::vector<int> heavy = {0, 0, 0, 0, 0, 1};         // cut 1, delta 2
const std::vector<int> twoCuts = {0, 1, 1, 1, 0, 0};       // cut 2, delta 0

struct BipartDispatcher : testing::Test {
  Graph graph;
  std::unique_ptr<TestBgraph> test;
  StratArena arena;
  void SetUp() override {
    buildPath(&graph, 0, 6);
    test = std::make_unique<TestBgraph>(&graph);
    callCount = 0;
  }
  Strat* install(const std::vector<int>* parts, int fail = 0) {
    const InstallParam param = {parts, fail};
    return arena.method(&testTable, 0, &param, sizeof(param));
  }
  int run(const Strat* strat) { return bgraphBipartSt(&test->bgraph, strat); }
};

TEST_F(BipartDispatcher, SequencesConditionsAndEmptyStrategies) {
  ErrorCapture capture;
  EXPECT_EQ(run(arena.concat(install(&middle, 1), install(&heavy))), 1);
  EXPECT_EQ(callCount, 1);
  EXPECT_EQ(test->parts(), middle);
  EXPECT_EQ(run(arena.concat(install(&middle), install(&heavy))), 0);
  EXPECT_EQ(test->parts(), heavy);

  const int load0 = offsetof(Bgraph, part0Load);
  EXPECT_EQ(run(arena.condition(arena.greater(&bgraphBipartStTable, load0, 4), install(&middle), install(&twoCuts))), 0);
  EXPECT_EQ(test->parts(), middle);  // load0 was 5
  EXPECT_EQ(run(arena.condition(arena.greater(&bgraphBipartStTable, load0, 4), install(&heavy), nullptr)), 0);
  EXPECT_EQ(test->parts(), middle);  // load0 is 3: no else branch, nothing changes
  EXPECT_EQ(run(arena.empty(&testTable)), 0);
  EXPECT_EQ(test->parts(), middle);
}

TEST_F(BipartDispatcher, SelectionPrefersTheSmallerLoadThenTheBetterBalanceThenTheFirst) {
  EXPECT_EQ(run(arena.select(install(&twoCuts), install(&heavy))), 0);
  EXPECT_EQ(test->parts(), heavy);
  EXPECT_EQ(run(arena.select(install(&heavy), install(&middle))), 0);
  EXPECT_EQ(test->parts(), middle);
  EXPECT_EQ(run(arena.select(install(&middleMirror), install(&middle))), 0);
  EXPECT_EQ(test->parts(), middleMirror);  // a full tie keeps the first alternative
  // Both alternatives start from the same state.
  test->setParts(twoCuts);
  EXPECT_EQ(run(arena.select(install(nullptr), install(&heavy))), 0);
  EXPECT_EQ(test->parts(), heavy);
  // Long chains: the best of all.
  EXPECT_EQ(run(arena.select(arena.select(arena.select(install(&twoCuts), install(&heavy)), install(&middle)),
                             install(&twoCuts))),
            0);
  EXPECT_EQ(test->parts(), middle);
  EXPECT_TRUE(bgraphConsistent(&test->bgraph));
}

TEST_F(BipartDispatcher, SelectionRejectsACandidateOutsideTheLoadBounds) {
  test->bgraph.part0LoadMin = 2;
  test->bgraph.part0LoadMax = 4;
  const std::vector<int> cheapButHeavy = {0, 0, 0, 0, 0, 0};  // cut 0, load0 6
  EXPECT_EQ(run(arena.select(install(&cheapButHeavy), install(&twoCuts))), 0);
  EXPECT_EQ(test->parts(), twoCuts);
  // A failed alternative loses against a valid one, whatever its cut.
  ErrorCapture capture;
  EXPECT_EQ(run(arena.select(install(&middle, 1), install(&twoCuts))), 0);
  EXPECT_EQ(test->parts(), twoCuts);
  // Between two invalid candidates the better balance wins.
  EXPECT_EQ(run(arena.select(install(&middle, 1), install(&cheapButHeavy))), 0);
  EXPECT_EQ(test->parts(), middle);
}

TEST_F(BipartDispatcher, SelectionFailsOnlyWhenBothFailAndKeepsTheSecondState) {
  ErrorCapture capture;
  EXPECT_EQ(run(arena.select(install(&middle, 1), install(&heavy, 1))), 1);
  EXPECT_EQ(test->parts(), heavy);
  EXPECT_EQ(run(arena.select(install(&middle, 2), install(&twoCuts, 3))), 2);
  EXPECT_EQ(test->parts(), twoCuts);
  EXPECT_EQ(run(arena.select(install(&middle), install(&heavy, 1))), 0);
  EXPECT_EQ(test->parts(), middle);
}

TEST(BipartTable, ParsesEveryMethodWithItsDefaultsAndRefusesOtherKinds) {
  for (const char* text : {"b", "d", "x", "f", "h", "g", "m", "z", "b{width=2,bnd=f,org=h}", "d{pass=10,type=k}",
                           "f{move=10,pass=2,bal=0.05,type=a}", "m{vert=50,rat=0.6,low=h{pass=3},asc=f}",
                           "/(vert>10)?m:z;", "(h|g)f", "h|g|x", "/(load0>lmax0)|(bal>0.1)|(levl=2)|(edge<4)?f;"}) {
    StratParse parse = stratParseCaptured(&bgraphBipartStTable, text);
    EXPECT_NE(parse.strat, nullptr) << text;
    EXPECT_TRUE(parse.lines.empty()) << text;
  }
  for (const char* text : {"n", "e", "v", "m{low=n}", "b{bnd=e}", "f{levl=3}", "d{type=x}"}) {
    StratParse parse = stratParseCaptured(&bgraphBipartStTable, text);
    EXPECT_EQ(parse.strat, nullptr) << text;
    EXPECT_FALSE(parse.lines.empty()) << text;
  }
}

}  // namespace
