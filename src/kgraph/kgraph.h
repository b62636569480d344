// Mapping graphs: a graph mapped onto the domains of a target architecture.
//
// A Mapping gives every vertex an index into its array of domains; a
// Kgraph holds the graph, a copy of the architecture record, the current
// mapping, an optional old mapping to stay close to, the fixed vertices,
// and the figures that the mapping methods keep up to date: the frontier,
// the target load and load delta of every domain, and the communication
// load (edge loads times the distances between the domains of their ends).
#pragma once

#include "arch/arch.h"
#include "graph/graph.h"
#include "strat/strat.h"

enum { MAP_FREE_PARTS = 1, MAP_FREE_DOMAINS = 2 };

struct Mapping {
  int flags;
  Graph* graph;
  Arch* arch;
  GraphNum* parts;      // per vertex, addressed from base: index into domains
  ArchDom* domains;
  GraphNum domainCount;
  GraphNum domainMax;
  ArchDom initialDomain;
};

enum {
  KGRAPH_FREE_FRONTIER = 64,
  KGRAPH_FREE_LOADS = 128,
  KGRAPH_FREE_FIXED = 256,
  KGRAPH_FREE_MIGRATION = 512,
};

// The mapping and oldMapping records point at graph and arch inside the
// Kgraph itself: a Kgraph is never copied by value once initialised.
struct Kgraph {
  Graph graph;
  Arch arch;
  Mapping mapping;
  Mapping oldMapping;            // parts is null without an old mapping
  GraphNum commLoadFactor;
  GraphNum migrationCostFactor;
  GraphNum* migrationLoad;       // per vertex, addressed from base, or null
  GraphNum fixedCount;
  GraphNum* fixedTerminals;      // per vertex, addressed from base: terminal or -1; or null
  GraphNum frontierCount;
  GraphNum* frontier;            // capacity vertexCount
  GraphNum* domainLoadAvg;       // mapping.domainMax entries, one block with domainLoadDelta
  GraphNum* domainLoadDelta;
  double loadPerWeight;
  double balanceRatio;
  GraphNum commLoad;
  GraphNum level;
};

// Saved mapping state, for the selection operator. The vertex arrays are
// sized at creation; the domain arrays grow with the mapping they save.
struct KgraphStore {
  GraphNum domainCount;
  GraphNum frontierCount;
  double balanceRatio;
  GraphNum commLoad;
  GraphNum* parts;            // vertexCount entries, from index 0
  GraphNum* frontier;         // vertexCount entries
  ArchDom* domains;           // domainCapacity entries each, in one block
  GraphNum* domainLoadAvg;
  GraphNum* domainLoadDelta;
  GraphNum domainCapacity;
};

// ---------------------------------------------------------------------------
// Mappings

int mapInit(Mapping* mapping, Graph* graph, Arch* arch, const ArchDom* domain);
int mapAlloc(Mapping* mapping);
// Both set domainMax to the new capacity and make the mapping own domains;
// mapResize keeps the entries of an owned array only, mapResize2 keeps the
// domainCount used entries in every case.
int mapResize(Mapping* mapping, GraphNum domainMax);
int mapResize2(Mapping* mapping, GraphNum domainMax);
void mapFirst(Mapping* mapping);
// Gives every vertex whose terminal (array addressed from base) is not -1
// the domain of that terminal, appending domains as terminals appear.
int mapBuild2(Mapping* mapping, const GraphNum* terminals);
// Writes the terminal number of every vertex's domain (array addressed from
// base); -1 everywhere when the mapping has no domains.
void mapTerminal(const Mapping* mapping, GraphNum* terminals);
void mapExit(Mapping* mapping);
// Makes target hold the domains and parts of source (same graph).
int mapCopy(Mapping* target, const Mapping* source);
// Gives every fixed vertex (terminal not -1) the one-terminal domain of its
// terminal, reusing an existing domain of that terminal when there is one.
int mapMerge(Mapping* mapping, const GraphNum* fixedTerminals);
// Open-addressing table from terminal numbers to domain indices: a
// power-of-two number of slots, slot (terminal * 17) masked, linear
// probing, -1 as the empty key. Never more than half full when sized by
// its users, so that a probe always ends.
class MapTerminalTable {
 public:
  MapTerminalTable() = default;
  MapTerminalTable(const MapTerminalTable&) = delete;
  MapTerminalTable& operator=(const MapTerminalTable&) = delete;
  ~MapTerminalTable() { memFree(slots_); }
  // Makes an empty table of at least the given number of slots; false when
  // memory runs out.
  bool init(GraphNum slotCount);
  // Domain index of a terminal, or -1.
  GraphNum find(GraphNum terminal) const;
  // Enters a terminal known to be absent; grows the table when it would
  // become more than half full (false when memory runs out).
  bool insert(GraphNum terminal, GraphNum domain);

 private:
  GraphNum* slots_ = nullptr;  // pairs: terminal, domain index
  GraphNum mask_ = 0;
  GraphNum used_ = 0;
};

// Capacity a domain array grows to when it is full: n + n/4 + 8.
inline GraphNum mapGrowth(GraphNum domainMax) { return domainMax + domainMax / 4 + 8; }

// ---------------------------------------------------------------------------
// Mapping graphs

// Builds the Kgraph over source (or over its own graph when source is
// &kgraph->graph). Optional arrays are addressed from the graph's base and
// may be null; the Kgraph frees none of them.
int kgraphInit(Kgraph* kgraph, const Graph* source, const Arch* arch, const ArchDom* domain, GraphNum fixedCount,
               GraphNum* fixedTerminals, const GraphNum* oldTerminals, GraphNum commLoadFactor,
               GraphNum migrationCostFactor, GraphNum* migrationLoad);
void kgraphExit(Kgraph* kgraph);
// Recomputes commLoad, domainLoadAvg and domainLoadDelta from the mapping.
void kgraphCost(Kgraph* kgraph);
void kgraphFirst(Kgraph* kgraph);
// Rebuilds the frontier, in increasing vertex order.
void kgraphFrontier(Kgraph* kgraph);
// Makes the load arrays as large as the mapping's domainMax after the
// mapping grew from a capacity of oldMax; returns 0, or 1 after reporting
// with the caller's message.
int kgraphLoadsResize(Kgraph* kgraph, GraphNum oldMax, const char* message);
// Target load of a domain: its share of the vertex load sum by weight.
GraphNum kgraphDomainLoadAvg(const Kgraph* kgraph, const ArchDom* domain);
// Allowed imbalance of a domain of target load average under a ratio,
// truncated, and kept within the integer range whatever the ratio.
inline GraphNum kgraphDomainLoadBound(double ratio, GraphNum average) {
  const double bound = ratio * static_cast<double>(average);
  if (!(bound > -2147483647.0)) return (bound != bound) ? 0 : -2147483647;  // also not a number
  return (bound < 2147483647.0) ? static_cast<GraphNum>(bound) : 2147483647;
}

int kgraphStoreInit(const Kgraph* kgraph, KgraphStore* store);
void kgraphStoreExit(KgraphStore* store);
int kgraphStoreSave(const Kgraph* kgraph, KgraphStore* store);
int kgraphStoreRestore(Kgraph* kgraph, const KgraphStore* store);

// Checks that parts, domains, fixed vertices, frontier, domain loads and
// communication load describe one mapping, recomputing every figure from
// scratch; reports the first fault as "kgraphCheck: ..." and returns 1, or
// returns 0.
int kgraphCheck(const Kgraph* kgraph);

// Distances between the domains of a mapping by index, remembered in a
// table filled on first use when the domains are few enough, asked of the
// architecture otherwise.
class KgraphDistance {
 public:
  KgraphDistance() = default;
  KgraphDistance(const KgraphDistance&) = delete;
  KgraphDistance& operator=(const KgraphDistance&) = delete;
  ~KgraphDistance() { memFree(table_); }
  // Prepares for the mapping's current domains. Without memory for the
  // table every distance is asked of the architecture.
  void init(const Mapping* mapping);
  GraphNum operator()(GraphNum first, GraphNum second) {
    if (first == second) return 0;
    if (table_ == nullptr) return archDomDist(arch_, &domains_[first], &domains_[second]);
    GraphNum& entry = table_[static_cast<size_t>(first) * static_cast<size_t>(count_) + static_cast<size_t>(second)];
    if (entry < 0) entry = archDomDist(arch_, &domains_[first], &domains_[second]);
    return entry;
  }

 private:
  static constexpr GraphNum kTableMax = 1024;  // at most 4 MB of table
  GraphNum* table_ = nullptr;
  GraphNum count_ = 0;
  const Arch* arch_ = nullptr;
  const ArchDom* domains_ = nullptr;
};

// ---------------------------------------------------------------------------
// Mapping strategies

typedef int (*KgraphMapFunction)(Kgraph* graph, const void* parameters);

int kgraphMapSt(Kgraph* graph, const Strat* strat);
extern const StratTab kgraphMapStTable;
// The library's default mapping strategy for the flags (MAP_FLAG_* of the
// public header), a number of parts and an imbalance ratio; null after
// reporting a failure.
Strat* kgraphMapStratDefault(GraphNum flags, GraphNum partCount, double imbalanceRatio);

struct KgraphMapBdParam {  // b: band refinement
  GraphNum width;
  Strat* bnd;
  Strat* org;
};
struct KgraphMapDfParam {  // d: diffusion
  GraphNum pass;
  double dif;
  double rem;
};
struct KgraphMapExParam {  // x: load balancing by exchange
  double bal;
};
struct KgraphMapFmParam {  // f: k-way FM refinement
  GraphNum move;
  GraphNum pass;
  double bal;
};
struct KgraphMapMlParam {  // m: multilevel mapping
  Strat* asc;
  Strat* low;
  GraphNum vert;
  double rat;
  int type;  // index in "hscd"
};
struct KgraphMapRbParam {  // r: recursive bipartitioning
  int job;   // index in "ut"
  int map;   // index in "ut"
  int poli;  // index in "rlsLS"
  double bal;
  Strat* sep;
};

int kgraphMapBd(Kgraph* graph, const void* parameters);
int kgraphMapCp(Kgraph* graph, const void* parameters);
int kgraphMapDf(Kgraph* graph, const void* parameters);
int kgraphMapEx(Kgraph* graph, const void* parameters);
int kgraphMapFm(Kgraph* graph, const void* parameters);
int kgraphMapMl(Kgraph* graph, const void* parameters);
int kgraphMapRb(Kgraph* graph, const void* parameters);
