// The variable-sized complete graph "varcmplt": every two distinct nodes of
// the domain tree are at distance 1.
#include "arch/arch_vcmplt.h"

#include <bit>

GraphNum archVcmpltDomNumber(const ArchVcmplt*, const ArchVcmpltDom* domain) { return domain->termNum; }

int archVcmpltDomTerminal(const ArchVcmplt*, ArchVcmpltDom* domain, GraphNum number) {
  if (number < 0) return 1;
  if (number == 0) return 2;  // the tree has no node 0
  domain->termNum = number;
  domain->termLvl = std::bit_width(static_cast<uint32_t>(number)) - 1;
  return 0;
}

GraphNum archVcmpltDomSize(const ArchVcmplt*, const ArchVcmpltDom*) { return 1; }

int archVcmpltDomFirst(const ArchVcmplt*, ArchVcmpltDom* domain) {
  domain->termNum = 1;
  domain->termLvl = 0;
  return 0;
}

int archVcmpltDomBipart(const ArchVcmplt*, const ArchVcmpltDom* domain, ArchVcmpltDom* first, ArchVcmpltDom* second) {
  if (domain->termNum > (INT32_MAX - 1) / 2) return 2;  // the children would not be numbered
  first->termNum = 2 * domain->termNum;
  second->termNum = first->termNum + 1;
  first->termLvl = second->termLvl = domain->termLvl + 1;
  return 0;
}

int archVcmpltDomIncludes(const ArchVcmplt*, const ArchVcmpltDom* outer, const ArchVcmpltDom* inner) {
  return (inner->termLvl >= outer->termLvl && (inner->termNum >> (inner->termLvl - outer->termLvl)) == outer->termNum)
             ? 1
             : 0;
}

bool archVcmpltDomRead(ArchVcmpltDom* domain, FILE* stream) {
  if (!archReadNum(stream, &domain->termNum, 1, INT32_MAX)) return false;
  domain->termLvl = std::bit_width(static_cast<uint32_t>(domain->termNum)) - 1;
  return true;
}

namespace {

GraphNum archVcmpltDomDist(const ArchVcmplt*, const ArchVcmpltDom* first, const ArchVcmpltDom* second) {
  return (first->termNum == second->termNum) ? 0 : 1;
}

int archVcmpltDomLoad(const ArchVcmplt*, ArchVcmpltDom* domain, FILE* stream) {
  if (!archVcmpltDomRead(domain, stream)) {
    errorPrint("archVcmpltDomLoad: bad input");
    return 1;
  }
  return 0;
}

int archVcmpltDomSave(const ArchVcmplt*, const ArchVcmpltDom* domain, FILE* stream) {
  if (fprintf(stream, "%d ", domain->termNum) < 0) {
    errorPrint("archVcmpltDomSave: bad output");
    return 1;
  }
  return 0;
}

}  // namespace

constinit const ArchClass archVcmpltClass = {
    .name = "varcmplt",
    .flags = ARCH_PART | ARCH_VARIABLE,
    .archLoad = nullptr,
    .archSave = nullptr,
    .archFree = nullptr,
    .archMatchInit = nullptr,
    .archMatchExit = nullptr,
    .archMatchMate = nullptr,
    .archDomNumber = archOp<archVcmpltDomNumber>,
    .archDomTerminal = archOp<archVcmpltDomTerminal>,
    .archDomSize = archOp<archVcmpltDomSize>,
    .archDomWeight = archOp<archVcmpltDomSize>,
    .archDomDist = archOp<archVcmpltDomDist>,
    .archDomFirst = archOp<archVcmpltDomFirst>,
    .archDomLoad = archOp<archVcmpltDomLoad>,
    .archDomSave = archOp<archVcmpltDomSave>,
    .archDomBipart = archOp<archVcmpltDomBipart>,
    .archDomIncludes = archOp<archVcmpltDomIncludes>,
    .domainSize = sizeof(ArchVcmpltDom),
    .archLoadedClass = nullptr,
};

int archVcmpltArchBuild(Arch* arch) {
  archSetClass(arch, &archVcmpltClass);
  return 0;
}
