// What the architecture classes share: the conversion of their typed
// operations into the entries of the class table, the class records of the
// registry, and small helpers for their files.
//
// A class writes its operations on its own types: a data record (held in
// place in Arch::data), a domain record (held in place in an ArchDom) and,
// when it pairs terminals, a matching record (held in place in
// ArchMatch::data). Each of these types names its role with a static member
// `archRole`; archOp<operation> is then the table entry, which takes the
// erased arguments (void*, ArchDom*) and hands the typed ones on.
#pragma once

#include <type_traits>

#include "arch/arch.h"

enum ArchRole { ARCH_ROLE_DATA, ARCH_ROLE_DOMAIN, ARCH_ROLE_MATCH };

// Room that each role has in the generic records.
inline constexpr size_t ARCH_MATCH_DATA_SIZE = sizeof(ArchMatch::data);

template <class T>
constexpr size_t archRoleRoom() {
  if constexpr (T::archRole == ARCH_ROLE_DOMAIN)
    return sizeof(ArchDom);
  else if constexpr (T::archRole == ARCH_ROLE_DATA)
    return ARCH_DATA_SIZE;
  else
    return ARCH_MATCH_DATA_SIZE;
}

// Argument erasure: records of a role become void* (data, matching) or
// ArchDom* (domains), constness kept; every other argument passes as it is.
template <class T>
struct ArchErase {
  using Erased = T;
  static T typed(T value) { return value; }
};

template <class T>
requires requires { std::remove_const_t<T>::archRole; }
struct ArchErase<T*> {
  using Record = std::remove_const_t<T>;
  static_assert(std::is_trivially_copyable_v<Record>, "architecture records are plain values");
  static_assert(sizeof(Record) <= archRoleRoom<Record>(), "architecture record larger than its room");
  static_assert(alignof(Record) <= 8, "architecture record needs a stronger alignment than its room");
  using Storage = std::conditional_t<Record::archRole == ARCH_ROLE_DOMAIN, ArchDom, void>;
  using Erased = std::conditional_t<std::is_const_v<T>, const Storage*, Storage*>;
  static T* typed(Erased value) { return reinterpret_cast<T*>(value); }
};

template <auto Operation>
struct ArchThunk;

template <class Result, class... Arguments, Result (*Operation)(Arguments...)>
struct ArchThunk<Operation> {
  static Result call(typename ArchErase<Arguments>::Erased... arguments) {
    return Operation(ArchErase<Arguments>::typed(arguments)...);
  }
};

// The class table entry for a typed operation.
template <auto Operation>
inline constexpr auto archOp = &ArchThunk<Operation>::call;

// Typed access to the data of an Arch or a domain.
template <class T>
T* archDataOf(Arch* arch) {
  static_assert(T::archRole == ARCH_ROLE_DATA);
  return reinterpret_cast<T*>(arch->data);
}
template <class T>
const T* archDataOf(const Arch* arch) {
  static_assert(T::archRole == ARCH_ROLE_DATA);
  return reinterpret_cast<const T*>(arch->data);
}
template <class T>
T* archDomOf(ArchDom* domain) {
  static_assert(T::archRole == ARCH_ROLE_DOMAIN);
  return reinterpret_cast<T*>(domain);
}
template <class T>
const T* archDomOf(const ArchDom* domain) {
  static_assert(T::archRole == ARCH_ROLE_DOMAIN);
  return reinterpret_cast<const T*>(domain);
}

// Sets an architecture to a class built in memory (the public builders):
// the class and its flags, without ARCH_LOADED, and cleared data.
void archSetClass(Arch* arch, const ArchClass* archClass);

// ---------------------------------------------------------------------------
// The class records, in registry order (see arch.cpp).

extern const ArchClass archCmpltClass;
extern const ArchClass archCmpltwClass;
extern const ArchClass archDecoClass;
extern const ArchClass archDeco2Class;
extern const ArchClass archDistClass;
extern const ArchClass archHcubClass;
extern const ArchClass archTleafClass;
extern const ArchClass archLtleafClass;
extern const ArchClass archMesh2Class;
extern const ArchClass archMesh3Class;
extern const ArchClass archMeshXClass;
extern const ArchClass archSubClass;
extern const ArchClass archTorus2Class;
extern const ArchClass archTorus3Class;
extern const ArchClass archTorusXClass;
extern const ArchClass archVcmpltClass;
extern const ArchClass archVhcubClass;

// ---------------------------------------------------------------------------
// File helpers

// Reads one integer and checks it against [minimum, maximum]; returns true
// when both hold.
bool archReadNum(FILE* stream, GraphNum* value, GraphNum minimum, GraphNum maximum);

// An array that grows as the values a file declares are actually read, so
// that a huge declared count that the file does not back never turns into a
// huge allocation. Grows by n + n/4 + 8 elements, never beyond the declared
// count. The block comes from memAlloc; release() hands it over.
template <class T>
class ArchGrowArray {
 public:
  explicit ArchGrowArray(size_t limit) : limit_(limit) {}
  ~ArchGrowArray() { memFree(block_); }
  ArchGrowArray(const ArchGrowArray&) = delete;
  ArchGrowArray& operator=(const ArchGrowArray&) = delete;

  // Makes room for element index; false when the memory cannot be had.
  bool reserve(size_t index) {
    if (index < capacity_) return true;
    size_t capacity = capacity_ + capacity_ / 4 + 8;
    if (capacity > limit_) capacity = limit_;
    if (capacity <= index) capacity = index + 1;
    if (capacity > SIZE_MAX / sizeof(T)) return false;
    T* block = static_cast<T*>(memRealloc(block_, capacity * sizeof(T)));
    if (block == nullptr) return false;
    block_ = block;
    capacity_ = capacity;
    return true;
  }
  T& operator[](size_t index) { return block_[index]; }
  T* data() { return block_; }
  T* release() {
    T* block = block_;
    block_ = nullptr;
    capacity_ = 0;
    return block;
  }

 private:
  T* block_ = nullptr;
  size_t capacity_ = 0;
  size_t limit_;
};
