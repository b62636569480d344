// Induction of the halo graph of a vertex list.
//
// The target's vertices are the listed vertices, in list order, followed by
// the halo: the other neighbours of the listed vertices, in the order in
// which they are met. Arcs of a listed vertex to listed vertices come first
// in its arc range and its halo arcs last; halo vertices keep only their
// arcs to listed vertices.
#include <cstring>

#include "order/hgraph.h"

namespace {

enum InduceStatus { INDUCE_DONE, INDUCE_FAILED, INDUCE_OVERFLOW };

size_t entryBytes(GraphNum count) { return static_cast<size_t>(count > 0 ? count : 0) * sizeof(GraphNum); }

// Exact number of target arcs: the degree of every listed vertex plus one
// arc back from each of its neighbours outside the list. Returns -1 when
// the scratch array cannot be had, the list is out of range or the count
// overflows.
GraphNum hgraphInduceArcCount(const Hgraph* source, GraphNum listCount, const GraphNum* list) {
  const Graph& core = source->graph;
  unsigned char* listed = static_cast<unsigned char*>(memAlloc(static_cast<size_t>(core.vertexCount)));
  if (listed == nullptr) return -1;
  memset(listed, 0, static_cast<size_t>(core.vertexCount));
  for (GraphNum i = 0; i < listCount; i++) {
    if ((list[i] < core.base) || (list[i] >= core.vertexEnd)) {
      memFree(listed);
      return -1;
    }
    listed[list[i] - core.base] = 1;
  }
  int64_t count = 0;
  for (GraphNum i = 0; i < listCount; i++) {
    const GraphNum vertex = list[i];
    count += core.edgeEnd[vertex] - core.edgeBegin[vertex];
    for (GraphNum arc = core.edgeBegin[vertex]; arc < core.edgeEnd[vertex]; arc++)
      if (listed[core.edgeTarget[arc] - core.base] == 0) count++;
  }
  memFree(listed);
  return (count > INT32_MAX) ? -1 : static_cast<GraphNum>(count);
}

// One attempt at the induction with the given halo capacity. When the halo
// or the arcs outgrow the arrays sized from it, everything is released and
// INDUCE_OVERFLOW is returned, before anything is written out of bounds.
InduceStatus hgraphInduceTry(const Hgraph* source, GraphNum listCount, const GraphNum* list, GraphNum haloCapacity,
                             bool wholeArcCount, GraphNum* sharedIndex, Hgraph* target) {
  const Graph& core = source->graph;
  const GraphNum base = core.base;
  const bool hasVertexLoads = core.vertexLoad != nullptr;
  const bool hasEdgeLoads = core.edgeLoad != nullptr;

  hgraphInit(target);
  Graph& graph = target->graph;
  graph.flags = GRAPH_FREE_ALL | GRAPH_VERTEX_GROUP | GRAPH_EDGE_GROUP;
  graph.base = base;

  const GraphNum vertexCapacity = listCount + haloCapacity;
  GraphNum* edgeBegin = nullptr;
  GraphNum* nonHaloEdgeEnd = nullptr;
  GraphNum* vertexLoad = nullptr;
  GraphNum* vertexNumber = nullptr;
  void* vertexBlock = memGroupAlloc({memEntry(edgeBegin, entryBytes(vertexCapacity + 1)),
                                     memEntry(nonHaloEdgeEnd, entryBytes(listCount)),
                                     memEntry(vertexLoad, hasVertexLoads ? entryBytes(vertexCapacity) : 0),
                                     memEntry(vertexNumber, entryBytes(vertexCapacity))});
  if (vertexBlock == nullptr) {
    errorPrint("hgraphInduceList: out of memory (1)");
    graph.flags = 0;
    return INDUCE_FAILED;
  }
  // Arrays addressed by target vertex number, which starts at base.
  edgeBegin -= base;
  nonHaloEdgeEnd -= base;
  if (hasVertexLoads) vertexLoad -= base;
  vertexNumber -= base;
  const GraphNum nonHaloVertexEnd = base + listCount;
  if (listCount > 0) memcpy(vertexNumber + base, list, entryBytes(listCount));

  // A cheap bound on the arcs first: every target vertex has at most the
  // largest source degree; the exact count is only made if that fails.
  GraphNum arcCapacity = core.arcCount;
  if (!wholeArcCount && (core.maxDegree > 0) && (vertexCapacity < core.arcCount / core.maxDegree))
    arcCapacity = vertexCapacity * core.maxDegree;
  const GraphNum arcFactor = hasEdgeLoads ? 2 : 1;
  GraphNum* edgeTarget = nullptr;
  // Source vertex -> target vertex, or -1: the caller's array when it keeps
  // one, else a scratch array behind the arcs.
  GraphNum* index = nullptr;
  const size_t indexBytes = (sharedIndex == nullptr) ? entryBytes(core.vertexCount) : 0;
  void* arcBlock =
      memGroupAlloc({memEntry(edgeTarget, entryBytes(arcCapacity) * arcFactor), memEntry(index, indexBytes)});
  if (arcBlock == nullptr) {
    arcCapacity = hgraphInduceArcCount(source, listCount, list);
    if (arcCapacity >= 0)
      arcBlock =
          memGroupAlloc({memEntry(edgeTarget, entryBytes(arcCapacity) * arcFactor), memEntry(index, indexBytes)});
    if (arcBlock == nullptr) {
      errorPrint("hgraphInduceList: out of memory (2)");
      memFree(vertexBlock);
      graph.flags = 0;
      return INDUCE_FAILED;
    }
  }
  edgeTarget -= base;
  GraphNum* edgeLoad = hasEdgeLoads ? edgeTarget + arcCapacity : nullptr;
  if (sharedIndex != nullptr) {
    index = sharedIndex;
  } else {
    index -= base;
    for (GraphNum v = base; v < core.vertexEnd; v++) index[v] = -1;
  }

  // Target vertices numbered so far: base to numberedEnd - 1. A caller's
  // index array gets their entries back to -1 whatever the outcome.
  GraphNum numberedEnd = base;
  auto restoreIndex = [&]() {
    if (sharedIndex != nullptr)
      for (GraphNum t = base; t < numberedEnd; t++) sharedIndex[vertexNumber[t]] = -1;
  };
  auto release = [&]() {
    restoreIndex();
    memFree(arcBlock);
    memFree(vertexBlock);
    graph.flags = 0;
  };

  for (GraphNum i = 0; i < listCount; i++) {
    const GraphNum vertex = list[i];
    if ((vertex < base) || (vertex >= core.vertexEnd) || (index[vertex] != -1)) {
      errorPrint("hgraphInduceList: invalid vertex list");
      release();
      return INDUCE_FAILED;
    }
    index[vertex] = base + i;
    numberedEnd = base + i + 1;
  }

  const GraphNum vertexLimit = base + vertexCapacity;
  const GraphNum arcLimit = base + arcCapacity;
  GraphNum arcNext = base;
  GraphNum haloNext = nonHaloVertexEnd;
  GraphNum maxDegree = 0;
  int64_t nonHaloVertexLoadSum = 0;
  int64_t vertexLoadSum = 0;
  int64_t edgeLoadSum = 0;
  int64_t nonHaloEdgeLoadSum = 0;
  GraphNum nonHaloArcCount = 0;

  // Listed vertices: arcs to listed vertices from the front of the range,
  // arcs to halo vertices from its back.
  for (GraphNum i = 0; i < listCount; i++) {
    const GraphNum t = base + i;
    const GraphNum s = list[i];
    const GraphNum degree = core.edgeEnd[s] - core.edgeBegin[s];
    if (arcLimit - arcNext < degree) {
      release();
      return INDUCE_OVERFLOW;
    }
    edgeBegin[t] = arcNext;
    if (hasVertexLoads) {
      vertexLoad[t] = core.vertexLoad[s];
      nonHaloVertexLoadSum += core.vertexLoad[s];
    }
    GraphNum front = arcNext;
    GraphNum back = arcNext + degree;
    for (GraphNum arc = core.edgeBegin[s]; arc < core.edgeEnd[s]; arc++) {
      const GraphNum end = core.edgeTarget[arc];
      GraphNum targetEnd = index[end];
      if (targetEnd == -1) {  // a new halo vertex
        if (haloNext >= vertexLimit) {
          release();
          return INDUCE_OVERFLOW;
        }
        targetEnd = haloNext++;
        vertexNumber[targetEnd] = end;
        index[end] = targetEnd;
        numberedEnd = haloNext;
      }
      const GraphNum load = hasEdgeLoads ? core.edgeLoad[arc] : 1;
      edgeLoadSum += load;
      if (targetEnd < nonHaloVertexEnd) {
        edgeTarget[front] = targetEnd;
        if (hasEdgeLoads) edgeLoad[front] = load;
        front++;
        nonHaloEdgeLoadSum += load;
      } else {
        back--;
        edgeTarget[back] = targetEnd;
        if (hasEdgeLoads) edgeLoad[back] = load;
      }
    }
    nonHaloEdgeEnd[t] = front;
    nonHaloArcCount += front - arcNext;
    arcNext += degree;
    if (degree > maxDegree) maxDegree = degree;
  }
  vertexLoadSum = nonHaloVertexLoadSum;

  // Halo vertices keep their arcs to listed vertices only.
  for (GraphNum t = nonHaloVertexEnd; t < haloNext; t++) {
    const GraphNum s = vertexNumber[t];
    edgeBegin[t] = arcNext;
    if (hasVertexLoads) {
      vertexLoad[t] = core.vertexLoad[s];
      vertexLoadSum += core.vertexLoad[s];
    }
    for (GraphNum arc = core.edgeBegin[s]; arc < core.edgeEnd[s]; arc++) {
      const GraphNum targetEnd = index[core.edgeTarget[arc]];
      if ((targetEnd < base) || (targetEnd >= nonHaloVertexEnd)) continue;
      if (arcNext >= arcLimit) {
        release();
        return INDUCE_OVERFLOW;
      }
      const GraphNum load = hasEdgeLoads ? core.edgeLoad[arc] : 1;
      edgeTarget[arcNext] = targetEnd;
      if (hasEdgeLoads) edgeLoad[arcNext] = load;
      arcNext++;
      edgeLoadSum += load;
    }
    if (arcNext - edgeBegin[t] > maxDegree) maxDegree = arcNext - edgeBegin[t];
  }
  edgeBegin[haloNext] = arcNext;

  const GraphNum arcCount = arcNext - base;
  graph.vertexCount = haloNext - base;
  graph.vertexEnd = haloNext;
  graph.edgeBegin = edgeBegin;
  graph.edgeEnd = edgeBegin + 1;
  graph.vertexLoad = hasVertexLoads ? vertexLoad : nullptr;
  graph.vertexLoadSum = hasVertexLoads ? static_cast<GraphNum>(vertexLoadSum) : graph.vertexCount;
  graph.vertexNumber = vertexNumber;
  graph.vertexLabel = nullptr;
  graph.arcCount = arcCount;
  graph.edgeLoadSum = hasEdgeLoads ? static_cast<GraphNum>(edgeLoadSum) : arcCount;
  graph.maxDegree = maxDegree;
  target->nonHaloVertexCount = listCount;
  target->nonHaloVertexEnd = nonHaloVertexEnd;
  target->nonHaloEdgeEnd = nonHaloEdgeEnd;
  target->nonHaloVertexLoadSum = hasVertexLoads ? static_cast<GraphNum>(nonHaloVertexLoadSum) : listCount;
  target->nonHaloArcCount = nonHaloArcCount;
  target->nonHaloEdgeLoadSum = hasEdgeLoads ? static_cast<GraphNum>(nonHaloEdgeLoadSum) : nonHaloArcCount;

  // Shrink the arc block to the arcs used; the loads move down to follow
  // the ends first. The index array at the block's end goes with it.
  GraphNum* arcStart = edgeTarget + base;
  if (hasEdgeLoads) memmove(arcStart + arcCount, edgeLoad + base, entryBytes(arcCount));
  void* shrunk = memRealloc(arcBlock, entryBytes(arcCount) * arcFactor);
  if (shrunk != nullptr) arcStart = static_cast<GraphNum*>(shrunk);  // else the larger block stays valid
  graph.edgeTarget = arcStart - base;
  graph.edgeLoad = hasEdgeLoads ? graph.edgeTarget + arcCount : nullptr;

  target->level = source->level + 1;
  restoreIndex();
  // Numbers refer to the graph given to the library.
  if (core.vertexNumber != nullptr)
    for (GraphNum v = base; v < haloNext; v++) vertexNumber[v] = core.vertexNumber[vertexNumber[v]];
  return INDUCE_DONE;
}

}  // namespace

int hgraphInduceList(const Hgraph* source, GraphNum listCount, const GraphNum* list, GraphNum haloCapacity,
                     Hgraph* target) {
  return hgraphInduceListIndexed(source, listCount, list, haloCapacity, nullptr, target);
}

int hgraphInduceListIndexed(const Hgraph* source, GraphNum listCount, const GraphNum* list, GraphNum haloCapacity,
                            GraphNum* sourceIndex, Hgraph* target) {
  const GraphNum outsideCount = source->graph.vertexCount - listCount;
  if ((listCount < 0) || (outsideCount < 0)) {
    hgraphInit(target);
    target->graph.flags = 0;
    errorPrint("hgraphInduceList: invalid vertex list");
    return 1;
  }
  // No list can have more halo vertices than the vertices outside it.
  if (haloCapacity > outsideCount) haloCapacity = outsideCount;
  if (haloCapacity < 0) haloCapacity = 0;
  InduceStatus status = hgraphInduceTry(source, listCount, list, haloCapacity, false, sourceIndex, target);
  if (status == INDUCE_OVERFLOW) {
    // The capacity given was too small: retry with the bound that always holds.
    status = hgraphInduceTry(source, listCount, list, outsideCount, true, sourceIndex, target);
    if (status == INDUCE_OVERFLOW) {
      errorPrint("hgraphInduceList: inconsistent source graph");
      return 1;
    }
  }
  return (status == INDUCE_DONE) ? 0 : 1;
}
