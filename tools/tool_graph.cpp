// Graph files of the tool: the system's graph file format through the
// library, METIS graph files and Matrix Market coordinate files parsed
// here. Every graph read is checked before use: an inconsistent adjacency
// would otherwise reach the ordering code.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <strings.h>

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

// Text cut into lines, and lines into blank-separated words.
class LineReader {
 public:
  explicit LineReader(const std::string& text) : text_(text) {}
  // Next line (without its end of line); false at the end of the text.
  bool next(std::string* line) {
    if (position_ >= text_.size()) return false;
    size_t end = text_.find('\n', position_);
    if (end == std::string::npos) end = text_.size();
    *line = text_.substr(position_, end - position_);
    if (!line->empty() && line->back() == '\r') line->pop_back();
    position_ = end + 1;
    number_++;
    return true;
  }
  size_t number() const { return number_; }

 private:
  const std::string& text_;
  size_t position_ = 0;
  size_t number_ = 0;
};

std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> result;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && isspace(static_cast<unsigned char>(line[i]))) i++;
    size_t start = i;
    while (i < line.size() && !isspace(static_cast<unsigned char>(line[i]))) i++;
    if (i > start) result.push_back(line.substr(start, i - start));
  }
  return result;
}

bool isBlank(const std::string& line) { return words(line).empty(); }

// A line whose first visible character is '%'.
bool isComment(const std::string& line) {
  size_t first = line.find_first_not_of(" \t\r\v\f");
  return first != std::string::npos && line[first] == '%';
}

// A whole word holding a decimal integer of 32 bits.
bool parseInteger(const std::string& word, GraphNum* value) {
  if (word.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long long parsed = strtoll(word.c_str(), &end, 10);
  if (errno != 0 || *end != '\0') return false;
  if (parsed < INT32_MIN || parsed > INT32_MAX) return false;
  *value = static_cast<GraphNum>(parsed);
  return true;
}

bool parseReal(const std::string& word) {
  errno = 0;
  char* end = nullptr;
  strtod(word.c_str(), &end);
  return end != word.c_str() && *end == '\0';
}

int readText(FILE* stream, const std::string& path, std::string* text) {
  char buffer[65536];
  size_t count;
  while ((count = fread(buffer, 1, sizeof(buffer), stream)) > 0) text->append(buffer, count);
  if (ferror(stream)) {
    errorPrint("plyxen: cannot read file \"%s\"", path.c_str());
    return 1;
  }
  return 0;
}

// Lays the library graph over the arrays held by the tool graph, in base 1.
void buildOverArrays(ToolGraph* graph, GraphNum vertexCount) {
  GraphNum arcCount = static_cast<GraphNum>(graph->target.size());
  if (graph->target.empty()) graph->target.push_back(1);  // a valid address; no arc reads it
  PLYXEN_graphBuild(&graph->handle, 1, vertexCount, graph->begin.data(), nullptr,
                    graph->vertexLoad.empty() ? nullptr : graph->vertexLoad.data(), nullptr, arcCount,
                    graph->target.data(), graph->edgeLoad.empty() ? nullptr : graph->edgeLoad.data());
}

// METIS graph file: comment lines begin with '%'; the header holds the
// vertex count, the edge count, optionally a format of up to three binary
// digits (vertex sizes, vertex weights, edge weights) and the number of
// vertex weights; then one line per vertex, possibly empty, with its size
// and weights if any and its neighbours from 1, each followed by the edge
// weight if any.
int readMetis(ToolGraph* graph, const std::string& text, const std::string& path) {
  LineReader reader(text);
  std::string line;
  auto bad = [&](const char* reason) {
    errorPrint("plyxen: bad METIS graph file \"%s\" (line %zu: %s)", path.c_str(), reader.number(), reason);
    return 1;
  };
  auto nextDataLine = [&](std::string* result) {  // blank lines are vertices without neighbours
    while (reader.next(result))
      if (!isComment(*result)) return true;
    return false;
  };
  std::vector<std::string> header;
  do {
    if (!nextDataLine(&line)) {
      errorPrint("plyxen: bad METIS graph file \"%s\" (no header)", path.c_str());
      return 1;
    }
    header = words(line);
  } while (header.empty());
  GraphNum vertexCount, edgeCount;
  if (header.size() > 4 || !parseInteger(header[0], &vertexCount) || header.size() < 2 ||
      !parseInteger(header[1], &edgeCount) || vertexCount < 0 || edgeCount < 0)
    return bad("invalid header");
  bool hasSizes = false, hasVertexWeights = false, hasEdgeWeights = false;
  if (header.size() >= 3) {
    const std::string& format = header[2];
    if (format.empty() || format.size() > 3 || format.find_first_not_of("01") != std::string::npos)
      return bad("invalid format field");
    std::string digits = std::string(3 - format.size(), '0') + format;
    hasSizes = digits[0] == '1';
    hasVertexWeights = digits[1] == '1';
    hasEdgeWeights = digits[2] == '1';
  }
  GraphNum weightCount = hasVertexWeights ? 1 : 0;
  if (header.size() == 4) {
    if (!parseInteger(header[3], &weightCount) || weightCount < 0) return bad("invalid number of vertex weights");
    if (weightCount > 1) return bad("more than one weight per vertex is not supported");
    if (weightCount == 1 && !hasVertexWeights) return bad("vertex weights counted but not announced by the format");
    if (weightCount == 0) hasVertexWeights = false;
  }
  if (static_cast<int64_t>(edgeCount) * 2 > INT32_MAX) return bad("too many edges");

  graph->begin.reserve(static_cast<size_t>(vertexCount) + 1);
  graph->target.reserve(static_cast<size_t>(edgeCount) * 2);
  if (hasEdgeWeights) graph->edgeLoad.reserve(static_cast<size_t>(edgeCount) * 2);
  for (GraphNum v = 0; v < vertexCount; v++) {
    if (!nextDataLine(&line)) {
      errorPrint("plyxen: bad METIS graph file \"%s\" (%d vertex lines expected, %d found)", path.c_str(), vertexCount,
                 v);
      return 1;
    }
    std::vector<std::string> fields = words(line);
    size_t field = 0;
    GraphNum value;
    if (hasSizes && (field >= fields.size() || !parseInteger(fields[field++], &value)))
      return bad("missing or invalid vertex size");
    if (hasVertexWeights) {
      if (field >= fields.size() || !parseInteger(fields[field++], &value))
        return bad("missing or invalid vertex weight");
      graph->vertexLoad.push_back(value);
    }
    graph->begin.push_back(static_cast<GraphNum>(graph->target.size()) + 1);
    size_t stride = hasEdgeWeights ? 2 : 1;
    if ((fields.size() - field) % stride != 0) return bad("neighbour without edge weight");
    for (; field < fields.size(); field += stride) {
      if (!parseInteger(fields[field], &value) || value < 1 || value > vertexCount) return bad("invalid neighbour");
      if (graph->target.size() >= static_cast<size_t>(edgeCount) * 2)
        return bad("more neighbours than the edge count of the header allows");
      graph->target.push_back(value);
      if (hasEdgeWeights) {
        if (!parseInteger(fields[field + 1], &value)) return bad("invalid edge weight");
        graph->edgeLoad.push_back(value);
      }
    }
  }
  graph->begin.push_back(static_cast<GraphNum>(graph->target.size()) + 1);
  while (reader.next(&line))
    if (!isBlank(line) && !isComment(line)) return bad("data after the last vertex");
  if (graph->target.size() != static_cast<size_t>(edgeCount) * 2) {
    errorPrint("plyxen: bad METIS graph file \"%s\" (header announces %d edges, adjacency lists hold %zu arcs)",
               path.c_str(), edgeCount, graph->target.size());
    return 1;
  }
  buildOverArrays(graph, vertexCount);
  return 0;
}

// Matrix Market coordinate file: only the pattern is kept, made symmetric,
// without the diagonal.
int readMatrixMarket(ToolGraph* graph, const std::string& text, const std::string& path) {
  LineReader reader(text);
  std::string line;
  auto bad = [&](const char* reason) {
    errorPrint("plyxen: bad Matrix Market file \"%s\" (line %zu: %s)", path.c_str(), reader.number(), reason);
    return 1;
  };
  if (!reader.next(&line)) return bad("empty file");
  std::vector<std::string> banner = words(line);
  if (banner.size() != 5 || strcasecmp(banner[0].c_str(), "%%MatrixMarket") != 0 ||
      strcasecmp(banner[1].c_str(), "matrix") != 0)
    return bad("not a Matrix Market matrix banner");
  if (strcasecmp(banner[2].c_str(), "coordinate") != 0) return bad("only coordinate files are supported");
  size_t valueCount;
  const char* field = banner[3].c_str();
  bool integerValues = false;
  if (strcasecmp(field, "pattern") == 0)
    valueCount = 0;
  else if (strcasecmp(field, "real") == 0 || strcasecmp(field, "double") == 0)
    valueCount = 1;
  else if (strcasecmp(field, "integer") == 0)
    valueCount = 1, integerValues = true;
  else if (strcasecmp(field, "complex") == 0)
    valueCount = 2;
  else
    return bad("unknown field type");
  const char* symmetry = banner[4].c_str();
  if (strcasecmp(symmetry, "general") != 0 && strcasecmp(symmetry, "symmetric") != 0 &&
      strcasecmp(symmetry, "skew-symmetric") != 0 && strcasecmp(symmetry, "hermitian") != 0)
    return bad("unknown symmetry");

  std::vector<std::string> size;
  do {
    if (!reader.next(&line)) return bad("no size line");
    size = isComment(line) ? std::vector<std::string>() : words(line);
  } while (size.empty());
  GraphNum rows, columns, entryCount;
  if (size.size() != 3 || !parseInteger(size[0], &rows) || !parseInteger(size[1], &columns) ||
      !parseInteger(size[2], &entryCount) || rows < 0 || columns < 0 || entryCount < 0)
    return bad("invalid size line");
  if (rows != columns) return bad("the matrix is not square");

  // Both arcs of every off-diagonal entry, as (row, column) from 0.
  std::vector<uint64_t> arcs;
  arcs.reserve(static_cast<size_t>(entryCount) * 2);
  GraphNum entries = 0;
  while (entries < entryCount) {
    if (!reader.next(&line)) {
      errorPrint("plyxen: bad Matrix Market file \"%s\" (%d entries expected, %d found)", path.c_str(), entryCount,
                 entries);
      return 1;
    }
    std::vector<std::string> fields = words(line);
    if (fields.empty() || isComment(line)) continue;
    GraphNum row, column;
    if (fields.size() != 2 + valueCount) return bad("wrong number of fields in an entry");
    if (!parseInteger(fields[0], &row) || !parseInteger(fields[1], &column) || row < 1 || row > rows ||
        column < 1 || column > rows)
      return bad("invalid row or column index");
    for (size_t f = 2; f < fields.size(); f++) {
      GraphNum integer;
      if (integerValues ? !parseInteger(fields[f], &integer) : !parseReal(fields[f])) return bad("invalid value");
    }
    entries++;
    if (row == column) continue;
    arcs.push_back((static_cast<uint64_t>(row - 1) << 32) | static_cast<uint32_t>(column - 1));
    arcs.push_back((static_cast<uint64_t>(column - 1) << 32) | static_cast<uint32_t>(row - 1));
  }
  while (reader.next(&line))
    if (!isBlank(line) && !isComment(line)) return bad("data after the last entry");
  std::sort(arcs.begin(), arcs.end());
  arcs.erase(std::unique(arcs.begin(), arcs.end()), arcs.end());
  if (arcs.size() > static_cast<size_t>(INT32_MAX)) return bad("too many entries");

  graph->begin.assign(static_cast<size_t>(rows) + 1, 0);
  graph->target.resize(arcs.size());
  size_t arc = 0;
  for (GraphNum v = 0; v < rows; v++) {
    graph->begin[v] = static_cast<GraphNum>(arc) + 1;
    for (; arc < arcs.size() && (arcs[arc] >> 32) == static_cast<uint64_t>(v); arc++)
      graph->target[arc] = static_cast<GraphNum>(arcs[arc] & 0xffffffffu) + 1;
  }
  graph->begin[rows] = static_cast<GraphNum>(arc) + 1;
  buildOverArrays(graph, rows);
  return 0;
}

int readGraphFile(ToolGraph* graph, FILE* stream, const std::string& path) {
  if (PLYXEN_graphLoad(&graph->handle, stream, -1, 0) != 0) return 1;
  int c;
  while ((c = getc(stream)) != EOF)
    if (!isspace(c)) {
      errorPrint("plyxen: bad graph file \"%s\" (data after the last vertex)", path.c_str());
      return 1;
    }
  return 0;
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
  if (format == FORMAT_GRF) {
    status = readGraphFile(graph, stream, path);
  } else {
    std::string text;
    status = readText(stream, path, &text);
    if (status == 0)
      status = (format == FORMAT_METIS) ? readMetis(graph, text, path) : readMatrixMarket(graph, text, path);
  }
  fclose(stream);
  if (status != 0) return 1;
  return PLYXEN_graphCheck(&graph->handle);
}

int toolGraphWrite(const Graph* graph, FILE* stream, ToolFormat format) {
  const GraphNum base = graph->base;
  if (format == FORMAT_GRF) return graphSave(graph, stream);
  if (graph->vertexLabel != nullptr) warningPrint("plyxen: vertex labels are not kept; vertices are numbered in order");
  if (format == FORMAT_METIS) {
    bool vertexWeights = graph->vertexLoad != nullptr;
    bool edgeWeights = graph->edgeLoad != nullptr;
    fprintf(stream, "%d %d", graph->vertexCount, graph->arcCount / 2);
    if (vertexWeights || edgeWeights) fprintf(stream, " %d%d", vertexWeights ? 1 : 0, edgeWeights ? 1 : 0);
    fputc('\n', stream);
    for (GraphNum v = base; v < graph->vertexEnd; v++) {
      const char* separator = "";
      if (vertexWeights) {
        fprintf(stream, "%d", graph->vertexLoad[v]);
        separator = " ";
      }
      for (GraphNum arc = graph->edgeBegin[v]; arc < graph->edgeEnd[v]; arc++) {
        fprintf(stream, "%s%d", separator, graph->edgeTarget[arc] - base + 1);
        if (edgeWeights) fprintf(stream, " %d", graph->edgeLoad[arc]);
        separator = " ";
      }
      fputc('\n', stream);
    }
    return 0;
  }
  if (graph->vertexLoad != nullptr || graph->edgeLoad != nullptr)
    warningPrint("plyxen: loads are not kept in Matrix Market files");
  fprintf(stream, "%%%%MatrixMarket matrix coordinate pattern symmetric\n");
  fprintf(stream, "%d %d %d\n", graph->vertexCount, graph->vertexCount, graph->arcCount / 2);
  for (GraphNum v = base; v < graph->vertexEnd; v++)
    for (GraphNum arc = graph->edgeBegin[v]; arc < graph->edgeEnd[v]; arc++)
      if (graph->edgeTarget[arc] < v) fprintf(stream, "%d %d\n", v - base + 1, graph->edgeTarget[arc] - base + 1);
  return 0;
}
