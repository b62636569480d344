#include "support/vgraph_support.h"

#include <algorithm>
#include <cstring>

#include "support/test_support.h"

TestVgraph::TestVgraph(Graph* graph) {
  memset(&vgraph, 0, sizeof(vgraph));
  vgraph.graph = *graph;
  graph->flags = 0;  // the arrays now belong to this record
  const size_t count = static_cast<size_t>(vgraph.graph.vertexCount);
  vgraph.parts = static_cast<uint8_t*>(memAlloc(count)) - vgraph.graph.base;
  vgraph.frontier = static_cast<GraphNum*>(memAlloc(count * sizeof(GraphNum)));
  vgraphZero(&vgraph);
}

TestVgraph::~TestVgraph() { vgraphExit(&vgraph); }

GraphNum TestVgraph::loadOf(GraphNum vertex) const {
  return (vgraph.graph.vertexLoad != nullptr) ? vgraph.graph.vertexLoad[vertex] : 1;
}

void setSeparation(Vgraph* vgraph, const std::vector<int>& parts) {
  const GraphNum base = vgraph->graph.base;
  GraphNum load[3] = {0, 0, 0};
  GraphNum size[3] = {0, 0, 0};
  for (GraphNum index = 0; index < vgraph->graph.vertexCount; index++) {
    const GraphNum vertex = base + index;
    vgraph->parts[vertex] = static_cast<uint8_t>(parts[index]);
    load[parts[index]] += (vgraph->graph.vertexLoad != nullptr) ? vgraph->graph.vertexLoad[vertex] : 1;
    if (parts[index] == 2) vgraph->frontier[size[2]] = vertex;
    size[parts[index]]++;
  }
  for (int part = 0; part < 3; part++) vgraph->partLoad[part] = load[part];
  vgraph->loadDelta = load[0] - load[1];
  vgraph->partSize[0] = size[0];
  vgraph->partSize[1] = size[1];
  vgraph->frontierCount = size[2];
}

void TestVgraph::setParts(const std::vector<int>& parts, bool frontierDescending) {
  setSeparation(&vgraph, parts);
  if (frontierDescending) std::reverse(vgraph.frontier, vgraph.frontier + vgraph.frontierCount);
}

std::vector<int> TestVgraph::parts() const {
  std::vector<int> result;
  for (GraphNum vertex = vgraph.graph.base; vertex < vgraph.graph.vertexEnd; vertex++)
    result.push_back(vgraph.parts[vertex]);
  return result;
}

std::vector<GraphNum> TestVgraph::frontier() const {
  return std::vector<GraphNum>(vgraph.frontier, vgraph.frontier + vgraph.frontierCount);
}

testing::AssertionResult vgraphConsistent(const Vgraph* vgraph, std::vector<std::string>* outerSink) {
  std::vector<std::string> lines;
  errorRedirect(&lines);
  const int result = vgraphCheck(vgraph);
  errorRedirect(outerSink);
  if (result == 0) return testing::AssertionSuccess();
  return testing::AssertionFailure() << (lines.empty() ? std::string() : lines.front());
}

bool separatesParts(const Graph* graph, const std::vector<int>& parts) {
  for (GraphNum vertex = graph->base; vertex < graph->vertexEnd; vertex++) {
    const int part = parts[vertex - graph->base];
    if (part == 2) continue;
    for (GraphNum edge = graph->edgeBegin[vertex]; edge < graph->edgeEnd[vertex]; edge++)
      if (parts[graph->edgeTarget[edge] - graph->base] == 1 - part) return false;
  }
  return true;
}

Strat* StratArena::method(const StratTab* table, int number, const void* parameters, size_t size) {
  nodes.push_back(std::make_unique<Strat>());
  Strat* node = nodes.back().get();
  memset(node, 0, sizeof(Strat));
  node->table = table;
  node->kind = STRAT_METHOD;
  node->data.method.method = number;
  if (parameters != nullptr) memcpy(node->data.method.paramBlock, parameters, size);
  return node;
}

Strat* StratArena::empty(const StratTab* table) {
  nodes.push_back(std::make_unique<Strat>());
  Strat* node = nodes.back().get();
  memset(node, 0, sizeof(Strat));
  node->table = table;
  node->kind = STRAT_EMPTY;
  return node;
}

Strat* StratArena::concat(Strat* first, Strat* second) {
  nodes.push_back(std::make_unique<Strat>());
  Strat* node = nodes.back().get();
  memset(node, 0, sizeof(Strat));
  node->table = first->table;
  node->kind = STRAT_CONCAT;
  node->data.concat.first = first;
  node->data.concat.second = second;
  return node;
}

Strat* StratArena::select(Strat* first, Strat* second) {
  Strat* node = concat(first, second);
  node->kind = STRAT_SELECT;
  return node;
}

Strat* StratArena::condition(StratTest* test, Strat* first, Strat* second) {
  nodes.push_back(std::make_unique<Strat>());
  Strat* node = nodes.back().get();
  memset(node, 0, sizeof(Strat));
  node->table = first->table;
  node->kind = STRAT_COND;
  node->data.cond.test = test;
  node->data.cond.first = first;
  node->data.cond.second = second;
  return node;
}

StratTest* StratArena::greater(const StratTab* table, int displacement, GraphNum value) {
  auto make = [this]() {
    tests.push_back(std::make_unique<StratTest>());
    StratTest* test = tests.back().get();
    memset(test, 0, sizeof(StratTest));
    return test;
  };
  StratTest* variable = make();
  variable->kind = TEST_VAR;
  variable->valueType = VALUE_INT;
  variable->data.var.table = table;
  variable->data.var.displacement = displacement;
  StratTest* constant = make();
  constant->kind = TEST_VALUE;
  constant->valueType = VALUE_INT;
  constant->data.intValue = value;
  StratTest* comparison = make();
  comparison->kind = TEST_GT;
  comparison->valueType = VALUE_LOGICAL;
  comparison->data.operands[0] = variable;
  comparison->data.operands[1] = constant;
  return comparison;
}
