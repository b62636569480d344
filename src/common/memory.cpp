// Allocation conventions: every request asks for (size | 8) bytes, and
// arrays that live and die together share one block.
#include <cstdlib>

#include "common/common.h"

void* memAlloc(size_t size) { return malloc(size | 8); }

void* memRealloc(void* block, size_t size) { return realloc(block, size | 8); }

void memFree(void* block) { free(block); }

namespace {

// Offset of every array of a group: each starts at the next multiple of 8
// bytes from the block's start; an array of size 0 takes no room. Returns
// the total size.
size_t groupTotal(std::initializer_list<MemGroupEntry> entries) {
  size_t offset = 0;
  for (const MemGroupEntry& entry : entries) {
    offset = (offset + 7) & ~static_cast<size_t>(7);
    offset += entry.size;
  }
  return offset;
}

}  // namespace

void* memGroupLayout(void* block, std::initializer_list<MemGroupEntry> entries) {
  unsigned char* bytes = static_cast<unsigned char*>(block);
  size_t offset = 0;
  for (const MemGroupEntry& entry : entries) {
    offset = (offset + 7) & ~static_cast<size_t>(7);
    entry.assign(entry.pointerAddress, bytes + offset);
    offset += entry.size;
  }
  return bytes + offset;
}

void* memGroupAlloc(std::initializer_list<MemGroupEntry> entries) {
  void* block = memAlloc(groupTotal(entries));
  if (block == nullptr) {
    if (entries.size() > 0) entries.begin()->assign(entries.begin()->pointerAddress, nullptr);
    return nullptr;
  }
  memGroupLayout(block, entries);
  return block;
}

void* memGroupRealloc(void* block, std::initializer_list<MemGroupEntry> entries) {
  void* newBlock = memRealloc(block, groupTotal(entries));
  if (newBlock == nullptr) return nullptr;
  memGroupLayout(newBlock, entries);
  return newBlock;
}
