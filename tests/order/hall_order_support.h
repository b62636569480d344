// Helpers of the halo minimum degree and minimum fill tests: halo graphs
// built by hand, direct runs of the elimination kernels, and checks of an
// ordering against the exact symbolic factorization.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "order/hgraph.h"

// A halo graph over arrays of its own. Vertices base .. base + vertexCount - 1,
// the first nonHaloCount of them non-halo. Each edge joins two non-halo
// vertices or a non-halo and a halo vertex. The arcs of a non-halo vertex
// follow the edge list with the ones to non-halo vertices first; edgeEnd is
// a separate array. Optional vertex loads and vertex numbers.
struct HandHalo {
  std::vector<GraphNum> begin, end, nonHaloEnd, target, loads, numbers;
  Hgraph halo;
  HandHalo(GraphNum base, GraphNum vertexCount, GraphNum nonHaloCount,
           const std::vector<std::pair<GraphNum, GraphNum>>& edges, const std::vector<GraphNum>& vertexLoads = {},
           const std::vector<GraphNum>& vertexNumbers = {});
  HandHalo(const HandHalo&) = delete;
  HandHalo& operator=(const HandHalo&) = delete;
};

// Random halo graph: each pair of non-halo vertices is joined with the
// given probability, each (non-halo, halo) pair with haloProbability.
std::vector<std::pair<GraphNum, GraphNum>> randomHaloEdges(uint32_t seed, GraphNum base, GraphNum vertexCount,
                                                            GraphNum nonHaloCount, double probability,
                                                            double haloProbability);

// Output of one kernel run, arrays 1-based (entry 0 unused).
struct KernelRun {
  std::vector<GraphNum> start, length, workspace, weight, elementLength, last, degree, head, next;
  std::vector<int64_t> work;
  GraphNum compressions = 0;
};
// Converts the halo graph and runs the minimum degree (fill false) or the
// minimum fill kernel, with the given workspace size (0: the method's size).
KernelRun runKernel(const Hgraph& graph, bool fill, GraphNum iwlen = 0);

// Off-diagonal column counts, by position, of the factor of the whole halo
// graph when the non-halo vertices come in the given order (vertex numbers
// of the graph) followed by the halo vertices in vertex order.
std::vector<GraphNum> columnCountsWithHaloLast(const Hgraph& graph, const std::vector<GraphNum>& nonHaloOrder);

// Each run of positions given by the block sizes is a supernode of the
// factor: along the block the column counts go down by exactly one.
::testing::AssertionResult blocksAreSupernodes(const std::vector<GraphNum>& columnCounts,
                                               const std::vector<GraphNum>& blockSizes);
