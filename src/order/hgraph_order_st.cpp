// The ordering dispatcher, which runs an ordering strategy on a halo graph,
// and the simple ordering method.
#include "order/hgraph.h"

int hgraphOrderSt(Hgraph* graph, Order* order, GraphNum startPosition, OrderColBlock* columnBlock,
                  const Strat* strat) {
  if (graph->nonHaloVertexCount <= 0) return 0;  // nothing to place

  // A chain of conditions is followed by a loop, so that the depth of the
  // call stack does not grow with it.
  for (;;) {
    switch (strat->kind) {
      case STRAT_CONCAT:
        errorPrint("hgraphOrderSt: concatenation operator not available for graph ordering strategies");
        return 1;
      case STRAT_COND: {
        StratTest value;
        int status = stratTestEvaluate(strat->data.cond.test, &value, graph);
        if (status != 0) return status;
        const bool holds = (value.valueType == VALUE_DOUBLE) ? (value.data.doubleValue == 1.0)
                                                             : (value.data.intValue == 1);
        if (holds) {
          strat = strat->data.cond.first;
          continue;
        }
        if (strat->data.cond.second != nullptr) {
          strat = strat->data.cond.second;
          continue;
        }
        // A false test without else-branch still owes the graph its
        // positions: it is ordered as the empty strategy orders it.
        return hgraphOrderSimple(graph, order, startPosition, columnBlock, nullptr);
      }
      case STRAT_EMPTY:
        hgraphOrderSimple(graph, order, startPosition, columnBlock, nullptr);
        return 0;
      case STRAT_SELECT:
        errorPrint("hgraphOrderSt: selection operator not available for graph ordering strategies");
        return 1;
      case STRAT_METHOD: {
        const HgraphOrderFunction function =
            reinterpret_cast<HgraphOrderFunction>(strat->table->methods[strat->data.method.method].function);
        return function(graph, order, startPosition, columnBlock, strat->data.method.paramBlock);
      }
      default:
        errorPrint("hgraphOrderSt: invalid strategy node");
        return 1;
    }
  }
}

int hgraphOrderSimple(Hgraph* graph, Order* order, GraphNum startPosition, OrderColBlock*, const void*) {
  const Graph& core = graph->graph;
  GraphNum* positions = order->inversePermutation + startPosition - core.base;
  if (core.vertexNumber != nullptr) {
    for (GraphNum v = core.base; v < graph->nonHaloVertexEnd; v++) positions[v] = core.vertexNumber[v];
  } else {
    for (GraphNum v = core.base; v < graph->nonHaloVertexEnd; v++) positions[v] = v;
  }
  return 0;
}
