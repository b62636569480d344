// plyxen partition and plyxen map, run as a program: the figures printed
// agree with the parts file and with counts made here, the balance asked
// for is kept, and bad part counts, imbalances, architecture files and
// graphs are refused with one "ERROR: " line, status 1 and no output file.
#include <unistd.h>

#include <cmath>
#include <map>
#include <sstream>

#include "support/kgraph_support.h"
#include "support/test_support.h"
#include "tool_fixture.h"

namespace {

class ToolMap : public Tool {
 protected:
  static std::map<std::string, double> figures(const std::string& line) {
    std::map<std::string, double> result;
    for (const auto& [name, value] : figuresOf(line)) result[name] = std::stod(value);
    return result;
  }

  // Exactly one line, "ERROR: " and the text, status 1, nothing written.
  static void expectRefused(const ProgramResult& result, const std::string& text) {
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("ERROR: ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find(text), std::string::npos) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  }

  // Runs the command, reads the parts file back and checks the printed
  // figures against it; returns the parts.
  std::vector<GraphNum> checkRun(const std::vector<std::string>& arguments, const Graph& graph, const Arch& arch,
                                 double imbalanceAllowed) {
    const std::string partsFile = path("parts");
    std::vector<std::string> full = arguments;
    full.push_back("-o");
    full.push_back(partsFile);
    const ProgramResult result = run(full);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    std::map<std::string, double> printed = figures(result.out);
    for (const char* name : {"cut", "comm", "imbalance", "parts", "time"}) EXPECT_EQ(printed.count(name), 1u) << name;

    std::istringstream stream(readFile(partsFile));
    std::vector<GraphNum> parts;
    GraphNum vertex, part;
    while (stream >> vertex >> part) {
      EXPECT_EQ(vertex, graph.base + static_cast<GraphNum>(parts.size())) << "vertices in order";
      EXPECT_TRUE((part >= 0) && (part < archSize(&arch)));
      parts.push_back(part);
    }
    EXPECT_EQ(static_cast<GraphNum>(parts.size()), graph.vertexCount);
    if (static_cast<GraphNum>(parts.size()) != graph.vertexCount) return parts;
    EXPECT_EQ(printed["cut"], cutOf(&graph, parts));
    EXPECT_EQ(printed["comm"], commOf(&graph, &arch, parts));
    std::vector<bool> used(static_cast<size_t>(archSize(&arch)), false);
    for (const GraphNum p : parts) used[static_cast<size_t>(p)] = true;
    EXPECT_EQ(printed["parts"], std::count(used.begin(), used.end(), true));
    const double imbalance = imbalanceOf(&graph, parts, archSize(&arch));
    EXPECT_NEAR(printed["imbalance"], imbalance, 1e-4);
    EXPECT_LE(imbalance, imbalanceAllowed + 1e-9);
    return parts;
  }
};

// A grid graph file and the graph itself.
std::string gridText(GraphNum width, GraphNum height, Graph* graph) {
  buildGrid(graph, 0, width, height);
  std::string text;
  char* buffer = nullptr;
  size_t size = 0;
  FILE* stream = open_memstream(&buffer, &size);
  graphSave(graph, stream);
  fclose(stream);
  text.assign(buffer, size);
  free(buffer);
  return text;
}

TEST_F(ToolMap, PartitionFiguresAgreeWithThePartsFile) {
  Graph graph;
  const std::string graphFile = file("grid.grf", gridText(40, 30, &graph));
  for (const GraphNum partCount : {2, 5, 16}) {
    Arch arch;
    loadArch(&arch, "cmplt " + std::to_string(partCount));
    checkRun({"partition", graphFile, std::to_string(partCount)}, graph, arch, 0.05);
    checkRun({"partition", graphFile, std::to_string(partCount), "-b", "0.2"}, graph, arch, 0.2);
    archExit(&arch);
  }
  Arch arch;
  loadArch(&arch, "cmplt 4");
  checkRun({"partition", graphFile, "4", "-s", "r{sep=h{pass=10}f{bal=0.01}}"}, graph, arch, 0.02);
  archExit(&arch);
  graphExit(&graph);
}

TEST_F(ToolMap, MapOntoAMeshCountsDistances) {
  Graph graph;
  const std::string graphFile = file("grid.grf", gridText(32, 32, &graph));
  const std::string archFile = file("mesh.tgt", "mesh2D 4 2\n");
  Arch arch;
  loadArch(&arch, "mesh2D 4 2");
  const std::vector<GraphNum> parts = checkRun({"map", graphFile, archFile}, graph, arch, 0.05);
  EXPECT_GT(commOf(&graph, &arch, parts), 0);
  archExit(&arch);
  graphExit(&graph);
}

TEST_F(ToolMap, MorePartsThanVerticesLeavesPartsEmpty) {
  Graph graph;
  const std::string graphFile = file("small.grf", gridText(3, 2, &graph));
  const ProgramResult result = run({"partition", graphFile, "1000"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(figures(result.out)["parts"], 6);
  EXPECT_EQ(run({"partition", graphFile, "2147483647"}).status, 0);
  graphExit(&graph);
}

TEST_F(ToolMap, PartsOnTheStandardOutputLeaveTheFiguresToTheErrorStream) {
  Graph graph;
  const std::string graphFile = file("small.grf", gridText(4, 3, &graph));
  graphExit(&graph);
  const ProgramResult result = run({"partition", graphFile, "3", "-o", "-"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 12);
  EXPECT_EQ(figures(result.err)["parts"], 3);
  expectRefused(run({"partition", graphFile, "3", "-o", graphFile}), "is the input file");
}

TEST_F(ToolMap, RefusesBadPartCountsImbalancesAndArchitectures) {
  Graph graph;
  const std::string graphFile = file("grid.grf", gridText(6, 6, &graph));
  graphExit(&graph);
  const std::string output = path("parts");
  for (const char* count : {"0", "2.5", "abc", "99999999999", "-"})
    expectRefused(run({"partition", graphFile, count, "-o", output}), "invalid part count");
  expectRefused(run({"partition", graphFile, "-3", "-o", output}), "unknown option \"-3\"");
  expectRefused(run({"partition", "-o", output, graphFile, "--", "-3"}), "invalid part count");
  for (const char* ratio : {"-0.1", "nan", "inf", "x"})
    expectRefused(run({"partition", graphFile, "3", "-b", ratio, "-o", output}), "invalid imbalance");
  expectRefused(run({"partition", graphFile}), "a graph file and a part count expected");
  expectRefused(run({"partition", graphFile, "3", "-s", "n{sep=m}"}), "invalid method name");

  expectRefused(run({"map", graphFile, file("a.tgt", "nothing 3\n"), "-o", output}), "archLoad");
  expectRefused(run({"map", graphFile, file("b.tgt", "mesh2D 0 4\n"), "-o", output}), "archMesh2ArchLoad");
  expectRefused(run({"map", graphFile, file("c.tgt", ""), "-o", output}), "archLoad");
  expectRefused(run({"map", graphFile, file("d.tgt", "varcmplt\n"), "-o", output}), "variable-sized");
  expectRefused(run({"map", graphFile, path("missing.tgt"), "-o", output}), "cannot open");
  EXPECT_NE(access(output.c_str(), F_OK), 0) << "no output file after a failure";

  // A graph file with a vertex of no load is refused by the graph check.
  const std::string zero = file("zero.grf", "0\n4\t6\n0\t001\n1\t1\t1\n0\t2\t0\t2\n3\t2\t1\t3\n2\t1\t2\n");
  expectRefused(run({"partition", zero, "2", "-o", output}), "graphCheck");
}

}  // namespace
