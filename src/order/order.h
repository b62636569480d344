// The result of ordering a graph: the inverse permutation and the
// column-block tree that records how the ordering methods split the graph.
#pragma once

#include "common/common.h"

enum {
  ORDER_BLOCK_PLAIN = 0,       // a column block, or a sequence of consecutive blocks
  ORDER_BLOCK_DISSECTION = 1,  // children: part 0, part 1 and, when not empty, the separator
  ORDER_BLOCK_COMPONENTS = 2,  // one child per connected component
};

enum { ORDER_FREE_PERMUTATION = 1 };

struct OrderColBlock {
  int type;
  GraphNum vertexCount;  // consecutive positions covered
  GraphNum childCount;   // 0 for a column block
  OrderColBlock* children;  // children in position order, or null for a column block
};

struct Order {
  int flags;
  GraphNum base;
  GraphNum vertexCount;
  GraphNum treeNodeCount;     // nodes of the tree, root included
  GraphNum columnBlockCount;  // leaves of the tree
  OrderColBlock rootBlock;
  GraphNum* inversePermutation;  // indexed from 0 by position - base; entry = vertex number
};

// Public ordering handle: the Order plus the caller's optional output arrays.
struct LibOrder {
  Order order;
  GraphNum* permutation;            // receives vertex -> position, or null
  GraphNum* inversePermutationOut;  // used directly as the Order's inverse permutation, or null
  GraphNum* columnBlockCountOut;    // receives the number of column blocks, or null
  GraphNum* rangeArray;             // receives the column-block ranges, or null
  GraphNum* treeArray;              // receives the column-block fathers, or null
};

int orderInit(Order* order, GraphNum base, GraphNum vertexCount, GraphNum* inversePermutation);
void orderExit(Order* order);
// Frees the children arrays below a node, depth first (not the node itself).
void orderExitBlock(OrderColBlock* block);
void orderInvertPermutation(const GraphNum* source, GraphNum sourceBase, GraphNum count, GraphNum* target,
                            GraphNum targetBase);
void orderRangeArray(const Order* order, GraphNum* rangeArray);
void orderFatherArray(const Order* order, GraphNum* fatherArray);
int orderCheck(const Order* order);
int orderLoad(Order* order, const GraphNum* vertexLabel, FILE* stream);
int orderSave(const Order* order, const GraphNum* vertexLabel, FILE* stream);
int orderSaveMap(const Order* order, const GraphNum* vertexLabel, FILE* stream);
int orderSaveTree(const Order* order, const GraphNum* vertexLabel, FILE* stream);
