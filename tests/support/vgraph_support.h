// Separation graphs for tests: a Vgraph that owns a test graph, separation
// fields derived independently from a part array, a consistency assertion,
// and hand-built strategy trees over custom method tables.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "graph/graph.h"
#include "strat/strat.h"
#include "vgraph/vgraph.h"

// A Vgraph over a graph whose arrays it takes over (the Graph record passed
// in is left without ownership). Starts with every vertex in part 0.
struct TestVgraph {
  Vgraph vgraph;
  explicit TestVgraph(Graph* graph);
  ~TestVgraph();
  TestVgraph(const TestVgraph&) = delete;
  TestVgraph& operator=(const TestVgraph&) = delete;

  // Sets parts (one value per vertex, in vertex order) and derives the
  // loads, sizes and frontier from them; the frontier lists the separator
  // in increasing vertex order, or decreasing when asked.
  void setParts(const std::vector<int>& parts, bool frontierDescending = false);
  std::vector<int> parts() const;
  // The separator vertices in frontier order.
  std::vector<GraphNum> frontier() const;
  GraphNum loadOf(GraphNum vertex) const;
};

// Sets the parts of a separation graph (one value per vertex, in vertex
// order) and derives its loads, sizes and frontier (increasing vertex order).
void setSeparation(Vgraph* vgraph, const std::vector<int>& parts);

// vgraphCheck under error capture, with its message on failure. Inside an
// ErrorCapture of the caller, pass its lines so that the capture goes on
// afterwards (captures do not nest by themselves).
testing::AssertionResult vgraphConsistent(const Vgraph* vgraph, std::vector<std::string>* outerSink = nullptr);

// True when no edge joins a vertex of part 0 to one of part 1.
bool separatesParts(const Graph* graph, const std::vector<int>& parts);

// Owns strategy nodes and condition nodes built by hand for tests.
struct StratArena {
  std::vector<std::unique_ptr<Strat>> nodes;
  std::vector<std::unique_ptr<StratTest>> tests;

  // A method node whose parameter block holds the given bytes.
  Strat* method(const StratTab* table, int number, const void* parameters = nullptr, size_t size = 0);
  Strat* empty(const StratTab* table);
  Strat* concat(Strat* first, Strat* second);
  Strat* select(Strat* first, Strat* second);
  Strat* condition(StratTest* test, Strat* first, Strat* second);
  // The test "variable > value" on an integer field of the graph object.
  StratTest* greater(const StratTab* table, int displacement, GraphNum value);
};
