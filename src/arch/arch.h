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

// Pairing of terminals level by level, used to coarsen a target together with
// a graph. Each class keeps its own state in the data area.
struct ArchMatch {
  const ArchClass* archClass;
  alignas(8) unsigned char data[64];
};

// One pair of terminals (or domains) merged by a matching level; a terminal
// left single has both entries equal.
struct ArchCoarsenMulti {
  GraphNum terminals[2];
};

// Generic operations: each calls the operation of the same role of the
// architecture's class on its data, and returns its result.
const ArchClass* archClass(const char* name, int index);
int archInit(Arch* arch);
int archExit(Arch* arch);
int archFree(Arch* arch);
int archLoad(Arch* arch, FILE* stream);
int archSave(const Arch* arch, FILE* stream);
const char* archName(const Arch* arch);
GraphNum archSize(const Arch* arch);
int archVar(const Arch* arch);

GraphNum archDomNumber(const Arch* arch, const ArchDom* domain);
int archDomTerminal(const Arch* arch, ArchDom* domain, GraphNum number);
GraphNum archDomSize(const Arch* arch, const ArchDom* domain);
GraphNum archDomWeight(const Arch* arch, const ArchDom* domain);
GraphNum archDomDist(const Arch* arch, const ArchDom* first, const ArchDom* second);
int archDomFirst(const Arch* arch, ArchDom* domain);
int archDomLoad(const Arch* arch, ArchDom* domain, FILE* stream);
int archDomSave(const Arch* arch, const ArchDom* domain, FILE* stream);
int archDomBipart(const Arch* arch, const ArchDom* domain, ArchDom* first, ArchDom* second);
int archDomIncludes(const Arch* arch, const ArchDom* outer, const ArchDom* inner);

int archMatchInit(ArchMatch* match, const Arch* arch);
void archMatchExit(ArchMatch* match);
// Computes one level of pairs into *pairs (owned by the matching); returns the
// number of pairs, or -1 when no further level exists.
GraphNum archMatchMate(ArchMatch* match, ArchCoarsenMulti** pairs);
// 1 when the architecture's class pairs terminals (archMatchInit can be
// called), else 0.
int archHasMatch(const Arch* arch);

// The table of operations of one architecture class. Operations marked
// optional may be null. Classes reach their data and domains through the
// typed operations of src/arch/arch_class.h.
struct ArchClass {
  const char* name;                                     // as written in files
  int flags;                                            // ARCH_PART, ARCH_VARIABLE
  int (*archLoad)(void* data, FILE* stream);            // optional
  int (*archSave)(const void* data, FILE* stream);      // optional
  int (*archFree)(void* data);                          // optional
  int (*archMatchInit)(void* match, const void* data);  // optional, with the two below
  void (*archMatchExit)(void* match);
  GraphNum (*archMatchMate)(void* match, ArchCoarsenMulti** pairs);
  GraphNum (*archDomNumber)(const void* data, const ArchDom* domain);
  int (*archDomTerminal)(const void* data, ArchDom* domain, GraphNum number);
  GraphNum (*archDomSize)(const void* data, const ArchDom* domain);
  GraphNum (*archDomWeight)(const void* data, const ArchDom* domain);
  GraphNum (*archDomDist)(const void* data, const ArchDom* first, const ArchDom* second);
  int (*archDomFirst)(const void* data, ArchDom* domain);
  int (*archDomLoad)(const void* data, ArchDom* domain, FILE* stream);
  int (*archDomSave)(const void* data, const ArchDom* domain, FILE* stream);
  int (*archDomBipart)(const void* data, const ArchDom* domain, ArchDom* first, ArchDom* second);
  int (*archDomIncludes)(const void* data, const ArchDom* outer, const ArchDom* inner);
  size_t domainSize;  // bytes of an ArchDom that the class's domains occupy
  // Optional: the class that data just read by archLoad belongs to, when a
  // class hands some of its file formats to another entry of the registry.
  const ArchClass* (*archLoadedClass)(const void* data);
};
