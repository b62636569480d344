// Parameter blocks and entry points of the ordering methods of the ordering
// strategy table. Each block is stored in the 80-byte parameter block of a
// strategy method node, fields at the offsets of these structures.
#pragma once

#include "order/hgraph.h"

struct HgraphOrderBlParam {  // b: block splitting
  Strat* strat;
  GraphNum cmin;
};
struct HgraphOrderCcParam {  // o: connected components
  Strat* strat;
};
struct HgraphOrderCpParam {  // c: compression
  double rat;
  Strat* cpr;
  Strat* unc;
};
struct HgraphOrderGpParam {  // g: level-structure ordering
  GraphNum pass;
};
struct HgraphOrderHxParam {  // d and f: halo minimum degree and minimum fill
  GraphNum cmin;
  GraphNum cmax;
  double frat;
};
struct HgraphOrderKpParam {  // k: partition ordering
  GraphNum siz;
  Strat* strat;
};
struct HgraphOrderNdParam {  // n: nested dissection
  Strat* sep;
  Strat* ole;
  Strat* ose;
  int compare;  // index in "sf": how selections compare separations
  // 0: both parts ordered on the calling thread, drawing from its random
  // sequence. From 1 on: each part draws from a sequence of its own,
  // seeded from two draws made after the separation, and the parts may be
  // ordered at once on up to this many threads (never more than the
  // machine has); the ordering is the same for every such value.
  GraphNum threads;
  // With cmp=f, the selections of the dissection's top shapeLevels levels
  // also weigh the parts' shapes (VgraphHalo::shapes); 0: none do.
  GraphNum shapeLevels;
  // whl: when positive, a graph without halo whose first separator's load
  // is below whole * sqrt(graph load) is also ordered whole by the leaf
  // strategy, and the ordering whose factor has the smaller operation
  // count is kept; 0: never.
  double whole;
  // lka: with cmp=f and thrd from 1 on, the selection that separates a
  // graph of the dissection's top lookLevels levels looks ahead: its
  // results of nearly the least estimated fill have their parts
  // separated in turn, by lookStrat (lks; sep when empty), and the one
  // whose estimate with those separators is least is kept; 0: none do.
  GraphNum lookLevels;
  Strat* lookStrat;
};

int hgraphOrderBl(Hgraph*, Order*, GraphNum, OrderColBlock*, const void* parameters);
int hgraphOrderCc(Hgraph*, Order*, GraphNum, OrderColBlock*, const void* parameters);
int hgraphOrderCp(Hgraph*, Order*, GraphNum, OrderColBlock*, const void* parameters);
int hgraphOrderGp(Hgraph*, Order*, GraphNum, OrderColBlock*, const void* parameters);
int hgraphOrderHd(Hgraph*, Order*, GraphNum, OrderColBlock*, const void* parameters);
int hgraphOrderHf(Hgraph*, Order*, GraphNum, OrderColBlock*, const void* parameters);
int hgraphOrderKp(Hgraph*, Order*, GraphNum, OrderColBlock*, const void* parameters);
int hgraphOrderNd(Hgraph*, Order*, GraphNum, OrderColBlock*, const void* parameters);
