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

constexpr char decoMessage[] = "archDecoArchLoad: class not available yet";
constexpr char distMessage[] = "archDistArchLoad: class not available yet";
constexpr char subMessage[] = "archSubArchLoad: class not available yet";

}  // namespace

constinit const ArchClass archDecoClass = archPendingClass("deco", 0, archOp<archPendingLoad<decoMessage>>);
constinit const ArchClass archDeco2Class = archPendingClass("deco", 0, nullptr);  // loaded through the first entry
constinit const ArchClass archDistClass = archPendingClass("dist", 0, archOp<archPendingLoad<distMessage>>);
constinit const ArchClass archSubClass = archPendingClass("sub", 0, archOp<archPendingLoad<subMessage>>);
