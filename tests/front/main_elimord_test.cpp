// The driver program on its failure paths: every failure is one "ERROR: "
// line on the standard error stream naming the operation that found it,
// nothing on the standard output, and exit status 1.
#include <unistd.h>

#include <cstdlib>

#include "support/test_support.h"

namespace {

class MainElimord : public testing::Test {
 protected:
  void SetUp() override {
    // The driver ends through the error printer with its arrays still
    // allocated, by design: under the address sanitizer that is no leak to
    // report.
    std::string options = "detect_leaks=0";
    if (const char* old = getenv("ASAN_OPTIONS")) savedOptions_ = old, hadOptions_ = true;
    setenv("ASAN_OPTIONS", options.c_str(), 1);
  }
  void TearDown() override {
    if (hadOptions_)
      setenv("ASAN_OPTIONS", savedOptions_.c_str(), 1);
    else
      unsetenv("ASAN_OPTIONS");
  }

  // Runs the driver on a file holding the text; expects failure with one
  // error line that begins with the prefix.
  void expectFailure(const std::string& text, const std::string& prefix) {
    SCOPED_TRACE(testing::PrintToString(text));
    std::string path = temporaryPath("input.grf");
    writeFile(path, text);
    ProgramResult result = runProgram("main_elimord", {path});
    unlink(path.c_str());
    expectOneErrorLine(result, prefix);
  }

  static void expectOneErrorLine(const ProgramResult& result, const std::string& prefix) {
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("ERROR: " + prefix, 0), 0u) << result.err;
    ASSERT_FALSE(result.err.empty());
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "not exactly one line: " << result.err;
  }

 private:
  std::string savedOptions_;
  bool hadOptions_ = false;
};

TEST_F(MainElimord, WrongArgumentCountPrintsTheUsageLine) {
  const std::string usage = "ERROR: elimord: usage: main_elimord graph_file\n";
  ProgramResult none = runProgram("main_elimord", {});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.err, usage);
  EXPECT_EQ(none.out, "");
  ProgramResult two = runProgram("main_elimord", {"a.grf", "b.grf"});
  EXPECT_EQ(two.status, 1);
  EXPECT_EQ(two.err, usage);
  EXPECT_EQ(two.out, "");
}

TEST_F(MainElimord, MissingFileCannotBeOpened) {
  ProgramResult result = runProgram("main_elimord", {temporaryPath("no-such-file.grf")});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "ERROR: elimord: cannot open graph file\n");
  EXPECT_EQ(result.out, "");
}

TEST_F(MainElimord, InconsistentGraphsAreRefusedByTheCheck) {
  // Base 1 files: an end beyond the last vertex, an arc without its reverse,
  // a loop, an arc given twice.
  expectFailure("0\n2\t2\n1\t000\n1\t3\n1\t1\n", "graphCheck: arc end out of range");
  expectFailure("0\n3\t2\n1\t000\n1\t2\n0\n1\t1\n", "graphCheck: arc from vertex");
  expectFailure("0\n2\t3\n1\t000\n2\t1\t2\n1\t1\n", "graphCheck: loop at vertex 1");
  expectFailure("0\n2\t4\n1\t000\n2\t2\t2\n2\t1\t1\n", "graphCheck: repeated arc");
}

TEST_F(MainElimord, MalformedFilesAreRefusedByTheLoader) {
  expectFailure("0\n3\t4\n1\t000\n1\t2\n2\t1\t3\n", "graphLoad: bad input (5)");  // cut short
  expectFailure(std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10), "graphLoad: bad input (1)");
  expectFailure("0\n-5\t0\n1\t000\n", "graphLoad: invalid vertex count");
  expectFailure("0\n2\t-2\n1\t000\n0\n0\n", "graphLoad: invalid arc count");
  // Counts that memory may not hold: whether the arrays can be had or not,
  // the loader stops at the first problem it meets. The address sanitizer
  // takes seconds over arrays of gigabytes, so its build uses smaller ones.
  const std::string counts = testUnderAddressSanitizer ? "4000000\t4000000" : "2147483646\t2147483646";
  expectFailure("0\n" + counts + "\n1\t101\n1\t1\t2\n", "graphLoad: ");
}

}  // namespace
