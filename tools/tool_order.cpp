// plyxen order and plyxen stats.
#include <cctype>
#include <chrono>
#include <memory>

#include "front/elimord.h"
#include "tool.h"

int toolFormatOption(const char* command, const std::string& name, ToolFormat* format) {
  if (name.empty()) return 0;
  *format = toolFormatByName(name);
  if (*format == FORMAT_NONE) {
    errorPrint("plyxen %s: unknown format \"%s\" (grf, metis or mtx)", command, name.c_str());
    return 1;
  }
  return 0;
}

namespace {

// An ordering handle released on every path.
struct OrderingHandle {
  PLYXEN_Graph* graph;
  PLYXEN_Ordering ordering;
  bool live = false;
  ~OrderingHandle() {
    if (live) PLYXEN_graphOrderExit(graph, &ordering);
  }
};

struct StrategyHandle {
  PLYXEN_Strat strat;
  StrategyHandle() { PLYXEN_stratInit(&strat); }
  ~StrategyHandle() { PLYXEN_stratExit(&strat); }
};


// --threads N: every "thrd=K" of the strategy text with K at least 1
// becomes "thrd=N". Such dissections give the same ordering on any number
// of threads, so only the time changes; thrd=0, which orders on one
// thread from one random sequence, stays as it is.
int toolCapThreads(const std::string& option, std::string* strategy) {
  long threads = 0;
  if (!toolParseInteger(option, &threads) || (threads < 1) || (threads > 4096)) {
    errorPrint("plyxen order: --threads takes a number of threads from 1 to 4096, not \"%s\"", option.c_str());
    return 1;
  }
  const std::string key = "thrd=";
  std::string result;
  size_t from = 0;
  for (size_t at = strategy->find(key); at != std::string::npos; at = strategy->find(key, from)) {
    size_t digits = at + key.size();
    while ((digits < strategy->size()) && isdigit(static_cast<unsigned char>((*strategy)[digits]))) digits++;
    result.append(*strategy, from, at + key.size() - from);
    const std::string value = strategy->substr(at + key.size(), digits - at - key.size());
    const bool threaded = value.find_first_not_of('0') != std::string::npos;  // K >= 1
    result += threaded ? std::to_string(threads) : value;
    from = digits;
  }
  result.append(*strategy, from, std::string::npos);
  *strategy = result;
  return 0;
}

}  // namespace

int toolOrder(int argc, char** argv) {
  std::string orderPath, mapPath, treePath, fromName;
  // The recommended strategy unless -s, --interface or --quality says
  // otherwise (the option parser refuses an empty -s).
  std::string strategy, threadsText;
  bool interface = false, quality = false;
  bool stats = false, verbose = false, help = false;
  std::vector<std::string> positional;
  if (toolParseOptions("order", argc, argv,
                       {{"-o", &orderPath, nullptr},
                        {"--map", &mapPath, nullptr},
                        {"--tree", &treePath, nullptr},
                        {"-s", &strategy, nullptr},
                        {"--interface", nullptr, &interface},
                        {"--quality", nullptr, &quality},
                        {"--stats", nullptr, &stats},
                        {"--verbose", nullptr, &verbose},
                        {"--threads", &threadsText, nullptr},
                        {"--from", &fromName, nullptr}},
                       &positional, &help) != 0)
    return 1;
  if (help) {
    fputs(toolUsageOrder, stdout);
    return 0;
  }
  if (positional.size() != 1) {
    errorPrint("plyxen order: one graph file expected (plyxen order --help)");
    return 1;
  }
  ToolFormat format = FORMAT_NONE;
  if (toolFormatOption("order", fromName, &format) != 0) return 1;
  if (int{!strategy.empty()} + int{interface} + int{quality} > 1) {
    errorPrint("plyxen order: -s, --interface and --quality exclude one another");
    return 1;
  }
  if (strategy.empty())
    strategy = PLYXEN_stratGraphOrderText(interface ? ORDER_STRATEGY_INTERFACE
                                          : quality ? ORDER_STRATEGY_QUALITY
                                                    : ORDER_STRATEGY_RECOMMENDED);

  if (!threadsText.empty() && toolCapThreads(threadsText, &strategy) != 0) return 1;

  // The strategy is parsed and the output files created before the graph
  // is read and ordered, so that a mistake is reported at once.
  StrategyHandle strat;
  if (PLYXEN_stratGraphOrder(&strat.strat, strategy.c_str()) != 0) return 1;
  ToolOutput orderFile, mapFile, treeFile;
  if ((!orderPath.empty() && orderFile.open(orderPath) != 0) || (!mapPath.empty() && mapFile.open(mapPath) != 0) ||
      (!treePath.empty() && treeFile.open(treePath) != 0))
    return 1;

  // An ordering written on the standard output leaves the figures to the
  // standard error stream.
  FILE* figures = (toolIsStandardOutput(orderPath) || toolIsStandardOutput(mapPath) ||
                   toolIsStandardOutput(treePath))
                      ? stderr
                      : stdout;

  ToolProgress progress(verbose);
  progress.phase("reading");
  ToolGraph graph;
  if (toolGraphRead(&graph, positional[0], format, "order") != 0) return 1;
  PLYXEN_Num vertexCount;
  PLYXEN_graphSize(&graph.handle, &vertexCount, nullptr);
  std::vector<PLYXEN_Num> permutation(static_cast<size_t>(vertexCount) + 1);
  PLYXEN_Num columnBlockCount = 0;
  OrderingHandle ordering{&graph.handle, {}};
  if (PLYXEN_graphOrderInit(&graph.handle, &ordering.ordering, permutation.data(), nullptr, &columnBlockCount,
                            nullptr, nullptr) != 0)
    return 1;
  ordering.live = true;
  progress.phase("ordering");
  auto start = std::chrono::steady_clock::now();
  if (PLYXEN_graphOrderCompute(&graph.handle, &ordering.ordering, &strat.strat) != 0) return 1;
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (vertexCount == 0) columnBlockCount = 0;

  progress.phase("writing");
  if ((!orderPath.empty() && (PLYXEN_graphOrderSave(&graph.handle, &ordering.ordering, orderFile.stream()) != 0 ||
                              orderFile.commit() != 0)) ||
      (!mapPath.empty() && (PLYXEN_graphOrderSaveMap(&graph.handle, &ordering.ordering, mapFile.stream()) != 0 ||
                            mapFile.commit() != 0)) ||
      (!treePath.empty() && (PLYXEN_graphOrderSaveTree(&graph.handle, &ordering.ordering, treeFile.stream()) != 0 ||
                             treeFile.commit() != 0)))
    return 1;
  if (stats) {
    progress.phase("statistics");
    if (toolPrintStats(graph.core(), permutation.data(), columnBlockCount, seconds, figures) != 0) return 1;
  }
  return 0;
}

int toolOrderingRead(ToolGraph* graph, const std::string& path, const char* command,
                     std::vector<PLYXEN_Num>* permutation) {
  PLYXEN_Num vertexCount;
  PLYXEN_graphSize(&graph->handle, &vertexCount, nullptr);
  permutation->assign(static_cast<size_t>(vertexCount) + 1, 0);
  OrderingHandle ordering{&graph->handle, {}};
  if (PLYXEN_graphOrderInit(&graph->handle, &ordering.ordering, permutation->data(), nullptr, nullptr, nullptr,
                            nullptr) != 0)
    return 1;
  ordering.live = true;
  FILE* stream = toolOpenInput(path, command);
  if (stream == nullptr) return 1;
  int status = toolCheckNumbers(stream, path, "ordering file");
  if (status == 0) status = PLYXEN_graphOrderLoad(&graph->handle, &ordering.ordering, stream);
  if (status == 0) status = toolExpectEnd(stream, path, "ordering file");
  fclose(stream);
  // The ordering of an empty graph has nothing to check, and its tree root,
  // which covers no vertex, would not pass the check.
  if (status != 0 || (vertexCount > 0 && PLYXEN_graphOrderCheck(&graph->handle, &ordering.ordering) != 0)) return 1;
  return 0;
}

int toolStats(int argc, char** argv) {
  std::string fromName;
  bool help = false;
  std::vector<std::string> positional;
  if (toolParseOptions("stats", argc, argv, {{"--from", &fromName, nullptr}}, &positional, &help) != 0) return 1;
  if (help) {
    fputs(toolUsageStats, stdout);
    return 0;
  }
  if (positional.size() != 2) {
    errorPrint("plyxen stats: a graph file and an ordering file expected (plyxen stats --help)");
    return 1;
  }
  ToolFormat format = FORMAT_NONE;
  if (toolFormatOption("stats", fromName, &format) != 0) return 1;
  ToolGraph graph;
  if (toolGraphRead(&graph, positional[0], format, "stats") != 0) return 1;
  std::vector<PLYXEN_Num> permutation;
  if (toolOrderingRead(&graph, positional[1], "stats", &permutation) != 0) return 1;
  return toolPrintStats(graph.core(), permutation.data(), -1, -1.0);
}
