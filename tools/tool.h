// The plyxen command-line tool: shared pieces of its commands.
//
// Every failure is reported through errorPrint, which prints one "ERROR: "
// line and ends the process with status 1; output files are written under
// temporary names in their own folder and renamed only once complete, and
// the temporary files still pending when the process ends are removed.
#pragma once

#include <string>
#include <vector>

#include "graph/graph.h"
#include "plyxen.h"

// ---------------------------------------------------------------------------
// Commands (each returns the exit status).

int toolOrder(int argc, char** argv);
int toolStats(int argc, char** argv);
int toolConvert(int argc, char** argv);
int toolBipart(int argc, char** argv);
int toolSpy(int argc, char** argv);

// ---------------------------------------------------------------------------
// Options

struct ToolOption {
  const char* name;     // "-o", "--map", ...
  std::string* value;   // receives the value, or null for a flag
  bool* flag;           // set when the flag is given, or null for an option with a value
};

// Parses the arguments that follow the command name: options (with their
// value as the next argument or after "="), "--help", and positional
// arguments. Returns 0, or 1 after reporting an unknown option or a
// missing value.
int toolParseOptions(const char* command, int argc, char** argv, const std::vector<ToolOption>& options,
                     std::vector<std::string>* positional, bool* help);

// Usage texts, printed on the standard output by --help.
extern const char* const toolUsageMain;
extern const char* const toolUsageOrder;
extern const char* const toolUsageStats;
extern const char* const toolUsageConvert;
extern const char* const toolUsageBipart;

// ---------------------------------------------------------------------------
// Output files

// A file written under a temporary name next to its final name and renamed
// over it by commit. A file never committed is removed, also when the
// process ends through the error printer.
class ToolOutput {
 public:
  ToolOutput() = default;
  ~ToolOutput();
  ToolOutput(const ToolOutput&) = delete;
  ToolOutput& operator=(const ToolOutput&) = delete;
  // Creates the temporary file. Returns 0, or 1 after reporting.
  int open(const std::string& path);
  FILE* stream() const { return stream_; }
  // Flushes, closes and renames the file. Returns 0, or 1 after reporting.
  int commit();

 private:
  std::string path_;
  std::string temporary_;
  FILE* stream_ = nullptr;
};

// ---------------------------------------------------------------------------
// Graph files

enum ToolFormat { FORMAT_NONE = 0, FORMAT_GRF, FORMAT_METIS, FORMAT_MTX };

// Format named by "grf", "metis" or "mtx", or FORMAT_NONE.
ToolFormat toolFormatByName(const std::string& name);
// Format given by the file name's extension (.grf; .graph or .metis; .mtx),
// or FORMAT_NONE.
ToolFormat toolFormatByExtension(const std::string& path);

// A graph read from a file: either loaded by the library (graph files) or
// built over the arrays held here (other formats).
struct ToolGraph {
  PLYXEN_Graph handle;
  std::vector<GraphNum> begin;       // vertexCount + 1 arc indices, in base
  std::vector<GraphNum> target;      // arc ends, in base
  std::vector<GraphNum> vertexLoad;  // empty, or one per vertex
  std::vector<GraphNum> edgeLoad;    // empty, or one per arc
  ToolGraph();
  ~ToolGraph();
  ToolGraph(const ToolGraph&) = delete;
  ToolGraph& operator=(const ToolGraph&) = delete;
  Graph* core() { return reinterpret_cast<Graph*>(&handle); }
};

// Reads a graph file of the given format (FORMAT_NONE: by extension) and
// checks that it describes a proper graph. Returns 0, or 1 after reporting.
int toolGraphRead(ToolGraph* graph, const std::string& path, ToolFormat format, const char* command);
// Writes a graph in the given format. Returns 0, or 1 after reporting.
int toolGraphWrite(const Graph* graph, FILE* stream, ToolFormat format);

// Sets the format named by an option value ("grf", "metis" or "mtx"; left
// as it is when the value is empty). Returns 0, or 1 after reporting.
int toolFormatOption(const char* command, const std::string& name, ToolFormat* format);

// Reads an ordering file written for the graph through the library's
// ordering reader and check; permutation receives, from its first element,
// the position (in the graph's base) of every vertex. Returns 0, or 1 after
// reporting.
int toolOrderingRead(ToolGraph* graph, const std::string& path, const char* command,
                     std::vector<PLYXEN_Num>* permutation);

// Opens a file for reading; reports "cannot open" on failure.
FILE* toolOpenInput(const std::string& path, const char* command);

// ---------------------------------------------------------------------------
// Figures

// Prints the figures of the factor of the graph's matrix under the
// permutation (vertex -> position, from the first element) on the standard
// output, as one line of name=value pairs, optionally followed by the
// column block count and the ordering time. Returns 0 or 1.
int toolPrintStats(const Graph* graph, const GraphNum* permutation, GraphNum columnBlockCount, double seconds);
