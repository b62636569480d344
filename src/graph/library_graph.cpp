// Public graph operations: the caller holds an opaque PLYXEN_Graph handle
// that is a Graph record inside.
#include <cmath>
#include <cstdlib>

#include "graph/graph.h"
#include "plyxen.h"

static_assert(sizeof(PLYXEN_Graph) >= sizeof(Graph), "the public graph handle cannot hold a Graph");
static_assert(alignof(PLYXEN_Graph) % alignof(Graph) == 0, "the public graph handle is not aligned for a Graph");

namespace {

Graph* graphOf(PLYXEN_Graph* handle) { return reinterpret_cast<Graph*>(handle); }
const Graph* graphOf(const PLYXEN_Graph* handle) { return reinterpret_cast<const Graph*>(handle); }

// Caller arrays come from their first element; the record addresses them
// from base.
GraphNum* shiftedArray(const PLYXEN_Num* array, GraphNum base) {
  return (array == nullptr) ? nullptr : const_cast<GraphNum*>(array) - base;
}

// Stored arrays go back to the caller from their first element.
PLYXEN_Num* firstElement(GraphNum* array, GraphNum base) { return (array == nullptr) ? nullptr : array + base; }

}  // namespace

extern "C" {

PLYXEN_Graph* PLYXEN_graphAlloc(void) { return static_cast<PLYXEN_Graph*>(memAlloc(sizeof(PLYXEN_Graph))); }

int PLYXEN_graphRecordSize(void) { return static_cast<int>(sizeof(Graph)); }

int PLYXEN_graphInit(PLYXEN_Graph* graph) { return graphInit(graphOf(graph)); }

void PLYXEN_graphExit(PLYXEN_Graph* graph) { graphExit(graphOf(graph)); }

void PLYXEN_graphFree(PLYXEN_Graph* graph) { graphFree(graphOf(graph)); }

int PLYXEN_graphLoad(PLYXEN_Graph* graph, FILE* stream, PLYXEN_Num base, PLYXEN_Num flags) {
  if (static_cast<uint32_t>(flags) > 3u) {  // negative values too
    errorPrint("PLYXEN_graphLoad: invalid flag parameter");
    return 1;
  }
  if (base < -1) {
    errorPrint("PLYXEN_graphLoad: invalid base parameter");
    return 1;
  }
  return graphLoad(graphOf(graph), stream, base, flags);
}

int PLYXEN_graphSave(const PLYXEN_Graph* graph, FILE* stream) { return graphSave(graphOf(graph), stream); }

int PLYXEN_graphBuild(PLYXEN_Graph* handle, PLYXEN_Num base, PLYXEN_Num vertexCount, const PLYXEN_Num* vertexBegin,
                      const PLYXEN_Num* vertexEnd, const PLYXEN_Num* vertexLoad, const PLYXEN_Num* vertexLabel,
                      PLYXEN_Num arcCount, const PLYXEN_Num* arcEnd, const PLYXEN_Num* arcLoad) {
  Graph* graph = graphOf(handle);
  // An optional array equal to another array of the call counts as absent.
  if (vertexEnd == vertexBegin) vertexEnd = nullptr;
  if (vertexLoad == vertexBegin) vertexLoad = nullptr;
  if (vertexLabel == vertexBegin) vertexLabel = nullptr;
  if (arcLoad == arcEnd) arcLoad = nullptr;

  graph->flags = 0;  // the caller keeps every array
  graph->base = base;
  graph->vertexCount = vertexCount;
  graph->vertexEnd = static_cast<GraphNum>(static_cast<uint32_t>(base) + static_cast<uint32_t>(vertexCount));
  graph->edgeBegin = shiftedArray(vertexBegin, base);
  graph->edgeEnd = ((vertexEnd == nullptr) && (graph->edgeBegin != nullptr)) ? graph->edgeBegin + 1
                                                                             : shiftedArray(vertexEnd, base);
  graph->vertexLoad = shiftedArray(vertexLoad, base);
  graph->vertexNumber = nullptr;
  graph->vertexLabel = shiftedArray(vertexLabel, base);
  graph->arcCount = arcCount;
  graph->edgeTarget = shiftedArray(arcEnd, base);
  graph->edgeLoad = shiftedArray(arcLoad, base);
  graph->reserved = nullptr;

  // Sums are taken in 64 bits and stored as GraphNum; a graph whose sums do
  // not fit is told apart by PLYXEN_graphCheck.
  const GraphNum scanEnd = (graph->edgeBegin == nullptr) ? base : graph->vertexEnd;  // no vertex array: no scan
  int64_t vertexLoadSum = vertexCount;
  if (graph->vertexLoad != nullptr) {
    vertexLoadSum = 0;
    for (GraphNum vertex = base; vertex < scanEnd; vertex++) vertexLoadSum += graph->vertexLoad[vertex];
  }
  int64_t edgeLoadSum = arcCount;
  if (graph->edgeLoad != nullptr) {
    edgeLoadSum = 0;
    for (GraphNum vertex = base; vertex < scanEnd; vertex++)
      for (GraphNum arc = graph->edgeBegin[vertex]; arc < graph->edgeEnd[vertex]; arc++)
        edgeLoadSum += graph->edgeLoad[arc];
  }
  GraphNum maxDegree = 0;
  for (GraphNum vertex = base; vertex < scanEnd; vertex++) {
    const GraphNum degree = graph->edgeEnd[vertex] - graph->edgeBegin[vertex];
    if (degree > maxDegree) maxDegree = degree;
  }
  graph->vertexLoadSum = static_cast<GraphNum>(vertexLoadSum);
  graph->edgeLoadSum = static_cast<GraphNum>(edgeLoadSum);
  graph->maxDegree = maxDegree;
  return 0;
}

void PLYXEN_graphSize(const PLYXEN_Graph* handle, PLYXEN_Num* vertexCount, PLYXEN_Num* arcCount) {
  const Graph* graph = graphOf(handle);
  if (vertexCount != nullptr) *vertexCount = graph->vertexCount;
  if (arcCount != nullptr) *arcCount = graph->arcCount;
}

void PLYXEN_graphData(const PLYXEN_Graph* handle, PLYXEN_Num* base, PLYXEN_Num* vertexCount,
                      PLYXEN_Num** vertexBegin, PLYXEN_Num** vertexEnd, PLYXEN_Num** vertexLoad,
                      PLYXEN_Num** vertexLabel, PLYXEN_Num* arcCount, PLYXEN_Num** arcEnd, PLYXEN_Num** arcLoad) {
  const Graph* graph = graphOf(handle);
  const GraphNum graphBase = graph->base;
  if (base != nullptr) *base = graphBase;
  if (vertexCount != nullptr) *vertexCount = graph->vertexCount;
  if (vertexBegin != nullptr) *vertexBegin = firstElement(graph->edgeBegin, graphBase);
  if (vertexEnd != nullptr) *vertexEnd = firstElement(graph->edgeEnd, graphBase);
  if (vertexLoad != nullptr) *vertexLoad = firstElement(graph->vertexLoad, graphBase);
  if (vertexLabel != nullptr) *vertexLabel = firstElement(graph->vertexLabel, graphBase);
  if (arcCount != nullptr) *arcCount = graph->arcCount;
  if (arcEnd != nullptr) *arcEnd = firstElement(graph->edgeTarget, graphBase);
  if (arcLoad != nullptr) *arcLoad = firstElement(graph->edgeLoad, graphBase);
}

void PLYXEN_graphStat(const PLYXEN_Graph* handle, PLYXEN_Num* vertexLoadMin, PLYXEN_Num* vertexLoadMax,
                      PLYXEN_Num* vertexLoadSum, double* vertexLoadAverage, double* vertexLoadDeviation,
                      PLYXEN_Num* degreeMin, PLYXEN_Num* degreeMax, double* degreeAverage, double* degreeDeviation,
                      PLYXEN_Num* edgeLoadMin, PLYXEN_Num* edgeLoadMax, PLYXEN_Num* edgeLoadSum,
                      double* edgeLoadAverage, double* edgeLoadDeviation) {
  const Graph* graph = graphOf(handle);
  const GraphNum base = graph->base;
  const GraphNum vertexEnd = graph->vertexEnd;
  const GraphNum vertexCount = graph->vertexCount;
  const GraphNum arcCount = graph->arcCount;

  // Vertex loads.
  GraphNum loadMin = 0;
  GraphNum loadMax = 0;
  double loadAverage = 0.0;
  double loadDeviation = 0.0;
  if (vertexCount > 0) {
    if (graph->vertexLoad == nullptr) {
      loadMin = loadMax = 1;
      loadAverage = 1.0;
    } else {
      loadMin = loadMax = graph->vertexLoad[base];
      loadAverage = static_cast<double>(graph->vertexLoadSum) / static_cast<double>(vertexCount);
      for (GraphNum vertex = base; vertex < vertexEnd; vertex++) {
        const GraphNum load = graph->vertexLoad[vertex];
        if (load < loadMin) loadMin = load;
        if (load > loadMax) loadMax = load;
        loadDeviation += fabs(static_cast<double>(load) - loadAverage);
      }
      loadDeviation /= static_cast<double>(vertexCount);
    }
  }
  if (vertexLoadMin != nullptr) *vertexLoadMin = loadMin;
  if (vertexLoadMax != nullptr) *vertexLoadMax = loadMax;
  if (vertexLoadSum != nullptr) *vertexLoadSum = graph->vertexLoadSum;
  if (vertexLoadAverage != nullptr) *vertexLoadAverage = loadAverage;
  if (vertexLoadDeviation != nullptr) *vertexLoadDeviation = loadDeviation;

  // Degrees.
  GraphNum smallestDegree = 0;
  GraphNum largestDegree = 0;
  double averageDegree = 0.0;
  double degreeSpread = 0.0;
  if (vertexCount > 0) {
    smallestDegree = largestDegree = graph->edgeEnd[base] - graph->edgeBegin[base];
    averageDegree = static_cast<double>(arcCount) / static_cast<double>(vertexCount);
    for (GraphNum vertex = base; vertex < vertexEnd; vertex++) {
      const GraphNum degree = graph->edgeEnd[vertex] - graph->edgeBegin[vertex];
      if (degree < smallestDegree) smallestDegree = degree;
      if (degree > largestDegree) largestDegree = degree;
      degreeSpread += fabs(static_cast<double>(degree) - averageDegree);
    }
    degreeSpread /= static_cast<double>(vertexCount);
  }
  if (degreeMin != nullptr) *degreeMin = smallestDegree;
  if (degreeMax != nullptr) *degreeMax = largestDegree;
  if (degreeAverage != nullptr) *degreeAverage = averageDegree;
  if (degreeDeviation != nullptr) *degreeDeviation = degreeSpread;

  // Edge loads, over every arc: each edge counts twice in the sum.
  GraphNum arcLoadMin = 0;
  GraphNum arcLoadMax = 0;
  int64_t arcLoadSum = 0;
  double arcLoadAverage = 0.0;
  double arcLoadDeviation = 0.0;
  if (arcCount > 0) {
    if (graph->edgeLoad == nullptr) {
      arcLoadMin = arcLoadMax = 1;
      arcLoadSum = arcCount / 2;  // the number of edges
      arcLoadAverage = 1.0;
    } else {
      bool first = true;
      for (GraphNum vertex = base; vertex < vertexEnd; vertex++)
        for (GraphNum arc = graph->edgeBegin[vertex]; arc < graph->edgeEnd[vertex]; arc++) {
          const GraphNum load = graph->edgeLoad[arc];
          if (first || (load < arcLoadMin)) arcLoadMin = load;
          if (first || (load > arcLoadMax)) arcLoadMax = load;
          first = false;
          arcLoadSum += load;
        }
      arcLoadAverage = static_cast<double>(arcLoadSum) / static_cast<double>(arcCount);
      for (GraphNum vertex = base; vertex < vertexEnd; vertex++)
        for (GraphNum arc = graph->edgeBegin[vertex]; arc < graph->edgeEnd[vertex]; arc++)
          arcLoadDeviation += fabs(static_cast<double>(graph->edgeLoad[arc]) - arcLoadAverage);
      arcLoadDeviation /= static_cast<double>(arcCount);
    }
  }
  if (edgeLoadMin != nullptr) *edgeLoadMin = arcLoadMin;
  if (edgeLoadMax != nullptr) *edgeLoadMax = arcLoadMax;
  if (edgeLoadSum != nullptr) *edgeLoadSum = static_cast<GraphNum>(arcLoadSum);
  if (edgeLoadAverage != nullptr) *edgeLoadAverage = arcLoadAverage;
  if (edgeLoadDeviation != nullptr) *edgeLoadDeviation = arcLoadDeviation;
}

int PLYXEN_graphCheck(const PLYXEN_Graph* graph) { return graphCheck(graphOf(graph)); }

}  // extern "C"
