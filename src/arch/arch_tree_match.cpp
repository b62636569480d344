// Terminal matching along a binary domain tree.
#include "arch/arch_tree_match.h"

#include <algorithm>

bool archTreeMatchAlloc(ArchTreeMatch* match, GraphNum nodenbr, GraphNum termnbr) {
  const size_t nodes = static_cast<size_t>(nodenbr);
  const size_t terminals = static_cast<size_t>(termnbr);
  match->nodenbr = nodenbr;
  match->frontnbr = termnbr;
  return memGroupAlloc({memEntry(match->pairs, terminals * sizeof(ArchCoarsenMulti)),
                        memEntry(match->sonstab, 2 * nodes * sizeof(GraphNum)),
                        memEntry(match->fathtab, nodes * sizeof(GraphNum)),
                        memEntry(match->frontab, terminals * sizeof(GraphNum)),
                        memEntry(match->fronnext, terminals * sizeof(GraphNum)),
                        memEntry(match->indxtab, nodes * sizeof(GraphNum))}) != nullptr;
}

void archTreeMatchStart(ArchTreeMatch* match, const GraphNum* leaftab) {
  std::fill(match->fathtab, match->fathtab + match->nodenbr, -1);
  std::fill(match->indxtab, match->indxtab + match->nodenbr, -1);
  for (GraphNum nodenum = 0; nodenum < 2 * match->nodenbr; nodenum++)
    if (match->sonstab[nodenum] >= 0) match->fathtab[match->sonstab[nodenum]] = nodenum / 2;
  for (GraphNum terminal = 0; terminal < match->frontnbr; terminal++) {
    match->frontab[terminal] = leaftab[terminal];
    match->indxtab[leaftab[terminal]] = terminal;
  }
}

void archTreeMatchExit(ArchTreeMatch* match) {
  memFree(match->pairs);
  match->pairs = nullptr;
}

GraphNum archTreeMatchMate(ArchTreeMatch* match, ArchCoarsenMulti** pairs) {
  if (match->frontnbr <= 1) return -1;
  GraphNum coarseNbr = 0;
  for (GraphNum index = 0; index < match->frontnbr; index++) {
    const GraphNum nodenum = match->frontab[index];
    if (nodenum < 0) continue;  // paired with an earlier sibling
    const GraphNum fathnum = match->fathtab[nodenum];
    GraphNum mate = -1;
    if (fathnum >= 0) {
      const GraphNum* sons = &match->sonstab[2 * fathnum];
      mate = match->indxtab[(sons[0] == nodenum) ? sons[1] : sons[0]];
    }
    // A sibling of this level always comes later: an earlier one would have
    // taken this node already.
    if (mate >= 0) {
      match->pairs[coarseNbr] = ArchCoarsenMulti{{index, mate}};
      match->fronnext[coarseNbr] = fathnum;
      match->frontab[mate] = -1;
    } else {
      match->pairs[coarseNbr] = ArchCoarsenMulti{{index, index}};
      match->fronnext[coarseNbr] = nodenum;
    }
    coarseNbr++;
  }
  // The nodes of the pairs leave the cut, their fathers join it.
  for (GraphNum index = 0; index < coarseNbr; index++) {
    const ArchCoarsenMulti& pair = match->pairs[index];
    if (pair.terminals[0] != pair.terminals[1]) {
      match->indxtab[match->sonstab[2 * match->fronnext[index]]] = -1;
      match->indxtab[match->sonstab[2 * match->fronnext[index] + 1]] = -1;
    }
  }
  for (GraphNum index = 0; index < coarseNbr; index++) {
    match->frontab[index] = match->fronnext[index];
    match->indxtab[match->fronnext[index]] = index;
  }
  match->frontnbr = coarseNbr;
  *pairs = match->pairs;
  return coarseNbr;
}
