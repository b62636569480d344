// Output files of the tool: devices, FIFOs and symbolic links keep their
// nature, a full device is a failure, the standard output is "-", outputs
// that are the same file (or the input) are refused, and an interrupted run
// leaves no temporary file behind.
#include <fcntl.h>
#include <sys/sysmacros.h>

#include <map>

#include "tool_fixture.h"

namespace {

const char* const kPathGraph = "0\n3\t4\n0\t000\n1\t1\n2\t0\t2\n1\t1\n";

std::string linkTarget(const std::string& path) {
  char buffer[4096];
  ssize_t length = readlink(path.c_str(), buffer, sizeof(buffer));
  return length < 0 ? std::string() : std::string(buffer, static_cast<size_t>(length));
}

mode_t kindOf(const std::string& path) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0 ? (status.st_mode & S_IFMT) : 0;
}

// A device node that is still the device it was made as.
bool isDevice(const std::string& path, unsigned minor) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0 && S_ISCHR(status.st_mode) && status.st_rdev == makedev(1, minor);
}

// Whatever the FIFO's writers put in it, once they are gone.
std::string drain(int descriptor) {
  std::string text;
  char buffer[4096];
  ssize_t count;
  while ((count = read(descriptor, buffer, sizeof(buffer))) > 0) text.append(buffer, static_cast<size_t>(count));
  return text;
}

}  // namespace

// Every output of every command: a device is written in place (a full one
// fails), a FIFO gets the file's text, a chain of links keeps its links
// and the file at its end gets the text with its permissions kept, a
// dangling link makes the file it names, and "-" is the standard output.
TEST_F(Tool, OutputsKeepWhatTheyName) {
  const std::string dir = folder("outputs");
  const std::string graph = dir + "/path.grf";
  writeFile(graph, kPathGraph);
  // Each way of writing a file, and what it writes into a plain file.
  struct Form {
    std::vector<std::string> arguments;  // "OUT" stands for the output
    std::string text;
  };
  std::vector<Form> forms{{{"order", graph, "-o", "OUT"}, ""},
                          {{"order", graph, "--map", "OUT"}, ""},
                          {{"order", graph, "--tree", "OUT"}, ""},
                          {{"convert", graph, "OUT", "--to", "metis"}, ""}};
  auto argumentsFor = [](const Form& form, const std::string& output) {
    std::vector<std::string> arguments = form.arguments;
    std::replace(arguments.begin(), arguments.end(), std::string("OUT"), output);
    return arguments;
  };
  for (Form& form : forms) {
    expectSuccess(run(argumentsFor(form, dir + "/plain")));
    form.text = readFile(dir + "/plain");
    ASSERT_FALSE(form.text.empty());
  }
  const bool devices = mknod((dir + "/null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 &&
                       mknod((dir + "/full").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0;
  ASSERT_EQ(mkfifo((dir + "/fifo").c_str(), 0644), 0);
  // A relative link to an absolute one into another folder.
  const std::string files = folder("outputs_files");
  ASSERT_EQ(symlink("l2", (dir + "/l1").c_str()), 0);
  ASSERT_EQ(symlink((files + "/real").c_str(), (dir + "/l2").c_str()), 0);
  ASSERT_EQ(symlink((files + "/new").c_str(), (dir + "/dangling").c_str()), 0);

  for (const Form& form : forms) {
    SCOPED_TRACE(testing::PrintToString(form.arguments));
    if (devices) {
      expectSuccess(run(argumentsFor(form, dir + "/null")));
      EXPECT_TRUE(isDevice(dir + "/null", 3));
      expectFailure(runFailing(argumentsFor(form, dir + "/full")), "");
      EXPECT_TRUE(isDevice(dir + "/full", 7));
    }

    int reader = open((dir + "/fifo").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    expectSuccess(run(argumentsFor(form, dir + "/fifo")));
    EXPECT_EQ(drain(reader), form.text);
    close(reader);
    EXPECT_EQ(kindOf(dir + "/fifo"), static_cast<mode_t>(S_IFIFO));

    writeFile(files + "/real", "OLD\n");
    ASSERT_EQ(chmod((files + "/real").c_str(), 0640), 0);
    expectSuccess(run(argumentsFor(form, dir + "/l1")));
    EXPECT_EQ(linkTarget(dir + "/l1"), "l2");
    EXPECT_EQ(linkTarget(dir + "/l2"), files + "/real");
    EXPECT_EQ(readFile(files + "/real"), form.text);
    struct stat status;
    ASSERT_EQ(stat((files + "/real").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);

    unlink((files + "/new").c_str());
    expectSuccess(run(argumentsFor(form, dir + "/dangling")));
    EXPECT_EQ(linkTarget(dir + "/dangling"), files + "/new");
    EXPECT_EQ(readFile(files + "/new"), form.text);

    ProgramResult standard = run(argumentsFor(form, "-"));
    expectSuccess(standard);
    EXPECT_EQ(standard.out, form.text);

    EXPECT_EQ(filesStartingWith(dir + "/plain.tmp").size() + filesStartingWith(files + "/real.tmp").size() +
                  filesStartingWith(files + "/new.tmp").size(),
              0u);
  }

  // The figures step aside when the ordering takes the standard output.
  ProgramResult both = run({"order", graph, "-o", "-", "--stats"});
  EXPECT_EQ(both.status, 0);
  EXPECT_EQ(both.out, forms[0].text);
  EXPECT_EQ(both.err.rfind("vertices=3 edges=2 ", 0), 0u) << both.err;
}

// Two outputs that are one file, or an output that is the input, whatever
// the paths that reach them: refused before anything is written.
TEST_F(Tool, RefusesOutputsThatClash) {
  const std::string dir = folder("clash");
  const std::string graph = dir + "/path.grf";
  const std::string good = dir + "/good.ord";
  writeFile(graph, kPathGraph);
  writeFile(good, "GOOD\n");
  ASSERT_EQ(symlink("good.ord", (dir + "/good.link").c_str()), 0);
  ASSERT_EQ(symlink("path.grf", (dir + "/graph_link.grf").c_str()), 0);
  ASSERT_EQ(link(graph.c_str(), (dir + "/hard.grf").c_str()), 0);
  const std::string fresh = dir + "/fresh.ord";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{"order", graph, "-o", good, "--map", good}, "plyxen: outputs"},
      {{"order", graph, "-o", good, "--tree", dir + "/.." + dir.substr(dir.rfind('/')) + "/good.ord"}, "plyxen: outputs"},
      {{"order", graph, "-o", good, "--map", dir + "/good.link"}, "plyxen: outputs"},
      {{"order", graph, "-o", fresh, "--map", dir + "/./fresh.ord"}, "plyxen: outputs"},
      {{"order", graph, "-o", "-", "--map", "-"}, "plyxen: only one output"},
      {{"order", graph, "-o", graph}, "plyxen order: output"},
      {{"order", dir + "/graph_link.grf", "--map", graph}, "plyxen order: output"},
      {{"order", graph, "--tree", dir + "/hard.grf"}, "plyxen order: output"},
      {{"convert", graph, graph}, "plyxen: output"},
      {{"convert", graph, dir + "/graph_link.grf", "--to", "grf"}, "plyxen: output"},
  };
  for (const auto& [arguments, prefix] : cases) {
    SCOPED_TRACE(testing::PrintToString(arguments));
    expectFailure(runFailing(arguments), prefix);
    EXPECT_EQ(readFile(good), "GOOD\n");
    EXPECT_EQ(readFile(graph), kPathGraph);
    EXPECT_EQ(kindOf(dir + "/good.link"), static_cast<mode_t>(S_IFLNK));
    EXPECT_EQ(kindOf(fresh), 0u);
    EXPECT_EQ(filesStartingWith(dir + "/good.ord.tmp").size() + filesStartingWith(dir + "/fresh.ord.tmp").size(),
              0u);
  }
}

// A run stopped by a signal while its outputs are pending (its input is a
// FIFO that nobody writes) removes them and dies of that signal.
TEST_F(Tool, SignalsRemoveTemporaryFiles) {
  const std::string dir = folder("signals");
  const std::string input = dir + "/input.grf";
  ASSERT_EQ(mkfifo(input.c_str(), 0644), 0);
  for (int number : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(number);
    Started started = start({"order", input, "-o", dir + "/out.ord", "--map", dir + "/out.map"});
    // Wait until both temporary files exist; the run then blocks on its input.
    for (int tries = 0; tries < 3000 && filesStartingWith(dir + "/out.").size() < 2; tries++) usleep(10000);
    EXPECT_EQ(filesStartingWith(dir + "/out.").size(), 2u);
    kill(started.pid, number);
    Ended ended = finish(started);
    EXPECT_EQ(ended.signal, number) << ended.err;
    EXPECT_EQ(ended.err, "");
    EXPECT_EQ(filesStartingWith(dir + "/out.").size(), 0u);
  }
}

// An option that takes a value refuses a missing one and one that looks
// like the next option, and never writes a file named after an option.
TEST_F(Tool, OptionValuesAreNotOptions) {
  const std::string graph = file("path.grf", kPathGraph);
  const std::string out = path("out.ord");
  const std::vector<std::vector<std::string>> cases{
      {"order", graph, "--tree", "--map", out},
      {"order", graph, "--tree=--map", out},
      {"order", graph, "-o", "--stats"},
      {"order", graph, "-s", "--verbose"},
      {"order", graph, "--map"},
      {"convert", graph, out, "--to", "--from", "grf"},
      {"stats", graph, out, "--from", "--help"},
  };
  for (const std::vector<std::string>& arguments : cases) {
    SCOPED_TRACE(testing::PrintToString(arguments));
    expectFailure(runFailing(arguments), "plyxen " + arguments[0] + ": missing value after");
    EXPECT_NE(access("--map", F_OK), 0);
    EXPECT_NE(access("--stats", F_OK), 0);
    EXPECT_NE(access(out.c_str(), F_OK), 0);
  }
  // "-" is a value: the standard output.
  ProgramResult standard = run({"order", graph, "-o", "-"});
  expectSuccess(standard);
  EXPECT_EQ(standard.out.rfind("3\n", 0), 0u);
  // --verbose is silent on a short run.
  expectSuccess(run({"order", graph, "-o", out, "--verbose"}));
}
