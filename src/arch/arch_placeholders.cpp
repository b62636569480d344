// Classes of the registry whose operations are still being written: their
// files are refused with a clear message.
#include "arch/arch_class.h"

namespace {

struct ArchPending {
  static constexpr ArchRole archRole = ARCH_ROLE_DATA;
  GraphNum unused;
};

template <const char* message>
int archPendingLoad(ArchPending*, FILE*) {
  errorPrint("%s", message);
  return 1;
}

constexpr ArchClass archPendingClass(const char* name, int flags, int (*load)(void*, FILE*)) {
  ArchClass pending{};
  pending.name = name;
  pending.flags = flags;
  pending.archLoad = load;
  return pending;
}

constexpr char cmpltwMessage[] = "archCmpltwArchLoad: class not available yet";
constexpr char decoMessage[] = "archDecoArchLoad: class not available yet";
constexpr char distMessage[] = "archDistArchLoad: class not available yet";
constexpr char hcubMessage[] = "archHcubArchLoad: class not available yet";
constexpr char tleafMessage[] = "archTleafArchLoad: class not available yet";
constexpr char ltleafMessage[] = "archLtleafArchLoad: class not available yet";
constexpr char meshMessage[] = "archMeshXArchLoad: class not available yet";
constexpr char subMessage[] = "archSubArchLoad: class not available yet";
constexpr char vcmpltMessage[] = "archVcmpltArchLoad: class not available yet";
constexpr char vhcubMessage[] = "archVhcubArchLoad: class not available yet";

}  // namespace

constinit const ArchClass archCmpltwClass =
    archPendingClass("cmpltw", ARCH_PART, archOp<archPendingLoad<cmpltwMessage>>);
constinit const ArchClass archDecoClass = archPendingClass("deco", 0, archOp<archPendingLoad<decoMessage>>);
constinit const ArchClass archDeco2Class = archPendingClass("deco", 0, nullptr);  // loaded through the first entry
constinit const ArchClass archDistClass = archPendingClass("dist", 0, archOp<archPendingLoad<distMessage>>);
constinit const ArchClass archHcubClass = archPendingClass("hcub", 0, archOp<archPendingLoad<hcubMessage>>);
constinit const ArchClass archTleafClass = archPendingClass("tleaf", 0, archOp<archPendingLoad<tleafMessage>>);
constinit const ArchClass archLtleafClass = archPendingClass("ltleaf", 0, archOp<archPendingLoad<ltleafMessage>>);
constinit const ArchClass archMesh2Class = archPendingClass("mesh2D", 0, archOp<archPendingLoad<meshMessage>>);
constinit const ArchClass archMesh3Class = archPendingClass("mesh3D", 0, archOp<archPendingLoad<meshMessage>>);
constinit const ArchClass archMeshXClass = archPendingClass("meshXD", 0, archOp<archPendingLoad<meshMessage>>);
constinit const ArchClass archSubClass = archPendingClass("sub", 0, archOp<archPendingLoad<subMessage>>);
constinit const ArchClass archTorus2Class = archPendingClass("torus2D", 0, archOp<archPendingLoad<meshMessage>>);
constinit const ArchClass archTorus3Class = archPendingClass("torus3D", 0, archOp<archPendingLoad<meshMessage>>);
constinit const ArchClass archTorusXClass = archPendingClass("torusXD", 0, archOp<archPendingLoad<meshMessage>>);
constinit const ArchClass archVcmpltClass =
    archPendingClass("varcmplt", ARCH_PART | ARCH_VARIABLE, archOp<archPendingLoad<vcmpltMessage>>);
constinit const ArchClass archVhcubClass =
    archPendingClass("varhcub", ARCH_VARIABLE, archOp<archPendingLoad<vhcubMessage>>);
