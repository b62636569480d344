// Integer input, grouped allocation, array helpers, sorting, string
// substitution, messages and the thread launcher.
#include <algorithm>
#include <cstring>
#include <random>

#include "support/test_support.h"

namespace {

FILE* streamOf(const std::string& text) {
  FILE* stream = tmpfile();
  fputs(text.c_str(), stream);
  rewind(stream);
  return stream;
}

}  // namespace

TEST(IntLoad, SignsDigitsAndTheCharacterAfter) {
  FILE* stream = streamOf("  -0012a");
  GraphNum value = 0;
  ASSERT_EQ(intLoad(stream, &value), 1);
  EXPECT_EQ(value, -12);
  EXPECT_EQ(getc(stream), 'a');  // left unread
  fclose(stream);

  stream = streamOf("+ 5");
  EXPECT_EQ(intLoad(stream, &value), 0);  // a sign must touch its digits
  fclose(stream);
  stream = streamOf("-");
  EXPECT_EQ(intLoad(stream, &value), 0);
  fclose(stream);
  stream = streamOf("x1");
  EXPECT_EQ(intLoad(stream, &value), 0);
  EXPECT_EQ(getc(stream), '1');  // the offending character was consumed
  fclose(stream);
}

// Out of the GraphNum range a number is refused with all its digits read,
// so that the next read starts after it; words take the 32-bit patterns.
TEST(IntLoad, NumbersOutOfRangeAreRefusedNotWrapped) {
  struct Case {
    const char* text;
    int loaded;       // intLoad's result
    GraphNum value;   // its value when loaded
    int wordLoaded;   // intLoadWord's result
    uint32_t word;    // its value when loaded
  };
  const Case cases[] = {
      {"2147483647", 1, INT32_MAX, 1, 2147483647u},
      {"-2147483648", 1, INT32_MIN, 1, 2147483648u},
      {"-0", 1, 0, 1, 0u},
      {"0000000000000000000000000007", 1, 7, 1, 7u},
      {"2147483648", 0, 0, 1, 2147483648u},
      {"-2147483649", 0, 0, 0, 0u},
      {"4294967295", 0, 0, 1, 4294967295u},
      {"4294967296", 0, 0, 0, 0u},
      {"4294967297", 0, 0, 0, 0u},
      {"1099511627776", 0, 0, 0, 0u},
      {"-1099511627776", 0, 0, 0, 0u},
      {"99999999999999999999999999999999999999", 0, 0, 0, 0u},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.text);
    FILE* stream = streamOf(std::string(test.text) + ";");
    GraphNum value = 77;
    EXPECT_EQ(intLoad(stream, &value), test.loaded);
    EXPECT_EQ(value, test.loaded ? test.value : 77);
    EXPECT_EQ(getc(stream), ';');  // every digit was read, the next character was not
    fclose(stream);
    stream = streamOf(test.text);
    uint32_t word = 77;
    EXPECT_EQ(intLoadWord(stream, &word), test.wordLoaded);
    EXPECT_EQ(word, test.wordLoaded ? test.word : 77u);
    fclose(stream);
  }
}

TEST(IntLoad, EndIsWhiteSpaceUpToTheEndOfTheStream) {
  const std::pair<const char*, int> cases[] = {{"", 1}, {" \n\t\v\f\r", 1}, {" 1", 0}, {"\n\nx\n", 0}, {"-", 0}};
  for (const auto& [text, atEnd] : cases) {
    FILE* stream = streamOf(text);
    EXPECT_EQ(intLoadEnd(stream), atEnd) << text;
    fclose(stream);
  }
  FILE* stream = streamOf("  5");  // what follows is left for the caller
  ASSERT_EQ(intLoadEnd(stream), 0);
  GraphNum value = 0;
  EXPECT_EQ(intLoad(stream, &value), 1);
  EXPECT_EQ(value, 5);
  fclose(stream);
}

TEST(MemGroup, LayoutRoundsToEightBytes) {
  char* first = nullptr;
  GraphNum* second = nullptr;
  double* third = nullptr;
  void* block = memGroupAlloc({memEntry(first, 12), memEntry(second, 4), memEntry(third, 0)});
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(static_cast<void*>(first), block);
  EXPECT_EQ(reinterpret_cast<char*>(second) - first, 16);
  EXPECT_EQ(reinterpret_cast<char*>(third) - first, 24);  // an empty array takes no room
  memset(first, 1, 12);
  second[0] = 42;

  // Growing keeps the contents that stay in place and re-points every array.
  void* grown = memGroupRealloc(block, {memEntry(first, 12), memEntry(second, 4000)});
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(static_cast<void*>(first), grown);
  EXPECT_EQ(second[0], 42);
  EXPECT_EQ(first[11], 1);
  void* end = memGroupLayout(grown, {memEntry(first, 3), memEntry(second, 8)});
  EXPECT_EQ(reinterpret_cast<char*>(second) - first, 8);
  EXPECT_EQ(static_cast<char*>(end) - first, 16);
  memFree(grown);
}

TEST(IntegerArrays, FillAndGcd) {
  GraphNum values[4] = {9, 9, 9, 9};
  intFillAscending(values, 3, -1);
  EXPECT_EQ(values[0], -1);
  EXPECT_EQ(values[2], 1);
  EXPECT_EQ(values[3], 9);
  intFillAscending(values, 0, 5);
  EXPECT_EQ(values[0], -1);
  EXPECT_EQ(intGcd(12, 18), 6);
  EXPECT_EQ(intGcd(18, 12), 6);
  EXPECT_EQ(intGcd(0, 7), 7);
  EXPECT_EQ(intGcd(7, 0), 7);
  EXPECT_EQ(intGcd(13, 8), 1);
}

// Each sort is checked against a stable reference on random data with many
// repeated keys, for lengths around the insertion threshold and beyond.
template <int Width, int KeyWidth>
void checkSort(void (*sort)(GraphNum*, GraphNum)) {
  std::mt19937 generator(12345);
  for (int length : {0, 1, 2, 6, 7, 8, 15, 100, 1000, 20000}) {
    for (int keyRange : {3, 1000}) {
      std::vector<std::vector<GraphNum>> records(length, std::vector<GraphNum>(Width));
      for (auto& record : records)
        for (int k = 0; k < Width; k++) record[k] = static_cast<GraphNum>(generator() % keyRange) - keyRange / 2;
      std::vector<GraphNum> flat;
      for (auto& record : records) flat.insert(flat.end(), record.begin(), record.end());
      sort(flat.data(), length);
      // Every record stays whole, and the keys are in order.
      std::vector<std::vector<GraphNum>> sorted(length, std::vector<GraphNum>(Width));
      for (int i = 0; i < length; i++)
        for (int k = 0; k < Width; k++) sorted[i][k] = flat[i * Width + k];
      for (int i = 1; i < length; i++) {
        std::vector<GraphNum> a(sorted[i - 1].begin(), sorted[i - 1].begin() + KeyWidth);
        std::vector<GraphNum> b(sorted[i].begin(), sorted[i].begin() + KeyWidth);
        ASSERT_LE(a, b) << "length " << length << " at " << i;
      }
      std::sort(records.begin(), records.end());
      std::sort(sorted.begin(), sorted.end());
      ASSERT_EQ(records, sorted) << "length " << length;
    }
  }
}

TEST(Sort, AllFiveLayouts) {
  checkSort<1, 1>(intSort1asc1);
  checkSort<2, 1>(intSort2asc1);
  checkSort<2, 2>(intSort2asc2);
  checkSort<3, 1>(intSort3asc1);
  checkSort<3, 2>(intSort3asc2);
}

TEST(Sort, AlreadySortedAndReversedInputs) {
  for (int length : {7, 50, 5000}) {
    std::vector<GraphNum> ascending(length), descending(length);
    for (int i = 0; i < length; i++) {
      ascending[i] = i;
      descending[i] = length - i;
    }
    intSort1asc1(ascending.data(), length);
    intSort1asc1(descending.data(), length);
    EXPECT_TRUE(std::is_sorted(ascending.begin(), ascending.end()));
    EXPECT_TRUE(std::is_sorted(descending.begin(), descending.end()));
    EXPECT_EQ(descending.front(), 1);
  }
}

TEST(StringReplaceAll, GrowingShrinkingAndAdjacent) {
  char buffer[64];
  strcpy(buffer, "a<X>b<X>c");
  stringReplaceAll(buffer, "<X>", "");
  EXPECT_STREQ(buffer, "abc");

  strcpy(buffer, "xAyAz");
  stringReplaceAll(buffer, "A", "123");  // two occurrences, each two longer
  EXPECT_STREQ(buffer, "x123y123z");
  strcpy(buffer, "xAyAz");
  stringReplaceAll(buffer, "A", "");
  EXPECT_STREQ(buffer, "xyz");

  strcpy(buffer, "AAA");
  stringReplaceAll(buffer, "AA", "B");  // left to right, no overlap
  EXPECT_STREQ(buffer, "BA");
  strcpy(buffer, "<T><T>");
  stringReplaceAll(buffer, "<T>", "(<T>)");  // the replacement is not scanned again
  EXPECT_STREQ(buffer, "(<T>)(<T>)");
  strcpy(buffer, "none here");
  stringReplaceAll(buffer, "<T>", "x");
  EXPECT_STREQ(buffer, "none here");
}

TEST(Messages, RedirectedErrorsReturnAndKeepTheirOrder) {
  ErrorCapture capture;
  errorPrint("first: %d", 1);
  warningPrint("second: %s", "text");
  ASSERT_EQ(capture.lines.size(), 2u);
  EXPECT_EQ(capture.lines[0], "ERROR: first: 1");
  EXPECT_EQ(capture.lines[1], "WARNING: second: text");
}

TEST(MessagesDeathTest, ErrorEndsTheProcessWithStatusOne) {
  EXPECT_EXIT(errorPrint("operation: failed (%d)", 3), testing::ExitedWithCode(1),
              "^ERROR: operation: failed \\(3\\)\n$");
}

TEST(MessagesDeathTest, ProgramNameIsShortenedFromTheLeft) {
  EXPECT_EXIT(
      {
        errorProgramName("a-very-long-program-name-that-goes-on-and-on");
        errorPrint("x");
      },
      testing::ExitedWithCode(1), "^\\.\\.\\.ram-name-that-goes-on-and-on: ERROR: x\n$");
}

namespace {

struct SumRecord {
  ThreadRecord header;
  int value;
  int sum;
};

int sumStart(void* record) {
  SumRecord* own = static_cast<SumRecord*>(record);
  own->sum = own->value;
  return 0;
}

int sumJoin(void* record, void* partner) {
  static_cast<SumRecord*>(record)->sum += static_cast<SumRecord*>(partner)->sum;
  return 0;
}

}  // namespace

TEST(ThreadLaunch, PairwiseJoinMergesEveryThread) {
  for (int count : {1, 2, 3, 5, 8}) {
    std::vector<SumRecord> records(count);
    for (int i = 0; i < count; i++) records[i].value = 1 << i;
    ThreadContext context;
    ASSERT_EQ(threadLaunch(&context, records.data(), sizeof(SumRecord), sumStart, sumJoin, count, 0), 0);
    EXPECT_EQ(records[0].sum, (1 << count) - 1) << count << " threads";
  }
}
