// The scaled architecture "dist": a whole architecture whose distances are
// multiplied by a constant, so that its links weigh more or less against
// the loads of a mapping. Every other operation is that of the inner
// architecture, on the inner architecture's own domains.
//
// File data: the multiplier (at least 1), then the inner architecture with
// its class name. The inner architecture is owned and released with the
// outer one.
#include <cstring>

#include "arch/arch_class.h"

namespace {

struct ArchDist {
  static constexpr ArchRole archRole = ARCH_ROLE_DATA;
  GraphNum crloval;  // distance multiplier
  Arch* archptr;     // the inner architecture
};

struct ArchDistDom {
  static constexpr ArchRole archRole = ARCH_ROLE_DOMAIN;
  ArchDom inner;
};

int archDistArchLoad(ArchDist* data, FILE* stream) {
  if (!archReadNum(stream, &data->crloval, 1, INT32_MAX)) {
    errorPrint("archDistArchLoad: bad input");
    return 1;
  }
  data->archptr = static_cast<Arch*>(memAlloc(sizeof(Arch)));
  if (data->archptr == nullptr) {
    errorPrint("archDistArchLoad: out of memory");
    return 1;
  }
  archInit(data->archptr);
  if (archLoad(data->archptr, stream) != 0) {
    errorPrint("archDistArchLoad: bad input");
    return 1;
  }
  // The outer class has a fixed size; it cannot stand for a variable one.
  if (archVar(data->archptr) != 0) {
    errorPrint("archDistArchLoad: variable-sized architectures not supported");
    return 1;
  }
  return 0;
}

int archDistArchSave(const ArchDist* data, FILE* stream) {
  if (fprintf(stream, "%d\t", data->crloval) < 0 || archSave(data->archptr, stream) != 0) {
    errorPrint("archDistArchSave: bad output");
    return 1;
  }
  return 0;
}

int archDistArchFree(ArchDist* data) {
  int result = 0;
  if (data->archptr != nullptr) {
    result = archExit(data->archptr);
    memFree(data->archptr);
  }
  memset(data, 0, sizeof(ArchDist));
  return result;
}

GraphNum archDistDomNumber(const ArchDist* data, const ArchDistDom* domain) {
  return archDomNumber(data->archptr, &domain->inner);
}

int archDistDomTerminal(const ArchDist* data, ArchDistDom* domain, GraphNum number) {
  return archDomTerminal(data->archptr, &domain->inner, number);
}

GraphNum archDistDomSize(const ArchDist* data, const ArchDistDom* domain) {
  return archDomSize(data->archptr, &domain->inner);
}

GraphNum archDistDomWeight(const ArchDist* data, const ArchDistDom* domain) {
  return archDomWeight(data->archptr, &domain->inner);
}

// A product beyond GraphNum reads as the largest distance there is.
GraphNum archDistDomDist(const ArchDist* data, const ArchDistDom* first, const ArchDistDom* second) {
  int64_t distance = static_cast<int64_t>(data->crloval) * archDomDist(data->archptr, &first->inner, &second->inner);
  return (distance > INT32_MAX) ? INT32_MAX : static_cast<GraphNum>(distance);
}

int archDistDomFirst(const ArchDist* data, ArchDistDom* domain) { return archDomFirst(data->archptr, &domain->inner); }

int archDistDomLoad(const ArchDist* data, ArchDistDom* domain, FILE* stream) {
  return archDomLoad(data->archptr, &domain->inner, stream);
}

int archDistDomSave(const ArchDist* data, const ArchDistDom* domain, FILE* stream) {
  return archDomSave(data->archptr, &domain->inner, stream);
}

int archDistDomBipart(const ArchDist* data, const ArchDistDom* domain, ArchDistDom* first, ArchDistDom* second) {
  return archDomBipart(data->archptr, &domain->inner, &first->inner, &second->inner);
}

int archDistDomIncludes(const ArchDist* data, const ArchDistDom* outer, const ArchDistDom* inner) {
  return archDomIncludes(data->archptr, &outer->inner, &inner->inner);
}

}  // namespace

constinit const ArchClass archDistClass = {
    .name = "dist",
    .flags = 0,
    .archLoad = archOp<archDistArchLoad>,
    .archSave = archOp<archDistArchSave>,
    .archFree = archOp<archDistArchFree>,
    .archMatchInit = nullptr,
    .archMatchExit = nullptr,
    .archMatchMate = nullptr,
    .archDomNumber = archOp<archDistDomNumber>,
    .archDomTerminal = archOp<archDistDomTerminal>,
    .archDomSize = archOp<archDistDomSize>,
    .archDomWeight = archOp<archDistDomWeight>,
    .archDomDist = archOp<archDistDomDist>,
    .archDomFirst = archOp<archDistDomFirst>,
    .archDomLoad = archOp<archDistDomLoad>,
    .archDomSave = archOp<archDistDomSave>,
    .archDomBipart = archOp<archDistDomBipart>,
    .archDomIncludes = archOp<archDistDomIncludes>,
    .domainSize = sizeof(ArchDistDom),
    .archLoadedClass = nullptr,
};
