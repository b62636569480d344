// Life cycle of the Order record and the arrays derived from it: the direct
// permutation, the column-block ranges and the column-block fathers.
#include "order/order.h"

int orderInit(Order* order, GraphNum base, GraphNum vertexCount, GraphNum* inversePermutation) {
  order->flags = 0;
  order->base = base;
  order->vertexCount = vertexCount;
  order->treeNodeCount = 1;
  order->columnBlockCount = 1;
  order->rootBlock.type = ORDER_BLOCK_PLAIN;
  order->rootBlock.vertexCount = vertexCount;
  order->rootBlock.childCount = 0;
  order->rootBlock.children = nullptr;
  order->inversePermutation = inversePermutation;
  if (inversePermutation == nullptr) {
    // The contents are left undefined: the ordering methods write every position.
    order->inversePermutation =
        static_cast<GraphNum*>(memAlloc(static_cast<size_t>(vertexCount > 0 ? vertexCount : 0) * sizeof(GraphNum)));
    if (order->inversePermutation == nullptr) {
      errorPrint("orderInit: out of memory");
      return 1;
    }
    order->flags = ORDER_FREE_PERMUTATION;
  }
  return 0;
}

void orderExitBlock(OrderColBlock* block) {
  if (block->children != nullptr) {
    for (GraphNum i = 0; i < block->childCount; i++) orderExitBlock(&block->children[i]);
    memFree(block->children);
  }
  // The node is a leaf again, so that a second release frees nothing.
  block->children = nullptr;
  block->childCount = 0;
}

void orderExit(Order* order) {
  orderExitBlock(&order->rootBlock);
  if (((order->flags & ORDER_FREE_PERMUTATION) != 0) && (order->inversePermutation != nullptr))
    memFree(order->inversePermutation);
  order->inversePermutation = nullptr;
  order->flags = 0;
}

void orderInvertPermutation(const GraphNum* source, GraphNum sourceBase, GraphNum count, GraphNum* target,
                            GraphNum targetBase) {
  for (GraphNum i = 0; i < count; i++) target[source[i] - sourceBase] = targetBase + i;
}

namespace {

// Writes the first position of every leaf below the node, left to right.
void orderRangeBlock(const OrderColBlock* block, GraphNum*& range, GraphNum& start) {
  if (block->children == nullptr) {
    *range++ = start;
    start += block->vertexCount;
    return;
  }
  for (GraphNum i = 0; i < block->childCount; i++) orderRangeBlock(&block->children[i], range, start);
}

// Numbers the leaves from the right with a decreasing counter, so that
// left-to-right leaf order gives increasing numbers. Both parts of a
// dissection node hang below the last column block of its separator.
void orderFatherBlock(const OrderColBlock* block, GraphNum father, GraphNum base, GraphNum& counter,
                      GraphNum* fatherArray) {
  if (block->children == nullptr) {
    fatherArray[counter - base] = father;
    counter--;
    return;
  }
  if ((block->type == ORDER_BLOCK_DISSECTION) && (block->childCount == 3)) {
    const GraphNum separatorLast = counter;  // number the separator's last block is about to take
    orderFatherBlock(&block->children[2], father, base, counter, fatherArray);
    orderFatherBlock(&block->children[1], separatorLast, base, counter, fatherArray);
    orderFatherBlock(&block->children[0], separatorLast, base, counter, fatherArray);
    return;
  }
  for (GraphNum i = block->childCount - 1; i >= 0; i--)
    orderFatherBlock(&block->children[i], father, base, counter, fatherArray);
}

}  // namespace

void orderRangeArray(const Order* order, GraphNum* rangeArray) {
  GraphNum* range = rangeArray;
  GraphNum start = order->base;
  orderRangeBlock(&order->rootBlock, range, start);
  *range = order->base + order->vertexCount;
}

void orderFatherArray(const Order* order, GraphNum* fatherArray) {
  GraphNum counter = order->base + order->columnBlockCount - 1;
  orderFatherBlock(&order->rootBlock, -1, order->base, counter, fatherArray);
}
