#include "support/kgraph_support.h"

#include <cstring>

#include "support/test_support.h"

void loadArch(Arch* arch, const std::string& text) {
  archInit(arch);
  std::string copy = text;
  FILE* stream = fmemopen(copy.data(), copy.size(), "r");
  ASSERT_NE(stream, nullptr);
  std::vector<std::string> lines;
  errorRedirect(&lines);
  const int result = archLoad(arch, stream);
  errorRedirect(nullptr);
  fclose(stream);
  ASSERT_EQ(result, 0) << text << ": " << (lines.empty() ? std::string() : lines.front());
}

TestKgraph::TestKgraph(Graph* source, const std::string& archText, const std::vector<GraphNum>& fixedTerminals,
                       const std::vector<GraphNum>& oldTerminals, GraphNum commLoadFactor,
                       GraphNum migrationCostFactor, const std::vector<GraphNum>& migrationLoads)
    : fixed(fixedTerminals), migration(migrationLoads) {
  graph = *source;
  source->flags = 0;  // the arrays now belong to this record
  memset(&kgraph, 0, sizeof(kgraph));
  loadArch(&arch, archText);
  const GraphNum base = graph.base;
  GraphNum fixedCount = 0;
  for (const GraphNum terminal : fixed) fixedCount += (terminal != -1);
  const int result =
      kgraphInit(&kgraph, &graph, &arch, nullptr, fixedCount, fixed.empty() ? nullptr : fixed.data() - base,
                 oldTerminals.empty() ? nullptr : oldTerminals.data() - base, commLoadFactor, migrationCostFactor,
                 migration.empty() ? nullptr : migration.data() - base);
  EXPECT_EQ(result, 0);
  kgraphFirst(&kgraph);
}

TestKgraph::~TestKgraph() {
  kgraphExit(&kgraph);
  graphExit(&graph);
  archExit(&arch);
}

void TestKgraph::setTerminals(const std::vector<GraphNum>& terminals) {
  kgraph.mapping.domainCount = 0;
  const GraphNum oldMax = kgraph.mapping.domainMax;
  ASSERT_EQ(mapBuild2(&kgraph.mapping, terminals.data() - graph.base), 0);
  ASSERT_EQ(kgraphLoadsResize(&kgraph, oldMax, "test: out of memory"), 0);
  kgraphFrontier(&kgraph);
  kgraphCost(&kgraph);
}

std::vector<GraphNum> TestKgraph::terminals() const {
  std::vector<GraphNum> result(static_cast<size_t>(graph.vertexCount));
  mapTerminal(&kgraph.mapping, result.data() - graph.base);
  return result;
}

int TestKgraph::run(const std::string& strategy) {
  Strat* strat = stratBuild(&kgraphMapStTable, strategy.c_str());
  EXPECT_NE(strat, nullptr) << strategy;
  if (strat == nullptr) return 1;
  const int result = kgraphMapSt(&kgraph, strat);
  stratRelease(strat);
  return result;
}

testing::AssertionResult kgraphConsistent(const Kgraph* kgraph, std::vector<std::string>* outerSink) {
  std::vector<std::string> lines;
  errorRedirect(&lines);
  const int result = kgraphCheck(kgraph);
  errorRedirect(outerSink);
  if (result == 0) return testing::AssertionSuccess();
  return testing::AssertionFailure() << (lines.empty() ? std::string() : lines.front());
}

int64_t cutOf(const Graph* graph, const std::vector<GraphNum>& terminals) {
  int64_t cut = 0;
  for (GraphNum vertex = graph->base; vertex < graph->vertexEnd; vertex++)
    for (GraphNum edge = graph->edgeBegin[vertex]; edge < graph->edgeEnd[vertex]; edge++) {
      const GraphNum end = graph->edgeTarget[edge];
      if ((end > vertex) && (terminals[end - graph->base] != terminals[vertex - graph->base]))
        cut += (graph->edgeLoad != nullptr) ? graph->edgeLoad[edge] : 1;
    }
  return cut;
}

int64_t commOf(const Graph* graph, const Arch* arch, const std::vector<GraphNum>& terminals) {
  int64_t comm = 0;
  for (GraphNum vertex = graph->base; vertex < graph->vertexEnd; vertex++)
    for (GraphNum edge = graph->edgeBegin[vertex]; edge < graph->edgeEnd[vertex]; edge++) {
      const GraphNum end = graph->edgeTarget[edge];
      if (end <= vertex) continue;
      ArchDom first, second;
      archDomTerminal(arch, &first, terminals[vertex - graph->base]);
      archDomTerminal(arch, &second, terminals[end - graph->base]);
      comm += static_cast<int64_t>((graph->edgeLoad != nullptr) ? graph->edgeLoad[edge] : 1) *
              archDomDist(arch, &first, &second);
    }
  return comm;
}

std::vector<int64_t> terminalLoads(const Graph* graph, const std::vector<GraphNum>& terminals,
                                   GraphNum terminalCount) {
  std::vector<int64_t> loads(static_cast<size_t>(terminalCount), 0);
  for (GraphNum vertex = graph->base; vertex < graph->vertexEnd; vertex++)
    loads[static_cast<size_t>(terminals[vertex - graph->base])] +=
        (graph->vertexLoad != nullptr) ? graph->vertexLoad[vertex] : 1;
  return loads;
}

double imbalanceOf(const Graph* graph, const std::vector<GraphNum>& terminals, GraphNum terminalCount) {
  const std::vector<int64_t> loads = terminalLoads(graph, terminals, terminalCount);
  int64_t largest = 0;
  for (const int64_t load : loads) largest = (load > largest) ? load : largest;
  if (graph->vertexLoadSum == 0) return 0.0;
  return static_cast<double>(largest) * terminalCount / static_cast<double>(graph->vertexLoadSum) - 1.0;
}
