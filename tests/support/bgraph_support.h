// Bipartition graphs for tests: a Bgraph that owns a test graph, parts and
// external gains set from plain vectors, figures derived independently from
// the parts, and a consistency assertion.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bgraph/bgraph.h"
#include "graph/graph.h"

// A Bgraph over a graph whose arrays it takes over (the Graph record passed
// in is left without ownership), with domain distance 1, domain weights
// {1, 1} and no fixed load unless set again with reset. Starts with every
// vertex in part 0.
struct TestBgraph {
  Bgraph bgraph;
  explicit TestBgraph(Graph* graph);
  ~TestBgraph();
  TestBgraph(const TestBgraph&) = delete;
  TestBgraph& operator=(const TestBgraph&) = delete;

  void reset(GraphNum distance, GraphNum weight0, GraphNum weight1, GraphNum fixed0 = 0, GraphNum fixed1 = 0);
  // Installs external gains (one per vertex, in vertex order) with the
  // external load of the all-in-part-0 state; resets to all in part 0.
  void setExternalGains(const std::vector<GraphNum>& gains, GraphNum commLoadExtn0);
  // Sets parts (one value per vertex, in vertex order) and derives every
  // figure from them.
  void setParts(const std::vector<int>& parts);
  std::vector<int> parts() const;
  GraphNum loadOf(GraphNum vertex) const;
  // The communication load of the parts, counted edge by edge.
  GraphNum commLoadOf(const std::vector<int>& parts) const;
};

// bgraphCheck under error capture, with its message on failure. Inside an
// ErrorCapture of the caller, pass its lines so that the capture goes on
// afterwards.
testing::AssertionResult bgraphConsistent(const Bgraph* bgraph, std::vector<std::string>* outerSink = nullptr);

// A small parameter block for a method of the bipartition table, filled
// with the method's defaults and then changed by the caller.
template <class Param>
Param bgraphDefaults(int method) {
  Param param;
  memcpy(&param, bgraphBipartStTable.methods[method].defaults, sizeof(Param));
  return param;
}
