// Separation method v: writes the current separation to a numbered file in
// the current directory and leaves it unchanged (a debugging aid).
#include <atomic>
#include <cstdio>

#include "vgraph/vgraph_separate_methods.h"

namespace {

// Number of the next file, process-wide so that no two files of one run
// share a name, and atomic since orderings may run on several threads at
// once: each call takes a number of its own.
std::atomic<int> separateVwFileNumber{0};

}  // namespace

int vgraphSeparateVw(Vgraph* graph, const void*) {
  char name[64];
  snprintf(name, sizeof(name), "vgraphseparatevw_output_%08d.map", separateVwFileNumber.fetch_add(1));

  FILE* stream = fopen(name, "w+");
  if (stream == nullptr) {
    errorPrint("vgraphSeparateVw: cannot open partition file");
    return 1;
  }

  const Graph& core = graph->graph;
  int status = (fprintf(stream, "%d\n", core.vertexCount) >= 1) ? 0 : 1;
  for (GraphNum vertex = core.base; (status == 0) && (vertex < core.vertexEnd); vertex++) {
    const GraphNum number = (core.vertexNumber != nullptr) ? core.vertexNumber[vertex] : vertex;
    if (fprintf(stream, "%d\t%d\n", number, static_cast<int>(graph->parts[vertex])) < 1) status = 1;
  }
  // Buffered output may fail only when it is flushed: closing is a write too.
  if (fclose(stream) != 0) status = 1;
  if (status != 0) {
    errorPrint("vgraphSeparateVw: bad output");
    return 1;
  }
  return 0;
}
