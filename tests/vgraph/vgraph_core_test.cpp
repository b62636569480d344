// The separation graph record: zeroing, saved states and the consistency
// check that every separation test relies on.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "support/vgraph_support.h"
#include "vgraph/vgraph.h"

namespace {

// Path 1-2-3-4-5 (base 1) with loads 1, 2, 3, 4, 5, split {1,2} | {3} | {4,5}.
struct PathSeparation : testing::Test {
  Graph graph;
  std::unique_ptr<TestVgraph> test;
  void SetUp() override {
    buildGraph(&graph, 1, 5, {{1, 2}, {2, 3}, {3, 4}, {4, 5}}, {1, 2, 3, 4, 5});
    test = std::make_unique<TestVgraph>(&graph);
    test->setParts({0, 0, 2, 1, 1});
  }
};

TEST_F(PathSeparation, DerivedFieldsAreConsistent) {
  const Vgraph& vgraph = test->vgraph;
  EXPECT_EQ(vgraph.partLoad[0], 3);
  EXPECT_EQ(vgraph.partLoad[1], 9);
  EXPECT_EQ(vgraph.partLoad[2], 3);
  EXPECT_EQ(vgraph.loadDelta, -6);
  EXPECT_TRUE(vgraphConsistent(&vgraph));
}

TEST_F(PathSeparation, CheckFindsEveryKindOfFault) {
  Vgraph& vgraph = test->vgraph;
  struct Fault {
    const char* what;
    void (*apply)(Vgraph*);
    const char* message;
  };
  const Fault faults[] = {
      {"edge between parts", [](Vgraph* v) { v->parts[3] = 0; }, "edge between parts 0 and 1"},
      {"invalid part", [](Vgraph* v) { v->parts[1] = 3; }, "invalid part"},
      {"part load", [](Vgraph* v) { v->partLoad[0]++; }, "part load 0"},
      {"separator load", [](Vgraph* v) { v->partLoad[2]--; }, "part load 2"},
      {"load delta", [](Vgraph* v) { v->loadDelta = 6; }, "load delta"},
      {"part size", [](Vgraph* v) { v->partSize[1] = 1; }, "part size 1"},
      {"frontier count", [](Vgraph* v) { v->frontierCount = 0; }, "frontier count"},
      {"frontier not separator",
       [](Vgraph* v) { v->frontier[0] = 1; }, "not in the separator"},
      {"frontier out of range", [](Vgraph* v) { v->frontier[0] = 6; }, "out of range"},
  };
  for (const Fault& fault : faults) {
    test->setParts({0, 0, 2, 1, 1});
    fault.apply(&vgraph);
    ErrorCapture capture;
    EXPECT_EQ(vgraphCheck(&vgraph), 1) << fault.what;
    EXPECT_TRUE(capture.contains("vgraphCheck: ")) << fault.what;
    EXPECT_TRUE(capture.contains(fault.message)) << fault.what << ": " << capture.first();
  }
}

TEST(VgraphCheck, FindsARepeatedFrontierVertex) {
  Graph graph;
  buildPath(&graph, 0, 5);
  TestVgraph test(&graph);
  test.setParts({0, 2, 1, 2, 0});
  ASSERT_TRUE(vgraphConsistent(&test.vgraph));
  test.vgraph.frontier[1] = test.vgraph.frontier[0];
  ErrorCapture capture;
  EXPECT_EQ(vgraphCheck(&test.vgraph), 1);
  EXPECT_TRUE(capture.contains("listed twice"));
}

TEST_F(PathSeparation, ZeroPutsEverythingInPartZero) {
  Vgraph& vgraph = test->vgraph;
  vgraphZero(&vgraph);
  EXPECT_EQ(test->parts(), std::vector<int>(5, 0));
  EXPECT_EQ(vgraph.partLoad[0], 15);
  EXPECT_EQ(vgraph.loadDelta, 15);
  EXPECT_EQ(vgraph.partSize[0], 5);
  EXPECT_EQ(vgraph.frontierCount, 0);
  EXPECT_TRUE(vgraphConsistent(&vgraph));
}

TEST_F(PathSeparation, StoreRestoresTheSavedSeparation) {
  Vgraph& vgraph = test->vgraph;
  VgraphStore store = {};
  ASSERT_EQ(vgraphStoreInit(&vgraph, &store), 0);
  test->setParts({2, 1, 1, 1, 2}, true);
  const std::vector<int> savedParts = test->parts();
  const std::vector<GraphNum> savedFrontier = test->frontier();
  vgraphStoreSave(&vgraph, &store);
  vgraphZero(&vgraph);
  // Fields recomputed on restore must not come from the current state.
  vgraph.partLoad[2] = 99;
  vgraph.partSize[1] = 99;
  vgraphStoreRestore(&vgraph, &store);
  EXPECT_EQ(test->parts(), savedParts);
  EXPECT_EQ(test->frontier(), savedFrontier);
  EXPECT_EQ(vgraph.partLoad[2], 6);
  EXPECT_EQ(vgraph.partSize[1], 3);
  EXPECT_TRUE(vgraphConsistent(&vgraph));
  vgraphStoreExit(&store);
}

}  // namespace
