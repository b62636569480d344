// Separation method g: level-structure separator. A breadth-first level
// structure grows part 1 from a pseudo-peripheral root; the separator is the
// breadth-first front at the moment part 1 holds half of the load.
#include "vgraph/vgraph_separate_methods.h"

namespace {

// Rebuilds the loads, the frontier and the part sizes from the running
// imbalance (part 0 minus part 1), the separator load and the parts array.
void vgraphSeparateGpFinish(Vgraph* graph, GraphNum loadDelta, GraphNum separatorLoad) {
  const Graph& core = graph->graph;
  graph->partLoad[2] = separatorLoad;
  graph->loadDelta = loadDelta;
  graph->partLoad[0] = (core.vertexLoadSum + loadDelta - separatorLoad) / 2;
  graph->partLoad[1] = core.vertexLoadSum - separatorLoad - graph->partLoad[0];
  GraphNum frontierCount = 0;
  GraphNum partSize1 = 0;
  for (GraphNum vertex = core.base; vertex < core.vertexEnd; vertex++) {
    const int part = graph->parts[vertex];
    if (part == 2)
      graph->frontier[frontierCount++] = vertex;
    else
      partSize1 += part;
  }
  graph->frontierCount = frontierCount;
  graph->partSize[1] = partSize1;
  graph->partSize[0] = core.vertexCount - partSize1 - frontierCount;
}

}  // namespace

int vgraphSeparateGp(Vgraph* graph, const void* parameters) {
  const GraphNum passCount = static_cast<const VgraphSeparateGpParam*>(parameters)->pass;
  const Graph& core = graph->graph;
  const GraphNum base = core.base;
  const GraphNum* edgeBegin = core.edgeBegin;
  const GraphNum* edgeEnd = core.edgeEnd;
  const GraphNum* edgeTarget = core.edgeTarget;
  const GraphNum* vertexLoad = core.vertexLoad;
  uint8_t* parts = graph->parts;

  if (graph->partSize[0] != core.vertexCount) vgraphZero(graph);

  // passNumber[v]: the last search that reached v (0: none yet); distance[v]:
  // its level in that search. Searches are told apart by their numbers, so
  // nothing is cleared between them.
  GraphNum* passNumber;
  GraphNum* distance;
  GraphNum* queue;
  const size_t count = static_cast<size_t>(core.vertexCount);
  void* block = memGroupAlloc({memEntry(passNumber, count * sizeof(GraphNum)),
                               memEntry(distance, count * sizeof(GraphNum)),
                               memEntry(queue, count * sizeof(GraphNum))});
  if (block == nullptr) {
    errorPrint("vgraphSeparateGp: out of memory");
    return 1;
  }
  for (size_t index = 0; index < count; index++) passNumber[index] = distance[index] = 0;
  passNumber -= base;
  distance -= base;

  GraphNum loadDelta = core.vertexLoadSum;
  GraphNum separatorLoad = 0;
  auto loadOf = [vertexLoad](GraphNum vertex) { return (vertexLoad != nullptr) ? vertexLoad[vertex] : 1; };

  if ((core.vertexLoadSum >= 1) && (core.vertexCount > 0)) {
    GraphNum scan = base;      // next candidate root of a new component
    GraphNum lastSearch = 0;   // number of the last search made
    while (true) {
      while ((scan < core.vertexEnd) && (passNumber[scan] != 0)) scan++;
      if (scan >= core.vertexEnd) break;
      GraphNum root = scan++;

      if (passCount >= 2) {  // pseudo-peripheral root: farthest vertex, smallest degree at equal distance
        GraphNum bestDistance = 0;
        GraphNum bestDegree = 0;
        GraphNum bestVertex = root;
        for (GraphNum search = 1;; search++) {
          const GraphNum number = ++lastSearch;
          bool changed = false;
          GraphNum head = 0;
          GraphNum tail = 1;
          queue[0] = root;
          passNumber[root] = number;
          distance[root] = 0;
          while (head < tail) {
            const GraphNum vertex = queue[head++];
            const GraphNum degree = edgeEnd[vertex] - edgeBegin[vertex];
            if ((distance[vertex] > bestDistance) ||
                ((distance[vertex] == bestDistance) && (degree < bestDegree))) {
              bestDistance = distance[vertex];
              bestDegree = degree;
              if (bestVertex != vertex) changed = true;
              bestVertex = vertex;
            }
            for (GraphNum edge = edgeBegin[vertex]; edge < edgeEnd[vertex]; edge++) {
              const GraphNum end = edgeTarget[edge];
              if (passNumber[end] < number) {
                passNumber[end] = number;
                distance[end] = distance[vertex] + 1;
                queue[tail++] = end;
              }
            }
          }
          root = bestVertex;
          if (!changed || (search + 1 >= passCount)) break;
        }
      }

      // Final search: the front of the breadth-first search is the separator,
      // the vertices already taken from the queue form part 1.
      const GraphNum number = ++lastSearch;
      GraphNum head = 0;
      GraphNum tail = 1;
      queue[0] = root;
      passNumber[root] = number;
      distance[root] = 0;
      parts[root] = 2;
      loadDelta -= loadOf(root);
      separatorLoad += loadOf(root);
      bool balanced = false;
      while (head < tail) {
        const GraphNum vertex = queue[head++];
        parts[vertex] = 1;
        loadDelta -= loadOf(vertex);
        separatorLoad -= loadOf(vertex);
        for (GraphNum edge = edgeBegin[vertex]; edge < edgeEnd[vertex]; edge++) {
          const GraphNum end = edgeTarget[edge];
          if (passNumber[end] < number) {
            passNumber[end] = number;
            distance[end] = distance[vertex] + 1;
            queue[tail++] = end;
            parts[end] = 2;
            loadDelta -= loadOf(end);
            separatorLoad += loadOf(end);
          }
        }
        if (loadDelta < 1) {
          balanced = true;
          break;
        }
      }
      if (balanced || (loadDelta <= 0)) break;
    }
  }

  vgraphSeparateGpFinish(graph, loadDelta, separatorLoad);
  memFree(block);
  return 0;
}
