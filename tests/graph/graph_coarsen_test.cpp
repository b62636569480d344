// Coarsening: the size test, hand-derived matchings of small graphs for each
// rule, an independent slow reference of the matching and of the coarse
// graph compared on random graphs of all eight variants in both visit
// orders, consistency of coarse graphs (also of the shared graphs, level
// after level), and determinism.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <queue>
#include <random>
#include <vector>

#include "graph/graph_coarsen.h"
#include "support/test_support.h"

namespace {

struct GraphGuard {
  Graph graph;
  GraphGuard() { graphInit(&graph); }
  ~GraphGuard() { graphExit(&graph); }
  Graph* operator->() { return &graph; }
  Graph* get() { return &graph; }
};

// Arguments of one coarsening call.
struct CoarsenArgs {
  GraphNum coarseMin = 1;
  double ratio = 1.0;
  const GraphNum* constraintA = nullptr;
  const GraphNum* constraintB = nullptr;
  GraphNum constrainedCount = 0;
  CoarsenVisit visit = CoarsenVisit::Numbering;
};

// A successful coarsening and its multinode array.
struct Coarsened {
  int status = -1;
  Graph graph;
  MultinodePair* pairs = nullptr;
  GraphNum resultConstrained = -12345;
  Coarsened() { graphInit(&graph); }
  ~Coarsened() {
    if (status == 0) graphExit(&graph);
  }
  Coarsened(const Coarsened&) = delete;
  Coarsened& operator=(const Coarsened&) = delete;
};

void coarsen(const Graph* fine, const CoarsenArgs& args, GraphNum seed, Coarsened& result) {
  intRandSeed(seed);
  result.status = graphCoarsen(fine, &result.graph, &result.pairs, args.coarseMin, args.ratio, args.constraintA,
                               args.constraintB, args.constrainedCount, &result.resultConstrained, args.visit);
}

// ---------------------------------------------------------------------------
// Reference: the matching and the coarse graph computed the slow, obvious
// way, from the same random draw.

struct ReferenceCoarse {
  bool declined = false;
  std::vector<std::pair<GraphNum, GraphNum>> pairs;        // by coarse vertex
  std::vector<GraphNum> vertexLoad;                        // by coarse vertex
  std::vector<std::vector<std::pair<GraphNum, GraphNum>>> arcs;  // (end, load) in order of first meeting
  GraphNum edgeLoadSum = 0;
};

ReferenceCoarse referenceCoarsen(const Graph* g, const CoarsenArgs& args, GraphNum seed) {
  ReferenceCoarse result;
  GraphNum base = g->base;
  GraphNum n = g->vertexCount;
  GraphNum cc = args.constrainedCount;
  GraphNum target = cc + static_cast<GraphNum>((n - cc) * args.ratio);
  if (target < args.coarseMin) {
    result.declined = true;
    return result;
  }
  intRandSeed(seed);
  uint32_t t = intRandNext(2147483647);
  // The positions of the walk: the vertex numbers, or a breadth-first order
  // from a random vertex, further components from their smallest vertex.
  std::vector<GraphNum> order(n);
  for (GraphNum i = 0; i < n; i++) order[i] = base + i;
  const bool breadthFirst = args.visit == CoarsenVisit::BreadthFirst;
  if (breadthFirst) {
    GraphNum start = static_cast<GraphNum>(intRandNext(static_cast<uint32_t>(n)));
    std::vector<bool> reached(n, false);
    order.clear();
    for (GraphNum root = -1; static_cast<GraphNum>(order.size()) < n;) {
      if (root == -1) {
        root = start;
      } else {
        root = 0;
        while (reached[root]) root++;
      }
      std::queue<GraphNum> queue;
      queue.push(root);
      reached[root] = true;
      while (!queue.empty()) {
        GraphNum v = queue.front();
        queue.pop();
        order.push_back(base + v);
        for (GraphNum e = g->edgeBegin[base + v]; e < g->edgeEnd[base + v]; e++) {
          GraphNum w = g->edgeTarget[e] - base;
          if (!reached[w]) {
            reached[w] = true;
            queue.push(w);
          }
        }
      }
    }
  }
  bool constrained = cc > 0 || args.constraintA != nullptr;
  auto load = [&](GraphNum v) { return g->vertexLoad != nullptr ? g->vertexLoad[v] : 1; };
  auto compatible = [&](GraphNum v, GraphNum w) {
    if (!constrained) return true;
    if (args.constraintA != nullptr && args.constraintA[w] != args.constraintA[v]) return false;
    if (args.constraintB != nullptr && args.constraintB[w] != args.constraintB[v]) return false;
    return true;
  };
  std::vector<GraphNum> mateVector(n, -1);
  auto mate = [&](GraphNum v) -> GraphNum& { return mateVector[v - base]; };
  int64_t lightLimit = n > 0 ? static_cast<int64_t>(g->vertexLoadSum) / (4 * static_cast<int64_t>(n)) : 0;
  int64_t bound = target - cc > 0 ? 4 * static_cast<int64_t>(g->vertexLoadSum) / (target - cc) + 1 : 1;
  GraphNum decisions = 0;

  enum Kind { Single, Light, Full };
  auto choose = [&](GraphNum v, bool bounded) {
    GraphNum chosen = -1;
    GraphNum heaviest = 0;
    for (GraphNum e = g->edgeBegin[v]; e < g->edgeEnd[v]; e++) {
      GraphNum w = g->edgeTarget[e];
      if (mate(w) != -1) continue;
      if (bounded && static_cast<int64_t>(load(v)) + load(w) > bound) continue;
      if (!compatible(v, w)) continue;
      if (g->edgeLoad == nullptr) return w;
      if (chosen == -1 || g->edgeLoad[e] > heaviest) {
        chosen = w;
        heaviest = g->edgeLoad[e];
      }
    }
    return chosen == -1 ? v : chosen;
  };
  auto walk = [&](Kind kind) {
    GraphNum end = g->vertexEnd;        // of the walk
    GraphNum searchEnd = g->vertexEnd;  // of the search for an isolated vertex's mate
    GraphNum start = base;
    while (start < end) {
      uint64_t size = 2 * static_cast<uint64_t>(g->maxDegree) + t % (static_cast<uint64_t>(g->maxDegree) + 1) + 1;
      if (size > 178) size = t % 145 + 32;
      if (start + static_cast<int64_t>(size) > end) size = static_cast<uint64_t>(end - start);
      uint64_t position = 0;
      GraphNum lastVisited = start;
      do {
        GraphNum v = order[start - base + static_cast<GraphNum>(position)];
        lastVisited = v;
        position = (position + 179) % size;
        if (mate(v) != -1) continue;
        GraphNum degree = g->edgeEnd[v] - g->edgeBegin[v];
        GraphNum w;
        if (kind == Light) {
          if (degree == 0 || load(v) >= lightLimit) continue;
          w = choose(v, false);
        } else if (degree == 0) {
          w = (constrained ? g->vertexEnd : searchEnd) - 1;
          while (mate(w) != -1 || !compatible(v, w)) w--;
          if (!constrained) searchEnd = w;
          if (!constrained && !breadthFirst) end = w;
        } else {
          w = choose(v, kind == Full);
        }
        mate(v) = w;
        mate(w) = v;
        decisions++;
      } while (position != 0);
      t += static_cast<uint32_t>(lastVisited);
      start += static_cast<GraphNum>(size);
    }
  };
  if (g->vertexLoad != nullptr) {
    walk(Light);
    walk(Full);
  } else {
    walk(Single);
  }
  if (decisions >= target) {
    result.declined = true;
    return result;
  }

  std::vector<GraphNum> coarseOf(n, -1);
  for (GraphNum v = base; v < g->vertexEnd; v++) {
    GraphNum w = mate(v);
    if (w == v || w > v) {
      GraphNum c = base + static_cast<GraphNum>(result.pairs.size());
      result.pairs.push_back({v, w});
      coarseOf[v - base] = c;
      coarseOf[w - base] = c;
    }
  }
  result.edgeLoadSum = g->edgeLoadSum;
  for (size_t i = 0; i < result.pairs.size(); i++) {
    GraphNum c = base + static_cast<GraphNum>(i);
    std::vector<std::pair<GraphNum, GraphNum>> list;
    GraphNum coarseLoad = 0;
    std::vector<GraphNum> members = {result.pairs[i].first};
    if (result.pairs[i].second != result.pairs[i].first) members.push_back(result.pairs[i].second);
    for (GraphNum f : members) {
      coarseLoad += load(f);
      for (GraphNum e = g->edgeBegin[f]; e < g->edgeEnd[f]; e++) {
        GraphNum d = coarseOf[g->edgeTarget[e] - base];
        GraphNum arcLoad = g->edgeLoad != nullptr ? g->edgeLoad[e] : 1;
        if (d == c) {
          result.edgeLoadSum -= arcLoad;
          continue;
        }
        auto found = std::find_if(list.begin(), list.end(), [&](const auto& arc) { return arc.first == d; });
        if (found == list.end())
          list.push_back({d, arcLoad});
        else
          found->second += arcLoad;
      }
    }
    result.vertexLoad.push_back(coarseLoad);
    result.arcs.push_back(list);
  }
  return result;
}

// Compares a coarsening result with the reference, field by field.
void expectSameAsReference(const Graph* fine, const Coarsened& actual, const ReferenceCoarse& expected) {
  if (expected.declined) {
    EXPECT_EQ(actual.status, 1);
    return;
  }
  ASSERT_EQ(actual.status, 0);
  const Graph* coarse = &actual.graph;
  GraphNum base = fine->base;
  GraphNum count = static_cast<GraphNum>(expected.pairs.size());
  ASSERT_EQ(coarse->vertexCount, count);
  GraphNum arc = base;
  GraphNum maxDegree = 0;
  for (GraphNum i = 0; i < count; i++) {
    GraphNum c = base + i;
    ASSERT_EQ(actual.pairs[c].vertex[0], expected.pairs[i].first) << "coarse vertex " << c;
    ASSERT_EQ(actual.pairs[c].vertex[1], expected.pairs[i].second) << "coarse vertex " << c;
    ASSERT_EQ(coarse->vertexLoad[c], expected.vertexLoad[i]) << "coarse vertex " << c;
    ASSERT_EQ(coarse->edgeBegin[c], arc) << "coarse vertex " << c;
    const auto& arcs = expected.arcs[i];
    ASSERT_EQ(coarse->edgeEnd[c] - coarse->edgeBegin[c], static_cast<GraphNum>(arcs.size())) << "coarse vertex " << c;
    for (const auto& [end, load] : arcs) {
      ASSERT_EQ(coarse->edgeTarget[arc], end) << "coarse vertex " << c;
      ASSERT_EQ(coarse->edgeLoad[arc], load) << "coarse vertex " << c;
      arc++;
    }
    maxDegree = std::max(maxDegree, static_cast<GraphNum>(arcs.size()));
  }
  EXPECT_EQ(coarse->arcCount, arc - base);
  EXPECT_EQ(coarse->edgeLoadSum, expected.edgeLoadSum);
  EXPECT_EQ(coarse->maxDegree, maxDegree);
}

// ---------------------------------------------------------------------------
// Consistency of a coarse graph with its fine graph, from invariants only.
void expectConsistentCoarse(const Graph* fine, const Graph* coarse, const MultinodePair* pairs,
                            const GraphNum* constraintA = nullptr, const GraphNum* constraintB = nullptr) {
  GraphNum base = fine->base;
  ASSERT_EQ(coarse->flags, GRAPH_FREE_VERTICES | GRAPH_VERTEX_GROUP | GRAPH_EDGE_GROUP);
  ASSERT_EQ(coarse->base, base);
  ASSERT_EQ(coarse->vertexEnd, base + coarse->vertexCount);
  ASSERT_EQ(coarse->edgeEnd, coarse->edgeBegin + 1);
  ASSERT_NE(coarse->vertexLoad, nullptr);
  ASSERT_NE(coarse->edgeLoad, nullptr);
  EXPECT_EQ(coarse->vertexNumber, nullptr);
  EXPECT_EQ(coarse->vertexLabel, nullptr);
  ASSERT_LT(coarse->vertexCount, fine->vertexCount);

  // Every fine vertex in exactly one multinode; pairs ordered, in increasing
  // order of their first vertex, made of neighbours or with an isolated vertex.
  std::vector<GraphNum> coarseOf(fine->vertexCount, -1);
  auto fineLoad = [&](GraphNum v) { return fine->vertexLoad != nullptr ? fine->vertexLoad[v] : 1; };
  auto adjacent = [&](GraphNum v, GraphNum w) {
    for (GraphNum e = fine->edgeBegin[v]; e < fine->edgeEnd[v]; e++)
      if (fine->edgeTarget[e] == w) return true;
    return false;
  };
  int64_t loadSum = 0;
  for (GraphNum c = base; c < coarse->vertexEnd; c++) {
    GraphNum v = pairs[c].vertex[0];
    GraphNum w = pairs[c].vertex[1];
    ASSERT_GE(v, base);
    ASSERT_LT(w, fine->vertexEnd);
    ASSERT_LE(v, w) << "coarse vertex " << c;
    if (c > base) {
      ASSERT_LT(pairs[c - 1].vertex[0], v);
    }
    ASSERT_EQ(coarseOf[v - base], -1) << "fine vertex " << v << " in two multinodes";
    coarseOf[v - base] = c;
    if (w != v) {
      ASSERT_EQ(coarseOf[w - base], -1) << "fine vertex " << w << " in two multinodes";
      coarseOf[w - base] = c;
      // An isolated vertex takes any unmatched vertex; others a neighbour.
      bool isolated = fine->edgeBegin[v] == fine->edgeEnd[v] || fine->edgeBegin[w] == fine->edgeEnd[w];
      ASSERT_TRUE(isolated || adjacent(v, w)) << "pair " << v << " " << w;
      if (constraintA != nullptr) {
        ASSERT_EQ(constraintA[v], constraintA[w]);
      }
      if (constraintB != nullptr) {
        ASSERT_EQ(constraintB[v], constraintB[w]);
      }
    }
    GraphNum expectedLoad = fineLoad(v) + (w != v ? fineLoad(w) : 0);
    ASSERT_EQ(coarse->vertexLoad[c], expectedLoad) << "coarse vertex " << c;
    loadSum += expectedLoad;
  }
  for (GraphNum v = base; v < fine->vertexEnd; v++) ASSERT_NE(coarseOf[v - base], -1) << "fine vertex " << v;
  EXPECT_EQ(coarse->vertexLoadSum, fine->vertexLoadSum);
  EXPECT_EQ(loadSum, fine->vertexLoadSum);

  // Coarse arcs are exactly the fine arcs between different multinodes,
  // merged with summed loads; internal arcs leave the load sum. Arcs are
  // compared as sorted (from, to, load) lists.
  struct Arc {
    GraphNum from, to;
    int64_t load;
    bool operator<(const Arc& other) const { return from != other.from ? from < other.from : to < other.to; }
    bool operator==(const Arc& other) const { return from == other.from && to == other.to && load == other.load; }
  };
  std::vector<Arc> fineArcs;
  int64_t internal = 0;
  for (GraphNum v = base; v < fine->vertexEnd; v++)
    for (GraphNum e = fine->edgeBegin[v]; e < fine->edgeEnd[v]; e++) {
      GraphNum a = coarseOf[v - base];
      GraphNum b = coarseOf[fine->edgeTarget[e] - base];
      GraphNum load = fine->edgeLoad != nullptr ? fine->edgeLoad[e] : 1;
      if (a == b)
        internal += load;
      else
        fineArcs.push_back({a, b, load});
    }
  std::sort(fineArcs.begin(), fineArcs.end());
  std::vector<Arc> expectedArcs;
  for (const Arc& arc : fineArcs) {
    if (!expectedArcs.empty() && expectedArcs.back().from == arc.from && expectedArcs.back().to == arc.to)
      expectedArcs.back().load += arc.load;
    else
      expectedArcs.push_back(arc);
  }
  std::vector<Arc> actualArcs;
  ASSERT_EQ(coarse->edgeBegin[base], base);
  GraphNum maxDegree = 0;
  int64_t coarseLoadSum = 0;
  for (GraphNum c = base; c < coarse->vertexEnd; c++) {
    maxDegree = std::max(maxDegree, coarse->edgeEnd[c] - coarse->edgeBegin[c]);
    for (GraphNum e = coarse->edgeBegin[c]; e < coarse->edgeEnd[c]; e++) {
      ASSERT_NE(coarse->edgeTarget[e], c) << "loop at coarse vertex " << c;
      actualArcs.push_back({c, coarse->edgeTarget[e], coarse->edgeLoad[e]});
      coarseLoadSum += coarse->edgeLoad[e];
    }
  }
  std::sort(actualArcs.begin(), actualArcs.end());
  for (size_t i = 1; i < actualArcs.size(); i++)
    ASSERT_TRUE(actualArcs[i - 1] < actualArcs[i]) << "repeated arc " << actualArcs[i].from << " " << actualArcs[i].to;
  EXPECT_EQ(coarse->arcCount, static_cast<GraphNum>(actualArcs.size()));
  EXPECT_EQ(coarse->edgeBegin[coarse->vertexEnd], base + coarse->arcCount);
  EXPECT_TRUE(actualArcs == expectedArcs) << "coarse arcs differ from the merged fine arcs";
  for (const Arc& arc : actualArcs) {  // symmetric with equal loads
    Arc reverse{arc.to, arc.from, arc.load};
    auto found = std::lower_bound(actualArcs.begin(), actualArcs.end(), reverse);
    ASSERT_TRUE(found != actualArcs.end() && *found == reverse) << "unmatched arc " << arc.from << " " << arc.to;
  }
  EXPECT_EQ(coarse->edgeLoadSum, fine->edgeLoadSum - internal);
  EXPECT_EQ(coarse->edgeLoadSum, coarseLoadSum);
  EXPECT_EQ(coarse->maxDegree, maxDegree);
}

void expectPairs(const Coarsened& result, GraphNum base, const std::vector<std::pair<GraphNum, GraphNum>>& pairs) {
  ASSERT_EQ(result.status, 0);
  ASSERT_EQ(result.graph.vertexCount, static_cast<GraphNum>(pairs.size()));
  for (size_t i = 0; i < pairs.size(); i++) {
    GraphNum c = base + static_cast<GraphNum>(i);
    EXPECT_EQ(result.pairs[c].vertex[0], pairs[i].first) << "coarse vertex " << c;
    EXPECT_EQ(result.pairs[c].vertex[1], pairs[i].second) << "coarse vertex " << c;
  }
}

// A random graph without loops or repeated edges. Some vertices are left
// isolated; one hub of high degree pushes maxDegree above the block limit
// when wanted.
void buildRandomGraph(Graph* graph, std::mt19937& random, GraphNum base, GraphNum count, bool vertexLoads,
                      bool edgeLoads, bool hub) {
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  std::map<std::pair<GraphNum, GraphNum>, bool> seen;
  auto addEdge = [&](GraphNum a, GraphNum b) {
    if (a == b || seen.count({std::min(a, b), std::max(a, b)})) return;
    seen[{std::min(a, b), std::max(a, b)}] = true;
    edges.push_back({base + a, base + b});
  };
  GraphNum isolated = count / 10;  // the vertices from count - isolated on stay alone
  GraphNum connected = count - isolated;
  for (GraphNum i = 0; i < connected * 2; i++)
    addEdge(static_cast<GraphNum>(random() % connected), static_cast<GraphNum>(random() % connected));
  if (hub)
    for (GraphNum i = 0; i < connected; i += 2) addEdge(connected / 2, i);
  std::vector<GraphNum> vertexLoadValues;
  if (vertexLoads)
    for (GraphNum i = 0; i < count; i++)
      vertexLoadValues.push_back(1 + static_cast<GraphNum>(random() % 5 == 0 ? random() % 60 : random() % 4));
  std::vector<GraphNum> edgeLoadValues;
  if (edgeLoads)
    for (size_t i = 0; i < edges.size(); i++) edgeLoadValues.push_back(1 + static_cast<GraphNum>(random() % 4));
  buildGraph(graph, base, count, edges, vertexLoadValues, edgeLoadValues);
}

// ---------------------------------------------------------------------------

TEST(GraphCoarsen, SizeTestDeclinesBeforeDrawing) {
  GraphGuard small;
  buildGraph(small.get(), 0, 124, {});
  CoarsenArgs args;
  args.coarseMin = 100;
  args.ratio = 0.8;
  Coarsened declined;
  coarsen(small.get(), args, 7, declined);
  EXPECT_EQ(declined.status, 1);
  // Declined at once: the generator was not drawn from.
  uint32_t next = intRandNext(0);
  intRandSeed(7);
  EXPECT_EQ(next, intRandNext(0));

  // 125 isolated vertices pair up into 63 coarse vertices, below 100.
  GraphGuard isolated;
  buildGraph(isolated.get(), 0, 125, {});
  Coarsened taken;
  coarsen(isolated.get(), args, 7, taken);
  ASSERT_EQ(taken.status, 0);
  EXPECT_EQ(taken.graph.vertexCount, 63);
  expectConsistentCoarse(isolated.get(), &taken.graph, taken.pairs);

  // A star of 125 vertices: the centre takes one leaf, the other leaves have
  // no unmatched neighbour left: 124 coarse vertices, not below 100.
  std::vector<std::pair<GraphNum, GraphNum>> star;
  for (GraphNum leaf = 1; leaf < 125; leaf++) star.push_back({0, leaf});
  GraphGuard starGraph;
  buildGraph(starGraph.get(), 0, 125, star);
  Coarsened refused;
  coarsen(starGraph.get(), args, 7, refused);
  EXPECT_EQ(refused.status, 1);

  // A ratio whose product leaves the 32-bit range saturates the target:
  // every matching is then small enough.
  CoarsenArgs huge;
  huge.ratio = 1e12;
  Coarsened saturated;
  coarsen(starGraph.get(), huge, 7, saturated);
  ASSERT_EQ(saturated.status, 0);
  EXPECT_EQ(saturated.graph.vertexCount, 124);
  expectConsistentCoarse(starGraph.get(), &saturated.graph, saturated.pairs);
}

TEST(GraphCoarsen, IsolatedVerticesPairWithTheTopOfTheRange) {
  for (GraphNum base : {0, 1}) {
    GraphGuard graph;
    buildGraph(graph.get(), base, 9, {});
    Coarsened result;
    coarsen(graph.get(), CoarsenArgs(), 3, result);
    // One-vertex blocks in increasing order; each takes the last unmatched
    // vertex, the middle one finds itself.
    expectPairs(result, base,
                {{base, base + 8},
                 {base + 1, base + 7},
                 {base + 2, base + 6},
                 {base + 3, base + 5},
                 {base + 4, base + 4}});
    expectConsistentCoarse(graph.get(), &result.graph, result.pairs);
    EXPECT_EQ(result.graph.arcCount, 0);
    EXPECT_EQ(result.graph.edgeLoadSum, 0);
    EXPECT_EQ(result.graph.vertexLoad[base + 4], 1);
    EXPECT_EQ(result.graph.vertexLoad[base], 2);
  }
}

TEST(GraphCoarsen, IsolatedVerticesRespectConstraints) {
  GraphGuard graph;
  buildGraph(graph.get(), 0, 6, {});
  GraphNum values[] = {0, 1, 0, 1, 0, 1};
  // Constraint array A in force: 0 takes 4 (5 differs), 1 takes 5, 2 and 3
  // find no compatible unmatched vertex above them and stay alone.
  CoarsenArgs withA;
  withA.constraintA = values;
  Coarsened constrained;
  coarsen(graph.get(), withA, 5, constrained);
  expectPairs(constrained, 0, {{0, 4}, {1, 5}, {2, 2}, {3, 3}});
  expectConsistentCoarse(graph.get(), &constrained.graph, constrained.pairs, values);
  EXPECT_EQ(constrained.resultConstrained, 0);

  // Array B alone with a count of 0 is not in force.
  CoarsenArgs onlyB;
  onlyB.constraintB = values;
  Coarsened free;
  coarsen(graph.get(), onlyB, 5, free);
  expectPairs(free, 0, {{0, 5}, {1, 4}, {2, 3}});

  // Array B with a positive count is.
  CoarsenArgs countedB;
  countedB.constraintB = values;
  countedB.constrainedCount = 2;
  Coarsened counted;
  coarsen(graph.get(), countedB, 5, counted);
  expectPairs(counted, 0, {{0, 4}, {1, 5}, {2, 2}, {3, 3}});
  EXPECT_EQ(counted.resultConstrained, 2);
}

TEST(GraphCoarsen, HeaviestArcWinsAndFirstOfEqualArcs) {
  // Middle vertex 0 joined to 1 by load 1 and to 2 by load 5. A block of 3
  // visits 0 first, then 2, then 1.
  GraphGuard graph;
  buildGraph(graph.get(), 0, 3, {{0, 1}, {0, 2}}, {}, {1, 5});
  Coarsened heavy;
  coarsen(graph.get(), CoarsenArgs(), 11, heavy);
  expectPairs(heavy, 0, {{0, 2}, {1, 1}});
  expectConsistentCoarse(graph.get(), &heavy.graph, heavy.pairs);
  EXPECT_EQ(heavy.graph.edgeLoadSum, 2);  // 12 minus twice the internal 5

  GraphGuard ties;
  buildGraph(ties.get(), 0, 3, {{0, 1}, {0, 2}}, {}, {5, 5});
  Coarsened first;
  coarsen(ties.get(), CoarsenArgs(), 11, first);
  expectPairs(first, 0, {{0, 1}, {2, 2}});

  // Without arc loads the first unmatched neighbour is taken.
  GraphGuard plain;
  buildGraph(plain.get(), 0, 3, {{0, 2}, {0, 1}});
  Coarsened unweighted;
  coarsen(plain.get(), CoarsenArgs(), 11, unweighted);
  expectPairs(unweighted, 0, {{0, 2}, {1, 1}});
}

TEST(GraphCoarsen, ArcsToOneMultinodeMerge) {
  // Cycle 0-1-2-3-0: a block of 4 visits 0, 3, 2, 1; 0 takes 1 and 3 takes 2.
  GraphGuard cycle;
  buildGraph(cycle.get(), 0, 4, {{0, 1}, {1, 2}, {2, 3}, {3, 0}});
  Coarsened plain;
  coarsen(cycle.get(), CoarsenArgs(), 2, plain);
  expectPairs(plain, 0, {{0, 1}, {2, 3}});
  expectConsistentCoarse(cycle.get(), &plain.graph, plain.pairs);
  ASSERT_EQ(plain.graph.arcCount, 2);
  EXPECT_EQ(plain.graph.edgeTarget[0], 1);
  EXPECT_EQ(plain.graph.edgeLoad[0], 2);
  EXPECT_EQ(plain.graph.edgeTarget[1], 0);
  EXPECT_EQ(plain.graph.edgeLoad[1], 2);
  EXPECT_EQ(plain.graph.edgeLoadSum, 4);  // the two internal edges leave twice
  EXPECT_EQ(plain.graph.maxDegree, 1);

  // With arc loads 1, 2, 3, 4: 0 takes 3 (load 4), 2 takes 1 (load 2); the
  // arcs 0-1 (1) and 3-2 (3) merge into one coarse edge of load 4.
  GraphGuard loaded;
  buildGraph(loaded.get(), 0, 4, {{0, 1}, {1, 2}, {2, 3}, {3, 0}}, {}, {1, 2, 3, 4});
  Coarsened heavy;
  coarsen(loaded.get(), CoarsenArgs(), 2, heavy);
  expectPairs(heavy, 0, {{0, 3}, {1, 2}});
  expectConsistentCoarse(loaded.get(), &heavy.graph, heavy.pairs);
  ASSERT_EQ(heavy.graph.arcCount, 2);
  EXPECT_EQ(heavy.graph.edgeLoad[0], 4);
  EXPECT_EQ(heavy.graph.edgeLoad[1], 4);
  EXPECT_EQ(heavy.graph.edgeLoadSum, 20 - 2 * 4 - 2 * 2);
}

TEST(GraphCoarsen, LightVerticesAreMatchedFirst) {
  // Path 0-1-2-3, loads 100, 100, 1, 100: vertex 2 is light (1 < 301 / 16)
  // and takes 1 in the first walk although 0 is visited before it; 0 and 3
  // then stay alone.
  GraphGuard path;
  buildGraph(path.get(), 0, 4, {{0, 1}, {1, 2}, {2, 3}}, {100, 100, 1, 100});
  Coarsened result;
  coarsen(path.get(), CoarsenArgs(), 9, result);
  expectPairs(result, 0, {{0, 0}, {1, 2}, {3, 3}});
  expectConsistentCoarse(path.get(), &result.graph, result.pairs);
  EXPECT_EQ(result.graph.vertexLoad[1], 101);
  EXPECT_EQ(result.graph.vertexLoadSum, 301);
}

TEST(GraphCoarsen, LoadBoundSkipsHeavyPairs) {
  // Vertex 0 (load 10) has neighbours 1 (load 10), 2, 3, 4 (load 1); 5-6-7
  // is a path of load-1 vertices. Bound: 4 * 26 / 8 + 1 = 14, so 0 cannot
  // take 1 (20) and takes 2 (11). A block of 8 visits 0, 3, 6, 1, 4, 7, 2, 5.
  GraphGuard graph;
  buildGraph(graph.get(), 0, 8, {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {5, 6}, {6, 7}}, {10, 10, 1, 1, 1, 1, 1, 1});
  Coarsened result;
  coarsen(graph.get(), CoarsenArgs(), 4, result);
  expectPairs(result, 0, {{0, 2}, {1, 1}, {3, 3}, {4, 4}, {5, 6}, {7, 7}});
  expectConsistentCoarse(graph.get(), &result.graph, result.pairs);
  EXPECT_EQ(result.graph.edgeLoadSum, 8);
  EXPECT_EQ(result.graph.maxDegree, 3);
  EXPECT_EQ(result.graph.vertexLoad[0], 11);
}

TEST(GraphCoarsen, MatchesTheReferenceInEveryVariant) {
  std::mt19937 random(2024);
  int taken = 0;
  for (int round = 0; round < 160; round++) {
    int variant = round % 8;
    bool vertexLoads = (variant & 2) != 0;
    bool edgeLoads = (variant & 1) != 0;
    bool constrained = (variant & 4) != 0;
    GraphNum base = (round / 8) % 2;
    GraphNum count = 30 + static_cast<GraphNum>(random() % 400);
    GraphGuard graph;
    buildRandomGraph(graph.get(), random, base, count, vertexLoads, edgeLoads, round % 3 == 0);
    std::vector<GraphNum> arrayA(count), arrayB(count);
    for (GraphNum i = 0; i < count; i++) {
      arrayA[i] = static_cast<GraphNum>(random() % 2);
      arrayB[i] = static_cast<GraphNum>(random() % 3);
    }
    CoarsenArgs args;
    args.coarseMin = 10;
    args.ratio = round % 5 == 0 ? 0.6 : 0.95;
    args.visit = (round / 16) % 2 == 0 ? CoarsenVisit::Numbering : CoarsenVisit::BreadthFirst;
    if (constrained) {
      switch (round % 3) {
        case 0: args.constraintA = arrayA.data() - base; break;
        case 1: args.constraintB = arrayB.data() - base; args.constrainedCount = count / 4; break;
        default:
          args.constraintA = arrayA.data() - base;
          args.constraintB = arrayB.data() - base;
          args.constrainedCount = count / 3;
      }
    }
    GraphNum seed = 100 + round;
    Coarsened actual;
    coarsen(graph.get(), args, seed, actual);
    ReferenceCoarse expected = referenceCoarsen(graph.get(), args, seed);
    SCOPED_TRACE("round " + std::to_string(round));
    expectSameAsReference(graph.get(), actual, expected);
    if (actual.status == 0) {
      taken++;
      expectConsistentCoarse(graph.get(), &actual.graph, actual.pairs, constrained ? args.constraintA : nullptr,
                             constrained ? args.constraintB : nullptr);
      EXPECT_EQ(actual.resultConstrained, args.constrainedCount);
    }
  }
  EXPECT_GT(taken, 100);  // most rounds must reach the coarse graph
}

TEST(GraphCoarsen, SameSeedSameCoarseGraph) {
  GraphGuard graph;
  std::mt19937 random(5);
  buildRandomGraph(graph.get(), random, 1, 500, true, true, true);
  Coarsened first, second;
  coarsen(graph.get(), CoarsenArgs(), 77, first);
  coarsen(graph.get(), CoarsenArgs(), 77, second);
  ASSERT_EQ(first.status, 0);
  ASSERT_EQ(second.status, 0);
  const Graph* a = &first.graph;
  const Graph* b = &second.graph;
  ASSERT_EQ(a->vertexCount, b->vertexCount);
  ASSERT_EQ(a->arcCount, b->arcCount);
  EXPECT_TRUE(std::equal(a->edgeBegin + 1, a->edgeBegin + a->vertexEnd + 1, b->edgeBegin + 1));
  EXPECT_TRUE(std::equal(a->vertexLoad + 1, a->vertexLoad + a->vertexEnd, b->vertexLoad + 1));
  EXPECT_TRUE(std::equal(a->edgeTarget + 1, a->edgeTarget + 1 + a->arcCount, b->edgeTarget + 1));
  EXPECT_TRUE(std::equal(a->edgeLoad + 1, a->edgeLoad + 1 + a->arcCount, b->edgeLoad + 1));
  for (GraphNum c = 1; c < a->vertexEnd; c++) {
    EXPECT_EQ(first.pairs[c].vertex[0], second.pairs[c].vertex[0]);
    EXPECT_EQ(first.pairs[c].vertex[1], second.pairs[c].vertex[1]);
  }
}

TEST(GraphCoarsen, SharedGraphsCoarsenConsistentlyLevelAfterLevel) {
  std::vector<std::string> names = sharedGraphNames();
  if (names.empty()) GTEST_SKIP() << "no shared graphs";
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    GraphGuard fine;
    loadSharedGraph(fine.get(), name);
    // First level: the same as the reference, and reproducible.
    CoarsenArgs args;
    args.coarseMin = 100;
    args.ratio = 0.8;
    if (fine->vertexCount <= 40000) {
      Coarsened first;
      coarsen(fine.get(), args, 1, first);
      expectSameAsReference(fine.get(), first, referenceCoarsen(fine.get(), args, 1));
    }
    // Every level of a multilevel descent: consistent, each one weighted.
    std::vector<std::unique_ptr<Coarsened>> levels;
    const Graph* current = fine.get();
    intRandSeed(1);
    for (int level = 0; level < 40; level++) {
      auto next = std::make_unique<Coarsened>();
      next->status = graphCoarsen(current, &next->graph, &next->pairs, args.coarseMin, args.ratio, nullptr, nullptr,
                                  0, nullptr);
      if (next->status != 0) {
        EXPECT_EQ(next->status, 1);
        break;
      }
      expectConsistentCoarse(current, &next->graph, next->pairs);
      if (testing::Test::HasFatalFailure()) return;
      EXPECT_EQ(graphCheck(&next->graph), 0);
      levels.push_back(std::move(next));
      current = &levels.back()->graph;
    }
    ASSERT_FALSE(levels.empty());
  }
}

}  // namespace
