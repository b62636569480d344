// Options, input files and figures shared by the commands of the tool.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "front/fill_stats.h"
#include "tool.h"

bool toolParseInteger(const std::string& text, long* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long parsed = strtol(text.c_str(), &end, 10);
  if ((errno != 0) || (*end != '\0') || (parsed > 2147483647L) || (parsed < -2147483647L - 1)) return false;
  *value = parsed;
  return true;
}

int toolParseOptions(const char* command, int argc, char** argv, const std::vector<ToolOption>& options,
                     std::vector<std::string>* positional, bool* help) {
  bool optionsEnded = false;
  for (int i = 0; i < argc; i++) {
    std::string argument = argv[i];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      positional->push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (argument == "--help" || argument == "-h") {
      *help = true;
      continue;
    }
    std::string name = argument;
    std::string attached;
    bool hasAttached = false;
    size_t equals = argument.find('=');
    if (argument.compare(0, 2, "--") == 0 && equals != std::string::npos) {
      name = argument.substr(0, equals);
      attached = argument.substr(equals + 1);
      hasAttached = true;
    }
    const ToolOption* option = nullptr;
    for (const ToolOption& candidate : options)
      if (name == candidate.name) option = &candidate;
    if (option == nullptr) {
      errorPrint("plyxen %s: unknown option \"%s\"", command, argument.c_str());
      return 1;
    }
    if (option->value == nullptr) {
      if (hasAttached) {
        errorPrint("plyxen %s: option \"%s\" takes no value", command, name.c_str());
        return 1;
      }
      *option->flag = true;
      continue;
    }
    if (hasAttached) {
      *option->value = attached;
    } else if (i + 1 < argc) {
      *option->value = argv[++i];
    } else {
      errorPrint("plyxen %s: missing value after \"%s\"", command, name.c_str());
      return 1;
    }
    // "--tree --map f" forgot the tree file's name: taking "--map" for it
    // would write a file of that name. A file whose name begins with "--"
    // is still reachable as "./--name".
    if (option->value->compare(0, 2, "--") == 0) {
      errorPrint("plyxen %s: missing value after \"%s\" (\"%s\" is not taken as one)", command, name.c_str(),
                 option->value->c_str());
      return 1;
    }
    if (option->value->empty()) {
      errorPrint("plyxen %s: empty value for \"%s\"", command, name.c_str());
      return 1;
    }
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Input files

FILE* toolOpenInput(const std::string& path, const char* command) {
  struct stat status;
  FILE* stream = nullptr;
  if (stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode)) stream = fopen(path.c_str(), "r");
  if (stream == nullptr) {
    errorPrint("plyxen %s: cannot open file \"%s\"", command, path.c_str());
    return nullptr;
  }
  if (toolRegisterInput(path, stream, command) != 0) {
    fclose(stream);
    return nullptr;
  }
  return stream;
}

int toolCheckNumbers(FILE* stream, const std::string& path, const char* what) {
  const long start = ftell(stream);
  if (start < 0) {  // a pipe: left to the loader
    clearerr(stream);
    return 0;
  }
  // Read in blocks: a large file is scanned once before the loader reads
  // it, so this pass must cost little next to the loading itself.
  long line = 1;
  int64_t value = 0;
  bool tooLarge = false, negative = false;
  auto outOfRange = [&]() {
    errorPrint("plyxen: bad %s \"%s\" (line %ld: number out of the 32-bit range)", what, path.c_str(), line);
    return 1;
  };
  char block[1 << 16];
  size_t length;
  while ((length = fread(block, 1, sizeof(block), stream)) > 0) {
    for (size_t index = 0; index < length; index++) {
      const int c = static_cast<unsigned char>(block[index]);
      if (c >= '0' && c <= '9') {
        value = value * 10 + (c - '0');
        if (value > int64_t{INT32_MAX} + (negative ? 1 : 0)) tooLarge = true, value = 0;
        continue;
      }
      if (tooLarge) return outOfRange();
      value = 0;
      negative = (c == '-');
      if (c == '\n') line++;
    }
  }
  if (ferror(stream)) {
    errorPrint("plyxen: cannot read file \"%s\"", path.c_str());
    return 1;
  }
  if (tooLarge) return outOfRange();  // the file ends with the number
  fseek(stream, start, SEEK_SET);
  return 0;
}

int toolExpectEnd(FILE* stream, const std::string& path, const char* what) {
  int c;
  while ((c = getc(stream)) != EOF)
    if (!isspace(c)) {
      errorPrint("plyxen: bad %s \"%s\" (data after the last vertex)", what, path.c_str());
      return 1;
    }
  if (ferror(stream)) {
    errorPrint("plyxen: cannot read file \"%s\"", path.c_str());
    return 1;
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Figures

int toolPrintStats(const Graph* graph, const GraphNum* permutation, GraphNum columnBlockCount, double seconds,
                   FILE* stream) {
  const GraphNum n = graph->vertexCount;
  std::vector<GraphNum> counts(n);
  std::vector<GraphNum> parent(n);
  FillStats stats;
  if (fillStatsComputeTree(graph, permutation, &stats, counts.data(), parent.data()) != 0) return 1;
  GraphNum supernodes;
  if (fillStatsSupernodes(n, parent.data(), counts.data(), &supernodes, nullptr) != 0) return 1;

  fprintf(stream, "vertices=%d edges=%d", n, graph->arcCount / 2);
  if (columnBlockCount >= 0) fprintf(stream, " blocks=%d", columnBlockCount);
  fprintf(stream, " supernodes=%d nnzL=%lld opc=%.0f height=%d", supernodes, static_cast<long long>(stats.nnzL),
          stats.opc, stats.treeHeight);
  if (seconds >= 0.0) fprintf(stream, " time=%.4f", seconds);
  fprintf(stream, "\n");
  if (fflush(stream) != 0 || ferror(stream)) {
    errorPrint("plyxen: cannot write the figures (%s)", strerror(errno));
    return 1;
  }
  return 0;
}
