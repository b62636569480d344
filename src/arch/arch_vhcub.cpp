// The variable-sized hypercube "varhcub": the domain tree of "varcmplt",
// node k of depth l standing for the subcube whose fixed bits are the bits
// of k below its leading one. Two nodes are as far apart as the fixed bits
// they do not share, plus half their difference in depth.
#include <bit>
#include <cstdlib>

#include "arch/arch_vcmplt.h"

namespace {

GraphNum archVhcubDomDist(const ArchVcmplt*, const ArchVcmpltDom* first, const ArchVcmpltDom* second) {
  const ArchVcmpltDom* deeper = (first->termLvl >= second->termLvl) ? first : second;
  const ArchVcmpltDom* other = (deeper == first) ? second : first;
  GraphNum depthGap = deeper->termLvl - other->termLvl;
  uint32_t differing = static_cast<uint32_t>(deeper->termNum >> depthGap) ^ static_cast<uint32_t>(other->termNum);
  return depthGap / 2 + std::popcount(differing);
}

int archVhcubDomLoad(const ArchVcmplt*, ArchVcmpltDom* domain, FILE* stream) {
  if (!archVcmpltDomRead(domain, stream)) {
    errorPrint("archVhcubDomLoad: bad input");
    return 1;
  }
  return 0;
}

int archVhcubDomSave(const ArchVcmplt*, const ArchVcmpltDom* domain, FILE* stream) {
  if (fprintf(stream, "%d ", domain->termNum) < 0) {
    errorPrint("archVhcubDomSave: bad output");
    return 1;
  }
  return 0;
}

}  // namespace

constinit const ArchClass archVhcubClass = {
    .name = "varhcub",
    .flags = ARCH_VARIABLE,
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
    .archDomDist = archOp<archVhcubDomDist>,
    .archDomFirst = archOp<archVcmpltDomFirst>,
    .archDomLoad = archOp<archVhcubDomLoad>,
    .archDomSave = archOp<archVhcubDomSave>,
    .archDomBipart = archOp<archVcmpltDomBipart>,
    .archDomIncludes = archOp<archVcmpltDomIncludes>,
    .domainSize = sizeof(ArchVcmpltDom),
    .archLoadedClass = nullptr,
};

int archVhcubArchBuild(Arch* arch) {
  archSetClass(arch, &archVhcubClass);
  return 0;
}
