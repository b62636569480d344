// The complete-graph architecture "cmplt": n terminals, any two at
// distance 1. Its terminal matching is shared with "cmpltw".
#pragma once

#include "arch/arch_class.h"

struct ArchCmplt {
  static constexpr ArchRole archRole = ARCH_ROLE_DATA;
  GraphNum termNbr;
};

// Consecutive terminals [first, first + count).
struct ArchCmpltDom {
  static constexpr ArchRole archRole = ARCH_ROLE_DOMAIN;
  GraphNum first;
  GraphNum count;
};

// Pairs terminals 2i and 2i + 1 of the current level; the coarse terminal
// of pair i is terminal i of the next level.
struct ArchCmpltMatch {
  static constexpr ArchRole archRole = ARCH_ROLE_MATCH;
  ArchCoarsenMulti* pairs;
  GraphNum termNbr;  // terminals of the current level
  GraphNum passNum;  // levels computed so far
};

int archCmpltArchBuild(Arch* arch, GraphNum termNbr);

int archCmpltMatchStart(ArchCmpltMatch* match, GraphNum termNbr);
void archCmpltMatchExit(ArchCmpltMatch* match);
GraphNum archCmpltMatchMate(ArchCmpltMatch* match, ArchCoarsenMulti** pairs);
