// What the bipartition methods share among themselves: the entry points
// that other methods call with parameters of their own, and the bound on
// repeated passes.
#pragma once

#include "bgraph/bgraph.h"

// Largest number of passes that the growing (h) and diffusion (d) methods
// run: each pass costs a sweep over much of the graph, and far fewer passes
// already reach what more random seeds or sweeps can bring, so that a
// larger request is bounded instead of running for ever.
inline constexpr GraphNum BGRAPH_PASS_MAX = 10000;

// A requested pass count brought into [1, BGRAPH_PASS_MAX].
inline GraphNum bgraphPassCount(GraphNum pass) {
  return (pass < 1) ? 1 : ((pass > BGRAPH_PASS_MAX) ? BGRAPH_PASS_MAX : pass);
}

// Greedy graph growing with the given number of passes (method h).
int bgraphBipartGgPasses(Bgraph* graph, GraphNum passCount);
// FM refinement with the given parameters (method f). The hash table starts
// with at least hashSizeMin slots (the tests compare a table that grows
// with one that never has to).
int bgraphBipartFmRun(Bgraph* graph, const BgraphBipartFmParam* param, GraphNum hashSizeMin = 0);
