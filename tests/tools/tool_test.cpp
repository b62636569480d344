// The plyxen tool, run as a program: format round trips, Matrix Market
// files of every kind against their entry lists, figures against the fill
// counter, and the failure paths (one "ERROR: " line, status 1, no output
// file replaced or left behind).
#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>

#include "front/fill_stats.h"
#include "tool_fixture.h"

namespace {

using EdgeSet = std::set<std::pair<GraphNum, GraphNum>>;  // {u, v} with u < v, vertices from 0

EdgeSet edgesOf(const Graph* graph) {
  EdgeSet edges;
  for (GraphNum v = graph->base; v < graph->vertexEnd; v++)
    for (GraphNum arc = graph->edgeBegin[v]; arc < graph->edgeEnd[v]; arc++) {
      GraphNum u = graph->edgeTarget[arc];
      edges.insert({std::min(u, v) - graph->base, std::max(u, v) - graph->base});
    }
  return edges;
}

// Loads a graph file; fails the test on error.
void loadGraphFile(Graph* graph, const std::string& path) {
  FILE* stream = fopen(path.c_str(), "r");
  ASSERT_NE(stream, nullptr) << path;
  ErrorCapture capture;
  EXPECT_EQ(graphLoad(graph, stream, -1, 0), 0) << capture.first();
  fclose(stream);
}

std::vector<std::string> smallSharedGraphs() {
  std::vector<std::string> names;
  for (const std::string& name : sharedGraphNames()) {
    Graph graph;
    loadSharedGraph(&graph, name);
    if (graph.vertexCount <= 20000) names.push_back(name);
    graphExit(&graph);
  }
  return names;
}

}  // namespace

TEST_F(Tool, HelpTexts) {
  ProgramResult main = run({"--help"});
  expectSuccess(main);
  for (const char* command : {"order", "stats", "convert"}) {
    EXPECT_NE(main.out.find(command), std::string::npos);
    ProgramResult help = run({command, "--help"});
    expectSuccess(help);
    EXPECT_EQ(help.out.rfind(std::string("usage: plyxen ") + command, 0), 0u) << help.out;
  }
}

// Graph file -> METIS -> graph file is exact on the shared graphs (base 1,
// neighbour order kept); through Matrix Market the edge sets are kept.
TEST_F(Tool, RoundTripsOnSharedGraphs) {
  std::vector<std::string> names = smallSharedGraphs();
  if (names.empty()) GTEST_SKIP() << "no shared graphs";
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    std::string original = sharedGraphPath(name);
    std::string metis = path("graph.graph");
    std::string back = path("back.grf");
    expectSuccess(run({"convert", original, metis}));
    expectSuccess(run({"convert", metis, back}));
    EXPECT_TRUE(readFile(back) == readFile(original)) << "graph file changed through METIS";

    std::string market = path("graph.mtx");
    std::string metisAgain = path("again.metis");
    std::string last = path("last.grf");
    expectSuccess(run({"convert", original, market}));
    expectSuccess(run({"convert", market, metisAgain}));
    expectSuccess(run({"convert", metisAgain, last}));
    Graph first, second;
    loadGraphFile(&first, original);
    loadGraphFile(&second, last);
    EXPECT_EQ(second.vertexCount, first.vertexCount);
    EXPECT_TRUE(edgesOf(&first) == edgesOf(&second)) << "edges changed through Matrix Market";
    graphExit(&first);
    graphExit(&second);
  }
}

// Vertex and edge loads survive METIS files; formats named explicitly
// override the file names.
TEST_F(Tool, LoadsThroughMetisAndExplicitFormats) {
  // Triangle 1-2-3 plus 3-4, vertex loads 2 5 1 7, edge loads 3 (1-2), 4 (1-3), 1 (2-3), 9 (3-4).
  std::string source = file("loads.grf", "0\n4\t8\n1\t011\n2\t2\t3\t2\t4\t3\n5\t2\t3\t1\t1\t3\n"
                                         "1\t3\t4\t1\t1\t2\t9\t4\n7\t1\t9\t3\n");
  std::string metis = path("loads.txt");
  std::string back = path("loads.out");
  expectSuccess(run({"convert", source, metis, "--to", "metis"}));
  EXPECT_EQ(readFile(metis), "4 4 11\n2 2 3 3 4\n5 1 3 3 1\n1 1 4 2 1 4 9\n7 3 9\n");
  expectSuccess(run({"convert", "--from=metis", metis, back, "--to=grf"}));
  EXPECT_EQ(readFile(back), readFile(source));
}

// Every kind of Matrix Market file: the graph has an edge between i and j
// exactly when an entry (i, j) or (j, i) with i != j is listed.
TEST_F(Tool, MatrixMarketKinds) {
  struct Case {
    const char* header;
    std::vector<std::string> entries;  // "i j [values]"
  };
  const GraphNum n = 6;
  const Case cases[] = {
      {"%%MatrixMarket matrix coordinate pattern general", {"1 2", "2 1", "3 1", "4 4", "6 5", "5 6", "2 6"}},
      {"%%MatrixMarket matrix coordinate real symmetric", {"1 1 4.0", "2 1 -1.5e3", "5 3 .25", "6 2 7", "6 6 1"}},
      {"%%MatrixMarket matrix coordinate integer general", {"1 6 3", "6 1 -3", "2 3 0", "4 5 12", "5 5 2"}},
      {"%%MatrixMarket matrix coordinate complex hermitian", {"2 1 1.0 -2.0", "3 2 0 1", "4 3 2.5 0", "6 4 1 1"}},
      {"%%matrixmarket MATRIX Coordinate Pattern Symmetric", {"3 1", "4 2", "6 5"}},
      {"%%MatrixMarket matrix coordinate real skew-symmetric", {"2 1 1", "5 4 -1"}},
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header);
    std::string text = std::string(c.header) + "\n% a comment\n%\n" + std::to_string(n) + " " + std::to_string(n) +
                       " " + std::to_string(c.entries.size()) + "\n";
    EdgeSet expected;
    for (const std::string& entry : c.entries) {
      text += entry + "\n";
      std::istringstream fields(entry);
      GraphNum i, j;
      fields >> i >> j;
      if (i != j) expected.insert({std::min(i, j) - 1, std::max(i, j) - 1});
    }
    std::string market = file("kind" + std::to_string(index) + ".mtx", text);
    std::string graphPath = path("kind" + std::to_string(index++) + ".grf");
    expectSuccess(run({"convert", market, graphPath}));
    Graph graph;
    loadGraphFile(&graph, graphPath);
    EXPECT_EQ(graph.vertexCount, n);
    EXPECT_TRUE(edgesOf(&graph) == expected);
    graphExit(&graph);
  }
  // Written back: a symmetric pattern with one entry per edge, below the diagonal.
  std::string graphPath = path("pattern.grf");
  std::string market = path("pattern.mtx");
  expectSuccess(run({"convert", file("in.mtx", std::string(cases[0].header) + "\n6 6 3\n1 2\n2 1\n6 3\n"), graphPath}));
  expectSuccess(run({"convert", graphPath, market}));
  EXPECT_EQ(readFile(market), "%%MatrixMarket matrix coordinate pattern symmetric\n6 6 2\n2 1\n6 3\n");
}

// The figures printed agree with the fill counter on the ordering written,
// and the stats command gives the same figures for that file.
TEST_F(Tool, FiguresAgreeWithTheFillCounter) {
  std::vector<std::string> names = smallSharedGraphs();
  std::string grid;
  {
    std::ostringstream text;  // 15 x 12 grid, base 0
    const GraphNum width = 15, height = 12;
    text << "0\n" << width * height << "\t" << 2 * (2 * width * height - width - height) << "\n0\t000\n";
    for (GraphNum y = 0; y < height; y++)
      for (GraphNum x = 0; x < width; x++) {
        std::vector<GraphNum> neighbours;
        if (y > 0) neighbours.push_back((y - 1) * width + x);
        if (x > 0) neighbours.push_back(y * width + x - 1);
        if (x + 1 < width) neighbours.push_back(y * width + x + 1);
        if (y + 1 < height) neighbours.push_back((y + 1) * width + x);
        text << neighbours.size();
        for (GraphNum u : neighbours) text << "\t" << u;
        text << "\n";
      }
    grid = file("grid.grf", text.str());
  }
  std::vector<std::pair<std::string, std::vector<std::string>>> runs{{grid, {}}, {grid, {"-s", "g"}}};
  for (const std::string& name : names) runs.push_back({sharedGraphPath(name), {}});
  for (const auto& [graphPath, extra] : runs) {
    SCOPED_TRACE(graphPath);
    std::string orderPath = path("figures.ord");
    std::string mapPath = path("figures.map");
    std::string treePath = path("figures.tree");
    std::vector<std::string> arguments{"order", graphPath, "-o", orderPath, "--map", mapPath, "--tree", treePath,
                                       "--stats"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    ProgramResult ordered = run(arguments);
    expectSuccess(ordered);
    std::map<std::string, std::string> figures = figuresOf(ordered.out);

    Graph graph;
    loadGraphFile(&graph, graphPath);
    std::vector<GraphNum> permutation = readOrdering(orderPath, graph.base);
    FillStats stats;
    ASSERT_EQ(fillStatsCompute(&graph, permutation.data(), &stats), 0);
    EXPECT_EQ(figures["vertices"], std::to_string(graph.vertexCount));
    EXPECT_EQ(figures["edges"], std::to_string(graph.arcCount / 2));
    EXPECT_EQ(figures["nnzL"], std::to_string(stats.nnzL));
    EXPECT_EQ(std::stod(figures["opc"]), stats.opc);
    EXPECT_EQ(figures["height"], std::to_string(stats.treeHeight));
    EXPECT_GE(std::stod(figures["time"]), 0.0);

    // The map file numbers the column blocks from 0, one per run of
    // consecutive positions; their count is the blocks figure.
    std::istringstream map(readFile(mapPath));
    GraphNum count;
    map >> count;
    EXPECT_EQ(count, graph.vertexCount);
    std::vector<GraphNum> blockAtPosition(graph.vertexCount, -1);
    for (GraphNum i = 0; i < count; i++) {
      GraphNum vertex, block;
      map >> vertex >> block;
      blockAtPosition[permutation[vertex - graph.base] - graph.base] = block;
    }
    for (GraphNum p = 1; p < count; p++)
      EXPECT_TRUE(blockAtPosition[p] == blockAtPosition[p - 1] || blockAtPosition[p] == blockAtPosition[p - 1] + 1);
    EXPECT_EQ(figures["blocks"], std::to_string(count > 0 ? blockAtPosition[count - 1] + 1 : 0));

    ProgramResult again = run({"stats", graphPath, orderPath});
    expectSuccess(again);
    std::map<std::string, std::string> recomputed = figuresOf(again.out);
    for (const char* key : {"vertices", "edges", "supernodes", "nnzL", "opc", "height"})
      EXPECT_EQ(recomputed[key], figures[key]) << key;
    graphExit(&graph);
  }
}

TEST_F(Tool, RefusesBadCommandLines) {
  std::string graph = file("path.grf", "0\n3\t4\n0\t000\n1\t1\n2\t0\t2\n1\t1\n");
  expectFailure(runFailing({}), "plyxen: no command");
  expectFailure(runFailing({"reorder"}), "plyxen: unknown command");
  expectFailure(runFailing({"order"}), "plyxen order:");
  expectFailure(runFailing({"order", graph, graph}), "plyxen order:");
  expectFailure(runFailing({"order", graph, "--bogus"}), "plyxen order: unknown option \"--bogus\"");
  expectFailure(runFailing({"order", graph, "-o"}), "plyxen order: missing value");
  expectFailure(runFailing({"order", graph, "--stats=yes"}), "plyxen order:");
  expectFailure(runFailing({"order", graph, "--from", "xml"}), "plyxen order: unknown format");
  expectFailure(runFailing({"stats", graph}), "plyxen stats:");
  expectFailure(runFailing({"stats", graph, graph, "-x"}), "plyxen stats: unknown option");
  expectFailure(runFailing({"convert", graph}), "plyxen convert:");
  expectFailure(runFailing({"convert", graph, path("out.xyz")}), "plyxen convert: cannot tell the format");
  expectFailure(runFailing({"convert", graph, path("out.grf"), "--to", "dot"}), "plyxen convert: unknown format");
  expectFailure(runFailing({"convert", file("noext", "0\n0\t0\n0\t000\n"), path("x.grf")}),
                "plyxen convert: cannot tell");
  // Strategies that do not parse.
  expectFailure(runFailing({"order", graph, "-s", "q"}));
  expectFailure(runFailing({"order", graph, "-s", "n{bogus=g}"}));
  expectFailure(runFailing({"order", graph, "-s", "g{pass=10"}));
  expectFailure(runFailing({"order", graph, "-s", "n{sep=/(vert>)?m;}"}));
  expectFailure(runFailing({"order", graph, "-s", "g{pass=x}"}));
}

TEST_F(Tool, RefusesMissingAndMalformedFiles) {
  const std::string missing = temporaryPath("missing.grf");
  expectFailure(runFailing({"order", missing}), "plyxen order: cannot open file");
  expectFailure(runFailing({"convert", missing, path("out.grf")}), "plyxen convert: cannot open file");
  expectFailure(runFailing({"stats", file("g.grf", "0\n1\t0\n0\t000\n0\n"), missing}),
                "plyxen stats: cannot open file");

  const std::vector<std::pair<std::string, std::string>> badGraphs{
      {"bad.grf", "0\n3\t4\n0\t000\n1\t1\n2\t0\n"},                 // arcs missing
      {"bad.grf", "0\n2\t2\n0\t000\n1\t1\n1\t0\nextra\n"},          // data after the graph
      {"bad.grf", "0\n3\t4\n0\t000\n1\t1\n2\t0\t2\n1\t0\n"},        // arc without its reverse
      {"bad.grf", "0\n2\t2\n0\t000\n1\t5\n1\t0\n"},                 // arc end outside the graph
      {"bad.graph", ""},                                             // no header
      {"bad.graph", "3 2\n2\n1 3\n"},                                // a vertex line missing
      {"bad.graph", "3 2\n2\n1 3\n2\n1\n"},                          // data after the last vertex
      {"bad.graph", "3 3\n2\n1 3\n2\n"},                             // edge count
      {"bad.graph", "3 2\n2\n1 4\n2\n"},                             // neighbour outside the graph
      {"bad.graph", "3 2\n3\n1 3\n2\n"},                             // not symmetric
      {"bad.graph", "3 2 1\n2 1\n1 1 3\n2 1\n"},                     // edge weight missing
      {"bad.graph", "2 1 10 2\n1 1 2\n1 1 1\n"},                     // two weights per vertex
      {"bad.graph", "2 1 7\n2\n1\n"},                                // format digit
      {"bad.graph", "2 x\n2\n1\n"},                                  // header
      {"bad.mtx", "3 3 1\n1 2\n"},                                   // no banner
      {"bad.mtx", "%%MatrixMarket matrix array real general\n2 2\n1\n2\n3\n4\n"},
      {"bad.mtx", "%%MatrixMarket matrix coordinate pattern general\n2 3 1\n1 2\n"},  // not square
      {"bad.mtx", "%%MatrixMarket matrix coordinate pattern general\n2 2 1\n1 3\n"},  // index
      {"bad.mtx", "%%MatrixMarket matrix coordinate real general\n2 2 1\n1 2\n"},     // value missing
      {"bad.mtx", "%%MatrixMarket matrix coordinate integer general\n2 2 1\n1 2 1.5\n"},
      {"bad.mtx", "%%MatrixMarket matrix coordinate pattern general\n2 2 2\n1 2\n"},  // entry missing
      {"bad.mtx", "%%MatrixMarket matrix coordinate pattern general\n2 2 1\n1 2\n2 1\n"},
      {"bad.mtx", "%%MatrixMarket matrix coordinate quaternion general\n2 2 1\n1 2 1 1 1 1\n"},
  };
  for (const auto& [name, text] : badGraphs) {
    SCOPED_TRACE(testing::PrintToString(text));
    std::string input = file(name, text);
    expectFailure(runFailing({"convert", input, path("out.grf")}));
    expectFailure(runFailing({"order", input}));
  }

  // Ordering files that do not fit the graph.
  std::string graph = file("path.grf", "0\n3\t4\n0\t000\n1\t1\n2\t0\t2\n1\t1\n");
  for (const std::string& text : {std::string("2\n0\t0\n1\t1\n"), std::string("3\n0\t0\n1\t0\n2\t2\n"),
                                  std::string("3\n0\t0\n2\t1\n1\t2\n"), std::string("3\n0\t0\n1\t1\n"),
                                  std::string("3\n0\t4294967296\n1\t1\n2\t2\n")}) {
    SCOPED_TRACE(testing::PrintToString(text));
    expectFailure(runFailing({"stats", graph, file("bad.ord", text)}));
  }
}

// A failing command leaves an existing output file as it was and no
// temporary file behind, whether it fails before or after creating its
// outputs.
TEST_F(Tool, NeverReplacesAGoodFileOnFailure) {
  std::string graph = file("path.grf", "0\n3\t4\n0\t000\n1\t1\n2\t0\t2\n1\t1\n");
  std::string good = file("good.out", "GOOD\n");
  std::string malformed = file("malformed.grf", "0\n3\t4\n0\t000\n1\t1\n");
  const std::string noFolder = temporaryPath("no_such_folder") + "/map";
  const std::vector<std::vector<std::string>> failing{
      {"order", graph, "-o", good, "-s", "q"},
      {"order", malformed, "-o", good},
      {"order", graph, "-o", good, "--map", noFolder},
      {"order", graph, "--map", good, "--tree", good + ".tree", "-s", "zz"},
      {"convert", malformed, good, "--to", "grf"},
      {"convert", file("bad.mtx", "%%MatrixMarket matrix coordinate pattern general\n3 3 1\n1 9\n"), good, "--to",
       "metis"},
  };
  for (const std::vector<std::string>& arguments : failing) {
    SCOPED_TRACE(testing::PrintToString(arguments));
    expectFailure(runFailing(arguments));
    EXPECT_EQ(readFile(good), "GOOD\n");
    EXPECT_EQ(filesStartingWith(good + ".tmp").size(), 0u);
  }
  // A successful run does replace it, and leaves no temporary file either.
  expectSuccess(run({"order", graph, "-o", good}));
  EXPECT_EQ(readOrdering(good, 0).size(), 3u);
  EXPECT_EQ(filesStartingWith(good + ".tmp").size(), 0u);
}
