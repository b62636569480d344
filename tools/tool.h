// The plyxen command-line tool: shared pieces of its commands.
//
// Every failure is reported through errorPrint, which prints one "ERROR: "
// line and ends the process with status 1; output files are written under
// temporary names in their own folder and renamed only once complete
// (devices and FIFOs in place), and the temporary files still pending when
// the process ends, or is interrupted, are removed.
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
int toolPartition(int argc, char** argv);
int toolMap(int argc, char** argv);
int toolArch(int argc, char** argv);

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
// missing value; a value that begins with "--" is taken for a forgotten
// value followed by the next option, and refused.
int toolParseOptions(const char* command, int argc, char** argv, const std::vector<ToolOption>& options,
                     std::vector<std::string>* positional, bool* help);

// A whole decimal number of the int range, or false.
bool toolParseInteger(const std::string& text, long* value);

// Usage texts, printed on the standard output by --help.
extern const char* const toolUsageMain;
extern const char* const toolUsageOrder;
extern const char* const toolUsageStats;
extern const char* const toolUsageConvert;
extern const char* const toolUsageBipart;
extern const char* const toolUsagePartition;
extern const char* const toolUsageMap;
extern const char* const toolUsageArch;

// ---------------------------------------------------------------------------
// Output files

// Sets up what every command relies on: pending temporary files removed at
// exit and on SIGINT, SIGTERM and SIGHUP (which then end the process as
// usual), SIGPIPE ignored so that a reader gone away is a write error,
// memory refused to operator new reported as "plyxen: out of memory", and
// freed memory kept for reuse rather than given back to the system.
void toolProcessInit();

// An output file. "-" is the standard output. A regular file (or a new one)
// is written under a temporary name in its folder and renamed over it by
// commit, keeping its permission bits; a symbolic link is followed to the
// file it names, which is replaced; a device or a FIFO is written in place.
// A file never committed is removed, also when the process ends through
// the error printer or a signal. Two outputs of one process may not be the
// same file, nor an output a file read by toolOpenInput.
class ToolOutput {
 public:
  ToolOutput() = default;
  ~ToolOutput();
  ToolOutput(const ToolOutput&) = delete;
  ToolOutput& operator=(const ToolOutput&) = delete;
  // Creates the temporary file, or opens the device or FIFO. Returns 0, or
  // 1 after reporting.
  int open(const std::string& path);
  FILE* stream() const { return stream_; }
  // Flushes, closes and renames the file; any failed write, flush or close
  // is reported. Returns 0, or 1 after reporting.
  int commit();

 private:
  std::string path_;       // as given
  std::string target_;     // the file written: path_ with its links followed
  std::string temporary_;  // empty when written in place
  FILE* stream_ = nullptr;
};

// Whether a path names the standard output.
inline bool toolIsStandardOutput(const std::string& path) { return path == "-"; }

// ---------------------------------------------------------------------------
// Graph files

enum ToolFormat { FORMAT_NONE = 0, FORMAT_GRF, FORMAT_METIS, FORMAT_MTX };

// Format named by "grf", "metis" or "mtx", or FORMAT_NONE.
ToolFormat toolFormatByName(const std::string& name);
// Format given by the file name's extension (.grf; .graph or .metis; .mtx),
// or FORMAT_NONE.
ToolFormat toolFormatByExtension(const std::string& path);

// A graph read from a file by the library, which owns its arrays (METIS and
// Matrix Market files in base 1).
struct ToolGraph {
  PLYXEN_Graph handle;
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

// Opens a file for reading; reports "cannot open" on failure, and refuses
// a file that is also an output of the command.
FILE* toolOpenInput(const std::string& path, const char* command);
// The graph and ordering file loaders read integers that wrap silently in
// 32 bits: a seekable stream is scanned first for a number out of that
// range, refused with its line ("what" names the kind of file), and
// brought back to where it was. Returns 0, or 1 after reporting.
int toolCheckNumbers(FILE* stream, const std::string& path, const char* what);
// Refuses anything but white space left in a file read ("data after the
// last vertex"); what names the kind of file. Returns 0, or 1 after
// reporting.
int toolExpectEnd(FILE* stream, const std::string& path, const char* what);
// Refuses a file read that is also an output of the command (toolOpenInput
// does it). Returns 0, or 1 after reporting.
int toolRegisterInput(const std::string& path, FILE* stream, const char* command);

// ---------------------------------------------------------------------------
// Figures

// Prints the figures of the factor of the graph's matrix under the
// permutation (vertex -> position, from the first element) on the stream,
// as one line of name=value pairs, optionally followed by the column block
// count and the ordering time. Returns 0 or 1.
int toolPrintStats(const Graph* graph, const GraphNum* permutation, GraphNum columnBlockCount, double seconds,
                   FILE* stream = stdout);

// ---------------------------------------------------------------------------
// Progress

// With --verbose, a run that lasts more than two seconds tells on the
// standard error stream which phase it is in: every two seconds a line
// "PHASE: SECONDS s" (time spent in the phase), and a line when a new phase
// starts. Silent otherwise. Runs a timer thread that takes no signal.
class ToolProgress {
 public:
  explicit ToolProgress(bool enabled);
  ~ToolProgress();
  ToolProgress(const ToolProgress&) = delete;
  ToolProgress& operator=(const ToolProgress&) = delete;
  // Starts a phase ("reading", "ordering", ...); the name must outlive it.
  void phase(const char* name);

 private:
  struct State;
  State* state_ = nullptr;
};
