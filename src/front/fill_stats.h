// Exact symbolic figures of the Cholesky factor of a graph's matrix under an
// ordering, computed independently of the block symbolic factorization:
// elimination tree, column counts, fill and operation count.
#pragma once

#include <cstdint>

#include "graph/graph.h"

struct FillStats {
  int64_t nnzL;        // off-diagonal nonzeros of the factor
  double opc;          // sum over the columns of the squared off-diagonal column counts
  GraphNum treeHeight; // height of the elimination tree (a single vertex has height 1)
};

// permutation gives, for each vertex, its position in the graph's base; it
// is held from its first element (entry i is vertex base + i). Returns 0, or 1 after reporting a failure.
// columnCounts, when not null, receives for each position (from 0) the
// off-diagonal count of that column of the factor.
int fillStatsCompute(const Graph* graph, const GraphNum* permutation, FillStats* stats,
                     GraphNum* columnCounts = nullptr);

// fillStatsCompute that also gives the elimination tree in parent (as
// fillStatsTree does) when parent is not null, at the cost of one tree.
int fillStatsComputeTree(const Graph* graph, const GraphNum* permutation, FillStats* stats, GraphNum* columnCounts,
                         GraphNum* parent);

// Elimination tree of the factor under the ordering: parent receives, for
// each position (from 0), the position of its father (always larger), or -1
// for a root. Returns 0, or 1 after reporting a failure.
int fillStatsTree(const Graph* graph, const GraphNum* permutation, GraphNum* parent);

// Fundamental supernodes of the factor, from the elimination tree and the
// off-diagonal column counts (both over positions from 0): column j + 1
// continues the supernode of column j when it is the father of j, j is its
// only son, and their structures nest (the count of j is one more). Over
// such a run the structures are those of a dense block, so the symbolic
// block factorization over the supernodes is the exact pattern of the
// factor. supernodeCount receives the number of supernodes; start, when not
// null, their first positions followed by n (supernodeCount + 1 entries).
// Returns 0, or 1 after reporting a failure.
int fillStatsSupernodes(GraphNum n, const GraphNum* parent, const GraphNum* columnCounts, GraphNum* supernodeCount,
                        GraphNum* start);
