// Halo graphs: views and the induction of the halo graph of a vertex list.
#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "order_verify.h"
#include "support/test_support.h"

namespace {

// Grid with vertex loads v % 3 + 1 and edge loads (u + v) % 5 + 1.
void buildWeightedGrid(Graph* graph, GraphNum base, GraphNum width, GraphNum height) {
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  std::vector<GraphNum> edgeLoads, vertexLoads;
  for (GraphNum y = 0; y < height; y++)
    for (GraphNum x = 0; x < width; x++) {
      const GraphNum v = base + y * width + x;
      vertexLoads.push_back(v % 3 + 1);
      if (x + 1 < width) edges.push_back({v, v + 1});
      if (y + 1 < height) edges.push_back({v, v + width});
    }
  for (auto [u, v] : edges) edgeLoads.push_back((u + v) % 5 + 1);
  buildGraph(graph, base, width * height, edges, vertexLoads, edgeLoads);
}

GraphNum originalOf(const Hgraph& graph, GraphNum vertex) {
  return (graph.graph.vertexNumber != nullptr) ? graph.graph.vertexNumber[vertex] : vertex;
}

// Checks a target induced from source on list against an independent
// reconstruction from the source's adjacency.
::testing::AssertionResult inducedMatches(const Hgraph& source, const std::vector<GraphNum>& list,
                                          const Hgraph& target) {
  const Graph& s = source.graph;
  const Graph& t = target.graph;
  const GraphNum base = s.base;
  const GraphNum listCount = static_cast<GraphNum>(list.size());
  std::set<GraphNum> listed(list.begin(), list.end());
  // Expected halo: neighbours outside the list in order of first meeting.
  std::vector<GraphNum> halo;
  std::set<GraphNum> haloSet;
  for (GraphNum v : list)
    for (GraphNum arc = s.edgeBegin[v]; arc < s.edgeEnd[v]; arc++) {
      const GraphNum w = s.edgeTarget[arc];
      if ((listed.count(w) == 0) && haloSet.insert(w).second) halo.push_back(w);
    }
  std::vector<GraphNum> sourceOf(list);
  sourceOf.insert(sourceOf.end(), halo.begin(), halo.end());

  if (t.base != base) return ::testing::AssertionFailure() << "base " << t.base;
  if ((target.nonHaloVertexCount != listCount) || (target.nonHaloVertexEnd != base + listCount))
    return ::testing::AssertionFailure() << "non-halo count " << target.nonHaloVertexCount;
  if (t.vertexCount != static_cast<GraphNum>(sourceOf.size()) || t.vertexEnd != base + t.vertexCount)
    return ::testing::AssertionFailure() << "vertex count " << t.vertexCount << " expected " << sourceOf.size();
  if (target.level != source.level + 1) return ::testing::AssertionFailure() << "level " << target.level;

  std::map<std::pair<GraphNum, GraphNum>, GraphNum> sourceArcLoad;
  for (GraphNum v = base; v < s.vertexEnd; v++)
    for (GraphNum arc = s.edgeBegin[v]; arc < s.edgeEnd[v]; arc++)
      sourceArcLoad[{v, s.edgeTarget[arc]}] = (s.edgeLoad != nullptr) ? s.edgeLoad[arc] : 1;

  GraphNum arcs = 0, nonHaloArcs = 0, maxDegree = 0;
  int64_t loadSum = 0, nonHaloLoadSum = 0, edgeLoadSum = 0, nonHaloEdgeLoadSum = 0;
  for (GraphNum i = 0; i < t.vertexCount; i++) {
    const GraphNum tv = base + i;
    const GraphNum sv = sourceOf[i];
    if (t.vertexNumber[tv] != originalOf(source, sv))
      return ::testing::AssertionFailure() << "vertex " << tv << " numbered " << t.vertexNumber[tv];
    const GraphNum load = (s.vertexLoad != nullptr) ? s.vertexLoad[sv] : 1;
    if ((s.vertexLoad != nullptr) && (t.vertexLoad[tv] != load))
      return ::testing::AssertionFailure() << "load of " << tv;
    loadSum += load;
    if (i < listCount) nonHaloLoadSum += load;
    std::multiset<GraphNum> expected, found;
    for (GraphNum arc = s.edgeBegin[sv]; arc < s.edgeEnd[sv]; arc++) {
      const GraphNum w = s.edgeTarget[arc];
      if ((i < listCount) || (listed.count(w) != 0)) expected.insert(w);
    }
    const GraphNum boundary = (i < listCount) ? target.nonHaloEdgeEnd[tv] : t.edgeBegin[tv];
    for (GraphNum arc = t.edgeBegin[tv]; arc < t.edgeEnd[tv]; arc++) {
      const GraphNum tw = t.edgeTarget[arc];
      if ((tw < base) || (tw >= t.vertexEnd)) return ::testing::AssertionFailure() << "arc end " << tw;
      const bool toNonHalo = tw < target.nonHaloVertexEnd;
      if ((i < listCount) && (toNonHalo != (arc < boundary)))
        return ::testing::AssertionFailure() << "arc " << arc << " of " << tv << " on the wrong side";
      if ((i >= listCount) && !toNonHalo) return ::testing::AssertionFailure() << "halo-halo arc at " << tv;
      const GraphNum sw = sourceOf[tw - base];
      found.insert(sw);
      const GraphNum arcLoad = (t.edgeLoad != nullptr) ? t.edgeLoad[arc] : 1;
      if ((s.edgeLoad != nullptr) && (arcLoad != sourceArcLoad[{sv, sw}]))
        return ::testing::AssertionFailure() << "arc load " << tv << "-" << tw;
      edgeLoadSum += arcLoad;
      if ((i < listCount) && toNonHalo) {
        nonHaloArcs++;
        nonHaloEdgeLoadSum += arcLoad;
      }
    }
    if (found != expected) return ::testing::AssertionFailure() << "neighbours of " << tv;
    arcs += t.edgeEnd[tv] - t.edgeBegin[tv];
    maxDegree = std::max(maxDegree, t.edgeEnd[tv] - t.edgeBegin[tv]);
  }
  if ((t.arcCount != arcs) || (target.nonHaloArcCount != nonHaloArcs) || (t.maxDegree != maxDegree))
    return ::testing::AssertionFailure() << "arc counts " << t.arcCount << " " << target.nonHaloArcCount << " "
                                         << t.maxDegree;
  if ((t.vertexLoadSum != loadSum) || (target.nonHaloVertexLoadSum != nonHaloLoadSum))
    return ::testing::AssertionFailure() << "vertex load sums";
  if ((t.edgeLoadSum != edgeLoadSum) || (target.nonHaloEdgeLoadSum != nonHaloEdgeLoadSum))
    return ::testing::AssertionFailure() << "edge load sums";
  if ((s.edgeLoad == nullptr) != (t.edgeLoad == nullptr) || (s.vertexLoad == nullptr) != (t.vertexLoad == nullptr))
    return ::testing::AssertionFailure() << "load arrays";
  ErrorCapture capture;
  if (graphCheck(&t) != 0) return ::testing::AssertionFailure() << "graphCheck: " << capture.first();
  return ::testing::AssertionSuccess();
}

TEST(Hgraph, InitAndViews) {
  Hgraph graph;
  EXPECT_EQ(hgraphInit(&graph), 0);
  EXPECT_EQ(graph.graph.flags, 15);
  EXPECT_EQ(graph.nonHaloEdgeEnd, nullptr);
  hgraphExit(&graph);

  HaloView view;
  buildWeightedGrid(&view.graph, 1, 3, 3);
  Hgraph* wrapped = view.wrap();
  EXPECT_EQ(wrapped->graph.flags & GRAPH_FREE_ALL, 0);  // frees nothing of the graph
  EXPECT_EQ(wrapped->nonHaloVertexCount, 9);
  EXPECT_EQ(wrapped->nonHaloVertexEnd, 10);
  EXPECT_EQ(wrapped->nonHaloEdgeEnd, view.graph.edgeEnd);
  EXPECT_EQ(wrapped->nonHaloArcCount, view.graph.arcCount);
  EXPECT_EQ(wrapped->nonHaloVertexLoadSum, view.graph.vertexLoadSum);
  EXPECT_EQ(wrapped->nonHaloEdgeLoadSum, view.graph.edgeLoadSum);
  EXPECT_EQ(wrapped->level, 0);
  hgraphExit(wrapped);  // the sanitizer build catches any free of the graph's arrays

  // The non-halo view of an induced halo graph shares its arrays.
  Hgraph induced;
  const GraphNum list[3] = {1, 2, 4};
  ASSERT_EQ(hgraphInduceList(wrapped, 3, list, 6, &induced), 0);
  Graph unhalo;
  hgraphUnhalo(&induced, &unhalo);
  EXPECT_EQ(unhalo.flags & GRAPH_FREE_ALL, 0);
  EXPECT_EQ(unhalo.vertexCount, 3);
  EXPECT_EQ(unhalo.vertexEnd, 4);
  EXPECT_EQ(unhalo.edgeBegin, induced.graph.edgeBegin);
  EXPECT_EQ(unhalo.edgeEnd, induced.nonHaloEdgeEnd);
  EXPECT_EQ(unhalo.edgeTarget, induced.graph.edgeTarget);
  EXPECT_EQ(unhalo.vertexNumber, induced.graph.vertexNumber);
  EXPECT_EQ(unhalo.arcCount, induced.nonHaloArcCount);
  EXPECT_EQ(unhalo.arcCount, 4);  // 1-2 and 1-4, both ways
  EXPECT_EQ(unhalo.vertexLoadSum, 2 + 3 + 2);
  EXPECT_EQ(unhalo.edgeLoadSum, induced.nonHaloEdgeLoadSum);
  EXPECT_EQ(unhalo.vertexLabel, nullptr);
  graphExit(&unhalo);  // frees nothing
  hgraphExit(&induced);
}

TEST(HgraphInduce, SingleVertexWithThreeOutsideNeighbours) {
  HaloView view;
  buildGraph(&view.graph, 0, 4, {{0, 1}, {0, 2}, {0, 3}});
  Hgraph induced;
  const GraphNum list[1] = {0};
  ASSERT_EQ(hgraphInduceList(view.wrap(), 1, list, 3, &induced), 0);
  EXPECT_EQ(induced.graph.vertexCount, 4);
  EXPECT_EQ(induced.nonHaloVertexCount, 1);
  EXPECT_EQ(induced.nonHaloArcCount, 0);
  EXPECT_EQ(induced.graph.arcCount, 6);
  for (GraphNum h = 1; h < 4; h++) {
    EXPECT_EQ(induced.graph.edgeEnd[h] - induced.graph.edgeBegin[h], 1);
    EXPECT_EQ(induced.graph.edgeTarget[induced.graph.edgeBegin[h]], 0);
  }
  EXPECT_TRUE(inducedMatches(view.halo, {0}, induced));
  hgraphExit(&induced);
}

TEST(HgraphInduce, ListedFirstHaloAfterWithLoads) {
  for (GraphNum base : {0, 1}) {
    HaloView view;
    buildWeightedGrid(&view.graph, base, 6, 5);
    Hgraph* source = view.wrap();
    // A scattered list in no particular order.
    std::vector<GraphNum> list;
    for (GraphNum v = 0; v < 30; v += 4) list.push_back(base + (v * 7) % 30);
    Hgraph induced;
    ASSERT_EQ(hgraphInduceList(source, static_cast<GraphNum>(list.size()), list.data(), 30 - list.size(), &induced), 0);
    EXPECT_TRUE(inducedMatches(*source, list, induced));
    // The halo lists its vertices' non-halo neighbours after them: a listed
    // vertex's halo arcs are the last of its range.
    EXPECT_GT(induced.graph.vertexCount, induced.nonHaloVertexCount);

    // Inducing again from the induced graph keeps numbers of the first graph
    // and reaches the source's own halo.
    std::vector<GraphNum> sublist;
    for (GraphNum v = induced.nonHaloVertexEnd - 1; v >= base; v -= 2) sublist.push_back(v);
    Hgraph nested;
    ASSERT_EQ(hgraphInduceList(&induced, static_cast<GraphNum>(sublist.size()), sublist.data(),
                               induced.graph.vertexCount - sublist.size(), &nested),
              0);
    EXPECT_TRUE(inducedMatches(induced, sublist, nested));
    EXPECT_EQ(nested.level, 2);
    hgraphExit(&nested);
    hgraphExit(&induced);
  }
}

TEST(HgraphInduce, TooSmallHaloCapacityStillGivesTheWholeHalo) {
  HaloView view;
  buildGrid(&view.graph, 0, 8, 8);
  Hgraph* source = view.wrap();
  std::vector<GraphNum> list;
  for (GraphNum v = 0; v < 64; v += 3) list.push_back(v);
  for (GraphNum capacity : {0, 1, 5}) {
    Hgraph induced;
    ASSERT_EQ(hgraphInduceList(source, static_cast<GraphNum>(list.size()), list.data(), capacity, &induced), 0);
    EXPECT_TRUE(inducedMatches(*source, list, induced)) << capacity;
    hgraphExit(&induced);
  }
}

TEST(HgraphInduce, RefusesInvalidLists) {
  HaloView view;
  buildPath(&view.graph, 1, 5);
  Hgraph* source = view.wrap();
  const std::vector<std::vector<GraphNum>> lists = {{1, 2, 1}, {0, 2}, {6}, {2, 3, 4, 5, 1, 2}};
  for (const auto& list : lists) {
    Hgraph induced;
    ErrorCapture capture;
    EXPECT_EQ(hgraphInduceList(source, static_cast<GraphNum>(list.size()), list.data(), 5, &induced), 1);
    EXPECT_EQ(capture.first(), "ERROR: hgraphInduceList: invalid vertex list");
    hgraphExit(&induced);  // safe on a failed induction
  }
}

// A caller's shared index array gives the same graphs, including after a
// refused list and an overflowing halo capacity, and is all -1 after each.
TEST(HgraphInduce, SharedIndexGivesTheSameGraphsAndIsRestored) {
  HaloView view;
  buildWeightedGrid(&view.graph, 1, 7, 6);
  Hgraph* source = view.wrap();
  std::vector<GraphNum> sharedIndex(42, -1);
  GraphNum* index = sharedIndex.data() - 1;
  const std::vector<std::vector<GraphNum>> lists = {{1, 2, 3}, {40, 8, 22, 15}, {42}, {5, 12, 19, 26, 33}};
  for (const auto& list : lists) {
    for (GraphNum capacity : {0, 42}) {
      Hgraph induced;
      ASSERT_EQ(hgraphInduceListIndexed(source, static_cast<GraphNum>(list.size()), list.data(), capacity, index,
                                        &induced),
                0);
      EXPECT_TRUE(inducedMatches(*source, list, induced));
      EXPECT_EQ(std::count(sharedIndex.begin(), sharedIndex.end(), -1), 42);
      hgraphExit(&induced);
    }
  }
  const std::vector<GraphNum> repeated = {3, 4, 3};
  Hgraph refused;
  ErrorCapture capture;
  EXPECT_EQ(hgraphInduceListIndexed(source, 3, repeated.data(), 10, index, &refused), 1);
  EXPECT_EQ(std::count(sharedIndex.begin(), sharedIndex.end(), -1), 42);
  hgraphExit(&refused);
}

TEST(HgraphInduce, EmptyListGivesEmptyGraph) {
  HaloView view;
  buildPath(&view.graph, 0, 3);
  Hgraph induced;
  ASSERT_EQ(hgraphInduceList(view.wrap(), 0, nullptr, 3, &induced), 0);
  EXPECT_EQ(induced.graph.vertexCount, 0);
  EXPECT_EQ(induced.graph.arcCount, 0);
  hgraphExit(&induced);
}

}  // namespace
