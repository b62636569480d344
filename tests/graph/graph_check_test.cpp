// The graph consistency check: each kind of fault is found and named, every
// well-formed graph passes, and on random damage its verdict agrees with a
// reference test written the plain way.
#include <functional>

#include "graph_text.h"

using graphtest::referenceWellFormed;

namespace {

// A graph over arrays held in vectors (flags 0: the record frees nothing),
// so that a test can damage any field.
struct VectorGraph {
  std::vector<GraphNum> begin;
  std::vector<GraphNum> end;  // empty: compact form
  std::vector<GraphNum> target;
  std::vector<GraphNum> vertexLoad;
  std::vector<GraphNum> edgeLoad;
  Graph graph{};

  // Copies a graph built by buildGraph (compact, base b).
  explicit VectorGraph(const Graph& source) {
    const GraphNum base = source.base;
    begin.assign(source.edgeBegin + base, source.edgeBegin + source.vertexEnd + 1);
    target.assign(source.edgeTarget + base, source.edgeTarget + base + source.arcCount);
    if (source.vertexLoad != nullptr)
      vertexLoad.assign(source.vertexLoad + base, source.vertexLoad + source.vertexEnd);
    if (source.edgeLoad != nullptr)
      edgeLoad.assign(source.edgeLoad + base, source.edgeLoad + base + source.arcCount);
    graph = source;
    graph.flags = 0;
    attach();
  }
  VectorGraph(const VectorGraph& other)
      : begin(other.begin),
        end(other.end),
        target(other.target),
        vertexLoad(other.vertexLoad),
        edgeLoad(other.edgeLoad),
        graph(other.graph) {
    attach();
  }
  VectorGraph& operator=(const VectorGraph&) = delete;

  // Points the record at the vectors, shifted by base.
  void attach() {
    graph.edgeBegin = shifted(begin);
    graph.edgeEnd = end.empty() ? graph.edgeBegin + 1 : shifted(end);
    graph.edgeTarget = shifted(target);
    graph.vertexLoad = shifted(vertexLoad);
    graph.edgeLoad = shifted(edgeLoad);
  }
  // An empty vector stands for an absent array.
  GraphNum* shifted(std::vector<GraphNum>& array) const {
    return array.empty() ? nullptr : array.data() - graph.base;
  }
  // Switches to a separate end array (same lists).
  void separateEnds() {
    end.assign(begin.begin() + 1, begin.end());
    begin.pop_back();
    attach();
  }
};

// Runs the check; expects a fault whose message starts with the text given.
void expectFault(const Graph& graph, const std::string& message) {
  ErrorCapture capture;
  EXPECT_EQ(graphCheck(&graph), 1);
  ASSERT_EQ(capture.lines.size(), 1u);
  EXPECT_EQ(capture.lines[0].rfind("ERROR: graphCheck: " + message, 0), 0u) << capture.lines[0];
  EXPECT_FALSE(referenceWellFormed(graph));
}

void expectSound(const Graph& graph) {
  ErrorCapture capture;
  EXPECT_EQ(graphCheck(&graph), 0) << capture.first();
  EXPECT_TRUE(capture.lines.empty());
  EXPECT_TRUE(referenceWellFormed(graph));
}

// Base-1 graph on 5 vertices: a 4-cycle 1-2-3-4 with chord 1-3 and vertex 5
// hanging on 4, with vertex and edge loads.
Graph makeLoadedGraph() {
  Graph graph;
  buildGraph(&graph, 1, 5, {{1, 2}, {2, 3}, {3, 4}, {4, 1}, {1, 3}, {4, 5}}, {2, 1, 3, 1, 4}, {5, 1, 2, 7, 3, 1});
  return graph;
}

TEST(GraphCheck, WellFormedGraphsPass) {
  Graph graph = makeLoadedGraph();
  expectSound(graph);
  graphExit(&graph);

  buildGrid(&graph, 0, 7, 5);
  expectSound(graph);
  graphExit(&graph);

  buildComplete(&graph, 3, 6);
  expectSound(graph);
  graphExit(&graph);

  Graph empty;
  graphInit(&empty);
  expectSound(empty);
  buildGraph(&empty, 1, 0, {});
  expectSound(empty);
  graphExit(&empty);

  std::vector<std::string> names = sharedGraphNames();
  if (!names.empty()) {
    loadSharedGraph(&graph, names.front(), 1);
    expectSound(graph);
    graphExit(&graph);
  }
}

TEST(GraphCheck, SolverStyleGraphWithGapsAndEmptyRowsPasses) {
  // Vertices 1..4 in base 1: edges 1-2 and 2-4; vertex 3 is an empty row
  // (start 0, end 0); unused positions between the lists hold garbage.
  std::vector<GraphNum> start = {1, 4, 0, 8};
  std::vector<GraphNum> finish = {2, 6, 0, 9};
  std::vector<GraphNum> adjacency = {2, -7, -7, 1, 4, 99, 99, 2, 99};
  Graph graph;
  graphInit(&graph);
  graph.base = 1;
  graph.vertexCount = 4;
  graph.vertexEnd = 5;
  graph.edgeBegin = start.data() - 1;
  graph.edgeEnd = finish.data() - 1;
  graph.edgeTarget = adjacency.data() - 1;
  graph.arcCount = 9;
  graph.vertexLoadSum = 4;
  graph.edgeLoadSum = 9;
  graph.maxDegree = 2;
  graph.flags = 0;
  expectSound(graph);

  graph.maxDegree = 7;  // a bound is enough
  expectSound(graph);
  graph.maxDegree = 1;
  expectFault(graph, "invalid maximum degree");
  graph.maxDegree = 2;

  graph.arcCount = 7;  // the last list (position 8) runs past the array
  graph.edgeLoadSum = 7;
  expectFault(graph, "arcs of vertex 4 outside the arc array");
  graph.arcCount = 9;
  graph.edgeLoadSum = 9;

  finish[0] = 0;  // begins after it ends
  expectFault(graph, "inverted arc range at vertex 1");
}

TEST(GraphCheck, EachFaultIsNamed) {
  Graph source = makeLoadedGraph();
  const VectorGraph original(source);
  graphExit(&source);
  expectSound(original.graph);

  // Arcs of vertex 1 (base 1): indices 0..2 of the vectors hold ends 2, 4, 3.
  struct Damage {
    const char* message;
    std::function<void(VectorGraph&)> apply;
  };
  const Damage damages[] = {
      {"invalid base", [](VectorGraph& g) { g.graph.base = -1; g.attach(); }},
      {"invalid vertex count", [](VectorGraph& g) { g.graph.vertexEnd++; }},
      {"invalid vertex count", [](VectorGraph& g) { g.graph.vertexCount = -1; }},
      {"invalid arc count", [](VectorGraph& g) { g.graph.arcCount = -2; }},
      {"invalid arc count", [](VectorGraph& g) { g.graph.arcCount = INT32_MAX; }},
      {"missing array", [](VectorGraph& g) { g.graph.edgeTarget = nullptr; }},
      {"arc end out of range at vertex 1", [](VectorGraph& g) { g.target[1] = 6; }},
      {"arc end out of range at vertex 1", [](VectorGraph& g) { g.target[1] = 0; }},
      {"loop at vertex 1", [](VectorGraph& g) { g.target[1] = 1; }},
      {"repeated arc from vertex 1 to vertex 2", [](VectorGraph& g) { g.target[2] = 2; }},
      {"arc from vertex 4 to vertex 1 has no reverse arc", [](VectorGraph& g) { g.target[1] = 5; }},
      {"reverse arcs between vertices", [](VectorGraph& g) { g.edgeLoad[0] = 6; g.graph.edgeLoadSum++; }},
      {"invalid vertex load at vertex 3", [](VectorGraph& g) { g.graph.vertexLoadSum -= 3; g.vertexLoad[2] = 0; }},
      {"invalid vertex load at vertex 2", [](VectorGraph& g) { g.graph.vertexLoadSum -= 3; g.vertexLoad[1] = -2; }},
      {"invalid edge load at vertex 1",
       [](VectorGraph& g) { g.graph.edgeLoadSum -= 5; g.edgeLoad[0] = 0; }},
      {"invalid vertex load sum", [](VectorGraph& g) { g.graph.vertexLoadSum++; }},
      {"invalid vertex load sum", [](VectorGraph& g) { g.vertexLoad.clear(); g.attach(); }},
      {"invalid edge load sum", [](VectorGraph& g) { g.graph.edgeLoadSum--; }},
      {"invalid edge load sum", [](VectorGraph& g) { g.edgeLoad.clear(); g.attach(); }},
      {"vertex load sum overflow",
       [](VectorGraph& g) { g.vertexLoad[0] = 2000000000; g.vertexLoad[1] = 2000000000; }},
      {"edge load sum overflow",
       [](VectorGraph& g) {
         g.edgeLoad[0] = 1500000000;  // arc 1->2 and its reverse 2->1 (index 3)
         g.edgeLoad[3] = 1500000000;
       }},
      {"inverted arc range at vertex 2", [](VectorGraph& g) { std::swap(g.begin[1], g.begin[2]); }},
      {"arc count does not match the arc lists", [](VectorGraph& g) { g.graph.arcCount += 2; }},
      {"arc count does not match the arc lists", [](VectorGraph& g) { for (GraphNum& b : g.begin) b++; g.graph.arcCount++; }},
      {"arcs of vertex 5 outside the arc array", [](VectorGraph& g) { g.begin.back()++; }},
      {"invalid maximum degree", [](VectorGraph& g) { g.graph.maxDegree = 2; }},
      {"invalid maximum degree", [](VectorGraph& g) { g.graph.maxDegree = -1; }},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.message);
    VectorGraph damaged(original);
    damage.apply(damaged);
    expectFault(damaged.graph, damage.message);
  }

  // The same faults in a graph with separate end arrays.
  VectorGraph separate(original);
  separate.separateEnds();
  expectSound(separate.graph);
  separate.end[2] = separate.begin[2] - 1;
  expectFault(separate.graph, "inverted arc range at vertex 3");
}

// Random damage to random graphs: whatever is broken, the check says so
// exactly when the reference test does, and reports one line.
TEST(GraphCheck, VerdictAgreesWithTheReferenceOnRandomDamage) {
  uint64_t state = 2024;
  auto next = [&state](uint64_t bound) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<GraphNum>((state >> 33) % bound);
  };
  int faults = 0;
  for (int round = 0; round < 400; round++) {
    const GraphNum vertexCount = 2 + next(9);
    std::set<std::pair<GraphNum, GraphNum>> chosen;
    std::vector<std::pair<GraphNum, GraphNum>> edges;
    const GraphNum base = next(3);
    for (int i = 0; i < 2 * vertexCount; i++) {
      GraphNum u = next(vertexCount);
      GraphNum v = next(vertexCount);
      if (u == v || !chosen.insert({std::min(u, v), std::max(u, v)}).second) continue;
      edges.push_back({base + u, base + v});
    }
    std::vector<GraphNum> vertexLoads;
    std::vector<GraphNum> edgeLoads;
    if (next(2) != 0)
      for (GraphNum v = 0; v < vertexCount; v++) vertexLoads.push_back(1 + next(3));
    if (next(2) != 0)
      for (size_t e = 0; e < edges.size(); e++) edgeLoads.push_back(1 + next(3));
    Graph source;
    buildGraph(&source, base, vertexCount, edges, vertexLoads, edgeLoads);
    VectorGraph graph(source);
    graphExit(&source);
    expectSound(graph.graph);

    // One or two changes of a random field by a small amount.
    for (int change = 0, changes = 1 + next(2); change < changes; change++) {
      GraphNum delta = next(2) == 0 ? -1 : 1;
      switch (next(6)) {
        case 0:
          // anywhere from one below the first vertex to one past the last
          if (!graph.target.empty()) graph.target[next(graph.target.size())] = base - 1 + next(vertexCount + 2);
          break;
        case 1:
          if (!graph.edgeLoad.empty()) graph.edgeLoad[next(graph.edgeLoad.size())] += delta;
          break;
        case 2:
          if (!graph.vertexLoad.empty()) graph.vertexLoad[next(graph.vertexLoad.size())] += delta;
          break;
        case 3:
          graph.begin[next(graph.begin.size())] += delta;
          break;
        case 4:
          graph.graph.maxDegree += delta;
          break;
        default:
          if (next(2) == 0)
            graph.graph.vertexLoadSum += delta;
          else
            graph.graph.edgeLoadSum += delta;
          break;
      }
    }
    ErrorCapture capture;
    const int result = graphCheck(&graph.graph);
    EXPECT_EQ(result == 0, referenceWellFormed(graph.graph)) << "round " << round;
    EXPECT_EQ(capture.lines.size(), result == 0 ? 0u : 1u);
    faults += result;
  }
  // The damage must have produced both verdicts many times over.
  EXPECT_GT(faults, 100);
  EXPECT_LT(faults, 400);
}

}  // namespace
