// The public mapping and partitioning operations: strategies built and
// parsed, partitions and mappings checked against figures counted here,
// fixed vertices, determinism, and the refused arguments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plyxen.h"
#include "support/kgraph_support.h"
#include "support/test_support.h"

namespace {

// A public graph handle over arrays held by the test.
struct PublicGraph {
  PLYXEN_Graph handle;
  std::vector<PLYXEN_Num> begin, ends, vertexLoads;
  explicit PublicGraph(const Graph& source, const std::vector<PLYXEN_Num>& loads = {}) : vertexLoads(loads) {
    for (GraphNum vertex = source.base; vertex < source.vertexEnd; vertex++) {
      begin.push_back(static_cast<PLYXEN_Num>(ends.size()));
      for (GraphNum edge = source.edgeBegin[vertex]; edge < source.edgeEnd[vertex]; edge++)
        ends.push_back(source.edgeTarget[edge] - source.base);
    }
    begin.push_back(static_cast<PLYXEN_Num>(ends.size()));
    PLYXEN_graphInit(&handle);
    EXPECT_EQ(PLYXEN_graphBuild(&handle, 0, source.vertexCount, begin.data(), begin.data() + 1,
                                vertexLoads.empty() ? nullptr : vertexLoads.data(), nullptr,
                                static_cast<PLYXEN_Num>(ends.size()), ends.data(), nullptr),
              0);
  }
  ~PublicGraph() { PLYXEN_graphExit(&handle); }
  const Graph* core() const { return reinterpret_cast<const Graph*>(&handle); }
};

struct StratHandle {
  PLYXEN_Strat strat;
  StratHandle() { PLYXEN_stratInit(&strat); }
  ~StratHandle() { PLYXEN_stratExit(&strat); }
};

struct ArchHandle {
  PLYXEN_Arch arch;
  ArchHandle() { PLYXEN_archInit(&arch); }
  ~ArchHandle() { PLYXEN_archExit(&arch); }
  const Arch* core() const { return reinterpret_cast<const Arch*>(&arch); }
};

TEST(GraphPart, TheDefaultStrategyCutsAGridIntoFourNearTheOptimum) {
  for (const GraphNum side : {16, 40}) {
    Graph grid;
    buildGrid(&grid, 0, side, side);
    PublicGraph graph(grid);
    graphExit(&grid);
    StratHandle strat;
    std::vector<PLYXEN_Num> parts(static_cast<size_t>(side * side), -1);
    ASSERT_EQ(PLYXEN_graphPart(&graph.handle, 4, &strat.strat, parts.data()), 0);
    for (const PLYXEN_Num part : parts) ASSERT_TRUE((part >= 0) && (part < 4));
    // The best cut into four equal parts is two lines across: 2 * side.
    EXPECT_LE(cutOf(graph.core(), parts), 2 * 2 * side) << "side " << side;
    EXPECT_LE(imbalanceOf(graph.core(), parts, 4), 0.05);
  }
}

TEST(GraphPart, GivesTheSamePartsOnEveryCall) {
  Graph mesh;
  buildGrid(&mesh, 0, 30, 17);
  PublicGraph graph(mesh);
  graphExit(&mesh);
  StratHandle strat;
  ASSERT_EQ(PLYXEN_stratGraphMapBuild(&strat.strat, MAP_FLAG_QUALITY, 7, 0.03), 0);
  std::vector<PLYXEN_Num> first(510), second(510);
  ASSERT_EQ(PLYXEN_graphPart(&graph.handle, 7, &strat.strat, first.data()), 0);
  ASSERT_EQ(PLYXEN_graphPart(&graph.handle, 7, &strat.strat, second.data()), 0);
  EXPECT_EQ(first, second);
  EXPECT_LE(imbalanceOf(graph.core(), first, 7), 0.03);
}

TEST(GraphPart, EveryFlagCombinationKeepsTheBalance) {
  Graph mesh;
  buildGrid(&mesh, 0, 25, 25);
  PublicGraph graph(mesh);
  graphExit(&mesh);
  for (PLYXEN_Num flags = 0; flags < 16; flags++) {
    for (const double ratio : {0.0, 0.05, 0.5}) {
      StratHandle strat;
      ASSERT_EQ(PLYXEN_stratGraphMapBuild(&strat.strat, flags, 6, ratio), 0);
      std::vector<PLYXEN_Num> parts(625);
      ASSERT_EQ(PLYXEN_graphPart(&graph.handle, 6, &strat.strat, parts.data()), 0);
      // With 625 unit vertices into 6 parts the best imbalance is 105 / 104.17 - 1.
      EXPECT_LE(imbalanceOf(graph.core(), parts, 6), (ratio > 0.01) ? ratio : 0.01)
          << "flags " << flags << " ratio " << ratio;
    }
  }
}

TEST(GraphPart, MorePartsThanVerticesLeavesPartsEmpty) {
  Graph path;
  buildPath(&path, 0, 5);
  PublicGraph graph(path);
  graphExit(&path);
  for (const PLYXEN_Num partCount : {5, 8, 1000, 2147483647}) {
    StratHandle strat;
    std::vector<PLYXEN_Num> parts(5, -1);
    ASSERT_EQ(PLYXEN_graphPart(&graph.handle, partCount, &strat.strat, parts.data()), 0) << partCount;
    std::vector<bool> seen;
    for (const PLYXEN_Num part : parts) {
      ASSERT_TRUE((part >= 0) && (part < partCount));
      EXPECT_EQ(std::count(parts.begin(), parts.end(), part), 1) << "part " << part;  // one vertex each
    }
  }
}

TEST(GraphPart, ZeroLoadVerticesAndSingleVertices) {
  Graph path;
  buildPath(&path, 0, 8);
  PublicGraph graph(path, {0, 0, 5, 0, 1, 0, 0, 3});
  graphExit(&path);
  StratHandle strat;
  std::vector<PLYXEN_Num> parts(8, -1);
  ASSERT_EQ(PLYXEN_graphPart(&graph.handle, 3, &strat.strat, parts.data()), 0);
  for (const PLYXEN_Num part : parts) EXPECT_TRUE((part >= 0) && (part < 3));

  Graph single;
  buildPath(&single, 0, 1);
  PublicGraph one(single);
  graphExit(&single);
  std::vector<PLYXEN_Num> onePart(1, -1);
  ASSERT_EQ(PLYXEN_graphPart(&one.handle, 4, &strat.strat, onePart.data()), 0);
  EXPECT_TRUE((onePart[0] >= 0) && (onePart[0] < 4));
}

TEST(GraphPartFixed, FixedVerticesKeepTheirParts) {
  Graph mesh;
  buildGrid(&mesh, 0, 12, 12);
  PublicGraph graph(mesh);
  graphExit(&mesh);
  std::vector<PLYXEN_Num> parts(144, -1);
  parts[0] = 2;
  parts[143] = 2;
  parts[70] = 0;
  const std::vector<PLYXEN_Num> fixed = parts;
  StratHandle strat;
  ASSERT_EQ(PLYXEN_graphPartFixed(&graph.handle, 3, &strat.strat, parts.data()), 0);
  for (size_t vertex = 0; vertex < fixed.size(); vertex++) {
    if (fixed[vertex] != -1) {
      EXPECT_EQ(parts[vertex], fixed[vertex]) << vertex;
    }
    EXPECT_TRUE((parts[vertex] >= 0) && (parts[vertex] < 3));
  }
  EXPECT_LE(imbalanceOf(graph.core(), parts, 3), 0.05);
}

TEST(GraphMap, AMeshTargetPlacesNeighbouringPartsOnNeighbouringTerminals) {
  Graph mesh;
  buildGrid(&mesh, 0, 48, 48);
  PublicGraph graph(mesh);
  graphExit(&mesh);
  ArchHandle arch;
  ASSERT_EQ(PLYXEN_archMesh2(&arch.arch, 4, 4), 0);
  StratHandle strat;
  std::vector<PLYXEN_Num> parts(48 * 48);
  ASSERT_EQ(PLYXEN_graphMap(&graph.handle, &arch.arch, &strat.strat, parts.data()), 0);
  PLYXEN_Num nonEmpty;
  int64_t cut, comm;
  double imbalance;
  ASSERT_EQ(PLYXEN_graphMapStat(&graph.handle, &arch.arch, parts.data(), &nonEmpty, &cut, &comm, &imbalance), 0);
  EXPECT_EQ(nonEmpty, 16);
  EXPECT_EQ(cut, cutOf(graph.core(), parts));
  EXPECT_EQ(comm, commOf(graph.core(), arch.core(), parts));
  EXPECT_DOUBLE_EQ(imbalance, imbalanceOf(graph.core(), parts, 16));
  EXPECT_LE(imbalance, 0.05);
  // A 4 x 4 grid of blocks is the ideal mapping: each cut edge at distance 1.
  EXPECT_LE(comm, 2 * cut);

  // The same parts read as a partition count every cut edge once.
  ArchHandle complete;
  ASSERT_EQ(PLYXEN_archCmplt(&complete.arch, 16), 0);
  ASSERT_EQ(PLYXEN_graphMapStat(&graph.handle, &complete.arch, parts.data(), nullptr, nullptr, &comm, nullptr), 0);
  EXPECT_EQ(comm, cut);
}

TEST(GraphMap, RefusesWhatItCannotUse) {
  Graph path;
  buildPath(&path, 0, 6);
  PublicGraph graph(path);
  graphExit(&path);
  std::vector<PLYXEN_Num> parts(6, -1);
  StratHandle strat;
  ErrorCapture capture;
  EXPECT_EQ(PLYXEN_graphPart(&graph.handle, 0, &strat.strat, parts.data()), 1);
  EXPECT_TRUE(capture.contains("PLYXEN_graphPart: part count must be at least 1")) << capture.first();
  EXPECT_EQ(PLYXEN_graphPart(&graph.handle, -3, &strat.strat, parts.data()), 1);

  ArchHandle cleared;
  EXPECT_EQ(PLYXEN_graphMap(&graph.handle, &cleared.arch, &strat.strat, parts.data()), 1);
  EXPECT_TRUE(capture.contains("PLYXEN_graphMap: architecture not initialized"));

  StratHandle ordering;
  ASSERT_EQ(PLYXEN_stratGraphOrder(&ordering.strat, "s"), 0);
  EXPECT_EQ(PLYXEN_graphPart(&graph.handle, 2, &ordering.strat, parts.data()), 1);
  EXPECT_TRUE(capture.contains("not a mapping strategy"));

  EXPECT_EQ(PLYXEN_stratGraphMapBuild(&strat.strat, 0, 4, -0.1), 1);
  EXPECT_EQ(PLYXEN_stratGraphMap(&strat.strat, "r{sep=nonsense}"), 1);

  std::vector<PLYXEN_Num> fixed = {-1, 7, -1, -1, -1, -1};
  EXPECT_EQ(PLYXEN_graphPartFixed(&graph.handle, 4, &strat.strat, fixed.data()), 1);
  EXPECT_TRUE(capture.contains("invalid fixed terminal 7"));
  fixed[1] = -2;
  EXPECT_EQ(PLYXEN_graphPartFixed(&graph.handle, 4, &strat.strat, fixed.data()), 1);

  parts = {0, 0, 9, 1, 1, 1};
  ArchHandle two;
  ASSERT_EQ(PLYXEN_archCmplt(&two.arch, 2), 0);
  EXPECT_EQ(PLYXEN_graphMapStat(&graph.handle, &two.arch, parts.data(), nullptr, nullptr, nullptr, nullptr), 1);
}

TEST(GraphPart, ExtremeStrategyParametersNeitherHangNorFail) {
  Graph mesh;
  buildGrid(&mesh, 0, 20, 20);
  PublicGraph graph(mesh);
  graphExit(&mesh);
  const char* const strategies[] = {
      "f{move=2147483647,pass=2147483647,bal=1e300}",
      "f{move=-5,pass=-2,bal=-1}",
      "m{vert=-5,rat=-1,type=d,low=r{bal=-1,sep=h{pass=-3}},asc=b{width=-7,bnd=f,org=x{bal=-3}}}",
      "m{vert=0,rat=2,low=r{bal=1e300,sep=h},asc=d{pass=-1,dif=-1,rem=-1e308}}",
      "r{sep=m{vert=-1,rat=5,low=h{pass=0},asc=f{move=0,bal=1e300}}} x{bal=1e300} d{pass=2147483647,dif=1e300}",
  };
  for (const char* text : strategies) {
    StratHandle strat;
    ASSERT_EQ(PLYXEN_stratGraphMap(&strat.strat, text), 0) << text;
    std::vector<PLYXEN_Num> parts(400, -1);
    ErrorCapture capture;
    ASSERT_EQ(PLYXEN_graphPart(&graph.handle, 5, &strat.strat, parts.data()), 0) << text << ": " << capture.first();
    for (const PLYXEN_Num part : parts) ASSERT_TRUE((part >= 0) && (part < 5)) << text;
  }
}

}  // namespace
