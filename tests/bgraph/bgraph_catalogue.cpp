#include "bgraph_catalogue.h"

#include <set>

#include "support/test_support.h"

void buildRandomGraph(Graph* graph, GraphNum base, GraphNum vertexCount, GraphNum extraEdges, bool loads,
                      unsigned seed) {
  unsigned state = seed * 2654435761u + 1;
  auto next = [&state](unsigned bound) {
    state = state * 1103515245u + 12345u;
    return (state >> 8) % bound;
  };
  std::set<std::pair<GraphNum, GraphNum>> seen;
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  auto add = [&](GraphNum u, GraphNum v) {
    if ((u == v) || !seen.insert({std::min(u, v), std::max(u, v)}).second) return;
    edges.push_back({base + u, base + v});
  };
  for (GraphNum vertex = 1; vertex < vertexCount; vertex++) add(vertex, static_cast<GraphNum>(next(vertex)));
  for (GraphNum index = 0; index < extraEdges; index++)
    add(static_cast<GraphNum>(next(vertexCount)), static_cast<GraphNum>(next(vertexCount)));
  std::vector<GraphNum> vertexLoads, edgeLoads;
  if (loads) {
    for (GraphNum vertex = 0; vertex < vertexCount; vertex++) vertexLoads.push_back(1 + next(5));
    for (size_t edge = 0; edge < edges.size(); edge++) edgeLoads.push_back(1 + next(4));
  }
  buildGraph(graph, base, vertexCount, edges, vertexLoads, edgeLoads);
}

namespace {

template <class Build>
std::function<std::unique_ptr<TestBgraph>()> plain(Build build) {
  return [build]() {
    Graph graph;
    build(&graph);
    return std::make_unique<TestBgraph>(&graph);
  };
}

}  // namespace

std::vector<BgraphCase> bgraphCatalogue(bool withShared) {
  std::vector<BgraphCase> cases = {
      {"path", plain([](Graph* g) { buildPath(g, 0, 9); })},
      {"grid", plain([](Graph* g) { buildGrid(g, 1, 8, 6); })},
      {"complete", plain([](Graph* g) { buildComplete(g, 0, 7); })},
      {"star", plain([](Graph* g) { buildGraph(g, 0, 10, {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}, {0, 6}, {0, 7}, {0, 8}, {0, 9}}); })},
      {"components", plain([](Graph* g) {
         buildGraph(g, 0, 11, {{0, 1}, {1, 2}, {2, 0}, {3, 4}, {4, 5}, {5, 3}, {6, 7}, {7, 8}, {8, 6}, {9, 10}});
       })},
      {"isolated", plain([](Graph* g) { buildGraph(g, 0, 5, {}); })},
      {"single", plain([](Graph* g) { buildGraph(g, 1, 1, {}); })},
      {"single loaded", plain([](Graph* g) { buildGraph(g, 0, 1, {}, {7}); })},
      {"edge", plain([](Graph* g) { buildGraph(g, 0, 2, {{0, 1}}, {}, {3}); })},
      {"weighted", plain([](Graph* g) { buildRandomGraph(g, 0, 40, 50, true, 1); })},
      {"weighted sparse", plain([](Graph* g) { buildRandomGraph(g, 1, 120, 30, true, 2); })},
      {"random", plain([](Graph* g) { buildRandomGraph(g, 0, 300, 600, false, 3); })},
      {"heavy vertex", plain([](Graph* g) {
         buildGraph(g, 0, 6, {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}}, {20, 1, 1, 1, 1, 1});
       })},
      {"external gains", []() {
         Graph graph;
         buildGrid(&graph, 0, 6, 5);
         auto test = std::make_unique<TestBgraph>(&graph);
         std::vector<GraphNum> gains;
         for (GraphNum vertex = 0; vertex < 30; vertex++) gains.push_back((vertex % 6 < 2) ? 3 : ((vertex % 6 > 3) ? -3 : 0));
         test->setExternalGains(gains, 40);
         return test;
       }},
      {"external weighted", []() {
         Graph graph;
         buildRandomGraph(&graph, 0, 60, 80, true, 4);
         auto test = std::make_unique<TestBgraph>(&graph);
         test->reset(2, 1, 1);
         std::vector<GraphNum> gains;
         for (GraphNum vertex = 0; vertex < 60; vertex++) gains.push_back(static_cast<GraphNum>(vertex % 7) - 3);
         test->setExternalGains(gains, 100);
         return test;
       }},
      {"fixed loads", []() {
         Graph graph;
         buildGrid(&graph, 0, 7, 7);
         auto test = std::make_unique<TestBgraph>(&graph);
         test->reset(3, 1, 3, 4, 2);  // part 0 wants trunc(55 / 4) - 4 = 9
         return test;
       }},
      {"narrow bounds", []() {
         Graph graph;
         buildRandomGraph(&graph, 0, 80, 100, false, 5);
         auto test = std::make_unique<TestBgraph>(&graph);
         test->bgraph.part0LoadMin = 38;
         test->bgraph.part0LoadMax = 42;
         return test;
       }},
  };
  if (withShared) {
    for (const std::string& name : sharedGraphNames()) {
      cases.push_back({name, [name]() {
                         Graph graph;
                         loadSharedGraph(&graph, name);
                         return std::make_unique<TestBgraph>(&graph);
                       }});
    }
  }
  return cases;
}
