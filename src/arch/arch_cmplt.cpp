// The complete-graph architecture "cmplt".
//
// File data: the terminal count n (at least 1). A domain is a range of
// consecutive terminals; the whole machine is {0, n}. Any two distinct
// domains are at distance 1, so the class has ARCH_PART and a mapping onto
// it is a plain partition. Splits halve the range, the second half taking
// the odd terminal.
#include "arch/arch_cmplt.h"

namespace {

int archCmpltArchLoad(ArchCmplt* data, FILE* stream) {
  if (!archReadNum(stream, &data->termNbr, 1, INT32_MAX)) {
    errorPrint("archCmpltArchLoad: bad input");
    return 1;
  }
  return 0;
}

int archCmpltArchSave(const ArchCmplt* data, FILE* stream) {
  if (fprintf(stream, "%d\n", data->termNbr) < 0) {
    errorPrint("archCmpltArchSave: bad output");
    return 1;
  }
  return 0;
}

int archCmpltMatchInit(ArchCmpltMatch* match, const ArchCmplt* data) {
  return archCmpltMatchStart(match, data->termNbr);
}

GraphNum archCmpltDomNumber(const ArchCmplt*, const ArchCmpltDom* domain) { return domain->first; }

int archCmpltDomTerminal(const ArchCmplt* data, ArchCmpltDom* domain, GraphNum number) {
  if (number < 0 || number >= data->termNbr) return 1;
  domain->first = number;
  domain->count = 1;
  return 0;
}

GraphNum archCmpltDomSize(const ArchCmplt*, const ArchCmpltDom* domain) { return domain->count; }

GraphNum archCmpltDomDist(const ArchCmplt*, const ArchCmpltDom* first, const ArchCmpltDom* second) {
  return (first->first == second->first && first->count == second->count) ? 0 : 1;
}

int archCmpltDomFirst(const ArchCmplt* data, ArchCmpltDom* domain) {
  domain->first = 0;
  domain->count = data->termNbr;
  return 0;
}

int archCmpltDomLoad(const ArchCmplt* data, ArchCmpltDom* domain, FILE* stream) {
  if (!archReadNum(stream, &domain->first, 0, data->termNbr - 1) ||
      !archReadNum(stream, &domain->count, 1, data->termNbr - domain->first)) {
    errorPrint("archCmpltDomLoad: bad input");
    return 1;
  }
  return 0;
}

int archCmpltDomSave(const ArchCmplt*, const ArchCmpltDom* domain, FILE* stream) {
  if (fprintf(stream, "%d %d ", domain->first, domain->count) < 0) {
    errorPrint("archCmpltDomSave: bad output");
    return 1;
  }
  return 0;
}

int archCmpltDomBipart(const ArchCmplt*, const ArchCmpltDom* domain, ArchCmpltDom* first, ArchCmpltDom* second) {
  if (domain->count < 2) return 1;
  first->first = domain->first;
  first->count = domain->count / 2;
  second->first = domain->first + first->count;
  second->count = domain->count - first->count;
  return 0;
}

int archCmpltDomIncludes(const ArchCmplt*, const ArchCmpltDom* outer, const ArchCmpltDom* inner) {
  return (inner->first >= outer->first &&
          static_cast<int64_t>(inner->first) + inner->count <= static_cast<int64_t>(outer->first) + outer->count)
             ? 1
             : 0;
}

}  // namespace

int archCmpltArchBuild(Arch* arch, GraphNum termNbr) {
  if (termNbr < 1) {
    errorPrint("archCmpltArchBuild: invalid parameters");
    return 1;
  }
  archSetClass(arch, &archCmpltClass);
  archDataOf<ArchCmplt>(arch)->termNbr = termNbr;
  return 0;
}

int archCmpltMatchStart(ArchCmpltMatch* match, GraphNum termNbr) {
  match->pairs =
      static_cast<ArchCoarsenMulti*>(memAlloc(((static_cast<size_t>(termNbr) + 1) / 2) * sizeof(ArchCoarsenMulti)));
  if (match->pairs == nullptr) {
    errorPrint("archCmpltMatchInit: out of memory");
    return 1;
  }
  match->termNbr = termNbr;
  match->passNum = 0;
  return 0;
}

void archCmpltMatchExit(ArchCmpltMatch* match) {
  memFree(match->pairs);
  match->pairs = nullptr;
}

GraphNum archCmpltMatchMate(ArchCmpltMatch* match, ArchCoarsenMulti** pairs) {
  const GraphNum termNbr = match->termNbr;
  if (termNbr < 2) return -1;
  ArchCoarsenMulti* pair = match->pairs;
  GraphNum terminal = 0;
  // With an odd count one terminal stays single: the first one on odd
  // passes, the last one otherwise, so that no terminal is left out at
  // every level.
  if ((termNbr & 1) != 0 && (match->passNum & 1) != 0) {
    *pair++ = ArchCoarsenMulti{{0, 0}};
    terminal = 1;
  }
  for (; terminal + 1 < termNbr; terminal += 2) *pair++ = ArchCoarsenMulti{{terminal, terminal + 1}};
  if (terminal < termNbr) *pair++ = ArchCoarsenMulti{{terminal, terminal}};

  match->termNbr = static_cast<GraphNum>(pair - match->pairs);
  match->passNum++;
  *pairs = match->pairs;
  return match->termNbr;
}

constinit const ArchClass archCmpltClass = {
    .name = "cmplt",
    .flags = ARCH_PART,
    .archLoad = archOp<archCmpltArchLoad>,
    .archSave = archOp<archCmpltArchSave>,
    .archFree = nullptr,
    .archMatchInit = archOp<archCmpltMatchInit>,
    .archMatchExit = archOp<archCmpltMatchExit>,
    .archMatchMate = archOp<archCmpltMatchMate>,
    .archDomNumber = archOp<archCmpltDomNumber>,
    .archDomTerminal = archOp<archCmpltDomTerminal>,
    .archDomSize = archOp<archCmpltDomSize>,
    .archDomWeight = archOp<archCmpltDomSize>,
    .archDomDist = archOp<archCmpltDomDist>,
    .archDomFirst = archOp<archCmpltDomFirst>,
    .archDomLoad = archOp<archCmpltDomLoad>,
    .archDomSave = archOp<archCmpltDomSave>,
    .archDomBipart = archOp<archCmpltDomBipart>,
    .archDomIncludes = archOp<archCmpltDomIncludes>,
    .domainSize = sizeof(ArchCmpltDom),
    .archLoadedClass = nullptr,
};
