// Public operations on the graph exchange formats: METIS graph files and
// Matrix Market coordinate files, read into and written from a graph
// handle.
#include "graph/graph_io_formats.h"
#include "plyxen.h"

namespace {

Graph* graphOf(PLYXEN_Graph* handle) { return reinterpret_cast<Graph*>(handle); }
const Graph* graphOf(const PLYXEN_Graph* handle) { return reinterpret_cast<const Graph*>(handle); }

}  // namespace

extern "C" {

int PLYXEN_graphLoadMetis(PLYXEN_Graph* graph, FILE* stream, PLYXEN_Num base, PLYXEN_Num flags) {
  if (static_cast<uint32_t>(flags) > 3u) {  // negative values too
    errorPrint("PLYXEN_graphLoadMetis: invalid flag parameter");
    return 1;
  }
  if (base < -1) {
    errorPrint("PLYXEN_graphLoadMetis: invalid base parameter");
    return 1;
  }
  return graphLoadMetis(graphOf(graph), stream, base, flags, nullptr);
}

int PLYXEN_graphSaveMetis(const PLYXEN_Graph* graph, FILE* stream) { return graphSaveMetis(graphOf(graph), stream); }

int PLYXEN_graphLoadMatrixMarket(PLYXEN_Graph* graph, FILE* stream, PLYXEN_Num base) {
  if (base < -1) {
    errorPrint("PLYXEN_graphLoadMatrixMarket: invalid base parameter");
    return 1;
  }
  return graphLoadMatrixMarket(graphOf(graph), stream, base, nullptr);
}

int PLYXEN_graphSaveMatrixMarket(const PLYXEN_Graph* graph, FILE* stream) {
  return graphSaveMatrixMarket(graphOf(graph), stream);
}

}  // extern "C"
