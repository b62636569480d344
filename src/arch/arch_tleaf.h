// Tree-leaf architectures ("tleaf", "ltleaf"): terminals at the leaves of a
// tree whose levels each have a fan-out and a link cost. "ltleaf" numbers
// the leaves through a permutation and shares everything else.
#pragma once

#include "arch/arch_class.h"

// With fan-outs of at least 2, more levels would number more terminals than
// a GraphNum holds.
inline constexpr GraphNum ARCH_TLEAF_LEVEL_MAX = 30;

struct ArchTleaf {
  static constexpr ArchRole archRole = ARCH_ROLE_DATA;
  GraphNum termNbr;   // leaves: the product of the fan-outs
  GraphNum levlNbr;   // levels below the root; the leaves are at level levlNbr
  GraphNum* sizetab;  // fan-out of the nodes of each level; owns the group below
  GraphNum* linktab;  // cost of the links from each level to the next
  GraphNum* subttab;  // leaves under one node of each level, levlNbr + 1 entries
  GraphNum* permtab;  // "ltleaf": terminal number of each leaf; else null
  GraphNum* peritab;  // "ltleaf": leaf of each terminal number (same block)
};

// count consecutive nodes of one level, from node indxmin.
struct ArchTleafDom {
  static constexpr ArchRole archRole = ARCH_ROLE_DOMAIN;
  GraphNum levlnum;
  GraphNum indxmin;
  GraphNum indxnbr;
};

// Checks the levels and sets the tree's arrays; the caller's name begins
// the messages. Used by the builders.
int archTleafArchBuild(Arch* arch, GraphNum levlNbr, const GraphNum* sizetab, const GraphNum* linktab,
                       const char* caller);
// Same, with the terminal number of each leaf (a permutation of the leaves).
int archLtleafArchBuild(Arch* arch, GraphNum levlNbr, const GraphNum* sizetab, const GraphNum* linktab,
                        GraphNum permNbr, const GraphNum* permtab, const char* caller);

// Operations that "ltleaf" shares.
int archTleafArchLoad(ArchTleaf* data, FILE* stream);
int archTleafArchSave(const ArchTleaf* data, FILE* stream);
int archTleafArchFree(ArchTleaf* data);
GraphNum archTleafDomSize(const ArchTleaf* data, const ArchTleafDom* domain);
GraphNum archTleafDomDist(const ArchTleaf* data, const ArchTleafDom* first, const ArchTleafDom* second);
int archTleafDomFirst(const ArchTleaf* data, ArchTleafDom* domain);
int archTleafDomLoad(const ArchTleaf* data, ArchTleafDom* domain, FILE* stream);
int archTleafDomSave(const ArchTleaf* data, const ArchTleafDom* domain, FILE* stream);
int archTleafDomBipart(const ArchTleaf* data, const ArchTleafDom* domain, ArchTleafDom* first, ArchTleafDom* second);
int archTleafDomIncludes(const ArchTleaf* data, const ArchTleafDom* outer, const ArchTleafDom* inner);

// Pairs the leaves of each last-level node, two by two, until that level
// is merged into its parents, then goes on one level up.
struct ArchTleafMatch {
  static constexpr ArchRole archRole = ARCH_ROLE_MATCH;
  ArchCoarsenMulti* pairs;
  const GraphNum* sizetab;  // the machine's fan-outs
  const GraphNum* permtab;  // terminal numbers of the leaves on the first level, or null
  GraphNum levlNbr;         // levels of the current machine
  GraphNum sizeval;         // fan-out of its last level
  GraphNum fathNbr;         // nodes of its level above the last one
  GraphNum passNum;
};

int archTleafMatchInit(ArchTleafMatch* match, const ArchTleaf* data);
void archTleafMatchExit(ArchTleafMatch* match);
GraphNum archTleafMatchMate(ArchTleafMatch* match, ArchCoarsenMulti** pairs);
