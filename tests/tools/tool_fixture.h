// The fixture of the tool's tests: runs the built program, checks its
// success or its single error line, and tidies the scratch files.
#pragma once

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"

class Tool : public testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = getenv("ASAN_OPTIONS")) savedOptions_ = old, hadOptions_ = true;
  }
  void TearDown() override {
    if (hadOptions_)
      setenv("ASAN_OPTIONS", savedOptions_.c_str(), 1);
    else
      unsetenv("ASAN_OPTIONS");
    for (const std::string& path : created_) unlink(path.c_str());
    for (const std::string& folder : folders_) {
      for (const std::string& name : filesStartingWith(folder + "/"))
        if (name != "." && name != "..") unlink((folder + "/" + name).c_str());
      rmdir(folder.c_str());
    }
  }

  // A fresh scratch folder, removed with its files after the test.
  std::string folder(const std::string& name) {
    std::string result = temporaryPath(name);
    EXPECT_EQ(mkdir(result.c_str(), 0755), 0) << result;
    folders_.push_back(result);
    return result;
  }

  std::string path(const std::string& name) {
    std::string result = temporaryPath(name);
    created_.push_back(result);
    return result;
  }
  std::string file(const std::string& name, const std::string& text) {
    std::string result = path(name);
    writeFile(result, text);
    return result;
  }

  static ProgramResult run(const std::vector<std::string>& arguments) {
    setenv("ASAN_OPTIONS", "detect_leaks=1", 1);
    return runProgram("plyxen", arguments);
  }
  // Failing runs end inside the error printer with their data still
  // allocated, by design: that is not a leak to report.
  static ProgramResult runFailing(const std::vector<std::string>& arguments) {
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    return runProgram("plyxen", arguments);
  }

  static void expectSuccess(const ProgramResult& result) {
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
  }
  // Exactly one error line, beginning with "ERROR: " and the prefix.
  static void expectFailure(const ProgramResult& result, const std::string& prefix = "") {
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("ERROR: " + prefix, 0), 0u) << result.err;
    EXPECT_FALSE(result.err.empty());
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "not exactly one line: " << result.err;
  }

  // A run started by the test and waited for later: its standard streams go
  // to scratch files, its input comes from a pipe fed with the text (at most
  // a pipe's capacity), the cleanup signals have their default action, and
  // its address space may be limited (bytes, 0 for none).
  struct Started {
    pid_t pid;
    std::string outPath, errPath;
  };
  struct Ended {
    int status;  // exit status, or -1
    int signal;  // the signal that ended it, or 0
    std::string out, err;
  };
  Started start(const std::vector<std::string>& arguments, const std::string& input = "", size_t addressSpace = 0,
                bool checkLeaks = false) {
    const std::string stem = "started" + std::to_string(startCount_++);
    Started started{-1, path(stem + ".out"), path(stem + ".err")};
    int feed[2];
    EXPECT_EQ(pipe(feed), 0);
    EXPECT_LE(input.size(), 65536u);
    started.pid = fork();
    if (started.pid == 0) {
      dup2(feed[0], 0);
      close(feed[0]);
      close(feed[1]);
      if (!freopen(started.outPath.c_str(), "w", stdout) || !freopen(started.errPath.c_str(), "w", stderr)) _exit(127);
      for (int number : {SIGINT, SIGTERM, SIGHUP}) signal(number, SIG_DFL);
      sigset_t none;
      sigemptyset(&none);
      sigprocmask(SIG_SETMASK, &none, nullptr);
      if (addressSpace != 0) {
        struct rlimit limit = {addressSpace, addressSpace};
        setrlimit(RLIMIT_AS, &limit);
      }
      setenv("ASAN_OPTIONS", checkLeaks ? "detect_leaks=1" : "detect_leaks=0", 1);
      std::string program = std::string(PLYXEN_BINARY_DIR) + "/plyxen";
      std::vector<char*> argv{const_cast<char*>(program.c_str())};
      for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    close(feed[0]);
    EXPECT_EQ(write(feed[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
    close(feed[1]);
    return started;
  }
  static Ended finish(const Started& started) {
    int status = 0;
    waitpid(started.pid, &status, 0);
    Ended ended{WIFEXITED(status) ? WEXITSTATUS(status) : -1, WIFSIGNALED(status) ? WTERMSIG(status) : 0,
                readFile(started.outPath), readFile(started.errPath)};
    return ended;
  }
  static ProgramResult resultOf(const Ended& ended) { return ProgramResult{ended.status, ended.out, ended.err}; }

  // Files of the scratch folder whose names begin with the prefix.
  static std::vector<std::string> filesStartingWith(const std::string& prefix) {
    std::string folder = prefix.substr(0, prefix.rfind('/'));
    std::string stem = prefix.substr(prefix.rfind('/') + 1);
    std::vector<std::string> found;
    if (DIR* directory = opendir(folder.c_str())) {
      while (dirent* entry = readdir(directory))
        if (std::string(entry->d_name).rfind(stem, 0) == 0) found.push_back(entry->d_name);
      closedir(directory);
    }
    return found;
  }

 private:
  std::vector<std::string> created_;
  std::vector<std::string> folders_;
  int startCount_ = 0;
  std::string savedOptions_;
  bool hadOptions_ = false;
};

// Reads an ordering file into vertex (from 0) -> position (in base).
inline std::vector<GraphNum> readOrdering(const std::string& path, GraphNum base) {
  std::istringstream stream(readFile(path));
  GraphNum count = -1;
  stream >> count;
  std::vector<GraphNum> permutation(std::max<GraphNum>(count, 0), -1);
  for (GraphNum i = 0; i < count; i++) {
    GraphNum vertex, position;
    stream >> vertex >> position;
    EXPECT_EQ(vertex, base + i);
    if (vertex == base + i) permutation[i] = position;
  }
  std::vector<GraphNum> sorted = permutation;
  std::sort(sorted.begin(), sorted.end());
  for (GraphNum i = 0; i < count; i++) EXPECT_EQ(sorted[i], base + i) << "not a permutation";
  return permutation;
}
