// The library ordering entry: ordering a graph, or a list of its vertices,
// with an ordering strategy, and the interface ordering record built on it.
#include <climits>
#include <cstdint>
#include <cstring>

#include "order/hgraph.h"
#include "order/library_order.h"
#include "order/library_strat.h"
#include "plyxen.h"

namespace {

// Unlisted vertices go to the last positions, in increasing vertex order.
// The inverse permutation serves as scratch indexed by vertex number: listed
// vertices are marked -1, and a position is written only after its index
// has been scanned, since the scan runs from the last vertex down and at
// most as many positions have been handed out as vertices scanned. The
// list is checked on the way: every entry a distinct vertex of the graph.
int orderPlaceUnlisted(const Graph* graph, GraphNum listCount, const GraphNum* list, GraphNum* inversePermutation) {
  const GraphNum base = graph->base;
  memset(inversePermutation, 0, static_cast<size_t>(graph->vertexCount) * sizeof(GraphNum));
  for (GraphNum i = 0; i < listCount; i++) {
    const GraphNum vertex = list[i];
    if ((vertex < base) || (vertex >= graph->vertexEnd)) {
      errorPrint("PLYXEN_graphOrderComputeList: invalid vertex %d in list", vertex);
      return 1;
    }
    if (inversePermutation[vertex - base] == -1) {
      errorPrint("PLYXEN_graphOrderComputeList: vertex %d listed twice", vertex);
      return 1;
    }
    inversePermutation[vertex - base] = -1;
  }
  GraphNum position = graph->vertexCount - 1;
  for (GraphNum vertex = graph->vertexEnd - 1; vertex >= base; vertex--)
    if (inversePermutation[vertex - base] != -1) inversePermutation[position--] = vertex;
  return 0;
}

}  // namespace

extern "C" int PLYXEN_graphOrderComputeList(PLYXEN_Graph* graphHandle, PLYXEN_Ordering* ordering,
                                            PLYXEN_Num listCount, const PLYXEN_Num* list, PLYXEN_Strat* strat) {
  const Graph* graph = reinterpret_cast<const Graph*>(graphHandle);
  LibOrder* lib = reinterpret_cast<LibOrder*>(ordering);
  Order* order = &lib->order;

  if ((order->vertexCount != graph->vertexCount) || (order->base != graph->base)) {
    errorPrint("PLYXEN_graphOrderComputeList: ordering does not match graph");
    return 1;
  }
  const bool listNeeded = (listCount > 0) && (listCount < graph->vertexCount);
  if ((listCount < 0) || (listCount > graph->vertexCount) || (listNeeded && (list == nullptr))) {
    errorPrint("PLYXEN_graphOrderComputeList: invalid list count");
    return 1;
  }
  if (listCount == 0) {
    intFillAscending(order->inversePermutation, graph->vertexCount, graph->base);
    return 0;
  }
  // A graph built over the caller's arrays has its load sum stored in 32
  // bits unchecked; the methods size and bound their work by it.
  if (graph->vertexLoad != nullptr) {
    int64_t loadSum = 0;
    for (GraphNum vertex = graph->base; vertex < graph->vertexEnd; vertex++) loadSum += graph->vertexLoad[vertex];
    if ((loadSum > INT32_MAX) || (loadSum < INT32_MIN) || (loadSum != graph->vertexLoadSum)) {
      errorPrint("PLYXEN_graphOrderComputeList: vertex load sum overflow");
      return 1;
    }
  }

  if ((stratHandleGet(strat) == nullptr) && (PLYXEN_stratGraphOrderBuild(strat, 1, 0, 0.2) != 0)) return 1;
  const Strat* orderStrat = stratHandleGet(strat);
  if (orderStrat->table != &hgraphOrderStTable) {
    errorPrint("PLYXEN_graphOrderComputeList: not an ordering strategy");
    return 1;
  }

  // A handle may be computed into again: start from a single column block.
  orderExitBlock(&order->rootBlock);
  order->rootBlock.type = ORDER_BLOCK_PLAIN;
  order->rootBlock.vertexCount = graph->vertexCount;
  order->treeNodeCount = 1;
  order->columnBlockCount = 1;

  // The graph as a halo graph without halo. Edge loads play no part in
  // ordering; vertex numbers of this graph are its own positions' values.
  Hgraph wrapper;
  hgraphFromGraph(&wrapper, graph, 0);
  wrapper.graph.vertexNumber = nullptr;
  wrapper.graph.edgeLoad = nullptr;
  wrapper.graph.edgeLoadSum = wrapper.graph.arcCount;
  wrapper.nonHaloEdgeLoadSum = wrapper.nonHaloArcCount;

  Hgraph induced;
  Hgraph* graphToOrder = &wrapper;
  OrderColBlock* columnBlock = &order->rootBlock;
  if (listCount < graph->vertexCount) {
    if (orderPlaceUnlisted(graph, listCount, list, order->inversePermutation) != 0) return 1;
    OrderColBlock* children = static_cast<OrderColBlock*>(memAlloc(2 * sizeof(OrderColBlock)));
    if (children == nullptr) {
      errorPrint("PLYXEN_graphOrderComputeList: out of memory");
      return 1;
    }
    children[0] = OrderColBlock{ORDER_BLOCK_PLAIN, listCount, 0, nullptr};
    children[1] = OrderColBlock{ORDER_BLOCK_PLAIN, graph->vertexCount - listCount, 0, nullptr};
    order->rootBlock.type = ORDER_BLOCK_DISSECTION;
    order->rootBlock.childCount = 2;
    order->rootBlock.children = children;
    order->treeNodeCount = 3;
    order->columnBlockCount = 2;
    if (hgraphInduceList(&wrapper, listCount, list, graph->vertexCount - listCount, &induced) != 0) {
      errorPrint("PLYXEN_graphOrderComputeList: cannot create induced subgraph");
      return 1;
    }
    graphToOrder = &induced;
    columnBlock = &children[0];
  }

  // The ordering draws from a generator of its own, which starts from the
  // process-wide state: the same graph and strategy give the same ordering
  // on every call, whatever other calls ran before or run at the same time.
  IntRandCall generator;
  const uint64_t errorMark = errorReturnCount();
  const int status = (hgraphOrderSt(graphToOrder, order, 0, columnBlock, orderStrat) != 0) ||
                     (errorReturnCount() != errorMark);
  if (graphToOrder == &induced) hgraphExit(&induced);
  if (status != 0) return 1;

  if (lib->permutation != nullptr)
    orderInvertPermutation(order->inversePermutation, order->base, order->vertexCount, lib->permutation,
                           order->base);
  if (lib->rangeArray != nullptr) orderRangeArray(order, lib->rangeArray);
  if (lib->treeArray != nullptr) orderFatherArray(order, lib->treeArray);
  if (lib->columnBlockCountOut != nullptr) *lib->columnBlockCountOut = order->columnBlockCount;
  return 0;
}

extern "C" int PLYXEN_graphOrderList(PLYXEN_Graph* graph, PLYXEN_Num listCount, const PLYXEN_Num* list,
                                     PLYXEN_Strat* strat, PLYXEN_Num* permutation, PLYXEN_Num* inversePermutation,
                                     PLYXEN_Num* columnBlockCount, PLYXEN_Num* rangeArray, PLYXEN_Num* treeArray) {
  PLYXEN_Ordering ordering;
  if (PLYXEN_graphOrderInit(graph, &ordering, permutation, inversePermutation, columnBlockCount, rangeArray,
                            treeArray) != 0)
    return 1;
  const int status = PLYXEN_graphOrderComputeList(graph, &ordering, listCount, list, strat);
  PLYXEN_graphOrderExit(graph, &ordering);
  return status;
}

extern "C" int PLYXEN_graphOrder(PLYXEN_Graph* graph, PLYXEN_Strat* strat, PLYXEN_Num* permutation,
                                 PLYXEN_Num* inversePermutation, PLYXEN_Num* columnBlockCount, PLYXEN_Num* rangeArray,
                                 PLYXEN_Num* treeArray) {
  return PLYXEN_graphOrderList(graph, reinterpret_cast<const Graph*>(graph)->vertexCount, nullptr, strat,
                               permutation, inversePermutation, columnBlockCount, rangeArray, treeArray);
}

void interfaceOrderInit(InterfaceOrder* order) {
  order->columnBlockCount = 0;
  order->rangeArray = nullptr;
  order->permutation = nullptr;
  order->inversePermutation = nullptr;
}

void interfaceOrderExit(InterfaceOrder* order) {
  if (order->rangeArray != nullptr) memFree(order->rangeArray);
  if (order->permutation != nullptr) memFree(order->permutation);
  if (order->inversePermutation != nullptr) memFree(order->inversePermutation);
  interfaceOrderInit(order);
}

int orderGraphListStrat(InterfaceOrder* order, Graph* graph, GraphNum listCount, const GraphNum* list,
                        const char* strategy) {
  const size_t vertexBytes = static_cast<size_t>(graph->vertexCount > 0 ? graph->vertexCount : 0) * sizeof(GraphNum);
  interfaceOrderInit(order);
  order->permutation = static_cast<GraphNum*>(memAlloc(vertexBytes));
  order->inversePermutation = static_cast<GraphNum*>(memAlloc(vertexBytes));
  order->rangeArray = static_cast<GraphNum*>(memAlloc(vertexBytes + sizeof(GraphNum)));
  if ((order->permutation == nullptr) || (order->inversePermutation == nullptr) || (order->rangeArray == nullptr)) {
    errorPrint("orderGraphListStrat: out of memory");
    interfaceOrderExit(order);
    return 1;
  }

  PLYXEN_Strat strat;
  PLYXEN_stratInit(&strat);
  PLYXEN_Graph* graphHandle = reinterpret_cast<PLYXEN_Graph*>(graph);
  int status = PLYXEN_stratGraphOrder(&strat, strategy);
  if (status == 0)
    status = PLYXEN_graphOrderList(graphHandle, listCount, list, &strat, order->permutation,
                                   order->inversePermutation, &order->columnBlockCount, order->rangeArray, nullptr);
  PLYXEN_stratExit(&strat);
  if (status != 0) {
    interfaceOrderExit(order);
    return 1;
  }

  if (listCount == 0) {
    // An empty list only yields the identity: derive the other outputs from
    // it, one column block over all vertices, so that none is left unset.
    orderInvertPermutation(order->inversePermutation, graph->base, graph->vertexCount, order->permutation,
                           graph->base);
    order->columnBlockCount = (graph->vertexCount > 0) ? 1 : 0;
    order->rangeArray[0] = graph->base;
    if (graph->vertexCount > 0) order->rangeArray[1] = graph->base + graph->vertexCount;
  }
  GraphNum* ranges = static_cast<GraphNum*>(
      memRealloc(order->rangeArray, static_cast<size_t>(order->columnBlockCount + 1) * sizeof(GraphNum)));
  if (ranges != nullptr) order->rangeArray = ranges;  // else the larger array stays valid
  return 0;
}
