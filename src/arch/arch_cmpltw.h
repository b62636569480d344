// The weighted complete-graph architecture "cmpltw": n terminals of given
// weights, any two at distance 1.
#pragma once

#include "arch/arch_class.h"

// One terminal of the arrangement: its weight and its number.
struct ArchCmpltwLoad {
  GraphNum veloval;
  GraphNum vertnum;
};

struct ArchCmpltw {
  static constexpr ArchRole archRole = ARCH_ROLE_DATA;
  GraphNum termNbr;
  GraphNum veloSum;         // weight of the whole machine
  ArchCmpltwLoad* velotab;  // the terminals in arrangement order; owns the group
  GraphNum* posttab;        // position of each terminal in the arrangement
  GraphNum* levltab;        // [i]: depth of the split between positions i - 1 and i
};

// Consecutive positions of the arrangement, and their total weight.
struct ArchCmpltwDom {
  static constexpr ArchRole archRole = ARCH_ROLE_DOMAIN;
  GraphNum vertmin;
  GraphNum vertnbr;
  GraphNum veloval;
};

// Builds the machine from one weight per terminal (each at least 1, their
// sum within GraphNum).
int archCmpltwArchBuild(Arch* arch, GraphNum termNbr, const GraphNum* velotab);
