// Symbolic block factorization: worked cases, then the structure against
// a dense block elimination on small graphs and against the scalar factor
// pattern on the shared graphs.
#include <random>

#include "front/fill_stats.h"
#include "front_reference.h"

namespace {

RefStructure faxStructure(const Graph* graph, const std::vector<GraphNum>& permutation,
                          const std::vector<GraphNum>& ranges) {
  TestOrder order;
  makeTestOrder(&order, graph, permutation, ranges);
  SymbolMatrix symbol;
  symbolInit(&symbol);
  EXPECT_EQ(symbolFax(&symbol, graph, &order.order), 0);
  EXPECT_EQ(symbol.base, graph->base);
  EXPECT_EQ(symbol.nodeCount, graph->vertexCount);
  RefStructure structure = symbolStructure(symbol, ranges);
  symbolExit(&symbol);
  return structure;
}

}  // namespace

TEST(SymbolFax, DiagonalMatrixGivesOnlyRoots) {
  std::mt19937 random(3);
  Graph graph;
  buildGraph(&graph, 1, 17, {});
  for (const std::vector<GraphNum>& ranges :
       {singletonRanges(&graph), wholeRange(&graph), randomRanges(&graph, random, 5)}) {
    RefStructure structure = faxStructure(&graph, randomPermutation(&graph, random), ranges);
    ASSERT_EQ(structure.size() + 1, ranges.size());
    for (size_t k = 0; k < structure.size(); k++) {
      ASSERT_EQ(structure[k].size(), 1u);
      EXPECT_EQ(structure[k][0], (RefBlock{ranges[k], ranges[k + 1] - 1, 1 + static_cast<GraphNum>(k)}));
    }
  }
  graphExit(&graph);
}

TEST(SymbolFax, PathInNaturalOrder) {
  Graph path;
  buildPath(&path, 1, 3);
  RefStructure structure = faxStructure(&path, identityPermutation(&path), singletonRanges(&path));
  RefStructure expected{{{1, 1, 1}, {2, 2, 2}}, {{2, 2, 2}, {3, 3, 3}}, {{3, 3, 3}}};
  EXPECT_EQ(structure, expected);
  graphExit(&path);
}

TEST(SymbolFax, StarWithCentreLastHasNoFill) {
  const GraphNum leaves = 12;
  std::vector<std::pair<GraphNum, GraphNum>> spokes;
  for (GraphNum leaf = 1; leaf <= leaves; leaf++) spokes.push_back({0, leaf});
  Graph star;
  buildGraph(&star, 0, leaves + 1, spokes);
  std::vector<GraphNum> permutation(leaves + 1);
  permutation[0] = leaves;
  for (GraphNum leaf = 1; leaf <= leaves; leaf++) permutation[leaf] = leaf - 1;
  RefStructure structure = faxStructure(&star, permutation, singletonRanges(&star));
  ASSERT_EQ(structure.size(), static_cast<size_t>(leaves + 1));
  for (GraphNum k = 0; k < leaves; k++)
    EXPECT_EQ(structure[k], (std::vector<RefBlock>{{k, k, k}, {leaves, leaves, leaves}}));
  EXPECT_EQ(structure[leaves], (std::vector<RefBlock>{{leaves, leaves, leaves}}));
  graphExit(&star);
}

// Columns 1 and 2 are sons of column 3; column 1 also reaches rows 10 to 12
// and column 2 rows 13 to 15, all in the column block 10..15: the two blocks
// passed up to column 3 join into one.
TEST(SymbolFax, TouchingBlocksOfTwoChildrenJoin) {
  Graph graph;
  buildGraph(&graph, 1, 15, {{1, 3}, {1, 10}, {1, 11}, {1, 12}, {2, 3}, {2, 13}, {2, 14}, {2, 15}});
  std::vector<GraphNum> ranges{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 16};
  RefStructure structure = faxStructure(&graph, identityPermutation(&graph), ranges);
  ASSERT_EQ(structure.size(), 10u);
  EXPECT_EQ(structure[0], (std::vector<RefBlock>{{1, 1, 1}, {3, 3, 3}, {10, 12, 10}}));
  EXPECT_EQ(structure[1], (std::vector<RefBlock>{{2, 2, 2}, {3, 3, 3}, {13, 15, 10}}));
  EXPECT_EQ(structure[2], (std::vector<RefBlock>{{3, 3, 3}, {10, 15, 10}}));
  EXPECT_EQ(structure[9], (std::vector<RefBlock>{{10, 15, 10}}));
  graphExit(&graph);
}

TEST(SymbolFax, OneColumnBlockIsOneDiagonalBlock) {
  Graph grid;
  buildGrid(&grid, 0, 6, 5);
  RefStructure structure = faxStructure(&grid, identityPermutation(&grid), wholeRange(&grid));
  EXPECT_EQ(structure, (RefStructure{{{0, 29, 0}}}));
  graphExit(&grid);
}

TEST(SymbolFax, EmptyGraph) {
  Graph graph;
  buildGraph(&graph, 1, 0, {});
  InterfaceOrder order{0, nullptr, nullptr, nullptr};
  SymbolMatrix symbol;
  symbolInit(&symbol);
  ASSERT_EQ(symbolFax(&symbol, &graph, &order), 0);
  EXPECT_EQ(symbol.columnBlockCount, 0);
  EXPECT_EQ(symbol.blockCount, 0);
  EXPECT_EQ(symbol.columnBlockArray[1].firstColumn, 1);
  EXPECT_EQ(symbol.columnBlockArray[1].firstBlock, 1);
  symbolExit(&symbol);
  graphExit(&graph);
}

// Any partition into column blocks, any ordering: the structure is that of
// eliminating each column block as a whole.
TEST(SymbolFax, RandomGraphsMatchDenseBlockElimination) {
  std::mt19937 random(2024);
  for (int trial = 0; trial < 150; trial++) {
    GraphNum n = 1 + static_cast<GraphNum>(random() % 60);
    double probability = 0.02 + 0.2 * static_cast<double>(random() % 100) / 100.0;
    GraphNum base = static_cast<GraphNum>(trial % 2);
    Graph graph;
    buildRandomGraph(&graph, base, n, probability, random);
    std::vector<GraphNum> permutation = randomPermutation(&graph, random);
    std::vector<GraphNum> ranges;
    switch (trial % 3) {
      case 0: ranges = singletonRanges(&graph); break;
      case 1: ranges = randomRanges(&graph, random, 4); break;
      default: ranges = randomRanges(&graph, random, 12); break;
    }
    SCOPED_TRACE(testing::Message() << "trial " << trial << " n " << n);
    RefStructure expected = cliqueReference(&graph, permutation, ranges);
    EXPECT_EQ(faxStructure(&graph, permutation, ranges), expected);
    // The chained scalar reference used on larger graphs must agree too.
    EXPECT_EQ(scalarReference(&graph, permutation, ranges), expected);
    graphExit(&graph);
  }
}

// Degree totals beyond the smallest hash table, long child lists and many
// merges, with the block array growing from its small initial capacity.
TEST(SymbolFax, LargerDegreesAndManyChildren) {
  std::mt19937 random(99);
  // A hub adjacent to everything, in a block with a few other vertices.
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  const GraphNum n = 400;
  for (GraphNum v = 1; v < n; v++) edges.push_back({0, v});
  for (GraphNum v = 1; v + 1 < n; v += 2) edges.push_back({v, v + 1});
  Graph hub;
  buildGraph(&hub, 0, n, edges);
  std::vector<GraphNum> permutation = randomPermutation(&hub, random);
  std::vector<GraphNum> ranges = randomRanges(&hub, random, 3);
  EXPECT_EQ(faxStructure(&hub, permutation, ranges), cliqueReference(&hub, permutation, ranges));
  graphExit(&hub);

  Graph grid;
  buildGrid(&grid, 1, 20, 18);
  for (int trial = 0; trial < 4; trial++) {
    permutation = trial < 2 ? randomPermutation(&grid, random) : reversedBreadthFirstPermutation(&grid);
    ranges = (trial % 2 == 0) ? singletonRanges(&grid) : randomRanges(&grid, random, 6);
    EXPECT_EQ(faxStructure(&grid, permutation, ranges), cliqueReference(&grid, permutation, ranges));
  }
  graphExit(&grid);
}

// Wide blocks of dense columns with few rows below them: the scratch of a
// column block is bounded by the rows below it rather than by its degree
// sum (here 250 x 299 arcs facing 50 rows), and the structure is unchanged.
TEST(SymbolFax, WideDenseBlocksWithFewRowsBelow) {
  Graph complete;
  buildComplete(&complete, 1, 300);
  std::mt19937 random(5);
  std::vector<GraphNum> permutation = randomPermutation(&complete, random);
  for (const std::vector<GraphNum>& ranges :
       {std::vector<GraphNum>{1, 251, 281, 301}, std::vector<GraphNum>{1, 300, 301}, std::vector<GraphNum>{1, 301}})
    EXPECT_EQ(faxStructure(&complete, permutation, ranges), cliqueReference(&complete, permutation, ranges));
  graphExit(&complete);
}

TEST(SymbolFax, CompactionKeepsTheStructure) {
  std::mt19937 random(5);
  Graph graph;
  buildRandomGraph(&graph, 1, 50, 0.1, random);
  std::vector<GraphNum> permutation = randomPermutation(&graph, random);
  std::vector<GraphNum> ranges = randomRanges(&graph, random, 4);
  TestOrder order;
  makeTestOrder(&order, &graph, permutation, ranges);
  SymbolMatrix symbol;
  symbolInit(&symbol);
  ASSERT_EQ(symbolFax(&symbol, &graph, &order.order), 0);
  RefStructure before = symbolStructure(symbol, ranges);
  symbolCompact(&symbol);
  EXPECT_EQ(symbolStructure(symbol, ranges), before);
  symbolExit(&symbol);
  EXPECT_EQ(symbol.columnBlockArray, nullptr);
  EXPECT_EQ(symbol.blockArray, nullptr);
  EXPECT_EQ(symbol.blockCount, 0);
  graphExit(&graph);
}

// Real graphs with banded orderings and partitions that match the scalar
// elimination tree (one column per block, fundamental supernodes) or not
// (random runs of columns).
TEST(SymbolFax, SharedGraphsMatchScalarPattern) {
  std::vector<std::string> names = sharedGraphNames();
  if (names.empty()) GTEST_SKIP() << "no shared graphs";
  std::mt19937 random(11);
  for (const std::string& name : names) {
    Graph graph;
    loadSharedGraph(&graph, name);
    if (graph.vertexCount > 20000) {  // keep the suite quick
      graphExit(&graph);
      continue;
    }
    SCOPED_TRACE(name);
    std::vector<GraphNum> permutation = reversedBreadthFirstPermutation(&graph);
    for (const std::vector<GraphNum>& ranges :
         {singletonRanges(&graph), supernodeRanges(&graph, permutation), randomRanges(&graph, random, 8)}) {
      RefStructure structure = faxStructure(&graph, permutation, ranges);
      RefStructure expected = scalarReference(&graph, permutation, ranges);
      ASSERT_EQ(structure.size(), expected.size());
      size_t differences = 0;
      for (size_t k = 0; k < structure.size(); k++) differences += (structure[k] != expected[k]) ? 1 : 0;
      EXPECT_EQ(differences, 0u);
    }
    // Supernodes of the scalar factor: the rows of each block column are the
    // column count of its last column plus its width.
    std::vector<GraphNum> ranges = supernodeRanges(&graph, permutation);
    std::vector<GraphNum> counts(graph.vertexCount);
    FillStats stats;
    ASSERT_EQ(fillStatsCompute(&graph, permutation.data(), &stats, counts.data()), 0);
    RefStructure structure = faxStructure(&graph, permutation, ranges);
    int64_t offDiagonal = 0;
    for (size_t k = 0; k < structure.size(); k++) {
      GraphNum rows = 0;
      for (size_t b = 1; b < structure[k].size(); b++) rows += structure[k][b].lastRow - structure[k][b].firstRow + 1;
      GraphNum width = ranges[k + 1] - ranges[k];
      EXPECT_EQ(rows, counts[ranges[k + 1] - 1 - graph.base]);
      offDiagonal += static_cast<int64_t>(rows) * width + static_cast<int64_t>(width) * (width - 1) / 2;
    }
    EXPECT_EQ(offDiagonal, stats.nnzL);
    graphExit(&graph);
  }
}
