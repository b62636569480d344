// Ordering method n: nested dissection. A separator of the non-halo part is
// ordered last, the two parts before it, each by nested dissection again as
// a halo graph whose halo includes the separator; graphs that the separation
// strategy does not split are ordered by the leaf strategy. With cmp=f the
// selections of the separation strategy compare the estimated fill of their
// results, which counts the halo next to each part (vgraphFillEstimate);
// at the top shp levels close estimates go by the parts' shapes when these
// differ clearly (vgraphShapeCost).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "front/fill_stats.h"

#include "graph/graph_induce.h"
#include "order/hgraph_order_methods.h"
#include "vgraph/vgraph.h"

namespace {

// Fills the halo record of graph for fill-estimate comparisons: the
// non-halo vertices with halo arcs, and scratch marks for the halo
// vertices, both in one block that *arrays receives (null when no vertex
// touches the halo). Returns 0, or 1 after reporting a memory failure.
int hgraphOrderNdHalo(const Hgraph* graph, VgraphHalo* halo, void** arrays) {
  *halo = {graph->graph.vertexEnd, graph->nonHaloEdgeEnd, graph->graph.edgeEnd, 0, nullptr, nullptr, false, nullptr};
  *arrays = nullptr;
  auto touchesHalo = [graph](GraphNum vertex) {
    return graph->nonHaloEdgeEnd[vertex] < graph->graph.edgeEnd[vertex];
  };
  GraphNum boundaryCount = 0;
  for (GraphNum vertex = graph->graph.base; vertex < graph->nonHaloVertexEnd; vertex++)
    boundaryCount += touchesHalo(vertex) ? 1 : 0;
  if (boundaryCount == 0) return 0;

  const size_t haloCount = static_cast<size_t>(graph->graph.vertexCount - graph->nonHaloVertexCount);
  const size_t size = static_cast<size_t>(boundaryCount) * sizeof(GraphNum) + haloCount;
  GraphNum* boundary = static_cast<GraphNum*>(memAlloc(size));
  if (boundary == nullptr) {
    errorPrint("hgraphOrderNd: out of memory (3)");
    return 1;
  }
  for (GraphNum vertex = graph->graph.base; vertex < graph->nonHaloVertexEnd; vertex++)
    if (touchesHalo(vertex)) boundary[halo->boundaryCount++] = vertex;
  halo->boundary = boundary;
  halo->mark = reinterpret_cast<uint8_t*>(boundary + boundaryCount);
  *arrays = boundary;
  return 0;
}

// One part of a dissection: its vertices and where its ordering goes.
struct NdBranch {
  GraphNum size;
  const GraphNum* list;
  GraphNum startPosition;
  OrderColBlock* columnBlock;
  int messageNumber;  // of the induction failure
};

// Orders one part: induced with its halo, then dissected in turn.
int hgraphOrderNdBranch(Hgraph* graph, GraphNum haloCapacity, Order* order, const NdBranch& branch,
                        const void* parameters) {
  Hgraph partGraph;
  if (hgraphInduceList(graph, branch.size, branch.list, haloCapacity, &partGraph) != 0) {
    errorPrint("hgraphOrderNd: cannot build induced subgraph (%d)", branch.messageNumber);
    return 1;
  }
  const int result = hgraphOrderNd(&partGraph, order, branch.startPosition, branch.columnBlock, parameters);
  hgraphExit(&partGraph);
  return result;
}

// Both parts on the calling thread, one after the other, from its random
// sequence.
int hgraphOrderNdBranches(Hgraph* graph, GraphNum haloCapacity, Order* order, const NdBranch* branches,
                          const void* parameters) {
  for (int part = 0; part < 2; part++) {
    const int result = hgraphOrderNdBranch(graph, haloCapacity, order, branches[part], parameters);
    if (result != 0) return result;
  }
  return 0;
}

// Parts smaller than this are not worth a thread of their own.
constexpr GraphNum ND_THREAD_MIN_SIZE = 2000;

// Each part from a random sequence of its own, seeded from two draws of
// the calling thread's sequence, so that neither depends on the other and
// the ordering is the same whichever thread orders which part, and when.
// Part 0 writes the tree counts into a copy of the order header, added to
// the order's once both parts are done.
int hgraphOrderNdStreams(Hgraph* graph, GraphNum haloCapacity, Order* order, const NdBranch* branches,
                         GraphNum threads, const void* parameters) {
  const uint32_t seeds[2] = {intRandNext(0), intRandNext(0)};
  Order part0Order = *order;
  part0Order.treeNodeCount = 0;
  part0Order.columnBlockCount = 0;
  int results[2] = {0, 0};
  const bool worthThreads = (branches[0].size >= ND_THREAD_MIN_SIZE) && (branches[1].size >= ND_THREAD_MIN_SIZE);
  threadRunTasks(2, worthThreads ? threads : 1, [&](int part) {
    IntRandCall sequence(seeds[part]);
    results[part] =
        hgraphOrderNdBranch(graph, haloCapacity, (part == 0) ? &part0Order : order, branches[part], parameters);
  });
  order->treeNodeCount += part0Order.treeNodeCount;
  order->columnBlockCount += part0Order.columnBlockCount;
  return (results[0] != 0) ? results[0] : results[1];
}
// The separation of a dissection step: graph's non-halo part separated by
// strat into *separation, whose graph is a view of graph's arrays and
// whose frontier and parts (addressed from 0 in *parts) are allocated here;
// both are freed by the caller, also when this fails. With cmp=f the
// selections compare estimated fills with graph's halo, and weigh the
// parts' shapes in the top shp levels; look, when not null, is the
// look-ahead of the selection run on the graph itself. Returns 0, or 1
// after reporting a failure.
int hgraphOrderNdSeparate(const Hgraph* graph, const HgraphOrderNdParam* param, const Strat* strat,
                          const VgraphLook* look, Vgraph* separation, uint8_t** parts) {
  // The separation works on a view of the non-halo part: no array is copied.
  *separation = {};
  *parts = nullptr;
  hgraphUnhalo(graph, &separation->graph);
  const size_t vertexCount = static_cast<size_t>(separation->graph.vertexCount);
  separation->frontier = static_cast<GraphNum*>(memAlloc(vertexCount * sizeof(GraphNum)));
  *parts = static_cast<uint8_t*>(memAlloc(vertexCount));
  if ((separation->frontier == nullptr) || (*parts == nullptr)) {
    errorPrint("hgraphOrderNd: out of memory (1)");
    return 1;
  }
  memset(*parts, 0, vertexCount);
  separation->parts = *parts - separation->graph.base;
  separation->partLoad[0] = separation->graph.vertexLoadSum;
  separation->loadDelta = separation->graph.vertexLoadSum;
  separation->partSize[0] = separation->graph.vertexCount;
  separation->level = graph->level;
  separation->threads = (param->threads > 0) ? param->threads : 0;

  VgraphHalo halo;
  void* haloArrays = nullptr;
  if (param->compare == 1) {  // cmp=f
    if (hgraphOrderNdHalo(graph, &halo, &haloArrays) != 0) return 1;
    halo.shapes = (graph->level < param->shapeLevels);
    halo.look = look;
    separation->halo = &halo;
  }
  const int separated = vgraphSeparateSt(separation, strat);
  separation->halo = nullptr;
  if (haloArrays != nullptr) memFree(haloArrays);
  return separated;
}

// What the look-ahead of a dissection step needs: the graph being
// dissected and the method's parameters.
struct NdLookContext {
  const Hgraph* graph;
  const HgraphOrderNdParam* param;
};

// The look-ahead's separation of the parts of a candidate separation of
// context's graph: each part induced with its halo, as its dissection
// would be, then separated by the look-ahead strategy (sep when lks is
// not given), one part after the other.
int hgraphOrderNdLookSeparate(const Vgraph* candidate, const uint8_t* parts, double childSeparators[2],
                              void* context) {
  const NdLookContext* look = static_cast<const NdLookContext*>(context);
  const Hgraph* graph = look->graph;
  const Strat* strat = (look->param->lookStrat->kind != STRAT_EMPTY) ? look->param->lookStrat : look->param->sep;
  const GraphNum base = candidate->graph.base;
  const GraphNum haloCapacity = candidate->frontierCount + (graph->graph.vertexCount - graph->nonHaloVertexCount);
  GraphNum* list = static_cast<GraphNum*>(memAlloc(static_cast<size_t>(candidate->graph.vertexCount) * sizeof(GraphNum)));
  if (list == nullptr) {
    errorPrint("hgraphOrderNd: out of memory (5)");
    return 1;
  }
  int status = 0;
  for (uint8_t part = 0; (part < 2) && (status == 0); part++) {
    GraphNum size = 0;
    for (GraphNum vertex = base; vertex < candidate->graph.vertexEnd; vertex++)
      if (parts[vertex - base] == part) list[size++] = vertex;
    Hgraph partGraph;
    if (hgraphInduceList(graph, size, list, haloCapacity, &partGraph) != 0) {
      errorPrint("hgraphOrderNd: cannot build induced subgraph (4)");
      status = 1;
      break;
    }
    Vgraph separation;
    uint8_t* partParts;
    status = hgraphOrderNdSeparate(&partGraph, look->param, strat, nullptr, &separation, &partParts);
    const bool split = (separation.partSize[0] > 0) && (separation.partSize[1] > 0);
    childSeparators[part] = split ? static_cast<double>(separation.partLoad[2]) : -1.0;
    memFree(partParts);
    memFree(separation.frontier);
    hgraphExit(&partGraph);
  }
  memFree(list);
  return status;
}

// The dissection itself; *separatorLoad receives the load of the first
// separator, or -1 when the graph was ordered as a leaf.
int hgraphOrderNdDissect(Hgraph* graph, Order* order, GraphNum startPosition, OrderColBlock* columnBlock,
                         const void* parameters, double* separatorLoad) {
  const HgraphOrderNdParam* param = static_cast<const HgraphOrderNdParam*>(parameters);
  *separatorLoad = -1.0;

  NdLookContext lookContext = {graph, param};
  const VgraphLook look = {hgraphOrderNdLookSeparate, &lookContext};
  const bool looking = (graph->level < param->lookLevels) && (param->threads > 0);
  Vgraph separation;
  uint8_t* parts;
  auto releaseSeparation = [&]() {
    memFree(parts);
    memFree(separation.frontier);
  };
  if (hgraphOrderNdSeparate(graph, param, param->sep, looking ? &look : nullptr, &separation, &parts) != 0) {
    releaseSeparation();
    return 1;
  }
  const GraphNum base = separation.graph.base;
  if ((separation.partSize[0] == 0) || (separation.partSize[1] == 0)) {  // not split: a leaf
    releaseSeparation();
    return hgraphOrderSt(graph, order, startPosition, columnBlock, param->ole);
  }

  *separatorLoad = static_cast<double>(separation.partLoad[2]);

  // The three lists share the frontier array: separator, then part 0, then
  // part 1, each in increasing vertex order.
  const GraphNum separatorSize = separation.frontierCount;
  const GraphNum part0Size = separation.partSize[0];
  const GraphNum part1Size = separation.partSize[1];
  GraphNum* lists = separation.frontier;
  {
    // Next free slot of each list, indexed by part (2 is the separator).
    GraphNum next[3] = {separatorSize, separatorSize + part0Size, 0};
    for (GraphNum vertex = base; vertex < separation.graph.vertexEnd; vertex++)
      lists[next[separation.parts[vertex]]++] = vertex;
  }
  memFree(parts);
  separation.parts = nullptr;
  const GraphNum* separatorList = lists;
  const GraphNum* part0List = lists + separatorSize;
  const GraphNum* part1List = lists + separatorSize + part0Size;

  OrderColBlock* children = static_cast<OrderColBlock*>(memAlloc(3 * sizeof(OrderColBlock)));
  if (children == nullptr) {
    errorPrint("hgraphOrderNd: out of memory (2)");
    memFree(lists);
    return 1;
  }
  columnBlock->type = ORDER_BLOCK_DISSECTION;
  columnBlock->children = children;
  children[0] = OrderColBlock{ORDER_BLOCK_PLAIN, part0Size, 0, nullptr};
  children[1] = OrderColBlock{ORDER_BLOCK_PLAIN, part1Size, 0, nullptr};
  children[2] = OrderColBlock{ORDER_BLOCK_PLAIN, separatorSize, 0, nullptr};

  if (separatorSize > 0) {
    columnBlock->childCount = 3;
    order->treeNodeCount += 3;
    order->columnBlockCount += 2;

    Graph separatorGraph;
    graphInit(&separatorGraph);
    if (graphInduceList(&graph->graph, separatorSize, separatorList, &separatorGraph) != 0) {
      errorPrint("hgraphOrderNd: cannot build induced subgraph (1)");
      memFree(lists);
      return 1;
    }
    // The separator is ordered at the current level, not one deeper.
    Hgraph separatorHalo;
    hgraphFromGraph(&separatorHalo, &separatorGraph, graph->level);
    const int result =
        hgraphOrderSt(&separatorHalo, order, startPosition + part0Size + part1Size, &children[2], param->ose);
    graphExit(&separatorGraph);
    if (result != 0) {
      memFree(lists);
      return result;
    }
  } else {
    columnBlock->childCount = 2;
    order->treeNodeCount += 2;
    order->columnBlockCount += 1;
  }

  // The halo of each part is at most the separator plus the current halo.
  const GraphNum haloCapacity = separatorSize + (graph->graph.vertexCount - graph->nonHaloVertexCount);
  NdBranch branches[2] = {{part0Size, part0List, startPosition, &children[0], 2},
                          {part1Size, part1List, startPosition + part0Size, &children[1], 3}};
  int result;
  if (param->threads < 1)
    result = hgraphOrderNdBranches(graph, haloCapacity, order, branches, parameters);
  else
    result = hgraphOrderNdStreams(graph, haloCapacity, order, branches, param->threads, parameters);
  memFree(lists);
  return result;
}

// Operation counts of the factor of graph (no halo) under two orderings,
// each given as the vertex number of each position, in position order:
// the numbers are mapped back to the graph's vertices once for both.
// Compressed vertices count as one. Returns 0, or 1 after reporting a
// failure.
int hgraphOrderNdCosts(const Hgraph* graph, const GraphNum* const slices[2], double costs[2]) {
  const Graph& core = graph->graph;
  const GraphNum n = core.vertexCount;
  auto numberOf = [&core](GraphNum v) { return (core.vertexNumber != nullptr) ? core.vertexNumber[v] : v; };
  GraphNum lowest = numberOf(core.base);
  GraphNum highest = lowest;
  for (GraphNum v = core.base; v < core.vertexEnd; v++) {
    lowest = std::min(lowest, numberOf(v));
    highest = std::max(highest, numberOf(v));
  }
  // local[number - lowest]: the vertex of each number; permutation: the
  // position of each vertex, from the graph's base.
  const size_t span = static_cast<size_t>(highest - lowest + 1);
  GraphNum* local = static_cast<GraphNum*>(memAlloc((span + static_cast<size_t>(n)) * sizeof(GraphNum)));
  if (local == nullptr) {
    errorPrint("hgraphOrderNd: out of memory (4)");
    return 1;
  }
  GraphNum* permutation = local + span;
  for (GraphNum v = core.base; v < core.vertexEnd; v++) local[numberOf(v) - lowest] = v;
  int status = 0;
  for (int index = 0; (index < 2) && (status == 0); index++) {
    for (GraphNum k = 0; k < n; k++) permutation[local[slices[index][k] - lowest] - core.base] = core.base + k;
    FillStats stats;
    status = fillStatsCompute(&core, permutation, &stats);
    costs[index] = stats.opc;
  }
  memFree(local);
  return status;
}

}  // namespace

int hgraphOrderNd(Hgraph* graph, Order* order, GraphNum startPosition, OrderColBlock* columnBlock,
                  const void* parameters) {
  const HgraphOrderNdParam* param = static_cast<const HgraphOrderNdParam*>(parameters);
  const GraphNum nodeCount = order->treeNodeCount;
  const GraphNum blockCount = order->columnBlockCount;
  const OrderColBlock startBlock = *columnBlock;
  double separatorLoad;
  const int result = hgraphOrderNdDissect(graph, order, startPosition, columnBlock, parameters, &separatorLoad);
  if ((result != 0) || (param->whole <= 0.0) || (separatorLoad < 0.0) ||
      (graph->nonHaloVertexCount != graph->graph.vertexCount) ||
      (separatorLoad >= param->whole * std::sqrt(static_cast<double>(graph->nonHaloVertexLoadSum))))
    return result;

  // A small separator: the graph may be a strip, whose separators all cut
  // across it and each sit in a front with the two next to it, where
  // ordering it whole sweeps along it with a front of one. Both orderings
  // are counted exactly and the cheaper one is kept.
  const GraphNum n = graph->graph.vertexCount;
  GraphNum* slice = order->inversePermutation + startPosition;
  GraphNum* dissected = static_cast<GraphNum*>(memAlloc(static_cast<size_t>(n) * sizeof(GraphNum)));
  if (dissected == nullptr) return 0;  // the dissection stands
  memcpy(dissected, slice, static_cast<size_t>(n) * sizeof(GraphNum));
  OrderColBlock dissectedBlock = *columnBlock;
  const GraphNum dissectedNodes = order->treeNodeCount;
  const GraphNum dissectedBlocks = order->columnBlockCount;
  *columnBlock = startBlock;
  order->treeNodeCount = nodeCount;
  order->columnBlockCount = blockCount;
  const GraphNum* const slices[2] = {slice, dissected};  // whole, then dissected
  double costs[2];
  const bool keepWhole = (hgraphOrderSt(graph, order, startPosition, columnBlock, param->ole) == 0) &&
                         (hgraphOrderNdCosts(graph, slices, costs) == 0) && (costs[0] < costs[1]);
  if (keepWhole)
    orderExitBlock(&dissectedBlock);
  else {
    orderExitBlock(columnBlock);
    *columnBlock = dissectedBlock;
    order->treeNodeCount = dissectedNodes;
    order->columnBlockCount = dissectedBlocks;
    memcpy(slice, dissected, static_cast<size_t>(n) * sizeof(GraphNum));
  }
  memFree(dissected);
  return 0;
}
