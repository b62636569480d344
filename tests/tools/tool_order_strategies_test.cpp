// The named ordering strategies of plyxen order: the interface's orderings
// stay what they were, each option selects the strategy whose text the
// library publishes, the orderings are permutations and the same on every
// run, and on a network of hubs the recommended strategy does not dissect
// what it should order whole.
#include <cstdint>
#include <map>
#include <set>
#include <sstream>

#include "plyxen.h"
#include "tool_fixture.h"

namespace {

// FNV-1a digest of a file's bytes.
uint64_t digestOf(const std::string& text) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (unsigned char byte : text) {
    hash ^= byte;
    hash *= 0x100000001b3ull;
  }
  return hash;
}

// A graph file (base 0) of the undirected edges given, without repeats.
std::string graphText(GraphNum vertexCount, const std::set<std::pair<GraphNum, GraphNum>>& edges) {
  std::vector<std::vector<GraphNum>> neighbours(vertexCount);
  for (const auto& [u, v] : edges) {
    neighbours[u].push_back(v);
    neighbours[v].push_back(u);
  }
  std::ostringstream text;
  text << "0\n" << vertexCount << "\t" << 2 * edges.size() << "\n0\t000\n";
  for (const std::vector<GraphNum>& list : neighbours) {
    text << list.size();
    for (GraphNum u : list) text << "\t" << u;
    text << "\n";
  }
  return text.str();
}

// A W x H grid cut into triangles, with a second diagonal in every third
// cell, so that it is neither a plain grid nor a plain triangulation.
std::string meshText(GraphNum width, GraphNum height) {
  std::set<std::pair<GraphNum, GraphNum>> edges;
  auto at = [&](GraphNum x, GraphNum y) { return y * width + x; };
  for (GraphNum y = 0; y < height; y++)
    for (GraphNum x = 0; x < width; x++) {
      if (x + 1 < width) edges.insert({at(x, y), at(x + 1, y)});
      if (y + 1 < height) edges.insert({at(x, y), at(x, y + 1)});
      if (x + 1 < width && y + 1 < height) {
        edges.insert({at(x, y), at(x + 1, y + 1)});
        if ((x + y) % 3 == 0) edges.insert({at(x + 1, y), at(x, y + 1)});
      }
    }
  return graphText(width * height, edges);
}

// Preferential attachment: each new vertex links to two earlier ones
// picked in proportion to their degrees, which makes hubs and leaves.
std::string hubsText(GraphNum vertexCount) {
  std::set<std::pair<GraphNum, GraphNum>> edges{{0, 1}};
  std::vector<GraphNum> ends{0, 1};
  uint64_t state = 12345;
  auto next = [&](uint64_t bound) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return (state >> 33) % bound;
  };
  for (GraphNum v = 2; v < vertexCount; v++)
    for (int link = 0; link < 2; link++) {
      GraphNum u = ends[next(ends.size())];
      if (u != v && edges.insert({u, v}).second) {
        ends.push_back(u);
        ends.push_back(v);
      }
    }
  return graphText(vertexCount, edges);
}

}  // namespace

// Digests of the ordering files that the interface's strategy wrote for
// shared graphs before the recommended strategy existed: the solver
// interface's orderings must not change.
TEST_F(Tool, InterfaceOrderingsAreUnchanged) {
  const std::map<std::string, uint64_t> digests{
      {"airfoil1", 0x6188cc53670abf9aull}, {"4elt", 0x907dbecddd92d347ull}, {"plate2d", 0x832e87ba0111985bull}};
  std::vector<std::string> names = sharedGraphNames();
  int checked = 0;
  for (const auto& [name, digest] : digests) {
    if (std::find(names.begin(), names.end(), name + ".grf") == names.end()) continue;
    SCOPED_TRACE(name);
    std::string orderPath = path(name + ".ord");
    expectSuccess(run({"order", sharedGraphPath(name + ".grf"), "--interface", "-o", orderPath}));
    EXPECT_EQ(digestOf(readFile(orderPath)), digest);
    checked++;
  }
  if (checked == 0) GTEST_SKIP() << "no shared graphs";
}

// The default, --interface and --quality orderings are those of the
// published texts given with -s, valid, the same on a second run, and
// different from one another where the strategies differ (so that the
// comparisons can tell the options apart).
TEST_F(Tool, NamedStrategiesSelectTheirText) {
  ASSERT_EQ(PLYXEN_stratGraphOrderText(-1), nullptr);
  ASSERT_EQ(PLYXEN_stratGraphOrderText(3), nullptr);
  std::vector<std::pair<std::string, int>> options{
      {"", ORDER_STRATEGY_RECOMMENDED}, {"--interface", ORDER_STRATEGY_INTERFACE}, {"--quality", ORDER_STRATEGY_QUALITY}};
  // On the network of hubs both new strategies order the whole graph by
  // minimum fill: the same ordering.
  for (const auto& [graphPath, distinctCount] :
       {std::pair{file("mesh.grf", meshText(90, 70)), 3u}, std::pair{file("hubs.grf", hubsText(3000)), 2u}}) {
    SCOPED_TRACE(graphPath);
    std::set<std::string> distinct;
    for (const auto& [option, kind] : options) {
      SCOPED_TRACE(option);
      const char* text = PLYXEN_stratGraphOrderText(kind);
      ASSERT_NE(text, nullptr);
      std::vector<std::string> arguments{"order", graphPath, "-o", path("named.ord")};
      if (!option.empty()) arguments.push_back(option);
      expectSuccess(run(arguments));
      std::string named = readFile(arguments[3]);
      expectSuccess(run(arguments));
      EXPECT_EQ(readFile(arguments[3]), named) << "not deterministic";
      expectSuccess(run({"order", graphPath, "-o", path("text.ord"), "-s", text}));
      EXPECT_EQ(readFile(temporaryPath("text.ord")), named);
      readOrdering(arguments[3], 0);  // a permutation
      distinct.insert(named);
    }
    EXPECT_EQ(distinct.size(), distinctCount);
  }
}

// --threads N rewrites the threaded dissections of the text (thrd from 1
// on) to N threads: the same ordering for any N, one thread included, on a
// mesh whose parts are large enough for worker threads. A dissection with
// thrd=0 stays one-threaded, so its ordering stays too; a count that is
// not a positive number is refused.
TEST_F(Tool, ThreadCountLeavesTheOrderingAsItIs) {
  const std::string mesh = file("mesh.grf", meshText(90, 70));
  const std::string ordering = path("threads.ord");
  expectSuccess(run({"order", mesh, "-o", ordering}));
  const std::string expected = readFile(ordering);
  for (const char* threads : {"1", "3"}) {
    expectSuccess(run({"order", mesh, "-o", ordering, "--threads", threads}));
    EXPECT_EQ(readFile(ordering), expected) << threads << " threads";
  }
  const std::string sequential = "n{sep=/(vert>120)?(m{vert=100,low=h{pass=10},asc=f{bal=0.2}}|g f{bal=0.2});,"
                                 "ole=f{cmin=15,cmax=100000,frat=0.0},ose=g,thrd=0}";
  expectSuccess(run({"order", mesh, "-o", ordering, "-s", sequential}));
  const std::string oneSequence = readFile(ordering);
  expectSuccess(run({"order", mesh, "-o", ordering, "-s", sequential, "--threads", "4"}));
  EXPECT_EQ(readFile(ordering), oneSequence);
  std::string threaded = sequential;
  threaded.replace(threaded.find("thrd=0"), 6, "thrd=2");
  expectSuccess(run({"order", mesh, "-o", ordering, "-s", threaded}));
  EXPECT_NE(readFile(ordering), oneSequence) << "thrd from 1 on draws from other sequences";
  for (const char* bad : {"0", "-2", "two", "3x"}) {
    SCOPED_TRACE(bad);
    expectFailure(runFailing({"order", mesh, "-o", ordering, "--threads", bad}),
                  "plyxen order: --threads takes a number of threads from 1 to 4096");
  }
}

// On a network of hubs the interface dissects through separators that
// cost fill; the recommended strategy's probe finds that the graph does
// not coarsen and lets it order the graph whole by minimum fill instead.
TEST_F(Tool, RecommendedStrategyOrdersHubsWhole) {
  std::string hubs = file("hubs.grf", hubsText(6000));
  auto nnzOf = [&](const std::string& graphPath, const std::vector<std::string>& extra) {
    std::vector<std::string> arguments{"order", graphPath, "--stats"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    ProgramResult result = run(arguments);
    expectSuccess(result);
    return std::stod(figuresOf(result.out)["nnzL"]);
  };
  const double whole = nnzOf(hubs, {"-s", "c{rat=0.7,cpr=f{cmin=0,cmax=100000,frat=0.0},unc=f{cmin=15,cmax=100000,frat=0.0}}"});
  const double recommended = nnzOf(hubs, {});
  const double interface = nnzOf(hubs, {"--interface"});
  EXPECT_EQ(recommended, whole);
  EXPECT_LT(recommended, interface);
}

TEST_F(Tool, StrategyOptionsExcludeOneAnother) {
  std::string graph = file("mesh.grf", meshText(5, 4));
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{"-s", "g", "--quality"}, {"--interface", "--quality"}}) {
    std::vector<std::string> arguments{"order", graph};
    arguments.insert(arguments.end(), options.begin(), options.end());
    expectFailure(runFailing(arguments), "plyxen order: -s, --interface and --quality exclude one another");
  }
}
