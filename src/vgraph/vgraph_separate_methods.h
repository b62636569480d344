// Parameter blocks and entry points of the separation methods of the
// separation strategy table.
#pragma once

#include "vgraph/vgraph.h"

struct VgraphSeparateBdParam {  // b: band separation
  Strat* bnd;
  Strat* org;
  GraphNum width;
};
struct VgraphSeparateEsParam {  // e: separator from an edge bipartition
  Strat* strat;
  int type;  // index in "tf"
};
struct VgraphSeparateFmParam {  // f: FM vertex separator
  GraphNum move;
  GraphNum pass;
  double bal;
};
struct VgraphSeparateGgParam {  // h: greedy graph growing
  GraphNum pass;
};
struct VgraphSeparateGpParam {  // g: level-structure separator
  GraphNum pass;
};
struct VgraphSeparateMlParam {  // m: multilevel separation
  Strat* asc;
  Strat* low;
  int type;  // index in "hs": the matching visits the vertices in numbering (h) or breadth-first (s) order
  GraphNum vert;
  double rat;
};

int vgraphSeparateBd(Vgraph* graph, const void* parameters);
int vgraphSeparateEs(Vgraph* graph, const void* parameters);
int vgraphSeparateFm(Vgraph* graph, const void* parameters);
int vgraphSeparateGg(Vgraph* graph, const void* parameters);
int vgraphSeparateGp(Vgraph* graph, const void* parameters);
int vgraphSeparateMl(Vgraph* graph, const void* parameters);
int vgraphSeparateVw(Vgraph* graph, const void* parameters);
int vgraphSeparateZr(Vgraph* graph, const void* parameters);
