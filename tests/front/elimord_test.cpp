// Solver-ordering interface. The fronts of a given interface order are
// checked against the scalar factor of the graph whose column blocks are
// chained (fill counter) and against its row structure; the complete entry
// is checked on the interface's own orderings by rebuilding an elimination
// order from the returned assembly tree, whose block structure must give
// back every front size and father; and the arrays are checked on entry.
#include <functional>
#include <random>

#include "front/elimord.h"
#include "front/fill_stats.h"
#include "front_reference.h"

namespace {

// A graph in the solver's array convention: 1-based row starts and lengths
// over one adjacency array, with optional gaps between rows.
struct SolverArrays {
  GraphNum vertexCount = 0;
  std::vector<GraphNum> rowStart;
  std::vector<GraphNum> rowLength;
  std::vector<GraphNum> adjacency;
  GraphNum nextFree = 1;
};

SolverArrays solverArrays(const Graph* graph, std::mt19937* gaps = nullptr) {
  SolverArrays arrays;
  arrays.vertexCount = graph->vertexCount;
  for (GraphNum v = graph->base; v < graph->vertexEnd; v++) {
    if (gaps != nullptr && (*gaps)() % 3 == 0) arrays.adjacency.push_back(-99);  // unused slot
    GraphNum degree = graph->edgeEnd[v] - graph->edgeBegin[v];
    arrays.rowStart.push_back(degree == 0 ? 0 : static_cast<GraphNum>(arrays.adjacency.size()) + 1);
    arrays.rowLength.push_back(degree);
    for (GraphNum arc = graph->edgeBegin[v]; arc < graph->edgeEnd[v]; arc++)
      arrays.adjacency.push_back(graph->edgeTarget[arc] - graph->base + 1);
  }
  arrays.nextFree = static_cast<GraphNum>(arrays.adjacency.size()) + 1;
  if (arrays.adjacency.empty()) arrays.adjacency.push_back(0);  // keep data() valid
  return arrays;
}

struct AssemblyTree {
  std::vector<GraphNum> frontSize;
  std::vector<GraphNum> treeLink;
  int status = -1;
};

AssemblyTree runElimord(SolverArrays arrays, const std::vector<GraphNum>& weights = {},
                        decltype(&ELIMORDF) entry = nullptr) {
  AssemblyTree tree;
  GraphNum n = arrays.vertexCount;
  const size_t size = static_cast<size_t>(std::max<GraphNum>(n, 0));
  tree.frontSize = weights.empty() ? std::vector<GraphNum>(size, -5) : weights;
  std::vector<GraphNum> work1(size, 77), work2(size, 88);
  GraphNum capacity = static_cast<GraphNum>(arrays.adjacency.size());
  if (entry == nullptr) entry = weights.empty() ? ELIMORDF : ELIMORDFW;
  entry(&n, &capacity, arrays.rowStart.data(), &arrays.nextFree, arrays.rowLength.data(), arrays.adjacency.data(),
        tree.frontSize.data(), work1.data(), work2.data(), &tree.status);
  EXPECT_EQ(work1, std::vector<GraphNum>(size, 77));  // the work arrays are left alone
  EXPECT_EQ(work2, std::vector<GraphNum>(size, 88));
  tree.treeLink = arrays.rowStart;
  return tree;
}

// Checks the shape of an assembly tree (1-based vertices), then rebuilds an
// elimination order from it (children before fathers, each supernode's
// vertices together, principal first) and checks every front size and
// father against the block structure of that order. Any order that keeps
// the supernodes whole and respects the tree gives the same block structure
// as the interface's own order.
void checkAssemblyTree(const Graph* graph, const AssemblyTree& tree, const std::vector<GraphNum>& weights = {}) {
  ASSERT_EQ(graph->base, 1);
  const GraphNum n = graph->vertexCount;
  ASSERT_EQ(tree.status, 0);
  ASSERT_EQ(static_cast<GraphNum>(tree.frontSize.size()), n);
  std::vector<std::vector<GraphNum>> members(n + 1);  // of each principal vertex
  std::vector<std::vector<GraphNum>> sons(n + 1);
  std::vector<GraphNum> roots;
  for (GraphNum v = 1; v <= n; v++) {
    GraphNum front = tree.frontSize[v - 1];
    GraphNum link = tree.treeLink[v - 1];
    ASSERT_GE(front, 0) << "vertex " << v;
    if (front > 0) {
      members[v].insert(members[v].begin(), v);
      if (link == 0) {
        roots.push_back(v);
      } else {
        ASSERT_TRUE(link < 0 && -link <= n && -link != v) << "vertex " << v << " link " << link;
        ASSERT_GT(tree.frontSize[-link - 1], 0) << "father of " << v << " is not a principal vertex";
        sons[-link].push_back(v);
      }
    } else {
      ASSERT_TRUE(link < 0 && -link <= n) << "vertex " << v << " link " << link;
      ASSERT_GT(tree.frontSize[-link - 1], 0) << "vertex " << v << " merged into a vertex that is not principal";
      members[-link].push_back(v);
    }
  }
  ASSERT_FALSE(n > 0 && roots.empty());
  // Postorder from the roots; a cycle would leave supernodes unvisited.
  std::vector<GraphNum> permutation(n, -1);
  std::vector<GraphNum> ranges{1};
  GraphNum next = 1;
  std::vector<GraphNum> blockPrincipal;
  std::function<void(GraphNum)> visit = [&](GraphNum principal) {
    for (GraphNum son : sons[principal]) visit(son);
    for (GraphNum v : members[principal]) permutation[v - 1] = next++;
    ranges.push_back(next);
    blockPrincipal.push_back(principal);
  };
  for (GraphNum root : roots) visit(root);
  ASSERT_EQ(next, n + 1) << "the tree links do not form a forest";

  RefStructure structure = (n <= 300) ? cliqueReference(graph, permutation, ranges)
                                      : scalarReference(graph, permutation, ranges);
  std::vector<GraphNum> vertexAt(n);
  for (GraphNum v = 0; v < n; v++) vertexAt[permutation[v] - 1] = v + 1;
  size_t mismatches = 0;
  for (size_t k = 0; k < structure.size(); k++) {
    GraphNum principal = blockPrincipal[k];
    GraphNum expectedFront = 0;
    for (const RefBlock& block : structure[k])
      for (GraphNum row = block.firstRow; row <= block.lastRow; row++)
        expectedFront += weights.empty() ? 1 : weights[vertexAt[row - 1] - 1];
    GraphNum expectedLink = structure[k].size() > 1 ? -blockPrincipal[structure[k][1].facing - 1] : 0;
    if (tree.frontSize[principal - 1] != expectedFront || tree.treeLink[principal - 1] != expectedLink) {
      if (mismatches++ < 5)
        ADD_FAILURE() << "supernode of " << principal << ": front " << tree.frontSize[principal - 1] << " expected "
                      << expectedFront << ", link " << tree.treeLink[principal - 1] << " expected " << expectedLink;
    }
  }
  EXPECT_EQ(mismatches, 0u);
}

// Front sizes and tree links expected for an interface order: the graph
// with chained column blocks has each block column's rows in its last
// column, so its column counts and elimination tree give them directly.
void checkFrontsAgainstFill(const Graph* graph, const TestOrder& order, const std::vector<GraphNum>& frontSize,
                            const std::vector<GraphNum>& treeLink) {
  const GraphNum base = graph->base;
  Graph chained;
  chainedGraph(&chained, graph, order.permutation, order.ranges);
  std::vector<GraphNum> counts(graph->vertexCount);
  std::vector<GraphNum> parent(graph->vertexCount);
  FillStats stats;
  ASSERT_EQ(fillStatsCompute(&chained, order.permutation.data(), &stats, counts.data()), 0);
  ASSERT_EQ(fillStatsTree(&chained, order.permutation.data(), parent.data()), 0);
  graphExit(&chained);
  std::vector<GraphNum> blockOfPosition(graph->vertexCount);
  for (size_t k = 0; k + 1 < order.ranges.size(); k++)
    for (GraphNum p = order.ranges[k]; p < order.ranges[k + 1]; p++)
      blockOfPosition[p - base] = static_cast<GraphNum>(k);
  size_t mismatches = 0;
  for (size_t k = 0; k + 1 < order.ranges.size(); k++) {
    GraphNum first = order.ranges[k] - base;
    GraphNum last = order.ranges[k + 1] - 1 - base;
    GraphNum principal = order.inversePermutation[first];
    GraphNum expectedFront = (last - first + 1) + counts[last];
    GraphNum expectedLink =
        parent[last] == -1 ? 0 : -order.inversePermutation[order.ranges[blockOfPosition[parent[last]]] - base];
    bool good = frontSize[principal - base] == expectedFront && treeLink[principal - base] == expectedLink;
    for (GraphNum p = first + 1; p <= last; p++) {
      GraphNum v = order.inversePermutation[p];
      good = good && frontSize[v - base] == 0 && treeLink[v - base] == -principal;
    }
    if (!good && mismatches++ < 5) ADD_FAILURE() << "column block " << k;
  }
  EXPECT_EQ(mismatches, 0u);
}

}  // namespace

TEST(ElimordFronts, GivenOrdersMatchTheChainedFactor) {
  std::mt19937 random(31);
  for (int trial = 0; trial < 60; trial++) {
    Graph graph;
    buildRandomGraph(&graph, 1, 1 + static_cast<GraphNum>(random() % 50), 0.08, random);
    TestOrder order;
    std::vector<GraphNum> ranges;
    std::vector<GraphNum> permutation = randomPermutation(&graph, random);
    switch (trial % 3) {
      case 0: ranges = singletonRanges(&graph); break;
      case 1: ranges = supernodeRanges(&graph, permutation); break;
      default: ranges = randomRanges(&graph, random, 6); break;
    }
    makeTestOrder(&order, &graph, permutation, ranges);
    std::vector<GraphNum> frontSize(graph.vertexCount, -3);
    std::vector<GraphNum> treeLink(graph.vertexCount, -3);
    ASSERT_EQ(elimordFronts(&graph, &order.order, nullptr, frontSize.data(), treeLink.data()), 0);
    SCOPED_TRACE(testing::Message() << "trial " << trial);
    checkFrontsAgainstFill(&graph, order, frontSize, treeLink);
    graphExit(&graph);
  }
}

TEST(ElimordFronts, SharedGraphsMatchTheChainedFactor) {
  std::vector<std::string> names = sharedGraphNames();
  if (names.empty()) GTEST_SKIP() << "no shared graphs";
  std::mt19937 random(8);
  for (const std::string& name : names) {
    Graph graph;
    loadSharedGraph(&graph, name, 1);
    if (graph.vertexCount <= 20000) {
      SCOPED_TRACE(name);
      std::vector<GraphNum> permutation = reversedBreadthFirstPermutation(&graph);
      for (const std::vector<GraphNum>& ranges :
           {supernodeRanges(&graph, permutation), randomRanges(&graph, random, 5)}) {
        TestOrder order;
        makeTestOrder(&order, &graph, permutation, ranges);
        std::vector<GraphNum> frontSize(graph.vertexCount), treeLink(graph.vertexCount);
        ASSERT_EQ(elimordFronts(&graph, &order.order, nullptr, frontSize.data(), treeLink.data()), 0);
        checkFrontsAgainstFill(&graph, order, frontSize, treeLink);
      }
    }
    graphExit(&graph);
  }
}

// Weighted fronts are sums of weights over the rows of the block column,
// read from the same array that receives them; the tree links are written
// over the begin array of the graph they were computed from.
TEST(ElimordFronts, WeightsAndOutputsInPlace) {
  std::mt19937 random(64);
  for (int trial = 0; trial < 30; trial++) {
    Graph source;
    buildRandomGraph(&source, 1, 2 + static_cast<GraphNum>(random() % 40), 0.1, random);
    SolverArrays arrays = solverArrays(&source, &random);
    std::vector<GraphNum> rowEnd(arrays.vertexCount);
    for (GraphNum i = 0; i < arrays.vertexCount; i++) rowEnd[i] = arrays.rowStart[i] + arrays.rowLength[i];
    std::vector<GraphNum> weights(arrays.vertexCount);
    for (GraphNum& weight : weights) weight = 1 + static_cast<GraphNum>(random() % 9);
    std::vector<GraphNum> frontSize = weights;
    Graph graph;
    graphInit(&graph);
    ASSERT_EQ(PLYXEN_graphBuild(reinterpret_cast<PLYXEN_Graph*>(&graph), 1, arrays.vertexCount, arrays.rowStart.data(),
                                rowEnd.data(), frontSize.data(), nullptr, arrays.nextFree - 1, arrays.adjacency.data(),
                                nullptr),
              0);
    std::vector<GraphNum> permutation = randomPermutation(&source, random);
    std::vector<GraphNum> ranges = randomRanges(&source, random, 4);
    TestOrder order;
    makeTestOrder(&order, &source, permutation, ranges);
    RefStructure structure = cliqueReference(&source, permutation, ranges);
    ASSERT_EQ(elimordFronts(&graph, &order.order, frontSize.data(), frontSize.data(), arrays.rowStart.data()), 0);
    for (size_t k = 0; k < structure.size(); k++) {
      GraphNum principal = order.inversePermutation[ranges[k] - 1];
      GraphNum sum = 0;
      for (const RefBlock& block : structure[k])
        for (GraphNum row = block.firstRow; row <= block.lastRow; row++)
          sum += weights[order.inversePermutation[row - 1] - 1];
      EXPECT_EQ(frontSize[principal - 1], sum) << "trial " << trial << " block " << k;
      GraphNum link = structure[k].size() > 1 ? -order.inversePermutation[ranges[structure[k][1].facing - 1] - 1] : 0;
      EXPECT_EQ(arrays.rowStart[principal - 1], link) << "trial " << trial << " block " << k;
    }
    graphExit(&graph);
    graphExit(&source);
  }
}

// Arrays that the graph and the ordering methods would read out of bounds,
// or that do not describe a symmetric matrix without loops, are refused
// before anything is built.
TEST(Elimord, RefusesInconsistentArrays) {
  Graph path;
  buildPath(&path, 1, 4);
  const SolverArrays good = solverArrays(&path);
  graphExit(&path);
  struct Case {
    const char* message;
    std::function<void(SolverArrays&)> spoil;
  };
  const Case cases[] = {
      {"ERROR: elimord: invalid vertex count", [](SolverArrays& a) { a.vertexCount = -1; }},
      {"ERROR: graphCheck: invalid arc count", [](SolverArrays& a) { a.nextFree = 0; }},
      {"ERROR: elimord: invalid row (2)", [](SolverArrays& a) { a.rowLength[1] = -1; }},
      {"ERROR: graphCheck: arcs of vertex 4 outside the arc array",
       [](SolverArrays& a) { a.rowLength[3] = 2; }},  // past the next free position
      {"ERROR: graphCheck: arcs of vertex 1 outside the arc array", [](SolverArrays& a) { a.rowStart[0] = 0; }},
      {"ERROR: elimord: invalid row (1)", [](SolverArrays& a) { a.rowStart[0] = 2147483647; }},  // end overflows
      {"ERROR: graphCheck: arc end out of range at vertex 1", [](SolverArrays& a) { a.adjacency[0] = 5; }},
      {"ERROR: graphCheck: arc end out of range at vertex 1", [](SolverArrays& a) { a.adjacency[0] = 0; }},
      {"ERROR: graphCheck: loop at vertex 1", [](SolverArrays& a) { a.adjacency[0] = 1; }},
      {"ERROR: graphCheck: repeated arc from vertex 2 to vertex 1", [](SolverArrays& a) { a.adjacency[2] = 1; }},
      {"ERROR: graphCheck: arc from vertex 2 to vertex 1 has no reverse arc",
       [](SolverArrays& a) { a.adjacency[0] = 3; }},
  };
  for (const Case& c : cases) {
    SolverArrays arrays = good;
    c.spoil(arrays);
    ErrorCapture capture;
    AssemblyTree tree = runElimord(arrays);
    EXPECT_EQ(tree.status, 1) << c.message;
    EXPECT_EQ(capture.first(), c.message);
  }
  ErrorCapture capture;
  AssemblyTree tree = runElimord(good, {1, 0, 2, 2});
  EXPECT_EQ(tree.status, 1);
  EXPECT_EQ(capture.first(), "ERROR: graphCheck: invalid vertex load at vertex 2");
}

// ---------------------------------------------------------------------------
// Complete runs through the ordering library.

TEST(Elimord, SmallCases) {
  {  // A single vertex with no neighbour.
    Graph graph;
    buildGraph(&graph, 1, 1, {});
    AssemblyTree tree = runElimord(solverArrays(&graph));
    EXPECT_EQ(tree.status, 0);
    EXPECT_EQ(tree.frontSize, std::vector<GraphNum>{1});
    EXPECT_EQ(tree.treeLink, std::vector<GraphNum>{0});
    graphExit(&graph);
  }
  {  // Two vertices joined by an edge end in one supernode.
    Graph graph;
    buildPath(&graph, 1, 2);
    AssemblyTree tree = runElimord(solverArrays(&graph));
    ASSERT_EQ(tree.status, 0);
    GraphNum principal = tree.frontSize[0] > 0 ? 1 : 2;
    GraphNum other = 3 - principal;
    EXPECT_EQ(tree.frontSize[principal - 1], 2);
    EXPECT_EQ(tree.treeLink[principal - 1], 0);
    EXPECT_EQ(tree.frontSize[other - 1], 0);
    EXPECT_EQ(tree.treeLink[other - 1], -principal);
    graphExit(&graph);
  }
  {  // Two connected components, large enough to be dissected, give two roots at least.
    std::vector<std::pair<GraphNum, GraphNum>> edges;
    for (GraphNum offset : {0, 225})
      for (GraphNum y = 0; y < 15; y++)
        for (GraphNum x = 0; x < 15; x++) {
          GraphNum v = 1 + offset + 15 * y + x;
          if (x + 1 < 15) edges.push_back({v, v + 1});
          if (y + 1 < 15) edges.push_back({v, v + 15});
        }
    Graph graph;
    buildGraph(&graph, 1, 450, edges);
    AssemblyTree tree = runElimord(solverArrays(&graph));
    checkAssemblyTree(&graph, tree);
    GraphNum roots = 0;
    for (GraphNum v = 0; v < 450; v++) roots += (tree.frontSize[v] > 0 && tree.treeLink[v] == 0) ? 1 : 0;
    EXPECT_GE(roots, 2);
    graphExit(&graph);
  }
  {  // Weighted: an isolated vertex of weight 3 gets a front of 3.
    Graph graph;
    buildGraph(&graph, 1, 3, {{1, 2}});
    AssemblyTree tree = runElimord(solverArrays(&graph), {2, 5, 3});
    checkAssemblyTree(&graph, tree, {2, 5, 3});
    EXPECT_EQ(tree.frontSize[2], 3);
    EXPECT_EQ(tree.treeLink[2], 0);
    graphExit(&graph);
  }
  {  // No vertex at all.
    SolverArrays arrays;
    arrays.adjacency.push_back(0);
    AssemblyTree tree = runElimord(arrays);
    EXPECT_EQ(tree.status, 0);
  }
}

// Empty rows (start 0, length 0), gaps between rows and any adjacency
// capacity are accepted; an empty row is an isolated vertex whatever its
// start, so the results do not depend on it.
TEST(Elimord, EmptyRowsGapsAndCapacity) {
  Graph graph;
  buildGraph(&graph, 1, 9, {{1, 2}, {2, 3}, {3, 4}, {6, 7}, {7, 8}, {8, 6}});  // 5 and 9 are isolated
  std::mt19937 random(4);
  SolverArrays arrays = solverArrays(&graph, &random);
  EXPECT_EQ(arrays.rowStart[4], 0);
  EXPECT_EQ(arrays.rowLength[8], 0);
  SolverArrays elsewhere = arrays;
  elsewhere.rowStart[4] = 3;
  elsewhere.rowStart[8] = 12345;
  intRandReset();
  AssemblyTree reference = runElimord(elsewhere);
  checkAssemblyTree(&graph, reference);
  for (GraphNum capacity : {-7, 0, 1 << 30}) {
    GraphNum n = arrays.vertexCount;
    SolverArrays copy = arrays;
    AssemblyTree tree;
    tree.frontSize.assign(n, 0);
    std::vector<GraphNum> work1(n), work2(n);
    intRandReset();
    ELIMORDF(&n, &capacity, copy.rowStart.data(), &copy.nextFree, copy.rowLength.data(), copy.adjacency.data(),
             tree.frontSize.data(), work1.data(), work2.data(), &tree.status);
    tree.treeLink = copy.rowStart;
    EXPECT_EQ(tree.status, 0);
    EXPECT_EQ(tree.frontSize, reference.frontSize);
    EXPECT_EQ(tree.treeLink, reference.treeLink);
  }
  graphExit(&graph);
}

TEST(Elimord, AllExternalNamesGiveTheSameResult) {
  Graph graph;
  buildGrid(&graph, 1, 5, 4);
  std::vector<GraphNum> weights(20);
  for (GraphNum v = 0; v < 20; v++) weights[v] = 1 + v % 4;
  SolverArrays arrays = solverArrays(&graph);
  // The same random state gives the same ordering, so the same results.
  intRandReset();
  AssemblyTree plain = runElimord(arrays);
  checkAssemblyTree(&graph, plain);
  for (auto entry : {elimordf, elimordf_, elimordf__}) {
    intRandReset();
    AssemblyTree tree = runElimord(arrays, {}, entry);
    EXPECT_EQ(tree.frontSize, plain.frontSize);
    EXPECT_EQ(tree.treeLink, plain.treeLink);
  }
  intRandReset();
  AssemblyTree weighted = runElimord(arrays, weights);
  checkAssemblyTree(&graph, weighted, weights);
  for (auto entry : {elimordfw, elimordfw_, elimordfw__}) {
    intRandReset();
    AssemblyTree tree = runElimord(arrays, weights, entry);
    EXPECT_EQ(tree.frontSize, weighted.frontSize);
    EXPECT_EQ(tree.treeLink, weighted.treeLink);
  }
  graphExit(&graph);
}

TEST(Elimord, RandomGraphsWeightedAndNot) {
  std::mt19937 random(77);
  for (int trial = 0; trial < 25; trial++) {
    Graph graph;
    GraphNum n = 1 + static_cast<GraphNum>(random() % 150);
    buildRandomGraph(&graph, 1, n, trial % 2 == 0 ? 0.03 : 3.0 / n, random);
    SCOPED_TRACE(testing::Message() << "trial " << trial << " n " << n);
    checkAssemblyTree(&graph, runElimord(solverArrays(&graph, &random)));
    std::vector<GraphNum> weights(n);
    for (GraphNum& weight : weights) weight = 1 + static_cast<GraphNum>(random() % 5);
    checkAssemblyTree(&graph, runElimord(solverArrays(&graph), weights), weights);
    graphExit(&graph);
  }
}

TEST(Elimord, SharedGraphs) {
  std::vector<std::string> names = sharedGraphNames();
  if (names.empty()) GTEST_SKIP() << "no shared graphs";
  for (const std::string& name : names) {
    Graph graph;
    loadSharedGraph(&graph, name, 1);
    if (graph.vertexCount <= 20000) {
      SCOPED_TRACE(name);
      checkAssemblyTree(&graph, runElimord(solverArrays(&graph)));
    }
    graphExit(&graph);
  }
}

// With a strategy of the caller's, the fronts follow the very ordering that
// the library computes from the same random state: principal vertices
// first in their column blocks, fronts and fathers from the chained factor.
TEST(Elimord, CallerStrategiesFollowTheLibraryOrdering) {
  std::vector<Graph> graphs(3);
  buildGrid(&graphs[0], 1, 12, 9);
  std::mt19937 random(5);
  buildRandomGraph(&graphs[1], 1, 80, 0.05, random);
  std::vector<std::string> names = sharedGraphNames();
  if (!names.empty())
    loadSharedGraph(&graphs[2], "airfoil1.grf", 1);
  else
    buildGrid(&graphs[2], 1, 30, 30);
  for (const char* strategy : {"s", "g", "b{strat=g,cmin=1}", "o{strat=b{strat=g,cmin=4}}"}) {
    for (Graph& graph : graphs) {
      SCOPED_TRACE(testing::Message() << strategy << " on " << graph.vertexCount << " vertices");
      InterfaceOrder libraryOrder;
      interfaceOrderInit(&libraryOrder);
      intRandReset();
      ASSERT_EQ(elimordOrderStrat(&libraryOrder, &graph, strategy), 0);
      TestOrder order;
      std::vector<GraphNum> permutation(libraryOrder.permutation, libraryOrder.permutation + graph.vertexCount);
      std::vector<GraphNum> ranges(libraryOrder.rangeArray,
                                   libraryOrder.rangeArray + libraryOrder.columnBlockCount + 1);
      makeTestOrder(&order, &graph, permutation, ranges);
      interfaceOrderExit(&libraryOrder);

      SolverArrays arrays = solverArrays(&graph);
      std::vector<GraphNum> frontSize(graph.vertexCount);
      intRandReset();
      ASSERT_EQ(elimordCoreStrat(arrays.vertexCount, arrays.nextFree, arrays.rowStart.data(), arrays.rowLength.data(),
                                 arrays.adjacency.data(), nullptr, frontSize.data(), strategy),
                0);
      checkFrontsAgainstFill(&graph, order, frontSize, arrays.rowStart);
    }
  }
  for (Graph& graph : graphs) graphExit(&graph);
}

TEST(Elimord, OrderingAListPutsTheOthersLast) {
  Graph graph;
  buildPath(&graph, 1, 5);
  InterfaceOrder order;
  interfaceOrderInit(&order);
  const GraphNum list[] = {4, 2};
  ASSERT_EQ(elimordOrderList(&order, &graph, 2, list), 0);
  std::vector<GraphNum> firstTwo(order.inversePermutation, order.inversePermutation + 2);
  std::sort(firstTwo.begin(), firstTwo.end());
  EXPECT_EQ(firstTwo, (std::vector<GraphNum>{2, 4}));
  EXPECT_EQ(std::vector<GraphNum>(order.inversePermutation + 2, order.inversePermutation + 5),
            (std::vector<GraphNum>{1, 3, 5}));
  for (GraphNum v = 1; v <= 5; v++) EXPECT_EQ(order.inversePermutation[order.permutation[v - 1] - 1], v);
  interfaceOrderExit(&order);

  ASSERT_EQ(elimordOrder(&order, &graph), 0);
  std::vector<GraphNum> positions(order.permutation, order.permutation + 5);
  std::sort(positions.begin(), positions.end());
  EXPECT_EQ(positions, (std::vector<GraphNum>{1, 2, 3, 4, 5}));
  EXPECT_EQ(order.rangeArray[0], 1);
  EXPECT_EQ(order.rangeArray[order.columnBlockCount], 6);
  interfaceOrderExit(&order);
  graphExit(&graph);
}
