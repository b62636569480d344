// The mapping dispatcher: runs a mapping strategy tree on a mapping graph.
// Sequence and selection chains are walked with a loop over their spine
// (see strat/strat_chain.h); conditions are followed by a loop as well.
#include <cstdlib>

#include "kgraph/kgraph.h"
#include "strat/strat_chain.h"

namespace {

// The figures by which two mappings are compared: whether some domain lies
// outside its allowed imbalance (each candidate under its own balance
// ratio), the sum of the absolute load deltas, and the communication load.
struct MapQuality {
  int unbalanced;
  int64_t deltaSum;
  GraphNum commLoad;
};

MapQuality mapQuality(GraphNum domainCount, const GraphNum* average, const GraphNum* delta, double balanceRatio,
                      GraphNum commLoad) {
  MapQuality quality = {0, 0, commLoad};
  for (GraphNum index = 0; index < domainCount; index++) {
    const GraphNum magnitude = abs(delta[index]);
    quality.deltaSum += magnitude;
    if (magnitude > kgraphDomainLoadBound(balanceRatio, average[index])) quality.unbalanced = 1;
  }
  return quality;
}

// Whether the first candidate beats the second: a balanced mapping beats
// an unbalanced one; between balanced ones the smaller communication load
// wins, then the smaller delta sum; between unbalanced ones the smaller
// delta sum, then the smaller communication load. A full tie goes to the
// first.
bool mapQualityFirstWins(const MapQuality& first, const MapQuality& second) {
  if (first.unbalanced != second.unbalanced) return first.unbalanced < second.unbalanced;
  if (first.unbalanced == 0)
    return (first.commLoad < second.commLoad) ||
           ((first.commLoad == second.commLoad) && (first.deltaSum <= second.deltaSum));
  return (first.deltaSum < second.deltaSum) ||
         ((first.deltaSum == second.deltaSum) && (first.commLoad <= second.commLoad));
}

// ((a|b)|c)|d: every alternative starts from the same mapping, and each
// selection keeps the better of its first alternative's result (the best
// so far) and its second's. A failed alternative loses to a successful one,
// whose mapping is whole; when both failed, the second's state stays. The
// selection fails only when every alternative failed.
int kgraphMapSelect(Kgraph* kgraph, const Strat* strat) {
  StratChain chain;
  KgraphStore best = {};   // the result of the alternatives run so far
  KgraphStore start = {};  // the starting state
  if (!chain.collect(strat) || (kgraphStoreInit(kgraph, &best) != 0) || (kgraphStoreInit(kgraph, &start) != 0)) {
    errorPrint("kgraphMapSt: out of memory");
    kgraphStoreExit(&best);
    return 1;
  }

  int result = 1;
  if (kgraphStoreSave(kgraph, &start) != 0) goto done;
  result = kgraphMapSt(kgraph, chain.operand(0));
  for (size_t index = 1; index < chain.operandCount(); index++) {
    if ((kgraphStoreSave(kgraph, &best) != 0) || (kgraphStoreRestore(kgraph, &start) != 0)) {
      result = 1;
      goto done;
    }
    const int second = kgraphMapSt(kgraph, chain.operand(index));
    bool firstWins;
    if ((result != 0) || (second != 0))
      firstWins = (result == 0);
    else {
      const MapQuality firstQuality = mapQuality(best.domainCount, best.domainLoadAvg, best.domainLoadDelta,
                                                 best.balanceRatio, best.commLoad);
      const MapQuality secondQuality =
          mapQuality(kgraph->mapping.domainCount, kgraph->domainLoadAvg, kgraph->domainLoadDelta,
                     kgraph->balanceRatio, kgraph->commLoad);
      firstWins = mapQualityFirstWins(firstQuality, secondQuality);
    }
    if (firstWins && (kgraphStoreRestore(kgraph, &best) != 0)) {
      result = 1;
      goto done;
    }
    if (second < result) result = second;
  }

done:
  kgraphStoreExit(&best);
  kgraphStoreExit(&start);
  return result;
}

}  // namespace

int kgraphMapSt(Kgraph* kgraph, const Strat* strat) {
  return stratDispatch(kgraph, strat, kgraphMapSt, kgraphMapSelect, "kgraphMapSt");
}
