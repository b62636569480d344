// Ordering method o: orders each connected component of the non-halo part
// on its own, with the components in the order of their lowest vertex.
#include "order/hgraph_order_methods.h"

int hgraphOrderCc(Hgraph* graph, Order* order, GraphNum startPosition, OrderColBlock* columnBlock,
                  const void* parameters) {
  const HgraphOrderCcParam* param = static_cast<const HgraphOrderCcParam*>(parameters);
  const Graph& core = graph->graph;
  const GraphNum base = core.base;
  const GraphNum count = graph->nonHaloVertexCount;
  if (count <= 0) return 0;

  // The list holds the components one after the other, each in search
  // order; componentStart[c] is where component c begins in it.
  GraphNum* list = nullptr;
  GraphNum* componentStart = nullptr;
  GraphNum* component = nullptr;  // component of each non-halo vertex, -1 until reached
  GraphNum* sourceIndex = nullptr;  // all -1 between inductions, shared by all of them
  void* block = memGroupAlloc({memEntry(list, static_cast<size_t>(count) * sizeof(GraphNum)),
                               memEntry(componentStart, static_cast<size_t>(count + 1) * sizeof(GraphNum)),
                               memEntry(component, static_cast<size_t>(count) * sizeof(GraphNum)),
                               memEntry(sourceIndex, static_cast<size_t>(core.vertexCount) * sizeof(GraphNum))});
  if (block == nullptr) {
    errorPrint("hgraphOrderCc: out of memory");
    return 1;
  }
  for (GraphNum i = 0; i < count; i++) list[i] = componentStart[i] = component[i] = -1;
  componentStart[count] = -1;
  component -= base;

  GraphNum componentCount = 0;
  GraphNum listEnd = 0;
  for (GraphNum seed = base; seed < graph->nonHaloVertexEnd; seed++) {
    if (component[seed] != -1) continue;
    componentStart[componentCount] = listEnd;
    component[seed] = componentCount;
    list[listEnd++] = seed;
    for (GraphNum head = componentStart[componentCount]; head < listEnd; head++) {
      const GraphNum vertex = list[head];
      for (GraphNum arc = core.edgeBegin[vertex]; arc < graph->nonHaloEdgeEnd[vertex]; arc++) {
        const GraphNum end = core.edgeTarget[arc];
        if (component[end] == -1) {
          component[end] = componentCount;
          list[listEnd++] = end;
        }
      }
    }
    componentCount++;
  }
  componentStart[componentCount] = listEnd;

  if (componentCount == 1) {
    memFree(block);
    return hgraphOrderSt(graph, order, startPosition, columnBlock, param->strat);
  }

  OrderColBlock* children =
      static_cast<OrderColBlock*>(memAlloc(static_cast<size_t>(componentCount) * sizeof(OrderColBlock)));
  if (children == nullptr) {
    errorPrint("hgraphOrderCc: out of memory");
    memFree(block);
    return 1;
  }
  for (GraphNum c = 0; c < componentCount; c++)
    children[c] = OrderColBlock{ORDER_BLOCK_PLAIN, componentStart[c + 1] - componentStart[c], 0, nullptr};
  columnBlock->type = ORDER_BLOCK_COMPONENTS;
  columnBlock->childCount = componentCount;
  columnBlock->children = children;
  order->treeNodeCount += componentCount;
  order->columnBlockCount += componentCount - 1;

  // A component's neighbours outside it can only be halo vertices. The
  // inductions share one index array, so that a graph of many small
  // components costs nothing per component beyond its own size.
  const GraphNum haloCapacity = core.vertexCount - count;
  for (GraphNum i = 0; i < core.vertexCount; i++) sourceIndex[i] = -1;
  sourceIndex -= base;
  for (GraphNum c = 0; c < componentCount; c++) {
    Hgraph componentGraph;
    if (hgraphInduceListIndexed(graph, children[c].vertexCount, list + componentStart[c], haloCapacity, sourceIndex,
                                &componentGraph) != 0) {
      errorPrint("hgraphOrderCc: cannot create induced graph");
      memFree(block);
      return 1;
    }
    const int status =
        hgraphOrderSt(&componentGraph, order, startPosition + componentStart[c], &children[c], param->strat);
    hgraphExit(&componentGraph);
    if (status != 0) {
      errorPrint("hgraphOrderCc: cannot compute ordering on induced graph");
      memFree(block);
      return 1;
    }
  }
  memFree(block);
  return 0;
}
