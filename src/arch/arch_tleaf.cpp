// The tree-leaf architecture "tleaf".
//
// File data: the level count L, then per level its fan-out (at least 2) and
// the cost of a link from a node of that level to one of its children (at
// least 1). The terminals are the leaves, numbered from left to right.
// A domain is a run of consecutive nodes of one level. Splits halve a run,
// the first half taking the odd node; a single node splits into its
// children. Distances climb the tree: the deeper domain first up to the
// other's level, then both together until they meet, each level climbed
// adding its link cost.
#include "arch/arch_tleaf.h"

#include <cstring>

namespace {

// Allocates the level arrays of levlNbr levels in one block.
bool archTleafAlloc(ArchTleaf* data, GraphNum levlNbr) {
  const size_t levels = static_cast<size_t>(levlNbr);
  data->levlNbr = levlNbr;
  return memGroupAlloc({memEntry(data->sizetab, levels * sizeof(GraphNum)),
                        memEntry(data->linktab, levels * sizeof(GraphNum)),
                        memEntry(data->subttab, (levels + 1) * sizeof(GraphNum))}) != nullptr;
}

// Leaves under the nodes of each level and their product; false when the
// terminal count would not fit a GraphNum.
bool archTleafCount(ArchTleaf* data) {
  int64_t leaves = 1;
  data->subttab[data->levlNbr] = 1;
  for (GraphNum level = data->levlNbr - 1; level >= 0; level--) {
    leaves *= data->sizetab[level];
    if (leaves > INT32_MAX) return false;
    data->subttab[level] = static_cast<GraphNum>(leaves);
  }
  data->termNbr = static_cast<GraphNum>(leaves);
  return true;
}

// Link costs add up in 64 bits; a sum beyond GraphNum reads as the largest
// distance there is.
GraphNum archTleafDistance(int64_t distance) {
  return (distance > INT32_MAX) ? INT32_MAX : static_cast<GraphNum>(distance);
}

// Nodes of one level.
GraphNum archTleafNodeNbr(const ArchTleaf* data, GraphNum level) { return data->termNbr / data->subttab[level]; }

GraphNum archTleafDomNumber(const ArchTleaf* data, const ArchTleafDom* domain) {
  return domain->indxmin * data->subttab[domain->levlnum];
}

int archTleafDomTerminal(const ArchTleaf* data, ArchTleafDom* domain, GraphNum number) {
  if (number < 0 || number >= data->termNbr) return 1;
  domain->levlnum = data->levlNbr;
  domain->indxmin = number;
  domain->indxnbr = 1;
  return 0;
}

}  // namespace

int archTleafArchLoad(ArchTleaf* data, FILE* stream) {
  GraphNum levlNbr;
  // A negative count says nothing sensible; a zero one is a single leaf.
  if (!archReadNum(stream, &levlNbr, 0, ARCH_TLEAF_LEVEL_MAX)) {
    errorPrint("archTleafArchLoad: bad input (1)");
    return 1;
  }
  if (!archTleafAlloc(data, levlNbr)) {
    errorPrint("archTleafArchLoad: out of memory");
    return 1;
  }
  for (GraphNum level = 0; level < levlNbr; level++) {
    if (!archReadNum(stream, &data->sizetab[level], 2, INT32_MAX) ||
        !archReadNum(stream, &data->linktab[level], 1, INT32_MAX)) {
      errorPrint("archTleafArchLoad: bad input (2)");
      return 1;
    }
  }
  if (!archTleafCount(data)) {
    errorPrint("archTleafArchLoad: bad input (2)");
    return 1;
  }
  return 0;
}

int archTleafArchSave(const ArchTleaf* data, FILE* stream) {
  if (fprintf(stream, "%d", data->levlNbr) < 0) {
    errorPrint("archTleafArchSave: bad output (1)");
    return 1;
  }
  for (GraphNum level = 0; level < data->levlNbr; level++) {
    if (fprintf(stream, " %d %d", data->sizetab[level], data->linktab[level]) < 0) {
      errorPrint("archTleafArchSave: bad output (2)");
      return 1;
    }
  }
  if (fprintf(stream, "\n") < 0) {
    errorPrint("archTleafArchSave: bad output (3)");
    return 1;
  }
  return 0;
}

int archTleafArchFree(ArchTleaf* data) {
  memFree(data->sizetab);  // heads the level group
  memFree(data->permtab);  // heads the permutation group
  memset(data, 0, sizeof(ArchTleaf));
  return 0;
}

GraphNum archTleafDomSize(const ArchTleaf* data, const ArchTleafDom* domain) {
  return domain->indxnbr * data->subttab[domain->levlnum];
}

GraphNum archTleafDomDist(const ArchTleaf* data, const ArchTleafDom* first, const ArchTleafDom* second) {
  const ArchTleafDom* deeper = (first->levlnum >= second->levlnum) ? first : second;
  const ArchTleafDom* other = (deeper == first) ? second : first;
  GraphNum level = deeper->levlnum;
  GraphNum deepMin = deeper->indxmin, deepMax = deeper->indxmin + deeper->indxnbr - 1;
  GraphNum otherMin = other->indxmin, otherMax = other->indxmin + other->indxnbr - 1;
  int64_t distance = 0;
  for (; level > other->levlnum; level--) {
    distance += data->linktab[level - 1];
    deepMin /= data->sizetab[level - 1];
    deepMax /= data->sizetab[level - 1];
  }
  if (deepMin <= otherMax && otherMin <= deepMax) return archTleafDistance(distance / 2);  // nested or overlapping
  // Both climb until they meet; at the root at the latest.
  for (; deepMin > otherMax || otherMin > deepMax; level--) {
    distance += data->linktab[level - 1];
    deepMin /= data->sizetab[level - 1];
    deepMax /= data->sizetab[level - 1];
    otherMin /= data->sizetab[level - 1];
    otherMax /= data->sizetab[level - 1];
  }
  return archTleafDistance(distance);
}

int archTleafDomFirst(const ArchTleaf*, ArchTleafDom* domain) {
  domain->levlnum = 0;
  domain->indxmin = 0;
  domain->indxnbr = 1;
  return 0;
}

int archTleafDomLoad(const ArchTleaf* data, ArchTleafDom* domain, FILE* stream) {
  if (!archReadNum(stream, &domain->levlnum, 0, data->levlNbr) ||
      !archReadNum(stream, &domain->indxmin, 0, archTleafNodeNbr(data, domain->levlnum) - 1) ||
      !archReadNum(stream, &domain->indxnbr, 1, archTleafNodeNbr(data, domain->levlnum) - domain->indxmin)) {
    errorPrint("archTleafDomLoad: bad input");
    return 1;
  }
  return 0;
}

int archTleafDomSave(const ArchTleaf*, const ArchTleafDom* domain, FILE* stream) {
  if (fprintf(stream, "%d %d %d ", domain->levlnum, domain->indxmin, domain->indxnbr) < 0) {
    errorPrint("archTleafDomSave: bad output");
    return 1;
  }
  return 0;
}

int archTleafDomBipart(const ArchTleaf* data, const ArchTleafDom* domain, ArchTleafDom* first, ArchTleafDom* second) {
  GraphNum level = domain->levlnum;
  GraphNum indxmin = domain->indxmin;
  GraphNum indxnbr = domain->indxnbr;
  if (indxnbr == 1) {  // one node: split its children
    if (level >= data->levlNbr) return 1;
    indxmin *= data->sizetab[level];
    indxnbr = data->sizetab[level];
    level++;
  }
  first->levlnum = second->levlnum = level;
  first->indxmin = indxmin;
  first->indxnbr = indxnbr - indxnbr / 2;  // (indxnbr + 1) / 2, which overflows for the largest fan-out
  second->indxmin = indxmin + first->indxnbr;
  second->indxnbr = indxnbr - first->indxnbr;
  return 0;
}

// Compares the leaf ranges of the two domains.
int archTleafDomIncludes(const ArchTleaf* data, const ArchTleafDom* outer, const ArchTleafDom* inner) {
  int64_t outerMin = static_cast<int64_t>(outer->indxmin) * data->subttab[outer->levlnum];
  int64_t outerEnd = outerMin + static_cast<int64_t>(outer->indxnbr) * data->subttab[outer->levlnum];
  int64_t innerMin = static_cast<int64_t>(inner->indxmin) * data->subttab[inner->levlnum];
  int64_t innerEnd = innerMin + static_cast<int64_t>(inner->indxnbr) * data->subttab[inner->levlnum];
  return (innerMin >= outerMin && innerEnd <= outerEnd) ? 1 : 0;
}

int archTleafMatchInit(ArchTleafMatch* match, const ArchTleaf* data) {
  match->sizetab = data->sizetab;
  match->permtab = data->permtab;
  match->levlNbr = data->levlNbr;
  match->sizeval = (data->levlNbr > 0) ? data->sizetab[data->levlNbr - 1] : 1;
  match->fathNbr = data->termNbr / match->sizeval;
  match->passNum = 0;
  size_t pairNbr = static_cast<size_t>(match->fathNbr) * ((match->sizeval + 1) / 2);
  match->pairs = static_cast<ArchCoarsenMulti*>(memAlloc(pairNbr * sizeof(ArchCoarsenMulti)));
  if (match->pairs == nullptr) {
    errorPrint("archTleafMatchInit: out of memory");
    return 1;
  }
  return 0;
}

void archTleafMatchExit(ArchTleafMatch* match) {
  memFree(match->pairs);
  match->pairs = nullptr;
}

GraphNum archTleafMatchMate(ArchTleafMatch* match, ArchCoarsenMulti** pairs) {
  while (match->sizeval == 1 && match->levlNbr > 1) {  // the last level is merged: go one level up
    match->levlNbr--;
    match->sizeval = match->sizetab[match->levlNbr - 1];
    match->fathNbr /= match->sizeval;
  }
  if (match->sizeval <= 1) return -1;

  const GraphNum sizeval = match->sizeval;
  const GraphNum coarseVal = (sizeval + 1) / 2;
  // With an odd fan-out the first child stays single on odd passes, the
  // last one otherwise.
  const GraphNum shift = ((sizeval & 1) != 0 && (match->passNum & 1) != 0) ? 1 : 0;
  ArchCoarsenMulti* pair = match->pairs;
  for (GraphNum father = 0; father < match->fathNbr; father++)
    for (GraphNum coarse = 0; coarse < coarseVal; coarse++) {
      GraphNum child0 = 2 * coarse - shift;
      GraphNum child1 = child0 + 1;
      if (child0 < 0) child0 = 0;
      if (child1 >= sizeval) child1 = sizeval - 1;
      GraphNum leaf0 = father * sizeval + child0;
      GraphNum leaf1 = father * sizeval + child1;
      if (match->permtab != nullptr) {  // the first level pairs terminal numbers
        leaf0 = match->permtab[leaf0];
        leaf1 = match->permtab[leaf1];
      }
      *pair++ = ArchCoarsenMulti{{leaf0, leaf1}};
    }
  match->permtab = nullptr;
  match->sizeval = coarseVal;
  match->passNum++;
  *pairs = match->pairs;
  return static_cast<GraphNum>(pair - match->pairs);
}

constinit const ArchClass archTleafClass = {
    .name = "tleaf",
    .flags = 0,
    .archLoad = archOp<archTleafArchLoad>,
    .archSave = archOp<archTleafArchSave>,
    .archFree = archOp<archTleafArchFree>,
    .archMatchInit = archOp<archTleafMatchInit>,
    .archMatchExit = archOp<archTleafMatchExit>,
    .archMatchMate = archOp<archTleafMatchMate>,
    .archDomNumber = archOp<archTleafDomNumber>,
    .archDomTerminal = archOp<archTleafDomTerminal>,
    .archDomSize = archOp<archTleafDomSize>,
    .archDomWeight = archOp<archTleafDomSize>,
    .archDomDist = archOp<archTleafDomDist>,
    .archDomFirst = archOp<archTleafDomFirst>,
    .archDomLoad = archOp<archTleafDomLoad>,
    .archDomSave = archOp<archTleafDomSave>,
    .archDomBipart = archOp<archTleafDomBipart>,
    .archDomIncludes = archOp<archTleafDomIncludes>,
    .domainSize = sizeof(ArchTleafDom),
    .archLoadedClass = nullptr,
};

int archTleafArchBuild(Arch* arch, GraphNum levlNbr, const GraphNum* sizetab, const GraphNum* linktab,
                       const char* caller) {
  bool valid = levlNbr >= 0 && levlNbr <= ARCH_TLEAF_LEVEL_MAX;
  for (GraphNum level = 0; valid && level < levlNbr; level++) valid = sizetab[level] >= 2 && linktab[level] >= 1;
  if (!valid) {
    errorPrint("%s: invalid parameters", caller);
    return 1;
  }
  archSetClass(arch, &archTleafClass);
  ArchTleaf* data = archDataOf<ArchTleaf>(arch);
  if (!archTleafAlloc(data, levlNbr)) {
    errorPrint("%s: out of memory", caller);
    return 1;
  }
  memcpy(data->sizetab, sizetab, static_cast<size_t>(levlNbr) * sizeof(GraphNum));
  memcpy(data->linktab, linktab, static_cast<size_t>(levlNbr) * sizeof(GraphNum));
  if (!archTleafCount(data)) {
    errorPrint("%s: invalid parameters", caller);
    return 1;
  }
  return 0;
}
