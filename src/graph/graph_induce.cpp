// Induced subgraphs: selection by vertex list or by part byte, and the
// shared allocation and filling steps.
#include "graph/graph_induce.h"

#include <cstring>

namespace {

// The arc block made by graphInduce2: room for capacity ends, then room for
// capacity loads when the parent has edge loads, then the parent-to-new
// index table of one entry per parent vertex.
struct ArcBlock {
  GraphNum* ends = nullptr;
  GraphNum* loads = nullptr;
  GraphNum* index = nullptr;
};

size_t arcBytes(GraphNum count) { return static_cast<size_t>(count) * sizeof(GraphNum); }

// Allocates the block (ends is null on failure).
void arcBlockAlloc(const Graph* parent, GraphNum capacity, ArcBlock& block) {
  memGroupAlloc({memEntry(block.ends, arcBytes(capacity)),
                 memEntry(block.loads, parent->edgeLoad != nullptr ? arcBytes(capacity) : 0),
                 memEntry(block.index, arcBytes(parent->vertexCount))});
}

// Sets the pointers into an existing block starting at block.ends.
void arcBlockLayout(const Graph* parent, GraphNum capacity, ArcBlock& block) {
  memGroupLayout(block.ends, {memEntry(block.ends, arcBytes(capacity)),
                              memEntry(block.loads, parent->edgeLoad != nullptr ? arcBytes(capacity) : 0),
                              memEntry(block.index, arcBytes(parent->vertexCount))});
}

}  // namespace

GraphNum graphInduceArcCapacity(const Graph* parent, GraphNum count) {
  if (parent->maxDegree > 0 && count < parent->arcCount / parent->maxDegree) return count * parent->maxDegree;
  return parent->arcCount;
}

GraphNum* graphInduceIndex(const Graph* parent, const Graph* induced) {
  ArcBlock block;
  block.ends = induced->edgeTarget + induced->base;
  arcBlockLayout(parent, graphInduceArcCapacity(parent, induced->vertexCount), block);
  return block.index - parent->base;
}

int graphInduce2(const Graph* parent, Graph* induced, GraphNum count) {
  GraphNum base = parent->base;
  std::memset(induced, 0, sizeof(Graph));
  induced->flags = GRAPH_FREE_ALL | GRAPH_VERTEX_GROUP | GRAPH_EDGE_GROUP;
  induced->base = base;

  size_t vertexBytes = static_cast<size_t>(count) * sizeof(GraphNum);
  GraphNum* begin = nullptr;
  GraphNum* numbers = nullptr;
  GraphNum* loads = nullptr;
  if (parent->vertexLoad != nullptr) {
    if (memGroupAlloc({memEntry(begin, vertexBytes + sizeof(GraphNum)), memEntry(numbers, vertexBytes),
                       memEntry(loads, vertexBytes)}) == nullptr) {
      errorPrint("graphInduce2: out of memory (1)");
      return 1;
    }
    induced->vertexLoad = loads - base;
  } else if (memGroupAlloc({memEntry(begin, vertexBytes + sizeof(GraphNum)), memEntry(numbers, vertexBytes)}) ==
             nullptr) {
    errorPrint("graphInduce2: out of memory (2)");
    return 1;
  }
  induced->edgeBegin = begin - base;
  induced->edgeEnd = induced->edgeBegin + 1;
  induced->vertexNumber = numbers - base;
  induced->vertexCount = count;
  induced->vertexEnd = base + count;

  ArcBlock arcs;
  arcBlockAlloc(parent, graphInduceArcCapacity(parent, count), arcs);
  if (arcs.ends == nullptr) {
    errorPrint("graphInduce2: out of memory (3)");
    graphExit(induced);
    return 1;
  }
  induced->edgeTarget = arcs.ends - base;
  return 0;
}

void graphInduce3(const Graph* parent, Graph* induced, GraphNum arcBound) {
  GraphNum base = induced->base;
  const GraphNum* index = graphInduceIndex(parent, induced);
  GraphNum* block = induced->edgeTarget + base;
  GraphNum* ends = block;
  GraphNum* arcLoads = nullptr;
  if (parent->edgeLoad != nullptr) {
    // The loads go behind room for arcBound ends while the arcs are filled;
    // as arcBound is at most the capacity, they stay below the index table.
    memGroupLayout(block, {memEntry(ends, arcBytes(arcBound)), memEntry(arcLoads, arcBytes(arcBound))});
  }

  const GraphNum* parentBegin = parent->edgeBegin;
  const GraphNum* parentEnd = parent->edgeEnd;
  const GraphNum* parentTarget = parent->edgeTarget;
  const GraphNum* parentArcLoad = parent->edgeLoad;
  const GraphNum* parentVertexLoad = parent->vertexLoad;
  GraphNum* begin = induced->edgeBegin;
  GraphNum* numbers = induced->vertexNumber;
  GraphNum* vertexLoad = induced->vertexLoad;
  GraphNum vertexLoadSum = 0;
  GraphNum edgeLoadSum = 0;
  GraphNum arc = 0;  // arcs stored so far, from the block's start
  for (GraphNum v = base; v < induced->vertexEnd; v++) {
    GraphNum u = numbers[v];
    begin[v] = base + arc;
    if (parentVertexLoad != nullptr) {
      vertexLoad[v] = parentVertexLoad[u];
      vertexLoadSum += parentVertexLoad[u];
    }
    for (GraphNum e = parentBegin[u]; e < parentEnd[u]; e++) {
      GraphNum end = index[parentTarget[e]];
      if (end == -1) continue;
      ends[arc] = end;
      if (arcLoads != nullptr) {
        arcLoads[arc] = parentArcLoad[e];
        edgeLoadSum += parentArcLoad[e];
      }
      arc++;
    }
  }
  begin[induced->vertexEnd] = base + arc;
  induced->arcCount = arc;
  induced->vertexLoadSum = parentVertexLoad != nullptr ? vertexLoadSum : induced->vertexCount;
  induced->edgeLoadSum = arcLoads != nullptr ? edgeLoadSum : arc;
  induced->maxDegree = parent->maxDegree;

  if (parent->vertexNumber != nullptr)
    for (GraphNum v = base; v < induced->vertexEnd; v++) numbers[v] = parent->vertexNumber[numbers[v]];

  // Shrink the block to exactly arc ends followed by arc loads: the loads
  // move down to their final place first (never above their filling place,
  // as arc <= arcBound), then the index table is dropped. A failed shrink
  // keeps the old block, whose layout is the same.
  GraphNum* finalLoads = nullptr;
  if (arcLoads != nullptr) {
    memGroupLayout(block, {memEntry(ends, arcBytes(arc)), memEntry(finalLoads, arcBytes(arc))});
    std::memmove(finalLoads, arcLoads, arcBytes(arc));
    if (void* shrunk = memGroupRealloc(block, {memEntry(ends, arcBytes(arc)), memEntry(finalLoads, arcBytes(arc))}))
      block = static_cast<GraphNum*>(shrunk);
  } else if (void* shrunk = memRealloc(block, arcBytes(arc))) {
    block = static_cast<GraphNum*>(shrunk);
  }
  induced->edgeTarget = block - base;
  induced->edgeLoad = finalLoads != nullptr ? finalLoads - base : nullptr;
}

int graphInduceList(const Graph* parent, GraphNum count, const GraphNum* list, Graph* induced) {
  if (graphInduce2(parent, induced, count) != 0) {
    errorPrint("graphInduceList: cannot create induced graph");
    return 1;
  }
  GraphNum base = parent->base;
  GraphNum* numbers = induced->vertexNumber;
  if (count > 0) std::memcpy(numbers + base, list, static_cast<size_t>(count) * sizeof(GraphNum));

  GraphNum* index = graphInduceIndex(parent, induced);
  for (GraphNum u = base; u < parent->vertexEnd; u++) index[u] = -1;
  GraphNum arcBound = 0;  // sum of the chosen degrees
  for (GraphNum v = base; v < induced->vertexEnd; v++) {
    GraphNum u = numbers[v];
    index[u] = v;
    arcBound += parent->edgeEnd[u] - parent->edgeBegin[u];
  }
  graphInduce3(parent, induced, arcBound);
  return 0;
}

int graphInducePart(const Graph* parent, const uint8_t* parts, GraphNum count, uint8_t partValue, Graph* induced) {
  if (graphInduce2(parent, induced, count) != 0) {
    errorPrint("graphInducePart: cannot create induced graph");
    return 1;
  }
  GraphNum* numbers = induced->vertexNumber;
  GraphNum* index = graphInduceIndex(parent, induced);
  GraphNum v = induced->base;
  GraphNum arcBound = 0;
  for (GraphNum u = parent->base; u < parent->vertexEnd; u++) {
    if (parts[u] == partValue) {
      index[u] = v;
      numbers[v++] = u;
      arcBound += parent->edgeEnd[u] - parent->edgeBegin[u];
    } else {
      index[u] = -1;
    }
  }
  graphInduce3(parent, induced, arcBound);
  return 0;
}
