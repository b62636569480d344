// The exact fill counter against a dense symbolic elimination, closed forms
// on regular shapes, and a row-subtree count on the shared graphs.
#include <random>

#include "front/fill_stats.h"
#include "front_reference.h"

namespace {

struct DenseFigures {
  std::vector<GraphNum> counts;  // off-diagonal count of each column
  std::vector<GraphNum> parent;
  int64_t nnzL = 0;
  double opc = 0.0;
  GraphNum height = 0;
};

// Eliminates the columns one by one on a dense pattern: the later
// neighbours of a column become pairwise adjacent.
DenseFigures denseElimination(const Graph* graph, const std::vector<GraphNum>& permutation) {
  const GraphNum base = graph->base;
  const GraphNum n = graph->vertexCount;
  std::vector<std::vector<char>> adjacent(n, std::vector<char>(n, 0));
  for (GraphNum v = 0; v < n; v++)
    for (GraphNum arc = graph->edgeBegin[base + v]; arc < graph->edgeEnd[base + v]; arc++) {
      GraphNum p = permutation[v] - base;
      GraphNum q = permutation[graph->edgeTarget[arc] - base] - base;
      adjacent[p][q] = adjacent[q][p] = 1;
    }
  DenseFigures figures;
  figures.counts.assign(n, 0);
  figures.parent.assign(n, -1);
  for (GraphNum j = 0; j < n; j++) {
    std::vector<GraphNum> later;
    for (GraphNum i = j + 1; i < n; i++)
      if (adjacent[i][j]) later.push_back(i);
    for (GraphNum a : later)
      for (GraphNum b : later)
        if (a != b) adjacent[a][b] = 1;
    figures.counts[j] = static_cast<GraphNum>(later.size());
    if (!later.empty()) figures.parent[j] = later.front();
    figures.nnzL += static_cast<int64_t>(later.size());
    figures.opc += static_cast<double>(later.size()) * static_cast<double>(later.size());
  }
  std::vector<GraphNum> depth(n, 0);
  for (GraphNum j = n - 1; j >= 0; j--) {
    depth[j] = figures.parent[j] == -1 ? 1 : depth[figures.parent[j]] + 1;
    figures.height = std::max(figures.height, depth[j]);
  }
  return figures;
}

void expectMatchesDense(const Graph* graph, const std::vector<GraphNum>& permutation) {
  DenseFigures dense = denseElimination(graph, permutation);
  FillStats stats;
  std::vector<GraphNum> counts(graph->vertexCount, -7);
  std::vector<GraphNum> parent(graph->vertexCount, -7);
  ASSERT_EQ(fillStatsCompute(graph, permutation.data(), &stats, counts.data()), 0);
  ASSERT_EQ(fillStatsTree(graph, permutation.data(), parent.data()), 0);
  EXPECT_EQ(stats.nnzL, dense.nnzL);
  EXPECT_EQ(stats.opc, dense.opc);
  EXPECT_EQ(stats.treeHeight, dense.height);
  EXPECT_EQ(counts, dense.counts);
  EXPECT_EQ(parent, dense.parent);
  // Both at once: the same figures, counts and tree.
  FillStats both;
  std::vector<GraphNum> bothCounts(graph->vertexCount, -7);
  std::vector<GraphNum> bothParent(graph->vertexCount, -7);
  ASSERT_EQ(fillStatsComputeTree(graph, permutation.data(), &both, bothCounts.data(), bothParent.data()), 0);
  EXPECT_EQ(both.nnzL, dense.nnzL);
  EXPECT_EQ(both.opc, dense.opc);
  EXPECT_EQ(both.treeHeight, dense.height);
  EXPECT_EQ(bothCounts, dense.counts);
  EXPECT_EQ(bothParent, dense.parent);
}

}  // namespace

TEST(FillStats, RandomGraphsMatchDenseElimination) {
  std::mt19937 random(12345);
  for (int trial = 0; trial < 120; trial++) {
    GraphNum n = 1 + static_cast<GraphNum>(random() % 40);
    double probability = (trial % 4 == 0) ? 0.03 : 0.05 + 0.25 * static_cast<double>(random() % 100) / 100.0;
    GraphNum base = static_cast<GraphNum>(trial % 2);
    Graph graph;
    buildRandomGraph(&graph, base, n, probability, random);
    SCOPED_TRACE(testing::Message() << "trial " << trial << " n " << n);
    expectMatchesDense(&graph, randomPermutation(&graph, random));
    expectMatchesDense(&graph, identityPermutation(&graph));
    graphExit(&graph);
  }
}

TEST(FillStats, GridsAndDisconnectedGraphsMatchDenseElimination) {
  std::mt19937 random(7);
  Graph grid;
  buildGrid(&grid, 0, 9, 7);
  expectMatchesDense(&grid, identityPermutation(&grid));
  expectMatchesDense(&grid, reversedBreadthFirstPermutation(&grid));
  expectMatchesDense(&grid, randomPermutation(&grid, random));
  graphExit(&grid);
  // Two components and isolated vertices: several roots.
  Graph pieces;
  buildGraph(&pieces, 1, 9, {{1, 2}, {2, 3}, {3, 1}, {5, 6}, {6, 7}, {7, 8}});
  expectMatchesDense(&pieces, identityPermutation(&pieces));
  expectMatchesDense(&pieces, randomPermutation(&pieces, random));
  graphExit(&pieces);
}

TEST(FillStats, ClosedFormsOnRegularShapes) {
  FillStats stats;
  // Complete graph: column j has n - 1 - j entries below the diagonal.
  Graph complete;
  buildComplete(&complete, 0, 12);
  ASSERT_EQ(fillStatsCompute(&complete, identityPermutation(&complete).data(), &stats), 0);
  EXPECT_EQ(stats.nnzL, 12 * 11 / 2);
  EXPECT_EQ(stats.opc, 11.0 * 12.0 * 23.0 / 6.0);  // sum of squares 0..11
  EXPECT_EQ(stats.treeHeight, 12);
  graphExit(&complete);

  // Path in natural order: no fill, a chain.
  Graph path;
  buildPath(&path, 1, 30);
  ASSERT_EQ(fillStatsCompute(&path, identityPermutation(&path).data(), &stats), 0);
  EXPECT_EQ(stats.nnzL, 29);
  EXPECT_EQ(stats.opc, 29.0);
  EXPECT_EQ(stats.treeHeight, 30);
  graphExit(&path);

  // Star: centre last gives no fill and height 2; centre first fills completely.
  std::vector<std::pair<GraphNum, GraphNum>> spokes;
  for (GraphNum leaf = 1; leaf < 10; leaf++) spokes.push_back({0, leaf});
  Graph star;
  buildGraph(&star, 0, 10, spokes);
  std::vector<GraphNum> centreLast(10);
  for (GraphNum v = 0; v < 10; v++) centreLast[v] = (v == 0) ? 9 : v - 1;
  ASSERT_EQ(fillStatsCompute(&star, centreLast.data(), &stats), 0);
  EXPECT_EQ(stats.nnzL, 9);
  EXPECT_EQ(stats.opc, 9.0);
  EXPECT_EQ(stats.treeHeight, 2);
  ASSERT_EQ(fillStatsCompute(&star, identityPermutation(&star).data(), &stats), 0);
  EXPECT_EQ(stats.nnzL, 45);
  EXPECT_EQ(stats.treeHeight, 10);
  graphExit(&star);

  // No vertex at all.
  Graph empty;
  buildGraph(&empty, 0, 0, {});
  stats = FillStats{-1, -1.0, -1};
  ASSERT_EQ(fillStatsCompute(&empty, nullptr, &stats), 0);
  EXPECT_EQ(stats.nnzL, 0);
  EXPECT_EQ(stats.opc, 0.0);
  EXPECT_EQ(stats.treeHeight, 0);
  graphExit(&empty);
}

TEST(FillStats, RefusesWhatIsNotAPermutation) {
  Graph path;
  buildPath(&path, 1, 4);
  FillStats stats;
  {
    ErrorCapture capture;
    std::vector<GraphNum> repeated{1, 2, 2, 4};
    EXPECT_EQ(fillStatsCompute(&path, repeated.data(), &stats), 1);
    EXPECT_EQ(capture.first(), "ERROR: fillStatsCompute: invalid permutation");
  }
  {
    ErrorCapture capture;
    std::vector<GraphNum> outside{1, 2, 3, 5};  // positions run from 1 to 4
    std::vector<GraphNum> parent(4);
    EXPECT_EQ(fillStatsTree(&path, outside.data(), parent.data()), 1);
    EXPECT_EQ(capture.first(), "ERROR: fillStatsTree: invalid permutation");
  }
  graphExit(&path);
}

// On the shared graphs, the counts must agree with a plain traversal of the
// row subtrees over the tree (itself checked against the dense elimination
// above), and their sums with the totals.
TEST(FillStats, SharedGraphsMatchRowSubtreeCounts) {
  std::vector<std::string> names = sharedGraphNames();
  if (names.empty()) GTEST_SKIP() << "no shared graphs";
  for (const std::string& name : names) {
    Graph graph;
    loadSharedGraph(&graph, name);
    if (graph.vertexCount > 20000) {  // keep the suite quick
      graphExit(&graph);
      continue;
    }
    SCOPED_TRACE(name);
    const GraphNum base = graph.base;
    const GraphNum n = graph.vertexCount;
    std::vector<GraphNum> permutation = reversedBreadthFirstPermutation(&graph);
    FillStats stats;
    std::vector<GraphNum> counts(n);
    std::vector<GraphNum> parent(n);
    ASSERT_EQ(fillStatsCompute(&graph, permutation.data(), &stats, counts.data()), 0);
    ASSERT_EQ(fillStatsTree(&graph, permutation.data(), parent.data()), 0);
    std::vector<GraphNum> vertexAt(n);
    for (GraphNum v = 0; v < n; v++) vertexAt[permutation[v] - base] = v;
    std::vector<GraphNum> traversed(n, 0);
    std::vector<GraphNum> mark(n, -1);
    for (GraphNum i = 0; i < n; i++) {
      mark[i] = i;
      GraphNum vertex = base + vertexAt[i];
      for (GraphNum arc = graph.edgeBegin[vertex]; arc < graph.edgeEnd[vertex]; arc++)
        for (GraphNum j = permutation[graph.edgeTarget[arc] - base] - base; j < i && mark[j] != i; j = parent[j]) {
          ASSERT_NE(j, -1);
          mark[j] = i;
          traversed[j]++;
        }
    }
    EXPECT_EQ(counts, traversed);
    int64_t total = 0;
    double squares = 0.0;
    for (GraphNum c : counts) {
      total += c;
      squares += static_cast<double>(c) * c;
    }
    EXPECT_EQ(stats.nnzL, total);
    EXPECT_EQ(stats.opc, squares);
    graphExit(&graph);
  }
}
