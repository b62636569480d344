// Consistency check of a Graph held in memory, in time linear in the size
// of the graph.
//
// What a well-formed graph satisfies:
// - base >= 0, vertexCount >= 0, vertexEnd = base + vertexCount, arcCount
//   >= 0, and every vertex number and arc index fits a GraphNum;
// - every vertex has edgeBegin[v] <= edgeEnd[v], its arcs (if any) inside
//   [base, base + arcCount); in compact form (edgeEnd = edgeBegin + 1) the
//   lists cover that range exactly, otherwise (lists with gaps between them)
//   they hold at most arcCount arcs;
// - vertex loads, when present, are positive and add up to vertexLoadSum,
//   which is vertexCount otherwise;
// - every arc end lies in [base, vertexEnd), differs from its vertex, occurs
//   once in the vertex's list and is matched by the reverse arc, with the
//   same load when arcs carry loads;
// - arc loads, when present, are positive and add up to edgeLoadSum over the
//   arcs of the lists; without arc loads edgeLoadSum is arcCount;
// - maxDegree bounds every degree from above (graphs induced from another
//   keep their parent's value, so only the bound is required).
#include <climits>
#include <memory>

#include "graph/graph.h"

namespace {

using ScratchArray = std::unique_ptr<GraphNum[], MemFreeDeleter>;

ScratchArray scratchAlloc(size_t count) {
  return ScratchArray(static_cast<GraphNum*>(memAlloc(count * sizeof(GraphNum))));
}

}  // namespace

int graphCheck(const Graph* graph) {
  const GraphNum base = graph->base;
  const GraphNum vertexCount = graph->vertexCount;
  const GraphNum vertexEnd = graph->vertexEnd;
  const GraphNum arcCount = graph->arcCount;

  if (base < 0) {
    errorPrint("graphCheck: invalid base");
    return 1;
  }
  if ((vertexCount < 0) || (static_cast<int64_t>(base) + vertexCount > INT32_MAX) ||
      (vertexEnd != base + vertexCount)) {
    errorPrint("graphCheck: invalid vertex count");
    return 1;
  }
  if ((arcCount < 0) || (static_cast<int64_t>(base) + arcCount > INT32_MAX)) {
    errorPrint("graphCheck: invalid arc count");
    return 1;
  }
  if (((vertexCount > 0) && ((graph->edgeBegin == nullptr) || (graph->edgeEnd == nullptr))) ||
      ((arcCount > 0) && (graph->edgeTarget == nullptr))) {
    errorPrint("graphCheck: missing array");
    return 1;
  }
  const GraphNum* const edgeBegin = graph->edgeBegin;
  const GraphNum* const edgeEnd = graph->edgeEnd;
  const GraphNum* const edgeTarget = graph->edgeTarget;
  const GraphNum* const edgeLoad = graph->edgeLoad;
  const GraphNum* const vertexLoad = graph->vertexLoad;
  // A record without vertex arrays (an empty graph) counts as compact.
  const bool compact = (edgeBegin == nullptr) || (edgeEnd == edgeBegin + 1);
  const GraphNum arcLimit = base + arcCount;

  // Vertices: arc ranges, degrees and loads.
  int64_t degreeSum = 0;
  int64_t vertexLoadSum = 0;
  GraphNum largestDegree = 0;
  for (GraphNum vertex = base; vertex < vertexEnd; vertex++) {
    const GraphNum begin = edgeBegin[vertex];
    const GraphNum end = edgeEnd[vertex];
    if (begin > end) {
      errorPrint("graphCheck: inverted arc range at vertex %d", vertex);
      return 1;
    }
    // An empty list touches no arc, wherever it points (the solver's empty
    // rows start at 0).
    if ((begin < end) && ((begin < base) || (end > arcLimit))) {
      errorPrint("graphCheck: arcs of vertex %d outside the arc array", vertex);
      return 1;
    }
    degreeSum += end - begin;
    if (end - begin > largestDegree) largestDegree = end - begin;
    if (vertexLoad != nullptr) {
      if (vertexLoad[vertex] < 1) {
        errorPrint("graphCheck: invalid vertex load at vertex %d", vertex);
        return 1;
      }
      vertexLoadSum += vertexLoad[vertex];
    }
  }
  if (vertexLoad == nullptr) vertexLoadSum = vertexCount;
  if (vertexLoadSum > INT32_MAX) {
    errorPrint("graphCheck: vertex load sum overflow");
    return 1;
  }
  if (vertexLoadSum != graph->vertexLoadSum) {
    errorPrint("graphCheck: invalid vertex load sum");
    return 1;
  }
  // In compact form the lists follow one another from base (each begins
  // where the previous one ends), so covering the range means holding
  // exactly arcCount arcs.
  if (compact ? (((edgeBegin != nullptr) && (edgeBegin[base] != base)) || (degreeSum != arcCount))
              : (degreeSum > arcCount)) {
    errorPrint("graphCheck: arc count does not match the arc lists");
    return 1;
  }
  if (graph->maxDegree < largestDegree) {  // also refuses a negative value
    errorPrint("graphCheck: invalid maximum degree");
    return 1;
  }

  // Arcs: ends in range, no loop, no repeated arc (marker[u] == v while the
  // list of v is scanned and u has been met in it), positive loads. The
  // same pass counts the arcs entering every vertex for the reverse check.
  ScratchArray markerArray = scratchAlloc(static_cast<size_t>(vertexCount));
  ScratchArray enterArray = scratchAlloc(static_cast<size_t>(vertexCount));
  if ((markerArray == nullptr) || (enterArray == nullptr)) {
    errorPrint("graphCheck: out of memory");
    return 1;
  }
  GraphNum* const marker = markerArray.get() - base;
  GraphNum* const enterIndex = enterArray.get() - base;  // count, then index, of each vertex's entering arcs
  for (GraphNum vertex = base; vertex < vertexEnd; vertex++) enterIndex[vertex] = 0;
  for (GraphNum vertex = base; vertex < vertexEnd; vertex++) marker[vertex] = -1;  // no vertex is -1

  int64_t edgeLoadSum = 0;
  for (GraphNum vertex = base; vertex < vertexEnd; vertex++) {
    for (GraphNum arc = edgeBegin[vertex]; arc < edgeEnd[vertex]; arc++) {
      const GraphNum end = edgeTarget[arc];
      if ((end < base) || (end >= vertexEnd)) {
        errorPrint("graphCheck: arc end out of range at vertex %d", vertex);
        return 1;
      }
      if (end == vertex) {
        errorPrint("graphCheck: loop at vertex %d", vertex);
        return 1;
      }
      if (marker[end] == vertex) {
        errorPrint("graphCheck: repeated arc from vertex %d to vertex %d", vertex, end);
        return 1;
      }
      marker[end] = vertex;
      if (edgeLoad != nullptr) {
        if (edgeLoad[arc] < 1) {
          errorPrint("graphCheck: invalid edge load at vertex %d", vertex);
          return 1;
        }
        edgeLoadSum += edgeLoad[arc];
      }
      enterIndex[end]++;
    }
  }
  if (edgeLoad == nullptr) edgeLoadSum = arcCount;
  if (edgeLoadSum > INT32_MAX) {
    errorPrint("graphCheck: edge load sum overflow");
    return 1;
  }
  if (edgeLoadSum != graph->edgeLoadSum) {
    errorPrint("graphCheck: invalid edge load sum");
    return 1;
  }

  // Reverse arcs. A counting sort by end vertex lists, for every vertex u,
  // the arcs entering it (source and load) in increasing source order; then
  // u's own list, marked with its loads, must hold every such source with
  // the same load. Ends are distinct within a list, so this pairs each arc
  // with exactly one reverse arc.
  ScratchArray sourceArray = scratchAlloc(static_cast<size_t>(degreeSum));
  ScratchArray sourceLoadArray = scratchAlloc((edgeLoad != nullptr) ? static_cast<size_t>(degreeSum) : 0);
  ScratchArray markLoadArray = scratchAlloc((edgeLoad != nullptr) ? static_cast<size_t>(vertexCount) : 0);
  if ((sourceArray == nullptr) || (sourceLoadArray == nullptr) || (markLoadArray == nullptr)) {
    errorPrint("graphCheck: out of memory");
    return 1;
  }
  GraphNum* const markLoad = markLoadArray.get() - base;
  {
    GraphNum position = 0;  // prefix sums: enterIndex[u] becomes the start of u's entering arcs
    for (GraphNum vertex = base; vertex < vertexEnd; vertex++) {
      const GraphNum count = enterIndex[vertex];
      enterIndex[vertex] = position;
      position += count;
    }
  }
  for (GraphNum vertex = base; vertex < vertexEnd; vertex++) {
    for (GraphNum arc = edgeBegin[vertex]; arc < edgeEnd[vertex]; arc++) {
      const GraphNum slot = enterIndex[edgeTarget[arc]]++;
      sourceArray[slot] = vertex;
      if (edgeLoad != nullptr) sourceLoadArray[slot] = edgeLoad[arc];
    }
  }
  // After the fill enterIndex[u] is the end of u's entering arcs, which is
  // also where those of u + 1 start.
  for (GraphNum vertex = base; vertex < vertexEnd; vertex++) marker[vertex] = -1;
  GraphNum enterBegin = 0;
  for (GraphNum vertex = base; vertex < vertexEnd; vertex++) {
    for (GraphNum arc = edgeBegin[vertex]; arc < edgeEnd[vertex]; arc++) {
      marker[edgeTarget[arc]] = vertex;
      if (edgeLoad != nullptr) markLoad[edgeTarget[arc]] = edgeLoad[arc];
    }
    for (GraphNum slot = enterBegin; slot < enterIndex[vertex]; slot++) {
      const GraphNum source = sourceArray[slot];
      if (marker[source] != vertex) {
        errorPrint("graphCheck: arc from vertex %d to vertex %d has no reverse arc", source, vertex);
        return 1;
      }
      if ((edgeLoad != nullptr) && (markLoad[source] != sourceLoadArray[slot])) {
        errorPrint("graphCheck: reverse arcs between vertices %d and %d have different loads", source, vertex);
        return 1;
      }
    }
    enterBegin = enterIndex[vertex];
  }
  return 0;
}
