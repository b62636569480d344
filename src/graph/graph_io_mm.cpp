// Matrix Market coordinate files: loading (graphLoadMatrixMarket) and
// saving (graphSaveMatrixMarket).
//
// A file begins with the banner "%%MatrixMarket matrix coordinate FIELD
// SYMMETRY" (keywords in any case), then comment lines beginning with '%',
// then the size line "rows columns entries", then one entry per line: row
// and column from 1, followed by one value (real, integer), two (complex)
// or none (pattern). Only the pattern matters for ordering: the graph of a
// square matrix A is that of A + A^T without the diagonal, whatever the
// symmetry the file declares.
//
// The size line is checked against the matrix (at most rows x columns
// entries, or the lower triangle of a symmetric kind) and against what the
// stream can hold, and the entries are kept as they are read: memory
// follows the file, not its size line.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "graph/graph_io_formats.h"
#include "graph/graph_io_text.h"

namespace {

constexpr const char* kOperation = "graphLoadMatrixMarket";

struct MatrixHeader {
  int valueCount = 0;     // numbers after the indices of an entry
  bool integerValues = false;
  bool symmetric = false;  // only one triangle is stored
  GraphNum rows = 0;
  GraphNum entryCount = 0;
};

// The off-diagonal entries read, from 0.
struct MatrixEntries {
  std::vector<GraphNum> row;
  std::vector<GraphNum> column;
};

int printWord(GraphTextReader& reader, const char* what, std::string_view word) {
  return reader.fail("%s \"%.*s\"", what, static_cast<int>(word.size()), word.data());
}

int readBanner(GraphTextReader& reader, MatrixHeader* header) {
  const TextLine status = reader.nextLine();
  if (status == TextLine::FAILED) return 1;
  if (status == TextLine::END) return reader.failFile("empty file");
  std::string_view banner, object, format, field, symmetry, extra;
  if (!reader.nextWord(&banner) || !textIsKeyword(banner, "%%MatrixMarket"))
    return reader.fail("no \"%%%%MatrixMarket\" banner");
  if (!reader.nextWord(&object) || !reader.nextWord(&format) || !reader.nextWord(&field) ||
      !reader.nextWord(&symmetry) || reader.nextWord(&extra))
    return reader.fail("the banner holds \"%%%%MatrixMarket\" and four keywords");
  if (!textIsKeyword(object, "matrix")) return printWord(reader, "only matrices can be read, not", object);
  if (textIsKeyword(format, "array"))
    return reader.fail("dense \"array\" files cannot be read; store the matrix as \"coordinate\"");
  if (!textIsKeyword(format, "coordinate")) return printWord(reader, "unknown storage format", format);
  if (textIsKeyword(field, "pattern")) {
    header->valueCount = 0;
  } else if (textIsKeyword(field, "real") || textIsKeyword(field, "double")) {
    header->valueCount = 1;
  } else if (textIsKeyword(field, "integer")) {
    header->valueCount = 1;
    header->integerValues = true;
  } else if (textIsKeyword(field, "complex")) {
    header->valueCount = 2;
  } else {
    return printWord(reader, "unknown field type", field);
  }
  if (textIsKeyword(symmetry, "symmetric") || textIsKeyword(symmetry, "skew-symmetric") ||
      textIsKeyword(symmetry, "hermitian"))
    header->symmetric = true;
  else if (!textIsKeyword(symmetry, "general"))
    return printWord(reader, "unknown symmetry", symmetry);
  return 0;
}

// Rows beyond those the entries name hold nothing but still cost memory:
// they are accepted as far as the file's own size, so that a dimension
// that the file does not back is refused.
bool dimensionIsBacked(GraphNum rows, GraphNum entryCount, int64_t fileBytes) {
  return rows <= int64_t{2} * entryCount + fileBytes;
}

int readSizeLine(GraphTextReader& reader, GraphNum graphBase, MatrixHeader* header) {
  TextLine status;
  while ((status = reader.nextLine()) == TextLine::LINE && (reader.lineIsComment() || reader.lineIsBlank())) {
  }
  if (status == TextLine::FAILED) return 1;
  if (status == TextLine::END) return reader.failFile("no size line");
  GraphNum sizes[3];
  std::string_view word;
  for (GraphNum& size : sizes) {
    if (!reader.nextWord(&word)) return reader.fail("the size line holds rows, columns and entries");
    const TextNumber parsed = textParseNum(word, &size);
    if (parsed == TextNumber::INVALID) return printWord(reader, "invalid number in the size line:", word);
    if (parsed == TextNumber::OUT_OF_RANGE) return printWord(reader, "number out of the 32-bit range:", word);
    if (size < 0) return printWord(reader, "negative number in the size line:", word);
  }
  if (reader.nextWord(&word)) return reader.fail("the size line holds rows, columns and entries");
  const GraphNum rows = sizes[0];
  const GraphNum entryCount = sizes[2];
  if (rows != sizes[1]) return reader.fail("the matrix is not square (%d x %d)", rows, sizes[1]);
  if (rows > INT32_MAX - graphBase) return reader.fail("too many rows");
  const int64_t capacity =
      header->symmetric ? int64_t{rows} * (int64_t{rows} + 1) / 2 : int64_t{rows} * int64_t{rows};
  if (entryCount > capacity)
    return reader.fail("%d entries announced, more than a %d x %d %s matrix holds", entryCount, rows, rows,
                       header->symmetric ? "symmetric" : "general");
  // An entry is at least two indices and its values, each a digit and a
  // separator.
  const int64_t bytesLeft = reader.bytesLeft();
  if (bytesLeft >= 0) {
    const int64_t entryBytes = 2 * (2 + header->valueCount);
    if (int64_t{entryCount} * entryBytes - 1 > bytesLeft)
      return reader.fail("%d entries announced, more than the %lld bytes left can hold", entryCount,
                         static_cast<long long>(bytesLeft));
    if (!dimensionIsBacked(rows, entryCount, reader.streamBytes()))
      return reader.fail("%d rows for %d entries, more than a file of %lld bytes backs", rows, entryCount,
                         static_cast<long long>(reader.streamBytes()));
  }
  header->rows = rows;
  header->entryCount = entryCount;
  return 0;
}

int readEntries(GraphTextReader& reader, const MatrixHeader& header, MatrixEntries* entries) {
  // Reserved only when the count was checked against the stream's size.
  if (reader.bytesLeft() >= 0) {
    entries->row.reserve(static_cast<size_t>(header.entryCount));
    entries->column.reserve(static_cast<size_t>(header.entryCount));
  }
  GraphNum entriesRead = 0;
  while (entriesRead < header.entryCount) {
    const TextLine status = reader.nextLine();
    if (status == TextLine::FAILED) return 1;
    if (status == TextLine::END)
      return reader.failFile("%d entries expected, %d found", header.entryCount, entriesRead);
    if (reader.lineIsBlank() || reader.lineIsComment()) continue;
    GraphNum index[2];
    std::string_view word;
    for (GraphNum& value : index) {
      if (!reader.nextWord(&word)) return reader.fail("wrong number of fields in an entry");
      const TextNumber parsed = textParseNum(word, &value);
      if (parsed == TextNumber::INVALID) return printWord(reader, "invalid row or column index", word);
      if (parsed == TextNumber::OUT_OF_RANGE || value < 1 || value > header.rows)
        return reader.fail("row or column index %.*s outside 1..%d", static_cast<int>(word.size()), word.data(),
                           header.rows);
    }
    for (int field = 0; field < header.valueCount; field++) {
      if (!reader.nextWord(&word)) return reader.fail("wrong number of fields in an entry");
      if (header.integerValues ? !textIsInteger(word) : !textIsReal(word))
        return printWord(reader, "invalid value", word);
    }
    if (reader.nextWord(&word)) return reader.fail("wrong number of fields in an entry");
    entriesRead++;
    if (index[0] == index[1]) continue;  // the diagonal is not part of the graph
    entries->row.push_back(index[0] - 1);
    entries->column.push_back(index[1] - 1);
  }
  TextLine status;
  while ((status = reader.nextLine()) == TextLine::LINE)
    if (!reader.lineIsBlank() && !reader.lineIsComment()) return reader.fail("data after the last entry");
  if (status == TextLine::FAILED) return 1;
  // A stream of unknown size is judged by what it held.
  if (!dimensionIsBacked(header.rows, header.entryCount, reader.bytesRead()))
    return reader.failFile("%d rows for %d entries, more than a file of %lld bytes backs", header.rows,
                           header.entryCount, static_cast<long long>(reader.bytesRead()));
  return 0;
}

// Builds the graph of A + A^T from the entries, both arcs of each, in
// arrays that the graph owns: neighbour lists sorted, repeated entries
// (both triangles of a general matrix, duplicates) kept once.
int buildGraph(Graph* graph, const MatrixEntries& entries, GraphNum rows, GraphNum base, GraphTextReader& reader) {
  const size_t arcBound = 2 * entries.row.size();
  if (arcBound > static_cast<size_t>(INT32_MAX - base))
    return reader.failFile("too many entries for 32-bit arc numbers");
  GraphNum* begin;
  GraphNum* target;
  void* vertexBlock = memGroupAlloc({memEntry(begin, (static_cast<size_t>(rows) + 1) * sizeof(GraphNum))});
  void* edgeBlock = memGroupAlloc({memEntry(target, arcBound * sizeof(GraphNum))});
  if (vertexBlock == nullptr || edgeBlock == nullptr) {
    memFree(vertexBlock);
    memFree(edgeBlock);
    errorPrint("%s: out of memory", kOperation);
    return 1;
  }
  // Counting sort by row: begin[v + 1] counts the arcs of v, then
  // begin[v] is where the arcs of v go next while they are placed.
  std::fill(begin, begin + rows + 1, 0);
  for (size_t entry = 0; entry < entries.row.size(); entry++) {
    begin[entries.row[entry] + 1]++;
    begin[entries.column[entry] + 1]++;
  }
  for (GraphNum vertex = 0; vertex < rows; vertex++) begin[vertex + 1] += begin[vertex];
  for (size_t entry = 0; entry < entries.row.size(); entry++) {
    target[begin[entries.row[entry]]++] = entries.column[entry];
    target[begin[entries.column[entry]]++] = entries.row[entry];
  }
  // Now begin[v] is the end of the arcs of v: sort and compact each list,
  // turning the ends into starts in base as the lists move down.
  GraphNum listStart = 0;
  GraphNum kept = 0;
  GraphNum maxDegree = 0;
  for (GraphNum vertex = 0; vertex < rows; vertex++) {
    const GraphNum listEnd = begin[vertex];
    std::sort(target + listStart, target + listEnd);
    begin[vertex] = kept + base;
    const GraphNum first = kept;
    GraphNum previous = -1;  // compared before the move, which may overwrite it in place
    for (GraphNum arc = listStart; arc < listEnd; arc++) {
      const GraphNum neighbour = target[arc];
      if (neighbour != previous) target[kept++] = neighbour + base;
      previous = neighbour;
    }
    maxDegree = std::max(maxDegree, kept - first);
    listStart = listEnd;
  }
  begin[rows] = kept + base;
  // Give back what repeated entries left unused; the block stays valid if
  // it cannot shrink.
  if (static_cast<size_t>(kept) < arcBound)
    if (void* shrunk = memRealloc(edgeBlock, static_cast<size_t>(kept) * sizeof(GraphNum)))
      target = static_cast<GraphNum*>(shrunk);

  graphTextAdopt(graph, base, rows, begin, nullptr, rows, kept, target, nullptr, kept, maxDegree);
  return 0;
}

int loadMatrixMarket(Graph* graph, FILE* stream, GraphNum base, const char* name) {
  GraphTextReader reader(stream, kOperation, "Matrix Market", name);
  const GraphNum graphBase = (base == -1) ? 1 : base;
  MatrixHeader header;
  MatrixEntries entries;
  if (readBanner(reader, &header) != 0 || readSizeLine(reader, graphBase, &header) != 0 ||
      readEntries(reader, header, &entries) != 0)
    return 1;
  return buildGraph(graph, entries, header.rows, graphBase, reader);
}

}  // namespace

int graphLoadMatrixMarket(Graph* graph, FILE* stream, GraphNum base, const char* name) {
  memset(graph, 0, sizeof(Graph));
  try {
    return loadMatrixMarket(graph, stream, base, name);
  } catch (const std::bad_alloc&) {  // the record holds no array before buildGraph, which throws nothing
    errorPrint("%s: out of memory", kOperation);
    return 1;
  }
}

int graphSaveMatrixMarket(const Graph* graph, FILE* stream) {
  const GraphNum base = graph->base;
  GraphTextWriter writer{stream};
  writer.print("%%%%MatrixMarket matrix coordinate pattern symmetric\n");
  writer.print("%d %d %d\n", graph->vertexCount, graph->vertexCount, graph->arcCount / 2);
  for (GraphNum vertex = base; vertex < graph->vertexEnd && writer.good; vertex++)
    for (GraphNum arc = graph->edgeBegin[vertex]; arc < graph->edgeEnd[vertex]; arc++)
      if (graph->edgeTarget[arc] < vertex) writer.print("%d %d\n", vertex - base + 1, graph->edgeTarget[arc] - base + 1);
  if (!writer.good) {
    errorPrint("graphSaveMatrixMarket: bad output");
    return 1;
  }
  return 0;
}
