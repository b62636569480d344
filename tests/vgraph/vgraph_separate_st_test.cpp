// The separation dispatcher: concatenation, conditions, empty strategies,
// methods and the selection rule, driven through a table of test methods
// whose effects are known in advance.
#include <gtest/gtest.h>

#include <cstddef>

#include "support/test_support.h"
#include "support/vgraph_support.h"
#include "vgraph/vgraph.h"

namespace {

// Parameters of the test methods: the separation to install (null: leave
// the graph alone) and whether to fail afterwards.
struct InstallParam {
  const std::vector<int>* parts;
  int fail;
};

int callCount = 0;

int installMethod(Vgraph* vgraph, const void* parameters) {
  const InstallParam* param = static_cast<const InstallParam*>(parameters);
  callCount++;
  if (param->parts != nullptr) setSeparation(vgraph, *param->parts);
  return param->fail;
}

const StratMethod testMethods[] = {
    {0, "i", reinterpret_cast<StratMethodFunction>(installMethod), nullptr},
    {-1, nullptr, nullptr, nullptr},
};
const StratParam noParams[] = {{-1, 0, nullptr, nullptr, nullptr, nullptr}};
const StratTab testTable = {testMethods, noParams, noParams};

struct Dispatcher : testing::Test {
  Graph graph;
  std::unique_ptr<TestVgraph> test;
  StratArena arena;
  void SetUp() override {
    buildPath(&graph, 0, 7);  // 0-1-2-3-4-5-6
    test = std::make_unique<TestVgraph>(&graph);
    callCount = 0;
  }
  Strat* install(const std::vector<int>* parts, int fail = 0) {
    const InstallParam param = {parts, fail};
    return arena.method(&testTable, 0, &param, sizeof(param));
  }
  int run(const Strat* strat) { return vgraphSeparateSt(&test->vgraph, strat); }
};

const std::vector<int> middle = {0, 0, 0, 2, 1, 1, 1};       // separator load 1, delta 0
const std::vector<int> middleMirror = {1, 1, 1, 2, 0, 0, 0}; // separator load 1, delta 0
const std::vector<int> leftish = {0, 0, 2, 1, 1, 1, 1};      // separator load 1, delta -2
const std::vector<int> wide = {0, 0, 2, 2, 1, 1, 1};         // separator load 2, delta -1

TEST_F(Dispatcher, ConcatenationStopsAtTheFirstFailure) {
  ErrorCapture capture;
  EXPECT_EQ(run(arena.concat(install(&middle, 1), install(&leftish))), 1);
  EXPECT_EQ(callCount, 1);
  EXPECT_EQ(test->parts(), middle);

  callCount = 0;
  EXPECT_EQ(run(arena.concat(install(&middle), install(&leftish))), 0);
  EXPECT_EQ(callCount, 2);
  EXPECT_EQ(test->parts(), leftish);
}

TEST_F(Dispatcher, ConditionsChooseTheirBranch) {
  const int vertDisplacement = offsetof(Vgraph, graph) + offsetof(Graph, vertexCount);
  // vert>5 holds on 7 vertices.
  EXPECT_EQ(run(arena.condition(arena.greater(&vgraphSeparateStTable, vertDisplacement, 5), install(&middle),
                                install(&leftish))),
            0);
  EXPECT_EQ(test->parts(), middle);
  // vert>7 does not: the else branch runs.
  EXPECT_EQ(run(arena.condition(arena.greater(&vgraphSeparateStTable, vertDisplacement, 7), install(&middle),
                                install(&leftish))),
            0);
  EXPECT_EQ(test->parts(), leftish);
}

TEST_F(Dispatcher, FalseConditionWithoutElseChangesNothing) {
  const int levelDisplacement = offsetof(Vgraph, level);
  test->vgraph.level = 3;
  test->setParts(wide);
  EXPECT_EQ(run(arena.condition(arena.greater(&vgraphSeparateStTable, levelDisplacement, 3), install(&middle),
                                nullptr)),
            0);
  EXPECT_EQ(callCount, 0);
  EXPECT_EQ(test->parts(), wide);
  EXPECT_TRUE(vgraphConsistent(&test->vgraph));
}

TEST_F(Dispatcher, EmptyStrategyChangesNothing) {
  test->setParts(wide);
  EXPECT_EQ(run(arena.empty(&testTable)), 0);
  EXPECT_EQ(test->parts(), wide);
}

TEST_F(Dispatcher, MethodFailurePassesUp) {
  EXPECT_EQ(run(install(nullptr, 7)), 7);
}

TEST_F(Dispatcher, SelectionFullTieKeepsTheSecondResult) {
  EXPECT_EQ(run(arena.select(install(&middle), install(&middleMirror))), 0);
  EXPECT_EQ(test->parts(), middleMirror);
  EXPECT_TRUE(vgraphConsistent(&test->vgraph));
}

TEST_F(Dispatcher, SelectionPrefersTheSmallerSeparatorThenTheSmallerImbalance) {
  EXPECT_EQ(run(arena.select(install(&leftish), install(&wide))), 0);
  EXPECT_EQ(test->parts(), leftish);  // separator 1 beats 2 despite the larger imbalance
  EXPECT_TRUE(vgraphConsistent(&test->vgraph));

  EXPECT_EQ(run(arena.select(install(&middle), install(&leftish))), 0);
  EXPECT_EQ(test->parts(), middle);  // equal separators: |0| beats |-2|
  EXPECT_EQ(test->frontier(), std::vector<GraphNum>({3}));
  EXPECT_TRUE(vgraphConsistent(&test->vgraph));

  EXPECT_EQ(run(arena.select(install(&wide), install(&leftish))), 0);
  EXPECT_EQ(test->parts(), leftish);
}

TEST_F(Dispatcher, BothAlternativesStartFromTheSameState) {
  // The second alternative leaves the graph alone: it must see the starting
  // state, not the first alternative's result.
  test->setParts(wide);
  EXPECT_EQ(run(arena.select(install(&middle), install(nullptr))), 0);
  EXPECT_EQ(test->parts(), middle);  // middle (1) beats the untouched start (2)
  test->setParts(middle);
  EXPECT_EQ(run(arena.select(install(&wide), install(nullptr))), 0);
  EXPECT_EQ(test->parts(), middle);  // the start (1) beats wide (2)
  EXPECT_TRUE(vgraphConsistent(&test->vgraph));
}

TEST_F(Dispatcher, FailedFirstAlternativeCountsAsTheStartingState) {
  ErrorCapture capture;
  // Unseparated start (separator load 0) wins against any separator.
  EXPECT_EQ(run(arena.select(install(&middle, 1), install(&leftish))), 0);
  EXPECT_EQ(test->parts(), std::vector<int>(7, 0));
  EXPECT_TRUE(vgraphConsistent(&test->vgraph));
  // A worse starting separator loses against the second alternative.
  test->setParts(wide);
  EXPECT_EQ(run(arena.select(install(&middle, 1), install(&leftish))), 0);
  EXPECT_EQ(test->parts(), leftish);
  EXPECT_TRUE(vgraphConsistent(&test->vgraph));
}

TEST_F(Dispatcher, FailedSecondAlternativeIsUndone) {
  ErrorCapture capture;
  test->setParts(wide);
  EXPECT_EQ(run(arena.select(install(&leftish), install(&middle, 1))), 0);
  // The second alternative's effect is undone; its starting state (wide) is
  // then compared with the first candidate (leftish), which wins.
  EXPECT_EQ(test->parts(), leftish);
  EXPECT_TRUE(vgraphConsistent(&test->vgraph));
}

TEST_F(Dispatcher, SelectionWhoseAlternativesBothFailSucceedsWithTheStart) {
  ErrorCapture capture;
  test->setParts(wide, true);
  const std::vector<GraphNum> frontier = test->frontier();
  EXPECT_EQ(run(arena.select(install(&middle, 1), install(&leftish, 1))), 0);
  EXPECT_EQ(test->parts(), wide);
  EXPECT_EQ(test->frontier(), frontier);
  EXPECT_TRUE(vgraphConsistent(&test->vgraph));
}

// Sequences and selections are left-deep chains as long as the text that
// juxtaposes or separates their items; the dispatcher must run chains of
// any length without exhausting the call stack.

// ((m1 m2) m3) ... m100000: every method runs, in order; a failure stops
// the chain there and is passed up.
TEST_F(Dispatcher, LongConcatenationRunsEveryMethodInTurn) {
  const int count = 100000;
  Strat* chain = install(&wide);
  for (int k = 2; k <= count; k++) chain = arena.concat(chain, install(k == count ? &middle : &leftish));
  EXPECT_EQ(run(chain), 0);
  EXPECT_EQ(callCount, count);
  EXPECT_EQ(test->parts(), middle);
  EXPECT_TRUE(vgraphConsistent(&test->vgraph));

  ErrorCapture capture;
  callCount = 0;
  Strat* failing = install(&wide);
  for (int k = 2; k <= count; k++) failing = arena.concat(failing, install(&leftish, k == count / 2 ? 5 : 0));
  EXPECT_EQ(run(failing), 5);
  EXPECT_EQ(callCount, count / 2);
}

// ((a1|a2)|a3)|...: every alternative runs from the starting state and the
// best result stays, the later one among equals, as nested two-way
// selections keep it.
TEST_F(Dispatcher, LongSelectionKeepsTheBestLatestResult) {
  const int count = 100000;
  auto alternative = [&](int k) {
    if (k == count / 3) return install(&middle);
    if (k == count / 2) return install(&middleMirror);  // ties with middle: the later one stays
    if (k == count / 2 + 1) return install(&middle, 1);   // fails: counts as the starting state
    return install(k % 2 == 0 ? &wide : &leftish);
  };
  test->setParts(wide);
  Strat* chain = alternative(1);
  for (int k = 2; k <= count; k++) chain = arena.select(chain, alternative(k));
  ErrorCapture capture;
  EXPECT_EQ(run(chain), 0);
  EXPECT_EQ(callCount, count);
  EXPECT_EQ(test->parts(), middleMirror);
  EXPECT_TRUE(vgraphConsistent(&test->vgraph));
}

// A selection and a sequence in each other's operands, as parentheses
// write them: (a (b|c)) | (d e) with d failing.
TEST_F(Dispatcher, NestedChainsKeepTheirMeaning) {
  ErrorCapture capture;
  Strat* left = arena.concat(install(&wide), arena.select(install(&leftish), install(&wide)));
  Strat* right = arena.concat(install(&middle, 1), install(&middle));
  EXPECT_EQ(run(arena.select(left, right)), 0);
  // left gives leftish (1, delta -2); right fails at d, leaving middle from
  // d's own install, undone: the unseparated start (0) wins.
  EXPECT_EQ(test->parts(), std::vector<int>(7, 0));
  test->setParts(wide);
  callCount = 0;
  EXPECT_EQ(run(arena.select(left, right)), 0);
  EXPECT_EQ(callCount, 4);
  EXPECT_EQ(test->parts(), leftish);  // left (1) beats the restored start (wide, 2)
}

}  // namespace
