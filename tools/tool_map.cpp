// plyxen partition and plyxen map: partitioning a graph into k parts and
// mapping it onto a target architecture, with the figures of the result.
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>

#include "tool.h"

namespace {

struct StrategyHandle {
  PLYXEN_Strat strat;
  StrategyHandle() { PLYXEN_stratInit(&strat); }
  ~StrategyHandle() { PLYXEN_stratExit(&strat); }
};

struct ArchHandle {
  PLYXEN_Arch arch;
  ArchHandle() { PLYXEN_archInit(&arch); }
  ~ArchHandle() { PLYXEN_archExit(&arch); }
};

// The imbalance ratio of -b, when given: a finite number of at least 0.
int parseImbalance(const char* command, const std::string& text, double* imbalance) {
  if (text.empty()) return 0;
  char* end = nullptr;
  *imbalance = strtod(text.c_str(), &end);
  if ((*end != '\0') || !std::isfinite(*imbalance) || (*imbalance < 0.0)) {
    errorPrint("plyxen %s: invalid imbalance \"%s\" (a ratio of at least 0, such as 0.05)", command, text.c_str());
    return 1;
  }
  return 0;
}

// Maps the graph read from graphPath onto the architecture, prints the
// figures and writes the parts file. The strategy text, when not empty,
// replaces the default strategy built for the imbalance ratio.
int toolMapRun(const char* command, const std::string& graphPath, ToolFormat format, PLYXEN_Arch* arch,
               const std::string& strategy, double imbalance, const std::string& outputPath) {
  StrategyHandle strat;
  if (!strategy.empty()) {
    if (PLYXEN_stratGraphMap(&strat.strat, strategy.c_str()) != 0) return 1;
  } else if (PLYXEN_stratGraphMapBuild(&strat.strat, MAP_FLAG_DEFAULT, PLYXEN_archSize(arch), imbalance) != 0)
    return 1;
  ToolOutput output;
  if (!outputPath.empty() && (output.open(outputPath) != 0)) return 1;

  ToolGraph graph;
  if (toolGraphRead(&graph, graphPath, format, command) != 0) return 1;
  PLYXEN_Num vertexCount;
  PLYXEN_graphSize(&graph.handle, &vertexCount, nullptr);
  std::vector<PLYXEN_Num> parts(static_cast<size_t>(vertexCount) + 1);
  const auto start = std::chrono::steady_clock::now();
  if (PLYXEN_graphMap(&graph.handle, arch, &strat.strat, parts.data()) != 0) return 1;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  PLYXEN_Num nonEmpty = 0;
  int64_t cut = 0;
  int64_t comm = 0;
  double ratio = 0.0;
  if (PLYXEN_graphMapStat(&graph.handle, arch, parts.data(), &nonEmpty, &cut, &comm, &ratio) != 0) return 1;
  if (!outputPath.empty()) {
    // One "vertex part" line per vertex, vertices by label when the graph
    // file gives labels.
    const Graph* core = graph.core();
    // Lines are formatted into a buffer written in large blocks: printing
    // them one by one would cost as much as a small partition.
    FILE* stream = output.stream();
    std::string buffer;
    buffer.reserve(1 << 16);
    for (GraphNum index = 0; index < vertexCount; index++) {
      const GraphNum vertex = core->base + index;
      const GraphNum name = (core->vertexLabel != nullptr) ? core->vertexLabel[vertex] : vertex;
      char line[32];  // two numbers of at most 11 characters, a tab and a newline
      char* cursor = std::to_chars(line, line + 12, name).ptr;
      *cursor++ = '\t';
      cursor = std::to_chars(cursor, cursor + 12, parts[static_cast<size_t>(index)]).ptr;
      *cursor++ = '\n';
      buffer.append(line, static_cast<size_t>(cursor - line));
      if (buffer.size() >= (1 << 16) - 32) {
        fwrite(buffer.data(), 1, buffer.size(), stream);
        buffer.clear();
      }
    }
    fwrite(buffer.data(), 1, buffer.size(), stream);
    if (output.commit() != 0) return 1;
  }
  // Parts written on the standard output leave the figures to the standard
  // error stream.
  FILE* figures = toolIsStandardOutput(outputPath) ? stderr : stdout;
  fprintf(figures, "cut=%lld comm=%lld imbalance=%.4f parts=%d time=%.4f\n", static_cast<long long>(cut),
          static_cast<long long>(comm), ratio, nonEmpty, seconds);
  if (fflush(figures) != 0) {
    errorPrint("plyxen: cannot write on the standard output");
    return 1;
  }
  return 0;
}

// The options and arguments both commands share: the graph file, one more
// argument (what it is, for the message), -s, -b, -o and --from. Returns 0
// to go on, 1 after a failure, and 2 when the help text was printed.
struct MapOptions {
  std::string strategy, outputPath, graphPath, target;
  double imbalance = 0.05;
  ToolFormat format = FORMAT_NONE;
};

int parseMapOptions(const char* command, const char* usage, const char* targetName, int argc, char** argv,
                    MapOptions* options) {
  std::string imbalanceText, fromName;
  bool help = false;
  std::vector<std::string> positional;
  if (toolParseOptions(command, argc, argv,
                       {{"-s", &options->strategy, nullptr},
                        {"-b", &imbalanceText, nullptr},
                        {"-o", &options->outputPath, nullptr},
                        {"--from", &fromName, nullptr}},
                       &positional, &help) != 0)
    return 1;
  if (help) {
    fputs(usage, stdout);
    return 2;
  }
  if (positional.size() != 2) {
    errorPrint("plyxen %s: a graph file and %s expected (plyxen %s --help)", command, targetName, command);
    return 1;
  }
  options->graphPath = positional[0];
  options->target = positional[1];
  if ((parseImbalance(command, imbalanceText, &options->imbalance) != 0) ||
      (toolFormatOption(command, fromName, &options->format) != 0))
    return 1;
  return 0;
}

}  // namespace

int toolPartition(int argc, char** argv) {
  MapOptions options;
  const int parsed = parseMapOptions("partition", toolUsagePartition, "a part count", argc, argv, &options);
  if (parsed != 0) return parsed & 1;
  long partCount;
  if (!toolParseInteger(options.target, &partCount) || (partCount < 1)) {
    errorPrint("plyxen partition: invalid part count \"%s\" (a whole number of at least 1)", options.target.c_str());
    return 1;
  }
  ArchHandle arch;
  if (PLYXEN_archCmplt(&arch.arch, static_cast<PLYXEN_Num>(partCount)) != 0) return 1;
  return toolMapRun("partition", options.graphPath, options.format, &arch.arch, options.strategy, options.imbalance,
                    options.outputPath);
}

int toolMap(int argc, char** argv) {
  MapOptions options;
  const int parsed = parseMapOptions("map", toolUsageMap, "an architecture file", argc, argv, &options);
  if (parsed != 0) return parsed & 1;
  ArchHandle arch;
  FILE* stream = toolOpenInput(options.target, "map");
  if (stream == nullptr) return 1;
  const int status = PLYXEN_archLoad(&arch.arch, stream);
  fclose(stream);
  if (status != 0) return 1;
  if (PLYXEN_archVar(&arch.arch) != 0) {
    errorPrint("plyxen map: variable-sized architecture \"%s\" not supported (its terminals are unbounded)",
               PLYXEN_archName(&arch.arch));
    return 1;
  }
  return toolMapRun("map", options.graphPath, options.format, &arch.arch, options.strategy, options.imbalance,
                    options.outputPath);
}
