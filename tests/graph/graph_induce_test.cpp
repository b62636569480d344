// Induced subgraphs compared with a subgraph computed independently from
// the parent's adjacency, by list and by part, with and without loads.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "graph/graph_induce.h"
#include "support/test_support.h"

namespace {

struct GraphGuard {
  Graph graph;
  GraphGuard() { graphInit(&graph); }
  ~GraphGuard() { graphExit(&graph); }
  Graph* operator->() { return &graph; }
  Graph* get() { return &graph; }
};

// The expected subgraph of the chosen parent vertices (in the new order):
// for each new vertex, its parent number and its kept arcs as (new end,
// load) in the parent's adjacency order.
struct ExpectedGraph {
  std::vector<GraphNum> parentVertex;
  std::vector<std::vector<std::pair<GraphNum, GraphNum>>> arcs;
};

ExpectedGraph referenceSubgraph(const Graph* parent, const std::vector<GraphNum>& chosen) {
  ExpectedGraph expected;
  expected.parentVertex = chosen;
  for (GraphNum u : chosen) {
    std::vector<std::pair<GraphNum, GraphNum>> kept;
    for (GraphNum e = parent->edgeBegin[u]; e < parent->edgeEnd[u]; e++) {
      auto found = std::find(chosen.begin(), chosen.end(), parent->edgeTarget[e]);
      if (found == chosen.end()) continue;
      GraphNum newEnd = parent->base + static_cast<GraphNum>(found - chosen.begin());
      kept.push_back({newEnd, parent->edgeLoad != nullptr ? parent->edgeLoad[e] : 1});
    }
    expected.arcs.push_back(kept);
  }
  return expected;
}

// Checks every field of an induced graph against the reference subgraph.
void expectInduced(const Graph* parent, const Graph* induced, const std::vector<GraphNum>& chosen) {
  ExpectedGraph expected = referenceSubgraph(parent, chosen);
  GraphNum base = parent->base;
  GraphNum count = static_cast<GraphNum>(chosen.size());
  ASSERT_EQ(induced->flags, 63);
  ASSERT_EQ(induced->base, base);
  ASSERT_EQ(induced->vertexCount, count);
  ASSERT_EQ(induced->vertexEnd, base + count);
  ASSERT_EQ(induced->edgeEnd, induced->edgeBegin + 1);
  EXPECT_EQ(induced->vertexLabel, nullptr);
  EXPECT_EQ(induced->reserved, nullptr);
  EXPECT_EQ(induced->maxDegree, parent->maxDegree);
  EXPECT_EQ(induced->vertexLoad == nullptr, parent->vertexLoad == nullptr);
  EXPECT_EQ(induced->edgeLoad == nullptr, parent->edgeLoad == nullptr);
  ASSERT_NE(induced->vertexNumber, nullptr);
  ASSERT_EQ(induced->edgeBegin[base], base);

  GraphNum arcTotal = 0;
  GraphNum edgeLoadSum = 0;
  GraphNum vertexLoadSum = 0;
  for (GraphNum i = 0; i < count; i++) {
    GraphNum v = base + i;
    GraphNum u = expected.parentVertex[i];
    GraphNum ancestor = parent->vertexNumber != nullptr ? parent->vertexNumber[u] : u;
    EXPECT_EQ(induced->vertexNumber[v], ancestor) << "vertex " << v;
    if (parent->vertexLoad != nullptr) {
      EXPECT_EQ(induced->vertexLoad[v], parent->vertexLoad[u]);
      vertexLoadSum += parent->vertexLoad[u];
    } else {
      vertexLoadSum++;
    }
    const auto& arcs = expected.arcs[i];
    ASSERT_EQ(induced->edgeEnd[v] - induced->edgeBegin[v], static_cast<GraphNum>(arcs.size())) << "vertex " << v;
    ASSERT_EQ(induced->edgeBegin[v], base + arcTotal);
    for (size_t k = 0; k < arcs.size(); k++) {
      GraphNum e = induced->edgeBegin[v] + static_cast<GraphNum>(k);
      EXPECT_EQ(induced->edgeTarget[e], arcs[k].first) << "vertex " << v << " arc " << k;
      if (induced->edgeLoad != nullptr) {
        EXPECT_EQ(induced->edgeLoad[e], arcs[k].second);
      }
      edgeLoadSum += arcs[k].second;
    }
    arcTotal += static_cast<GraphNum>(arcs.size());
  }
  EXPECT_EQ(induced->arcCount, arcTotal);
  EXPECT_EQ(induced->edgeLoadSum, edgeLoadSum);
  EXPECT_EQ(induced->vertexLoadSum, vertexLoadSum);
}

std::vector<GraphNum> increasingVertices(const Graph* graph) {
  std::vector<GraphNum> all(graph->vertexCount);
  std::iota(all.begin(), all.end(), graph->base);
  return all;
}

// A grid with distinct vertex and edge loads, so that misplaced loads show.
void buildLoadedGrid(Graph* graph, GraphNum base, GraphNum width, GraphNum height) {
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  std::vector<GraphNum> edgeLoads;
  for (GraphNum y = 0; y < height; y++)
    for (GraphNum x = 0; x < width; x++) {
      GraphNum v = base + y * width + x;
      if (x + 1 < width) edges.push_back({v, v + 1});
      if (y + 1 < height) edges.push_back({v, v + width});
    }
  for (size_t i = 0; i < edges.size(); i++) edgeLoads.push_back(static_cast<GraphNum>(1 + i % 7));
  std::vector<GraphNum> vertexLoads;
  for (GraphNum v = 0; v < width * height; v++) vertexLoads.push_back(10 + v % 5);
  buildGraph(graph, base, width * height, edges, vertexLoads, edgeLoads);
}

TEST(GraphInduce, AllVerticesGiveACopyWithIdentityNumbers) {
  for (GraphNum base : {0, 1, 5}) {
    GraphGuard parent;
    buildLoadedGrid(parent.get(), base, 5, 4);
    std::vector<GraphNum> all = increasingVertices(parent.get());
    GraphGuard induced;
    ASSERT_EQ(graphInduceList(parent.get(), parent->vertexCount, all.data(), induced.get()), 0);
    expectInduced(parent.get(), induced.get(), all);
    EXPECT_EQ(induced->arcCount, parent->arcCount);
    EXPECT_EQ(induced->edgeLoadSum, parent->edgeLoadSum);
    EXPECT_EQ(induced->vertexLoadSum, parent->vertexLoadSum);
    for (GraphNum v = base; v < parent->vertexEnd; v++) EXPECT_EQ(induced->vertexNumber[v], v);
  }
}

TEST(GraphInduce, IndependentSetHasNoArcs) {
  GraphGuard parent;
  buildLoadedGrid(parent.get(), 0, 6, 6);
  std::vector<GraphNum> blackSquares;  // no two are neighbours in a grid
  for (GraphNum v = 0; v < 36; v++)
    if ((v / 6 + v % 6) % 2 == 0) blackSquares.push_back(v);
  GraphGuard induced;
  ASSERT_EQ(graphInduceList(parent.get(), static_cast<GraphNum>(blackSquares.size()), blackSquares.data(),
                            induced.get()),
            0);
  expectInduced(parent.get(), induced.get(), blackSquares);
  EXPECT_EQ(induced->arcCount, 0);
  EXPECT_EQ(induced->edgeLoadSum, 0);
  EXPECT_EQ(induced->maxDegree, 4);
}

TEST(GraphInduce, ListOrderRenumbersAPath) {
  GraphGuard parent;
  buildPath(parent.get(), 1, 3);  // 1 - 2 - 3
  GraphNum list[] = {3, 1};
  GraphGuard induced;
  ASSERT_EQ(graphInduceList(parent.get(), 2, list, induced.get()), 0);
  EXPECT_EQ(induced->vertexCount, 2);
  EXPECT_EQ(induced->arcCount, 0);
  EXPECT_EQ(induced->edgeBegin[1], 1);
  EXPECT_EQ(induced->edgeBegin[2], 1);
  EXPECT_EQ(induced->edgeBegin[3], 1);
  EXPECT_EQ(induced->vertexNumber[1], 3);
  EXPECT_EQ(induced->vertexNumber[2], 1);
  EXPECT_EQ(induced->vertexLoadSum, 2);
  EXPECT_EQ(induced->maxDegree, 2);
  // The two ends of the path, in reverse order, keep their edge to 2.
  GraphNum withMiddle[] = {3, 2};
  GraphGuard pair;
  ASSERT_EQ(graphInduceList(parent.get(), 2, withMiddle, pair.get()), 0);
  expectInduced(parent.get(), pair.get(), {3, 2});
  EXPECT_EQ(pair->edgeTarget[1], 2);
  EXPECT_EQ(pair->edgeTarget[2], 1);
}

TEST(GraphInduce, EmptySelection) {
  GraphGuard parent;
  buildLoadedGrid(parent.get(), 1, 3, 3);
  GraphGuard induced;
  ASSERT_EQ(graphInduceList(parent.get(), 0, nullptr, induced.get()), 0);
  expectInduced(parent.get(), induced.get(), {});
  std::vector<uint8_t> parts(9, 0);
  GraphGuard none;
  ASSERT_EQ(graphInducePart(parent.get(), parts.data() - 1, 0, 1, none.get()), 0);
  expectInduced(parent.get(), none.get(), {});
}

TEST(GraphInduce, ChainedInductionsReferToTheFirstGraph) {
  GraphGuard parent;
  buildLoadedGrid(parent.get(), 1, 7, 5);
  std::vector<GraphNum> first;  // every vertex but the first column, reversed
  for (GraphNum v = parent->vertexEnd - 1; v >= 1; v--)
    if ((v - 1) % 7 != 0) first.push_back(v);
  GraphGuard child;
  ASSERT_EQ(graphInduceList(parent.get(), static_cast<GraphNum>(first.size()), first.data(), child.get()), 0);
  expectInduced(parent.get(), child.get(), first);

  std::vector<GraphNum> second;  // child vertices 3, 5, 7, ... of the child
  for (GraphNum v = 3; v < child->vertexEnd; v += 2) second.push_back(v);
  GraphGuard grandchild;
  ASSERT_EQ(graphInduceList(child.get(), static_cast<GraphNum>(second.size()), second.data(), grandchild.get()), 0);
  expectInduced(child.get(), grandchild.get(), second);
  for (size_t i = 0; i < second.size(); i++)
    EXPECT_EQ(grandchild->vertexNumber[1 + static_cast<GraphNum>(i)], first[second[i] - 1]);

  // By part too: the grandchild's vertexNumber goes through the child.
  std::vector<uint8_t> parts(child->vertexCount);
  std::vector<GraphNum> chosen;
  for (GraphNum v = 1; v < child->vertexEnd; v++) {
    parts[v - 1] = static_cast<uint8_t>(v % 3 == 0 ? 7 : 2);
    if (v % 3 == 0) chosen.push_back(v);
  }
  GraphGuard byPart;
  ASSERT_EQ(graphInducePart(child.get(), parts.data() - 1, static_cast<GraphNum>(chosen.size()), 7, byPart.get()),
            0);
  expectInduced(child.get(), byPart.get(), chosen);
}

TEST(GraphInduce, EdgeLoadsAreKeptOnBothArcs) {
  // Triangle 0-1-2 with loads 3, 5, 11 and a pendant vertex 3 on vertex 2.
  GraphGuard parent;
  buildGraph(parent.get(), 0, 4, {{0, 1}, {1, 2}, {2, 0}, {2, 3}}, {}, {3, 5, 11, 13});
  GraphNum list[] = {2, 0, 1};
  GraphGuard induced;
  ASSERT_EQ(graphInduceList(parent.get(), 3, list, induced.get()), 0);
  expectInduced(parent.get(), induced.get(), {2, 0, 1});
  EXPECT_EQ(induced->edgeLoadSum, 2 * (3 + 5 + 11));
  EXPECT_EQ(induced->arcCount, 6);
  EXPECT_EQ(induced->vertexLoad, nullptr);
  EXPECT_EQ(induced->vertexLoadSum, 3);
}

TEST(GraphInduce, PartSelectionMatchesList) {
  std::mt19937 random(42);
  for (int round = 0; round < 20; round++) {
    GraphNum base = round % 2;
    GraphGuard parent;
    if (round % 3 == 0)
      buildGrid(parent.get(), base, 9, 8);
    else
      buildLoadedGrid(parent.get(), base, 8, 9);
    std::vector<uint8_t> parts(parent->vertexCount);
    for (auto& part : parts) part = static_cast<uint8_t>(random() % 3);
    uint8_t value = static_cast<uint8_t>(round % 3);
    std::vector<GraphNum> chosen;
    for (GraphNum v = base; v < parent->vertexEnd; v++)
      if (parts[v - base] == value) chosen.push_back(v);
    GraphGuard byPart;
    ASSERT_EQ(graphInducePart(parent.get(), parts.data() - base, static_cast<GraphNum>(chosen.size()), value,
                              byPart.get()),
              0);
    expectInduced(parent.get(), byPart.get(), chosen);
    // A shuffled list selects the same vertices in its own order.
    std::shuffle(chosen.begin(), chosen.end(), random);
    GraphGuard byList;
    ASSERT_EQ(graphInduceList(parent.get(), static_cast<GraphNum>(chosen.size()), chosen.data(), byList.get()), 0);
    expectInduced(parent.get(), byList.get(), chosen);
  }
}

TEST(GraphInduce, SharedGraphHalves) {
  std::vector<std::string> names = sharedGraphNames();
  if (names.empty()) GTEST_SKIP() << "no shared graphs";
  for (const std::string& name : {names.front(), names.back()}) {
    GraphGuard parent;
    loadSharedGraph(parent.get(), name);
    // Every third vertex plus a contiguous run: arcs both inside and across.
    std::vector<uint8_t> parts(parent->vertexCount, 0);
    GraphNum chosenCount = 0;
    for (GraphNum i = 0; i < parent->vertexCount; i++)
      if (i % 3 == 0 || i < parent->vertexCount / 4) {
        parts[i] = 1;
        chosenCount++;
      }
    GraphGuard induced;
    ASSERT_EQ(graphInducePart(parent.get(), parts.data() - parent->base, chosenCount, 1, induced.get()), 0);
    // Independent check through a set of kept parent edges.
    GraphNum expectedArcs = 0;
    for (GraphNum u = parent->base; u < parent->vertexEnd; u++) {
      if (parts[u - parent->base] != 1) continue;
      for (GraphNum e = parent->edgeBegin[u]; e < parent->edgeEnd[u]; e++)
        if (parts[parent->edgeTarget[e] - parent->base] == 1) expectedArcs++;
    }
    EXPECT_EQ(induced->arcCount, expectedArcs) << name;
    EXPECT_EQ(graphCheck(induced.get()), 0) << name;
    for (GraphNum v = induced->base; v < induced->vertexEnd; v++) {
      GraphNum u = induced->vertexNumber[v];
      ASSERT_EQ(parts[u - parent->base], 1);
      for (GraphNum e = induced->edgeBegin[v]; e < induced->edgeEnd[v]; e++) {
        GraphNum w = induced->vertexNumber[induced->edgeTarget[e]];
        ASSERT_TRUE(std::find(parent->edgeTarget + parent->edgeBegin[u], parent->edgeTarget + parent->edgeEnd[u],
                              w) != parent->edgeTarget + parent->edgeEnd[u]);
      }
    }
  }
}

}  // namespace
