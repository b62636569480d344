// Line-by-line reading of the text exchange formats (METIS graph files and
// Matrix Market files): lines, blank-separated words, integers and reals,
// the size of what the stream still holds, and messages that name the file
// and the line of a fault.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

#include "graph/graph.h"

enum class TextLine { LINE, END, FAILED };

enum class TextNumber { OK, INVALID, OUT_OF_RANGE };

class GraphTextReader {
 public:
  // operation and kind begin the messages ("graphLoadMetis", "METIS graph");
  // name is the file's name, or null when the caller has none. The stream
  // stays locked for the reader's lifetime.
  GraphTextReader(FILE* stream, const char* operation, const char* kind, const char* name);
  ~GraphTextReader();
  GraphTextReader(const GraphTextReader&) = delete;
  GraphTextReader& operator=(const GraphTextReader&) = delete;

  // Reads the next line (without its end of line). FAILED after reporting
  // a read error or a control character, which no text of these formats
  // holds (and which ends a binary or endless input at once).
  TextLine nextLine();
  // Next word of the current line; false when none is left.
  bool nextWord(std::string_view* word);
  bool lineIsBlank() const;
  // A line whose first visible character is '%'.
  bool lineIsComment() const;
  size_t lineNumber() const { return lineNumber_; }

  // Bytes the stream held when the reader started, or -1 when that is not
  // known (a pipe, a terminal); bytes read since.
  int64_t streamBytes() const { return streamBytes_; }
  int64_t bytesRead() const { return bytesRead_; }
  // Bytes left to read, or -1 when not known.
  int64_t bytesLeft() const { return (streamBytes_ < 0) ? -1 : streamBytes_ - bytesRead_; }

  // Report "<operation>: bad <kind> file "<name>" (line N: <reason>)", or
  // without the line for faults of the whole file; return 1.
  int fail(const char* format, ...) __attribute__((format(printf, 2, 3)));
  int failFile(const char* format, ...) __attribute__((format(printf, 2, 3)));

 private:
  int report(bool withLine, const char* format, va_list arguments);

  FILE* stream_;
  const char* operation_;
  const char* kind_;
  const char* name_;
  std::string line_;
  size_t cursor_ = 0;
  size_t lineNumber_ = 0;
  int64_t streamBytes_ = -1;
  int64_t bytesRead_ = 0;
};

// A whole word made of an optional sign and decimal digits, whose value
// fits a GraphNum.
TextNumber textParseNum(std::string_view word, GraphNum* value);
// A whole word made of an optional sign and decimal digits, of any length.
bool textIsInteger(std::string_view word);
// A whole word holding a decimal floating-point number.
bool textIsReal(std::string_view word);
// Case-insensitive comparison of a word with a keyword.
bool textIsKeyword(std::string_view word, const char* keyword);

// Formatted writing that remembers whether every write succeeded.
struct GraphTextWriter {
  FILE* stream;
  bool good = true;
  void print(const char* format, ...) __attribute__((format(printf, 2, 3)));
};

// Fills the record of a graph loaded from an exchange format, which now
// owns the arrays (given from their first element, each pair grouped in one
// block as graphLoad groups them: begin with vertexLoad, target with
// edgeLoad; absent loads are null).
void graphTextAdopt(Graph* graph, GraphNum base, GraphNum vertexCount, GraphNum* begin, GraphNum* vertexLoad,
                    GraphNum vertexLoadSum, GraphNum arcCount, GraphNum* target, GraphNum* edgeLoad,
                    GraphNum edgeLoadSum, GraphNum maxDegree);
