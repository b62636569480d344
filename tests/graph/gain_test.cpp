// Gain tables: bucket indices of both kinds, order of the links, the window,
// and a randomised comparison with a plain ordered model.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "graph/gain.h"

namespace {

struct TableDeleter {
  void operator()(GainTable* table) const { gainTableExit(table); }
};
using TablePtr = std::unique_ptr<GainTable, TableDeleter>;

TablePtr makeTable(GraphNum maxGain, int subBits) {
  TablePtr table(gainTableInit(maxGain, subBits));
  EXPECT_NE(table, nullptr);
  return table;
}

// The logarithmic index rule written the slow way: shift one bit at a time.
GraphNum referenceLogIndex(GraphNum gain, int subBits) {
  int64_t subMask = (int64_t{1} << (subBits + 1)) - 1;
  if (gain < 0) return -referenceLogIndex(static_cast<GraphNum>(-static_cast<int64_t>(gain) - 1), subBits) - 1;
  int64_t value = gain;
  int64_t shifts = 0;
  while (value > subMask) {
    value >>= 1;
    shifts++;
  }
  return static_cast<GraphNum>(value + (shifts << subBits));
}

// Index (relative to zero) of the bucket in which a link was filed.
GraphNum filedIndex(const GainTable* table, const GainLink& link) {
  return static_cast<GraphNum>(link.bucket - table->zero);
}

// Every link the table hands out from first then next, in order.
std::vector<GainLink*> walkTable(GainTable* table) {
  std::vector<GainLink*> links;
  for (GainLink* link = gainTableFirst(table); link != nullptr; link = gainTableNext(table, link)) {
    links.push_back(link);
    if (links.size() > 100000) break;  // a cycle: fail below rather than hang
  }
  return links;
}

bool windowIsReset(GainTable* table) {
  return table->low == table->last && table->high == gainTableBuckets(table);
}

TEST(GainTable, LogarithmicIndicesFollowTheExamples) {
  TablePtr table = makeTable(2147483646, 4);
  ASSERT_EQ(table->subMask, 31);
  ASSERT_EQ(table->totalSize, (32 - 4) << 5);
  for (GraphNum gain = 0; gain <= 31; gain++) EXPECT_EQ(gainTableIndex(table.get(), gain), gain);
  EXPECT_EQ(gainTableIndex(table.get(), 32), 32);
  EXPECT_EQ(gainTableIndex(table.get(), 64), 48);
  EXPECT_EQ(gainTableIndex(table.get(), 65), 48);
  EXPECT_EQ(gainTableIndex(table.get(), -1), -1);
  EXPECT_EQ(gainTableIndex(table.get(), -32), -32);
  // The insertion operation files links where the index says.
  GainLink link;
  table->add(table.get(), &link, 65);
  EXPECT_EQ(filedIndex(table.get(), link), 48);
  gainTableRemove(&link);
  gainTableAdd(table.get(), &link, -32);
  EXPECT_EQ(filedIndex(table.get(), link), -32);
}

TEST(GainTable, LogarithmicIndicesMatchTheShiftRuleAndCoverEveryGain) {
  for (int subBits : {0, 1, 4, 7}) {
    TablePtr table = makeTable(2147483646, subBits);
    GraphNum half = table->totalSize / 2;
    std::vector<GraphNum> gains = {INT_MIN, INT_MIN + 1, INT_MAX, INT_MAX - 1, 0, -1, 1};
    std::mt19937 random(subBits);
    for (int i = 0; i < 20000; i++) {
      int shift = static_cast<int>(random() % 32);
      gains.push_back(static_cast<GraphNum>(random()) >> shift);
    }
    for (GraphNum gain = -3000; gain <= 3000; gain++) gains.push_back(gain);
    for (GraphNum gain : gains) {
      GraphNum index = gainTableIndex(table.get(), gain);
      ASSERT_EQ(index, referenceLogIndex(gain, subBits)) << "subBits " << subBits << " gain " << gain;
      ASSERT_GE(index, -half);
      ASSERT_LT(index, half);
    }
    // Gains near the 32-bit limits land exactly in the end buckets.
    EXPECT_EQ(gainTableIndex(table.get(), INT_MAX), half - 1);
    EXPECT_EQ(gainTableIndex(table.get(), INT_MIN), -half);
    // Order preserving: a larger gain never gets a lower bucket.
    std::sort(gains.begin(), gains.end());
    for (size_t i = 1; i < gains.size(); i++)
      ASSERT_LE(gainTableIndex(table.get(), gains[i - 1]), gainTableIndex(table.get(), gains[i]));
  }
}

// The compile-time form files every gain in the bucket of the shift rule and
// keeps the window and the order of the links like gainTableAdd.
template <int SubBits>
void checkAddLogBits() {
  TablePtr table = makeTable(1024, SubBits);  // 1024 already makes a logarithmic table
  std::vector<GraphNum> gains = {INT_MIN, INT_MIN + 1, INT_MAX, INT_MAX - 1};
  for (GraphNum gain = -2100; gain <= 2100; gain += 7) gains.push_back(gain);
  std::vector<GainLink> links(gains.size());
  for (size_t i = 0; i < gains.size(); i++) {
    gainTableAddLogBits<SubBits>(table.get(), &links[i], gains[i]);
    ASSERT_EQ(filedIndex(table.get(), links[i]), referenceLogIndex(gains[i], SubBits)) << "gain " << gains[i];
  }
  EXPECT_EQ(table->low, table->zero + referenceLogIndex(INT_MIN, SubBits));
  EXPECT_EQ(table->high, table->zero + referenceLogIndex(INT_MAX, SubBits));
  // A second link of gain 0, alone in its bucket so far, comes out before
  // the first one.
  const size_t zeroAt = static_cast<size_t>(std::find(gains.begin(), gains.end(), 0) - gains.begin());
  ASSERT_LT(zeroAt, gains.size());
  GainLink later;
  gainTableAddLogBits<SubBits>(table.get(), &later, 0);
  EXPECT_EQ(later.bucket, table->zero);
  EXPECT_EQ(gainTableNext(table.get(), &later), &links[zeroAt]);
}

TEST(GainTable, CompileTimeLogarithmicAddMatchesTheShiftRule) {
  checkAddLogBits<1>();
  checkAddLogBits<4>();
}

TEST(GainTable, KindFollowsMaxGain) {
  TablePtr linear = makeTable(1023, 4);
  EXPECT_EQ(linear->add, gainTableAddLinear);
  EXPECT_EQ(linear->subBits, 0);
  EXPECT_EQ(linear->subMask, 0);
  EXPECT_EQ(linear->totalSize, 2048);
  EXPECT_EQ(linear->zero, gainTableBuckets(linear.get()) + 1024);
  EXPECT_EQ(linear->last, gainTableBuckets(linear.get()) + 2047);
  EXPECT_TRUE(windowIsReset(linear.get()));
  // 1024 is not below 1024: the greedy growing callers get logarithmic tables.
  TablePtr greedy = makeTable(1024, 1);
  EXPECT_EQ(greedy->add, gainTableAddLog);
  EXPECT_EQ(greedy->subMask, 3);
  EXPECT_EQ(greedy->totalSize, 31 << 2);
  EXPECT_EQ(greedy->zero, gainTableBuckets(greedy.get()) + greedy->totalSize / 2);
}

TEST(GainTable, LinearIndicesAreClamped) {
  TablePtr table = makeTable(100, 4);
  GainEntry* first = gainTableBuckets(table.get());
  GainLink high, low, edgeLow, edgeHigh, inside;
  gainTableAdd(table.get(), &high, 5000);
  gainTableAdd(table.get(), &low, -5000);
  gainTableAdd(table.get(), &edgeLow, -1024);
  gainTableAdd(table.get(), &edgeHigh, 1023);
  table->add(table.get(), &inside, 1022);
  EXPECT_EQ(high.bucket, table->last);
  EXPECT_EQ(low.bucket, first);
  EXPECT_EQ(edgeLow.bucket, first);
  EXPECT_EQ(edgeHigh.bucket, table->last);
  EXPECT_EQ(inside.bucket, table->last - 1);
  EXPECT_EQ(gainTableIndex(table.get(), -1023), -1023);
  EXPECT_EQ(gainTableIndex(table.get(), 7), 7);
}

TEST(GainTable, SameGainComesBackInReverseOrderOfAddition) {
  for (GraphNum maxGain : {100, 2147483646}) {
    TablePtr table = makeTable(maxGain, 4);
    GainLink a, b, c, worse;
    gainTableAdd(table.get(), &worse, 40);
    gainTableAdd(table.get(), &a, 7);
    gainTableAdd(table.get(), &b, 7);
    gainTableAdd(table.get(), &c, 7);
    std::vector<GainLink*> expected = {&c, &b, &a, &worse};
    EXPECT_EQ(walkTable(table.get()), expected);
    // Removing from the middle, the head and the tail keeps the rest linked.
    gainTableRemove(&b);
    expected = {&c, &a, &worse};
    EXPECT_EQ(walkTable(table.get()), expected);
    gainTableRemove(&c);
    expected = {&a, &worse};
    EXPECT_EQ(walkTable(table.get()), expected);
    gainTableRemove(&worse);
    expected = {&a};
    EXPECT_EQ(walkTable(table.get()), expected);
  }
}

TEST(GainTable, FirstOnEmptyTableResetsTheWindow) {
  TablePtr table = makeTable(2147483646, 4);
  EXPECT_EQ(gainTableFirst(table.get()), nullptr);
  EXPECT_TRUE(windowIsReset(table.get()));
  // Fill and empty again: first finds nothing and resets the widened window.
  GainLink link;
  gainTableAdd(table.get(), &link, -77);
  EXPECT_FALSE(windowIsReset(table.get()));
  gainTableRemove(&link);
  EXPECT_EQ(gainTableFirst(table.get()), nullptr);
  EXPECT_TRUE(windowIsReset(table.get()));
  // After the reset any gain is found again, below or above the old one.
  for (GraphNum gain : {INT_MIN, -5, 0, 12345, INT_MAX}) {
    GainLink other;
    gainTableAdd(table.get(), &other, gain);
    EXPECT_EQ(gainTableFirst(table.get()), &other) << gain;
    gainTableRemove(&other);
    EXPECT_EQ(gainTableFirst(table.get()), nullptr);
  }
}

TEST(GainTable, FirstMovesUpWhenTheLowestBucketEmpties) {
  TablePtr table = makeTable(2147483646, 4);
  GainLink lowest, middle, highest;
  gainTableAdd(table.get(), &highest, 500);
  gainTableAdd(table.get(), &middle, 3);
  gainTableAdd(table.get(), &lowest, -20);
  EXPECT_EQ(gainTableFirst(table.get()), &lowest);
  EXPECT_EQ(table->low, lowest.bucket);
  gainTableRemove(&lowest);
  EXPECT_EQ(gainTableFirst(table.get()), &middle);
  EXPECT_EQ(table->low, middle.bucket);
  gainTableRemove(&middle);
  EXPECT_EQ(gainTableFirst(table.get()), &highest);
  // A better gain added later lowers the window again.
  gainTableAdd(table.get(), &lowest, -1000000);
  EXPECT_EQ(gainTableFirst(table.get()), &lowest);
  EXPECT_EQ(gainTableNext(table.get(), &lowest), &highest);
  EXPECT_EQ(gainTableNext(table.get(), &highest), nullptr);
}

TEST(GainTable, NextReachesTheLastBucket) {
  // Linear table: every gain of 1023 or more shares the last bucket.
  TablePtr table = makeTable(100, 4);
  GainLink best, clamped;
  gainTableAdd(table.get(), &clamped, 5000);
  gainTableAdd(table.get(), &best, 0);
  EXPECT_EQ(gainTableFirst(table.get()), &best);
  EXPECT_EQ(gainTableNext(table.get(), &best), &clamped);
  EXPECT_EQ(clamped.bucket, table->last);
  // Logarithmic table: only gains near the 32-bit limit reach it.
  TablePtr logTable = makeTable(2147483646, 4);
  gainTableAdd(logTable.get(), &clamped, INT_MAX);
  gainTableAdd(logTable.get(), &best, 0);
  EXPECT_EQ(clamped.bucket, logTable->last);
  EXPECT_EQ(gainTableNext(logTable.get(), &best), &clamped);
  gainTableRemove(&best);
  EXPECT_EQ(gainTableFirst(logTable.get()), &clamped);
}

TEST(GainTable, ClearEmptiesTheWindow) {
  TablePtr table = makeTable(2147483646, 4);
  std::vector<GainLink> links(50);
  for (size_t i = 0; i < links.size(); i++)
    gainTableAdd(table.get(), &links[i], static_cast<GraphNum>(i * 997) - 20000);
  ASSERT_NE(gainTableFirst(table.get()), nullptr);
  gainTableClear(table.get());
  EXPECT_TRUE(windowIsReset(table.get()));
  GainEntry* buckets = gainTableBuckets(table.get());
  for (GraphNum i = 0; i < table->totalSize; i++) ASSERT_EQ(buckets[i].next, &table->empty) << i;
  EXPECT_EQ(gainTableFirst(table.get()), nullptr);
  // The table is usable again; stale links may be filed afresh.
  gainTableAdd(table.get(), &links[3], 1);
  gainTableAdd(table.get(), &links[4], -1);
  std::vector<GainLink*> expected = {&links[4], &links[3]};
  EXPECT_EQ(walkTable(table.get()), expected);
}

TEST(GainTable, RemovingASelfLinkedLinkIsHarmless) {
  // Greedy growing makes a never-filed seed link point to itself and may
  // remove it like a filed one.
  TablePtr table = makeTable(1024, 4);
  GainLink filed, seed;
  gainTableAdd(table.get(), &filed, 2);
  seed.next = &seed;
  seed.prev = &seed;
  gainTableRemove(&seed);
  EXPECT_EQ(seed.next, &seed);
  EXPECT_EQ(seed.prev, &seed);
  std::vector<GainLink*> expected = {&filed};
  EXPECT_EQ(walkTable(table.get()), expected);
}

// Random adds, removes and re-files against a model ordered by bucket index
// and, within a bucket, by decreasing time of addition.
TEST(GainTable, RandomOperationsMatchAnOrderedModel) {
  for (GraphNum maxGain : {500, 2147483646}) {
    for (int subBits : {1, 4}) {
      TablePtr table = makeTable(maxGain, subBits);
      std::mt19937 random(static_cast<unsigned>(maxGain) + static_cast<unsigned>(subBits));
      const int count = 300;
      std::vector<GainLink> links(count);
      std::vector<bool> filed(count, false);
      std::map<std::pair<GraphNum, int64_t>, int> model;  // (index, -time) -> link
      std::vector<std::pair<GraphNum, int64_t>> keyOf(count);
      int64_t time = 0;
      for (int step = 0; step < 4000; step++) {
        int i = static_cast<int>(random() % count);
        if (filed[i]) {
          gainTableRemove(&links[i]);
          model.erase(keyOf[i]);
          filed[i] = false;
        }
        if (random() % 3 != 0) {
          GraphNum gain = static_cast<GraphNum>(random() % 4001) - 2000;
          if (random() % 10 == 0) gain *= 100000;
          gainTableAdd(table.get(), &links[i], gain);
          keyOf[i] = {gainTableIndex(table.get(), gain), -(++time)};
          model[keyOf[i]] = i;
          filed[i] = true;
        }
        if (step % 97 == 0) {
          std::vector<GainLink*> expected;
          for (const auto& [key, link] : model) expected.push_back(&links[link]);
          ASSERT_EQ(walkTable(table.get()), expected) << "step " << step;
          for (const auto& [key, link] : model) ASSERT_EQ(filedIndex(table.get(), links[link]), key.first);
        }
      }
    }
  }
}

}  // namespace
