// Ordering method g: a bandwidth-reducing ordering by breadth-first search
// from a pseudo-peripheral vertex, one connected component at a time. Halo
// arcs are ignored and the column block stays a leaf.
#include <algorithm>
#include <climits>
#include <memory>

#include "order/hgraph_order_methods.h"

namespace {

// Per non-halo vertex: the number of the search that last reached it (0 for
// never), and its distance from that search's root. During the numbering of
// a component whose searches ended with number N - 1, a mark of N means
// queued and N + 1 numbered.
struct GpVertex {
  GraphNum mark;
  GraphNum level;
};


}  // namespace

int hgraphOrderGp(Hgraph* graph, Order* order, GraphNum startPosition, OrderColBlock*, const void* parameters) {
  const HgraphOrderGpParam* param = static_cast<const HgraphOrderGpParam*>(parameters);
  const Graph& core = graph->graph;
  const GraphNum base = core.base;
  const GraphNum count = graph->nonHaloVertexCount;
  if (count <= 0) return 0;

  GraphNum* queue = nullptr;
  GpVertex* records = nullptr;
  ScratchBlock block(
      memGroupAlloc({memEntry(queue, static_cast<size_t>(count) * sizeof(GraphNum)),
                     memEntry(records, static_cast<size_t>(count) * sizeof(GpVertex))}));
  if (block == nullptr) {
    errorPrint("hgraphOrderGp: out of memory");
    return 1;
  }
  for (GraphNum i = 0; i < count; i++) records[i] = GpVertex{0, 0};
  GpVertex* vertexRecord = records - base;
  const GraphNum* edgeBegin = core.edgeBegin;
  const GraphNum* edgeEnd = graph->nonHaloEdgeEnd;
  const GraphNum* edgeTarget = core.edgeTarget;
  auto degree = [&](GraphNum vertex) { return edgeEnd[vertex] - edgeBegin[vertex]; };

  GraphNum* positions = order->inversePermutation + startPosition;
  GraphNum positionNext = 0;
  GraphNum rootScan = base;
  // Searches 1 to pass at most; each search but the last moves the root
  // farther or to a smaller degree, so far fewer run whatever pass says.
  // Their numbers and the two marks after them stay GraphNums.
  const GraphNum searchLimit = (param->pass < 0) ? 0 : std::min<GraphNum>(param->pass, INT32_MAX - 3);

  while (positionNext < count) {
    while (vertexRecord[rootScan].mark != 0) rootScan++;  // lowest vertex never reached
    GraphNum root = rootScan;
    GraphNum bestLevel = 0;

    // Pseudo-peripheral search: each breadth-first search moves the root to
    // the farthest vertex of least degree, until no farther one is found.
    GraphNum lastSearch = 0;
    for (GraphNum search = 1; search <= searchLimit; search++) {
      lastSearch = search;
      GraphNum candidate = root;
      GraphNum candidateDegree = degree(root);
      GraphNum queueHead = 0;
      GraphNum queueTail = 0;
      queue[queueTail++] = root;
      vertexRecord[root] = GpVertex{search, 0};
      while (queueHead < queueTail) {
        const GraphNum vertex = queue[queueHead++];
        const GraphNum level = vertexRecord[vertex].level;
        if ((level > bestLevel) || ((level == bestLevel) && (degree(vertex) < candidateDegree))) {
          candidate = vertex;
          candidateDegree = degree(vertex);
          bestLevel = level;
        }
        for (GraphNum arc = edgeBegin[vertex]; arc < edgeEnd[vertex]; arc++) {
          const GraphNum end = edgeTarget[arc];
          if (vertexRecord[end].mark != search) {
            vertexRecord[end] = GpVertex{search, level + 1};
            queue[queueTail++] = end;
          }
        }
      }
      if (candidate == root) break;
      root = candidate;
    }
    const GraphNum queued = lastSearch + 1;
    const GraphNum numbered = lastSearch + 2;

    // Numbering: breadth-first from the root, except that a vertex's first
    // unnumbered neighbour of the same level is numbered right after it, so
    // that runs of adjacent vertices of one level stay consecutive.
    GraphNum queueHead = 0;
    GraphNum queueTail = 0;
    queue[queueTail++] = root;
    vertexRecord[root].mark = queued;
    while (queueHead < queueTail) {
      GraphNum vertex = queue[queueHead++];
      if (vertexRecord[vertex].mark == numbered) continue;
      while (vertex != -1) {
        positions[positionNext++] = (core.vertexNumber != nullptr) ? core.vertexNumber[vertex] : vertex;
        vertexRecord[vertex].mark = numbered;
        GraphNum next = -1;
        for (GraphNum arc = edgeBegin[vertex]; arc < edgeEnd[vertex]; arc++) {
          const GraphNum end = edgeTarget[arc];
          const GraphNum mark = vertexRecord[end].mark;
          if (mark == numbered) continue;
          if ((next == -1) && (vertexRecord[end].level == vertexRecord[vertex].level)) {
            next = end;
            vertexRecord[end].mark = numbered;  // numbered next, never queued again
            continue;
          }
          if (mark != queued) {
            vertexRecord[end].mark = queued;
            queue[queueTail++] = end;
          }
        }
        vertex = next;
      }
    }
  }
  return 0;
}
