// The bipartition dispatcher: runs a bipartition strategy tree on a
// bipartition graph. Sequence and selection chains are walked with a loop
// over their left spine (see strat/strat_chain.h); conditions are followed
// by a loop as well.
#include <cstdlib>

#include "bgraph/bgraph.h"
#include "strat/strat_chain.h"

namespace {

// The rank of a candidate bipartition: 1 when its part-0 load lies outside
// the bounds, else the result of the alternative that made it (0 on
// success). A smaller rank wins.
int bgraphRank(const Bgraph* graph, GraphNum part0LoadDelta, int result) {
  const int64_t part0Load = static_cast<int64_t>(graph->part0LoadAvg) + part0LoadDelta;
  return ((part0Load < graph->part0LoadMin) || (part0Load > graph->part0LoadMax)) ? 1 : result;
}

// Whether the saved candidate (made with result savedResult) beats the one
// the graph holds (made with result). Among valid candidates the smaller
// communication load wins, then the smaller imbalance; among invalid ones
// the smaller imbalance, then the smaller communication load. A full tie
// goes to the saved candidate, the earlier alternative.
bool bgraphStoreBetter(const Bgraph* graph, const BgraphStore* store, int savedResult, int result) {
  const int savedRank = bgraphRank(graph, store->part0LoadDelta, savedResult);
  const int rank = bgraphRank(graph, graph->part0LoadDelta, result);
  if (savedRank != rank) return savedRank < rank;
  const GraphNum savedImbalance = abs(store->part0LoadDelta);
  const GraphNum imbalance = abs(graph->part0LoadDelta);
  if (rank == 0)
    return (store->commLoad < graph->commLoad) ||
           ((store->commLoad == graph->commLoad) && (savedImbalance <= imbalance));
  return (savedImbalance < imbalance) || ((savedImbalance == imbalance) && (store->commLoad <= graph->commLoad));
}

// Runs the alternatives of ((a|b)|c)|d from the same starting state and
// keeps the best result, as nested two-way selections do: each one keeps
// the better of its first alternative's result (the best so far) and its
// second's. When both of a pair failed, the second's state stays. The
// selection fails only when every alternative failed, with the smallest
// of their results.
int bgraphBipartSelect(Bgraph* graph, const Strat* strat) {
  StratChain chain;
  BgraphStore stores[2] = {};  // stores[0]: best result so far, stores[1]: starting state
  if (!chain.collect(strat) || (bgraphStoreInit(graph, &stores[0]) != 0) ||
      (bgraphStoreInit(graph, &stores[1]) != 0)) {
    errorPrint("bgraphBipartSt: out of memory");
    bgraphStoreExit(&stores[0]);
    return 1;
  }

  bgraphStoreSave(graph, &stores[1]);
  int bestResult = bgraphBipartSt(graph, chain.operand(0));
  for (size_t index = 1; index < chain.operandCount(); index++) {
    bgraphStoreSave(graph, &stores[0]);
    bgraphStoreRestore(graph, &stores[1]);
    const int result = bgraphBipartSt(graph, chain.operand(index));
    if (((bestResult == 0) || (result == 0)) && bgraphStoreBetter(graph, &stores[0], bestResult, result))
      bgraphStoreRestore(graph, &stores[0]);
    bestResult = (result < bestResult) ? result : bestResult;
  }

  bgraphStoreExit(&stores[0]);
  bgraphStoreExit(&stores[1]);
  return bestResult;
}

}  // namespace

int bgraphBipartSt(Bgraph* graph, const Strat* strat) {
  for (;;) {
    switch (strat->kind) {
      case STRAT_CONCAT:
        return stratChainConcat(graph, strat, bgraphBipartSt, "bgraphBipartSt: out of memory");
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
        const BgraphBipartFunction function = reinterpret_cast<BgraphBipartFunction>(method.function);
        return function(graph, strat->data.method.paramBlock);
      }
      case STRAT_SELECT:
        return bgraphBipartSelect(graph, strat);
      default:
        errorPrint("bgraphBipartSt: invalid strategy node");
        return 1;
    }
  }
}
