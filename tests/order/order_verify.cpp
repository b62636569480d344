#include "order_verify.h"

#include <algorithm>

#include "support/test_support.h"

namespace {

struct TreeCounts {
  GraphNum nodes = 0;
  GraphNum leaves = 0;
};

::testing::AssertionResult walkTree(const OrderColBlock& block, TreeCounts& counts, const std::string& path) {
  counts.nodes++;
  if (block.vertexCount < 1)
    return ::testing::AssertionFailure() << "node " << path << " covers " << block.vertexCount << " positions";
  if (block.children == nullptr) {
    if (block.childCount != 0)
      return ::testing::AssertionFailure() << "leaf " << path << " has child count " << block.childCount;
    counts.leaves++;
    return ::testing::AssertionSuccess();
  }
  if (block.childCount < 1)
    return ::testing::AssertionFailure() << "node " << path << " has a children array but no child";
  if ((block.type == ORDER_BLOCK_DISSECTION) && (block.childCount != 2) && (block.childCount != 3))
    return ::testing::AssertionFailure() << "dissection node " << path << " has " << block.childCount << " children";
  GraphNum covered = 0;
  for (GraphNum i = 0; i < block.childCount; i++) {
    auto result = walkTree(block.children[i], counts, path + "/" + std::to_string(i));
    if (!result) return result;
    covered += block.children[i].vertexCount;
  }
  if (covered != block.vertexCount)
    return ::testing::AssertionFailure() << "children of " << path << " cover " << covered << " of "
                                         << block.vertexCount << " positions";
  return ::testing::AssertionSuccess();
}

void collectLeaves(const OrderColBlock& block, std::vector<GraphNum>& sizes) {
  if (block.children == nullptr) {
    sizes.push_back(block.vertexCount);
    return;
  }
  for (GraphNum i = 0; i < block.childCount; i++) collectLeaves(block.children[i], sizes);
}

OrderColBlock makeBlock(const TreeShape& shape, TreeCounts& counts) {
  OrderColBlock block{shape.type, shape.vertexCount, 0, nullptr};
  counts.nodes++;
  if (shape.children.empty()) {
    counts.leaves++;
    return block;
  }
  block.childCount = static_cast<GraphNum>(shape.children.size());
  block.children = static_cast<OrderColBlock*>(memAlloc(shape.children.size() * sizeof(OrderColBlock)));
  for (size_t i = 0; i < shape.children.size(); i++) block.children[i] = makeBlock(shape.children[i], counts);
  return block;
}

}  // namespace

::testing::AssertionResult orderIsValid(const Order& order) {
  if (order.vertexCount != order.rootBlock.vertexCount)
    return ::testing::AssertionFailure() << "root covers " << order.rootBlock.vertexCount << " of "
                                         << order.vertexCount << " vertices";
  std::vector<GraphNum> sorted = inverseOf(order);
  std::sort(sorted.begin(), sorted.end());
  for (GraphNum i = 0; i < order.vertexCount; i++)
    if (sorted[i] != order.base + i)
      return ::testing::AssertionFailure() << "inverse permutation misses vertex " << order.base + i;

  TreeCounts counts;
  auto tree = walkTree(order.rootBlock, counts, "root");
  if (!tree) return tree;
  if (counts.nodes != order.treeNodeCount)
    return ::testing::AssertionFailure() << "tree has " << counts.nodes << " nodes, record says "
                                         << order.treeNodeCount;
  if (counts.leaves != order.columnBlockCount)
    return ::testing::AssertionFailure() << "tree has " << counts.leaves << " leaves, record says "
                                         << order.columnBlockCount;

  std::vector<GraphNum> ranges(order.columnBlockCount + 1, -7);
  orderRangeArray(&order, ranges.data());
  std::vector<GraphNum> sizes = leafSizes(order.rootBlock);
  GraphNum start = order.base;
  for (size_t k = 0; k < sizes.size(); k++) {
    if (ranges[k] != start) return ::testing::AssertionFailure() << "range " << k << " is " << ranges[k];
    start += sizes[k];
  }
  if (ranges.back() != order.base + order.vertexCount)
    return ::testing::AssertionFailure() << "last range is " << ranges.back();

  ErrorCapture capture;
  if (orderCheck(&order) != 0) return ::testing::AssertionFailure() << "orderCheck refuses: " << capture.first();
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult positionsHold(const Order& order, GraphNum start, std::vector<GraphNum> vertices) {
  std::vector<GraphNum> held(order.inversePermutation + start, order.inversePermutation + start + vertices.size());
  std::sort(held.begin(), held.end());
  std::sort(vertices.begin(), vertices.end());
  if (held != vertices) {
    auto failure = ::testing::AssertionFailure() << "positions from " << start << " hold";
    for (GraphNum v : held) failure << " " << v;
    return failure;
  }
  return ::testing::AssertionSuccess();
}

std::vector<GraphNum> leafSizes(const OrderColBlock& block) {
  std::vector<GraphNum> sizes;
  collectLeaves(block, sizes);
  return sizes;
}

std::vector<GraphNum> inverseOf(const Order& order) {
  return std::vector<GraphNum>(order.inversePermutation, order.inversePermutation + order.vertexCount);
}

void setTree(Order* order, const TreeShape& shape) {
  orderExitBlock(&order->rootBlock);
  TreeCounts counts;
  order->rootBlock = makeBlock(shape, counts);
  order->treeNodeCount = counts.nodes;
  order->columnBlockCount = counts.leaves;
}

OrderStrat::OrderStrat(const char* text) : strat_(stratBuild(&hgraphOrderStTable, text)) {
  EXPECT_NE(strat_, nullptr) << "strategy " << text;
}

OrderStrat::~OrderStrat() { stratRelease(strat_); }

OwnedOrder::OwnedOrder(GraphNum base, GraphNum vertexCount) { orderInit(&order, base, vertexCount, nullptr); }

int orderWith(Hgraph* graph, const char* strategy, OwnedOrder& order) {
  OrderStrat strat(strategy);
  if (strat.get() == nullptr) return 1;
  return hgraphOrderSt(graph, &order.order, 0, &order.order.rootBlock, strat.get());
}
