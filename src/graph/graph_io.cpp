// The graph file format: loading (graphLoad and its relabelling step
// graphLoad2) and saving (graphSave).
//
// A file holds the version 0, the vertex and arc counts, the file's base and
// a three-digit property number (labels, arc loads, vertex loads), then per
// vertex: [label] [vertex load] degree, and per arc: [arc load] end.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cstring>
#include <memory>

#include "common/integer_read.h"
#include "graph/graph.h"
#include "graph/graph_io.h"

int graphIntLoadUnlocked(FILE* stream, GraphNum* value) {
  int64_t number;
  if (intReadNumber([stream] { return getc_unlocked(stream); },
                    [stream](int character) { ungetc(character, stream); }, INT32_MIN, INT32_MAX, &number) == 0)
    return 0;
  *value = static_cast<GraphNum>(number);
  return 1;
}

namespace {

// Holds the stream's lock for a whole load or save, so that the per
// character reads and writes need not take it each time.
class StreamLock {
 public:
  explicit StreamLock(FILE* stream) : stream_(stream) { flockfile(stream_); }
  ~StreamLock() { funlockfile(stream_); }
  StreamLock(const StreamLock&) = delete;
  StreamLock& operator=(const StreamLock&) = delete;

 private:
  FILE* stream_;
};


// The number reader of graphLoad, for a stream whose lock it holds. A
// graph file must hold nothing but white space after its last vertex, so
// the load reads the stream to its end in any case: the reader takes it in
// blocks and parses them in place, instead of paying a stream call or a
// store into the stream per character, which made most of the load time.
class LoadReader {
 public:
  explicit LoadReader(FILE* stream) : stream_(stream) {}
  LoadReader(const LoadReader&) = delete;
  LoadReader& operator=(const LoadReader&) = delete;

  // The grammar of intReadNumber: after white space, an optional sign
  // directly followed by digits, the character after them left unread; a
  // value out of the 32-bit range is refused, its digits consumed. The
  // digits are scanned with the block pointers held in locals, so that the
  // loop keeps them in registers.
  bool read(GraphNum* value) {
    bool negative;
    const int character = intReadStart([this] { return next(); }, &negative);
    if (character < '0' || character > '9') return false;
    constexpr int64_t kMagnitudeCap = int64_t{1} << 40;  // past every 32-bit value, never overflowing
    int64_t magnitude = character - '0';
    const unsigned char* cursor = cursor_;
    const unsigned char* end = end_;
    for (;;) {
      if (cursor == end) {
        const bool more = refill();
        cursor = cursor_;
        end = end_;
        if (!more) break;
      }
      const unsigned digit = static_cast<unsigned>(*cursor) - '0';
      if (digit > 9) break;
      cursor++;
      if (magnitude < kMagnitudeCap) magnitude = magnitude * 10 + digit;
    }
    cursor_ = cursor;
    const int64_t number = negative ? -magnitude : magnitude;
    if ((number < INT32_MIN) || (number > INT32_MAX)) return false;
    *value = static_cast<GraphNum>(number);
    return true;
  }
  // Whether nothing but white space is left up to the end of the stream,
  // which was read without error.
  bool atEnd() {
    int character;
    do {
      character = next();
    } while (character != EOF && isspace(character));
    return (character == EOF) && (ferror(stream_) == 0);
  }

 private:
  int next() {
    if ((cursor_ == end_) && !refill()) return EOF;
    return *cursor_++;
  }
  bool refill() {
    const size_t length = fread(buffer_, 1, sizeof(buffer_), stream_);
    cursor_ = buffer_;
    end_ = buffer_ + length;
    return length > 0;
  }

  FILE* stream_;
  unsigned char buffer_[1 << 14];
  const unsigned char* cursor_ = buffer_;
  const unsigned char* end_ = buffer_;
};

// Ends a load that failed after its arrays were allocated: releases them and
// clears the record again, so that no stale array address remains in it.
int graphLoadFail(Graph* graph) {
  graphFree(graph);
  memset(graph, 0, sizeof(Graph));
  return 1;
}

// One group of arrays of graphLoad (the vertex arrays, or the arc arrays),
// laid out as memGroupAlloc does: array i holds count + extra[i] entries,
// an absent array none. The group grows as the file is read, from a few
// thousand entries up to the count of the header, so that the memory taken
// follows what the file holds: a header that announces two billion
// vertices in a few bytes costs a few kilobytes before the file runs out.
// Once every entry has been read the group has exactly the layout of a
// group allocated at the header's count.
class LoadGroup {
 public:
  static constexpr size_t kArrayCount = 3;
  static constexpr size_t kInitialCapacity = 4096;

  struct Array {
    GraphNum** pointer;  // null for an absent array
    size_t extra;
  };

  LoadGroup(size_t count, Array first, Array second, Array third)
      : arrays_{first, second, third}, count_(count) {
    for (Array& array : arrays_)
      if (array.pointer == nullptr) array.pointer = &unused_;
  }
  ~LoadGroup() { memFree(block_); }
  LoadGroup(const LoadGroup&) = delete;
  LoadGroup& operator=(const LoadGroup&) = delete;

  // Room for needed entries (at most the count) in every array, keeping
  // what they hold; false when memory is short, the group left as it was.
  bool reserve(size_t needed) {
    if ((block_ != nullptr) && (needed <= capacity_)) return true;
    size_t capacity = (capacity_ > kInitialCapacity / 2) ? 2 * capacity_ : kInitialCapacity;
    if (capacity < needed) capacity = needed;
    if (capacity > count_) capacity = count_;
    size_t oldOffset[kArrayCount];
    for (size_t i = 0; i < kArrayCount; i++)
      oldOffset[i] = (block_ == nullptr) ? 0 : byteOffset(*arrays_[i].pointer);
    void* block = memGroupRealloc(block_, {entry(0, capacity), entry(1, capacity), entry(2, capacity)});
    if (block == nullptr) return false;
    // Every array starts no earlier than it did, and after the end of the
    // arrays before it: moving the last one first overwrites nothing unread.
    if (block_ != nullptr) {
      for (size_t i = kArrayCount; i-- > 0;) {
        if (arrays_[i].pointer == &unused_) continue;
        memmove(*arrays_[i].pointer, static_cast<unsigned char*>(block) + oldOffset[i],
                (capacity_ + arrays_[i].extra) * sizeof(GraphNum));
      }
    }
    block_ = block;
    capacity_ = capacity;
    return true;
  }
  // Hands the block over to the caller (the record), which frees it.
  void release() { block_ = nullptr; }

 private:
  MemGroupEntry entry(size_t index, size_t capacity) {
    const Array& array = arrays_[index];
    const size_t size = (array.pointer == &unused_) ? 0 : (capacity + array.extra) * sizeof(GraphNum);
    return memEntry(*array.pointer, size);
  }
  size_t byteOffset(const GraphNum* array) const {
    return static_cast<size_t>(reinterpret_cast<const unsigned char*>(array) -
                               static_cast<const unsigned char*>(block_));
  }

  Array arrays_[kArrayCount];
  GraphNum* unused_ = nullptr;
  size_t count_;
  size_t capacity_ = 0;
  void* block_ = nullptr;
};

}  // namespace

int graphLoad(Graph* graph, FILE* stream, GraphNum base, GraphNum loadFlags) {
  memset(graph, 0, sizeof(Graph));
  StreamLock lock(stream);
  LoadReader reader(stream);
  auto read = [&reader](GraphNum* value) { return reader.read(value); };

  GraphNum version;
  if (!read(&version)) {
    errorPrint("graphLoad: bad input (1)");
    return 1;
  }
  if (version != 0) {
    errorPrint("graphLoad: old-style graph format no longer supported");
    return 1;
  }

  GraphNum vertexCount;
  GraphNum arcCount;
  GraphNum fileBase;
  GraphNum propertyNumber;
  if (!read(&vertexCount) || !read(&arcCount) || !read(&fileBase) || !read(&propertyNumber) ||
      (static_cast<uint32_t>(propertyNumber) > 111u)) {
    errorPrint("graphLoad: bad input (2)");
    return 1;
  }
  if ((fileBase < 0) || (base < -1)) {
    errorPrint("graphLoad: invalid base");
    return 1;
  }
  const GraphNum graphBase = (base == -1) ? fileBase : base;
  // Every vertex number up to vertexEnd (in the file's base and in the
  // graph's) and every arc index up to base + arcCount must be a GraphNum.
  const int64_t largerBase = (graphBase > fileBase) ? graphBase : fileBase;
  if ((vertexCount < 0) || (largerBase + vertexCount > INT32_MAX)) {
    errorPrint("graphLoad: invalid vertex count");
    return 1;
  }
  if ((arcCount < 0) || (static_cast<int64_t>(graphBase) + arcCount > INT32_MAX)) {
    errorPrint("graphLoad: invalid arc count");
    return 1;
  }

  // The property number stands for three decimal digits, hundreds first.
  const bool hasLabels = (propertyNumber / 100) != 0;
  const bool hasArcLoads = ((propertyNumber / 10) % 10) != 0;
  const bool hasVertexLoads = (propertyNumber % 10) != 0;
  const bool keepVertexLoads = hasVertexLoads && ((loadFlags & 1) == 0);
  const bool keepArcLoads = hasArcLoads && ((loadFlags & 2) == 0);
  // Labelled ends are relabelled into the graph's base later; plain ends move
  // from the file's base to the requested one.
  const GraphNum shift = (hasLabels || (base == -1)) ? 0 : base - fileBase;

  graph->flags = GRAPH_FREE_ALL | GRAPH_VERTEX_GROUP | GRAPH_EDGE_GROUP;
  graph->base = graphBase;
  graph->vertexCount = vertexCount;
  graph->vertexEnd = graphBase + vertexCount;
  graph->arcCount = arcCount;

  // The arrays are set in the record once every vertex has been read; until
  // then the groups own them.
  GraphNum* beginArray = nullptr;
  GraphNum* loadArray = nullptr;
  GraphNum* labelArray = nullptr;
  LoadGroup vertexGroup(static_cast<size_t>(vertexCount), {&beginArray, 1},
                        {keepVertexLoads ? &loadArray : nullptr, 0}, {hasLabels ? &labelArray : nullptr, 0});
  GraphNum* targetArray = nullptr;
  GraphNum* arcLoadArray = nullptr;
  LoadGroup arcGroup(static_cast<size_t>(arcCount), {&targetArray, 0}, {keepArcLoads ? &arcLoadArray : nullptr, 0},
                     {nullptr, 0});
  if (!vertexGroup.reserve(0) || !arcGroup.reserve(0)) {
    errorPrint("graphLoad: out of memory");
    return graphLoadFail(graph);
  }
  const GraphNum vertexEnd = graph->vertexEnd;
  const GraphNum arcLimit = graphBase + arcCount;

  // Sums are accumulated in 64 bits (2^31 values of at most 2^31 cannot
  // overflow them) and must fit a GraphNum at the end.
  GraphNum largestLabel = vertexEnd - 1;
  int64_t vertexLoadSum = keepVertexLoads ? 0 : vertexCount;
  int64_t edgeLoadSum = keepArcLoads ? 0 : arcCount;
  GraphNum maxDegree = 0;
  GraphNum arcIndex = graphBase;
  for (GraphNum vertex = graphBase; vertex < vertexEnd; vertex++) {
    const size_t vertexIndex = static_cast<size_t>(vertex - graphBase);
    if (!vertexGroup.reserve(vertexIndex + 1)) {
      errorPrint("graphLoad: out of memory");
      return graphLoadFail(graph);
    }
    if (hasLabels) {
      GraphNum label;
      if (!read(&label)) {
        errorPrint("graphLoad: bad input (3)");
        return graphLoadFail(graph);
      }
      if (label < 0) {
        errorPrint("graphLoad: negative vertex label");
        return graphLoadFail(graph);
      }
      labelArray[vertexIndex] = label;
      if (label > largestLabel) largestLabel = label;
    }
    if (hasVertexLoads) {
      GraphNum load;
      if (!read(&load)) {
        errorPrint("graphLoad: bad input (4)");
        return graphLoadFail(graph);
      }
      if (keepVertexLoads) {
        loadArray[vertexIndex] = load;
        vertexLoadSum += load;
      }
    }
    GraphNum degree;
    if (!read(&degree)) {
      errorPrint("graphLoad: bad input (5)");
      return graphLoadFail(graph);
    }
    beginArray[vertexIndex] = arcIndex;
    if (degree < 0) {
      errorPrint("graphLoad: negative vertex degree");
      return graphLoadFail(graph);
    }
    if (static_cast<int64_t>(arcIndex) + degree > arcLimit) {
      errorPrint("graphLoad: invalid arc count (1)");
      return graphLoadFail(graph);
    }
    for (GraphNum arcNumber = 0; arcNumber < degree; arcNumber++, arcIndex++) {
      const size_t arcOffset = static_cast<size_t>(arcIndex - graphBase);
      if (!arcGroup.reserve(arcOffset + 1)) {
        errorPrint("graphLoad: out of memory");
        return graphLoadFail(graph);
      }
      if (hasArcLoads) {
        GraphNum load;
        if (!read(&load)) {
          errorPrint("graphLoad: bad input (6)");
          return graphLoadFail(graph);
        }
        if (keepArcLoads) {
          arcLoadArray[arcOffset] = load;
          edgeLoadSum += load;
        }
      }
      GraphNum end;
      if (!read(&end)) {
        errorPrint("graphLoad: bad input (7)");
        return graphLoadFail(graph);
      }
      if (hasLabels && (end < 0)) {
        errorPrint("graphLoad: negative arc end label");
        return graphLoadFail(graph);
      }
      // Ends are not checked here: shifting wraps rather than overflows, and
      // a consistency check (graphCheck) tells out-of-range ends.
      targetArray[arcOffset] = static_cast<GraphNum>(static_cast<uint32_t>(end) + static_cast<uint32_t>(shift));
    }
    if (degree > maxDegree) maxDegree = degree;
  }
  // Every vertex has been read: the groups are at their full size (the arc
  // group too, unless the arc count check below fails), and go to the record.
  if (!vertexGroup.reserve(static_cast<size_t>(vertexCount))) {
    errorPrint("graphLoad: out of memory");
    return graphLoadFail(graph);
  }
  beginArray[vertexCount] = arcIndex;
  if (arcIndex != arcLimit) {
    errorPrint("graphLoad: invalid arc count (2)");
    return graphLoadFail(graph);
  }
  vertexGroup.release();
  arcGroup.release();
  graph->edgeBegin = beginArray - graphBase;
  graph->edgeEnd = graph->edgeBegin + 1;
  graph->vertexLoad = keepVertexLoads ? loadArray - graphBase : nullptr;
  graph->vertexLabel = hasLabels ? labelArray - graphBase : nullptr;
  graph->edgeTarget = targetArray - graphBase;
  graph->edgeLoad = keepArcLoads ? arcLoadArray - graphBase : nullptr;
  // A file that holds more than its header describes is not the file its
  // header describes: a count that was cut short, or two files run together.
  if (!reader.atEnd()) {
    errorPrint("graphLoad: unexpected data after the last vertex");
    return graphLoadFail(graph);
  }
  if ((vertexLoadSum > INT32_MAX) || (vertexLoadSum < INT32_MIN)) {
    errorPrint("graphLoad: vertex load sum overflow");
    return graphLoadFail(graph);
  }
  if ((edgeLoadSum > INT32_MAX) || (edgeLoadSum < INT32_MIN)) {
    errorPrint("graphLoad: edge load sum overflow");
    return graphLoadFail(graph);
  }
  graph->edgeLoadSum = static_cast<GraphNum>(edgeLoadSum);
  graph->maxDegree = maxDegree;
  graph->vertexLoadSum = static_cast<GraphNum>(vertexLoadSum);

  if (hasLabels && (graphLoad2(graphBase, vertexEnd, graph->edgeBegin, graph->edgeEnd, graph->edgeTarget,
                               largestLabel, graph->vertexLabel) != 0)) {
    errorPrint("graphLoad: cannot relabel vertices");
    return graphLoadFail(graph);
  }
  return 0;
}

namespace {

// Maps labels to vertex numbers. Labels that stay below a small multiple of
// the vertex count index a plain table; larger ones are kept as (label,
// vertex) pairs sorted by label and found by binary search, so that one
// huge label does not cost a table of that many entries, and no choice of
// labels costs more than n log n time (labels chosen to collide would make
// a hash table take time quadratic in the vertex count).
class LabelIndex {
 public:
  // Returns false when memory is short.
  bool init(GraphNum largestLabel, GraphNum vertexCount) {
    const uint64_t directSize = (largestLabel < 0) ? 0 : static_cast<uint64_t>(largestLabel) + 1;
    sorted_ = directSize > 4 * static_cast<uint64_t>(vertexCount) + 1024;
    size_ = sorted_ ? static_cast<uint64_t>(vertexCount) : directSize;
    table_.reset(static_cast<GraphNum*>(memAlloc(size_ * (sorted_ ? 2 : 1) * sizeof(GraphNum))));
    if (table_ == nullptr) return false;
    if (!sorted_) memset(table_.get(), 0xFF, size_ * sizeof(GraphNum));  // every entry -1
    return true;
  }

  // Returns false when the label is already taken (in the sorted form, a
  // repeated label is only told by complete()).
  bool insert(GraphNum label, GraphNum vertex) {
    if (sorted_) {
      LabelPair* pairs = reinterpret_cast<LabelPair*>(table_.get());
      pairs[pairCount_++] = LabelPair{label, vertex};
      return true;
    }
    if (table_[label] != -1) return false;
    table_[label] = vertex;
    return true;
  }

  // To be called once every label is in, before any find; false when a
  // label was given twice.
  bool complete() {
    if (!sorted_) return true;
    LabelPair* pairs = reinterpret_cast<LabelPair*>(table_.get());
    std::sort(pairs, pairs + pairCount_, [](const LabelPair& a, const LabelPair& b) { return a.label < b.label; });
    for (uint64_t i = 1; i < pairCount_; i++)
      if (pairs[i].label == pairs[i - 1].label) return false;
    return true;
  }

  // The vertex of a label of [0, largestLabel], or -1.
  GraphNum find(GraphNum label) const {
    if (!sorted_) return table_[label];
    const LabelPair* pairs = reinterpret_cast<const LabelPair*>(table_.get());
    const LabelPair* found = std::lower_bound(pairs, pairs + pairCount_, label,
                                              [](const LabelPair& pair, GraphNum key) { return pair.label < key; });
    return (found != pairs + pairCount_ && found->label == label) ? found->vertex : -1;
  }

 private:
  struct LabelPair {
    GraphNum label;
    GraphNum vertex;
  };
  static_assert(sizeof(LabelPair) == 2 * sizeof(GraphNum), "pairs fill two table entries");

  bool sorted_ = false;
  uint64_t size_ = 0;       // entries of the plain table, or room for pairs
  uint64_t pairCount_ = 0;  // pairs inserted (sorted form)
  std::unique_ptr<GraphNum[], MemFreeDeleter> table_;
};

}  // namespace

int graphLoad2(GraphNum base, GraphNum vertexEnd, const GraphNum* edgeBegin, const GraphNum* edgeEnd,
               GraphNum* edgeTarget, GraphNum largestLabel, const GraphNum* vertexLabel) {
  const GraphNum vertexCount = (vertexEnd > base) ? vertexEnd - base : 0;
  LabelIndex index;
  if (!index.init(largestLabel, vertexCount)) {
    errorPrint("graphLoad2: out of memory");
    return 1;
  }
  for (GraphNum vertex = base; vertex < vertexEnd; vertex++) {
    const GraphNum label = vertexLabel[vertex];
    if ((label < 0) || (label > largestLabel)) {  // the table only covers [0, largestLabel]
      errorPrint("graphLoad2: invalid vertex label");
      return 1;
    }
    if (!index.insert(label, vertex)) {
      errorPrint("graphLoad2: duplicate vertex label");
      return 1;
    }
  }
  if (!index.complete()) {
    errorPrint("graphLoad2: duplicate vertex label");
    return 1;
  }
  for (GraphNum vertex = base; vertex < vertexEnd; vertex++) {
    for (GraphNum arc = edgeBegin[vertex]; arc < edgeEnd[vertex]; arc++) {
      const GraphNum label = edgeTarget[arc];
      if ((label > largestLabel) || (label < 0)) {
        errorPrint("graphLoad2: invalid arc end number (1)");
        return 1;
      }
      const GraphNum end = index.find(label);
      if (end == -1) {
        errorPrint("graphLoad2: invalid arc end number (2)");
        return 1;
      }
      edgeTarget[arc] = end;
    }
  }
  return 0;
}

namespace {

// Character output on a stream whose lock the caller holds. Each operation
// returns false when a character could not be written.
class StreamWriter {
 public:
  explicit StreamWriter(FILE* stream) : stream_(stream) {}

  bool character(char value) { return putc_unlocked(value, stream_) != EOF; }

  bool number(GraphNum value) {  // as "%d"
    char buffer[16];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    for (const char* pointer = buffer; pointer < result.ptr; pointer++)
      if (putc_unlocked(*pointer, stream_) == EOF) return false;
    return true;
  }

 private:
  FILE* stream_;
};

}  // namespace

int graphSave(const Graph* graph, FILE* stream) {
  StreamLock lock(stream);
  const GraphNum* const vertexLabel = graph->vertexLabel;
  const GraphNum* const vertexLoad = graph->vertexLoad;
  const GraphNum* const edgeLoad = graph->edgeLoad;
  const char properties[4] = {(vertexLabel != nullptr) ? '1' : '0', (edgeLoad != nullptr) ? '1' : '0',
                              (vertexLoad != nullptr) ? '1' : '0', '\0'};
  if (fprintf(stream, "0\n%d\t%d\n%d\t%3s\n", graph->vertexCount, graph->arcCount, graph->base, properties) < 0) {
    errorPrint("graphSave: bad output (1)");
    return 1;
  }

  StreamWriter writer(stream);
  for (GraphNum vertex = graph->base; vertex < graph->vertexEnd; vertex++) {
    bool written = true;
    if (vertexLabel != nullptr) written = written && writer.number(vertexLabel[vertex]) && writer.character('\t');
    if (vertexLoad != nullptr) written = written && writer.number(vertexLoad[vertex]) && writer.character('\t');
    written = written && writer.number(graph->edgeEnd[vertex] - graph->edgeBegin[vertex]);
    // After a failed write the rest of the line's arcs is skipped.
    for (GraphNum arc = graph->edgeBegin[vertex]; written && (arc < graph->edgeEnd[vertex]); arc++) {
      written = writer.character('\t');
      if (edgeLoad != nullptr) written = written && writer.number(edgeLoad[arc]) && writer.character('\t');
      const GraphNum end = graph->edgeTarget[arc];
      written = written && writer.number((vertexLabel != nullptr) ? vertexLabel[end] : end);
    }
    const bool newline = writer.character('\n');  // the line is closed even after a failure
    if (!written || !newline) {
      errorPrint("graphSave: bad output (2)");
      return 1;
    }
  }
  // Buffered data reaches the file only here: a failure to deliver it is a
  // failure of the save, not something for the caller to discover later.
  if (fflush(stream) != 0) {
    errorPrint("graphSave: bad output (3)");
    return 1;
  }
  return 0;
}
