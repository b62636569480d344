// Benchmark of the halo minimum degree (d) and minimum fill (f) methods
// against the reference approximate minimum degree library of the Debian
// SuiteSparse package, on whole graphs without halo.
//
// For each graph: order with d and f (cmin 0, cmax 100000000, frat 0, so
// that the column blocks do not matter) and with the reference; count the
// factor's nonzeros (nnzL, diagonal excluded) and operation count (opc, sum
// of squared off-diagonal column counts) of every ordering with the same
// exact counter (fillStatsCompute); time each one, best of three runs.
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
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "front/fill_stats.h"
#include "graph/graph.h"
#include "order/hgraph.h"
#include "order/hgraph_order_methods.h"
#include "order/order.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Result {
  FillStats stats{};
  double seconds = 0.0;
  bool ok = false;
};

double secondsSince(Clock::time_point begin) {
  return std::chrono::duration<double>(Clock::now() - begin).count();
}

// permutation (vertex -> position, both in base) from an inverse one.
std::vector<GraphNum> invert(const std::vector<GraphNum>& inverse, GraphNum base) {
  std::vector<GraphNum> permutation(inverse.size());
  for (size_t position = 0; position < inverse.size(); position++)
    permutation[inverse[position] - base] = base + static_cast<GraphNum>(position);
  return permutation;
}

Result runOurs(Graph* graph, bool fill) {
  Result result;
  HgraphOrderHxParam param{0, 100000000, 0.0};
  std::vector<GraphNum> inverse;
  result.seconds = 1e30;
  for (int run = 0; run < 3; run++) {
    Hgraph halo;
    hgraphFromGraph(&halo, graph, 0);
    Order order;
    if (orderInit(&order, graph->base, graph->vertexCount, nullptr) != 0) return result;
    Clock::time_point begin = Clock::now();
    int status = fill ? hgraphOrderHf(&halo, &order, 0, &order.rootBlock, &param)
                      : hgraphOrderHd(&halo, &order, 0, &order.rootBlock, &param);
    double seconds = secondsSince(begin);
    if (status != 0) {
      orderExit(&order);
      return result;
    }
    result.seconds = std::min(result.seconds, seconds);
    inverse.assign(order.inversePermutation, order.inversePermutation + graph->vertexCount);
    orderExit(&order);
  }
  std::vector<GraphNum> permutation = invert(inverse, graph->base);
  result.ok = fillStatsCompute(graph, permutation.data(), &result.stats) == 0;
  return result;
}

Result runReference(const Graph* graph) {
  Result result;
  const GraphNum n = graph->vertexCount;
  const GraphNum base = graph->base;
  // Compressed columns of the pattern, 0-based, no diagonal.
  std::vector<int32_t> columnStart(n + 1);
  std::vector<int32_t> rows;
  rows.reserve(graph->arcCount);
  for (GraphNum v = 0; v < n; v++) {
    columnStart[v] = static_cast<int32_t>(rows.size());
    for (GraphNum arc = graph->edgeBegin[base + v]; arc < graph->edgeEnd[base + v]; arc++)
      rows.push_back(graph->edgeTarget[arc] - base);
    std::sort(rows.begin() + columnStart[v], rows.end());
  }
  columnStart[n] = static_cast<int32_t>(rows.size());
  std::vector<int32_t> inverse(n);
  double control[AMD_CONTROL], info[AMD_INFO];
  amd_defaults(control);
  result.seconds = 1e30;
  for (int run = 0; run < 3; run++) {
    Clock::time_point begin = Clock::now();
    int status = amd_order(n, columnStart.data(), rows.data(), inverse.data(), control, info);
    double seconds = secondsSince(begin);
    if (status != AMD_OK) return result;
    result.seconds = std::min(result.seconds, seconds);
  }
  std::vector<GraphNum> inverseBased(n);
  for (GraphNum k = 0; k < n; k++) inverseBased[k] = inverse[k] + base;
  std::vector<GraphNum> permutation = invert(inverseBased, base);
  result.ok = fillStatsCompute(graph, permutation.data(), &result.stats) == 0;
  return result;
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
    if (!only.empty()) {
      Result result = only == "amd" ? runReference(&graph) : runOurs(&graph, only == "f");
      std::printf("%-14s %-3s nnzL %lld opc %.4e time %.4f\n", shortName(file).c_str(), only.c_str(),
                  static_cast<long long>(result.stats.nnzL), result.stats.opc, result.seconds);
      graphExit(&graph);
      continue;
    }
    Result reference = runReference(&graph);
    Result degree = runOurs(&graph, false);
    Result fill = runOurs(&graph, true);
    if (!reference.ok || !degree.ok || !fill.ok) {
      std::fprintf(stderr, "ordering failed on %s\n", file.c_str());
      failures++;
    } else {
      double nnz = static_cast<double>(reference.stats.nnzL);
      std::printf("%-14s %8d | %11lld %6.3f %6.3f | %10.3e %6.3f %6.3f | %8.4f %6.3f %6.3f\n",
                  shortName(file).c_str(), graph.vertexCount, static_cast<long long>(reference.stats.nnzL),
                  degree.stats.nnzL / nnz, fill.stats.nnzL / nnz, reference.stats.opc,
                  degree.stats.opc / reference.stats.opc, fill.stats.opc / reference.stats.opc, reference.seconds,
                  degree.seconds / reference.seconds, fill.seconds / reference.seconds);
    }
    graphExit(&graph);
  }
  return failures == 0 ? 0 : 1;
}
