// The hypercube architecture "hcub".
//
// File data: the dimension d. A domain is a subcube: k free low bits and
// the fixed bits above them. Splits fix the highest free bit, so the two
// halves of a subcube are its two subcubes one dimension down. The distance
// between subcubes counts the differing fixed bits above both free ranges,
// plus half the difference of their dimensions (the average route inside
// the larger one).
#include "arch/arch_hcub.h"

#include <bit>
#include <cstdlib>

namespace {

// Pairs terminals 2i and 2i + 1, which differ in the lowest bit; the coarse
// machine is the hypercube one dimension down.
struct ArchHcubMatch {
  static constexpr ArchRole archRole = ARCH_ROLE_MATCH;
  ArchCoarsenMulti* pairs;
  GraphNum dimnnbr;  // dimension of the current level
};

int archHcubArchLoad(ArchHcub* data, FILE* stream) {
  if (!archReadNum(stream, &data->dimnnbr, 1, ARCH_HCUB_DIM_MAX)) {
    errorPrint("archHcubArchLoad: bad input");
    return 1;
  }
  return 0;
}

int archHcubArchSave(const ArchHcub* data, FILE* stream) {
  if (fprintf(stream, "%d\n", data->dimnnbr) < 0) {
    errorPrint("archHcubArchSave: bad output");
    return 1;
  }
  return 0;
}

int archHcubMatchInit(ArchHcubMatch* match, const ArchHcub* data) {
  match->dimnnbr = data->dimnnbr;
  match->pairs =
      static_cast<ArchCoarsenMulti*>(memAlloc((size_t{1} << (data->dimnnbr - 1)) * sizeof(ArchCoarsenMulti)));
  if (match->pairs == nullptr) {
    errorPrint("archHcubMatchInit: out of memory");
    return 1;
  }
  return 0;
}

void archHcubMatchExit(ArchHcubMatch* match) {
  memFree(match->pairs);
  match->pairs = nullptr;
}

GraphNum archHcubMatchMate(ArchHcubMatch* match, ArchCoarsenMulti** pairs) {
  if (match->dimnnbr <= 0) return -1;
  match->dimnnbr--;
  const GraphNum pairNbr = GraphNum{1} << match->dimnnbr;
  for (GraphNum pair = 0; pair < pairNbr; pair++) match->pairs[pair] = ArchCoarsenMulti{{2 * pair, 2 * pair + 1}};
  *pairs = match->pairs;
  return pairNbr;
}

GraphNum archHcubDomNumber(const ArchHcub*, const ArchHcubDom* domain) { return domain->bitset; }

int archHcubDomTerminal(const ArchHcub* data, ArchHcubDom* domain, GraphNum number) {
  if (number < 0 || number >= (GraphNum{1} << data->dimnnbr)) return 1;
  domain->dimnnbr = 0;
  domain->bitset = number;
  return 0;
}

GraphNum archHcubDomSize(const ArchHcub*, const ArchHcubDom* domain) { return GraphNum{1} << domain->dimnnbr; }

GraphNum archHcubDomDist(const ArchHcub*, const ArchHcubDom* first, const ArchHcubDom* second) {
  GraphNum free = (first->dimnnbr > second->dimnnbr) ? first->dimnnbr : second->dimnnbr;
  GraphNum differing = std::popcount(static_cast<uint32_t>(first->bitset ^ second->bitset) >> free);
  return abs(first->dimnnbr - second->dimnnbr) / 2 + differing;
}

int archHcubDomFirst(const ArchHcub* data, ArchHcubDom* domain) {
  domain->dimnnbr = data->dimnnbr;
  domain->bitset = 0;
  return 0;
}

int archHcubDomLoad(const ArchHcub* data, ArchHcubDom* domain, FILE* stream) {
  if (!archReadNum(stream, &domain->dimnnbr, 0, data->dimnnbr) ||
      !archReadNum(stream, &domain->bitset, 0, (GraphNum{1} << data->dimnnbr) - 1) ||
      (domain->bitset & ((GraphNum{1} << domain->dimnnbr) - 1)) != 0) {  // free bits are stored clear
    errorPrint("archHcubDomLoad: bad input");
    return 1;
  }
  return 0;
}

int archHcubDomSave(const ArchHcub*, const ArchHcubDom* domain, FILE* stream) {
  if (fprintf(stream, "%d %d ", domain->dimnnbr, domain->bitset) < 0) {
    errorPrint("archHcubDomSave: bad output");
    return 1;
  }
  return 0;
}

int archHcubDomBipart(const ArchHcub*, const ArchHcubDom* domain, ArchHcubDom* first, ArchHcubDom* second) {
  if (domain->dimnnbr <= 0) return 1;
  first->dimnnbr = second->dimnnbr = domain->dimnnbr - 1;
  first->bitset = domain->bitset;
  second->bitset = domain->bitset | (GraphNum{1} << (domain->dimnnbr - 1));
  return 0;
}

int archHcubDomIncludes(const ArchHcub*, const ArchHcubDom* outer, const ArchHcubDom* inner) {
  return (inner->dimnnbr <= outer->dimnnbr && ((inner->bitset ^ outer->bitset) >> outer->dimnnbr) == 0) ? 1 : 0;
}

}  // namespace

constinit const ArchClass archHcubClass = {
    .name = "hcub",
    .flags = 0,
    .archLoad = archOp<archHcubArchLoad>,
    .archSave = archOp<archHcubArchSave>,
    .archFree = nullptr,
    .archMatchInit = archOp<archHcubMatchInit>,
    .archMatchExit = archOp<archHcubMatchExit>,
    .archMatchMate = archOp<archHcubMatchMate>,
    .archDomNumber = archOp<archHcubDomNumber>,
    .archDomTerminal = archOp<archHcubDomTerminal>,
    .archDomSize = archOp<archHcubDomSize>,
    .archDomWeight = archOp<archHcubDomSize>,
    .archDomDist = archOp<archHcubDomDist>,
    .archDomFirst = archOp<archHcubDomFirst>,
    .archDomLoad = archOp<archHcubDomLoad>,
    .archDomSave = archOp<archHcubDomSave>,
    .archDomBipart = archOp<archHcubDomBipart>,
    .archDomIncludes = archOp<archHcubDomIncludes>,
    .domainSize = sizeof(ArchHcubDom),
    .archLoadedClass = nullptr,
};

int archHcubArchBuild(Arch* arch, GraphNum dimnnbr) {
  if (dimnnbr < 1 || dimnnbr > ARCH_HCUB_DIM_MAX) {
    errorPrint("archHcubArchBuild: invalid parameters");
    return 1;
  }
  archSetClass(arch, &archHcubClass);
  archDataOf<ArchHcub>(arch)->dimnnbr = dimnnbr;
  return 0;
}
