// Symbolic block factorization.
//
// The column blocks are processed once, in increasing order. The rows of
// block column k are the union of
//   - the rows of the matrix below the column block, gathered from the
//     adjacency of its columns through a hash table, sorted and cut into
//     runs of consecutive rows facing one column block, and
//   - the blocks passed up by its children in the block elimination tree:
//     every column block whose first off-diagonal block faces k passes its
//     blocks beyond that one (the first lies inside k's diagonal block).
// The union is made in a linked list of blocks ordered by facing column
// block and rows, merging blocks that touch or overlap. Only column blocks
// with at least two off-diagonal blocks have anything to pass up.
//
// The block array is its own scratch space: the hash table, the row list and
// the list nodes of column block k live in the unused tail of the array,
// from the first block of k on, and the blocks of k are written over them.
// The array grows geometrically, so nothing else is allocated in the loop.
#include "front/symbol.h"

#include <algorithm>

namespace {

// Layout of one list node in the scratch space.
enum { NODE_FIRST = 0, NODE_LAST = 1, NODE_FACING = 2, NODE_NEXT = 3, NODE_SIZE = 4 };

// Free lists and scratch of one run, released on every path.
struct FaxArrays {
  GraphNum* childHead = nullptr;  // per column block: last child pushed, or -1
  SymbolColumnBlock* columnBlocks = nullptr;
  SymbolBlock* blocks = nullptr;  // from the first element
  ~FaxArrays() {
    memFree(childHead);
    memFree(columnBlocks);
    memFree(blocks);
  }
};

}  // namespace

int symbolFax(SymbolMatrix* symbol, const Graph* graph, const InterfaceOrder* order) {
  const GraphNum base = graph->base;
  const GraphNum nodeCount = graph->vertexCount;
  const GraphNum columnBlockCount = order->columnBlockCount;
  const GraphNum* range = order->rangeArray;  // column block k (from 0) covers positions range[k] .. range[k + 1] - 1
  const GraphNum* permutation = order->permutation;               // vertex - base -> position
  const GraphNum* inversePermutation = order->inversePermutation;  // position - base -> vertex
  const GraphNum* edgeBegin = graph->edgeBegin;
  const GraphNum* edgeEnd = graph->edgeEnd;
  const GraphNum* edgeTarget = graph->edgeTarget;

  FaxArrays arrays;
  GraphNum* childNext;  // per column block: next sibling in its father's child list
  size_t countBytes = static_cast<size_t>(columnBlockCount) * sizeof(GraphNum);
  arrays.childHead = static_cast<GraphNum*>(
      memGroupAlloc({memEntry(arrays.childHead, countBytes), memEntry(childNext, countBytes)}));
  arrays.columnBlocks = static_cast<SymbolColumnBlock*>(
      memAlloc((static_cast<size_t>(columnBlockCount) + 1) * sizeof(SymbolColumnBlock)));
  size_t capacity = static_cast<size_t>(columnBlockCount) *
                        static_cast<size_t>((nodeCount > 0 ? graph->arcCount / nodeCount : 0) + 2) +
                    2;  // in blocks
  arrays.blocks = static_cast<SymbolBlock*>(memAlloc(capacity * sizeof(SymbolBlock)));
  if (arrays.childHead == nullptr || arrays.columnBlocks == nullptr || arrays.blocks == nullptr) {
    errorPrint("symbolFax: out of memory (1)");
    return 1;
  }
  GraphNum* childHead = arrays.childHead;
  SymbolColumnBlock* columnBlocks = arrays.columnBlocks;
  for (GraphNum k = 0; k < columnBlockCount; k++) childHead[k] = -1;

  size_t used = 0;  // blocks written so far
  for (GraphNum k = 0; k < columnBlockCount; k++) {
    const GraphNum first = range[k];     // first column, in base
    const GraphNum end = range[k + 1];   // one past the last column
    columnBlocks[k].firstColumn = first;
    columnBlocks[k].lastColumn = end - 1;
    columnBlocks[k].firstBlock = base + static_cast<GraphNum>(used);

    // Bounds of the scratch: D rows at most from the matrix, w blocks at most
    // passed up by the children. D is the degree sum of the columns, but
    // never more than the number of rows below the column block, so that a
    // wide block of dense columns does not ask for a hash table far larger
    // than the rows it can meet.
    size_t degreeSum = 0;
    for (GraphNum position = first; position < end; position++) {
      GraphNum vertex = inversePermutation[position - base];
      degreeSum += static_cast<size_t>(edgeEnd[vertex] - edgeBegin[vertex]);
    }
    degreeSum = std::min(degreeSum, static_cast<size_t>(base + nodeCount - end));
    size_t passedSum = 0;
    for (GraphNum child = childHead[k]; child != -1; child = childNext[child])
      passedSum += static_cast<size_t>(columnBlocks[child + 1].firstBlock - columnBlocks[child].firstBlock - 2);
    size_t power = 256;
    while (power < degreeSum) power *= 2;
    const size_t hashSize = 4 * power;
    const size_t rowListOffset = std::max(16 * power, 12 * (degreeSum + passedSum));  // bytes
    const size_t nodeOffset = rowListOffset + 4 * degreeSum;
    const size_t workBytes = nodeOffset + NODE_SIZE * sizeof(GraphNum) * (degreeSum + passedSum + 2);
    const size_t needed = used + (workBytes + sizeof(SymbolBlock) - 1) / sizeof(SymbolBlock);
    if (needed > capacity) {
      while (capacity < needed) capacity = capacity + capacity / 4 + 4;
      void* grown = memRealloc(arrays.blocks, capacity * sizeof(SymbolBlock));
      if (grown == nullptr) {
        errorPrint("symbolFax: out of memory (2)");
        return 1;
      }
      arrays.blocks = static_cast<SymbolBlock*>(grown);
    }
    SymbolBlock* blocks = arrays.blocks;
    unsigned char* work = reinterpret_cast<unsigned char*>(blocks + used);
    GraphNum* hashTable = reinterpret_cast<GraphNum*>(work);
    GraphNum* rowList = reinterpret_cast<GraphNum*>(work + rowListOffset);
    GraphNum* nodes = reinterpret_cast<GraphNum*>(work + nodeOffset);

    // Rows of the matrix below the column block, each once.
    for (size_t slot = 0; slot < hashSize; slot++) hashTable[slot] = -1;
    const size_t hashMask = hashSize - 1;
    GraphNum rowCount = 0;
    for (GraphNum position = first; position < end; position++) {
      GraphNum vertex = inversePermutation[position - base];
      for (GraphNum arc = edgeBegin[vertex]; arc < edgeEnd[vertex]; arc++) {
        GraphNum row = permutation[edgeTarget[arc] - base];
        if (row < end) continue;
        size_t slot = (static_cast<size_t>(static_cast<uint32_t>(row)) * 17) & hashMask;
        while (hashTable[slot] != -1 && hashTable[slot] != row) slot = (slot + 1) & hashMask;
        if (hashTable[slot] == -1) {
          hashTable[slot] = row;
          rowList[rowCount++] = row;
        }
      }
    }
    intSort1asc1(rowList, rowCount);

    // Cuts the sorted rows into runs and hands each run (first row, last
    // row, facing column block from 0) to emit, in order.
    auto forEachRun = [&](auto emit) {
      GraphNum facing = k;  // column block of the current row, from 0
      GraphNum runFirst = 0;
      GraphNum runLast = 0;
      GraphNum runFacing = -1;
      for (GraphNum index = 0; index < rowCount; index++) {
        GraphNum row = rowList[index];
        if (row >= range[facing + 1]) {
          // Bisection for the block holding the row, from the next block on.
          GraphNum low = facing + 1;
          GraphNum high = columnBlockCount;  // range[low] <= row < range[high]
          while (high - low > 1) {
            GraphNum middle = low + (high - low) / 2;
            if (range[middle] <= row)
              low = middle;
            else
              high = middle;
          }
          facing = low;
        }
        if (runFacing != -1 && row == runLast + 1 && facing == runFacing) {
          runLast = row;
          continue;
        }
        if (runFacing != -1) emit(runFirst, runLast, runFacing);
        runFirst = runLast = row;
        runFacing = facing;
      }
      if (runFacing != -1) emit(runFirst, runLast, runFacing);
    };

    if (childHead[k] == -1) {
      // No child: the diagonal block and the runs are the whole structure.
      // The blocks are written over the hash table; the row list, which
      // starts at least 12 bytes per row and 16 per power-of-two slot
      // further on, is always read ahead of the writes.
      blocks[used++] = SymbolBlock{first, end - 1, base + k};
      forEachRun([&](GraphNum runFirst, GraphNum runLast, GraphNum facing) {
        blocks[used++] = SymbolBlock{runFirst, runLast, base + facing};
      });
    } else {
      // Linked list: node 0 the diagonal block, then the runs, then a
      // sentinel facing past every column block.
      GraphNum nodeUsed = 0;
      auto newNode = [&](GraphNum firstRow, GraphNum lastRow, GraphNum facing) {
        GraphNum* node = nodes + NODE_SIZE * nodeUsed;
        node[NODE_FIRST] = firstRow;
        node[NODE_LAST] = lastRow;
        node[NODE_FACING] = facing;
        node[NODE_NEXT] = nodeUsed + 1;
        return nodeUsed++;
      };
      newNode(first, end - 1, base + k);
      forEachRun([&](GraphNum runFirst, GraphNum runLast, GraphNum facing) {
        newNode(runFirst, runLast, base + facing);
      });
      GraphNum sentinel = newNode(base + nodeCount, base + nodeCount, base + columnBlockCount);
      nodes[NODE_SIZE * sentinel + NODE_NEXT] = -1;
      GraphNum freeList = -1;

      for (GraphNum child = childHead[k]; child != -1; child = childNext[child]) {
        // The list is ordered by facing column block, then rows; the blocks of
        // one child come in that order too, so each walk resumes where the
        // previous block of the child ended. Node 0 faces k, which no passed
        // block precedes, so an insertion always has a predecessor.
        GraphNum previous = -1;
        GraphNum current = 0;
        GraphNum blockEnd = columnBlocks[child + 1].firstBlock - base;
        for (GraphNum index = columnBlocks[child].firstBlock - base + 2; index < blockEnd; index++) {
          const GraphNum firstRow = blocks[index].firstRow;
          const GraphNum lastRow = blocks[index].lastRow;
          const GraphNum facing = blocks[index].columnBlock;
          GraphNum* node = nodes + NODE_SIZE * current;
          while (node[NODE_FACING] < facing || (node[NODE_FACING] == facing && node[NODE_LAST] < firstRow - 1)) {
            previous = current;
            current = node[NODE_NEXT];
            node = nodes + NODE_SIZE * current;
          }
          if (node[NODE_FACING] > facing || node[NODE_FIRST] > lastRow + 1) {
            GraphNum inserted;
            if (freeList != -1) {
              inserted = freeList;
              freeList = nodes[NODE_SIZE * freeList + NODE_NEXT];
            } else {
              inserted = nodeUsed++;
            }
            GraphNum* fresh = nodes + NODE_SIZE * inserted;
            fresh[NODE_FIRST] = firstRow;
            fresh[NODE_LAST] = lastRow;
            fresh[NODE_FACING] = facing;
            fresh[NODE_NEXT] = current;
            nodes[NODE_SIZE * previous + NODE_NEXT] = inserted;
            current = inserted;
          } else {
            // The block touches or overlaps the node: widen the node, then
            // swallow the following nodes of the same column block that it
            // now reaches.
            if (firstRow < node[NODE_FIRST]) node[NODE_FIRST] = firstRow;
            if (node[NODE_LAST] < lastRow) {
              node[NODE_LAST] = lastRow;
              GraphNum next = node[NODE_NEXT];
              while (nodes[NODE_SIZE * next + NODE_FACING] == facing &&
                     nodes[NODE_SIZE * next + NODE_FIRST] <= node[NODE_LAST] + 1) {
                GraphNum* absorbed = nodes + NODE_SIZE * next;
                if (absorbed[NODE_LAST] > node[NODE_LAST]) node[NODE_LAST] = absorbed[NODE_LAST];
                node[NODE_NEXT] = absorbed[NODE_NEXT];
                absorbed[NODE_NEXT] = freeList;
                freeList = next;
                next = node[NODE_NEXT];
              }
            }
          }
        }
      }

      // Copy the list over the scratch. Block m lands before the row list,
      // or at worst over node 0 once that node has been read.
      for (GraphNum current = 0; current != sentinel;) {
        const GraphNum* node = nodes + NODE_SIZE * current;
        SymbolBlock block{node[NODE_FIRST], node[NODE_LAST], node[NODE_FACING]};
        current = node[NODE_NEXT];
        blocks[used++] = block;
      }
    }

    // A column block with two off-diagonal blocks or more passes the blocks
    // beyond its first off-diagonal one up to its father.
    size_t blockBegin = static_cast<size_t>(columnBlocks[k].firstBlock - base);
    if (used - blockBegin >= 3) {
      GraphNum father = arrays.blocks[blockBegin + 1].columnBlock - base;
      childNext[k] = childHead[father];
      childHead[father] = k;
    }
  }

  columnBlocks[columnBlockCount].firstColumn = base + nodeCount;
  columnBlocks[columnBlockCount].lastColumn = base + nodeCount;
  columnBlocks[columnBlockCount].firstBlock = base + static_cast<GraphNum>(used);

  void* shrunk = memRealloc(arrays.blocks, used * sizeof(SymbolBlock));
  if (shrunk != nullptr) arrays.blocks = static_cast<SymbolBlock*>(shrunk);

  symbol->base = base;
  symbol->columnBlockCount = columnBlockCount;
  symbol->blockCount = static_cast<GraphNum>(used);
  symbol->columnBlockArray = columnBlocks - base;
  symbol->blockArray = arrays.blocks - base;
  symbol->nodeCount = nodeCount;
  arrays.columnBlocks = nullptr;  // now owned by the symbol matrix
  arrays.blocks = nullptr;
  return 0;
}
