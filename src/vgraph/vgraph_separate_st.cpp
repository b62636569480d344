// The separation dispatcher: runs a separation strategy tree on a
// separation graph. Sequence and selection chains are walked with a loop
// over their left spine (see strat/strat_chain.h); conditions are followed
// by a loop as well.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "strat/strat_chain.h"
#include "vgraph/vgraph.h"

namespace {

// Whether the saved separation beats the graph's current one: a smaller
// separator load, or the same load and a smaller imbalance. On a graph with
// a halo record, a smaller estimated fill comes first, storedTerms being
// those of the saved separation; both estimates use the smaller of the two
// separators to guess the parts' own separators, so that a larger
// separator cannot seem to leave cheaper parts.
bool vgraphStoreBetter(const Vgraph* graph, const VgraphStore* store, const VgraphFillTerms* storedTerms,
                       VgraphFillTerms* currentTerms) {
  if (graph->halo != nullptr) {
    vgraphFillTerms(graph, graph->parts + graph->graph.base, graph->partLoad[0], graph->partLoad[1],
                    currentTerms);
    const double scale = std::min(storedTerms->separatorLoad, currentTerms->separatorLoad) /
                         std::sqrt(static_cast<double>(graph->graph.vertexLoadSum));
    const double storedCost = vgraphFillEstimate(storedTerms, scale);
    const double currentCost = vgraphFillEstimate(currentTerms, scale);
    // Estimates within rounding of each other, as those of mirror-image
    // separations, count as equal.
    const double tolerance = 1e-9 * std::max(storedCost, currentCost);
    if (std::fabs(storedCost - currentCost) > tolerance) return storedCost < currentCost;
  }
  const GraphNum separatorLoad = graph->graph.vertexLoadSum - store->partLoad0 - store->partLoad1;
  return (separatorLoad < graph->partLoad[2]) ||
         ((separatorLoad == graph->partLoad[2]) && (abs(store->loadDelta) < abs(graph->loadDelta)));
}

// Runs every alternative of ((a|b)|c)|d from the same starting state and
// keeps the best result (see vgraphStoreBetter); on a full tie the later
// alternative's result stays. A failed alternative counts as the starting
// state, so a selection never fails once its stores exist. Going through
// the alternatives in turn with one store for the best result so far is
// what nested two-way selections do, each keeping the better of its first
// alternative's result and its second's.
int vgraphSeparateSelect(Vgraph* graph, const Strat* strat) {
  StratChain chain;
  VgraphStore stores[2] = {};  // stores[0]: best result so far, stores[1]: starting state
  if (!chain.collect(strat) || (vgraphStoreInit(graph, &stores[0]) != 0) ||
      (vgraphStoreInit(graph, &stores[1]) != 0)) {
    errorPrint("vgraphSeparateSt: out of memory");
    vgraphStoreExit(&stores[0]);
    return 1;
  }

  // Fill terms of the best result so far and of the current one, when
  // the graph has a halo record.
  VgraphFillTerms terms[2] = {};
  int best = 0;
  vgraphStoreSave(graph, &stores[1]);
  for (size_t index = 0; index < chain.operandCount(); index++) {
    if (index > 0) {
      vgraphStoreSave(graph, &stores[0]);
      vgraphStoreRestore(graph, &stores[1]);
    }
    if (vgraphSeparateSt(graph, chain.operand(index)) != 0) vgraphStoreRestore(graph, &stores[1]);
    if (index == 0) {
      if (graph->halo != nullptr)
        vgraphFillTerms(graph, graph->parts + graph->graph.base, graph->partLoad[0], graph->partLoad[1],
                        &terms[best]);
    } else if (vgraphStoreBetter(graph, &stores[0], &terms[best], &terms[1 - best]))
      vgraphStoreRestore(graph, &stores[0]);
    else
      best = 1 - best;  // the current result is the best so far
  }

  vgraphStoreExit(&stores[0]);
  vgraphStoreExit(&stores[1]);
  return 0;
}

}  // namespace

int vgraphSeparateSt(Vgraph* graph, const Strat* strat) {
  for (;;) {
    switch (strat->kind) {
      case STRAT_CONCAT:
        return stratChainConcat(graph, strat, vgraphSeparateSt, "vgraphSeparateSt: out of memory");
      case STRAT_COND: {
        const Strat* branch = nullptr;
        const int result = stratCondBranch(strat, graph, &branch);
        if (result != 0) return result;
        if (branch == nullptr) return 0;
        strat = branch;
        continue;
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
}
