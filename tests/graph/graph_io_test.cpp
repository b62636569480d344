// Graph files: reading, writing, every loader message and the safety of the
// loader on malformed input.
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "graph/graph_io.h"
#include "graph_text.h"

using graphtest::arcLists;
using graphtest::expectSameGraph;
using graphtest::loadText;
using graphtest::openText;
using graphtest::saveText;
using graphtest::vertexArray;

namespace {

using ArcList = std::vector<std::vector<std::pair<GraphNum, GraphNum>>>;

TEST(GraphFile, SharedGraphsSaveBackByteForByte) {
  std::vector<std::string> names = sharedGraphNames();
  if (names.empty()) GTEST_SKIP() << "no shared graphs";
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    Graph graph;
    loadSharedGraph(&graph, name);
    EXPECT_EQ(graph.flags, 63);
    EXPECT_EQ(graphCheck(&graph), 0);
    int result = 1;
    std::string saved = saveText(&graph, &result);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(saved == readFile(sharedGraphPath(name))) << "saved text differs from the file";
    graphExit(&graph);
  }
}

TEST(GraphFile, PathOfThreeIsWrittenAsSixLines) {
  Graph graph;
  buildPath(&graph, 0, 3);
  EXPECT_EQ(saveText(&graph), "0\n3\t4\n0\t000\n1\t1\n2\t0\t2\n1\t1\n");
  graphExit(&graph);
}

TEST(GraphFile, WriterPutsLoadsAndLabelsInTheirPlaces) {
  // Triangle 0-1-2 with vertex loads 5, 6, 7 and edge loads 1 (0-1), 2 (1-2), 3 (0-2).
  Graph graph;
  buildGraph(&graph, 1, 3, {{1, 2}, {2, 3}, {1, 3}}, {5, 6, 7}, {1, 2, 3});
  EXPECT_EQ(saveText(&graph), "0\n3\t6\n1\t011\n5\t2\t1\t2\t3\t3\n6\t2\t1\t1\t2\t3\n7\t2\t2\t2\t3\t1\n");
  // With labels, both the vertex and the ends are written as labels.
  std::vector<GraphNum> labels = {40, 10, 30};
  graph.vertexLabel = labels.data() - 1;
  EXPECT_EQ(saveText(&graph),
            "0\n3\t6\n1\t111\n40\t5\t2\t1\t10\t3\t30\n10\t6\t2\t1\t40\t2\t30\n30\t7\t2\t2\t10\t3\t40\n");
  graph.vertexLabel = nullptr;
  graphExit(&graph);
}

TEST(GraphFile, LabelledGraphRoundTrips) {
  // Vertex labels 10, 5, 7; every property present; ends given as labels.
  const std::string text = "0\n3\t4\n0\t111\n10\t2\t1\t3\t5\n5\t4\t2\t3\t10\t6\t7\n7\t1\t1\t6\t5\n";
  ErrorCapture capture;
  Graph graph;
  ASSERT_EQ(loadText(&graph, text, 1), 0) << capture.first();
  EXPECT_EQ(graph.base, 1);
  EXPECT_EQ(vertexArray(graph, graph.vertexLabel), (std::vector<GraphNum>{10, 5, 7}));
  EXPECT_EQ(vertexArray(graph, graph.vertexLoad), (std::vector<GraphNum>{2, 4, 1}));
  // label 10 is vertex 1, label 5 vertex 2, label 7 vertex 3.
  EXPECT_EQ(arcLists(graph), (ArcList{{{2, 3}}, {{1, 3}, {3, 6}}, {{2, 6}}}));
  EXPECT_EQ(graph.vertexLoadSum, 7);
  EXPECT_EQ(graph.edgeLoadSum, 18);
  EXPECT_EQ(graph.maxDegree, 2);
  EXPECT_EQ(graphCheck(&graph), 0);

  std::string saved = saveText(&graph);
  // The saved file differs from the source only by the base it records.
  EXPECT_EQ(saved, "0\n3\t4\n1\t111\n10\t2\t1\t3\t5\n5\t4\t2\t3\t10\t6\t7\n7\t1\t1\t6\t5\n");
  Graph again;
  ASSERT_EQ(loadText(&again, saved), 0);
  expectSameGraph(graph, again);
  graphExit(&again);
  graphExit(&graph);
  EXPECT_TRUE(capture.lines.empty());
}

TEST(GraphFile, LabelsFarAboveTheVertexCountAreRelabelled) {
  // Labels too large for a plain index table of their size.
  const std::string text = "0\n3\t4\n0\t100\n2000000000\t1\t5\n5\t2\t2000000000\t1999999999\n1999999999\t1\t5\n";
  Graph graph;
  ASSERT_EQ(loadText(&graph, text, 0), 0);
  EXPECT_EQ(arcLists(graph), (ArcList{{{1, 1}}, {{0, 1}, {2, 1}}, {{1, 1}}}));
  EXPECT_EQ(graphCheck(&graph), 0);
  Graph again;
  ASSERT_EQ(loadText(&again, saveText(&graph), 0), 0);
  expectSameGraph(graph, again);
  graphExit(&again);
  graphExit(&graph);

  ErrorCapture capture;
  EXPECT_EQ(loadText(&graph, "0 2 2 0 100 2000000000 1 7 7 1 2000000000", 0), 0) << capture.first();
  graphExit(&graph);
  EXPECT_EQ(loadText(&graph, "0 2 2 0 100 2000000000 1 7 2000000000 1 2000000000", 0), 1);
  ASSERT_EQ(capture.lines.size(), 2u);
  EXPECT_EQ(capture.lines[0], "ERROR: graphLoad2: duplicate vertex label");
  EXPECT_EQ(capture.lines[1], "ERROR: graphLoad: cannot relabel vertices");
  capture.lines.clear();
  EXPECT_EQ(loadText(&graph, "0 2 2 0 100 2000000000 1 8 7 1 2000000000", 0), 1);
  EXPECT_EQ(capture.first(), "ERROR: graphLoad2: invalid arc end number (2)");
  EXPECT_EQ(graph.flags, 0);
}

// Labels that all share one slot of any open-addressing table keyed by
// label * 17 (multiples of a large power of two): they are relabelled like
// any others, in time that does not grow with the square of their number.
TEST(GraphFile, CollidingSparseLabelsAreRelabelled) {
  constexpr GraphNum vertexCount = 30000;
  constexpr GraphNum step = 65536;
  std::ostringstream file;
  file << "0 " << vertexCount << " " << 2 * (vertexCount - 1) << " 0 100\n";
  for (GraphNum i = 0; i < vertexCount; i++) {
    file << i * step << " " << (i > 0) + (i + 1 < vertexCount);
    if (i > 0) file << " " << (i - 1) * step;
    if (i + 1 < vertexCount) file << " " << (i + 1) * step;
    file << "\n";
  }
  const std::string text = file.str();
  Graph graph;
  ASSERT_EQ(loadText(&graph, text, 0), 0);
  ASSERT_EQ(graph.vertexCount, vertexCount);
  EXPECT_EQ(graphCheck(&graph), 0);
  for (GraphNum vertex = 0; vertex < vertexCount; vertex++) {
    GraphNum arc = graph.edgeBegin[vertex];
    if (vertex > 0) {
      EXPECT_EQ(graph.edgeTarget[arc++], vertex - 1);
    }
    if (vertex + 1 < vertexCount) {
      EXPECT_EQ(graph.edgeTarget[arc++], vertex + 1);
    }
    ASSERT_EQ(arc, graph.edgeEnd[vertex]);
  }
  graphExit(&graph);
}

struct LoadFailure {
  const char* text;
  GraphNum base;
  GraphNum flags;
  const char* message;
};

TEST(GraphFile, EveryLoaderFailureHasItsMessage) {
  const LoadFailure cases[] = {
      {"", -1, 0, "graphLoad: bad input (1)"},
      {"  \n\t", -1, 0, "graphLoad: bad input (1)"},
      {"x0", -1, 0, "graphLoad: bad input (1)"},
      {"- 0", -1, 0, "graphLoad: bad input (1)"},
      {"1\n3\t4\n0\t000\n1\t1\n2\t0\t2\n1\t1\n", -1, 0, "graphLoad: old-style graph format no longer supported"},
      {"-1 garbage", -1, 0, "graphLoad: old-style graph format no longer supported"},
      {"0 3", -1, 0, "graphLoad: bad input (2)"},
      {"0 3 4 0", -1, 0, "graphLoad: bad input (2)"},
      {"0 3 4 0 112", -1, 0, "graphLoad: bad input (2)"},
      {"0 3 4 0 -1", -1, 0, "graphLoad: bad input (2)"},
      {"0 3 4 0 abc", -1, 0, "graphLoad: bad input (2)"},
      {"0 -1 0 0 000", -1, 0, "graphLoad: invalid vertex count"},
      {"0 -2147483648 0 0 000", -1, 0, "graphLoad: invalid vertex count"},
      {"0 2147483647 0 1 000", -1, 0, "graphLoad: invalid vertex count"},
      {"0 2147483647 0 0 000", 1, 0, "graphLoad: invalid vertex count"},
      {"0 0 -2 0 000", -1, 0, "graphLoad: invalid arc count"},
      {"0 0 2147483647 0 000", 5, 0, "graphLoad: invalid arc count"},
      {"0 0 0 -1 000", -1, 0, "graphLoad: invalid base"},
      {"0 1 0 0 100 x", -1, 0, "graphLoad: bad input (3)"},
      {"0 1 0 0 100 -3 0", -1, 0, "graphLoad: negative vertex label"},
      {"0 1 0 0 001 +", -1, 0, "graphLoad: bad input (4)"},
      {"0 1 0 0 001 +", -1, 1, "graphLoad: bad input (4)"},  // dropped loads are still read
      {"0 2 2 0 000 1 1 x", -1, 0, "graphLoad: bad input (5)"},
      {"0 2 2 0 010 1 ;", -1, 0, "graphLoad: bad input (6)"},
      {"0 2 2 0 010 1 ;", -1, 2, "graphLoad: bad input (6)"},
      {"0 2 2 0 000 1 1 1", -1, 0, "graphLoad: bad input (7)"},
      {"0 2 2 0 000 1 1 1 -", -1, 0, "graphLoad: bad input (7)"},
      {"0 2 2 0 100 1 1 -2 2 1 1", -1, 0, "graphLoad: negative arc end label"},
      {"0 2 4 0 000 1 1 1 0", -1, 0, "graphLoad: invalid arc count (2)"},
      {"0 3 5 0 000 1 1 2 0 2 1 1", -1, 0, "graphLoad: invalid arc count (2)"},
      {"0 4000000 4000000 0 000 1 1", -1, 0, "graphLoad: bad input (5)"},  // big arrays, short file
      {"0 2 2 0 000 3 1 1 1 0", -1, 0, "graphLoad: invalid arc count (1)"},
      {"0 2 2 0 000 2147483647 1", -1, 0, "graphLoad: invalid arc count (1)"},
      {"0 2 0 0 001 2000000000 0 2000000000 0", -1, 0, "graphLoad: vertex load sum overflow"},
      {"0 2 0 0 001 -2000000000 0 -2000000000 0", -1, 0, "graphLoad: vertex load sum overflow"},
      {"0 2 2 0 010 1 2000000000 1 1 2000000000 0", -1, 0, "graphLoad: edge load sum overflow"},
      {"0 2 2 0 100 4 1 9 6 1 4", -1, 0, "graphLoad2: invalid arc end number (1)"},
      {"0 2 2 0 100 4 1 5 6 1 4", -1, 0, "graphLoad2: invalid arc end number (2)"},
      {"0 2 2 0 100 4 1 4 4 1 4", -1, 0, "graphLoad2: duplicate vertex label"},
      // Numbers outside the 32-bit range are refused, never wrapped.
      {"4294967296 1 0 0 000 0", -1, 0, "graphLoad: bad input (1)"},
      {"0 4294967297 0 0 000 0", -1, 0, "graphLoad: bad input (2)"},
      {"0 1099511627776 0 0 000", -1, 0, "graphLoad: bad input (2)"},
      {"0 1 0 0 000 4294967296", -1, 0, "graphLoad: bad input (5)"},
      {"0 1 0 0 000 99999999999999999999999999", -1, 0, "graphLoad: bad input (5)"},
      {"0 1 0 0 001 2147483648 0", -1, 0, "graphLoad: bad input (4)"},
      {"0 1 0 0 001 -2147483649 0", -1, 0, "graphLoad: bad input (4)"},
      {"0 1 0 0 100 4294967296 0", -1, 0, "graphLoad: bad input (3)"},
      {"0 2 2 0 010 1 4294967297 1 1 1 0", -1, 0, "graphLoad: bad input (6)"},
      {"0 2 2 0 000 1 4294967297 1 0", -1, 0, "graphLoad: bad input (7)"},
      {"0 3 2 0 000 -3 1 2 1 1", -1, 0, "graphLoad: negative vertex degree"},
      {"0 1 0 0 000 -2147483648", -1, 0, "graphLoad: negative vertex degree"},
      // Content after the last vertex: more lines than the header declares.
      {"0 1 0 0 000 0 0", -1, 0, "graphLoad: unexpected data after the last vertex"},
      {"0 2 2 0 000 1 1 1 0\n1 0\n", -1, 0, "graphLoad: unexpected data after the last vertex"},
      {"0 0 0 0 000 x", -1, 0, "graphLoad: unexpected data after the last vertex"},
  };
  for (const LoadFailure& failure : cases) {
    SCOPED_TRACE(failure.text);
    ErrorCapture capture;
    Graph graph;
    EXPECT_EQ(loadText(&graph, failure.text, failure.base, failure.flags), 1);
    ASSERT_FALSE(capture.lines.empty());
    EXPECT_EQ(capture.lines[0], std::string("ERROR: ") + failure.message);
    // The relabelling step is followed by the loader's own message.
    if (std::string(failure.message).rfind("graphLoad2:", 0) == 0) {
      ASSERT_EQ(capture.lines.size(), 2u);
      EXPECT_EQ(capture.lines[1], "ERROR: graphLoad: cannot relabel vertices");
    } else {
      EXPECT_EQ(capture.lines.size(), 1u);
    }
    // A failed load leaves nothing to free and no stale array behind.
    EXPECT_EQ(graph.flags, 0);
    EXPECT_EQ(graph.edgeBegin, nullptr);
    EXPECT_EQ(graph.edgeTarget, nullptr);
    graphExit(&graph);
  }
}

TEST(GraphFile, PropertyDigitsSelectTheFields) {
  struct Case {
    const char* properties;
    const char* body;  // two vertices joined by one edge
    bool vertexLoads;
    bool arcLoads;
    bool labels;
  };
  const Case cases[] = {
      {"000", "1 1\n1 0\n", false, false, false},  {"5", "7 1 1\n9 1 0\n", true, false, false},
      {"20", "1 3 1\n1 3 0\n", false, true, false}, {"99", "7 1 3 1\n9 1 3 0\n", true, true, false},
      {"111", "4 7 1 3 8\n8 9 1 3 4\n", true, true, true}, {"100", "4 1 8\n8 1 4\n", false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.properties);
    ErrorCapture capture;
    Graph graph;
    std::string text = std::string("0\n2 2\n0 ") + c.properties + "\n" + c.body;
    ASSERT_EQ(loadText(&graph, text), 0) << capture.first();
    EXPECT_EQ(graph.vertexLoad != nullptr, c.vertexLoads);
    EXPECT_EQ(graph.edgeLoad != nullptr, c.arcLoads);
    EXPECT_EQ(graph.vertexLabel != nullptr, c.labels);
    EXPECT_EQ(graph.vertexLoadSum, c.vertexLoads ? 16 : 2);
    EXPECT_EQ(graph.edgeLoadSum, c.arcLoads ? 6 : 2);
    EXPECT_EQ(arcLists(graph), (ArcList{{{1, c.arcLoads ? 3 : 1}}, {{0, c.arcLoads ? 3 : 1}}}));
    EXPECT_EQ(graphCheck(&graph), 0);
    graphExit(&graph);
  }
}

TEST(GraphFile, EmptyGraphLoads) {
  for (GraphNum base : {-1, 0, 1}) {
    Graph graph;
    ASSERT_EQ(loadText(&graph, "0\n0\t0\n0\t000\n", base), 0);
    GraphNum expectedBase = base == -1 ? 0 : base;
    EXPECT_EQ(graph.base, expectedBase);
    EXPECT_EQ(graph.vertexEnd, expectedBase);
    EXPECT_EQ(graph.edgeBegin[expectedBase], expectedBase);
    EXPECT_EQ(graph.vertexLoadSum, 0);
    EXPECT_EQ(graph.edgeLoadSum, 0);
    EXPECT_EQ(graph.maxDegree, 0);
    EXPECT_EQ(graph.flags, 63);
    EXPECT_EQ(graphCheck(&graph), 0);
    EXPECT_EQ(saveText(&graph), "0\n0\t0\n" + std::to_string(expectedBase) + "\t000\n");
    graphExit(&graph);
  }
}

TEST(GraphFile, RequestedBaseShiftsPlainEndsAndRelabelsLabelledOnes) {
  const std::string path = "0\n3\t4\n0\t000\n1\t1\n2\t0\t2\n1\t1\n";
  Graph graph;
  ASSERT_EQ(loadText(&graph, path, 1), 0);
  EXPECT_EQ(graph.base, 1);
  EXPECT_EQ(arcLists(graph), (ArcList{{{2, 1}}, {{1, 1}, {3, 1}}, {{2, 1}}}));
  EXPECT_EQ(vertexArray(graph, graph.edgeBegin), (std::vector<GraphNum>{1, 2, 4}));
  EXPECT_EQ(graph.edgeBegin[4], 5);
  graphExit(&graph);

  ASSERT_EQ(loadText(&graph, path, -1), 0);
  EXPECT_EQ(graph.base, 0);
  EXPECT_EQ(arcLists(graph), (ArcList{{{1, 1}}, {{0, 1}, {2, 1}}, {{1, 1}}}));
  graphExit(&graph);

  // A base-3 file loaded in base 0 moves every end down by 3.
  ASSERT_EQ(loadText(&graph, "0\n2\t2\n3\t000\n1\t4\n1\t3\n", 0), 0);
  EXPECT_EQ(arcLists(graph), (ArcList{{{1, 1}}, {{0, 1}}}));
  graphExit(&graph);

  // Labelled ends become vertex numbers of the graph's base, whatever the file's.
  const std::string labelled = "0\n2\t2\n5\t100\n20\t1\t30\n30\t1\t20\n";
  ASSERT_EQ(loadText(&graph, labelled, 1), 0);
  EXPECT_EQ(arcLists(graph), (ArcList{{{2, 1}}, {{1, 1}}}));
  graphExit(&graph);
  ASSERT_EQ(loadText(&graph, labelled, -1), 0);
  EXPECT_EQ(graph.base, 5);
  EXPECT_EQ(arcLists(graph), (ArcList{{{6, 1}}, {{5, 1}}}));
  graphExit(&graph);
}

TEST(GraphFile, DroppedLoadsAreReadButNotKept) {
  // Vertex loads 3 and 4, edge load 9, between two vertices and a third isolated one.
  const std::string text = "0\n3\t2\n0\t011\n3\t1\t9\t1\n4\t1\t9\t0\n5\t0\n";
  for (GraphNum flags = 0; flags < 4; flags++) {
    SCOPED_TRACE(flags);
    Graph graph;
    ASSERT_EQ(loadText(&graph, text, -1, flags), 0);
    bool keepVertexLoads = (flags & 1) == 0;
    bool keepEdgeLoads = (flags & 2) == 0;
    EXPECT_EQ(graph.vertexLoad != nullptr, keepVertexLoads);
    EXPECT_EQ(graph.edgeLoad != nullptr, keepEdgeLoads);
    EXPECT_EQ(graph.vertexLoadSum, keepVertexLoads ? 12 : 3);
    EXPECT_EQ(graph.edgeLoadSum, keepEdgeLoads ? 18 : 2);
    EXPECT_EQ(arcLists(graph), (ArcList{{{1, keepEdgeLoads ? 9 : 1}}, {{0, keepEdgeLoads ? 9 : 1}}, {}}));
    EXPECT_EQ(graphCheck(&graph), 0);
    graphExit(&graph);
  }
}

TEST(GraphFile, NumbersFollowTheIntegerReader) {
  // Signs, leading zeros and any white space are accepted.
  Graph graph;
  ASSERT_EQ(loadText(&graph, "+0\v+2\f\r2 \n\n0\t+000 001 +1 1 -0"), 0);
  EXPECT_EQ(arcLists(graph), (ArcList{{{1, 1}}, {{0, 1}}}));
  graphExit(&graph);
  // White space after the last vertex is no content.
  ASSERT_EQ(loadText(&graph, "0 2 2 0 000 1 1 1 0 \n\t\n"), 0);
  EXPECT_EQ(arcLists(graph), (ArcList{{{1, 1}}, {{0, 1}}}));
  graphExit(&graph);
}

// The loader reads its stream in blocks: files many blocks long, whose
// block ends fall inside numbers, signs and runs of white space at many
// places, load as their short forms do, up to a last digit that ends the
// file.
TEST(GraphFile, NumbersAcrossReadBlocksLoad) {
  const GraphNum count = 3000;  // a path
  const char* separators[] = {" ", "\t", "\n", " \r\n ", "\v\f"};
  for (int padding = 0; padding < 5; padding++) {
    SCOPED_TRACE(padding);
    std::ostringstream text;
    size_t turn = 0;
    auto number = [&](GraphNum value) {
      turn++;
      text << separators[turn % 5] << ((turn % 3 == 0) ? "+" : "") << std::string((turn + padding) % 7, '0') << value;
    };
    text << "0";
    number(count);
    number(2 * (count - 1));
    number(0);
    text << " 000";
    for (GraphNum vertex = 0; vertex < count; vertex++) {
      number((vertex == 0 || vertex == count - 1) ? 1 : 2);
      if (vertex > 0) number(vertex - 1);
      if (vertex < count - 1) number(vertex + 1);
    }
    Graph graph;
    ASSERT_EQ(loadText(&graph, text.str()), 0);
    ArcList expected(static_cast<size_t>(count));
    for (GraphNum vertex = 0; vertex < count; vertex++) {
      if (vertex > 0) expected[static_cast<size_t>(vertex)].push_back({vertex - 1, 1});
      if (vertex < count - 1) expected[static_cast<size_t>(vertex)].push_back({vertex + 1, 1});
    }
    EXPECT_EQ(arcLists(graph), expected);
    EXPECT_EQ(graphCheck(&graph), 0);
    graphExit(&graph);
    // The same file with one more number after its last vertex.
    ErrorCapture capture;
    ASSERT_EQ(loadText(&graph, text.str() + " 7"), 1);
    ASSERT_EQ(capture.lines.size(), 1u);
    EXPECT_EQ(capture.lines[0], "ERROR: graphLoad: unexpected data after the last vertex");
  }
}

// The fast reader must behave exactly like intLoad, characters consumed included.
TEST(GraphFile, UnlockedReaderMatchesIntLoad) {
  const char alphabet[] = "0123456789 \t\n\v+-+-xa\0\xff";
  uint64_t state = 12345;
  auto next = [&state](uint64_t bound) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<size_t>((state >> 33) % bound);
  };
  std::vector<std::string> texts = {"  -0012a", "+ 1", "-", "4294967295 -2147483648 99999999999", ""};
  for (int i = 0; i < 300; i++) {
    std::string text;
    size_t length = next(40);
    for (size_t j = 0; j < length; j++) text.push_back(alphabet[next(sizeof(alphabet) - 1)]);
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    FILE* reference = openText(text);
    FILE* fast = openText(text);
    for (int step = 0; step < 100; step++) {
      GraphNum referenceValue = 77;
      GraphNum fastValue = 77;
      int referenceResult = intLoad(reference, &referenceValue);
      int fastResult = graphIntLoadUnlocked(fast, &fastValue);
      ASSERT_EQ(fastResult, referenceResult);
      ASSERT_EQ(fastValue, referenceValue);
      ASSERT_EQ(ftell(fast), ftell(reference));
      ASSERT_EQ(feof(fast) != 0, feof(reference) != 0);
      if (feof(reference)) break;
    }
    fclose(reference);
    fclose(fast);
  }
  // The example of the integer reader: -12, with the letter left unread.
  FILE* stream = openText("  -0012a");
  GraphNum value = 0;
  EXPECT_EQ(graphIntLoadUnlocked(stream, &value), 1);
  EXPECT_EQ(value, -12);
  EXPECT_EQ(getc(stream), 'a');
  fclose(stream);
}

TEST(GraphFile, WriteFailuresAreReported) {
  const std::string full = fullDevicePath();
  if (full.empty()) GTEST_SKIP() << "cannot make a full device";
  Graph small;
  buildPath(&small, 0, 3);
  Graph large;
  buildGrid(&large, 0, 100, 100);  // far more text than one stream buffer
  struct Case {
    const Graph* graph;
    bool unbuffered;
    const char* message;
  };
  // Unbuffered, the header fails at once; buffered, the failure shows when a
  // vertex line fills the buffer, or for a short file when it is flushed.
  const Case cases[] = {{&small, true, "graphSave: bad output (1)"},
                        {&large, false, "graphSave: bad output (2)"},
                        {&small, false, "graphSave: bad output (3)"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    ErrorCapture capture;
    FILE* stream = fopen(full.c_str(), "w");
    ASSERT_NE(stream, nullptr);
    if (c.unbuffered) setvbuf(stream, nullptr, _IONBF, 0);
    EXPECT_EQ(graphSave(c.graph, stream), 1);
    fclose(stream);
    EXPECT_EQ(capture.lines, std::vector<std::string>{std::string("ERROR: ") + c.message});
  }
  graphExit(&small);
  graphExit(&large);
}

// Headers that announce more than memory holds: the arrays grow with what
// is read, so that such a file costs no memory before it runs out, and
// fails on its missing data with the record left clear. Runs in a child
// process whose address space is capped below the declared arrays. Address
// sanitizer reserves far more address space than any cap, so this test
// needs a plain build.
TEST(GraphFile, HeaderCountsBeyondMemoryFailCleanly) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "address space caps do not work under the address sanitizer";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  GTEST_SKIP() << "address space caps do not work under the address sanitizer";
#endif
#endif
  auto loadUnderCap = [](const char* text, const char* message) {
    rlimit limit{static_cast<rlim_t>(1) << 30, static_cast<rlim_t>(1) << 30};
    if (setrlimit(RLIMIT_AS, &limit) != 0) exit(2);
    ErrorCapture capture;
    Graph graph;
    int result = loadText(&graph, text, -1, 0);
    bool clean = result == 1 && capture.lines == std::vector<std::string>{message} && graph.flags == 0 &&
                 graph.edgeBegin == nullptr && graph.edgeTarget == nullptr;
    exit(clean ? 0 : 1);
  };
  EXPECT_EXIT(loadUnderCap("0 1500000000 0 0 000", "ERROR: graphLoad: bad input (5)"), testing::ExitedWithCode(0),
              "");
  EXPECT_EXIT(loadUnderCap("0 10 1500000000 0 000 1500000000 1", "ERROR: graphLoad: bad input (7)"),
              testing::ExitedWithCode(0), "");
  EXPECT_EXIT(loadUnderCap("0 10 400000000 0 010 5", "ERROR: graphLoad: bad input (6)"),
              testing::ExitedWithCode(0), "");
}

}  // namespace
