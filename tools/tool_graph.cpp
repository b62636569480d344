// Graph files of the tool: the system's graph file format, METIS graph
// files and Matrix Market coordinate files, all read and written by the
// library. Every graph read is well formed before use: an inconsistent
// adjacency would otherwise reach the ordering code.
#include <sys/stat.h>

#include <cctype>

#include "graph/graph_io_formats.h"
#include "tool.h"

ToolFormat toolFormatByName(const std::string& name) {
  if (name == "grf") return FORMAT_GRF;
  if (name == "metis") return FORMAT_METIS;
  if (name == "mtx") return FORMAT_MTX;
  return FORMAT_NONE;
}

ToolFormat toolFormatByExtension(const std::string& path) {
  size_t dot = path.rfind('.');
  size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return FORMAT_NONE;
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  if (extension == "grf") return FORMAT_GRF;
  if (extension == "graph" || extension == "metis") return FORMAT_METIS;
  if (extension == "mtx") return FORMAT_MTX;
  return FORMAT_NONE;
}

ToolGraph::ToolGraph() { PLYXEN_graphInit(&handle); }

ToolGraph::~ToolGraph() { PLYXEN_graphExit(&handle); }

namespace {

// The graph file loader sizes its arrays from the header's counts. Every
// vertex holds at least its degree and every arc its end, each a digit and
// a separator: counts that the file is too small to hold are refused before
// the loader reserves memory for them.
int checkGraphFileHeader(FILE* stream, const std::string& path, int64_t size) {
  GraphNum version, vertexCount, arcCount;
  bool counted = intLoad(stream, &version) == 1 && intLoad(stream, &vertexCount) == 1 &&
                 intLoad(stream, &arcCount) == 1 && vertexCount >= 0 && arcCount >= 0;
  rewind(stream);
  if (counted && 2 * (int64_t{vertexCount} + arcCount) > size + 1) {
    errorPrint("plyxen: bad graph file \"%s\" (the header announces %d vertices and %d arcs, more than its %lld bytes "
               "can hold)",
               path.c_str(), vertexCount, arcCount, static_cast<long long>(size));
    return 1;
  }
  return 0;
}

int loadGraphFile(ToolGraph* graph, FILE* stream, const std::string& path, int64_t size) {
  if (toolCheckNumbers(stream, path, "graph file") != 0 || checkGraphFileHeader(stream, path, size) != 0 ||
      PLYXEN_graphLoad(&graph->handle, stream, -1, 0) != 0 ||
      toolExpectEnd(stream, path, "graph file") != 0)
    return 1;
  return PLYXEN_graphCheck(&graph->handle);
}

// A graph file that cannot be measured (a pipe, a device) is read whole
// first, so that its header is checked against what it holds. Only the
// characters of the format are taken, so that a binary or endless device
// is refused at once.
int readGraphFile(ToolGraph* graph, FILE* stream, const std::string& path) {
  struct stat status;
  if (fstat(fileno(stream), &status) == 0 && S_ISREG(status.st_mode))
    return loadGraphFile(graph, stream, path, static_cast<int64_t>(status.st_size));
  std::string text;
  int c;
  while ((c = getc(stream)) != EOF) {
    if (!isdigit(c) && !isspace(c) && c != '-' && c != '+') {
      errorPrint("plyxen: bad graph file \"%s\" (unexpected character, code %d)", path.c_str(), c);
      return 1;
    }
    text.push_back(static_cast<char>(c));
  }
  if (ferror(stream)) {
    errorPrint("plyxen: cannot read file \"%s\"", path.c_str());
    return 1;
  }
  text.push_back('\n');  // never an empty buffer
  FILE* memory = fmemopen(text.data(), text.size(), "r");
  if (memory == nullptr) {
    errorPrint("plyxen: cannot read file \"%s\"", path.c_str());
    return 1;
  }
  int result = loadGraphFile(graph, memory, path, static_cast<int64_t>(text.size()));
  fclose(memory);
  return result;
}

}  // namespace

int toolGraphRead(ToolGraph* graph, const std::string& path, ToolFormat format, const char* command) {
  if (format == FORMAT_NONE) format = toolFormatByExtension(path);
  if (format == FORMAT_NONE) {
    errorPrint("plyxen %s: cannot tell the format of \"%s\" from its name (use --from grf|metis|mtx)", command,
               path.c_str());
    return 1;
  }
  FILE* stream = toolOpenInput(path, command);
  if (stream == nullptr) return 1;
  int status;
  if (format == FORMAT_GRF)
    status = readGraphFile(graph, stream, path);
  else if (format == FORMAT_METIS)
    status = graphLoadMetis(graph->core(), stream, 1, 0, path.c_str());
  else
    status = graphLoadMatrixMarket(graph->core(), stream, 1, path.c_str());
  fclose(stream);
  return status;
}

int toolGraphWrite(const Graph* graph, FILE* stream, ToolFormat format) {
  if (format == FORMAT_GRF) return graphSave(graph, stream);
  if (graph->vertexLabel != nullptr) warningPrint("plyxen: vertex labels are not kept; vertices are numbered in order");
  if (format == FORMAT_METIS) return graphSaveMetis(graph, stream);
  if (graph->vertexLoad != nullptr || graph->edgeLoad != nullptr)
    warningPrint("plyxen: loads are not kept in Matrix Market files");
  return graphSaveMatrixMarket(graph, stream);
}
