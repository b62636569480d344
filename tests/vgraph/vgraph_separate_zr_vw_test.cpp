// Methods z (back to part 0) and v (separation written to numbered files).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <dirent.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "graph/graph_induce.h"
#include "support/test_support.h"
#include "support/vgraph_support.h"
#include "vgraph/vgraph_separate_methods.h"

namespace {

TEST(SeparateZr, ResetsToPartZero) {
  Graph graph;
  buildPath(&graph, 1, 5);
  TestVgraph test(&graph);
  test.setParts({0, 0, 2, 1, 1});
  EXPECT_EQ(vgraphSeparateZr(&test.vgraph, nullptr), 0);
  EXPECT_EQ(test.parts(), std::vector<int>(5, 0));
  EXPECT_EQ(test.vgraph.partLoad[0], 5);
  EXPECT_TRUE(vgraphConsistent(&test.vgraph));
}

TEST(SeparateZr, LeavesAnUnseparatedGraphAlone) {
  Graph graph;
  buildPath(&graph, 1, 5);
  TestVgraph test(&graph);
  // A stale frontier entry beyond frontierCount shows that nothing was rewritten.
  test.vgraph.frontier[0] = 12345;
  EXPECT_EQ(vgraphSeparateZr(&test.vgraph, nullptr), 0);
  EXPECT_EQ(test.vgraph.frontier[0], 12345);
  EXPECT_TRUE(vgraphConsistent(&test.vgraph));
}

// Runs the body in a fresh empty directory, restoring the current one after.
struct InScratchDirectory {
  char saved[PATH_MAX];
  std::string folder;
  explicit InScratchDirectory(const std::string& name) {
    folder = temporaryPath(name);
    mkdir(folder.c_str(), 0755);
    EXPECT_NE(getcwd(saved, sizeof(saved)), nullptr);
    EXPECT_EQ(chdir(folder.c_str()), 0);
  }
  ~InScratchDirectory() { EXPECT_EQ(chdir(saved), 0); }
};

// The separation files in the current directory, sorted by name.
std::vector<std::string> separationFiles() {
  std::vector<std::string> names;
  DIR* directory = opendir(".");
  while (dirent* entry = readdir(directory)) {
    const std::string name = entry->d_name;
    if (name.rfind("vgraphseparatevw_output_", 0) == 0) names.push_back(name);
  }
  closedir(directory);
  std::sort(names.begin(), names.end());
  return names;
}

int fileNumber(const std::string& name) { return atoi(name.c_str() + strlen("vgraphseparatevw_output_")); }

TEST(SeparateVw, WritesConsecutiveFilesWithParentNumbers) {
  InScratchDirectory scratch("vw_files");
  Graph parent;
  buildPath(&parent, 1, 6);
  // A graph with vertex numbers: the induced path 6-5-4 of the parent.
  Graph graph;
  graphInit(&graph);
  const GraphNum list[] = {6, 5, 4};
  ASSERT_EQ(graphInduceList(&parent, 3, list, &graph), 0);
  graphExit(&parent);
  TestVgraph test(&graph);
  test.setParts({1, 2, 0});

  for (int call = 0; call < 3; call++) ASSERT_EQ(vgraphSeparateVw(&test.vgraph, nullptr), 0);
  const std::vector<std::string> names = separationFiles();
  ASSERT_EQ(names.size(), 3u);
  char expected[64];
  for (int index = 0; index < 3; index++) {
    // Eight-digit numbers, consecutive from call to call.
    snprintf(expected, sizeof(expected), "vgraphseparatevw_output_%08d.map", fileNumber(names[0]) + index);
    EXPECT_EQ(names[index], expected);
    EXPECT_EQ(readFile(names[index]), "3\n6\t1\n5\t2\n4\t0\n") << names[index];
  }
  EXPECT_EQ(test.parts(), std::vector<int>({1, 2, 0}));
  EXPECT_TRUE(vgraphConsistent(&test.vgraph));
}

TEST(SeparateVw, WritesOwnNumbersWithoutVertexNumbersAndReportsOpenFailures) {
  Graph graph;
  buildPath(&graph, 1, 3);
  TestVgraph test(&graph);
  test.setParts({0, 2, 1});
  int number;
  {
    InScratchDirectory scratch("vw_plain");
    ASSERT_EQ(vgraphSeparateVw(&test.vgraph, nullptr), 0);
    const std::vector<std::string> names = separationFiles();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(readFile(names[0]), "3\n1\t0\n2\t2\n3\t1\n");
    number = fileNumber(names[0]);
  }
  // The next call uses the next number: a directory of that name cannot be
  // opened as a file.
  InScratchDirectory scratch("vw_blocked");
  char name[64];
  snprintf(name, sizeof(name), "vgraphseparatevw_output_%08d.map", number + 1);
  ASSERT_EQ(mkdir(name, 0755), 0);
  ErrorCapture capture;
  EXPECT_EQ(vgraphSeparateVw(&test.vgraph, nullptr), 1);
  EXPECT_EQ(capture.first(), "ERROR: vgraphSeparateVw: cannot open partition file");
  EXPECT_EQ(test.parts(), std::vector<int>({0, 2, 1}));

  // The failed call used its number too. A file on a full device accepts
  // the buffered writes and fails when they are flushed: still bad output.
  snprintf(name, sizeof(name), "vgraphseparatevw_output_%08d.map", number + 2);
  const std::string full = fullDevicePath();
  if (full.empty()) GTEST_SKIP() << "cannot make a full device";
  ASSERT_EQ(symlink(full.c_str(), name), 0);
  capture.lines.clear();
  EXPECT_EQ(vgraphSeparateVw(&test.vgraph, nullptr), 1);
  EXPECT_EQ(capture.first(), "ERROR: vgraphSeparateVw: bad output");
}

}  // namespace
