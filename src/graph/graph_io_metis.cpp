// METIS graph files: loading (graphLoadMetis) and saving (graphSaveMetis).
//
// A file holds comment lines (first visible character '%') anywhere, then a
// header "vertices edges [format [weights per vertex]]" whose format has up
// to three binary digits (vertex sizes, vertex weights, edge weights), then
// one line per vertex, empty for a vertex without neighbours: its size and
// weight when the format announces them, then its neighbours numbered from
// 1, each followed by the weight of the edge when edges are weighted.
//
// The header's counts are checked against what the stream can hold, when
// its size is known, and the arrays grow with what is read, so that a
// header that lies costs neither memory nor time.
#include <cstring>
#include <new>
#include <vector>

#include "graph/graph_io_formats.h"
#include "graph/graph_io_text.h"

namespace {

constexpr const char* kOperation = "graphLoadMetis";

struct MetisHeader {
  GraphNum vertexCount = 0;
  GraphNum edgeCount = 0;
  bool hasSizes = false;
  bool hasVertexWeights = false;
  bool hasEdgeWeights = false;
};

// What the body holds, from 0, before it becomes a Graph.
struct MetisBody {
  std::vector<GraphNum> begin;  // first arc of each vertex, then the arc count
  std::vector<GraphNum> target;
  std::vector<GraphNum> vertexLoad;
  std::vector<GraphNum> edgeLoad;
  int64_t vertexLoadSum = 0;
  int64_t edgeLoadSum = 0;
  GraphNum maxDegree = 0;
};

// Reads a number of the header or of a vertex line; reports what is wrong
// with it as "<what> ..." and returns 1.
int readNumber(GraphTextReader& reader, const char* what, GraphNum* value) {
  std::string_view word;
  if (!reader.nextWord(&word)) return reader.fail("missing %s", what);
  switch (textParseNum(word, value)) {
    case TextNumber::OK:
      return 0;
    case TextNumber::OUT_OF_RANGE:
      return reader.fail("%s %.*s out of the 32-bit range", what, static_cast<int>(word.size()), word.data());
    default:
      return reader.fail("invalid %s \"%.*s\"", what, static_cast<int>(word.size()), word.data());
  }
}

// Finds the next line that is not a comment; blank lines are kept, as
// they are vertices without neighbours in the body.
TextLine nextDataLine(GraphTextReader& reader) {
  TextLine status;
  while ((status = reader.nextLine()) == TextLine::LINE && reader.lineIsComment()) {
  }
  return status;
}

int readHeader(GraphTextReader& reader, GraphNum graphBase, MetisHeader* header) {
  TextLine status;
  while ((status = nextDataLine(reader)) == TextLine::LINE && reader.lineIsBlank()) {
  }
  if (status == TextLine::FAILED) return 1;
  if (status == TextLine::END) return reader.failFile("no header");
  if (readNumber(reader, "vertex count", &header->vertexCount) != 0 ||
      readNumber(reader, "edge count", &header->edgeCount) != 0)
    return 1;
  if (header->vertexCount < 0 || header->edgeCount < 0) return reader.fail("negative count in the header");
  std::string_view format;
  if (reader.nextWord(&format)) {
    if (format.size() > 3 || format.find_first_not_of("01") != std::string_view::npos)
      return reader.fail("invalid format field \"%.*s\"", static_cast<int>(format.size()), format.data());
    const std::string digits = std::string(3 - format.size(), '0') + std::string(format);
    header->hasSizes = digits[0] == '1';
    header->hasVertexWeights = digits[1] == '1';
    header->hasEdgeWeights = digits[2] == '1';
    GraphNum weightCount;
    std::string_view word;
    if (reader.nextWord(&word)) {
      if (textParseNum(word, &weightCount) != TextNumber::OK || weightCount < 0)
        return reader.fail("invalid number of vertex weights \"%.*s\"", static_cast<int>(word.size()), word.data());
      if (weightCount > 1) return reader.fail("more than one weight per vertex is not supported");
      if (weightCount == 1 && !header->hasVertexWeights)
        return reader.fail("vertex weights counted but not announced by the format");
      if (weightCount == 0) header->hasVertexWeights = false;
      if (reader.nextWord(&word)) return reader.fail("more than four numbers in the header");
    }
  }
  // Every vertex number and arc index, in the graph's base, is a GraphNum.
  if (header->vertexCount > INT32_MAX - graphBase) return reader.fail("too many vertices");
  if (header->edgeCount > (INT32_MAX - graphBase) / 2) return reader.fail("too many edges");

  // Each number of the body takes a digit and a separator, each vertex a
  // line: a header that announces more than that is refused before any
  // memory is taken for it.
  const int64_t bytesLeft = reader.bytesLeft();
  if (bytesLeft >= 0) {
    const int64_t arcCount = int64_t{2} * header->edgeCount;
    const int64_t numbers = arcCount * (header->hasEdgeWeights ? 2 : 1) +
                            int64_t{header->vertexCount} * ((header->hasSizes ? 1 : 0) + (header->hasVertexWeights ? 1 : 0));
    if (2 * numbers - 1 > bytesLeft || header->vertexCount - 1 > bytesLeft)
      return reader.fail("the header announces %d vertices and %d edges, more than the %lld bytes left can hold",
                         header->vertexCount, header->edgeCount, static_cast<long long>(bytesLeft));
  }
  return 0;
}

int readBody(GraphTextReader& reader, const MetisHeader& header, MetisBody* body) {
  const GraphNum vertexCount = header.vertexCount;
  const size_t arcLimit = size_t{2} * static_cast<size_t>(header.edgeCount);
  if (reader.bytesLeft() >= 0) {  // the counts were checked against the size
    body->begin.reserve(static_cast<size_t>(vertexCount) + 1);
    body->target.reserve(arcLimit);
    if (header.hasVertexWeights) body->vertexLoad.reserve(static_cast<size_t>(vertexCount));
    if (header.hasEdgeWeights) body->edgeLoad.reserve(arcLimit);
  }
  for (GraphNum vertex = 0; vertex < vertexCount; vertex++) {
    const TextLine status = nextDataLine(reader);
    if (status == TextLine::FAILED) return 1;
    if (status == TextLine::END)
      return reader.failFile("%d vertex lines expected, %d found", vertexCount, vertex);
    GraphNum value;
    if (header.hasSizes && readNumber(reader, "vertex size", &value) != 0) return 1;
    if (header.hasVertexWeights) {
      if (readNumber(reader, "vertex weight", &value) != 0) return 1;
      body->vertexLoad.push_back(value);
      body->vertexLoadSum += value;
    }
    body->begin.push_back(static_cast<GraphNum>(body->target.size()));
    std::string_view word;
    while (reader.nextWord(&word)) {
      GraphNum neighbour;
      const TextNumber parsed = textParseNum(word, &neighbour);
      if (parsed == TextNumber::INVALID)
        return reader.fail("invalid neighbour \"%.*s\"", static_cast<int>(word.size()), word.data());
      if (parsed == TextNumber::OUT_OF_RANGE || neighbour < 1 || neighbour > vertexCount)
        return reader.fail("neighbour %.*s outside 1..%d", static_cast<int>(word.size()), word.data(), vertexCount);
      if (body->target.size() >= arcLimit)
        return reader.fail("more neighbours than the edge count of the header allows");
      body->target.push_back(neighbour - 1);
      if (header.hasEdgeWeights) {
        if (!reader.nextWord(&word)) return reader.fail("neighbour without edge weight");
        if (textParseNum(word, &value) != TextNumber::OK)
          return reader.fail("invalid edge weight \"%.*s\"", static_cast<int>(word.size()), word.data());
        body->edgeLoad.push_back(value);
        body->edgeLoadSum += value;
      }
    }
    const GraphNum degree = static_cast<GraphNum>(body->target.size()) - body->begin.back();
    if (degree > body->maxDegree) body->maxDegree = degree;
  }
  body->begin.push_back(static_cast<GraphNum>(body->target.size()));

  TextLine status;
  while ((status = reader.nextLine()) == TextLine::LINE)
    if (!reader.lineIsBlank() && !reader.lineIsComment()) return reader.fail("data after the last vertex");
  if (status == TextLine::FAILED) return 1;
  if (body->target.size() != arcLimit)
    return reader.failFile("the header announces %d edges, the adjacency lists hold %zu arcs", header.edgeCount,
                           body->target.size());
  if (body->vertexLoadSum > INT32_MAX || body->edgeLoadSum > INT32_MAX || body->vertexLoadSum < INT32_MIN ||
      body->edgeLoadSum < INT32_MIN)
    return reader.failFile("weight sum out of the 32-bit range");
  return 0;
}

// Moves what was read into arrays that the graph owns, grouped as
// graphLoad groups them.
int buildGraph(Graph* graph, const MetisBody& body, GraphNum base, bool keepVertexLoads, bool keepEdgeLoads) {
  const GraphNum vertexCount = static_cast<GraphNum>(body.begin.size()) - 1;
  const GraphNum arcCount = static_cast<GraphNum>(body.target.size());
  const size_t vertexBytes = static_cast<size_t>(vertexCount) * sizeof(GraphNum);
  const size_t arcBytes = static_cast<size_t>(arcCount) * sizeof(GraphNum);
  GraphNum* begin;
  GraphNum* vertexLoad;
  GraphNum* target;
  GraphNum* edgeLoad;
  void* vertexBlock = memGroupAlloc(
      {memEntry(begin, vertexBytes + sizeof(GraphNum)), memEntry(vertexLoad, keepVertexLoads ? vertexBytes : 0)});
  void* edgeBlock = memGroupAlloc({memEntry(target, arcBytes), memEntry(edgeLoad, keepEdgeLoads ? arcBytes : 0)});
  if (vertexBlock == nullptr || edgeBlock == nullptr) {
    memFree(vertexBlock);
    memFree(edgeBlock);
    errorPrint("%s: out of memory", kOperation);
    return 1;
  }
  for (GraphNum vertex = 0; vertex <= vertexCount; vertex++) begin[vertex] = body.begin[vertex] + base;
  for (GraphNum arc = 0; arc < arcCount; arc++) target[arc] = body.target[arc] + base;
  // An empty vector may hold no array at all: copy only what there is.
  if (keepVertexLoads && vertexBytes > 0) memcpy(vertexLoad, body.vertexLoad.data(), vertexBytes);
  if (keepEdgeLoads && arcBytes > 0) memcpy(edgeLoad, body.edgeLoad.data(), arcBytes);

  graphTextAdopt(graph, base, vertexCount, begin, keepVertexLoads ? vertexLoad : nullptr,
                 keepVertexLoads ? static_cast<GraphNum>(body.vertexLoadSum) : vertexCount, arcCount, target,
                 keepEdgeLoads ? edgeLoad : nullptr, keepEdgeLoads ? static_cast<GraphNum>(body.edgeLoadSum) : arcCount,
                 body.maxDegree);
  return 0;
}

int loadMetis(Graph* graph, FILE* stream, GraphNum base, GraphNum loadFlags, const char* name) {
  GraphTextReader reader(stream, kOperation, "METIS graph", name);
  const GraphNum graphBase = (base == -1) ? 1 : base;
  MetisHeader header;
  MetisBody body;
  if (readHeader(reader, graphBase, &header) != 0 || readBody(reader, header, &body) != 0) return 1;
  const bool keepVertexLoads = header.hasVertexWeights && (loadFlags & 1) == 0;
  const bool keepEdgeLoads = header.hasEdgeWeights && (loadFlags & 2) == 0;
  if (buildGraph(graph, body, graphBase, keepVertexLoads, keepEdgeLoads) != 0) return 1;
  // Adjacency lists are taken as written: one-way edges, repeated
  // neighbours, self loops and unequal or non-positive weights are told
  // apart here rather than met by the ordering code.
  if (graphCheck(graph) != 0) {
    graphFree(graph);
    memset(graph, 0, sizeof(Graph));
    return 1;
  }
  return 0;
}

}  // namespace

int graphLoadMetis(Graph* graph, FILE* stream, GraphNum base, GraphNum loadFlags, const char* name) {
  memset(graph, 0, sizeof(Graph));
  try {
    return loadMetis(graph, stream, base, loadFlags, name);
  } catch (const std::bad_alloc&) {  // the record holds no array before buildGraph, which throws nothing
    errorPrint("%s: out of memory", kOperation);
    return 1;
  }
}

int graphSaveMetis(const Graph* graph, FILE* stream) {
  const GraphNum base = graph->base;
  const bool vertexWeights = graph->vertexLoad != nullptr;
  const bool edgeWeights = graph->edgeLoad != nullptr;
  GraphTextWriter writer{stream};
  writer.print("%d %d", graph->vertexCount, graph->arcCount / 2);
  if (vertexWeights || edgeWeights) writer.print(" %d%d", vertexWeights ? 1 : 0, edgeWeights ? 1 : 0);
  writer.print("\n");
  for (GraphNum vertex = base; vertex < graph->vertexEnd && writer.good; vertex++) {
    const char* separator = "";
    if (vertexWeights) {
      writer.print("%d", graph->vertexLoad[vertex]);
      separator = " ";
    }
    for (GraphNum arc = graph->edgeBegin[vertex]; arc < graph->edgeEnd[vertex]; arc++) {
      writer.print("%s%d", separator, graph->edgeTarget[arc] - base + 1);
      if (edgeWeights) writer.print(" %d", graph->edgeLoad[arc]);
      separator = " ";
    }
    writer.print("\n");
  }
  if (!writer.good) {
    errorPrint("graphSaveMetis: bad output");
    return 1;
  }
  return 0;
}
