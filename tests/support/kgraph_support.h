// Mapping graphs for tests: a Kgraph over an owned test graph and an
// architecture read from text, mappings set from terminal numbers, figures
// computed independently of the library, and a consistency assertion.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arch/arch.h"
#include "graph/graph.h"
#include "kgraph/kgraph.h"

// Reads an architecture from its file text (the test fails if it cannot).
void loadArch(Arch* arch, const std::string& text);

// A Kgraph over a graph whose arrays it takes over (the Graph record
// passed in is left without ownership), mapped onto the architecture of
// the given text. Optional per-vertex data (in vertex order): fixed
// terminals (-1 for free), old terminals (-1 for none) and migration loads.
// Starts from the trivial mapping (every vertex in the whole domain).
struct TestKgraph {
  Graph graph;
  Arch arch;
  Kgraph kgraph;
  std::vector<GraphNum> fixed;
  std::vector<GraphNum> migration;

  TestKgraph(Graph* source, const std::string& archText, const std::vector<GraphNum>& fixedTerminals = {},
             const std::vector<GraphNum>& oldTerminals = {}, GraphNum commLoadFactor = 1,
             GraphNum migrationCostFactor = 1, const std::vector<GraphNum>& migrationLoads = {});
  ~TestKgraph();
  TestKgraph(const TestKgraph&) = delete;
  TestKgraph& operator=(const TestKgraph&) = delete;

  // Makes the mapping hold one domain per terminal named (one terminal per
  // vertex, in vertex order), with its frontier and figures.
  void setTerminals(const std::vector<GraphNum>& terminals);
  // The terminal of every vertex, in vertex order.
  std::vector<GraphNum> terminals() const;
  // Parses the mapping strategy and runs it; the result of kgraphMapSt.
  int run(const std::string& strategy);
};

// kgraphCheck under error capture, with its message on failure. Inside an
// ErrorCapture of the caller, pass its lines so that the capture goes on.
testing::AssertionResult kgraphConsistent(const Kgraph* kgraph, std::vector<std::string>* outerSink = nullptr);

// Figures of a terminal assignment counted edge by edge: the load of the
// cut edges, and the communication load under the architecture's
// distances between terminals.
int64_t cutOf(const Graph* graph, const std::vector<GraphNum>& terminals);
int64_t commOf(const Graph* graph, const Arch* arch, const std::vector<GraphNum>& terminals);
// The load of every terminal (terminalCount entries).
std::vector<int64_t> terminalLoads(const Graph* graph, const std::vector<GraphNum>& terminals, GraphNum terminalCount);
// The largest terminal load over the average, minus 1 (equal weights).
double imbalanceOf(const Graph* graph, const std::vector<GraphNum>& terminals, GraphNum terminalCount);
