// Shared part of the halo minimum degree and minimum fill methods: the
// conversion of a halo graph into the kernels' input, the builder that
// turns the kernels' assembly tree into an ordering with column blocks, and
// the method body that runs them.

#include "order/hall_order_hx.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#include "order/hgraph_order_methods.h"

namespace {

constexpr GraphNum kNone = -1;

// Block lists. The vertices of a node's column block form a circular list
// through blockList, in the order in which they are written; blockTail[node]
// is its last vertex, so the first is blockList[blockTail[node]]. A node's
// list starts as the node alone; the vertices that the kernel merged into
// it follow it, and the blocks of sons merged into it go in front of it.
// Written in that order, every vertex comes after the vertices of its
// subtree, so the ordering stays a topological order of the assembly tree
// and merging blocks adds no fill to the scalar factor. Both operations
// below are O(1).

// Puts vertex right after node, ahead of the vertices already held.
void blockPutAfterNode(GraphNum* blockList, GraphNum* blockTail, GraphNum node, GraphNum vertex) {
  blockList[vertex] = blockList[node];
  blockList[node] = vertex;
  if (blockTail[node] == node) blockTail[node] = vertex;
}

// The block of parent becomes the child's block followed by its own.
void blockMerge(GraphNum* blockList, GraphNum* blockTail, GraphNum parent, GraphNum child) {
  GraphNum childTail = blockTail[child];
  GraphNum parentTail = blockTail[parent];
  GraphNum childHead = blockList[childTail];
  GraphNum parentHead = blockList[parentTail];
  blockList[childTail] = parentHead;
  blockList[parentTail] = childHead;
}

struct TreeWriter {
  const GraphNum* weight;
  const GraphNum* father;
  const GraphNum* firstSon;
  const GraphNum* nextBrother;
  const GraphNum* blockList;
  const GraphNum* blockTail;
  GraphNum* target;
  GraphNum written;

  // A live node writes its block; a node merged into its father writes
  // nothing (its vertices are in the father's block), its sons standing in
  // its place.
  void emit(GraphNum node) {
    if (weight[node] <= 0) return;
    GraphNum tail = blockTail[node];
    for (GraphNum member = blockList[tail];; member = blockList[member]) {
      target[written++] = member;
      if (member == tail) break;
    }
  }

  // Postorder of the subtree of root, sons in son-list order, without
  // recursion: climbing back goes through the father links.
  void writeSubtree(GraphNum root) {
    GraphNum node = root;
    while (firstSon[node] != kNone) node = firstSon[node];
    for (;;) {
      emit(node);
      if (node == root) return;
      if (nextBrother[node] != kNone) {
        node = nextBrother[node];
        while (firstSon[node] != kNone) node = firstSon[node];
      } else {
        node = father[node];
      }
    }
  }
};

}  // namespace

GraphNum hallOrderHxWorkspaceSize(const Hgraph* graph) {
  const Graph& core = graph->graph;
  // The arc count rules, unless the arrays hold more arcs than it says.
  int64_t arcs = core.arcCount;
  int64_t listed = 0;
  for (GraphNum vertex = core.base; vertex < core.vertexEnd; vertex++)
    listed += core.edgeEnd[vertex] - core.edgeBegin[vertex];
  if (listed > arcs) arcs = listed;
  int64_t size = static_cast<int64_t>(1.2L * static_cast<long double>(arcs)) + 32;
  if (size < core.vertexCount) size = core.vertexCount;
  return size > INT32_MAX ? -1 : static_cast<GraphNum>(size);
}

void hallOrderHxConvert(const Hgraph* graph, GraphNum* start, GraphNum* length, GraphNum* workspace,
                        GraphNum* weight, GraphNum* elementLength, GraphNum* freePosition) {
  const Graph& core = graph->graph;
  const GraphNum base = core.base;
  GraphNum position = 1;
  for (GraphNum vertex = base; vertex < core.vertexEnd; vertex++) {
    GraphNum i = vertex - base + 1;
    start[i] = position;
    for (GraphNum arc = core.edgeBegin[vertex]; arc < core.edgeEnd[vertex]; arc++)
      workspace[position++] = core.edgeTarget[arc] - base + 1;
    GraphNum degree = core.edgeEnd[vertex] - core.edgeBegin[vertex];
    if (vertex < graph->nonHaloVertexEnd)
      length[i] = degree;
    else
      length[i] = degree > 0 ? -degree : -core.vertexLoadSum - 1;
    weight[i] = core.vertexLoad != nullptr ? core.vertexLoad[vertex] : 1;
    elementLength[i] = 0;
  }
  *freePosition = position;
}

GraphNum hallOrderHxLastList(GraphNum n, GraphNum iwlen, int64_t keyRange) {
  // Four entries per vertex and one per workspace entry: the lists then take
  // no more room than the workspace and the vertex arrays together.
  int64_t lastList = 4 * int64_t{n} + iwlen + 64;
  if (lastList > keyRange) lastList = keyRange;
  if (lastList < n) lastList = n;
  return static_cast<GraphNum>(std::min<int64_t>(lastList, INT32_MAX - 1));
}

int hallOrderHxBuild(GraphNum base, GraphNum vertexCount, GraphNum nonHaloCount, const GraphNum* vertexNumber,
                     Order* order, OrderColBlock* columnBlock, GraphNum* weight, GraphNum* size, double frat,
                     GraphNum* loads, GraphNum* start, GraphNum* firstSon, GraphNum* nextBrother,
                     GraphNum* blockList, GraphNum* blockTail, GraphNum* pendingChildren, GraphNum* target,
                     GraphNum* leafQueue, GraphNum cmin, GraphNum cmax) {
  const GraphNum vertexEnd = base + vertexCount;
  const GraphNum nonHaloEnd = base + nonHaloCount;
  for (GraphNum vertex = base; vertex < vertexEnd; vertex++) {
    size[vertex] = 0;
    firstSon[vertex] = kNone;  // for a halo vertex: its proxy root, once made
    nextBrother[vertex] = kNone;
    blockList[vertex] = vertex;
    blockTail[vertex] = vertex;
    pendingChildren[vertex] = 0;
  }

  // 1. The assembly tree. start[] is read in the kernel's numbering (-j for
  // vertex j from 1) and rewritten, for the nodes, to the father's vertex
  // number or kNone.
  GraphNum blockCount = 0;
  GraphNum lastRoot = kNone;
  bool consistent = true;
  for (GraphNum vertex = base; vertex < nonHaloEnd && consistent; vertex++) {
    GraphNum code = start[vertex];
    if (weight[vertex] > 0) {
      size[vertex] += 1;
      blockCount++;
      if (code < 0 && -code <= nonHaloCount) {
        GraphNum father = base - code - 1;
        start[vertex] = father;
        nextBrother[vertex] = firstSon[father];
        firstSon[father] = vertex;
        pendingChildren[father]++;
      } else {
        start[vertex] = kNone;
        lastRoot = vertex;
      }
      continue;
    }
    if (code >= 0 || -code > vertexCount) {
      consistent = false;
      break;
    }
    GraphNum representative = base - code - 1;
    GraphNum load = loads != nullptr ? loads[vertex] : 1;
    if (representative < nonHaloEnd) {
      if (weight[representative] <= 0) {
        consistent = false;
        break;
      }
      blockPutAfterNode(blockList, blockTail, representative, vertex);
      size[representative]++;
      if (loads != nullptr) loads[representative] += load;
    } else if (firstSon[representative] == kNone) {  // first vertex held by this halo vertex
      firstSon[representative] = vertex;
      weight[vertex] = load;
      size[vertex] = 1;
      start[vertex] = kNone;
      lastRoot = vertex;
      blockCount++;
    } else {
      GraphNum proxy = firstSon[representative];
      blockPutAfterNode(blockList, blockTail, proxy, vertex);
      size[proxy]++;
      weight[proxy] += load;
      if (loads != nullptr) loads[proxy] += load;
    }
  }
  if (!consistent) {
    errorPrint("hallOrderHxBuild: internal error");
    return 1;
  }

  // 2. Merging, from the leaves up: a node is examined once all its sons
  // have been, so its father is still a node when it is.
  GraphNum queueHead = base;
  GraphNum queueTail = base;
  for (GraphNum vertex = base; vertex < nonHaloEnd; vertex++)
    if (weight[vertex] > 0 && start[vertex] != kNone && firstSon[vertex] == kNone) leafQueue[queueTail++] = vertex;
  const float fillRatio = static_cast<float>(frat);
  while (queueHead < queueTail) {
    GraphNum child = leafQueue[queueHead++];
    GraphNum father = start[child];
    GraphNum childSize = loads != nullptr ? loads[child] : size[child];
    GraphNum fatherSize = loads != nullptr ? loads[father] : size[father];
    if (int64_t{childSize} + fatherSize <= cmax) {
      float childLoad = static_cast<float>(childSize);
      float fatherFront = static_cast<float>(weight[father]);
      float extraFill = 2.0f * childLoad * (childLoad + fatherFront - static_cast<float>(weight[child]));
      if (childSize < cmin || extraFill < fatherFront * fatherFront * fillRatio) {
        weight[father] += childSize;
        size[father] += size[child];
        if (loads != nullptr) loads[father] += childSize;
        weight[child] = 0;
        blockMerge(blockList, blockTail, father, child);
        blockCount--;
      }
    }
    if (--pendingChildren[father] == 0 && start[father] != kNone) leafQueue[queueTail++] = father;
  }

  // 3. Postorder, the last root met first, then the other roots in vertex
  // order.
  TreeWriter writer{weight, start, firstSon, nextBrother, blockList, blockTail, target, 0};
  if (lastRoot != kNone) writer.writeSubtree(lastRoot);
  for (GraphNum vertex = base; vertex < nonHaloEnd; vertex++)
    if (vertex != lastRoot && weight[vertex] > 0 && start[vertex] == kNone) writer.writeSubtree(vertex);
  if (writer.written != nonHaloCount) {  // a tree that does not reach every vertex
    errorPrint("hallOrderHxBuild: internal error");
    return 1;
  }

  // 4. Column blocks, one per remaining node, in position order.
  if (blockCount > 1) {
    OrderColBlock* children = static_cast<OrderColBlock*>(memAlloc(blockCount * sizeof(OrderColBlock)));
    if (children == nullptr) {
      errorPrint("hallOrderHxBuild: out of memory");
      return 1;
    }
    GraphNum child = 0;
    for (GraphNum position = 0; position < nonHaloCount; position++) {
      GraphNum vertex = target[position];
      if (weight[vertex] <= 0) continue;
      children[child].type = ORDER_BLOCK_PLAIN;
      children[child].vertexCount = size[vertex];
      children[child].childCount = 0;
      children[child].children = nullptr;
      child++;
    }
    columnBlock->childCount = blockCount;
    columnBlock->children = children;
    order->treeNodeCount += blockCount;
    order->columnBlockCount += blockCount - 1;
  }

  // 5. Numbers in the graph given to the library.
  if (vertexNumber != nullptr)
    for (GraphNum position = 0; position < nonHaloCount; position++) target[position] = vertexNumber[target[position]];
  return 0;
}

int hallOrderHxOrder(Hgraph* graph, Order* order, GraphNum startPosition, OrderColBlock* columnBlock,
                     const void* parameters, HallOrderKernelKind kind, const char* methodName) {
  const HgraphOrderHxParam* param = static_cast<const HgraphOrderHxParam*>(parameters);
  if (graph->nonHaloVertexLoadSum < param->cmin)
    return hgraphOrderSimple(graph, order, startPosition, columnBlock, nullptr);

  const Graph& core = graph->graph;
  const GraphNum n = core.vertexCount;
  const GraphNum degreeBound = core.vertexLoadSum;
  const GraphNum iwlen = hallOrderHxWorkspaceSize(graph);
  if (iwlen < 0) {
    errorPrint("%s: out of memory", methodName);
    return 1;
  }
  // The kernels need the load sum to cover every vertex's load, and the
  // builder needs the lists to hold one entry per vertex.
  if (degreeBound < n) {
    errorPrint("%s: invalid vertex load sum", methodName);
    return 1;
  }
  const int64_t keyRange = kind == HALL_ORDER_FILL ? 2 * int64_t{degreeBound} : int64_t{degreeBound};
  const GraphNum lastList = hallOrderHxLastList(n, iwlen, keyRange);
  const size_t vertexBytes = static_cast<size_t>(n) * sizeof(GraphNum);
  const size_t headBytes = (static_cast<size_t>(lastList) + 1) * sizeof(GraphNum);
  GraphNum *start, *length, *workspace, *weight, *elementLength, *last, *degree, *head, *next, *loads;
  int64_t* work;
  void* block = memGroupAlloc({memEntry(start, vertexBytes), memEntry(length, vertexBytes),
                               memEntry(workspace, static_cast<size_t>(iwlen) * sizeof(GraphNum)),
                               memEntry(weight, vertexBytes), memEntry(elementLength, vertexBytes),
                               memEntry(last, vertexBytes), memEntry(degree, vertexBytes), memEntry(head, headBytes),
                               memEntry(next, vertexBytes), memEntry(work, static_cast<size_t>(n) * sizeof(int64_t)),
                               memEntry(loads, core.vertexLoad != nullptr ? vertexBytes : 0)});
  if (block == nullptr) {
    errorPrint("%s: out of memory", methodName);
    return 1;
  }

  // The kernels see 1-based arrays.
  GraphNum freePosition;
  hallOrderHxConvert(graph, start - 1, length - 1, workspace - 1, weight - 1, elementLength - 1, &freePosition);
  GraphNum compressionCount;
  if (kind == HALL_ORDER_FILL)
    hallOrderHfR3Hamdf4(degreeBound, n, 0, iwlen, start - 1, freePosition, length - 1, workspace - 1, weight - 1,
                        elementLength - 1, last - 1, &compressionCount, degree - 1, head, lastList, next - 1,
                        work - 1);
  else
    hallOrderHdR2Halmd(degreeBound, n, 0, iwlen, start - 1, freePosition, length - 1, workspace - 1, weight - 1,
                       elementLength - 1, last - 1, &compressionCount, degree - 1, head, lastList, next - 1,
                       work - 1);
  if (compressionCount < 0) {
    errorPrint("%s: internal error", methodName);
    memFree(block);
    return 1;
  }

  const GraphNum base = core.base;
  GraphNum* loadCopy = nullptr;
  if (core.vertexLoad != nullptr) {
    std::memcpy(loads, core.vertexLoad + base, vertexBytes);
    loadCopy = loads - base;
  }
  // The kernel's arrays, seen from the graph's base, are reused as the
  // builder's scratch: element lengths as sizes, last as first sons, next as
  // next brothers, degree as block lists, the list heads (more than n
  // entries) as block tails, the workspace (at least n entries) as
  // pending-children counts and length as the leaf queue.
  int status = hallOrderHxBuild(base, n, graph->nonHaloVertexCount, core.vertexNumber, order, columnBlock,
                                weight - base, elementLength - base, param->frat, loadCopy, start - base,
                                last - base, next - base, degree - base, head - base, workspace - base,
                                order->inversePermutation + startPosition, length - base, param->cmin, param->cmax);
  memFree(block);
  return status;
}
