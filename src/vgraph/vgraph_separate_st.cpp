// The separation dispatcher: runs a separation strategy tree on a
// separation graph.
#include <cstdlib>

#include "vgraph/vgraph.h"

namespace {

// Runs both alternatives from the same starting state and keeps the better
// result: the smaller separator load, then the smaller imbalance; on a full
// tie the second alternative's result stays. A failed alternative counts as
// the starting state, so a selection never fails once its stores exist.
int vgraphSeparateSelect(Vgraph* graph, const Strat* strat) {
  VgraphStore stores[2] = {};  // stores[0] = A (first candidate), stores[1] = B (starting state)
  if ((vgraphStoreInit(graph, &stores[0]) != 0) || (vgraphStoreInit(graph, &stores[1]) != 0)) {
    errorPrint("vgraphSeparateSt: out of memory");
    vgraphStoreExit(&stores[0]);
    return 1;
  }

  vgraphStoreSave(graph, &stores[1]);
  if (vgraphSeparateSt(graph, strat->data.concat.first) != 0) {
    vgraphStoreRestore(graph, &stores[1]);
    vgraphStoreSave(graph, &stores[0]);
  } else {
    vgraphStoreSave(graph, &stores[0]);
    vgraphStoreRestore(graph, &stores[1]);
  }
  if (vgraphSeparateSt(graph, strat->data.concat.second) != 0) vgraphStoreRestore(graph, &stores[1]);

  const VgraphStore& first = stores[0];
  const GraphNum firstSeparatorLoad = graph->graph.vertexLoadSum - first.partLoad0 - first.partLoad1;
  if ((firstSeparatorLoad < graph->partLoad[2]) ||
      ((firstSeparatorLoad == graph->partLoad[2]) && (abs(first.loadDelta) < abs(graph->loadDelta))))
    vgraphStoreRestore(graph, &stores[0]);

  vgraphStoreExit(&stores[0]);
  vgraphStoreExit(&stores[1]);
  return 0;
}

}  // namespace

int vgraphSeparateSt(Vgraph* graph, const Strat* strat) {
  switch (strat->kind) {
    case STRAT_CONCAT: {
      const int result = vgraphSeparateSt(graph, strat->data.concat.first);
      if (result != 0) return result;
      return vgraphSeparateSt(graph, strat->data.concat.second);
    }
    case STRAT_COND: {
      StratTest value = {};
      const int result = stratTestEvaluate(strat->data.cond.test, &value, graph);
      if (result != 0) return result;
      if (value.data.intValue == 1) return vgraphSeparateSt(graph, strat->data.cond.first);
      if (strat->data.cond.second != nullptr) return vgraphSeparateSt(graph, strat->data.cond.second);
      return 0;
    }
    case STRAT_EMPTY:
      return 0;
    case STRAT_METHOD: {
      const StratMethod& method = strat->table->methods[strat->data.method.method];
      const VgraphSeparateFunction function = reinterpret_cast<VgraphSeparateFunction>(method.function);
      return function(graph, strat->data.method.paramBlock);
    }
    case STRAT_SELECT:
      return vgraphSeparateSelect(graph, strat);
    default:
      errorPrint("vgraphSeparateSt: invalid strategy node");
      return 1;
  }
}
