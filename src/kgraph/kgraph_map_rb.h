// Mapping method r, recursive bipartitioning: the parts shared by its two
// variants, the plain recursion for architectures whose distinct domains
// are all equally distant (kgraph_map_rb_part.cpp) and the job scheduling
// for the others (kgraph_map_rb_map.cpp).
#pragma once

#include "bgraph/bgraph.h"
#include "kgraph/kgraph.h"

// A fixed vertex outside the graph being split: its terminal and load.
struct KgraphMapRbFixed {
  GraphNum terminal;
  GraphNum load;
};

// What both variants work with.
struct KgraphMapRbData {
  Kgraph* kgraph;
  const KgraphMapRbParam* param;
  // The graph to map: the mapping graph without vertex numbers, or the
  // subgraph of its free vertices, whose vertex numbers are vertices of the
  // mapping graph. Subgraphs induced from either name mapping graph
  // vertices through their vertex numbers.
  const Graph* graph;
  KgraphMapRbFixed* fixed;  // the fixed vertices, every job owning a range
  GraphNum fixedCount;
  // Per mapping graph vertex: the stamp of the job whose graph holds it,
  // to tell the outside neighbours of a job's vertices.
  GraphNum* stamp;
  GraphNum stampNext;
};

// The mapping graph vertex behind a vertex of a job's graph.
inline GraphNum kgraphMapRbVertex(const Graph* graph, GraphNum vertex) {
  return (graph->vertexNumber != nullptr) ? graph->vertexNumber[vertex] : vertex;
}

// Builds the Bgraph of the split of domain into halves, over the job's
// graph with its fixed vertices (fixed[fixedFirst .. fixedFirst +
// fixedCount - 1], reordered so that those of the first half come first;
// *fixedCount0 receives their number), with narrowed load bounds and, when
// needed, external gains computed against the domains of the given array.
// Returns 0, or 1 after reporting.
int kgraphMapRbBgraph(KgraphMapRbData* data, Bgraph* bgraph, const Graph* graph, const ArchDom& domain,
                      const ArchDom halves[2], GraphNum fixedFirst, GraphNum fixedCount, GraphNum* fixedCount0,
                      const ArchDom* domains, bool partVariant);

int kgraphMapRbPart(KgraphMapRbData* data);
int kgraphMapRbMap(KgraphMapRbData* data);
