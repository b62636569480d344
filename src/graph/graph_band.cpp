// Breadth-first band numbering around a set of start vertices.
#include "graph/graph_band.h"

int graphBand(const Graph* graph, GraphNum queueCount, GraphNum* queue, GraphNum width, GraphNum** indexArray,
              GraphNum* lastLayerStart, GraphNum* bandVertexCount, GraphNum* bandArcTotal,
              const GraphNum* fixedArray, GraphNum* fixedCount) {
  const GraphNum base = graph->base;
  GraphNum* index = static_cast<GraphNum*>(memAlloc(static_cast<size_t>(graph->vertexCount) * sizeof(GraphNum)));
  if (index == nullptr) {
    errorPrint("graphBand: out of memory (1)");
    return 1;
  }
  for (GraphNum vertex = 0; vertex < graph->vertexCount; vertex++) index[vertex] = -1;
  index -= base;

  GraphNum number = base;  // next band number
  GraphNum fixed = 0;
  GraphNum arcs = 0;
  // Gives a newly reached vertex its band index; -1 still means "not reached".
  auto reach = [&](GraphNum vertex) {
    if ((fixedArray != nullptr) && (fixedArray[vertex] != -1)) {
      index[vertex] = -2;
      fixed++;
    } else
      index[vertex] = number++;
    arcs += graph->edgeEnd[vertex] - graph->edgeBegin[vertex];
  };

  for (GraphNum position = 0; position < queueCount; position++) reach(queue[position]);
  GraphNum layerStart = base;  // first number of the current layer
  GraphNum layerHead = 0;      // queue range of the current layer
  GraphNum layerTail = queueCount;
  for (GraphNum layer = 0; layer < width; layer++) {
    const GraphNum nextNumber = number;
    GraphNum tail = layerTail;
    for (GraphNum position = layerHead; position < layerTail; position++) {
      const GraphNum vertex = queue[position];
      for (GraphNum edge = graph->edgeBegin[vertex]; edge < graph->edgeEnd[vertex]; edge++) {
        const GraphNum end = graph->edgeTarget[edge];
        if (index[end] == -1) {
          reach(end);
          queue[tail++] = end;
        }
      }
    }
    if (tail == layerTail) break;  // nothing new: the previous layer is the deepest
    layerStart = nextNumber;
    layerHead = layerTail;
    layerTail = tail;
  }

  *indexArray = index;
  *lastLayerStart = layerStart;
  *bandVertexCount = number - base;
  *bandArcTotal = arcs;
  *fixedCount = fixed;
  return 0;
}
