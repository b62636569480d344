// Bipartition graphs: a graph split into part 0 and part 1 for the split of a
// target domain into two subdomains, with a small, balanced cut.
#pragma once

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

typedef int (*BgraphBipartFunction)(Bgraph* graph, const void* parameters);

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
