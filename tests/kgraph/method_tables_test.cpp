// Every method letter of the four method tables (ordering, separation,
// bipartition, mapping), alone with its default parameters, runs on a real
// mesh and leaves a consistent result.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "bgraph/bgraph.h"
#include "order/hgraph.h"
#include "order/order.h"
#include "support/bgraph_support.h"
#include "support/kgraph_support.h"
#include "support/test_support.h"
#include "support/vgraph_support.h"
#include "vgraph/vgraph.h"

namespace {

// The shared mesh the methods run on, or a grid when the folder is absent.
void buildMesh(Graph* graph) {
  for (const std::string& name : sharedGraphNames())
    if (name == "airfoil1.grf") {
      loadSharedGraph(graph, name, 0);
      return;
    }
  buildGrid(graph, 0, 60, 60);
}

// Runs from a temporary folder, where method v of the separation table
// may write its files.
struct InTemporaryFolder {
  std::string previous;
  std::string folder;
  InTemporaryFolder() {
    char buffer[4096];
    previous = (getcwd(buffer, sizeof(buffer)) != nullptr) ? buffer : ".";
    folder = temporaryPath("method-tables");
    const std::string command = "mkdir -p '" + folder + "'";
    EXPECT_EQ(system(command.c_str()), 0);
    EXPECT_EQ(chdir(folder.c_str()), 0);
  }
  ~InTemporaryFolder() {
    EXPECT_EQ(chdir(previous.c_str()), 0);
    const std::string command = "rm -rf '" + folder + "'";
    EXPECT_EQ(system(command.c_str()), 0);
  }
};

Strat* parse(const StratTab* table, const std::string& text) {
  Strat* strat = stratBuild(table, text.c_str());
  EXPECT_NE(strat, nullptr) << text;
  return strat;
}

void expectNoUnavailable(const ErrorCapture& capture, const std::string& what) {
  for (const std::string& line : capture.lines) EXPECT_EQ(line.find("not available"), std::string::npos) << what << ": " << line;
}

TEST(MethodTables, EveryOrderingMethodRuns) {
  for (const StratMethod* method = hgraphOrderStTable.methods; method->name != nullptr; method++) {
    Graph graph;
    buildMesh(&graph);
    Hgraph halo;
    hgraphFromGraph(&halo, &graph, 0);
    Order order;
    ASSERT_EQ(orderInit(&order, graph.base, graph.vertexCount, nullptr), 0);
    Strat* strat = parse(&hgraphOrderStTable, method->name);
    ErrorCapture capture;
    EXPECT_EQ(hgraphOrderSt(&halo, &order, graph.base, &order.rootBlock, strat), 0)
        << method->name << ": " << capture.first();
    EXPECT_EQ(orderCheck(&order), 0) << method->name << ": " << capture.first();
    expectNoUnavailable(capture, method->name);
    stratRelease(strat);
    orderExit(&order);
    graphExit(&graph);
  }
}

TEST(MethodTables, EverySeparationMethodRuns) {
  InTemporaryFolder folder;
  for (const StratMethod* method = vgraphSeparateStTable.methods; method->name != nullptr; method++) {
    Graph graph;
    buildMesh(&graph);
    TestVgraph test(&graph);
    // Methods that refine start from a separation made by growing.
    Strat* strat = parse(&vgraphSeparateStTable, std::string("h ") + method->name);
    ErrorCapture capture;
    EXPECT_EQ(vgraphSeparateSt(&test.vgraph, strat), 0) << method->name << ": " << capture.first();
    EXPECT_TRUE(vgraphConsistent(&test.vgraph, &capture.lines)) << method->name;
    expectNoUnavailable(capture, method->name);
    stratRelease(strat);
  }
}

TEST(MethodTables, EveryBipartitionMethodRuns) {
  for (const StratMethod* method = bgraphBipartStTable.methods; method->name != nullptr; method++) {
    Graph graph;
    buildMesh(&graph);
    TestBgraph test(&graph);
    Strat* strat = parse(&bgraphBipartStTable, std::string("h ") + method->name);
    ErrorCapture capture;
    EXPECT_EQ(bgraphBipartSt(&test.bgraph, strat), 0) << method->name << ": " << capture.first();
    EXPECT_TRUE(bgraphConsistent(&test.bgraph, &capture.lines)) << method->name;
    expectNoUnavailable(capture, method->name);
    stratRelease(strat);
  }
}

TEST(MethodTables, EveryMappingMethodRuns) {
  for (const StratMethod* method = kgraphMapStTable.methods; method->name != nullptr; method++) {
    for (const char* arch : {"cmplt 8", "mesh2D 4 2"}) {
      Graph graph;
      buildMesh(&graph);
      // An old mapping for c: vertices dealt round robin.
      std::vector<GraphNum> old;
      for (GraphNum vertex = 0; vertex < graph.vertexCount; vertex++) old.push_back(vertex % 8);
      TestKgraph test(&graph, arch, {}, old);
      ErrorCapture capture;
      EXPECT_EQ(test.run(std::string("r{sep=h} ") + method->name), 0) << method->name << ": " << capture.first();
      EXPECT_EQ(test.run(method->name), 0) << method->name << ": " << capture.first();
      EXPECT_TRUE(kgraphConsistent(&test.kgraph, &capture.lines)) << method->name << " " << arch;
      expectNoUnavailable(capture, method->name);
    }
  }
}

}  // namespace
