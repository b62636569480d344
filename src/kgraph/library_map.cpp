// Public mapping and partitioning operations: mapping strategies (parsed
// or built from flags), mapping a graph onto an architecture or
// partitioning it into k parts, with or without fixed vertices, and the
// figures of a mapping.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "kgraph/kgraph.h"
#include "order/library_strat.h"
#include "plyxen.h"

namespace {

const Graph* coreOf(const PLYXEN_Graph* graph) { return reinterpret_cast<const Graph*>(graph); }
const Arch* archOf(const PLYXEN_Arch* arch) { return reinterpret_cast<const Arch*>(arch); }

constexpr size_t BUILD_BUFFER_SIZE = 4096;

bool replaceAll(char* buffer, const char* pattern, const char* replacement) {
  return stratTextReplace(buffer, BUILD_BUFFER_SIZE, pattern, replacement);
}

}  // namespace

extern "C" int PLYXEN_stratGraphMap(PLYXEN_Strat* strat, const char* text) {
  PLYXEN_stratFree(strat);
  Strat* parsed = stratBuild(&kgraphMapStTable, text);
  if (parsed == nullptr) {
    errorPrint("PLYXEN_stratGraphMap: error in mapping strategy");
    return 1;
  }
  stratHandleSet(strat, parsed);
  return 0;
}

// The default mapping strategy (docs/guide.md explains it):
//
//   m{vert=C,rat=0.8,                       multilevel mapping down to about
//                                           C coarse vertices,
//     low=r{job=t,map=t,poli=S,bal=B,       recursive bipartitioning of the
//           sep=BIPA|BIPA}KFMR,             coarsest graph, keeping the better
//                                           of two multilevel bipartitions at
//                                           every split, then k-way FM,
//     asc=b{width=1,bnd=KFMR,org=KFMR}}     k-way FM on the band of the
//                                           frontier and its neighbours at
//                                           every level
//   x{bal=B}KFMR                            a safety net: exchange balancing
//                                           (nothing to do when the load is
//                                           balanced) and k-way FM after it
//
//   BIPA: m{vert=100,rat=0.9,low=GROW|GROW|GROW,asc=b{width=1,bnd=f{bal=B,move=80},org=f{bal=B,move=80}}}
//   GROW: (h{pass=5}f{bal=B,move=80})
//   KFMR: f{bal=B,move=200}
//
// B is the imbalance ratio. C is 1200 coarse vertices per part up to 8
// parts, then 100 per part and at least 4800: recursive bipartitioning
// makes the better cuts, the k-way levels the faster mapping, and the
// first splits, which weigh most when there are few parts, are made on a
// large graph. Bands of width 1 (the frontier and its neighbours) hold
// most of the moves that FM keeps, for less work than wider ones, and gave
// cuts as good on the benchmark meshes. Coarsening by 0.9 within the
// bipartitions keeps coarse levels on graphs that heavy-edge matching
// shrinks slowly (power networks). MAP_FLAG_QUALITY keeps the best of four
// bipartitions and lets FM make 400 moves without gain; MAP_FLAG_SPEED
// takes one bipartition and at most two FM passes; MAP_FLAG_SAFETY refines
// whole levels instead of bands.
Strat* kgraphMapStratDefault(GraphNum flags, GraphNum partCount, double imbalanceRatio) {
  if (!(imbalanceRatio >= 0.0)) {  // negative or not a number
    errorPrint("kgraphMapStratDefault: invalid imbalance ratio");
    return nullptr;
  }
  if (partCount < 1) {
    errorPrint("kgraphMapStratDefault: invalid part count");
    return nullptr;
  }
  char balanceText[64];
  snprintf(balanceText, sizeof(balanceText), "%.10g", (imbalanceRatio > 1.0e6) ? 1.0e6 : imbalanceRatio);
  int64_t coarseSize = (partCount <= 8) ? 1200 * static_cast<int64_t>(partCount) : 100 * static_cast<int64_t>(partCount);
  if (coarseSize < 4800) coarseSize = (partCount <= 8) ? coarseSize : 4800;
  char vertText[32];
  snprintf(vertText, sizeof(vertText), "%lld", static_cast<long long>((coarseSize < INT32_MAX) ? coarseSize : INT32_MAX));

  const char* bipartition = ((flags & MAP_FLAG_QUALITY) != 0)   ? "<BIPA>|<BIPA>|<BIPA>|<BIPA>"
                            : ((flags & MAP_FLAG_SPEED) != 0) ? "<BIPA>"
                                                              : "<BIPA>|<BIPA>";
  const char* refine = ((flags & MAP_FLAG_SAFETY) != 0) ? "<KFMR>" : "b{width=1,bnd=<KFMR>,org=<KFMR>}";
  const char* moves = ((flags & MAP_FLAG_QUALITY) != 0) ? "move=400" : "move=200";
  const char* passes = ((flags & MAP_FLAG_SPEED) != 0) ? ",pass=2" : "";

  char buffer[BUILD_BUFFER_SIZE];
  snprintf(buffer, sizeof(buffer), "%s",
           "m{vert=<VERT>,rat=0.8,low=r{job=t,map=t,poli=S,bal=<KBAL>,sep=<SEPA>}<KFMR>,asc=<REFI>}"
           "x{bal=<KBAL>}<KFMR>");
  const bool built =
      replaceAll(buffer, "<SEPA>", bipartition) &&
      replaceAll(buffer, "<BIPA>",
                 "m{vert=100,rat=0.9,low=<GROW>|<GROW>|<GROW>,asc=b{width=1,bnd=<BFMR>,org=<BFMR>}}") &&
      replaceAll(buffer, "<GROW>", "(h{pass=5}<BFMR>)") && replaceAll(buffer, "<BFMR>", "f{bal=<KBAL>,move=80}") &&
      replaceAll(buffer, "<REFI>", refine) && replaceAll(buffer, "<KFMR>", "f{bal=<KBAL>,<MOVE><PASS>}") &&
      replaceAll(buffer, "<MOVE>", moves) && replaceAll(buffer, "<PASS>", passes) &&
      replaceAll(buffer, "<KBAL>", balanceText) && replaceAll(buffer, "<VERT>", vertText);
  Strat* strat = built ? stratBuild(&kgraphMapStTable, buffer) : nullptr;
  if (strat == nullptr) errorPrint("kgraphMapStratDefault: error in mapping strategy");
  return strat;
}

extern "C" int PLYXEN_stratGraphMapBuild(PLYXEN_Strat* strat, PLYXEN_Num flags, PLYXEN_Num partCount,
                                         double imbalanceRatio) {
  Strat* built = kgraphMapStratDefault(flags, partCount, imbalanceRatio);
  if (built == nullptr) {
    errorPrint("PLYXEN_stratGraphMapBuild: error in mapping strategy");
    return 1;
  }
  PLYXEN_stratFree(strat);
  stratHandleSet(strat, built);
  return 0;
}

namespace {

// Maps the graph onto the architecture with the strategy (the default
// strategy, stored into the handle, when it is empty). terminals holds one
// entry per vertex from its first element: on entry, when fixedGiven, the
// terminal each vertex is fixed to or -1; on return, every vertex's
// terminal.
int graphMapCompute(const char* name, const PLYXEN_Graph* graphHandle, const Arch* arch, PLYXEN_Strat* strat,
                    PLYXEN_Num* terminals, bool fixedGiven) {
  const Graph* graph = coreOf(graphHandle);
  if ((arch == nullptr) || (arch->archClass == nullptr)) {
    errorPrint("%s: architecture not initialized", name);
    return 1;
  }
  if (terminals == nullptr) {
    errorPrint("%s: no part array", name);
    return 1;
  }
  ArchDom whole;
  archDomFirst(arch, &whole);
  const GraphNum terminalCount = archDomSize(arch, &whole);
  if (stratHandleGet(strat) == nullptr) {
    const GraphNum partCount = (archVar(arch) != 0) ? graph->vertexCount : terminalCount;
    if (PLYXEN_stratGraphMapBuild(strat, MAP_FLAG_DEFAULT, partCount, 0.05) != 0) return 1;
  }
  const Strat* mapStrat = stratHandleGet(strat);
  if (mapStrat->table != &kgraphMapStTable) {
    errorPrint("%s: not a mapping strategy", name);
    return 1;
  }

  const GraphNum base = graph->base;
  const size_t count = static_cast<size_t>(graph->vertexCount);
  GraphNum* fixed = nullptr;
  GraphNum fixedCount = 0;
  ScratchBlock fixedBlock;
  if (fixedGiven) {
    fixed = static_cast<GraphNum*>(memAlloc(count * sizeof(GraphNum)));
    if (fixed == nullptr) {
      errorPrint("%s: out of memory", name);
      return 1;
    }
    fixedBlock.reset(fixed);
    ArchDom terminal;
    for (size_t index = 0; index < count; index++) {
      const GraphNum value = terminals[index];
      if ((value != -1) && ((value < 0) || (archDomTerminal(arch, &terminal, value) != 0) ||
                            ((archVar(arch) == 0) && (value >= terminalCount)))) {
        errorPrint("%s: invalid fixed terminal %d of vertex %d", name, value, static_cast<GraphNum>(index) + base);
        return 1;
      }
      fixed[index] = value;
      fixedCount += (value != -1);
    }
    if (fixedCount == 0) fixed = nullptr;
  }

  // Every call draws the same random sequence, so that the same input and
  // strategy give the same mapping.
  intRandReset();
  Kgraph kgraph;
  memset(&kgraph, 0, sizeof(Kgraph));
  int status = kgraphInit(&kgraph, graph, arch, nullptr, fixedCount, (fixed != nullptr) ? fixed - base : nullptr,
                          nullptr, 1, 1, nullptr);
  if (status == 0) {
    kgraphFirst(&kgraph);
    if ((fixed != nullptr) && (mapMerge(&kgraph.mapping, kgraph.fixedTerminals) != 0)) status = 1;
  }
  if (status == 0) {
    kgraphFrontier(&kgraph);
    kgraphCost(&kgraph);
    const uint64_t errorMark = errorReturnCount();
    status = (kgraphMapSt(&kgraph, mapStrat) != 0) || (errorReturnCount() != errorMark);
  }
  if (status == 0) mapTerminal(&kgraph.mapping, terminals - base);
  kgraphExit(&kgraph);
  if (status != 0) {
    errorPrint("%s: cannot compute mapping", name);
    return 1;
  }
  return 0;
}

// A complete graph of partCount terminals, built in place.
int partArch(const char* name, PLYXEN_Num partCount, PLYXEN_Arch* arch) {
  PLYXEN_archInit(arch);
  if (partCount < 1) {
    errorPrint("%s: part count must be at least 1", name);
    return 1;
  }
  return PLYXEN_archCmplt(arch, partCount);
}

}  // namespace

extern "C" int PLYXEN_graphMap(PLYXEN_Graph* graph, const PLYXEN_Arch* arch, PLYXEN_Strat* strat,
                               PLYXEN_Num* parts) {
  return graphMapCompute("PLYXEN_graphMap", graph, archOf(arch), strat, parts, false);
}

extern "C" int PLYXEN_graphMapFixed(PLYXEN_Graph* graph, const PLYXEN_Arch* arch, PLYXEN_Strat* strat,
                                    PLYXEN_Num* parts) {
  return graphMapCompute("PLYXEN_graphMapFixed", graph, archOf(arch), strat, parts, true);
}

extern "C" int PLYXEN_graphPart(PLYXEN_Graph* graph, PLYXEN_Num partCount, PLYXEN_Strat* strat, PLYXEN_Num* parts) {
  PLYXEN_Arch arch;
  if (partArch("PLYXEN_graphPart", partCount, &arch) != 0) return 1;
  const int status = graphMapCompute("PLYXEN_graphPart", graph, archOf(&arch), strat, parts, false);
  PLYXEN_archExit(&arch);
  return status;
}

extern "C" int PLYXEN_graphPartFixed(PLYXEN_Graph* graph, PLYXEN_Num partCount, PLYXEN_Strat* strat,
                                     PLYXEN_Num* parts) {
  PLYXEN_Arch arch;
  if (partArch("PLYXEN_graphPartFixed", partCount, &arch) != 0) return 1;
  const int status = graphMapCompute("PLYXEN_graphPartFixed", graph, archOf(&arch), strat, parts, true);
  PLYXEN_archExit(&arch);
  return status;
}

// The figures of a mapping, in time and memory that follow the graph and
// the terminals in use, however many terminals the architecture has.
extern "C" int PLYXEN_graphMapStat(const PLYXEN_Graph* graphHandle, const PLYXEN_Arch* archHandle,
                                   const PLYXEN_Num* parts, PLYXEN_Num* nonEmptyCount, int64_t* cutLoad,
                                   int64_t* commLoad, double* imbalance) {
  const Graph* graph = coreOf(graphHandle);
  const Arch* arch = archOf(archHandle);
  if ((arch == nullptr) || (arch->archClass == nullptr) || (archVar(arch) != 0)) {
    errorPrint("PLYXEN_graphMapStat: architecture not initialized or of variable size");
    return 1;
  }
  ArchDom whole;
  archDomFirst(arch, &whole);
  const GraphNum terminalCount = archDomSize(arch, &whole);
  const GraphNum base = graph->base;
  for (GraphNum vertex = 0; vertex < graph->vertexCount; vertex++) {
    if ((parts[vertex] < 0) || (parts[vertex] >= terminalCount)) {
      errorPrint("PLYXEN_graphMapStat: invalid part %d of vertex %d", parts[vertex], vertex + base);
      return 1;
    }
  }

  // The terminals in use, in increasing order, with their loads and
  // domains; every vertex's index among them.
  std::vector<GraphNum> used;
  std::vector<GraphNum> slot;
  std::vector<int64_t> loads;
  std::vector<ArchDom> domains;
  try {
    used.assign(parts, parts + graph->vertexCount);
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    slot.resize(static_cast<size_t>(graph->vertexCount));
    loads.assign(used.size(), 0);
    domains.resize(used.size());
  } catch (const std::bad_alloc&) {
    errorPrint("PLYXEN_graphMapStat: out of memory");
    return 1;
  }
  for (size_t index = 0; index < used.size(); index++) archDomTerminal(arch, &domains[index], used[index]);
  for (GraphNum vertex = 0; vertex < graph->vertexCount; vertex++) {
    slot[static_cast<size_t>(vertex)] =
        static_cast<GraphNum>(std::lower_bound(used.begin(), used.end(), parts[vertex]) - used.begin());
    loads[static_cast<size_t>(slot[static_cast<size_t>(vertex)])] +=
        (graph->vertexLoad != nullptr) ? graph->vertexLoad[vertex + base] : 1;
  }

  int64_t cut = 0;
  int64_t communication = 0;
  for (GraphNum vertex = base; vertex < graph->vertexEnd; vertex++) {
    const GraphNum part = slot[static_cast<size_t>(vertex - base)];
    for (GraphNum edge = graph->edgeBegin[vertex]; edge < graph->edgeEnd[vertex]; edge++) {
      const GraphNum end = graph->edgeTarget[edge];
      const GraphNum endPart = slot[static_cast<size_t>(end - base)];
      if ((end <= vertex) || (endPart == part)) continue;
      const int64_t load = (graph->edgeLoad != nullptr) ? graph->edgeLoad[edge] : 1;
      cut += load;
      communication += load * archDomDist(arch, &domains[static_cast<size_t>(part)],
                                          &domains[static_cast<size_t>(endPart)]);
    }
  }
  // Imbalance: the largest ratio of a terminal's load to its share of the
  // total load by weight, minus 1; terminals without vertices have ratio 0.
  const double wholeWeight = static_cast<double>(archDomWeight(arch, &whole));
  double worst = 0.0;
  for (size_t index = 0; index < used.size(); index++) {
    const double share = static_cast<double>(graph->vertexLoadSum) *
                         static_cast<double>(archDomWeight(arch, &domains[index])) / wholeWeight;
    if (share > 0.0) {
      const double ratio = static_cast<double>(loads[index]) / share;
      if (ratio > worst) worst = ratio;
    }
  }
  if (nonEmptyCount != nullptr) *nonEmptyCount = static_cast<PLYXEN_Num>(used.size());
  if (cutLoad != nullptr) *cutLoad = cut;
  if (commLoad != nullptr) *commLoad = communication;
  if (imbalance != nullptr) *imbalance = (graph->vertexLoadSum > 0) ? worst - 1.0 : 0.0;
  return 0;
}
