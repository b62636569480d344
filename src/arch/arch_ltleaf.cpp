// The labelled tree-leaf architecture "ltleaf": a "tleaf" whose leaves carry
// terminal numbers given by a permutation, so that a machine whose cores are
// not numbered in tree order can be described. Only terminal numbers pass
// through the permutation; domains, distances and splits are those of the
// tree.
//
// File data: the "tleaf" data, then the permutation length (the terminal
// count) and the terminal number of each leaf from left to right.
#include <cstring>

#include "arch/arch_tleaf.h"

namespace {

// Allocates the permutation and its inverse as one block.
bool archLtleafAlloc(ArchTleaf* data) {
  const size_t terminals = static_cast<size_t>(data->termNbr);
  return memGroupAlloc({memEntry(data->permtab, terminals * sizeof(GraphNum)),
                        memEntry(data->peritab, terminals * sizeof(GraphNum))}) != nullptr;
}

// Fills the inverse of permtab; false when permtab is not a permutation.
bool archLtleafInvert(ArchTleaf* data) {
  for (GraphNum terminal = 0; terminal < data->termNbr; terminal++) data->peritab[terminal] = -1;
  for (GraphNum leaf = 0; leaf < data->termNbr; leaf++) {
    GraphNum terminal = data->permtab[leaf];
    if (terminal < 0 || terminal >= data->termNbr || data->peritab[terminal] != -1) return false;
    data->peritab[terminal] = leaf;
  }
  return true;
}

int archLtleafArchLoad(ArchTleaf* data, FILE* stream) {
  if (archTleafArchLoad(data, stream) != 0) return 1;
  GraphNum permNbr;
  if (!archReadNum(stream, &permNbr, data->termNbr, data->termNbr)) {  // one number per leaf
    errorPrint("archLtleafArchLoad: bad input (1)");
    return 1;
  }
  // The leaves are read into a growing array first, so that a large tree
  // that the file does not back costs no memory.
  ArchGrowArray<GraphNum> read(static_cast<size_t>(permNbr));
  for (GraphNum leaf = 0; leaf < permNbr; leaf++) {
    if (!read.reserve(static_cast<size_t>(leaf))) {
      errorPrint("archLtleafArchLoad: out of memory");
      return 1;
    }
    if (!archReadNum(stream, &read[static_cast<size_t>(leaf)], 0, permNbr - 1)) {
      errorPrint("archLtleafArchLoad: bad input (2)");
      return 1;
    }
  }
  if (!archLtleafAlloc(data)) {
    errorPrint("archLtleafArchLoad: out of memory");
    return 1;
  }
  memcpy(data->permtab, read.data(), static_cast<size_t>(permNbr) * sizeof(GraphNum));
  if (!archLtleafInvert(data)) {
    errorPrint("archLtleafArchLoad: bad input (2)");
    return 1;
  }
  return 0;
}

int archLtleafArchSave(const ArchTleaf* data, FILE* stream) {
  if (archTleafArchSave(data, stream) != 0) return 1;
  if (fprintf(stream, "%d", data->termNbr) < 0) {
    errorPrint("archLtleafArchSave: bad output (1)");
    return 1;
  }
  for (GraphNum leaf = 0; leaf < data->termNbr; leaf++) {
    if (fprintf(stream, " %d", data->permtab[leaf]) < 0) {
      errorPrint("archLtleafArchSave: bad output (2)");
      return 1;
    }
  }
  if (fprintf(stream, "\n") < 0) {
    errorPrint("archLtleafArchSave: bad output (3)");
    return 1;
  }
  return 0;
}

GraphNum archLtleafDomNumber(const ArchTleaf* data, const ArchTleafDom* domain) {
  return data->permtab[domain->indxmin * data->subttab[domain->levlnum]];
}

int archLtleafDomTerminal(const ArchTleaf* data, ArchTleafDom* domain, GraphNum number) {
  if (number < 0 || number >= data->termNbr) return 1;
  domain->levlnum = data->levlNbr;
  domain->indxmin = data->peritab[number];
  domain->indxnbr = 1;
  return 0;
}

}  // namespace

constinit const ArchClass archLtleafClass = {
    .name = "ltleaf",
    .flags = 0,
    .archLoad = archOp<archLtleafArchLoad>,
    .archSave = archOp<archLtleafArchSave>,
    .archFree = archOp<archTleafArchFree>,
    .archMatchInit = archOp<archTleafMatchInit>,
    .archMatchExit = archOp<archTleafMatchExit>,
    .archMatchMate = archOp<archTleafMatchMate>,
    .archDomNumber = archOp<archLtleafDomNumber>,
    .archDomTerminal = archOp<archLtleafDomTerminal>,
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

int archLtleafArchBuild(Arch* arch, GraphNum levlNbr, const GraphNum* sizetab, const GraphNum* linktab,
                        GraphNum permNbr, const GraphNum* permtab, const char* caller) {
  if (archTleafArchBuild(arch, levlNbr, sizetab, linktab, caller) != 0) return 1;
  arch->archClass = &archLtleafClass;
  ArchTleaf* data = archDataOf<ArchTleaf>(arch);
  if (permNbr != data->termNbr) {
    errorPrint("%s: invalid parameters", caller);
    return 1;
  }
  if (!archLtleafAlloc(data)) {
    errorPrint("%s: out of memory", caller);
    return 1;
  }
  memcpy(data->permtab, permtab, static_cast<size_t>(permNbr) * sizeof(GraphNum));
  if (!archLtleafInvert(data)) {
    errorPrint("%s: invalid parameters", caller);
    return 1;
  }
  return 0;
}
