// Benchmark of the halo minimum degree (d) and minimum fill (f) methods
// against the reference approximate minimum degree library of the Debian
// SuiteSparse package, on whole graphs without halo.
//
// For each graph: order with d and f (cmin 0, cmax 100000000, frat 0, so
// that the column blocks do not matter) and with the reference; count the
// factor's nonzeros (nnzL, diagonal excluded) and operation count (opc, sum
// of squared off-diagonal column counts) of every ordering with the same
// exact counter (fillStatsCompute); time each one (processor time), best of
// three runs (three rounds running the three orderings in turn).
// Prints one line per graph with the reference figures and the ratios of
// d and f to them.
//
// Usage: amd_compare [--only amd|d|f] [graph files...]
//        (default graphs: /work/shared/graphs/*.grf). With --only, runs just
//        that ordering (for instruction-count profiling) and prints its
//        figures.
#include <amd.h>
#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "front/fill_stats.h"
#include "graph/graph.h"
#include "order/hgraph.h"
#include "order/hgraph_order_methods.h"
#include "order/order.h"

namespace {

// Processor time of this (single-threaded) process: on a shared machine it
// leaves out the time spent waiting for a processor, which wall-clock time
// would charge to whichever ordering happened to run during a burst.
struct Clock {
  using time_point = double;
  static time_point now() {
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
  }
};

struct Result {
  FillStats stats{};
  double seconds = 0.0;
  bool ok = false;
};

double secondsSince(Clock::time_point begin) { return Clock::now() - begin; }

// permutation (vertex -> position, both in base) from an inverse one.
std::vector<GraphNum> invert(const std::vector<GraphNum>& inverse, GraphNum base) {
  std::vector<GraphNum> permutation(inverse.size());
  for (size_t position = 0; position < inverse.size(); position++)
    permutation[inverse[position] - base] = base + static_cast<GraphNum>(position);
  return permutation;
}

// One timed run of d or f; keeps the fastest time and the ordering.
bool runOurs(Graph* graph, bool fill, Result& result, std::vector<GraphNum>& inverse) {
  HgraphOrderHxParam param{0, 100000000, 0.0};
  Hgraph halo;
  hgraphFromGraph(&halo, graph, 0);
  Order order;
  if (orderInit(&order, graph->base, graph->vertexCount, nullptr) != 0) return false;
  Clock::time_point begin = Clock::now();
  int status = fill ? hgraphOrderHf(&halo, &order, 0, &order.rootBlock, &param)
                    : hgraphOrderHd(&halo, &order, 0, &order.rootBlock, &param);
  double seconds = secondsSince(begin);
  if (status == 0) {
    result.seconds = std::min(result.seconds, seconds);
    inverse.assign(order.inversePermutation, order.inversePermutation + graph->vertexCount);
  }
  orderExit(&order);
  return status == 0;
}

// The reference's input: compressed columns of the pattern, 0-based,
// sorted, without the diagonal.
struct ReferenceInput {
  std::vector<int32_t> columnStart, rows;
  explicit ReferenceInput(const Graph* graph) : columnStart(graph->vertexCount + 1) {
    const GraphNum base = graph->base;
    rows.reserve(graph->arcCount);
    for (GraphNum v = 0; v < graph->vertexCount; v++) {
      columnStart[v] = static_cast<int32_t>(rows.size());
      for (GraphNum arc = graph->edgeBegin[base + v]; arc < graph->edgeEnd[base + v]; arc++)
        rows.push_back(graph->edgeTarget[arc] - base);
      std::sort(rows.begin() + columnStart[v], rows.end());
    }
    columnStart[graph->vertexCount] = static_cast<int32_t>(rows.size());
  }
};

// One timed run of the reference; keeps the fastest time and the ordering
// (in the graph's base).
bool runReference(const Graph* graph, const ReferenceInput& input, Result& result, std::vector<GraphNum>& inverse) {
  const GraphNum n = graph->vertexCount;
  std::vector<int32_t> order(n);
  double control[AMD_CONTROL], info[AMD_INFO];
  amd_defaults(control);
  Clock::time_point begin = Clock::now();
  int status = amd_order(n, input.columnStart.data(), input.rows.data(), order.data(), control, info);
  double seconds = secondsSince(begin);
  if (status != AMD_OK) return false;
  result.seconds = std::min(result.seconds, seconds);
  inverse.resize(n);
  for (GraphNum k = 0; k < n; k++) inverse[k] = order[k] + graph->base;
  return true;
}

// Fills the statistics of an ordering.
bool measure(const Graph* graph, const std::vector<GraphNum>& inverse, Result& result) {
  std::vector<GraphNum> permutation = invert(inverse, graph->base);
  result.ok = fillStatsCompute(graph, permutation.data(), &result.stats) == 0;
  return result.ok;
}

std::vector<std::string> defaultGraphs() {
  std::vector<std::string> names;
  const char* folder = "/work/shared/graphs";
  if (DIR* directory = opendir(folder)) {
    while (dirent* entry = readdir(directory)) {
      std::string name = entry->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".grf") == 0) names.push_back(std::string(folder) + "/" + name);
    }
    closedir(directory);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string shortName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".grf") == 0) name.resize(name.size() - 4);
  return name;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files;
  std::string only;
  for (int k = 1; k < argc; k++) {
    if (std::strcmp(argv[k], "--only") == 0 && k + 1 < argc)
      only = argv[++k];
    else
      files.push_back(argv[k]);
  }
  if (files.empty()) files = defaultGraphs();
  if (only.empty())
    std::printf("%-14s %8s | %11s %6s %6s | %10s %6s %6s | %8s %6s %6s\n", "graph", "n", "AMD nnzL", "d/AMD", "f/AMD",
                "AMD opc", "d/AMD", "f/AMD", "AMD s", "d/AMD", "f/AMD");
  int failures = 0;
  for (const std::string& file : files) {
    FILE* stream = std::fopen(file.c_str(), "r");
    if (stream == nullptr) {
      std::fprintf(stderr, "cannot open %s\n", file.c_str());
      failures++;
      continue;
    }
    Graph graph;
    graphInit(&graph);
    int status = graphLoad(&graph, stream, 1, 3);
    std::fclose(stream);
    if (status != 0) {
      std::fprintf(stderr, "cannot load %s\n", file.c_str());
      graphExit(&graph);
      failures++;
      continue;
    }
    // Three rounds, each running the three orderings in turn, so that a
    // burst of load on a shared machine hits them alike; best time of each.
    const bool runAll = only.empty();
    Result reference, degree, fill;
    reference.seconds = degree.seconds = fill.seconds = 1e30;
    std::vector<GraphNum> referenceOrder, degreeOrder, fillOrder;
    ReferenceInput input(&graph);
    bool ok = true;
    for (int round = 0; round < 3 && ok; round++) {
      if (runAll || only == "amd") ok = ok && runReference(&graph, input, reference, referenceOrder);
      if (runAll || only == "d") ok = ok && runOurs(&graph, false, degree, degreeOrder);
      if (runAll || only == "f") ok = ok && runOurs(&graph, true, fill, fillOrder);
    }
    if (ok && !runAll) {
      Result& result = only == "amd" ? reference : only == "d" ? degree : fill;
      ok = measure(&graph, only == "amd" ? referenceOrder : only == "d" ? degreeOrder : fillOrder, result);
      if (ok)
        std::printf("%-14s %-3s nnzL %lld opc %.4e time %.4f\n", shortName(file).c_str(), only.c_str(),
                    static_cast<long long>(result.stats.nnzL), result.stats.opc, result.seconds);
    }
    if (ok && runAll)
      ok = measure(&graph, referenceOrder, reference) && measure(&graph, degreeOrder, degree) &&
           measure(&graph, fillOrder, fill);
    if (!ok) {
      std::fprintf(stderr, "ordering failed on %s\n", file.c_str());
      failures++;
      graphExit(&graph);
      continue;
    }
    if (!runAll) {
      graphExit(&graph);
      continue;
    }
    double nnz = static_cast<double>(reference.stats.nnzL);
    std::printf("%-14s %8d | %11lld %6.3f %6.3f | %10.3e %6.3f %6.3f | %8.4f %6.3f %6.3f\n",
                shortName(file).c_str(), graph.vertexCount, static_cast<long long>(reference.stats.nnzL),
                degree.stats.nnzL / nnz, fill.stats.nnzL / nnz, reference.stats.opc,
                degree.stats.opc / reference.stats.opc, fill.stats.opc / reference.stats.opc, reference.seconds,
                degree.seconds / reference.seconds, fill.seconds / reference.seconds);
    graphExit(&graph);
  }
  return failures == 0 ? 0 : 1;
}
