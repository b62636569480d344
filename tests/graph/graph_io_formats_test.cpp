// METIS and Matrix Market files through the public operations: graphs
// come back as they were written, loads can be dropped, the loaded graph
// is well formed and owns its arrays, and a bad file returns 1 with one
// message and a cleared record.
#include <cstring>

#include "graph_text.h"
#include "plyxen.h"

namespace {

Graph* recordOf(PLYXEN_Graph* handle) { return reinterpret_cast<Graph*>(handle); }

template <class Save>
std::string saveWith(Save save, const Graph* graph) {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* stream = open_memstream(&buffer, &size);
  EXPECT_EQ(save(reinterpret_cast<const PLYXEN_Graph*>(graph), stream), 0);
  fclose(stream);
  std::string text(buffer, size);
  free(buffer);
  return text;
}

// A graph with loads, vertices of degree 0 to 3, neighbours out of order.
void buildSample(Graph* graph, GraphNum base) {
  buildGraph(graph, base, 6, {{base + 0, base + 3}, {base + 3, base + 1}, {base + 0, base + 1}, {base + 3, base + 4}},
             {2, 5, 1, 7, 3, 4}, {3, 4, 1, 9});
}

}  // namespace

TEST(GraphFormats, MetisRoundTripKeepsListsAndLoads) {
  for (GraphNum base : {0, 1, 7}) {
    SCOPED_TRACE(base);
    Graph original;
    buildSample(&original, base);
    const std::string text = saveWith(PLYXEN_graphSaveMetis, &original);
    EXPECT_EQ(text.substr(0, text.find('\n')), "6 4 11");
    for (PLYXEN_Num flags : {0, 1, 2, 3}) {
      SCOPED_TRACE(flags);
      PLYXEN_Graph handle;
      FILE* stream = graphtest::openText(text);
      ASSERT_EQ(PLYXEN_graphLoadMetis(&handle, stream, base, flags), 0);
      fclose(stream);
      Graph* loaded = recordOf(&handle);
      EXPECT_EQ(loaded->flags, 63);
      EXPECT_TRUE(graphtest::referenceWellFormed(*loaded));
      EXPECT_EQ(loaded->vertexLoad == nullptr, (flags & 1) != 0);
      EXPECT_EQ(loaded->edgeLoad == nullptr, (flags & 2) != 0);
      if (flags == 0) graphtest::expectSameGraph(original, *loaded);
      EXPECT_EQ(graphtest::arcLists(*loaded).size(), 6u);
      PLYXEN_graphExit(&handle);
    }
    graphExit(&original);
  }
  // Base -1 is the format's own base.
  PLYXEN_Graph handle;
  FILE* stream = graphtest::openText("% comment\n\n3 2 000\n2\n1 3\n% inside\n2\n\n");
  ASSERT_EQ(PLYXEN_graphLoadMetis(&handle, stream, -1, 0), 0);
  fclose(stream);
  EXPECT_EQ(recordOf(&handle)->base, 1);
  using Lists = std::vector<std::vector<std::pair<GraphNum, GraphNum>>>;
  EXPECT_EQ(graphtest::arcLists(*recordOf(&handle)), (Lists{{{2, 1}}, {{1, 1}, {3, 1}}, {{2, 1}}}));
  PLYXEN_graphExit(&handle);
}

// The graph of a Matrix Market file is the pattern of A + A^T without the
// diagonal, neighbours sorted, each once; written back it is one entry per
// edge below the diagonal, and reads back the same.
TEST(GraphFormats, MatrixMarketIsThePatternOfTheSymmetricSum) {
  const std::string text =
      "%%MatrixMarket matrix coordinate real general\n% comment\n5 5 8\n"
      "1 1 4\n3 1 -1\n1 3 -1\n2 5 .5\n5 2 .5\n4 2 1e3\n2 4 2\n\n4 2 7\n";
  using Lists = std::vector<std::vector<std::pair<GraphNum, GraphNum>>>;
  for (GraphNum base : {-1, 0, 3}) {
    SCOPED_TRACE(base);
    const GraphNum b = (base == -1) ? 1 : base;
    PLYXEN_Graph handle;
    FILE* stream = graphtest::openText(text);
    ASSERT_EQ(PLYXEN_graphLoadMatrixMarket(&handle, stream, base), 0);
    fclose(stream);
    Graph* loaded = recordOf(&handle);
    EXPECT_EQ(loaded->flags, 63);
    EXPECT_EQ(loaded->base, b);
    EXPECT_TRUE(graphtest::referenceWellFormed(*loaded));
    EXPECT_EQ(graphtest::arcLists(*loaded),
              (Lists{{{b + 2, 1}}, {{b + 3, 1}, {b + 4, 1}}, {{b, 1}}, {{b + 1, 1}}, {{b + 1, 1}}}));
    const std::string written = saveWith(PLYXEN_graphSaveMatrixMarket, loaded);
    EXPECT_EQ(written, "%%MatrixMarket matrix coordinate pattern symmetric\n5 5 3\n3 1\n4 2\n5 2\n");
    PLYXEN_Graph again;
    stream = graphtest::openText(written);
    ASSERT_EQ(PLYXEN_graphLoadMatrixMarket(&again, stream, base), 0);
    fclose(stream);
    graphtest::expectSameGraph(*loaded, *recordOf(&again));
    PLYXEN_graphExit(&again);
    PLYXEN_graphExit(&handle);
  }
}

TEST(GraphFormats, FailuresReportOnceAndLeaveAClearedRecord) {
  struct Case {
    int (*load)(PLYXEN_Graph*, FILE*);
    std::string text;
    const char* message;
  };
  auto metis = [](PLYXEN_Graph* graph, FILE* stream) { return PLYXEN_graphLoadMetis(graph, stream, -1, 0); };
  auto market = [](PLYXEN_Graph* graph, FILE* stream) { return PLYXEN_graphLoadMatrixMarket(graph, stream, 0); };
  const Case cases[] = {
      {[](PLYXEN_Graph* graph, FILE* stream) { return PLYXEN_graphLoadMetis(graph, stream, 0, 4); }, "2 1\n2\n1\n",
       "ERROR: PLYXEN_graphLoadMetis: invalid flag parameter"},
      {[](PLYXEN_Graph* graph, FILE* stream) { return PLYXEN_graphLoadMetis(graph, stream, -2, 0); }, "2 1\n2\n1\n",
       "ERROR: PLYXEN_graphLoadMetis: invalid base parameter"},
      {[](PLYXEN_Graph* graph, FILE* stream) { return PLYXEN_graphLoadMatrixMarket(graph, stream, -2); }, "",
       "ERROR: PLYXEN_graphLoadMatrixMarket: invalid base parameter"},
      {metis, "2 1\n2\n3\n", "ERROR: graphLoadMetis: bad METIS graph file (line 3: neighbour 3 outside 1..2)"},
      {metis, "2 1\n2\n2\n", "ERROR: graphCheck:"},  // a loop
      {market, "%%MatrixMarket matrix coordinate pattern general\n2 2 1\n1 2\n1 2\n",
       "ERROR: graphLoadMatrixMarket: bad Matrix Market file (line 4: data after the last entry)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    ErrorCapture capture;
    PLYXEN_Graph handle;
    PLYXEN_graphInit(&handle);
    FILE* stream = graphtest::openText(c.text);
    EXPECT_EQ(c.load(&handle, stream), 1);
    fclose(stream);
    ASSERT_EQ(capture.lines.size(), 1u) << capture.first();
    EXPECT_EQ(capture.first().rfind(c.message, 0), 0u) << capture.first();
    if (recordOf(&handle)->flags != 15) {  // read and refused: nothing kept
      EXPECT_EQ(recordOf(&handle)->flags, 0);
      EXPECT_EQ(recordOf(&handle)->edgeBegin, nullptr);
      EXPECT_EQ(recordOf(&handle)->edgeTarget, nullptr);
    }
    PLYXEN_graphExit(&handle);
  }
}
