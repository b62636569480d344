// Graphs whose vertex loads are far larger than the graphs themselves: the
// ordering must take memory and time by the number of vertices and arcs,
// whatever the loads, and load sums beyond 32 bits must be refused.
#include <sys/resource.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "plyxen.h"
#include "support/test_support.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

// A few hundred megabytes of address space: the program and its libraries,
// and a small multiple of these graphs' sizes, but not one byte per unit of
// load.
constexpr rlim_t kAddressSpaceCap = rlim_t{512} << 20;

struct HeavyCase {
  const char* name;
  GraphNum vertexCount;
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  std::vector<GraphNum> loads;
  const char* strategy;  // null: the library's default strategy
};

std::vector<std::pair<GraphNum, GraphNum>> pathEdges(GraphNum count) {
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  for (GraphNum v = 1; v < count; v++) edges.push_back({v - 1, v});
  return edges;
}

std::vector<std::pair<GraphNum, GraphNum>> gridEdges(GraphNum side) {
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  for (GraphNum v = 0; v < side * side; v++) {
    if (v % side != side - 1) edges.push_back({v, v + 1});
    if (v + side < side * side) edges.push_back({v, v + side});
  }
  return edges;
}

// Loads from 1 to 5 * 10^6, in no order.
std::vector<GraphNum> scatteredLoads(GraphNum count) {
  std::vector<GraphNum> loads;
  for (GraphNum v = 0; v < count; v++) loads.push_back(1 + (v * 7919) % 5000000);
  return loads;
}

// Orders the graph through the library entry; the result must be a
// permutation, and the call must not report anything.
bool ordersCleanly(const HeavyCase& test) {
  Graph graph;
  buildGraph(&graph, 0, test.vertexCount, test.edges, test.loads);
  std::vector<GraphNum> permutation(test.vertexCount, -1), inverse(test.vertexCount, -1);
  PLYXEN_Strat strat;
  PLYXEN_stratInit(&strat);
  ErrorCapture capture;
  bool clean = (test.strategy == nullptr || PLYXEN_stratGraphOrder(&strat, test.strategy) == 0) &&
               PLYXEN_graphOrder(reinterpret_cast<PLYXEN_Graph*>(&graph), &strat, permutation.data(),
                                 inverse.data(), nullptr, nullptr, nullptr) == 0 &&
               capture.lines.empty();
  std::sort(inverse.begin(), inverse.end());
  for (GraphNum i = 0; i < test.vertexCount; i++) clean = clean && inverse[i] == i;
  PLYXEN_stratExit(&strat);
  graphExit(&graph);
  return clean;
}

// Runs the check in a child process whose address space is capped (not
// under the address sanitizer, which reserves far more than any cap).
[[noreturn]] void runCapped(const std::function<bool()>& check) {
  if (!kAddressSanitizer) {
    rlimit limit{kAddressSpaceCap, kAddressSpaceCap};
    if (setrlimit(RLIMIT_AS, &limit) != 0) exit(2);
  }
  exit(check() ? 0 : 1);
}

void expectInBoundedMemory(const std::function<bool()>& check) {
  EXPECT_EXIT(runCapped(check), testing::ExitedWithCode(0), "");
}

TEST(HeavyLoads, OrderingMemoryFollowsTheGraphNotItsLoads) {
  const std::vector<HeavyCase> cases = {
      {"one vertex", 1, {}, {878001062}, "f{cmin=0}"},
      {"one vertex, largest load", 1, {}, {2147483647}, "d{cmin=0}"},
      {"one vertex, default strategy", 1, {}, {2000000000}, "c{rat=0.7,cpr=n{ole=f{cmin=0},ose=g},unc=n{ole=f,ose=g}}"},
      {"edge", 2, {{0, 1}}, {1000000000, 1000000000}, "f"},
      {"path", 300, pathEdges(300), std::vector<GraphNum>(300, 7000000), "d"},
      {"path, fill", 300, pathEdges(300), std::vector<GraphNum>(300, 7000000), "f"},
      {"path, mixed loads", 6, pathEdges(6), {1, 2000000000, 1, 3, 100000000, 1}, "f"},
      {"dissected grid", 400, gridEdges(20), scatteredLoads(400), "n{sep=h,ole=f{cmin=0,frat=0.1},ose=g}"},
      {"grid, default strategy", 400, gridEdges(20), scatteredLoads(400), nullptr},
  };
  for (const HeavyCase& test : cases) {
    SCOPED_TRACE(test.name);
    expectInBoundedMemory([&test] { return ordersCleanly(test); });
  }
}

// Scaling every load by the same power of two scales every key of the
// minimum degree kernel by it. The lists, too few for one key each, then
// still tell the keys apart in their order, so the ordering is the one of
// unit loads.
TEST(HeavyLoads, UniformlyScaledLoadsKeepTheMinimumDegreeOrdering) {
  const GraphNum side = 30;
  const char* strategy = "d{cmin=0,cmax=2147483647,frat=0}";  // no block merged: the kernel's tree as it is
  auto inverseWithLoads = [&](GraphNum load) {
    Graph graph;
    buildGraph(&graph, 0, side * side, gridEdges(side), std::vector<GraphNum>(side * side, load));
    std::vector<GraphNum> inverse(side * side, -1);
    PLYXEN_Strat strat;
    PLYXEN_stratInit(&strat);
    EXPECT_EQ(PLYXEN_stratGraphOrder(&strat, strategy), 0);
    EXPECT_EQ(PLYXEN_graphOrder(reinterpret_cast<PLYXEN_Graph*>(&graph), &strat, nullptr, inverse.data(), nullptr,
                                nullptr, nullptr),
              0);
    PLYXEN_stratExit(&strat);
    graphExit(&graph);
    return inverse;
  };
  const std::vector<GraphNum> unit = inverseWithLoads(1);
  EXPECT_EQ(inverseWithLoads(GraphNum{1} << 21), unit);
  EXPECT_EQ(inverseWithLoads(64), unit);
}

TEST(HeavyLoads, WeightedInterfaceMemoryFollowsTheGraph) {
  expectInBoundedMemory([] {
    // Two vertices joined by one edge, each of weight 3 * 10^8.
    PLYXEN_Num n = 2, capacity = 2, nextFree = 3, status = -1;
    std::vector<PLYXEN_Num> rowStart = {1, 2}, rowLength = {1, 1}, adjacency = {2, 1};
    std::vector<PLYXEN_Num> fronts = {300000000, 300000000}, work1(2), work2(2);
    ELIMORDFW(&n, &capacity, rowStart.data(), &nextFree, rowLength.data(), adjacency.data(), fronts.data(),
              work1.data(), work2.data(), &status);
    // One supernode of both vertices: its front is their whole weight.
    std::sort(fronts.begin(), fronts.end());
    return status == 0 && fronts == std::vector<PLYXEN_Num>{0, 600000000};
  });
}

TEST(HeavyLoads, LoadSumsBeyond32BitsAreRefused) {
  // Built over the caller's arrays, the sum is not checked by the build.
  std::vector<GraphNum> begin = {0, 1}, end = {1, 2}, loads = {2000000000, 2000000000}, ends = {1, 0};
  Graph graph;
  graphInit(&graph);
  PLYXEN_Graph* handle = reinterpret_cast<PLYXEN_Graph*>(&graph);
  ASSERT_EQ(PLYXEN_graphBuild(handle, 0, 2, begin.data(), end.data(), loads.data(), nullptr, 2, ends.data(), nullptr),
            0);
  std::vector<GraphNum> permutation(2);
  PLYXEN_Strat strat;
  PLYXEN_stratInit(&strat);
  ErrorCapture capture;
  EXPECT_EQ(PLYXEN_graphOrder(handle, &strat, permutation.data(), nullptr, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(capture.lines,
            std::vector<std::string>{"ERROR: PLYXEN_graphOrderComputeList: vertex load sum overflow"});
  PLYXEN_stratExit(&strat);
  graphExit(&graph);
}

}  // namespace
