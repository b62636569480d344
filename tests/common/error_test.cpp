// The error printer as a library uses it (return mode, handler, per-thread
// records) and as the programs use it (one escaped line, status 1).
#include <malloc.h>

#include <cstring>
#include <thread>

#include "common/common.h"
#include "plyxen.h"
#include "support/test_support.h"

namespace {

// Return mode for the lifetime of the object, the records cleared at both ends.
struct ReturnMode {
  ReturnMode() {
    PLYXEN_errorModeSet(PLYXEN_ERROR_RETURN);
    PLYXEN_errorClear();
  }
  ~ReturnMode() {
    PLYXEN_errorModeSet(PLYXEN_ERROR_EXIT);
    PLYXEN_errorHandlerSet(nullptr, nullptr);
    PLYXEN_errorClear();
  }
};

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

int loadText(PLYXEN_Graph* graph, const std::string& text) {
  FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  int status = PLYXEN_graphLoad(graph, stream, -1, 0);
  fclose(stream);
  return status;
}

}  // namespace

TEST(ErrorEscape, ControlCharactersBecomeVisibleAndOtherBytesStay) {
  EXPECT_EQ(errorEscape("a\nb\tc\rd"), "a\\nb\\tc\\rd");
  EXPECT_EQ(errorEscape(std::string("x\x01y\x7fz\x1b", 6)), "x\\x01y\\x7fz\\x1b");
  EXPECT_EQ(errorEscape(std::string("nul\0end", 7)), "nul\\x00end");
  EXPECT_EQ(errorEscape("caf\xc3\xa9 \\ \"q\""), "caf\xc3\xa9 \\ \"q\"");
}

TEST(Messages, LongMessagesAreFormattedWhole) {
  ErrorCapture capture;
  const std::string text(10000, 'z');
  errorPrint("op: %s|%d", text.c_str(), 42);
  ASSERT_EQ(capture.lines.size(), 1u);
  EXPECT_EQ(capture.lines[0], "ERROR: op: " + text + "|42");
}

TEST(MessagesDeathTest, AMessageWithLineBreaksIsOneLine) {
  EXPECT_EXIT(errorPrint("op: \"%s\"", "one\ntwo\nthree"), testing::ExitedWithCode(1),
              "^ERROR: op: \"one\\\\ntwo\\\\nthree\"\n$");
}

TEST(LibraryMode, AFailingOperationReturnsAndKeepsItsMessage) {
  ReturnMode mode;
  EXPECT_EQ(PLYXEN_errorModeSet(PLYXEN_ERROR_RETURN), PLYXEN_ERROR_RETURN);
  EXPECT_EQ(PLYXEN_errorModeSet(7), -1);
  EXPECT_STREQ(PLYXEN_errorLast(), "");
  PLYXEN_Strat strat;
  PLYXEN_stratInit(&strat);
  EXPECT_EQ(PLYXEN_stratGraphOrder(&strat, "n{sep=h,ole=q\nrest"), 1);
  PLYXEN_stratExit(&strat);
  std::vector<std::string> lines = splitLines(PLYXEN_errorLast());
  ASSERT_GE(lines.size(), 2u);  // the parser's message, then the entry's
  EXPECT_EQ(lines[0], "stratParserParse: invalid method name \"q\", before \"\\nrest\"");
  EXPECT_EQ(lines.back(), "PLYXEN_stratGraphOrder: error in ordering strategy");
  PLYXEN_errorClear();
  EXPECT_STREQ(PLYXEN_errorLast(), "");
}

TEST(LibraryMode, EachThreadReadsItsOwnMessages) {
  ReturnMode mode;
  std::string seen[2];
  auto fail = [&seen](int index) {
    for (int round = 0; round < 50; round++) {
      PLYXEN_errorClear();
      errorPrint("thread %d round %d", index, round);
      seen[index] = PLYXEN_errorLast();
      if (seen[index] != "thread " + std::to_string(index) + " round " + std::to_string(round)) return;
    }
  };
  std::thread first(fail, 0), second(fail, 1);
  first.join();
  second.join();
  EXPECT_EQ(seen[0], "thread 0 round 49");
  EXPECT_EQ(seen[1], "thread 1 round 49");
  EXPECT_STREQ(PLYXEN_errorLast(), "");  // nothing reached this thread
}

TEST(LibraryMode, ARecordKeepsTheLatestMessages) {
  ReturnMode mode;
  for (int i = 0; i < 100; i++) errorPrint("failure %d", i);
  std::vector<std::string> lines = splitLines(PLYXEN_errorLast());
  ASSERT_EQ(lines.size(), 32u);
  EXPECT_EQ(lines.front(), "failure 68");
  EXPECT_EQ(lines.back(), "failure 99");
}

namespace {

struct HandlerLog {
  std::vector<std::pair<int, std::string>> messages;
};

void logMessage(int kind, const char* message, void* data) {
  static_cast<HandlerLog*>(data)->messages.emplace_back(kind, message);
}

}  // namespace

TEST(LibraryMode, AHandlerReceivesErrorsAndWarnings) {
  ReturnMode mode;
  HandlerLog log;
  PLYXEN_errorHandlerSet(logMessage, &log);
  errorPrint("bad \"%s\"", "x\ty");
  warningPrint("careful");
  PLYXEN_errorHandlerSet(nullptr, nullptr);
  ASSERT_EQ(log.messages.size(), 2u);
  EXPECT_EQ(log.messages[0], std::make_pair(int{PLYXEN_MESSAGE_ERROR}, std::string("bad \"x\\ty\"")));
  EXPECT_EQ(log.messages[1], std::make_pair(int{PLYXEN_MESSAGE_WARNING}, std::string("careful")));
  EXPECT_STREQ(PLYXEN_errorLast(), "bad \"x\\ty\"");  // recorded as well; warnings never are
}

TEST(LibraryModeDeathTest, AHandlerInExitModeStillEndsTheProcess) {
  EXPECT_EXIT(
      {
        PLYXEN_errorHandlerSet([](int, const char* message, void*) { fprintf(stderr, "handled %s\n", message); },
                               nullptr);
        errorPrint("op: failed");
      },
      testing::ExitedWithCode(1), "^handled op: failed\n$");
}

// Failing public calls, over and over: every error path must return and
// free what it took. The sanitizer build's leak checker sees any block
// left behind; the plain build compares the heap in use before and after.
TEST(LibraryMode, RepeatedFailuresReleaseEverything) {
  ReturnMode mode;
  const std::string goodGraph = "0\n3\t4\n0\t000\n1\t1\n2\t0\t2\n1\t1\n";
  const std::vector<std::string> badGraphs = {
      "",          "1\n3 4\n0 000\n",           "0\n3\t4\n0\t000\n1\t1\n2\t0\t7\n1\t1\n",
      "0\n3 4 0",  "0\n3\t4\n0\t000\n1\t1\n2\t0\t2\n", "0\n-3 4 0 000",
      "0\n2\t2\n0\t001\n5\t1\t1\n-1\t1\t0\n"};
  const std::vector<std::string> badStrategies = {"n{sep=", "x", "n{ole=f{cmin=}}", "c{rat=0.7,cpr=n{sep=/(vert>"};
  auto failEverything = [&]() {
    for (const std::string& text : badGraphs) {
      PLYXEN_Graph graph;
      PLYXEN_graphInit(&graph);
      if (loadText(&graph, text) == 0) {
        EXPECT_NE(PLYXEN_graphCheck(&graph), 0) << text;
      }
      PLYXEN_graphExit(&graph);
    }
    for (const std::string& text : badStrategies) {
      PLYXEN_Strat strat;
      PLYXEN_stratInit(&strat);
      EXPECT_NE(PLYXEN_stratGraphOrder(&strat, text.c_str()), 0) << text;
      PLYXEN_stratExit(&strat);
    }
    // An ordering file that does not fit its graph.
    PLYXEN_Graph graph;
    PLYXEN_graphInit(&graph);
    ASSERT_EQ(loadText(&graph, goodGraph), 0);
    std::vector<PLYXEN_Num> permutation(3);
    PLYXEN_Ordering ordering;
    ASSERT_EQ(PLYXEN_graphOrderInit(&graph, &ordering, permutation.data(), nullptr, nullptr, nullptr, nullptr), 0);
    const std::string orderText = "3\n0\t0\n1\t0\n2\t2\n";
    FILE* stream = fmemopen(const_cast<char*>(orderText.data()), orderText.size(), "r");
    EXPECT_NE(PLYXEN_graphOrderLoad(&graph, &ordering, stream), 0);
    fclose(stream);
    PLYXEN_graphOrderExit(&graph, &ordering);
    PLYXEN_graphExit(&graph);
    EXPECT_STRNE(PLYXEN_errorLast(), "");
    PLYXEN_errorClear();
  };
  for (int round = 0; round < 3; round++) failEverything();  // lazily made tables and buffers
  const size_t inUse = mallinfo2().uordblks;
  for (int round = 0; round < 1000; round++) failEverything();
#if !defined(__SANITIZE_ADDRESS__)
  // The allocator's per-thread caches count as in use and may fill a
  // little; one lost block per round would show as 32 kB at least.
  EXPECT_LT(mallinfo2().uordblks, inUse + 8192);
#else
  (void)inUse;
#endif
}


// The programs print one line whatever the text they echo.
TEST(Programs, AStrategyWithALineBreakGivesOneErrorLine) {
  ProgramResult result = runProgram(
      "plyxen", {"order", std::string(PLYXEN_SOURCE_DIR) + "/examples/mesh30.grf", "-s", "n{sep=h,ole=q\nrest\x01"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "ERROR: stratParserParse: invalid method name \"q\", before \"\\nrest\\x01\"\n");
  EXPECT_EQ(result.out, "");
}

TEST(Programs, AFileNameWithALineBreakGivesOneErrorLine) {
  ProgramResult tool = runProgram("plyxen", {"order", "no\nsuch\tfile.grf"});
  EXPECT_EQ(tool.status, 1);
  EXPECT_EQ(tool.err, "ERROR: plyxen order: cannot open file \"no\\nsuch\\tfile.grf\"\n");
  // The driver names no file, but a graph text that breaks mid-way still gives one line.
  const std::string path = temporaryPath("bad\nname.grf");
  writeFile(path, "0\n3\t4\n0\t000\n1\t1\n2\t0\n");
  ProgramResult driver = runProgram("main_elimord", {path});
  EXPECT_EQ(driver.status, 1);
  EXPECT_EQ(std::count(driver.err.begin(), driver.err.end(), '\n'), 1) << driver.err;
  EXPECT_EQ(driver.err.rfind("ERROR: ", 0), 0u) << driver.err;
  unlink(path.c_str());
}
