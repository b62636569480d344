// One result per input: the same graphs ordered through the library entry
// (default and recommended strategies) and through the solver interface,
// twice in a row, from four threads at once and in a fresh process, must
// give the same results every time. Built with -DPLYXEN_SANITIZE_THREAD=ON,
// ThreadSanitizer also checks that the concurrent calls share no written
// state, and that the worker threads of the recommended strategy share
// none beyond what they hand back.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <latch>
#include <thread>
#include <vector>

#include "order/order_strategies.h"
#include "plyxen.h"
#include "support/test_support.h"

namespace {

// Set in the environment of the fresh process: where it writes its results.
constexpr const char* kResultsVariable = "PLYXEN_THREADED_RESULTS";
constexpr int kThreadCount = 4;

// One graph, loaded in base 1 (the solver's numbering), and the arrays of
// the solver interface over it.
struct Input {
  std::string name;
  Graph graph;
  std::vector<PLYXEN_Num> rowStart, rowLength, adjacency;
};

using Results = std::vector<PLYXEN_Num>;

void append(Results* results, const std::vector<PLYXEN_Num>& values) {
  results->push_back(static_cast<PLYXEN_Num>(values.size()));
  results->insert(results->end(), values.begin(), values.end());
}

// The library entry with the library's default strategy, or with the
// given strategy text: permutation, inverse permutation, column block
// count and ranges.
Results orderWithLibrary(Input& input, const char* text = nullptr) {
  const GraphNum n = input.graph.vertexCount;
  std::vector<PLYXEN_Num> permutation(n), inverse(n), ranges(n + 1);
  PLYXEN_Num blockCount = 0;
  PLYXEN_Strat strat;
  PLYXEN_stratInit(&strat);
  if ((text != nullptr) && (PLYXEN_stratGraphOrder(&strat, text) != 0)) return {-1};
  const int status = PLYXEN_graphOrder(reinterpret_cast<PLYXEN_Graph*>(&input.graph), &strat, permutation.data(),
                                       inverse.data(), &blockCount, ranges.data(), nullptr);
  PLYXEN_stratExit(&strat);
  ranges.resize(static_cast<size_t>(blockCount) + 1);
  Results results = {status, blockCount};
  append(&results, permutation);
  append(&results, inverse);
  append(&results, ranges);
  return results;
}

// The solver interface: front sizes and tree links.
Results orderWithInterface(const Input& input) {
  PLYXEN_Num n = input.graph.vertexCount;
  PLYXEN_Num capacity = static_cast<PLYXEN_Num>(input.adjacency.size());
  PLYXEN_Num nextFree = input.graph.arcCount + 1;
  PLYXEN_Num status = -1;
  std::vector<PLYXEN_Num> rowStart = input.rowStart, rowLength = input.rowLength, adjacency = input.adjacency;
  std::vector<PLYXEN_Num> fronts(n), work1(n), work2(n);
  ELIMORDF(&n, &capacity, rowStart.data(), &nextFree, rowLength.data(), adjacency.data(), fronts.data(),
           work1.data(), work2.data(), &status);
  Results results = {status};
  append(&results, fronts);
  append(&results, rowStart);
  return results;
}

// The inputs: a few shared graphs of moderate size when they are present,
// and built ones: a grid, and a graph of several components.
std::vector<Input> loadInputs() {
  std::vector<Input> inputs;
  for (const std::string& name : sharedGraphNames()) {
    Input input;
    input.name = name;
    loadSharedGraph(&input.graph, name, 1);
    if (input.graph.vertexCount > 20000) {  // the larger ones take long under the sanitizer
      graphExit(&input.graph);
      continue;
    }
    inputs.push_back(std::move(input));
  }
  inputs.emplace_back();
  inputs.back().name = "grid";
  buildGrid(&inputs.back().graph, 1, 45, 30);
  inputs.emplace_back();
  inputs.back().name = "components";
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  for (GraphNum v = 1; v < 600; v++)
    if (v % 150 != 0) edges.push_back({v, v + 1 + (v % 7 == 0 ? 1 : 0)});
  buildGraph(&inputs.back().graph, 1, 602, edges);
  for (Input& input : inputs) {
    const Graph& graph = input.graph;
    for (GraphNum v = graph.base; v < graph.vertexEnd; v++) {
      const GraphNum degree = graph.edgeEnd[v] - graph.edgeBegin[v];
      input.rowStart.push_back(degree == 0 ? 0 : graph.edgeBegin[v]);
      input.rowLength.push_back(degree);
    }
    input.adjacency.assign(graph.edgeTarget + graph.base, graph.edgeTarget + graph.base + graph.arcCount);
    if (input.adjacency.empty()) input.adjacency.push_back(0);
  }
  return inputs;
}

void releaseInputs(std::vector<Input>* inputs) {
  for (Input& input : *inputs) graphExit(&input.graph);
}

// The results kept per input: the library's default strategy, the solver
// interface, and the recommended strategy, whose dissections and
// selections run on worker threads of their own within each call.
constexpr size_t kResultKinds = 3;
const char* const kKindNames[kResultKinds] = {" (library)", " (interface)", " (recommended)"};

// Every result of every input, inputs taken from the first one on.
std::vector<Results> orderAll(std::vector<Input>& inputs, size_t first = 0) {
  std::vector<Results> results(kResultKinds * inputs.size());
  for (size_t k = 0; k < inputs.size(); k++) {
    const size_t i = (first + k) % inputs.size();
    results[kResultKinds * i] = orderWithLibrary(inputs[i]);
    results[kResultKinds * i + 1] = orderWithInterface(inputs[i]);
    results[kResultKinds * i + 2] = orderWithLibrary(inputs[i], ORDER_RECOMMENDED_STRATEGY);
  }
  return results;
}

Results flatten(const std::vector<Results>& all) {
  Results flat;
  for (const Results& results : all) append(&flat, results);
  return flat;
}

// Runs this test program again, as a fresh process, to compute the results
// of every input once; returns them, or an empty list on failure.
Results freshProcessResults() {
  const std::string path = temporaryPath("fresh_results");
  remove(path.c_str());
  const pid_t child = fork();
  if (child == 0) {
    setenv(kResultsVariable, path.c_str(), 1);
    const char* arguments[] = {"/proc/self/exe", "--gtest_filter=ThreadedOrdering.FreshProcessWritesItsResults",
                               nullptr};
    if (freopen(temporaryPath("fresh_report").c_str(), "w", stdout) == nullptr) _exit(127);
    execv("/proc/self/exe", const_cast<char* const*>(arguments));
    _exit(127);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  const std::string bytes = readFile(path);
  Results results(bytes.size() / sizeof(PLYXEN_Num));
  memcpy(results.data(), bytes.data(), results.size() * sizeof(PLYXEN_Num));
  return results;
}

// Only in the fresh process started above.
TEST(ThreadedOrdering, FreshProcessWritesItsResults) {
  const char* path = getenv(kResultsVariable);
  if (path == nullptr) GTEST_SKIP() << "run by ThreadedOrdering.SameResultsOnEveryCallAndThread";
  std::vector<Input> inputs = loadInputs();
  const Results flat = flatten(orderAll(inputs));
  releaseInputs(&inputs);
  std::ofstream stream(path, std::ios::binary);
  stream.write(reinterpret_cast<const char*>(flat.data()), static_cast<std::streamsize>(flat.size() * sizeof(PLYXEN_Num)));
  ASSERT_TRUE(stream.good());
}

TEST(ThreadedOrdering, SameResultsOnEveryCallAndThread) {
  // The fresh process first, while this process runs a single thread.
  const Results fresh = freshProcessResults();
  ASSERT_FALSE(fresh.empty()) << "the fresh process gave no results";

  std::vector<Input> inputs = loadInputs();
  const std::vector<Results> first = orderAll(inputs);
  for (size_t i = 0; i < first.size(); i++) {
    ASSERT_EQ(first[i][0], 0) << inputs[i / kResultKinds].name << kKindNames[i % kResultKinds];
  }
  // Again in the same process: nothing left from the first calls counts.
  EXPECT_EQ(orderAll(inputs), first);
  EXPECT_EQ(flatten(first), fresh) << "a fresh process orders differently";

  // Four threads at once, each starting from another input so that
  // different graphs are ordered at the same time.
  std::vector<std::vector<Results>> concurrent(kThreadCount);
  std::latch start(kThreadCount);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreadCount; t++)
    threads.emplace_back([&, t] {
      start.arrive_and_wait();
      concurrent[t] = orderAll(inputs, static_cast<size_t>(t));
    });
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreadCount; t++) {
    ASSERT_EQ(concurrent[t].size(), first.size());
    for (size_t i = 0; i < first.size(); i++)
      EXPECT_EQ(concurrent[t][i], first[i]) << "thread " << t << ", " << inputs[i / kResultKinds].name
                                            << kKindNames[i % kResultKinds];
  }
  releaseInputs(&inputs);
}

}  // namespace
