// Helpers of the ordering tests: a full independent check of an Order,
// trees built from a description, strategies and halo graphs owned for the
// length of a test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "order/hgraph.h"
#include "order/order.h"
#include "strat/strat.h"

// Checks an Order completely: orderCheck accepts it, and an independent walk
// finds that the inverse permutation holds every vertex of [base, base + n)
// once, that every node covers at least one position with its children
// covering exactly its positions, and that the node and leaf counts and the
// column-block ranges agree with the record.
::testing::AssertionResult orderIsValid(const Order& order);

// The positions start to start + vertices.size() - 1 (0-based) hold exactly
// these vertex numbers, in any order.
::testing::AssertionResult positionsHold(const Order& order, GraphNum start, std::vector<GraphNum> vertices);

// Sizes of the leaves below a node, left to right.
std::vector<GraphNum> leafSizes(const OrderColBlock& block);

// The inverse permutation as a vector.
std::vector<GraphNum> inverseOf(const Order& order);

// A column-block tree described by value.
struct TreeShape {
  int type;
  GraphNum vertexCount;
  std::vector<TreeShape> children;
};
// Replaces the tree of the Order by the described one (children arrays
// allocated as the ordering methods do) and sets the two counts from it.
void setTree(Order* order, const TreeShape& shape);

// An ordering strategy parsed with the ordering table, released at the end
// of the scope.
class OrderStrat {
 public:
  explicit OrderStrat(const char* text);
  ~OrderStrat();
  OrderStrat(const OrderStrat&) = delete;
  OrderStrat& operator=(const OrderStrat&) = delete;
  const Strat* get() const { return strat_; }

 private:
  Strat* strat_;
};

// A graph from the test builders with its halo graph view (no halo), both
// released at the end of the scope.
struct HaloView {
  Graph graph;
  Hgraph halo;
  HaloView() { graphInit(&graph); }
  ~HaloView() { graphExit(&graph); }
  HaloView(const HaloView&) = delete;
  HaloView& operator=(const HaloView&) = delete;
  // Call after filling graph.
  Hgraph* wrap() {
    hgraphFromGraph(&halo, &graph, 0);
    return &halo;
  }
};

// An Order that owns its inverse permutation, released at the end of the scope.
struct OwnedOrder {
  Order order;
  OwnedOrder(GraphNum base, GraphNum vertexCount);
  ~OwnedOrder() { orderExit(&order); }
  OwnedOrder(const OwnedOrder&) = delete;
  OwnedOrder& operator=(const OwnedOrder&) = delete;
};

// Orders the halo graph with the strategy text into a fresh Order of the
// graph's non-halo size (base of the graph), at start position 0.
int orderWith(Hgraph* graph, const char* strategy, OwnedOrder& order);
