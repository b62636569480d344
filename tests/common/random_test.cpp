#include <cstdio>

#include "support/test_support.h"

TEST(Random, SeedOneSequenceIsFixed) {
  intRandSeed(1);
  uint32_t first = intRandNext(0);
  intRandReset();
  EXPECT_EQ(intRandNext(0), first);
}
