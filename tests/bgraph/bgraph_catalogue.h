// Hand-made bipartition graphs shared by the bipartition tests: shapes,
// vertex and edge loads, external gains, fixed loads and unequal domains,
// degenerate graphs, and the shared real meshes.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/bgraph_support.h"

struct BgraphCase {
  std::string name;
  std::function<std::unique_ptr<TestBgraph>()> make;  // a fresh graph, every vertex in part 0
};

// The small hand-made graphs, then (when withShared) the shared meshes.
std::vector<BgraphCase> bgraphCatalogue(bool withShared);

// A connected graph of vertexCount vertices with extra random edges and,
// when asked, vertex loads in [1, 5] and edge loads in [1, 4]; the same seed
// gives the same graph.
void buildRandomGraph(Graph* graph, GraphNum base, GraphNum vertexCount, GraphNum extraEdges, bool loads,
                      unsigned seed);
