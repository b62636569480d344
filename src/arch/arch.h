// Target architectures: a set of terminals with distances between them and a
// way to split any domain (set of terminals) into two subdomains.
#pragma once

#include "common/common.h"

enum {
  ARCH_PART = 1,      // all distinct domains are equally distant
  ARCH_VARIABLE = 2,  // no fixed number of terminals
  ARCH_LOADED = 4,    // read from a file
};

struct ArchClass;

// One domain in its class's own representation; a plain value.
struct ArchDom {
  alignas(8) unsigned char data[40];
};

// Size reserved in place for the data of every architecture class.
inline constexpr size_t ARCH_DATA_SIZE = 136;

struct Arch {
  const ArchClass* archClass;  // null in a cleared record
  int flags;
  alignas(8) unsigned char data[ARCH_DATA_SIZE];
};
