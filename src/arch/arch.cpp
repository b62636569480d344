// The registry of architecture classes, architecture files and the generic
// operations, each of which hands its work to the operation of the same role
// of the architecture's class.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "arch/arch_class.h"

namespace {

// Registry order is also the order of look-up by name; the second "deco"
// entry is reached from the first one with index 1.
const ArchClass* const archClassTable[] = {
    &archCmpltClass,  &archCmpltwClass, &archDecoClass,   &archDeco2Class,  &archDistClass,  &archHcubClass,
    &archTleafClass,  &archLtleafClass, &archMesh2Class,  &archMesh3Class,  &archMeshXClass, &archSubClass,
    &archTorus2Class, &archTorus3Class, &archTorusXClass, &archVcmpltClass, &archVhcubClass,
};
constexpr int archClassCount = static_cast<int>(sizeof(archClassTable) / sizeof(archClassTable[0]));

// Classes that hold a whole architecture ("dist", "sub") load it with
// archLoad again; a file nesting them without end would otherwise use up
// the stack. Nobody needs more than a handful of levels.
constexpr int ARCH_NESTING_MAX = 32;
thread_local int archNestingDepth = 0;

}  // namespace

const ArchClass* archClass(const char* name, int index) {
  for (int i = 0; i < archClassCount; i++) {
    if (strcmp(archClassTable[i]->name, name) != 0) continue;
    if (index < 0 || index >= archClassCount - i) return nullptr;
    return archClassTable[i + index];
  }
  return nullptr;
}

int archInit(Arch* arch) {
  memset(static_cast<void*>(arch), 0, sizeof(Arch));
  return 0;
}

int archExit(Arch* arch) { return archFree(arch); }

int archFree(Arch* arch) {
  if (arch->archClass == nullptr || arch->archClass->archFree == nullptr) return 0;
  return arch->archClass->archFree(arch->data);
}

void archSetClass(Arch* arch, const ArchClass* archClass) {
  archInit(arch);
  arch->archClass = archClass;
  arch->flags = archClass->flags;
}

int archLoad(Arch* arch, FILE* stream) {
  char name[256];
  if (fscanf(stream, "%255s", name) != 1) {
    errorPrint("archLoad: cannot load architecture type");
    return 1;
  }
  const ArchClass* loadedClass = archClass(name, 0);
  if (loadedClass == nullptr) {
    errorPrint("archLoad: invalid architecture type");
    return 1;
  }
  archSetClass(arch, loadedClass);
  arch->flags |= ARCH_LOADED;
  if (loadedClass->archLoad == nullptr) return 0;

  if (archNestingDepth >= ARCH_NESTING_MAX) {
    archInit(arch);
    errorPrint("archLoad: architectures nested too deeply");
    return 1;
  }
  archNestingDepth++;
  int result = loadedClass->archLoad(arch->data, stream);
  archNestingDepth--;
  // Once read, the data may belong to another entry; so it is released by
  // that entry, also after a failure.
  if (loadedClass->archLoadedClass != nullptr) arch->archClass = loadedClass->archLoadedClass(arch->data);
  if (result != 0) {
    // What was read is released now and the record left empty, so that a
    // caller who asks for its size or name after the failure, or frees it,
    // finds an architecture of no terminals rather than half-read data.
    archFree(arch);
    archInit(arch);
    errorPrint("archLoad: cannot load architecture data");
    return 1;
  }
  return 0;
}

int archSave(const Arch* arch, FILE* stream) {
  if (arch->archClass == nullptr) return 0;
  bool failed = fprintf(stream, "%s\n", arch->archClass->name) < 0;
  if (!failed && arch->archClass->archSave != nullptr) failed = arch->archClass->archSave(arch->data, stream) != 0;
  if (failed) {
    errorPrint("archSave: bad output");
    return 1;
  }
  return 0;
}

const char* archName(const Arch* arch) { return (arch->archClass == nullptr) ? "" : arch->archClass->name; }

GraphNum archSize(const Arch* arch) {
  if (arch->archClass == nullptr) return 0;
  ArchDom domain;
  archDomFirst(arch, &domain);
  return archDomSize(arch, &domain);
}

int archVar(const Arch* arch) { return ((arch->flags & ARCH_VARIABLE) != 0) ? 1 : 0; }

GraphNum archDomNumber(const Arch* arch, const ArchDom* domain) {
  return arch->archClass->archDomNumber(arch->data, domain);
}

int archDomTerminal(const Arch* arch, ArchDom* domain, GraphNum number) {
  memset(static_cast<void*>(domain), 0, sizeof(ArchDom));
  return arch->archClass->archDomTerminal(arch->data, domain, number);
}

GraphNum archDomSize(const Arch* arch, const ArchDom* domain) {
  return arch->archClass->archDomSize(arch->data, domain);
}

GraphNum archDomWeight(const Arch* arch, const ArchDom* domain) {
  return arch->archClass->archDomWeight(arch->data, domain);
}

GraphNum archDomDist(const Arch* arch, const ArchDom* first, const ArchDom* second) {
  return arch->archClass->archDomDist(arch->data, first, second);
}

int archDomFirst(const Arch* arch, ArchDom* domain) {
  memset(static_cast<void*>(domain), 0, sizeof(ArchDom));  // bytes beyond the class's domain compare equal
  return arch->archClass->archDomFirst(arch->data, domain);
}

int archDomLoad(const Arch* arch, ArchDom* domain, FILE* stream) {
  memset(static_cast<void*>(domain), 0, sizeof(ArchDom));
  return arch->archClass->archDomLoad(arch->data, domain, stream);
}

int archDomSave(const Arch* arch, const ArchDom* domain, FILE* stream) {
  return arch->archClass->archDomSave(arch->data, domain, stream);
}

int archDomBipart(const Arch* arch, const ArchDom* domain, ArchDom* first, ArchDom* second) {
  ArchDom halves[2];  // the domain may be one of the outputs
  memset(static_cast<void*>(halves), 0, sizeof(halves));
  int result = arch->archClass->archDomBipart(arch->data, domain, &halves[0], &halves[1]);
  if (result == 0) {
    *first = halves[0];
    *second = halves[1];
  }
  return result;
}

int archDomIncludes(const Arch* arch, const ArchDom* outer, const ArchDom* inner) {
  return arch->archClass->archDomIncludes(arch->data, outer, inner);
}

int archHasMatch(const Arch* arch) {
  return (arch->archClass != nullptr && arch->archClass->archMatchInit != nullptr) ? 1 : 0;
}

int archMatchInit(ArchMatch* match, const Arch* arch) {
  memset(static_cast<void*>(match), 0, sizeof(ArchMatch));
  if (archHasMatch(arch) == 0) {
    errorPrint("archMatchInit: architecture \"%s\" cannot pair its terminals", archName(arch));
    return 1;
  }
  if (arch->archClass->archMatchInit(match->data, arch->data) != 0) return 1;
  match->archClass = arch->archClass;  // only a complete matching is ever released
  return 0;
}

void archMatchExit(ArchMatch* match) {
  if (match->archClass != nullptr) match->archClass->archMatchExit(match->data);
  match->archClass = nullptr;
}

GraphNum archMatchMate(ArchMatch* match, ArchCoarsenMulti** pairs) {
  return match->archClass->archMatchMate(match->data, pairs);
}

// The integer syntax of intLoad (blanks, an optional sign directly followed
// by digits), but a value beyond the 32-bit range is refused instead of
// wrapped, so that a count one digit too long is never read as a small one.
bool archReadNum(FILE* stream, GraphNum* value, GraphNum minimum, GraphNum maximum) {
  int character;
  do {
    character = getc(stream);
  } while (character != EOF && isspace(character));
  bool negative = false;
  if (character == '-' || character == '+') {
    negative = (character == '-');
    character = getc(stream);
  }
  if (character < '0' || character > '9') return false;
  constexpr int64_t beyond = int64_t{1} << 32;  // any magnitude past the range, kept from growing further
  int64_t magnitude = 0;
  do {
    magnitude = std::min(magnitude * 10 + (character - '0'), beyond);
    character = getc(stream);
  } while (character >= '0' && character <= '9');
  if (character != EOF) ungetc(character, stream);
  const int64_t number = negative ? -magnitude : magnitude;
  if (number < minimum || number > maximum) return false;
  *value = static_cast<GraphNum>(number);
  return true;
}
