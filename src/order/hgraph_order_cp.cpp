// Ordering method c: compression of indistinguishable vertices.
//
// Non-halo vertices with identical closed neighbourhoods (adjacent to each
// other, with the same other neighbours, halo ones included) are merged into
// one weighted vertex. The smaller compressed graph is ordered with the
// "cpr" strategy and the result expanded: the vertices of a group take
// consecutive positions, and the column-block tree is rescaled to
// uncompressed vertex counts. When compression would not shrink the graph
// below the "rat" ratio, the graph is ordered as it is with "unc".
#include <memory>

#include "order/hgraph_order_methods.h"

namespace {


// Open-addressing set of keys tagged with the owner of the set: a slot
// belongs to the current set only when it carries its owner, so sets of
// successive owners share the table without clearing it. Every set holds at
// most a quarter of the slots.
struct HashSlot {
  GraphNum owner;  // -1 for a slot never used
  GraphNum key;
};

struct OwnerHashSet {
  HashSlot* slots;
  uint32_t mask;  // slot count - 1

  void clear() const {
    for (uint32_t i = 0; i <= mask; i++) slots[i] = HashSlot{-1, -1};
  }
  // Adds the key to the owner's set; false when it was there already.
  bool insert(GraphNum owner, GraphNum key) const {
    for (uint32_t slot = (static_cast<uint32_t>(key) * 17u) & mask;; slot = (slot + 1) & mask) {
      if (slots[slot].owner != owner) {
        slots[slot] = HashSlot{owner, key};
        return true;
      }
      if (slots[slot].key == key) return false;
    }
  }
  bool contains(GraphNum owner, GraphNum key) const {
    for (uint32_t slot = (static_cast<uint32_t>(key) * 17u) & mask;; slot = (slot + 1) & mask) {
      if (slots[slot].owner != owner) return false;
      if (slots[slot].key == key) return true;
    }
  }
};

struct Candidate {
  GraphNum group;
  GraphNum vertex;
};

// Smallest 2^k - 1, k >= bits, not below the value.
GraphNum lowMaskAbove(GraphNum value, int bits) {
  GraphNum mask = (static_cast<GraphNum>(1) << bits) - 1;
  while (mask < value) mask = 2 * mask + 1;
  return mask;
}

// Rescales the tree of the compressed ordering to uncompressed counts: a
// leaf over compressed positions p to p + m - 1 covers the vertices of the
// groups placed there; an inner node covers its children.
void hgraphOrderCpExpandTree(OrderColBlock* block, const GraphNum* compressedPermutation, const GraphNum* groupSize,
                             GraphNum& compressedPosition) {
  if (block->children == nullptr) {
    GraphNum vertexCount = 0;
    for (GraphNum i = 0; i < block->vertexCount; i++)
      vertexCount += groupSize[compressedPermutation[compressedPosition + i]];
    compressedPosition += block->vertexCount;
    block->vertexCount = vertexCount;
    return;
  }
  GraphNum vertexCount = 0;
  for (GraphNum i = 0; i < block->childCount; i++) {
    hgraphOrderCpExpandTree(&block->children[i], compressedPermutation, groupSize, compressedPosition);
    vertexCount += block->children[i].vertexCount;
  }
  block->vertexCount = vertexCount;
}

}  // namespace

int hgraphOrderCp(Hgraph* graph, Order* order, GraphNum startPosition, OrderColBlock* columnBlock,
                  const void* parameters) {
  const HgraphOrderCpParam* param = static_cast<const HgraphOrderCpParam*>(parameters);
  const Graph& core = graph->graph;
  const GraphNum base = core.base;
  const GraphNum nonHaloCount = graph->nonHaloVertexCount;
  const GraphNum nonHaloEnd = graph->nonHaloVertexEnd;
  if (nonHaloCount <= 0) return 0;
  auto degree = [&](GraphNum vertex) { return core.edgeEnd[vertex] - core.edgeBegin[vertex]; };

  // The tables are sized from the actual largest degree, which the
  // recorded one should equal.
  GraphNum degreeMax = (core.maxDegree > 0) ? core.maxDegree : 0;
  for (GraphNum v = base; v < core.vertexEnd; v++)
    if (degree(v) > degreeMax) degreeMax = degree(v);
  const GraphNum hashSlotCount = 4 * (lowMaskAbove(degreeMax, 4) + 1);
  const GraphNum bitmapRange = lowMaskAbove(core.vertexCount, 1);
  const GraphNum wordMask = (bitmapRange > 125) ? bitmapRange / 16 : bitmapRange / 2;

  GraphNum* compressed = nullptr;  // compressed number of every vertex, from 1
  HashSlot* hashSlots = nullptr;
  Candidate* candidates = nullptr;
  GraphNum* hashValue = nullptr;  // per non-halo vertex; later the first position of each group
  uint32_t* bitmap = nullptr;
  ScratchBlock work(memGroupAlloc({memEntry(compressed, static_cast<size_t>(core.vertexCount) * sizeof(GraphNum)),
                                   memEntry(hashSlots, static_cast<size_t>(hashSlotCount) * sizeof(HashSlot)),
                                   memEntry(candidates, static_cast<size_t>(degreeMax) * sizeof(Candidate)),
                                   memEntry(hashValue, static_cast<size_t>(nonHaloCount) * sizeof(GraphNum)),
                                   memEntry(bitmap, static_cast<size_t>(wordMask + 1) * sizeof(uint32_t))}));
  if (work == nullptr) {
    errorPrint("hgraphOrderCp: out of memory (1)");
    return 1;
  }
  compressed -= base;
  hashValue -= base;
  const OwnerHashSet hashSet{hashSlots, static_cast<uint32_t>(hashSlotCount - 1)};

  // Estimate of the distinct hash values: equal closed neighbourhoods give
  // equal values (the vertex plus the sum of its neighbours, wrapping).
  for (GraphNum w = 0; w <= wordMask; w++) bitmap[w] = 0;
  GraphNum estimate = 0;
  for (GraphNum v = base; v < nonHaloEnd; v++) {
    uint32_t hash = static_cast<uint32_t>(v);
    for (GraphNum arc = core.edgeBegin[v]; arc < core.edgeEnd[v]; arc++)
      hash += static_cast<uint32_t>(core.edgeTarget[arc]);
    hashValue[v] = static_cast<GraphNum>(hash);
    const GraphNum word = (hashValue[v] >> 5) & wordMask;
    const uint32_t bit = 1u << (hash & 31u);
    if ((bitmap[word] & bit) == 0) {
      bitmap[word] |= bit;
      estimate++;
    }
  }
  const double limit = param->rat * static_cast<double>(nonHaloCount);
  if (static_cast<double>(estimate) > limit) {
    work.reset();
    return hgraphOrderSt(graph, order, startPosition, columnBlock, param->unc);
  }

  // Groups. A vertex joins the group of a lower neighbour with the same
  // hash value and degree whose neighbours all lie in its closed
  // neighbourhood (the sets are then equal); one candidate per group.
  hashSet.clear();
  GraphNum groupCount = 0;
  int64_t mergedArcs = 0;  // arcs that merged vertices no longer need
  for (GraphNum j = base; j < nonHaloEnd; j++) {
    const GraphNum degreeJ = degree(j);
    GraphNum candidateCount = 0;
    for (GraphNum arc = core.edgeBegin[j]; arc < core.edgeEnd[j]; arc++) {
      const GraphNum k = core.edgeTarget[arc];
      if ((k >= j) || (hashValue[k] != hashValue[j]) || (degree(k) != degreeJ)) continue;
      bool known = false;
      for (GraphNum c = 0; c < candidateCount; c++)
        if (candidates[c].group == compressed[k]) {
          known = true;
          break;
        }
      if (!known) candidates[candidateCount++] = Candidate{compressed[k], k};
    }
    GraphNum group = 0;
    if (candidateCount > 0) {
      hashSet.insert(j, j);
      for (GraphNum arc = core.edgeBegin[j]; arc < core.edgeEnd[j]; arc++) hashSet.insert(j, core.edgeTarget[arc]);
      for (GraphNum c = candidateCount - 1; (c >= 0) && (group == 0); c--) {
        const GraphNum k = candidates[c].vertex;
        bool same = true;
        for (GraphNum arc = core.edgeBegin[k]; arc < core.edgeEnd[k]; arc++)
          if (!hashSet.contains(j, core.edgeTarget[arc])) {
            same = false;
            break;
          }
        if (same) group = candidates[c].group;
      }
    }
    if (group == 0) {
      group = ++groupCount;
    } else {
      mergedArcs += degreeJ + 1;
    }
    compressed[j] = group;
  }
  if (static_cast<double>(groupCount) > limit) {
    work.reset();
    return hgraphOrderSt(graph, order, startPosition, columnBlock, param->unc);
  }
  GraphNum compressedCount = groupCount;
  for (GraphNum v = nonHaloEnd; v < core.vertexEnd; v++) compressed[v] = ++compressedCount;
  const bool hasHalo = core.vertexCount > nonHaloCount;

  // The compressed graph, base 1: groups first, then the halo vertices.
  Hgraph compressedGraph;
  hgraphInit(&compressedGraph);
  Graph& cgraph = compressedGraph.graph;
  cgraph.flags = GRAPH_FREE_ALL | GRAPH_VERTEX_GROUP;
  cgraph.base = 1;
  GraphNum* cEdgeBegin = nullptr;
  GraphNum* cVertexLoad = nullptr;
  GraphNum* cNonHaloEdgeEnd = nullptr;
  GraphNum* groupSize = nullptr;  // uncompressed vertices behind each compressed vertex
  void* vertexBlock = memGroupAlloc(
      {memEntry(cEdgeBegin, static_cast<size_t>(compressedCount + 1) * sizeof(GraphNum)),
       memEntry(cVertexLoad, static_cast<size_t>(compressedCount) * sizeof(GraphNum)),
       memEntry(cNonHaloEdgeEnd, hasHalo ? static_cast<size_t>(groupCount) * sizeof(GraphNum) : 0),
       memEntry(groupSize, static_cast<size_t>(compressedCount) * sizeof(GraphNum))});
  const int64_t arcCapacity = static_cast<int64_t>(core.arcCount) - mergedArcs;
  GraphNum* cEdgeTarget =
      static_cast<GraphNum*>(memAlloc(static_cast<size_t>(arcCapacity > 0 ? arcCapacity : 0) * sizeof(GraphNum)));
  if ((vertexBlock == nullptr) || (cEdgeTarget == nullptr)) {
    errorPrint("hgraphOrderCp: out of memory (2)");
    memFree(vertexBlock);
    memFree(cEdgeTarget);
    return 1;
  }
  cEdgeBegin -= 1;
  cVertexLoad -= 1;
  groupSize -= 1;
  cEdgeTarget -= 1;
  cNonHaloEdgeEnd = hasHalo ? cNonHaloEdgeEnd - 1 : cEdgeBegin + 1;

  // Arcs of each group are those of its first vertex f, mapped to compressed
  // numbers and made unique; f's neighbours inside the group count its size.
  hashSet.clear();
  GraphNum arcNext = 1;
  GraphNum nonHaloArcCount = 0;
  GraphNum groupsDone = 0;
  for (GraphNum f = base; f < nonHaloEnd; f++) {
    const GraphNum group = compressed[f];
    if (group <= groupsDone) continue;  // not the group's first vertex
    groupsDone = group;
    cEdgeBegin[group] = arcNext;
    groupSize[group] = 1;
    for (GraphNum arc = core.edgeBegin[f]; arc < graph->nonHaloEdgeEnd[f]; arc++) {
      const GraphNum end = compressed[core.edgeTarget[arc]];
      if (end == group)
        groupSize[group]++;
      else if (hashSet.insert(group, end))
        cEdgeTarget[arcNext++] = end;
    }
    if (hasHalo) cNonHaloEdgeEnd[group] = arcNext;
    nonHaloArcCount += arcNext - cEdgeBegin[group];
    for (GraphNum arc = graph->nonHaloEdgeEnd[f]; arc < core.edgeEnd[f]; arc++)  // distinct halo vertices
      cEdgeTarget[arcNext++] = compressed[core.edgeTarget[arc]];
  }
  for (GraphNum h = nonHaloEnd; h < core.vertexEnd; h++) {
    const GraphNum self = compressed[h];
    cEdgeBegin[self] = arcNext;
    groupSize[self] = 1;
    for (GraphNum arc = core.edgeBegin[h]; arc < core.edgeEnd[h]; arc++) {
      const GraphNum end = compressed[core.edgeTarget[arc]];
      if (hashSet.insert(self, end)) cEdgeTarget[arcNext++] = end;
    }
  }
  cEdgeBegin[compressedCount + 1] = arcNext;
  const GraphNum arcCount = arcNext - 1;
  if (core.vertexLoad != nullptr) {
    for (GraphNum c = 1; c <= compressedCount; c++) cVertexLoad[c] = 0;
    for (GraphNum v = base; v < core.vertexEnd; v++) cVertexLoad[compressed[v]] += core.vertexLoad[v];
  } else {
    for (GraphNum c = 1; c <= compressedCount; c++) cVertexLoad[c] = groupSize[c];
  }
  GraphNum* shrunk =
      static_cast<GraphNum*>(memRealloc(cEdgeTarget + 1, static_cast<size_t>(arcCount) * sizeof(GraphNum)));
  if (shrunk != nullptr) cEdgeTarget = shrunk - 1;  // else the larger array stays valid

  cgraph.vertexCount = compressedCount;
  cgraph.vertexEnd = compressedCount + 1;
  cgraph.edgeBegin = cEdgeBegin;
  cgraph.edgeEnd = cEdgeBegin + 1;
  cgraph.vertexLoad = cVertexLoad;
  cgraph.vertexLoadSum = core.vertexLoadSum;
  cgraph.arcCount = arcCount;
  cgraph.edgeTarget = cEdgeTarget;
  cgraph.edgeLoadSum = arcCount;
  cgraph.maxDegree = core.maxDegree;
  compressedGraph.nonHaloVertexCount = groupCount;
  compressedGraph.nonHaloVertexEnd = groupCount + 1;
  compressedGraph.nonHaloEdgeEnd = cNonHaloEdgeEnd;
  compressedGraph.nonHaloVertexLoadSum = graph->nonHaloVertexLoadSum;
  compressedGraph.nonHaloArcCount = nonHaloArcCount;
  compressedGraph.nonHaloEdgeLoadSum = nonHaloArcCount;
  compressedGraph.level = 0;

  // Order the compressed graph into an Order of its own.
  GraphNum* compressedPermutation =
      static_cast<GraphNum*>(memAlloc(static_cast<size_t>(groupCount) * sizeof(GraphNum)));
  if (compressedPermutation == nullptr) {
    errorPrint("hgraphOrderCp: out of memory (3)");
    hgraphExit(&compressedGraph);
    return 1;
  }
  Order compressedOrder;
  orderInit(&compressedOrder, 1, groupCount, compressedPermutation);
  if (hgraphOrderSt(&compressedGraph, &compressedOrder, 0, &compressedOrder.rootBlock, param->cpr) != 0) {
    orderExit(&compressedOrder);
    memFree(compressedPermutation);
    hgraphExit(&compressedGraph);
    return 1;
  }

  // The column block takes over the compressed tree, rescaled.
  columnBlock->type = compressedOrder.rootBlock.type;
  columnBlock->vertexCount = compressedOrder.rootBlock.vertexCount;
  columnBlock->childCount = compressedOrder.rootBlock.childCount;
  columnBlock->children = compressedOrder.rootBlock.children;
  compressedOrder.rootBlock.childCount = 0;
  compressedOrder.rootBlock.children = nullptr;
  GraphNum compressedPosition = 0;
  hgraphOrderCpExpandTree(columnBlock, compressedPermutation, groupSize, compressedPosition);
  order->treeNodeCount += compressedOrder.treeNodeCount - 1;
  order->columnBlockCount += compressedOrder.columnBlockCount - 1;

  // Each group's vertices take consecutive positions from its first one,
  // in increasing vertex order.
  GraphNum* groupPosition = hashValue + base - 1;  // hash values are no longer needed
  GraphNum running = 0;
  for (GraphNum p = 0; p < groupCount; p++) {
    const GraphNum group = compressedPermutation[p];
    groupPosition[group] = running;
    running += groupSize[group];
  }
  GraphNum* positions = order->inversePermutation + startPosition;
  for (GraphNum v = base; v < nonHaloEnd; v++)
    positions[groupPosition[compressed[v]]++] = (core.vertexNumber != nullptr) ? core.vertexNumber[v] : v;

  orderExit(&compressedOrder);
  memFree(compressedPermutation);
  hgraphExit(&compressedGraph);
  return 0;
}
