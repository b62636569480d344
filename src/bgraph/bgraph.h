// Bipartition graphs: a graph split into part 0 and part 1 for the split of a
// target domain into two subdomains, with a small, balanced cut.
#pragma once

#include "arch/arch.h"
#include "graph/graph.h"
#include "strat/strat.h"

enum {
  BGRAPH_FREE_FRONTIER = 64,
  BGRAPH_FREE_PARTS = 128,
  BGRAPH_FREE_EXTERNAL_GAIN = 256,
};

struct Bgraph {
  Graph graph;
  GraphNum* externalGain;   // per vertex, or null
  uint8_t* parts;           // per vertex, addressed from base: 0 or 1
  GraphNum* frontier;       // vertices with a neighbour in the other part
  GraphNum frontierCount;
  GraphNum part0LoadMin;
  GraphNum part0LoadMax;
  GraphNum part0LoadAvg;
  GraphNum part0LoadDelta;  // part0Load - part0LoadAvg
  GraphNum part0Load;
  GraphNum part0Size;
  GraphNum commLoad;
  GraphNum commLoadExtn0;
  GraphNum commGainExtn0;
  GraphNum commGainExtn;
  double balance;           // |part0LoadDelta| / part0LoadAvg
  GraphNum domainDistance;
  GraphNum domainWeight[2];
  GraphNum fixedLoad[2];
  GraphNum level;
};

// Saved bipartition state, for the selection operator. The part-0 load and
// the balance are not stored: they follow from part0LoadDelta.
struct BgraphStore {
  GraphNum frontierCount;
  GraphNum part0LoadDelta;
  GraphNum part0Size;
  GraphNum commLoad;
  GraphNum commGainExtn;
  unsigned char* data;  // frontier entries, then the parts bytes: vertexCount * 5 bytes
};

typedef int (*BgraphBipartFunction)(Bgraph* graph, const void* parameters);

// Lays a bipartition graph over source (whose arrays it shares, never frees)
// for the split of a domain of arch into domains[0] and domains[1], with the
// loads fixedLoads[0] and fixedLoads[1] already given to them by vertices
// outside the graph; every vertex starts in part 0. Returns 0, or 1 after
// reporting, with nothing allocated.
int bgraphInit(Bgraph* graph, const Graph* source, const Arch* arch, const ArchDom domains[2],
               const GraphNum fixedLoads[2]);
// Sets the target of a bipartition graph whose graph, parts and frontier are
// in place, and puts every vertex in part 0. Cannot fail.
void bgraphReset(Bgraph* graph, GraphNum domainDistance, GraphNum domainWeight0, GraphNum domainWeight1,
                 GraphNum fixedLoad0, GraphNum fixedLoad1);
// Every vertex to part 0, keeping the target and the external figures.
void bgraphZero(Bgraph* graph);
void bgraphExit(Bgraph* graph);
// |part0LoadDelta| / part0LoadAvg; when the target load is not positive,
// the imbalance in load units (every imbalance is then as bad as its size).
double bgraphBalance(GraphNum part0LoadDelta, GraphNum part0LoadAvg);
// Derives the part-0 size and load, the imbalance, the communication load,
// commGainExtn and the frontier (in increasing vertex order) from the parts
// array alone.
void bgraphUpdate(Bgraph* graph);

int bgraphStoreInit(const Bgraph* graph, BgraphStore* store);
void bgraphStoreExit(BgraphStore* store);
void bgraphStoreSave(const Bgraph* graph, BgraphStore* store);
void bgraphStoreRestore(Bgraph* graph, const BgraphStore* store);

// Checks that parts, sizes, loads, imbalance, communication load, external
// figures and frontier describe one bipartition; reports the first fault as
// "bgraphCheck: ..." and returns 1, or returns 0.
int bgraphCheck(const Bgraph* graph);

int bgraphBipartSt(Bgraph* graph, const Strat* strat);
extern const StratTab bgraphBipartStTable;

struct BgraphBipartBdParam {  // b: band refinement
  Strat* bnd;
  Strat* org;
  GraphNum width;
};
struct BgraphBipartDfParam {  // d: diffusion
  GraphNum pass;
  int type;  // index in "bk"
};
struct BgraphBipartFmParam {  // f: FM refinement
  GraphNum move;
  GraphNum pass;
  double bal;
  int type;  // index in "ab"; not read by the method
};
struct BgraphBipartGgParam {  // h: greedy graph growing
  GraphNum pass;
};
struct BgraphBipartGpParam {  // g: level-structure growing
  GraphNum pass;
};
struct BgraphBipartMlParam {  // m: multilevel bipartitioning
  Strat* asc;
  Strat* low;
  GraphNum vert;
  double rat;
};

int bgraphBipartBd(Bgraph* graph, const void* parameters);
int bgraphBipartDf(Bgraph* graph, const void* parameters);
int bgraphBipartEx(Bgraph* graph, const void* parameters);
int bgraphBipartFm(Bgraph* graph, const void* parameters);
int bgraphBipartGg(Bgraph* graph, const void* parameters);
int bgraphBipartGp(Bgraph* graph, const void* parameters);
int bgraphBipartMl(Bgraph* graph, const void* parameters);
int bgraphBipartZr(Bgraph* graph, const void* parameters);
