// Breadth-first band numbering (graphBand).
#include <gtest/gtest.h>

#include "graph/graph_band.h"
#include "support/test_support.h"

namespace {

TEST(GraphBand, NumbersLayersAndSetsFixedVerticesApart) {
  // Path 0..9 from vertex 4, two layers, vertex 5 fixed: 4 (0), then 3 (1)
  // and 5 (fixed), then 2 (2) and 6 (3).
  Graph graph;
  buildPath(&graph, 0, 10);
  std::vector<GraphNum> queue(10, -7);
  queue[0] = 4;
  std::vector<GraphNum> fixed(10, -1);
  fixed[5] = 3;
  GraphNum* index = nullptr;
  GraphNum lastLayerStart = -1, bandSize = -1, arcTotal = -1, fixedCount = -1;
  ASSERT_EQ(graphBand(&graph, 1, queue.data(), 2, &index, &lastLayerStart, &bandSize, &arcTotal, fixed.data(),
                      &fixedCount),
            0);
  EXPECT_EQ(std::vector<GraphNum>(queue.begin(), queue.begin() + 5), std::vector<GraphNum>({4, 3, 5, 2, 6}));
  const std::vector<GraphNum> expected = {-1, -1, 2, 1, 0, -2, 3, -1, -1, -1};
  for (GraphNum vertex = 0; vertex < 10; vertex++) EXPECT_EQ(index[vertex], expected[vertex]) << vertex;
  EXPECT_EQ(lastLayerStart, 2);
  EXPECT_EQ(bandSize, 4);
  EXPECT_EQ(arcTotal, 10);  // five reached vertices of degree 2
  EXPECT_EQ(fixedCount, 1);
  memFreeBased(index, 0);
  graphExit(&graph);
}

TEST(GraphBand, StopsWhenTheComponentIsExhausted) {
  Graph graph;
  buildGraph(&graph, 1, 5, {{1, 2}, {2, 3}, {1, 3}, {4, 5}});
  std::vector<GraphNum> queue(5);
  queue[0] = 1;
  GraphNum* index = nullptr;
  GraphNum lastLayerStart = -1, bandSize = -1, arcTotal = -1, fixedCount = -1;
  ASSERT_EQ(graphBand(&graph, 1, queue.data(), 5, &index, &lastLayerStart, &bandSize, &arcTotal, nullptr,
                      &fixedCount),
            0);
  EXPECT_EQ(index[1], 1);
  EXPECT_EQ(index[2], 2);
  EXPECT_EQ(index[3], 3);
  EXPECT_EQ(index[4], -1);
  EXPECT_EQ(index[5], -1);
  EXPECT_EQ(lastLayerStart, 2);  // layer 1 (vertices 2 and 3) is the deepest
  EXPECT_EQ(bandSize, 3);
  EXPECT_EQ(arcTotal, 6);
  EXPECT_EQ(fixedCount, 0);
  memFreeBased(index, 1);
  graphExit(&graph);
}

}  // namespace
