// Bipartition method g: part 1 grows breadth first from a pseudo-peripheral
// vertex until it holds its share of the load, layer by layer, so that the
// cut follows a level of the breadth-first structure.
#include "bgraph/bgraph_bipart_methods.h"

int bgraphBipartGp(Bgraph* graph, const void* parameters) {
  const GraphNum passCount = static_cast<const BgraphBipartGpParam*>(parameters)->pass;
  const Graph& core = graph->graph;
  const GraphNum base = core.base;
  const GraphNum* edgeBegin = core.edgeBegin;
  const GraphNum* edgeEnd = core.edgeEnd;
  const GraphNum* edgeTarget = core.edgeTarget;
  uint8_t* parts = graph->parts;

  if (graph->part0Size != core.vertexCount) bgraphZero(graph);

  // The queue, and per vertex the mark of the last search that reached it
  // (0: none yet) and its distance from that search's root.
  GraphNum* queue;
  GraphNum* mark;
  GraphNum* distance;
  const size_t count = static_cast<size_t>(core.vertexCount);
  void* block = memGroupAlloc({memEntry(queue, count * sizeof(GraphNum)), memEntry(mark, count * sizeof(GraphNum)),
                               memEntry(distance, count * sizeof(GraphNum))});
  if (block == nullptr) {
    errorPrint("bgraphBipartGp: out of memory");
    return 1;
  }
  for (size_t index = 0; index < count; index++) mark[index] = distance[index] = 0;
  mark -= base;
  distance -= base;

  auto loadOf = [&core](GraphNum vertex) -> GraphNum { return (core.vertexLoad != nullptr) ? core.vertexLoad[vertex] : 1; };
  int64_t remaining = static_cast<int64_t>(core.vertexLoadSum) - graph->part0LoadAvg;  // load still to move
  GraphNum externalSum = 0;
  GraphNum part1Size = 0;
  GraphNum queueHead = 0;
  GraphNum queueTail = 0;
  GraphNum visitMark = 0;
  GraphNum rootStart = base;  // where the search for the next root goes on
  while (remaining >= 1) {
    while ((rootStart < core.vertexEnd) && (mark[rootStart] != 0)) rootStart++;
    if (rootStart >= core.vertexEnd) break;
    GraphNum root = rootStart;

    // Pseudo-peripheral root: searches from the root move it to the
    // farthest vertex found, the one of smallest degree among equals,
    // until a search finds no better one.
    GraphNum farthest = 0;
    for (GraphNum search = 1; search < passCount; search++) {
      visitMark++;
      const GraphNum start = root;
      queueHead = queueTail = 0;
      queue[queueTail++] = start;
      mark[start] = visitMark;
      distance[start] = 0;
      bool moved = false;
      while (queueHead < queueTail) {
        const GraphNum vertex = queue[queueHead++];
        const GraphNum vertexDistance = distance[vertex];
        if ((vertexDistance > farthest) ||
            ((vertexDistance == farthest) && (graphDegree(&core, vertex) < graphDegree(&core, root)))) {
          farthest = vertexDistance;
          root = vertex;
          moved = true;
        }
        for (GraphNum edge = edgeBegin[vertex]; edge < edgeEnd[vertex]; edge++) {
          const GraphNum end = edgeTarget[edge];
          if (mark[end] == visitMark) continue;
          mark[end] = visitMark;
          distance[end] = vertexDistance + 1;
          queue[queueTail++] = end;
        }
      }
      if (!moved) break;
    }

    // Growth: breadth first from the root, until part 1 has its share.
    visitMark++;
    queueHead = queueTail = 0;
    queue[queueTail++] = root;
    mark[root] = visitMark;
    while ((remaining >= 1) && (queueHead < queueTail)) {
      const GraphNum vertex = queue[queueHead++];
      parts[vertex] = 1;
      part1Size++;
      remaining -= loadOf(vertex);
      if (graph->externalGain != nullptr) externalSum += graph->externalGain[vertex];
      for (GraphNum edge = edgeBegin[vertex]; edge < edgeEnd[vertex]; edge++) {
        const GraphNum end = edgeTarget[edge];
        if (mark[end] == visitMark) continue;
        mark[end] = visitMark;
        queue[queueTail++] = end;
      }
    }
  }

  // The vertices left in the queue are the part-0 side of the cut; their
  // part-1 neighbours, the other side.
  GraphNum frontierCount = 0;
  GraphNum cutLoad = 0;
  for (GraphNum position = queueHead; position < queueTail; position++) {
    const GraphNum vertex = queue[position];
    graph->frontier[frontierCount++] = vertex;
    for (GraphNum edge = edgeBegin[vertex]; edge < edgeEnd[vertex]; edge++) {
      const GraphNum end = edgeTarget[edge];
      if (parts[end] != 1) continue;
      cutLoad += (core.edgeLoad != nullptr) ? core.edgeLoad[edge] : 1;
      if (mark[end] != -1) {
        mark[end] = -1;  // listed
        graph->frontier[frontierCount++] = end;
      }
    }
  }
  memFree(block);

  graph->frontierCount = frontierCount;
  graph->part0Size = core.vertexCount - part1Size;
  graph->part0LoadDelta = static_cast<GraphNum>(remaining);
  graph->part0Load = graph->part0LoadAvg + graph->part0LoadDelta;
  graph->commLoad = graph->commLoadExtn0 + externalSum + graph->domainDistance * cutLoad;
  graph->commGainExtn = graph->commGainExtn0 - 2 * externalSum;
  graph->balance = bgraphBalance(graph->part0LoadDelta, graph->part0LoadAvg);
  return 0;
}
