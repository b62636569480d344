// Gain tables: bucketed priority lists of candidate moves for the FM and
// greedy growing methods. A smaller gain is a better move: the table hands
// out its links in increasing order of gain, and within one bucket the most
// recently added link first.
//
// Buckets are either one per gain value (linear table, 2048 buckets, gains
// outside [-1024, 1023] clamped to the end buckets) or shared by gains of the
// same magnitude class (logarithmic table: gains up to subMask keep their own
// bucket, each further doubling of the gain shares 2^subBits buckets, and
// negative gains mirror positive ones), so that every 32-bit gain fits.
//
// Add and remove take constant time and are inline; first and next scan the
// buckets forward, bounded by the window [low, high] that covers every
// non-empty bucket.
#pragma once

#include <bit>
#include <cstdint>

#include "common/common.h"

struct GainLink;

// One bucket: the head of a doubly linked list of links. Its only word sits
// where a link's next word does, so the first link of a list uses the bucket
// itself as its predecessor (prev) and unlinking needs no special case.
struct GainEntry {
  GainLink* next;  // first link of the bucket, or the table's end sentinel
};

// A candidate move, embedded by the caller in its own per-vertex record; the
// table never allocates links. Callers may use the next word as their own
// state while the link is not filed.
struct GainLink {
  GainLink* next;     // next link of the bucket, or the table's end sentinel at the end
  GainLink* prev;     // previous link, or the bucket (seen as a link) for the first one
  GainEntry* bucket;  // bucket in which the link is filed
};

struct GainTable;
typedef void (*GainTableAddFunction)(GainTable* table, GainLink* link, GraphNum gain);

// The header of a table; the bucket array of totalSize entries follows it in
// the same allocation (see gainTableBuckets).
struct GainTable {
  GainTableAddFunction add;  // gainTableAddLinear or gainTableAddLog
  int subBits;               // mantissa bits of a logarithmic table; 0 for a linear one
  int subMask;               // 2^(subBits + 1) - 1 for a logarithmic table; 0 for a linear one
  GraphNum totalSize;        // number of buckets
  GainEntry* low;            // lowest bucket that may be non-empty
  GainEntry* high;           // highest bucket that may be non-empty
  GainEntry* last;           // last bucket of the array
  GainEntry* zero;           // bucket of gain 0: bucket totalSize / 2
  // The end of every list of this table. Insertions and removals write its
  // prev word and nothing reads it; each table has its own, so that tables
  // used by different threads share no word.
  GainLink empty;
};

// Number of buckets of a linear table.
constexpr GraphNum GAIN_LINEAR_SIZE = 2048;

// First bucket of the table's array.
inline GainEntry* gainTableBuckets(GainTable* table) { return reinterpret_cast<GainEntry*>(table + 1); }

// Bucket index (relative to zero) of a gain in a linear table of totalSize
// buckets: the gain itself, clamped to [-totalSize / 2, totalSize / 2 - 1].
constexpr GraphNum gainIndexLinear(GraphNum gain, GraphNum totalSize) {
  GraphNum half = totalSize / 2;
  return gain < -half ? -half : (gain > half - 1 ? half - 1 : gain);
}

// Bucket index (relative to zero) of a gain in a logarithmic table. A
// non-negative gain g is shifted right k times until it is at most subMask,
// the index being the shifted g plus k * 2^subBits; the number of shifts is
// the excess of g's bit width over subBits + 1. A negative gain g takes the
// complement of the index of ~g = -g - 1, so negative indices mirror the
// positive ones exactly and no negation can overflow.
//
// Computed without branches, as gains of both signs and sizes come mixed:
// the sign mask (all bits set for a negative gain) complements the gain and
// then the index, and a magnitude up to subMask, whose bit width is at most
// subBits + 1, takes no shift.
constexpr GraphNum gainIndexLog(GraphNum gain, int subBits, int subMask) {
  static_cast<void>(subMask);  // implied by subBits
  const uint32_t sign = static_cast<uint32_t>(gain >> 31);
  const uint32_t magnitude = static_cast<uint32_t>(gain) ^ sign;
  const int excess = std::bit_width(magnitude | 1u) - (subBits + 1);  // 1 for 0: no shift either
  const int shifts = (excess > 0) ? excess : 0;
  const uint32_t index = (magnitude >> shifts) + (static_cast<uint32_t>(shifts) << subBits);
  return static_cast<GraphNum>(index ^ sign);
}

// Bucket index (relative to zero) of a gain in this table.
inline GraphNum gainTableIndex(const GainTable* table, GraphNum gain) {
  return table->subMask == 0 ? gainIndexLinear(gain, table->totalSize)
                             : gainIndexLog(gain, table->subBits, table->subMask);
}

// Creates an empty table: linear when maxGain is below 1024, otherwise
// logarithmic with subBits mantissa bits (0 to 30). Returns null when memory
// is exhausted or subBits is out of range; the caller reports the failure.
GainTable* gainTableInit(GraphNum maxGain, int subBits);
// Frees the table; the links belong to the callers.
void gainTableExit(GainTable* table);
// Empties every bucket of the window and resets the window; links that were
// filed become stale and must be forgotten by the caller.
void gainTableClear(GainTable* table);
// The insertion operations of both table kinds, as stored in GainTable::add.
void gainTableAddLinear(GainTable* table, GainLink* link, GraphNum gain);
void gainTableAddLog(GainTable* table, GainLink* link, GraphNum gain);

// Files the link at the head of a bucket, widening the window to cover it.
inline void gainTableAddBucket(GainTable* table, GainLink* link, GainEntry* bucket) {
  table->low = (bucket < table->low) ? bucket : table->low;
  table->high = (bucket > table->high) ? bucket : table->high;
  GainLink* head = bucket->next;
  link->next = head;
  link->prev = reinterpret_cast<GainLink*>(bucket);
  link->bucket = bucket;
  head->prev = link;  // the sentinel's prev when the bucket was empty: never read
  bucket->next = link;
}

// Files the link under the gain. Equivalent to table->add(table, link, gain),
// without the indirect call.
inline void gainTableAdd(GainTable* table, GainLink* link, GraphNum gain) {
  gainTableAddBucket(table, link, table->zero + gainTableIndex(table, gain));
}

// Files the link under the gain in a logarithmic table made with SubBits
// mantissa bits (gainTableInit(maxGain, SubBits) with maxGain 1024 or more):
// gainTableAdd with the bucket rule known at compile time, for the hot
// loops of callers that always make such a table.
template <int SubBits>
inline void gainTableAddLogBits(GainTable* table, GainLink* link, GraphNum gain) {
  constexpr int subMask = (1 << (SubBits + 1)) - 1;
  gainTableAddBucket(table, link, table->zero + gainIndexLog(gain, SubBits, subMask));
}

// Unlinks a filed link in constant time; the window is not changed. A link
// whose next and prev both point to itself (never filed) is left as it is.
inline void gainTableRemove(GainLink* link) {
  // The predecessor may be a bucket: write its first word, which is the next
  // word of a link and the only word of a bucket alike.
  *reinterpret_cast<GainLink**>(link->prev) = link->next;
  link->next->prev = link->prev;
}

// The first link of the lowest non-empty bucket, raising low to that bucket;
// null when the table is empty, after resetting the window. Buckets above
// high are empty, so the scan stops there.
inline GainLink* gainTableFirst(GainTable* table) {
  for (GainEntry* bucket = table->low; bucket <= table->high; bucket++) {
    if (bucket->next != &table->empty) {
      table->low = bucket;
      return bucket->next;
    }
  }
  table->low = table->last;
  table->high = gainTableBuckets(table);
  return nullptr;
}

// The link that follows a filed link in gain order: the next one of its
// bucket, else the first link of the next non-empty bucket above; null when
// there is none. The scan reaches the last bucket, like gainTableFirst does:
// walking first and then next visits every filed link exactly once, so a
// candidate clamped into the last bucket (any gain of 1023 or more in a
// linear table) is never hidden from a caller that steps past better ones.
// Callers that must not choose last-bucket links compare link->bucket with
// table->last themselves.
inline GainLink* gainTableNext(const GainTable* table, const GainLink* link) {
  if (link->next != &table->empty) return link->next;
  for (GainEntry* bucket = link->bucket + 1; bucket <= table->high; bucket++)
    if (bucket->next != &table->empty) return bucket->next;
  return nullptr;
}
