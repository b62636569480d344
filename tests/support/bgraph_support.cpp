#include "support/bgraph_support.h"

#include <cstring>

#include "support/test_support.h"

TestBgraph::TestBgraph(Graph* graph) {
  memset(&bgraph, 0, sizeof(bgraph));
  bgraph.graph = *graph;
  bgraph.graph.flags = graph->flags | BGRAPH_FREE_PARTS | BGRAPH_FREE_FRONTIER;
  graph->flags = 0;  // the arrays now belong to this record
  const size_t count = static_cast<size_t>(bgraph.graph.vertexCount);
  bgraph.parts = static_cast<uint8_t*>(memAlloc(count)) - bgraph.graph.base;
  bgraph.frontier = static_cast<GraphNum*>(memAlloc(count * sizeof(GraphNum)));
  reset(1, 1, 1);
}

TestBgraph::~TestBgraph() { bgraphExit(&bgraph); }

void TestBgraph::reset(GraphNum distance, GraphNum weight0, GraphNum weight1, GraphNum fixed0, GraphNum fixed1) {
  bgraphReset(&bgraph, distance, weight0, weight1, fixed0, fixed1);
}

void TestBgraph::setExternalGains(const std::vector<GraphNum>& gains, GraphNum commLoadExtn0) {
  const GraphNum base = bgraph.graph.base;
  if (bgraph.externalGain == nullptr) {
    bgraph.externalGain = static_cast<GraphNum*>(memAlloc(gains.size() * sizeof(GraphNum))) - base;
    bgraph.graph.flags |= BGRAPH_FREE_EXTERNAL_GAIN;
  }
  GraphNum sum = 0;
  for (size_t index = 0; index < gains.size(); index++) {
    bgraph.externalGain[base + static_cast<GraphNum>(index)] = gains[index];
    sum += gains[index];
  }
  bgraph.commLoadExtn0 = commLoadExtn0;
  bgraph.commGainExtn0 = sum;
  bgraphZero(&bgraph);
}

GraphNum TestBgraph::loadOf(GraphNum vertex) const {
  return (bgraph.graph.vertexLoad != nullptr) ? bgraph.graph.vertexLoad[vertex] : 1;
}

GraphNum TestBgraph::commLoadOf(const std::vector<int>& parts) const {
  const Graph& core = bgraph.graph;
  GraphNum cut = 0;
  GraphNum external = bgraph.commLoadExtn0;
  for (GraphNum vertex = core.base; vertex < core.vertexEnd; vertex++) {
    const int part = parts[vertex - core.base];
    if ((part == 1) && (bgraph.externalGain != nullptr)) external += bgraph.externalGain[vertex];
    for (GraphNum edge = core.edgeBegin[vertex]; edge < core.edgeEnd[vertex]; edge++) {
      const GraphNum end = core.edgeTarget[edge];
      if ((end > vertex) && (parts[end - core.base] != part))
        cut += (core.edgeLoad != nullptr) ? core.edgeLoad[edge] : 1;
    }
  }
  return external + bgraph.domainDistance * cut;
}

void TestBgraph::setParts(const std::vector<int>& parts) {
  for (GraphNum index = 0; index < bgraph.graph.vertexCount; index++)
    bgraph.parts[bgraph.graph.base + index] = static_cast<uint8_t>(parts[index]);
  bgraphUpdate(&bgraph);
}

std::vector<int> TestBgraph::parts() const {
  std::vector<int> result;
  for (GraphNum vertex = bgraph.graph.base; vertex < bgraph.graph.vertexEnd; vertex++)
    result.push_back(bgraph.parts[vertex]);
  return result;
}

testing::AssertionResult bgraphConsistent(const Bgraph* bgraph, std::vector<std::string>* outerSink) {
  std::vector<std::string> lines;
  errorRedirect(&lines);
  const int result = bgraphCheck(bgraph);
  errorRedirect(outerSink);
  if (result == 0) return testing::AssertionSuccess();
  return testing::AssertionFailure() << (lines.empty() ? std::string() : lines.front());
}
