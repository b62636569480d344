// Shared helpers of the test programs: error capture, small graph builders,
// the shared real graphs and running the built programs.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "graph/graph.h"

// Diverts the error printers for the lifetime of the object: errors are
// recorded in lines and errorPrint returns instead of ending the process.
struct ErrorCapture {
  std::vector<std::string> lines;
  ErrorCapture() { errorRedirect(&lines); }
  ~ErrorCapture() { errorRedirect(nullptr); }
  ErrorCapture(const ErrorCapture&) = delete;
  ErrorCapture& operator=(const ErrorCapture&) = delete;
  // The first recorded line, or "" when none.
  std::string first() const { return lines.empty() ? std::string() : lines.front(); }
  bool contains(const std::string& text) const;
};

// Builds a graph that owns its arrays (freed by graphExit) from an
// undirected edge list with vertices numbered from base. Each edge gives two
// arcs; the arcs of a vertex follow the order of the list. Optional vertex
// loads (one per vertex) and edge loads (one per edge).
void buildGraph(Graph* graph, GraphNum base, GraphNum vertexCount,
                const std::vector<std::pair<GraphNum, GraphNum>>& edges,
                const std::vector<GraphNum>& vertexLoads = {}, const std::vector<GraphNum>& edgeLoads = {});
// Common shapes, vertices numbered from base.
void buildPath(Graph* graph, GraphNum base, GraphNum vertexCount);
void buildGrid(Graph* graph, GraphNum base, GraphNum width, GraphNum height);
void buildComplete(Graph* graph, GraphNum base, GraphNum vertexCount);

// The shared real graphs (file names ending in .grf), or an empty list when
// the folder is absent.
std::vector<std::string> sharedGraphNames();
std::string sharedGraphPath(const std::string& name);
// Loads a shared graph with the given base; fails the test on error.
void loadSharedGraph(Graph* graph, const std::string& name, GraphNum base = -1);

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text);
// A fresh path in the test's temporary folder.
std::string temporaryPath(const std::string& name);
// A device node like the system's full device (every write fails with "no
// space left", reads give zeros), made in the test's temporary folder so that
// no test ever writes to a system path; "" when it cannot be made.
std::string fullDevicePath();

struct ProgramResult {
  int status;  // exit status, or -1 when the program did not exit normally
  std::string out;
  std::string err;
};
// Runs a built program of this project (by file name in the build folder)
// with arguments, capturing both streams.
ProgramResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& input = "");

// The name=value pairs of a line of figures, as plyxen order --stats and
// plyxen stats print them.
std::map<std::string, std::string> figuresOf(const std::string& line);
