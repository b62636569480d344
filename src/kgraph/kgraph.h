// Mapping graphs: a graph mapped onto the domains of a target architecture.
#pragma once

#include "arch/arch.h"
#include "graph/graph.h"
#include "strat/strat.h"

enum { MAP_FREE_PARTS = 1, MAP_FREE_DOMAINS = 2 };

struct Mapping {
  int flags;
  Graph* graph;
  Arch* arch;
  GraphNum* parts;      // per vertex: index into domains
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

struct Kgraph {
  Graph graph;
  Arch arch;
  Mapping mapping;
  Mapping oldMapping;
  GraphNum commLoadFactor;
  GraphNum migrationCostFactor;
  GraphNum* migrationLoad;
  GraphNum fixedCount;
  GraphNum* fixedTerminals;
  GraphNum frontierCount;
  GraphNum* frontier;
  GraphNum* domainLoadAvg;
  GraphNum* domainLoadDelta;
  double loadPerWeight;
  double balanceRatio;
  GraphNum commLoad;
  GraphNum level;
};

typedef int (*KgraphMapFunction)(Kgraph* graph, const void* parameters);

int kgraphMapSt(Kgraph* graph, const Strat* strat);
extern const StratTab kgraphMapStTable;

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
