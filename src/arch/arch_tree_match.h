// Terminal matching along a binary domain tree, shared by the classes whose
// domains are the nodes of an explicit tree ("sub", "deco" format 2). Each
// level is a cut of the tree, initially its leaves; a level pairs every
// node whose sibling is in the cut too, their father standing for the pair
// on the next level. The deepest node of a cut always has its sibling in
// the cut, so every level merges at least one pair, until the root is left.
#pragma once

#include "arch/arch_class.h"

struct ArchTreeMatch {
  static constexpr ArchRole archRole = ARCH_ROLE_MATCH;
  ArchCoarsenMulti* pairs;  // owns the group
  GraphNum* sonstab;        // two children per node, -1 for a leaf; filled by the class
  GraphNum* fathtab;        // father of each node, -1 for the root
  GraphNum* frontab;        // node of each terminal of the current level, -1 once paired
  GraphNum* fronnext;       // the same for the next level
  GraphNum* indxtab;        // terminal of the current level standing for each node, or -1
  GraphNum frontnbr;        // terminals of the current level
  GraphNum nodenbr;
};

// Allocates the arrays for a tree of nodenbr nodes and termnbr leaves;
// false when the memory cannot be had (the caller reports it).
bool archTreeMatchAlloc(ArchTreeMatch* match, GraphNum nodenbr, GraphNum termnbr);
// Once sonstab is filled: fathers, and the first level, terminal t standing
// for node leaftab[t].
void archTreeMatchStart(ArchTreeMatch* match, const GraphNum* leaftab);
void archTreeMatchExit(ArchTreeMatch* match);
GraphNum archTreeMatchMate(ArchTreeMatch* match, ArchCoarsenMulti** pairs);
