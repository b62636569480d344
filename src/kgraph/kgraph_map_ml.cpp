// Mapping method m: multilevel mapping. The graph is coarsened until it is
// small, the coarsest graph is mapped with the "low" strategy, and on the
// way back every coarse mapping is projected onto the finer graph and
// refined there with the "asc" strategy.
//
// Coarsening respects the target: two vertices fixed to different
// terminals, a fixed and a free vertex, or two vertices of different old
// domains are never merged, so that every coarse vertex has one fixed
// terminal (or none) and one old domain (or none).
//
// The "type" parameter:
//   h  heavy-edge matching; the coarsest graph is mapped from scratch;
//   s  as h, but "vert" counts coarse vertices per terminal of the domain
//      mapped onto, so that one strategy suits every number of parts;
//   c  coarsening within the current domains: vertices of different
//      domains are never merged, and the coarsest graph keeps the current
//      mapping, which "low" refines (a refinement cycle of a mapping);
//   d  c with the size rule of s.
// A mapping graph without a mapping yet is coarsened as by h or s.
#include <climits>
#include <cstring>

#include "graph/graph_coarsen.h"
#include "kgraph/kgraph.h"

namespace {

enum { ML_TYPE_SCALED = 1, ML_TYPE_KEEP = 2 };

// The coarse Kgraph of a fine one: over the coarse graph, with the coarse
// fixed terminals, old domains and migration loads, and, when the mapping
// is kept, the projected mapping.
int kgraphMapMlCoarsen(Kgraph* fine, Kgraph* coarse, const MultinodePair* multinodes, bool keepMapping) {
  const Graph& coarseGraph = coarse->graph;
  const GraphNum base = coarseGraph.base;
  const size_t count = static_cast<size_t>(coarseGraph.vertexCount);
  const bool remapping = fine->oldMapping.parts != nullptr;

  GraphNum* fixed = nullptr;
  GraphNum fixedCount = 0;
  if (fine->fixedTerminals != nullptr) {
    fixed = static_cast<GraphNum*>(memAlloc(count * sizeof(GraphNum)));
    if (fixed == nullptr) {
      errorPrint("kgraphMapMlCoarsen: out of memory (1)");
      return 1;
    }
    fixed -= base;
    for (GraphNum vertex = base; vertex < coarseGraph.vertexEnd; vertex++) {
      fixed[vertex] = fine->fixedTerminals[multinodes[vertex].vertex[0]];
      fixedCount += (fixed[vertex] != -1);
    }
  }
  // Without migration loads every fine vertex weighs 1: a coarse vertex
  // then weighs its number of fine vertices.
  GraphNum* migration = nullptr;
  if (remapping) {
    migration = static_cast<GraphNum*>(memAlloc(count * sizeof(GraphNum)));
    if (migration == nullptr) {
      errorPrint("kgraphMapMlCoarsen: out of memory (3)");
      memFreeBased(fixed, base);
      return 1;
    }
    migration -= base;
    for (GraphNum vertex = base; vertex < coarseGraph.vertexEnd; vertex++) {
      const GraphNum first = multinodes[vertex].vertex[0];
      const GraphNum second = multinodes[vertex].vertex[1];
      const GraphNum* loads = fine->migrationLoad;
      migration[vertex] = (loads != nullptr) ? loads[first] : 1;
      if (second != first) migration[vertex] += (loads != nullptr) ? loads[second] : 1;
    }
  }

  const int status = kgraphInit(coarse, &coarse->graph, &fine->arch, &fine->mapping.initialDomain, fixedCount, fixed,
                                nullptr, fine->commLoadFactor, fine->migrationCostFactor, migration);
  coarse->graph.flags |= ((fixed != nullptr) ? KGRAPH_FREE_FIXED : 0) |
                         ((migration != nullptr) ? KGRAPH_FREE_MIGRATION : 0);
  coarse->fixedTerminals = fixed;  // owned even when the initialisation failed
  coarse->migrationLoad = migration;
  if (status != 0) return 1;
  coarse->balanceRatio = fine->balanceRatio;
  coarse->level = fine->level + 1;

  if (remapping) {  // the old domains are the fine graph's, borrowed
    GraphNum* oldParts = static_cast<GraphNum*>(memAlloc(count * sizeof(GraphNum)));
    if (oldParts == nullptr) {
      errorPrint("kgraphMapMlCoarsen: out of memory (2)");
      return 1;
    }
    oldParts -= base;
    for (GraphNum vertex = base; vertex < coarseGraph.vertexEnd; vertex++)
      oldParts[vertex] = fine->oldMapping.parts[multinodes[vertex].vertex[0]];
    coarse->oldMapping.parts = oldParts;
    coarse->oldMapping.flags = MAP_FREE_PARTS;
    coarse->oldMapping.domains = fine->oldMapping.domains;
    coarse->oldMapping.domainCount = fine->oldMapping.domainCount;
    coarse->oldMapping.domainMax = fine->oldMapping.domainMax;
  }

  if (keepMapping) {
    const GraphNum domainCount = fine->mapping.domainCount;
    if (domainCount > coarse->mapping.domainMax) {
      const GraphNum oldMax = coarse->mapping.domainMax;
      if ((mapResize(&coarse->mapping, domainCount) != 0) ||
          (kgraphLoadsResize(coarse, oldMax, "kgraphMapMlCoarsen: out of memory (4)") != 0))
        return 1;
    }
    memcpy(coarse->mapping.domains, fine->mapping.domains, static_cast<size_t>(domainCount) * sizeof(ArchDom));
    coarse->mapping.domainCount = domainCount;
    for (GraphNum vertex = base; vertex < coarseGraph.vertexEnd; vertex++)
      coarse->mapping.parts[vertex] = fine->mapping.parts[multinodes[vertex].vertex[0]];
    kgraphFrontier(coarse);
    kgraphCost(coarse);
  }
  return 0;
}

// Projects the coarse mapping onto the fine graph.
int kgraphMapMlUncoarsen(Kgraph* fine, const Kgraph* coarse, const MultinodePair* multinodes) {
  if (mapAlloc(&fine->mapping) != 0) {
    errorPrint("kdgraphMapMlUncoarsen: cannot allocate mapping (2)");
    return 1;
  }
  const GraphNum domainCount = coarse->mapping.domainCount;
  if (domainCount > fine->mapping.domainMax) {
    const GraphNum oldMax = fine->mapping.domainMax;
    if ((mapResize(&fine->mapping, domainCount) != 0) ||
        (kgraphLoadsResize(fine, oldMax, "kdgraphMapMlUncoarsen: cannot allocate mapping (2)") != 0))
      return 1;
  }
  memcpy(fine->mapping.domains, coarse->mapping.domains, static_cast<size_t>(domainCount) * sizeof(ArchDom));
  fine->mapping.domainCount = domainCount;
  GraphNum* parts = fine->mapping.parts;
  for (GraphNum vertex = coarse->graph.base; vertex < coarse->graph.vertexEnd; vertex++) {
    parts[multinodes[vertex].vertex[0]] = coarse->mapping.parts[vertex];
    parts[multinodes[vertex].vertex[1]] = coarse->mapping.parts[vertex];
  }

  // Only the fine vertices of coarse frontier vertices can have a
  // neighbour in another domain.
  const Graph& graph = fine->graph;
  GraphNum frontierCount = 0;
  for (GraphNum index = 0; index < coarse->frontierCount; index++) {
    const MultinodePair& pair = multinodes[coarse->frontier[index]];
    for (int side = 0; side < 2; side++) {
      const GraphNum vertex = pair.vertex[side];
      if ((side == 1) && (vertex == pair.vertex[0])) break;
      for (GraphNum edge = graph.edgeBegin[vertex]; edge < graph.edgeEnd[vertex]; edge++) {
        if (parts[graph.edgeTarget[edge]] != parts[vertex]) {
          fine->frontier[frontierCount++] = vertex;
          break;
        }
      }
    }
  }
  fine->frontierCount = frontierCount;
  // Coarsening keeps the loads and the cut edges with their loads: the
  // coarse figures are the fine ones.
  for (GraphNum domain = 0; domain < domainCount; domain++) {
    fine->domainLoadAvg[domain] = coarse->domainLoadAvg[domain];
    fine->domainLoadDelta[domain] = coarse->domainLoadDelta[domain];
  }
  fine->commLoad = coarse->commLoad;
  return 0;
}

int kgraphMapMl2(Kgraph* kgraph, const KgraphMapMlParam* param) {
  const bool keepMapping = ((param->type & ML_TYPE_KEEP) != 0) && (kgraph->mapping.domainCount > 0);
  int64_t coarseMin = (param->vert > 0) ? param->vert : 0;
  if (((param->type & ML_TYPE_SCALED) != 0) && (archVar(&kgraph->arch) == 0))
    coarseMin *= archDomSize(&kgraph->arch, &kgraph->mapping.initialDomain);
  if (coarseMin > INT32_MAX) coarseMin = INT32_MAX;

  // Constraint arrays: the fixed terminals and the old domains; with the
  // mapping kept, the current domains take the place of the fixed
  // terminals, a fixed vertex standing apart from the free vertices of its
  // domain by a value of its own (-2 - terminal).
  const GraphNum* constraints[2] = {nullptr, nullptr};
  int constraintCount = 0;
  ScratchBlock keptBlock;
  if (keepMapping && (kgraph->fixedTerminals != nullptr)) {
    const Graph& graph = kgraph->graph;
    GraphNum* kept = static_cast<GraphNum*>(memAlloc(static_cast<size_t>(graph.vertexCount) * sizeof(GraphNum)));
    if (kept == nullptr) {
      errorPrint("kgraphMapMlCoarsen: out of memory (5)");
      return 1;
    }
    keptBlock.reset(kept);
    kept -= graph.base;
    for (GraphNum vertex = graph.base; vertex < graph.vertexEnd; vertex++)
      kept[vertex] = (kgraph->fixedTerminals[vertex] != -1) ? -2 - kgraph->fixedTerminals[vertex]
                                                             : kgraph->mapping.parts[vertex];
    constraints[constraintCount++] = kept;
  } else if (keepMapping)
    constraints[constraintCount++] = kgraph->mapping.parts;
  else if (kgraph->fixedTerminals != nullptr)
    constraints[constraintCount++] = kgraph->fixedTerminals;
  if (kgraph->oldMapping.parts != nullptr) constraints[constraintCount++] = kgraph->oldMapping.parts;

  Kgraph coarse;
  memset(&coarse, 0, sizeof(Kgraph));
  graphInit(&coarse.graph);
  MultinodePair* multinodes = nullptr;
  // Every level must shrink the graph by at least 1%, so that the depth of
  // the recursion stays within a few thousand levels whatever "rat" says.
  const double ratio = (param->rat > 0.0) ? ((param->rat < 0.99) ? param->rat : 0.99) : 0.0;
  if (graphCoarsen(&kgraph->graph, &coarse.graph, &multinodes, static_cast<GraphNum>(coarseMin), ratio,
                   constraints[0], constraints[1], kgraph->fixedCount, nullptr) != 0) {
    // This graph is the coarsest one.
    if (mapAlloc(&kgraph->mapping) != 0) {
      errorPrint("kdgraphMapMlUncoarsen: cannot allocate mapping (1)");
      return 1;
    }
    if (!keepMapping) {
      // Mapped from scratch: everything in the first domain, but the fixed
      // vertices on their terminals, whatever "low" does (it may be empty).
      kgraphFirst(kgraph);
      if (kgraph->fixedTerminals != nullptr) {
        if (mapMerge(&kgraph->mapping, kgraph->fixedTerminals) != 0) return 1;
        kgraphFrontier(kgraph);
        kgraphCost(kgraph);
      }
    }
    const int result = kgraphMapSt(kgraph, param->low);
    if (result != 0) errorPrint("kgraphMapMl2: cannot apply low strategy");
    return result;
  }

  int result = kgraphMapMlCoarsen(kgraph, &coarse, multinodes, keepMapping);
  if (result == 0) result = kgraphMapMl2(&coarse, param);
  if (result == 0) {
    result = kgraphMapMlUncoarsen(kgraph, &coarse, multinodes);
    kgraphExit(&coarse);
    if (result == 0) {
      result = kgraphMapSt(kgraph, param->asc);
      if (result != 0) errorPrint("kgraphMapMl2: cannot apply ascending strategy");
    }
    return result;
  }
  kgraphExit(&coarse);
  return result;
}

}  // namespace

int kgraphMapMl(Kgraph* kgraph, const void* parameters) {
  // Inside "low" and "asc", "levl" reads the coarsening depth.
  const GraphNum level = kgraph->level;
  kgraph->level = 0;
  const int result = kgraphMapMl2(kgraph, static_cast<const KgraphMapMlParam*>(parameters));
  kgraph->level = level;
  return result;
}
