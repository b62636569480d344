// Public architecture operations: the caller holds an opaque PLYXEN_Arch
// handle that is an Arch record inside.
#include "arch/arch_class.h"
#include "arch/arch_cmplt.h"
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

}  // extern "C"
