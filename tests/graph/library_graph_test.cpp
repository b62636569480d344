// The public graph operations: handles, parameter checks of the loader,
// building over caller arrays, data access and statistics.
#include <cmath>

#include "graph_text.h"
#include "plyxen.h"

namespace {

Graph* recordOf(PLYXEN_Graph* handle) { return reinterpret_cast<Graph*>(handle); }

TEST(LibraryGraph, HandleHoldsTheRecord) {
  EXPECT_EQ(PLYXEN_graphRecordSize(), static_cast<int>(sizeof(Graph)));
  EXPECT_LE(static_cast<size_t>(PLYXEN_graphRecordSize()), sizeof(PLYXEN_Graph));
  PLYXEN_Graph* handle = PLYXEN_graphAlloc();
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(handle) % alignof(Graph), 0u);
  EXPECT_EQ(PLYXEN_graphInit(handle), 0);
  EXPECT_EQ(recordOf(handle)->flags, 15);
  EXPECT_EQ(recordOf(handle)->edgeBegin, nullptr);
  FILE* stream = graphtest::openText("0\n2\t2\n0\t000\n1\t1\n1\t0\n");
  ASSERT_EQ(PLYXEN_graphLoad(handle, stream, 1, 0), 0);
  fclose(stream);
  PLYXEN_graphFree(handle);  // the handle stays usable
  EXPECT_EQ(recordOf(handle)->flags, 0);
  EXPECT_EQ(PLYXEN_graphInit(handle), 0);
  PLYXEN_graphExit(handle);
  memFree(handle);
}

TEST(LibraryGraph, LoadChecksItsParametersBeforeReading) {
  struct Case {
    PLYXEN_Num base;
    PLYXEN_Num flags;
    const char* message;
  };
  const Case cases[] = {{0, 4, "PLYXEN_graphLoad: invalid flag parameter"},
                        {0, -1, "PLYXEN_graphLoad: invalid flag parameter"},
                        {-2, 7, "PLYXEN_graphLoad: invalid flag parameter"},  // the flag check comes first
                        {-2, 0, "PLYXEN_graphLoad: invalid base parameter"},
                        {-1000, 3, "PLYXEN_graphLoad: invalid base parameter"}};
  const std::string text = "0\n2\t2\n0\t000\n1\t1\n1\t0\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    ErrorCapture capture;
    PLYXEN_Graph handle;
    PLYXEN_graphInit(&handle);
    FILE* stream = graphtest::openText(text);
    EXPECT_EQ(PLYXEN_graphLoad(&handle, stream, c.base, c.flags), 1);
    EXPECT_EQ(ftell(stream), 0);  // nothing read
    fclose(stream);
    EXPECT_EQ(capture.lines, std::vector<std::string>{std::string("ERROR: ") + c.message});
    PLYXEN_graphExit(&handle);
  }
  // The accepted extremes load.
  for (PLYXEN_Num flags : {0, 3}) {
    for (PLYXEN_Num base : {-1, 0, 5}) {
      PLYXEN_Graph handle;
      FILE* stream = graphtest::openText(text);
      EXPECT_EQ(PLYXEN_graphLoad(&handle, stream, base, flags), 0);
      fclose(stream);
      EXPECT_EQ(recordOf(&handle)->base, base == -1 ? 0 : base);
      PLYXEN_graphExit(&handle);
    }
  }
}

TEST(LibraryGraph, DataGivesArraysFromTheirFirstElement) {
  PLYXEN_Graph handle;
  FILE* stream = graphtest::openText("0\n3\t4\n0\t011\n5\t1\t2\t1\n6\t2\t2\t0\t3\t2\n7\t1\t3\t1\n");
  ASSERT_EQ(PLYXEN_graphLoad(&handle, stream, 1, 0), 0);
  fclose(stream);
  PLYXEN_Num base = -5, vertexCount = -5, arcCount = -5;
  PLYXEN_Num *begin, *end, *loads, *labels = &base, *ends, *arcLoads;
  PLYXEN_graphData(&handle, &base, &vertexCount, &begin, &end, &loads, &labels, &arcCount, &ends, &arcLoads);
  EXPECT_EQ(base, 1);
  EXPECT_EQ(vertexCount, 3);
  EXPECT_EQ(arcCount, 4);
  EXPECT_EQ(std::vector<PLYXEN_Num>(begin, begin + 4), (std::vector<PLYXEN_Num>{1, 2, 4, 5}));
  EXPECT_EQ(end, begin + 1);
  EXPECT_EQ(std::vector<PLYXEN_Num>(loads, loads + 3), (std::vector<PLYXEN_Num>{5, 6, 7}));
  EXPECT_EQ(labels, nullptr);  // absent
  EXPECT_EQ(std::vector<PLYXEN_Num>(ends, ends + 4), (std::vector<PLYXEN_Num>{2, 1, 3, 2}));
  EXPECT_EQ(std::vector<PLYXEN_Num>(arcLoads, arcLoads + 4), (std::vector<PLYXEN_Num>{2, 2, 3, 3}));

  // Null outputs are skipped; Size reports the counts.
  PLYXEN_graphData(&handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  vertexCount = arcCount = 0;
  PLYXEN_graphSize(&handle, &vertexCount, nullptr);
  EXPECT_EQ(vertexCount, 3);
  PLYXEN_graphSize(&handle, nullptr, &arcCount);
  EXPECT_EQ(arcCount, 4);
  PLYXEN_graphExit(&handle);
}

TEST(LibraryGraph, BuildLaysTheRecordOverCallerArrays) {
  // Solver-style base-1 arrays: vertex 3 is an empty row, a gap of unused
  // positions (holding loads that must not count) follows vertex 1's list.
  std::vector<PLYXEN_Num> start = {1, 4, 0, 6};
  std::vector<PLYXEN_Num> finish = {2, 6, 0, 7};
  std::vector<PLYXEN_Num> adjacency = {2, 99, 99, 1, 4, 2};
  std::vector<PLYXEN_Num> arcLoads = {3, 1000, 1000, 3, 5, 5};
  std::vector<PLYXEN_Num> vertexLoads = {1, 2, 3, 4};
  std::vector<PLYXEN_Num> labels = {9, 8, 7, 6};
  PLYXEN_Graph handle;
  ASSERT_EQ(PLYXEN_graphBuild(&handle, 1, 4, start.data(), finish.data(), vertexLoads.data(), labels.data(), 6,
                              adjacency.data(), arcLoads.data()),
            0);
  const Graph& graph = *recordOf(&handle);
  EXPECT_EQ(graph.flags, 0);
  EXPECT_EQ(graph.vertexEnd, 5);
  EXPECT_EQ(graph.edgeBegin + 1, start.data());
  EXPECT_EQ(graph.edgeEnd + 1, finish.data());
  EXPECT_EQ(graph.vertexLoad + 1, vertexLoads.data());
  EXPECT_EQ(graph.vertexLabel + 1, labels.data());
  EXPECT_EQ(graph.edgeTarget + 1, adjacency.data());
  EXPECT_EQ(graph.edgeLoad + 1, arcLoads.data());
  EXPECT_EQ(graph.vertexNumber, nullptr);
  EXPECT_EQ(graph.vertexLoadSum, 10);
  EXPECT_EQ(graph.edgeLoadSum, 3 + 3 + 5 + 5);  // over the lists only
  EXPECT_EQ(graph.maxDegree, 2);
  EXPECT_EQ(graph.arcCount, 6);
  EXPECT_EQ(PLYXEN_graphCheck(&handle), 0);
  PLYXEN_Num* dataBegin = nullptr;
  PLYXEN_graphData(&handle, nullptr, nullptr, &dataBegin, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(dataBegin, start.data());
  PLYXEN_graphExit(&handle);  // frees none of the vectors (an invalid free otherwise)

  // Arrays equal to another one of the call are absent.
  std::vector<PLYXEN_Num> compact = {1, 2, 4, 4, 5};
  std::vector<PLYXEN_Num> compactEnds = {2, 1, 4, 2};
  ASSERT_EQ(PLYXEN_graphBuild(&handle, 1, 4, compact.data(), compact.data(), compact.data(), compact.data(), 4,
                              compactEnds.data(), compactEnds.data()),
            0);
  EXPECT_EQ(graph.edgeEnd, graph.edgeBegin + 1);
  EXPECT_EQ(graph.vertexLoad, nullptr);
  EXPECT_EQ(graph.vertexLabel, nullptr);
  EXPECT_EQ(graph.edgeLoad, nullptr);
  EXPECT_EQ(graph.vertexLoadSum, 4);
  EXPECT_EQ(graph.edgeLoadSum, 4);
  EXPECT_EQ(graph.maxDegree, 2);
  EXPECT_EQ(PLYXEN_graphCheck(&handle), 0);
  ASSERT_EQ(PLYXEN_graphBuild(&handle, 0, 4, compact.data(), nullptr, nullptr, nullptr, 4, compactEnds.data(),
                              nullptr),
            0);
  EXPECT_EQ(graph.edgeEnd, graph.edgeBegin + 1);
  PLYXEN_graphExit(&handle);

  // An empty graph.
  PLYXEN_Num zero = 0;
  ASSERT_EQ(PLYXEN_graphBuild(&handle, 0, 0, &zero, nullptr, nullptr, nullptr, 0, nullptr, nullptr), 0);
  EXPECT_EQ(graph.maxDegree, 0);
  EXPECT_EQ(graph.vertexLoadSum, 0);
  EXPECT_EQ(graph.edgeLoadSum, 0);
  EXPECT_EQ(PLYXEN_graphCheck(&handle), 0);
  PLYXEN_graphExit(&handle);
}

TEST(LibraryGraph, CheckForwardsTheFirstFault) {
  std::vector<PLYXEN_Num> begin = {0, 1, 2};
  std::vector<PLYXEN_Num> ends = {1, 1};  // vertex 1 points to itself
  PLYXEN_Graph handle;
  PLYXEN_graphBuild(&handle, 0, 2, begin.data(), nullptr, nullptr, nullptr, 2, ends.data(), nullptr);
  ErrorCapture capture;
  EXPECT_EQ(PLYXEN_graphCheck(&handle), 1);
  EXPECT_EQ(capture.lines, std::vector<std::string>{"ERROR: graphCheck: loop at vertex 1"});
}

struct Stats {
  PLYXEN_Num vertexLoadMin = -9, vertexLoadMax = -9, vertexLoadSum = -9;
  double vertexLoadAverage = -9, vertexLoadDeviation = -9;
  PLYXEN_Num degreeMin = -9, degreeMax = -9;
  double degreeAverage = -9, degreeDeviation = -9;
  PLYXEN_Num edgeLoadMin = -9, edgeLoadMax = -9, edgeLoadSum = -9;
  double edgeLoadAverage = -9, edgeLoadDeviation = -9;
};

Stats statOf(const Graph& graph) {
  Stats s;
  PLYXEN_graphStat(reinterpret_cast<const PLYXEN_Graph*>(&graph), &s.vertexLoadMin, &s.vertexLoadMax,
                   &s.vertexLoadSum, &s.vertexLoadAverage, &s.vertexLoadDeviation, &s.degreeMin, &s.degreeMax,
                   &s.degreeAverage, &s.degreeDeviation, &s.edgeLoadMin, &s.edgeLoadMax, &s.edgeLoadSum,
                   &s.edgeLoadAverage, &s.edgeLoadDeviation);
  return s;
}

TEST(LibraryGraph, StatisticsOfAWeightedPath) {
  // Path 0-1-2 with vertex loads 1, 2, 6 and edge loads 1 and 3.
  Graph graph;
  buildGraph(&graph, 0, 3, {{0, 1}, {1, 2}}, {1, 2, 6}, {1, 3});
  Stats s = statOf(graph);
  EXPECT_EQ(s.vertexLoadMin, 1);
  EXPECT_EQ(s.vertexLoadMax, 6);
  EXPECT_EQ(s.vertexLoadSum, 9);
  EXPECT_DOUBLE_EQ(s.vertexLoadAverage, 3.0);
  EXPECT_DOUBLE_EQ(s.vertexLoadDeviation, (2.0 + 1.0 + 3.0) / 3.0);
  EXPECT_EQ(s.degreeMin, 1);
  EXPECT_EQ(s.degreeMax, 2);
  EXPECT_DOUBLE_EQ(s.degreeAverage, 4.0 / 3.0);
  EXPECT_DOUBLE_EQ(s.degreeDeviation, (1.0 / 3 + 2.0 / 3 + 1.0 / 3) / 3.0);
  // Arc loads 1, 1, 3, 3: each edge counts twice.
  EXPECT_EQ(s.edgeLoadMin, 1);
  EXPECT_EQ(s.edgeLoadMax, 3);
  EXPECT_EQ(s.edgeLoadSum, 8);
  EXPECT_DOUBLE_EQ(s.edgeLoadAverage, 2.0);
  EXPECT_DOUBLE_EQ(s.edgeLoadDeviation, 1.0);
  graphExit(&graph);
}

TEST(LibraryGraph, StatisticsWithoutLoadsOrWithoutVerticesOrArcs) {
  // A star of 4 leaves around vertex 0, no loads.
  Graph graph;
  buildGraph(&graph, 1, 5, {{1, 2}, {1, 3}, {1, 4}, {1, 5}});
  Stats s = statOf(graph);
  EXPECT_EQ(s.vertexLoadMin, 1);
  EXPECT_EQ(s.vertexLoadMax, 1);
  EXPECT_EQ(s.vertexLoadSum, 5);
  EXPECT_DOUBLE_EQ(s.vertexLoadAverage, 1.0);
  EXPECT_DOUBLE_EQ(s.vertexLoadDeviation, 0.0);
  EXPECT_EQ(s.degreeMin, 1);
  EXPECT_EQ(s.degreeMax, 4);
  EXPECT_DOUBLE_EQ(s.degreeAverage, 8.0 / 5.0);
  EXPECT_DOUBLE_EQ(s.degreeDeviation, (2.4 + 4 * 0.6) / 5.0);
  EXPECT_EQ(s.edgeLoadMin, 1);
  EXPECT_EQ(s.edgeLoadMax, 1);
  EXPECT_EQ(s.edgeLoadSum, 4);  // half the arc count: the number of edges
  EXPECT_DOUBLE_EQ(s.edgeLoadAverage, 1.0);
  EXPECT_DOUBLE_EQ(s.edgeLoadDeviation, 0.0);
  graphExit(&graph);

  // Isolated vertices with loads: no arcs, so every edge figure is 0.
  buildGraph(&graph, 0, 2, {}, {4, 4});
  s = statOf(graph);
  EXPECT_EQ(s.vertexLoadMin, 4);
  EXPECT_EQ(s.vertexLoadSum, 8);
  EXPECT_DOUBLE_EQ(s.vertexLoadDeviation, 0.0);
  EXPECT_EQ(s.degreeMin, 0);
  EXPECT_EQ(s.degreeMax, 0);
  EXPECT_EQ(s.edgeLoadMin, 0);
  EXPECT_EQ(s.edgeLoadMax, 0);
  EXPECT_EQ(s.edgeLoadSum, 0);
  EXPECT_DOUBLE_EQ(s.edgeLoadAverage, 0.0);
  EXPECT_DOUBLE_EQ(s.edgeLoadDeviation, 0.0);
  graphExit(&graph);

  // No vertices at all.
  buildGraph(&graph, 0, 0, {});
  s = statOf(graph);
  EXPECT_EQ(s.vertexLoadMin, 0);
  EXPECT_EQ(s.vertexLoadMax, 0);
  EXPECT_EQ(s.vertexLoadSum, 0);
  EXPECT_DOUBLE_EQ(s.vertexLoadAverage, 0.0);
  EXPECT_DOUBLE_EQ(s.vertexLoadDeviation, 0.0);
  EXPECT_EQ(s.degreeMin, 0);
  EXPECT_EQ(s.degreeMax, 0);
  EXPECT_DOUBLE_EQ(s.degreeAverage, 0.0);
  EXPECT_DOUBLE_EQ(s.degreeDeviation, 0.0);
  EXPECT_EQ(s.edgeLoadSum, 0);
  // Every output may be left out.
  PLYXEN_graphStat(reinterpret_cast<const PLYXEN_Graph*>(&graph), nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  graphExit(&graph);
}

TEST(LibraryGraph, StatisticsOfASharedGraphMatchAPlainCount) {
  std::vector<std::string> names = sharedGraphNames();
  if (names.empty()) GTEST_SKIP() << "no shared graphs";
  Graph graph;
  loadSharedGraph(&graph, names.front());
  std::vector<GraphNum> degrees;
  for (GraphNum v = graph.base; v < graph.vertexEnd; v++) degrees.push_back(graph.edgeEnd[v] - graph.edgeBegin[v]);
  double average = 0;
  for (GraphNum d : degrees) average += d;
  average /= static_cast<double>(degrees.size());
  double deviation = 0;
  for (GraphNum d : degrees) deviation += std::fabs(d - average);
  deviation /= static_cast<double>(degrees.size());
  Stats s = statOf(graph);
  EXPECT_EQ(s.degreeMin, *std::min_element(degrees.begin(), degrees.end()));
  EXPECT_EQ(s.degreeMax, *std::max_element(degrees.begin(), degrees.end()));
  EXPECT_NEAR(s.degreeAverage, average, 1e-12);
  EXPECT_NEAR(s.degreeDeviation, deviation, 1e-9);
  EXPECT_EQ(s.edgeLoadSum, graph.arcCount / 2);
  graphExit(&graph);
}

}  // namespace
