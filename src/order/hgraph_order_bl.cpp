// Ordering method b: orders the graph with another strategy, then cuts
// every column block of the result into blocks of at least a minimum load.
//
// Each leaf of the column-block tree that the strategy produced is split
// on its own positions, with the loads of the vertices placed there; the
// strategy is run once and the ordering itself is never changed.
#include <algorithm>
#include <memory>

#include "order/hgraph_order_methods.h"

namespace {

using ScratchArray = std::unique_ptr<GraphNum[], MemFreeDeleter>;

GraphNum* allocateEntries(size_t count) { return static_cast<GraphNum*>(memAlloc(count * sizeof(GraphNum))); }

// Load of every position of the graph's range, from 0 at the start
// position: the Order holds vertex numbers of the graph given to the library
// (vertexNumber), which are matched with the graph's own vertices by
// sorting both sides by that number. Null on failure, after reporting.
GraphNum* hgraphOrderBlPositionLoads(const Hgraph* graph, const Order* order, GraphNum startPosition) {
  const Graph& core = graph->graph;
  const GraphNum count = graph->nonHaloVertexCount;
  ScratchArray byNumber(allocateEntries(2 * static_cast<size_t>(count)));    // (number, load) pairs
  ScratchArray byPosition(allocateEntries(2 * static_cast<size_t>(count)));  // (number, position) pairs
  GraphNum* positionLoad = allocateEntries(static_cast<size_t>(count));
  if ((byNumber == nullptr) || (byPosition == nullptr) || (positionLoad == nullptr)) {
    errorPrint("hgraphOrderBl: out of memory");
    memFree(positionLoad);
    return nullptr;
  }
  for (GraphNum i = 0; i < count; i++) {
    const GraphNum vertex = core.base + i;
    byNumber[2 * i] = (core.vertexNumber != nullptr) ? core.vertexNumber[vertex] : vertex;
    byNumber[2 * i + 1] = core.vertexLoad[vertex];
    byPosition[2 * i] = order->inversePermutation[startPosition + i];
    byPosition[2 * i + 1] = i;
  }
  intSort2asc1(byNumber.get(), count);
  intSort2asc1(byPosition.get(), count);
  for (GraphNum i = 0; i < count; i++) {
    // The strategy must have placed exactly the graph's vertices.
    if (byNumber[2 * i] != byPosition[2 * i]) {
      errorPrint("hgraphOrderBl: strategy did not order the graph's vertices");
      memFree(positionLoad);
      return nullptr;
    }
    positionLoad[byPosition[2 * i + 1]] = byNumber[2 * i + 1];
  }
  return positionLoad;
}

// Splits a leaf covering positions offset to offset + vertexCount - 1 (from
// the start position) into blocks of load at least cmin, when it holds at
// least two vertices and twice that load. Without loads the blocks differ by
// at most one position, the larger first; with loads block j ends as soon as
// the running load reaches m (j + 1) + min (j + 1, r), where m and r are the
// quotient and remainder of the load by the block count h.
int hgraphOrderBlLeaf(Order* order, OrderColBlock* block, GraphNum offset, const GraphNum* positionLoad,
                      GraphNum cmin) {
  const GraphNum count = block->vertexCount;
  if (count <= 1) return 0;
  int64_t load = count;
  if (positionLoad != nullptr) {
    load = 0;
    for (GraphNum p = 0; p < count; p++) load += positionLoad[offset + p];
  }
  if (load < 2 * static_cast<int64_t>(cmin)) return 0;

  const int64_t blockTarget = load / cmin;  // h
  const GraphNum childMax = static_cast<GraphNum>(std::min<int64_t>(blockTarget, count));
  OrderColBlock* children =
      static_cast<OrderColBlock*>(memAlloc(static_cast<size_t>(childMax) * sizeof(OrderColBlock)));
  if (children == nullptr) {
    errorPrint("hgraphOrderBl: out of memory");
    return 1;
  }
  GraphNum childCount = 0;
  if (positionLoad == nullptr) {  // here h <= count since the load is the count
    for (GraphNum k = 0; k < childMax; k++)
      children[childCount++] = OrderColBlock{ORDER_BLOCK_PLAIN, (count + childMax - 1 - k) / childMax, 0, nullptr};
  } else {
    const int64_t quotient = load / blockTarget;
    const int64_t remainder = load % blockTarget;
    auto target = [&](int64_t j) { return quotient * (j + 1) + std::min<int64_t>(j + 1, remainder); };
    int64_t sum = 0;
    int64_t j = 0;
    GraphNum blockStart = 0;
    for (GraphNum p = 0; p < count; p++) {
      sum += positionLoad[offset + p];
      if ((j < blockTarget) && (sum >= target(j))) {
        children[childCount++] = OrderColBlock{ORDER_BLOCK_PLAIN, p + 1 - blockStart, 0, nullptr};
        blockStart = p + 1;
        while ((j < blockTarget) && (target(j) <= sum)) j++;  // targets already reached are skipped
      }
    }
    // Only vertices without load can follow the last target: they join the last block.
    if ((blockStart < count) && (childCount > 0)) children[childCount - 1].vertexCount += count - blockStart;
  }
  if (childCount < 2) {  // a single block would be the leaf itself
    memFree(children);
    return 0;
  }
  block->childCount = childCount;
  block->children = children;
  order->treeNodeCount += childCount;
  order->columnBlockCount += childCount - 1;
  return 0;
}

int hgraphOrderBlTree(Order* order, OrderColBlock* block, GraphNum offset, const GraphNum* positionLoad,
                      GraphNum cmin) {
  if (block->children == nullptr) return hgraphOrderBlLeaf(order, block, offset, positionLoad, cmin);
  for (GraphNum i = 0; i < block->childCount; i++) {
    if (hgraphOrderBlTree(order, &block->children[i], offset, positionLoad, cmin) != 0) return 1;
    offset += block->children[i].vertexCount;
  }
  return 0;
}

}  // namespace

int hgraphOrderBl(Hgraph* graph, Order* order, GraphNum startPosition, OrderColBlock* columnBlock,
                  const void* parameters) {
  const HgraphOrderBlParam* param = static_cast<const HgraphOrderBlParam*>(parameters);
  if (param->cmin < 1) {
    errorPrint("hgraphOrderBl: invalid minimum block size");
    return 1;
  }
  if (hgraphOrderSt(graph, order, startPosition, columnBlock, param->strat) != 0) return 1;
  if (graph->nonHaloVertexCount < 2) return 0;

  GraphNum* positionLoad = nullptr;
  if (graph->graph.vertexLoad != nullptr) {
    positionLoad = hgraphOrderBlPositionLoads(graph, order, startPosition);
    if (positionLoad == nullptr) return 1;
  }
  const int status = hgraphOrderBlTree(order, columnBlock, 0, positionLoad, param->cmin);
  memFree(positionLoad);
  return status;
}
