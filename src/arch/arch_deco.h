// Decomposition-defined architectures ("deco"): a machine described by a
// binary decomposition of its terminals into nested domains. The first
// registry entry holds compiled decompositions (file formats 0 and 1); the
// second one holds decompositions over a graph of the terminals (format
// 2), which the first entry's loader hands on.
#pragma once

#include "arch/arch_class.h"

// Both layouts begin with the format, which tells which entry owns them.
enum { ARCH_DECO_COMPILED = 1, ARCH_DECO_GRAPH = 2 };

// One domain of a compiled decomposition, by label: the smallest terminal
// number in it (-1 when empty), its terminal count and its weight.
struct ArchDecoVert {
  GraphNum labl;
  GraphNum size;
  GraphNum wght;
};

// A compiled decomposition: domains are labelled 1 to domvertnbr, the
// children of domain k being 2k and 2k + 1 (labels of empty domains are
// unused), with a distance for each pair of labels.
struct ArchDeco {
  static constexpr ArchRole archRole = ARCH_ROLE_DATA;
  GraphNum flagval;          // ARCH_DECO_COMPILED
  GraphNum domtermnbr;       // terminals
  GraphNum domvertnbr;       // domain labels
  ArchDecoVert* domverttab;  // domain of each label - 1; owns the group with domtermtab
  GraphNum* domtermtab;      // label of each terminal
  GraphNum* domdisttab;      // distance of labels i > j at (i - 1)(i - 2)/2 + j - 1
};

// One domain of a decomposition over a graph.
struct ArchDeco2Vert {
  GraphNum fathnum;     // father, -1 for the root (domain 0)
  GraphNum sonstab[2];  // children, -1 for a leaf
  GraphNum levlnum;     // depth
  GraphNum vertnbr;     // terminal count
  GraphNum veloval;     // weight
  GraphNum vertmin;     // first position of its terminals in the layout
  GraphNum termnum;     // representative terminal, from which distances are measured
};

// A decomposition over a graph: the 2n - 1 domains of a binary tree whose
// leaves are the n terminals, and the links between terminals. Distances
// are hop counts between representatives.
struct ArchDeco2 {
  static constexpr ArchRole archRole = ARCH_ROLE_DATA;
  GraphNum flagval;  // ARCH_DECO_GRAPH
  GraphNum termnbr;
  GraphNum vertnbr;        // domains, 2 termnbr - 1
  GraphNum edgenbr;        // links
  ArchDeco2Vert* verttab;  // owns the group with ordetab and leaftab
  GraphNum* ordetab;       // terminal at each position of the layout
  GraphNum* leaftab;       // leaf domain of each terminal
  GraphNum* adjatab;       // neighbours of each terminal from adjatab[adjaidx[t]]; owns the group with adjaidx
  GraphNum* adjaidx;       // termnbr + 1 indices
};

// Reads format 2 data (after the format number) into the data of an Arch
// of the first "deco" entry.
int archDeco2ArchLoad2(ArchDeco2* data, FILE* stream);

// Builds a decomposition over the graph of termnbr terminals (weights in
// velotab, or 1 each when null) and edgenbr links (pairs of terminal
// numbers in edgetab) by recursive bisection of the graph.
int archDeco2ArchBuild(Arch* arch, GraphNum termnbr, const GraphNum* velotab, GraphNum edgenbr,
                       const GraphNum* edgetab);
