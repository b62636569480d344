// Reference computations for the front-end tests, written independently of
// the code under test: orderings and column-block partitions to try, and the
// block structure of the factor computed two other ways.
#pragma once

#include <random>
#include <vector>

#include "front/symbol.h"
#include "order/library_order.h"
#include "support/test_support.h"

// Orderings, as vertex (from 0) -> position (in the graph's base).
std::vector<GraphNum> identityPermutation(const Graph* graph);
std::vector<GraphNum> randomPermutation(const Graph* graph, std::mt19937& random);
// Reversed breadth-first numbering, component by component: a banded
// ordering with moderate fill on meshes.
std::vector<GraphNum> reversedBreadthFirstPermutation(const Graph* graph);

// Column-block partitions, as range arrays (column block count + 1 entries,
// positions in base; first entry base, last base + vertex count).
std::vector<GraphNum> singletonRanges(const Graph* graph);
std::vector<GraphNum> wholeRange(const Graph* graph);
std::vector<GraphNum> randomRanges(const Graph* graph, std::mt19937& random, GraphNum maxWidth);
// Fundamental supernodes: column j + 1 joins the block of column j when it
// is j's father in the elimination tree and its only son, and the column
// counts nest (count(j) = count(j + 1) + 1).
std::vector<GraphNum> supernodeRanges(const Graph* graph, const std::vector<GraphNum>& permutation);

// A complete interface order held in vectors; order's arrays point into them.
struct TestOrder {
  std::vector<GraphNum> permutation;
  std::vector<GraphNum> inversePermutation;
  std::vector<GraphNum> ranges;
  InterfaceOrder order;
};
void makeTestOrder(TestOrder* result, const Graph* graph, const std::vector<GraphNum>& permutation,
                   const std::vector<GraphNum>& ranges);

struct RefBlock {
  GraphNum firstRow;
  GraphNum lastRow;
  GraphNum facing;  // column block number, in base
  bool operator==(const RefBlock&) const = default;
};
// Per column block, its blocks: the diagonal block first, then the
// off-diagonal ones in increasing row order.
using RefStructure = std::vector<std::vector<RefBlock>>;

// Dense block elimination: each column block in turn is eliminated as a
// whole, making every later vertex adjacent to it adjacent to every other.
// Cost cubic in the vertex count: small graphs only.
RefStructure cliqueReference(const Graph* graph, const std::vector<GraphNum>& permutation,
                             const std::vector<GraphNum>& ranges);
// Scalar structure of a graph in which the consecutive columns of every
// column block are joined by an edge, so that each column block is a chain
// of the elimination tree whose last column holds the rows of the whole
// block column. Rows come from a traversal of the row subtrees; cost
// proportional to the size of the factor.
RefStructure scalarReference(const Graph* graph, const std::vector<GraphNum>& permutation,
                             const std::vector<GraphNum>& ranges);
// The same graph with the chain edges added (owned by the result).
void chainedGraph(Graph* result, const Graph* graph, const std::vector<GraphNum>& permutation,
                  const std::vector<GraphNum>& ranges);

// Structure held by a symbol matrix, after checking its column block entries
// against the ranges (reported as test failures).
RefStructure symbolStructure(const SymbolMatrix& symbol, const std::vector<GraphNum>& ranges);

// Random undirected graph on vertexCount vertices, each pair joined with the
// given probability.
void buildRandomGraph(Graph* graph, GraphNum base, GraphNum vertexCount, double probability, std::mt19937& random);
