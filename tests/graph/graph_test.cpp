// Life cycle of the Graph record: what init clears and what free releases
// for each combination of ownership flags. A wrong release shows as a crash
// (freeing an address that was never allocated, or twice), and as a leak or
// an invalid free under the sanitizers.
#include <cstring>

#include "support/test_support.h"

namespace {

GraphNum* allocate(GraphNum count, GraphNum base) {
  return static_cast<GraphNum*>(memAlloc(static_cast<size_t>(count) * sizeof(GraphNum))) - base;
}

TEST(GraphRecord, InitClearsEverythingAndOwnsAllSeparateArrays) {
  Graph graph;
  memset(&graph, 0x5A, sizeof(graph));
  EXPECT_EQ(graphInit(&graph), 0);
  EXPECT_EQ(graph.flags, 15);
  Graph cleared;
  memset(&cleared, 0, sizeof(cleared));
  cleared.flags = 15;
  EXPECT_EQ(memcmp(&graph, &cleared, sizeof(Graph)), 0);
  graphExit(&graph);  // nothing to free
  EXPECT_EQ(graph.flags, 0);
}

TEST(GraphRecord, FreeReleasesSeparateArraysAtTheirAllocationAddress) {
  for (GraphNum base : {0, 1, 7}) {
    Graph graph;
    graphInit(&graph);
    graph.base = base;
    graph.vertexCount = 3;
    graph.vertexEnd = base + 3;
    graph.edgeBegin = allocate(3, base);
    graph.edgeEnd = allocate(3, base);  // a separate end array
    graph.vertexLoad = allocate(3, base);
    graph.vertexNumber = allocate(3, base);
    graph.vertexLabel = allocate(3, base);
    graph.edgeTarget = allocate(4, base);
    graph.edgeLoad = allocate(4, base);
    graph.flags = GRAPH_FREE_ALL;
    graphFree(&graph);  // all seven arrays (a leak or a bad address fails)
    EXPECT_EQ(graph.flags, 0);
    EXPECT_EQ(graph.base, base);  // the other fields are left alone
    EXPECT_EQ(graph.vertexCount, 3);
    graphFree(&graph);  // flags 0: frees nothing a second time
  }
}

TEST(GraphRecord, FreeKeepsWhatTheFlagsDoNotOwn) {
  // Arrays held by the test; the record owns a different subset each time.
  struct Case {
    int flags;
    bool target, vertices, numbers, others;
  };
  const Case cases[] = {{0, false, false, false, false},
                        {GRAPH_FREE_EDGES, true, false, false, false},
                        {GRAPH_FREE_VERTICES, false, true, false, false},
                        {GRAPH_FREE_NUMBERS, false, false, true, false},
                        {GRAPH_FREE_OTHERS, false, false, false, true},
                        {GRAPH_FREE_EDGES | GRAPH_FREE_OTHERS, true, false, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    const GraphNum base = 1;
    Graph graph;
    graphInit(&graph);
    graph.base = base;
    GraphNum* target = allocate(4, base);
    GraphNum* begin = allocate(4, base);
    GraphNum* end = allocate(3, base);
    GraphNum* numbers = allocate(3, base);
    GraphNum* loads = allocate(3, base);
    GraphNum* labels = allocate(3, base);
    GraphNum* arcLoads = allocate(4, base);
    graph.edgeTarget = target;
    graph.edgeBegin = begin;
    graph.edgeEnd = end;
    graph.vertexNumber = numbers;
    graph.vertexLoad = loads;
    graph.vertexLabel = labels;
    graph.edgeLoad = arcLoads;
    graph.flags = c.flags;
    graphFree(&graph);
    EXPECT_EQ(graph.flags, 0);
    // What the record did not own is still ours to free (a double free otherwise).
    if (!c.target) memFreeBased(target, base);
    if (!c.vertices) {
      memFreeBased(begin, base);
      memFreeBased(end, base);
    }
    if (!c.numbers) memFreeBased(numbers, base);
    if (!c.others) {
      memFreeBased(loads, base);
      memFreeBased(labels, base);
      memFreeBased(arcLoads, base);
    }
  }
}

TEST(GraphRecord, GroupedArraysGoWithTheirBlock) {
  // edgeBegin's block also holds edgeEnd (separate, not the compact view),
  // vertexNumber, vertexLoad and vertexLabel; edgeTarget's block holds
  // edgeLoad. Freeing any of those on its own would be an invalid free.
  const GraphNum base = 2;
  Graph graph;
  graphInit(&graph);
  graph.base = base;
  GraphNum* vertexBlock = allocate(20, 0);
  GraphNum* arcBlock = allocate(8, 0);
  graph.edgeBegin = vertexBlock - base;
  graph.edgeEnd = vertexBlock + 4 - base;
  graph.vertexNumber = vertexBlock + 8 - base;
  graph.vertexLoad = vertexBlock + 12 - base;
  graph.vertexLabel = vertexBlock + 16 - base;
  graph.edgeTarget = arcBlock - base;
  graph.edgeLoad = arcBlock + 4 - base;
  graph.flags = GRAPH_FREE_ALL | GRAPH_VERTEX_GROUP | GRAPH_EDGE_GROUP;
  graphFree(&graph);
  EXPECT_EQ(graph.flags, 0);

  // A compact graph frees edgeBegin once, not its view edgeEnd.
  graphInit(&graph);
  graph.base = base;
  graph.edgeBegin = allocate(5, base);
  graph.edgeEnd = graph.edgeBegin + 1;
  graph.flags = GRAPH_FREE_VERTICES;
  graphFree(&graph);
  EXPECT_EQ(graph.flags, 0);
}

TEST(GraphRecord, BuiltGraphsReleaseCleanly) {
  Graph graph;
  buildGraph(&graph, 1, 4, {{1, 2}, {2, 3}, {3, 4}}, {1, 2, 3, 4}, {5, 6, 7});
  graphExit(&graph);
  EXPECT_EQ(graph.flags, 0);
  graphExit(&graph);
}

}  // namespace
