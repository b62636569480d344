// The hypercube architecture "hcub": 2^d terminals, at a distance of the
// number of bits in which their numbers differ.
#pragma once

#include "arch/arch_class.h"

// Dimensions beyond 30 would number more terminals than a GraphNum holds.
inline constexpr GraphNum ARCH_HCUB_DIM_MAX = 30;

struct ArchHcub {
  static constexpr ArchRole archRole = ARCH_ROLE_DATA;
  GraphNum dimnnbr;
};

// The 2^dimnnbr terminals whose numbers equal bitset above their dimnnbr low
// bits; bitset holds the fixed high bits in place, its low bits clear.
struct ArchHcubDom {
  static constexpr ArchRole archRole = ARCH_ROLE_DOMAIN;
  GraphNum dimnnbr;
  GraphNum bitset;
};

int archHcubArchBuild(Arch* arch, GraphNum dimnnbr);
