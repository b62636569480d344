// Gain tables: creation, release, clearing and the out-of-line insertion
// operations. The hot operations (add, remove, first, next) are inline in
// gain.h.
#include "graph/gain.h"

GainTable* gainTableInit(GraphNum maxGain, int subBits) {
  bool linear = maxGain < 1024;
  if (!linear && (subBits < 0 || subBits > 30)) return nullptr;
  // A logarithmic table has 2^subBits buckets per doubling of the gain for
  // each of the 32 - subBits magnitude classes, on each side of zero.
  GraphNum totalSize = linear ? GAIN_LINEAR_SIZE : static_cast<GraphNum>((32 - subBits) << (subBits + 1));
  GainTable* table =
      static_cast<GainTable*>(memAlloc(sizeof(GainTable) + static_cast<size_t>(totalSize) * sizeof(GainEntry)));
  if (table == nullptr) return nullptr;
  if (linear) {
    table->add = gainTableAddLinear;
    table->subBits = 0;
    table->subMask = 0;
  } else {
    table->add = gainTableAddLog;
    table->subBits = subBits;
    table->subMask = (1 << (subBits + 1)) - 1;
  }
  table->totalSize = totalSize;
  table->empty = GainLink{nullptr, nullptr, nullptr};
  GainEntry* buckets = gainTableBuckets(table);
  for (GraphNum i = 0; i < totalSize; i++) buckets[i].next = &table->empty;
  table->last = buckets + (totalSize - 1);
  table->zero = buckets + totalSize / 2;
  table->low = table->last;  // the empty window: low above high
  table->high = buckets;
  return table;
}

void gainTableExit(GainTable* table) { memFree(table); }

void gainTableClear(GainTable* table) {
  // Buckets outside the window are empty already.
  for (GainEntry* bucket = table->low; bucket <= table->high; bucket++) bucket->next = &table->empty;
  table->low = table->last;
  table->high = gainTableBuckets(table);
}

void gainTableAddLinear(GainTable* table, GainLink* link, GraphNum gain) {
  gainTableAddBucket(table, link, table->zero + gainIndexLinear(gain, table->totalSize));
}

void gainTableAddLog(GainTable* table, GainLink* link, GraphNum gain) {
  gainTableAddBucket(table, link, table->zero + gainIndexLog(gain, table->subBits, table->subMask));
}
