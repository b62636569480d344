// plyxen bipart, run as a program: the figures it prints agree with the
// parts file it writes, the balance asked for is kept, runs repeat, and bad
// strategies and options are refused with one "ERROR: " line and no output
// file.
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <sstream>

#include "support/test_support.h"
#include "tool_fixture.h"

namespace {

class ToolBipart : public Tool {
 protected:

  // The figures of the output line, by name, as numbers.
  static std::map<std::string, double> figures(const std::string& line) {
    std::map<std::string, double> result;
    for (const auto& [name, value] : figuresOf(line)) result[name] = std::stod(value);
    return result;
  }

  // Runs the command on the graph file, reads the parts file back and
  // checks the printed figures against the parts and the graph.
  void checkRun(const std::string& graphFile, const Graph& graph, const std::vector<std::string>& options,
                double imbalanceAllowed) {
    const std::string partsFile = path("parts");
    std::vector<std::string> arguments = {"bipart", graphFile, "-o", partsFile};
    arguments.insert(arguments.end(), options.begin(), options.end());
    const ProgramResult result = run(arguments);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    std::map<std::string, double> printed = figures(result.out);
    for (const char* name : {"cut", "load0", "load1", "imbalance", "time"}) EXPECT_EQ(printed.count(name), 1u) << name;

    std::istringstream stream(readFile(partsFile));
    std::vector<int> parts(static_cast<size_t>(graph.vertexCount), -1);
    GraphNum vertex;
    int part;
    GraphNum lines = 0;
    while (stream >> vertex >> part) {
      ASSERT_EQ(vertex, graph.base + lines) << "vertices in order";
      ASSERT_TRUE((part == 0) || (part == 1));
      parts[static_cast<size_t>(lines++)] = part;
    }
    ASSERT_EQ(lines, graph.vertexCount);
    GraphNum load[2] = {0, 0};
    GraphNum cut = 0;
    for (GraphNum v = graph.base; v < graph.vertexEnd; v++) {
      const int p = parts[static_cast<size_t>(v - graph.base)];
      load[p] += (graph.vertexLoad != nullptr) ? graph.vertexLoad[v] : 1;
      for (GraphNum arc = graph.edgeBegin[v]; arc < graph.edgeEnd[v]; arc++)
        if ((graph.edgeTarget[arc] > v) && (parts[static_cast<size_t>(graph.edgeTarget[arc] - graph.base)] != p))
          cut += (graph.edgeLoad != nullptr) ? graph.edgeLoad[arc] : 1;
    }
    EXPECT_EQ(printed["cut"], cut);
    EXPECT_EQ(printed["load0"], load[0]);
    EXPECT_EQ(printed["load1"], load[1]);
    const double half = graph.vertexLoadSum / 2.0;
    const double excess = std::max(load[0], load[1]) / half - 1.0;
    EXPECT_NEAR(printed["imbalance"], excess, 1e-4);
    EXPECT_TRUE((excess <= imbalanceAllowed + 1e-12) || (std::max(load[0], load[1]) <= (graph.vertexLoadSum + 1) / 2))
        << excess;
  }
};

TEST_F(ToolBipart, FiguresAgreeWithThePartsFileAndTheBalanceIsKept) {
  for (const std::string& name : sharedGraphNames()) {
    Graph graph;
    loadSharedGraph(&graph, name);
    if (graph.vertexCount <= 20000) {
      checkRun(sharedGraphPath(name), graph, {}, 0.01);
      checkRun(sharedGraphPath(name), graph, {"-b", "0.002"}, 0.002);
      checkRun(sharedGraphPath(name), graph, {"-s", "h{pass=3}f"}, 1.0);
    }
    graphExit(&graph);
  }
  // A small graph with vertex and edge loads, through the METIS format.
  Graph graph;
  buildGraph(&graph, 1, 6, {{1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}, {6, 1}, {1, 4}}, {3, 1, 2, 2, 1, 3},
             {5, 1, 2, 2, 1, 5, 9});
  const std::string grf = path("loads.grf");
  FILE* stream = fopen(grf.c_str(), "w");
  ASSERT_NE(stream, nullptr);
  ASSERT_EQ(graphSave(&graph, stream), 0);
  fclose(stream);
  const std::string metis = path("loads.graph");
  ASSERT_EQ(run({"convert", grf, metis}).status, 0);
  checkRun(grf, graph, {"-b", "0.2"}, 0.2);
  checkRun(metis, graph, {"-s", "x"}, 1.0);
  graphExit(&graph);
}

TEST_F(ToolBipart, RunsRepeatAndHandleTinyGraphs) {
  Graph grid;
  buildGrid(&grid, 0, 30, 20);
  const std::string file = path("grid.grf");
  FILE* stream = fopen(file.c_str(), "w");
  ASSERT_EQ(graphSave(&grid, stream), 0);
  fclose(stream);
  const ProgramResult first = run({"bipart", file});
  const ProgramResult second = run({"bipart", file});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(figures(first.out)["cut"], figures(second.out)["cut"]);
  EXPECT_LE(figures(first.out)["cut"], 22);
  graphExit(&grid);

  for (const std::string& text : {std::string("0\n0\t0\n0\t000\n"), std::string("0\n1\t0\n0\t000\n0\n"),
                                  std::string("0\n3\t0\n1\t000\n0\n0\n0\n")}) {
    const std::string tiny = path("tiny.grf");
    writeFile(tiny, text);
    const ProgramResult result = run({"bipart", tiny, "-o", path("tiny.parts")});
    EXPECT_EQ(result.status, 0) << text << result.err;
    EXPECT_NE(result.out.find("cut=0 "), std::string::npos) << result.out;
  }
}

TEST_F(ToolBipart, RefusesStrategiesOfOtherKindsAndBadOptions) {
  const std::string graph = path("path.grf");
  writeFile(graph, "0\n3\t4\n0\t000\n1\t1\n2\t0\t2\n1\t1\n");
  const std::string output = path("never.parts");
  for (const std::vector<std::string>& options :
       std::vector<std::vector<std::string>>{{"-s", "n"},
                                             {"-s", "e{strat=h}"},
                                             {"-s", "m{low=n}"},
                                             {"-s", "b{bnd=v}"},
                                             {"-s", "h{pass=x}"},
                                             {"-s", "f{bal=0.1"},
                                             {"-b", "2"},
                                             {"-b", "-0.1"},
                                             {"-b", "half"},
                                             {"-x"}}) {
    std::vector<std::string> arguments = {"bipart", graph, "-o", output};
    arguments.insert(arguments.end(), options.begin(), options.end());
    // A failing run ends inside the error printer with its data still
    // allocated, by design: that is not a leak to report.
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    const ProgramResult result = run(arguments);
    setenv("ASAN_OPTIONS", "detect_leaks=1", 1);
    EXPECT_EQ(result.status, 1) << options[0];
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("ERROR: ", 0), 0u) << result.err;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
    EXPECT_NE(access(output.c_str(), F_OK), 0) << "output file left behind";
  }
}

}  // namespace
