// Options, output files and figures shared by the commands of the tool.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "front/fill_stats.h"
#include "tool.h"

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
    if (option->value->empty()) {
      errorPrint("plyxen %s: empty value for \"%s\"", command, name.c_str());
      return 1;
    }
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Output files

namespace {

// Temporary files not yet renamed; removed when the process ends, which
// happens inside the error printer on any failure.
std::vector<std::string>& pendingFiles() {
  static std::vector<std::string>* files = new std::vector<std::string>();  // outlives static destructors
  return *files;
}

void removePendingFiles() {
  for (const std::string& path : pendingFiles()) unlink(path.c_str());
  pendingFiles().clear();
}

void forgetPending(const std::string& path) {
  std::vector<std::string>& files = pendingFiles();
  files.erase(std::remove(files.begin(), files.end(), path), files.end());
}

}  // namespace

ToolOutput::~ToolOutput() {
  if (stream_ != nullptr) fclose(stream_);
  if (!temporary_.empty()) {
    unlink(temporary_.c_str());
    forgetPending(temporary_);
  }
}

int ToolOutput::open(const std::string& path) {
  static bool cleanupRegistered = false;
  if (!cleanupRegistered) {
    atexit(removePendingFiles);
    cleanupRegistered = true;
  }
  path_ = path;
  // Same folder as the target, so that the final rename stays on one file
  // system and replaces the target in one step.
  std::string pattern = path + ".tmp.XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int descriptor = mkstemp(name.data());
  if (descriptor < 0) {
    errorPrint("plyxen: cannot create output file \"%s\" (%s)", path.c_str(), strerror(errno));
    return 1;
  }
  temporary_ = name.data();
  pendingFiles().push_back(temporary_);
  mode_t mask = umask(0);  // give the file the permissions of a plainly created one
  umask(mask);
  fchmod(descriptor, 0666 & ~mask);
  stream_ = fdopen(descriptor, "w");
  if (stream_ == nullptr) {
    close(descriptor);
    errorPrint("plyxen: cannot create output file \"%s\" (%s)", path.c_str(), strerror(errno));
    return 1;
  }
  return 0;
}

int ToolOutput::commit() {
  bool good = (fflush(stream_) == 0) && (ferror(stream_) == 0);
  good = (fclose(stream_) == 0) && good;
  stream_ = nullptr;
  if (!good) {
    errorPrint("plyxen: cannot write output file \"%s\"", path_.c_str());
    return 1;
  }
  if (rename(temporary_.c_str(), path_.c_str()) != 0) {
    errorPrint("plyxen: cannot write output file \"%s\" (%s)", path_.c_str(), strerror(errno));
    return 1;
  }
  forgetPending(temporary_);
  temporary_.clear();
  return 0;
}

FILE* toolOpenInput(const std::string& path, const char* command) {
  struct stat status;
  FILE* stream = nullptr;
  if (stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode)) stream = fopen(path.c_str(), "r");
  if (stream == nullptr) errorPrint("plyxen %s: cannot open file \"%s\"", command, path.c_str());
  return stream;
}

// ---------------------------------------------------------------------------
// Figures

int toolPrintStats(const Graph* graph, const GraphNum* permutation, GraphNum columnBlockCount, double seconds) {
  const GraphNum n = graph->vertexCount;
  std::vector<GraphNum> counts(n);
  std::vector<GraphNum> parent(n);
  FillStats stats;
  if (fillStatsComputeTree(graph, permutation, &stats, counts.data(), parent.data()) != 0) return 1;
  GraphNum supernodes;
  if (fillStatsSupernodes(n, parent.data(), counts.data(), &supernodes, nullptr) != 0) return 1;

  printf("vertices=%d edges=%d", n, graph->arcCount / 2);
  if (columnBlockCount >= 0) printf(" blocks=%d", columnBlockCount);
  printf(" supernodes=%d nnzL=%lld opc=%.0f height=%d", supernodes, static_cast<long long>(stats.nnzL), stats.opc,
         stats.treeHeight);
  if (seconds >= 0.0) printf(" time=%.4f", seconds);
  printf("\n");
  if (fflush(stdout) != 0) {
    errorPrint("plyxen: cannot write on the standard output");
    return 1;
  }
  return 0;
}
