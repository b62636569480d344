// Exact symbolic figures of the Cholesky factor under an ordering.
//
// Everything here works on positions 0 .. n-1 of the new numbering. The
// elimination tree is built with the path-compressed ancestor walk: when
// column k is reached, every earlier neighbour i of k climbs its compressed
// path to the current root of its subtree, which becomes a child of k.
//
// The column counts use the row-subtree characterisation: the nonzeros of
// row i of the factor are the nodes of the subtree of the elimination tree
// spanned by the earlier neighbours of i, up to i. Walking the columns in a
// postorder of the tree, each column j gets a weight delta[j] such that the
// sum of the weights over the subtree rooted at j is the count of column j:
// +1 for every row subtree of which j is a leaf, -1 at the least common
// ancestor of two consecutive leaves of one row subtree (where the two
// branches meet and would be counted twice), and -1 at the father of every
// node (which every node of its own column count also contributes). The
// least common ancestors come from a union-find over the tree processed so
// far. The whole computation is nearly linear in the size of the graph.
#include "front/fill_stats.h"

#include <cstring>
#include <memory>

namespace {


// Position of every vertex and vertex of every position, both from 0, after
// checking that the permutation is one. Returns 0 or 1 after reporting.
int fillStatsPositions(const Graph* graph, const GraphNum* permutation, const char* caller, GraphNum* positionOf,
                       GraphNum* vertexAt) {
  const GraphNum base = graph->base;
  const GraphNum n = graph->vertexCount;
  for (GraphNum i = 0; i < n; i++) vertexAt[i] = -1;
  for (GraphNum v = 0; v < n; v++) {
    GraphNum position = permutation[v] - base;
    if (position < 0 || position >= n || vertexAt[position] != -1) {
      errorPrint("%s: invalid permutation", caller);
      return 1;
    }
    vertexAt[position] = v;
    positionOf[v] = position;
  }
  for (GraphNum v = 0; v < n; v++) {
    GraphNum vertex = base + v;
    for (GraphNum arc = graph->edgeBegin[vertex]; arc < graph->edgeEnd[vertex]; arc++) {
      GraphNum end = graph->edgeTarget[arc];
      if (end < base || end >= graph->vertexEnd) {
        errorPrint("%s: invalid arc end", caller);
        return 1;
      }
    }
  }
  return 0;
}

// Elimination tree over positions: parent[j] > j, or -1 for a root.
// ancestor is scratch of n entries.
void fillStatsEtree(const Graph* graph, const GraphNum* positionOf, const GraphNum* vertexAt, GraphNum* parent,
                    GraphNum* ancestor) {
  const GraphNum base = graph->base;
  const GraphNum n = graph->vertexCount;
  for (GraphNum k = 0; k < n; k++) {
    parent[k] = -1;
    ancestor[k] = -1;  // -1: k is still the root of its compressed path
    GraphNum vertex = base + vertexAt[k];
    for (GraphNum arc = graph->edgeBegin[vertex]; arc < graph->edgeEnd[vertex]; arc++) {
      GraphNum i = positionOf[graph->edgeTarget[arc] - base];
      // Climb from i to the root of its current subtree, pointing every node
      // passed directly at k; the root found becomes a child of k.
      while (i != -1 && i < k) {
        GraphNum next = ancestor[i];
        ancestor[i] = k;
        if (next == -1) parent[i] = k;
        i = next;
      }
    }
  }
}

}  // namespace

int fillStatsTree(const Graph* graph, const GraphNum* permutation, GraphNum* parent) {
  const GraphNum n = graph->vertexCount;
  GraphNum* positionOf;
  GraphNum* vertexAt;
  GraphNum* ancestor;
  const size_t bytes = static_cast<size_t>(n) * sizeof(GraphNum);
  ScratchBlock block(
      memGroupAlloc({memEntry(positionOf, bytes), memEntry(vertexAt, bytes), memEntry(ancestor, bytes)}));
  if (block == nullptr) {
    errorPrint("fillStatsTree: out of memory");
    return 1;
  }
  if (fillStatsPositions(graph, permutation, "fillStatsTree", positionOf, vertexAt) != 0) return 1;
  fillStatsEtree(graph, positionOf, vertexAt, parent, ancestor);
  return 0;
}

int fillStatsCompute(const Graph* graph, const GraphNum* permutation, FillStats* stats, GraphNum* columnCounts) {
  return fillStatsComputeTree(graph, permutation, stats, columnCounts, nullptr);
}

int fillStatsComputeTree(const Graph* graph, const GraphNum* permutation, FillStats* stats, GraphNum* columnCounts,
                         GraphNum* parentOut) {
  const GraphNum base = graph->base;
  const GraphNum n = graph->vertexCount;
  const size_t bytes = static_cast<size_t>(n) * sizeof(GraphNum);

  GraphNum* positionOf;  // vertex (from 0) -> position
  GraphNum* vertexAt;    // position -> vertex (from 0)
  GraphNum* parent;      // elimination tree
  GraphNum* ancestor;    // compressed paths, then union-find of processed subtrees
  GraphNum* childHead;   // first child of each node, children in increasing order
  GraphNum* sibling;     // next child of the same father
  GraphNum* postorder;   // nodes in postorder; first used as the depth-first stack
  GraphNum* firstDesc;   // postorder index of the first descendant of each node
  GraphNum* maxFirst;    // per row: largest firstDesc of a leaf of its row subtree seen so far
  GraphNum* prevLeaf;    // per row: previous leaf of its row subtree
  GraphNum* delta;       // weights, summed into the column counts (diagonal included)
  ScratchBlock block(memGroupAlloc({memEntry(positionOf, bytes), memEntry(vertexAt, bytes), memEntry(parent, bytes),
                                    memEntry(ancestor, bytes), memEntry(childHead, bytes), memEntry(sibling, bytes),
                                    memEntry(postorder, bytes), memEntry(firstDesc, bytes), memEntry(maxFirst, bytes),
                                    memEntry(prevLeaf, bytes), memEntry(delta, bytes)}));
  if (block == nullptr) {
    errorPrint("fillStatsCompute: out of memory");
    return 1;
  }
  if (fillStatsPositions(graph, permutation, "fillStatsCompute", positionOf, vertexAt) != 0) return 1;
  fillStatsEtree(graph, positionOf, vertexAt, parent, ancestor);
  if (parentOut != nullptr) memcpy(parentOut, parent, bytes);

  // Postorder: children lists in increasing order (built backwards), then a
  // depth-first walk from every root in increasing order.
  for (GraphNum j = 0; j < n; j++) childHead[j] = -1;
  for (GraphNum j = n - 1; j >= 0; j--) {
    if (parent[j] != -1) {
      sibling[j] = childHead[parent[j]];
      childHead[parent[j]] = j;
    }
  }
  GraphNum postCount = 0;
  GraphNum* stack = prevLeaf;  // free until the count phase
  for (GraphNum root = 0; root < n; root++) {
    if (parent[root] != -1) continue;
    GraphNum top = 0;
    stack[top++] = root;
    while (top > 0) {
      GraphNum node = stack[top - 1];
      GraphNum child = childHead[node];
      if (child == -1) {  // all children done: emit the node
        top--;
        postorder[postCount++] = node;
      } else {
        childHead[node] = sibling[child];  // consume the child
        stack[top++] = child;
      }
    }
  }

  // First descendants and leaf weights.
  for (GraphNum j = 0; j < n; j++) {
    firstDesc[j] = -1;
    maxFirst[j] = -1;
    prevLeaf[j] = -1;
    ancestor[j] = j;
  }
  for (GraphNum k = 0; k < n; k++) {
    GraphNum j = postorder[k];
    delta[j] = (firstDesc[j] == -1) ? 1 : 0;  // a leaf of the tree counts its own diagonal
    for (; j != -1 && firstDesc[j] == -1; j = parent[j]) firstDesc[j] = k;
  }

  for (GraphNum k = 0; k < n; k++) {
    GraphNum j = postorder[k];
    if (parent[j] != -1) delta[parent[j]]--;
    GraphNum vertex = base + vertexAt[j];
    for (GraphNum arc = graph->edgeBegin[vertex]; arc < graph->edgeEnd[vertex]; arc++) {
      GraphNum i = positionOf[graph->edgeTarget[arc] - base];
      // j is a leaf of the row subtree of i when i comes later and no
      // earlier neighbour of i lies in the subtree of j.
      if (i <= j || firstDesc[j] <= maxFirst[i]) continue;
      maxFirst[i] = firstDesc[j];
      GraphNum previous = prevLeaf[i];
      prevLeaf[i] = j;
      delta[j]++;
      if (previous != -1) {
        // Least common ancestor of the previous leaf and j: the root of the
        // previous leaf's set in the union-find of processed subtrees.
        GraphNum meet = previous;
        while (meet != ancestor[meet]) meet = ancestor[meet];
        for (GraphNum node = previous; node != meet;) {
          GraphNum next = ancestor[node];
          ancestor[node] = meet;
          node = next;
        }
        delta[meet]--;
      }
    }
    if (parent[j] != -1) ancestor[j] = parent[j];
  }
  for (GraphNum k = 0; k < n; k++) {
    GraphNum j = postorder[k];
    if (parent[j] != -1) delta[parent[j]] += delta[j];
  }

  // Depths, fathers before sons since a father always comes later.
  GraphNum* depth = ancestor;
  GraphNum height = 0;
  int64_t nnzL = 0;
  double opc = 0.0;
  for (GraphNum j = n - 1; j >= 0; j--) {
    depth[j] = (parent[j] == -1) ? 1 : depth[parent[j]] + 1;
    if (depth[j] > height) height = depth[j];
    GraphNum below = delta[j] - 1;  // off-diagonal count of column j
    nnzL += below;
    opc += static_cast<double>(below) * static_cast<double>(below);
    if (columnCounts != nullptr) columnCounts[j] = below;
  }
  stats->nnzL = nnzL;
  stats->opc = opc;
  stats->treeHeight = height;
  return 0;
}

int fillStatsSupernodes(GraphNum n, const GraphNum* parent, const GraphNum* columnCounts, GraphNum* supernodeCount,
                        GraphNum* start) {
  GraphNum* sons;  // number of sons of each position
  ScratchBlock block(memGroupAlloc({memEntry(sons, static_cast<size_t>(n) * sizeof(GraphNum))}));
  if (block == nullptr) {
    errorPrint("fillStatsSupernodes: out of memory");
    return 1;
  }
  for (GraphNum j = 0; j < n; j++) sons[j] = 0;
  for (GraphNum j = 0; j < n; j++)
    if (parent[j] != -1) sons[parent[j]]++;
  GraphNum count = 0;
  for (GraphNum j = 0; j < n; j++) {
    bool continues = (j > 0) && (parent[j - 1] == j) && (sons[j] == 1) && (columnCounts[j - 1] == columnCounts[j] + 1);
    if (continues) continue;
    if (start != nullptr) start[count] = j;
    count++;
  }
  if (start != nullptr) start[count] = n;
  *supernodeCount = count;
  return 0;
}
