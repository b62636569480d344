// Line-by-line reading of the text exchange formats. The readers built on
// it trust a header's counts only as far as the stream can hold them, so
// the reader tells how many bytes the stream holds when that can be known
// with the standard library alone (a seekable stream).
#include "graph/graph_io_text.h"

#include <cctype>
#include <charconv>
#include <cstring>
#include <strings.h>

namespace {

bool isBlankCharacter(char character) {
  return character == ' ' || character == '\t' || character == '\r' || character == '\v' || character == '\f';
}

}  // namespace

GraphTextReader::GraphTextReader(FILE* stream, const char* operation, const char* kind, const char* name)
    : stream_(stream), operation_(operation), kind_(kind), name_(name) {
  flockfile(stream_);
  // A device may seek without holding anything: a stream that seems empty
  // is read to learn what it holds.
  const long start = ftell(stream_);
  if (start >= 0 && fseek(stream_, 0, SEEK_END) == 0) {
    const long end = ftell(stream_);
    if (end > start) streamBytes_ = end - start;
  }
  if (start >= 0) fseek(stream_, start, SEEK_SET);
  clearerr(stream_);
}

GraphTextReader::~GraphTextReader() { funlockfile(stream_); }

TextLine GraphTextReader::nextLine() {
  line_.clear();
  cursor_ = 0;
  int character = getc_unlocked(stream_);
  if (character == EOF) {
    if (ferror(stream_)) {
      failFile("read error");
      return TextLine::FAILED;
    }
    return TextLine::END;
  }
  lineNumber_++;
  for (; character != EOF && character != '\n'; character = getc_unlocked(stream_)) {
    bytesRead_++;
    const unsigned char byte = static_cast<unsigned char>(character);
    if ((byte < 0x20 && !isBlankCharacter(static_cast<char>(byte))) || byte == 0x7f) {
      fail("unexpected control character (code %d)", byte);
      return TextLine::FAILED;
    }
    line_.push_back(static_cast<char>(byte));
  }
  if (character == '\n') bytesRead_++;
  if (ferror(stream_)) {
    failFile("read error");
    return TextLine::FAILED;
  }
  return TextLine::LINE;
}

bool GraphTextReader::nextWord(std::string_view* word) {
  while (cursor_ < line_.size() && isBlankCharacter(line_[cursor_])) cursor_++;
  const size_t start = cursor_;
  while (cursor_ < line_.size() && !isBlankCharacter(line_[cursor_])) cursor_++;
  *word = std::string_view(line_).substr(start, cursor_ - start);
  return cursor_ > start;
}

bool GraphTextReader::lineIsBlank() const {
  for (char character : line_)
    if (!isBlankCharacter(character)) return false;
  return true;
}

bool GraphTextReader::lineIsComment() const {
  for (char character : line_)
    if (!isBlankCharacter(character)) return character == '%';
  return false;
}

int GraphTextReader::report(bool withLine, const char* format, va_list arguments) {
  char reason[256];
  vsnprintf(reason, sizeof(reason), format, arguments);
  std::string where = withLine ? "line " + std::to_string(lineNumber_) + ": " : std::string();
  if (name_ != nullptr)
    errorPrint("%s: bad %s file \"%s\" (%s%s)", operation_, kind_, name_, where.c_str(), reason);
  else
    errorPrint("%s: bad %s file (%s%s)", operation_, kind_, where.c_str(), reason);
  return 1;
}

int GraphTextReader::fail(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  report(true, format, arguments);
  va_end(arguments);
  return 1;
}

int GraphTextReader::failFile(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  report(false, format, arguments);
  va_end(arguments);
  return 1;
}

TextNumber textParseNum(std::string_view word, GraphNum* value) {
  if (!textIsInteger(word)) return TextNumber::INVALID;
  const bool negative = word[0] == '-';
  if (word[0] == '-' || word[0] == '+') word.remove_prefix(1);
  int64_t magnitude = 0;
  for (char digit : word) {
    magnitude = magnitude * 10 + (digit - '0');
    if (magnitude > int64_t{INT32_MAX} + 1) return TextNumber::OUT_OF_RANGE;
  }
  const int64_t signedValue = negative ? -magnitude : magnitude;
  if (signedValue > INT32_MAX) return TextNumber::OUT_OF_RANGE;
  *value = static_cast<GraphNum>(signedValue);
  return TextNumber::OK;
}

bool textIsInteger(std::string_view word) {
  if (!word.empty() && (word[0] == '-' || word[0] == '+')) word.remove_prefix(1);
  if (word.empty()) return false;
  for (char digit : word)
    if (digit < '0' || digit > '9') return false;
  return true;
}

bool textIsReal(std::string_view word) {
  const bool plus = !word.empty() && word[0] == '+';  // from_chars takes a minus sign only
  if (plus) word.remove_prefix(1);
  if (word.empty() || (plus && word[0] == '-')) return false;
  double value;
  const std::from_chars_result result = std::from_chars(word.data(), word.data() + word.size(), value);
  // A value too large or too small for a double is still a number.
  return result.ptr == word.data() + word.size() &&
         (result.ec == std::errc() || result.ec == std::errc::result_out_of_range);
}

bool textIsKeyword(std::string_view word, const char* keyword) {
  return word.size() == strlen(keyword) && strncasecmp(word.data(), keyword, word.size()) == 0;
}

void GraphTextWriter::print(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  if (vfprintf(stream, format, arguments) < 0) good = false;
  va_end(arguments);
}

void graphTextAdopt(Graph* graph, GraphNum base, GraphNum vertexCount, GraphNum* begin, GraphNum* vertexLoad,
                    GraphNum vertexLoadSum, GraphNum arcCount, GraphNum* target, GraphNum* edgeLoad,
                    GraphNum edgeLoadSum, GraphNum maxDegree) {
  graph->flags = GRAPH_FREE_ALL | GRAPH_VERTEX_GROUP | GRAPH_EDGE_GROUP;
  graph->base = base;
  graph->vertexCount = vertexCount;
  graph->vertexEnd = base + vertexCount;
  graph->edgeBegin = begin - base;
  graph->edgeEnd = graph->edgeBegin + 1;
  graph->vertexLoad = (vertexLoad != nullptr) ? vertexLoad - base : nullptr;
  graph->vertexLoadSum = vertexLoadSum;
  graph->vertexNumber = nullptr;
  graph->vertexLabel = nullptr;
  graph->arcCount = arcCount;
  graph->edgeTarget = target - base;
  graph->edgeLoad = (edgeLoad != nullptr) ? edgeLoad - base : nullptr;
  graph->edgeLoadSum = edgeLoadSum;
  graph->maxDegree = maxDegree;
  graph->reserved = nullptr;
}
