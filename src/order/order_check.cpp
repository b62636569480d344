// Consistency check of an Order: the inverse permutation is a permutation
// and the column-block tree agrees with itself and with the record's counts.
#include "order/order.h"

namespace {

// Checks the subtree of a node and adds its extra column blocks and nodes
// to the running counts.
int orderCheck2(const OrderColBlock* block, GraphNum* columnBlockCount, GraphNum* treeNodeCount) {
  if (block->vertexCount < 1) {
    errorPrint("orderCheck2: invalid number of vertex nodes (1)");
    return 1;
  }
  if (block->children == nullptr) {
    if (block->childCount != 0) {
      errorPrint("orderCheck2: invalid number of column blocks (2)");
      return 1;
    }
    return 0;
  }
  if (block->childCount < 1) {
    errorPrint("orderCheck2: invalid number of column blocks (1)");
    return 1;
  }
  *columnBlockCount += block->childCount - 1;
  *treeNodeCount += block->childCount;
  GraphNum childVertexSum = 0;
  for (GraphNum i = 0; i < block->childCount; i++) {
    if (orderCheck2(&block->children[i], columnBlockCount, treeNodeCount) != 0) return 1;
    childVertexSum += block->children[i].vertexCount;
  }
  if (childVertexSum != block->vertexCount) {
    errorPrint("orderCheck2: invalid number of vertex nodes (2)");
    return 1;
  }
  return 0;
}

}  // namespace

int orderCheck(const Order* order) {
  if (order->vertexCount != order->rootBlock.vertexCount) {
    errorPrint("orderCheck: invalid vertex count");
    return 1;
  }
  if ((order->columnBlockCount < 0) || (order->columnBlockCount > order->treeNodeCount)) {
    errorPrint("orderCheck: invalid column block count (1)");
    return 1;
  }

  // Position of each vertex, -1 until its position is found.
  GraphNum* position =
      static_cast<GraphNum*>(memAlloc(static_cast<size_t>(order->vertexCount > 0 ? order->vertexCount : 0) *
                                      sizeof(GraphNum)));
  if (position == nullptr) {
    errorPrint("orderCheck: out of memory");
    return 1;
  }
  for (GraphNum i = 0; i < order->vertexCount; i++) position[i] = -1;
  int status = 0;
  for (GraphNum i = 0; i < order->vertexCount; i++) {
    const GraphNum vertex = order->inversePermutation[i];
    if ((vertex < order->base) || (vertex >= order->base + order->vertexCount)) {
      errorPrint("orderCheck: invalid index");
      status = 1;
      break;
    }
    if (position[vertex - order->base] != -1) {
      errorPrint("orderCheck: duplicate index");
      status = 1;
      break;
    }
    position[vertex - order->base] = i;
  }
  if (status == 0) {
    for (GraphNum i = 0; i < order->vertexCount; i++) {
      if (position[i] == -1) {
        errorPrint("orderCheck: missing index");
        status = 1;
        break;
      }
    }
  }
  memFree(position);
  if (status != 0) return 1;

  GraphNum columnBlockCount = 1;
  GraphNum treeNodeCount = 1;
  if (orderCheck2(&order->rootBlock, &columnBlockCount, &treeNodeCount) != 0) return 1;
  if (columnBlockCount != order->columnBlockCount) {
    errorPrint("orderCheck: invalid number of column blocks");
    return 1;
  }
  if (treeNodeCount != order->treeNodeCount) {
    errorPrint("orderCheck: invalid number of tree nodes");
    return 1;
  }
  return 0;
}
