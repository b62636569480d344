// Public architecture operations: the caller holds an opaque PLYXEN_Arch
// handle that is an Arch record inside.
#include "arch/arch_class.h"
#include "arch/arch_cmplt.h"
#include "arch/arch_cmpltw.h"
#include "arch/arch_hcub.h"
#include "arch/arch_mesh.h"
#include "arch/arch_sub.h"
#include "arch/arch_tleaf.h"
#include "arch/arch_vcmplt.h"
#include "plyxen.h"

static_assert(sizeof(PLYXEN_Arch) >= sizeof(Arch), "the public architecture handle cannot hold an Arch");
static_assert(alignof(PLYXEN_Arch) % alignof(Arch) == 0, "the public architecture handle is not aligned for an Arch");

namespace {

Arch* archOf(PLYXEN_Arch* handle) { return reinterpret_cast<Arch*>(handle); }
const Arch* archOf(const PLYXEN_Arch* handle) { return reinterpret_cast<const Arch*>(handle); }

}  // namespace

extern "C" {

PLYXEN_Arch* PLYXEN_archAlloc(void) { return static_cast<PLYXEN_Arch*>(memAlloc(sizeof(PLYXEN_Arch))); }

int PLYXEN_archRecordSize(void) { return static_cast<int>(sizeof(Arch)); }

int PLYXEN_archInit(PLYXEN_Arch* arch) { return archInit(archOf(arch)); }

void PLYXEN_archExit(PLYXEN_Arch* arch) {
  archExit(archOf(arch));
  archInit(archOf(arch));  // no stale class or array address remains
}

int PLYXEN_archLoad(PLYXEN_Arch* arch, FILE* stream) { return archLoad(archOf(arch), stream); }

int PLYXEN_archSave(const PLYXEN_Arch* arch, FILE* stream) { return archSave(archOf(arch), stream); }

const char* PLYXEN_archName(const PLYXEN_Arch* arch) { return archName(archOf(arch)); }

PLYXEN_Num PLYXEN_archSize(const PLYXEN_Arch* arch) { return archSize(archOf(arch)); }

int PLYXEN_archVar(const PLYXEN_Arch* arch) { return archVar(archOf(arch)); }

int PLYXEN_archCmplt(PLYXEN_Arch* arch, PLYXEN_Num terminalCount) {
  return archCmpltArchBuild(archOf(arch), terminalCount);
}

int PLYXEN_archCmpltw(PLYXEN_Arch* arch, PLYXEN_Num terminalCount, const PLYXEN_Num* weights) {
  return archCmpltwArchBuild(archOf(arch), terminalCount, weights);
}

int PLYXEN_archHcub(PLYXEN_Arch* arch, PLYXEN_Num dimension) { return archHcubArchBuild(archOf(arch), dimension); }

int PLYXEN_archVcmplt(PLYXEN_Arch* arch) { return archVcmpltArchBuild(archOf(arch)); }

int PLYXEN_archVhcub(PLYXEN_Arch* arch) { return archVhcubArchBuild(archOf(arch)); }

int PLYXEN_archTleaf(PLYXEN_Arch* arch, PLYXEN_Num levelCount, const PLYXEN_Num* sizes, const PLYXEN_Num* links) {
  return archTleafArchBuild(archOf(arch), levelCount, sizes, links, "PLYXEN_archTleaf");
}

int PLYXEN_archLtleaf(PLYXEN_Arch* arch, PLYXEN_Num levelCount, const PLYXEN_Num* sizes, const PLYXEN_Num* links,
                      PLYXEN_Num permutationCount, const PLYXEN_Num* permutation) {
  return archLtleafArchBuild(archOf(arch), levelCount, sizes, links, permutationCount, permutation,
                             "PLYXEN_archLtleaf");
}

int PLYXEN_archSub(PLYXEN_Arch* arch, const PLYXEN_Arch* source, PLYXEN_Num terminalCount,
                   const PLYXEN_Num* terminals) {
  return archSubArchBuild(archOf(arch), archOf(source), terminalCount, terminals);
}

int PLYXEN_archMesh2(PLYXEN_Arch* arch, PLYXEN_Num dimX, PLYXEN_Num dimY) {
  const GraphNum sizes[2] = {dimX, dimY};
  return archMeshArchBuild(archOf(arch), &archMesh2Class, 2, sizes);
}

int PLYXEN_archMesh3(PLYXEN_Arch* arch, PLYXEN_Num dimX, PLYXEN_Num dimY, PLYXEN_Num dimZ) {
  const GraphNum sizes[3] = {dimX, dimY, dimZ};
  return archMeshArchBuild(archOf(arch), &archMesh3Class, 3, sizes);
}

int PLYXEN_archMeshX(PLYXEN_Arch* arch, PLYXEN_Num dimensionCount, const PLYXEN_Num* sizes) {
  if (dimensionCount > ARCH_MESH_DIM_MAX) {
    errorPrint("PLYXEN_archMeshX: too many dimensions");
    return 1;
  }
  return archMeshArchBuild(archOf(arch), &archMeshXClass, dimensionCount, sizes);
}

int PLYXEN_archTorus2(PLYXEN_Arch* arch, PLYXEN_Num dimX, PLYXEN_Num dimY) {
  const GraphNum sizes[2] = {dimX, dimY};
  return archMeshArchBuild(archOf(arch), &archTorus2Class, 2, sizes);
}

int PLYXEN_archTorus3(PLYXEN_Arch* arch, PLYXEN_Num dimX, PLYXEN_Num dimY, PLYXEN_Num dimZ) {
  const GraphNum sizes[3] = {dimX, dimY, dimZ};
  return archMeshArchBuild(archOf(arch), &archTorus3Class, 3, sizes);
}

int PLYXEN_archTorusX(PLYXEN_Arch* arch, PLYXEN_Num dimensionCount, const PLYXEN_Num* sizes) {
  if (dimensionCount > ARCH_MESH_DIM_MAX) {
    errorPrint("PLYXEN_archTorusX: too many dimensions");
    return 1;
  }
  return archMeshArchBuild(archOf(arch), &archTorusXClass, dimensionCount, sizes);
}

}  // extern "C"
