// The three text files written from an Order (ordering, column-block map,
// column-block tree) and the reader of the ordering file.
//
// Every file starts with the vertex count on a line of its own, followed by
// one "vertex<TAB>value" line per vertex in vertex order. A save flushes the
// stream before it returns, so that a write that fails only when the buffer
// is delivered is reported by the save itself.
#include "order/order.h"

namespace {

size_t countBytes(GraphNum count) { return static_cast<size_t>(count > 0 ? count : 0) * sizeof(GraphNum); }

// Entries of the per-block arrays: one per column block, which is at most
// one per vertex, except for the single empty block of an empty Order.
GraphNum blockSlots(const Order* order) {
  return (order->columnBlockCount > order->vertexCount) ? order->columnBlockCount : order->vertexCount;
}

// Column block of every vertex, counted from 0: blockOf[v - base]. The
// ranges give the first position of each block.
void orderBlockOfVertex(const Order* order, const GraphNum* rangeArray, GraphNum* blockOf) {
  GraphNum block = 0;
  for (GraphNum i = 0; i < order->vertexCount; i++) {
    const GraphNum position = order->base + i;
    while ((block + 1 < order->columnBlockCount) && (position >= rangeArray[block + 1])) block++;
    blockOf[order->inversePermutation[i] - order->base] = block;
  }
}

}  // namespace

int orderSave(const Order* order, const GraphNum* vertexLabel, FILE* stream) {
  GraphNum* permutation = static_cast<GraphNum*>(memAlloc(countBytes(order->vertexCount)));
  if (permutation == nullptr) {
    errorPrint("orderSave: out of memory");
    return 1;
  }
  if (fprintf(stream, "%d\n", order->vertexCount) < 0) {
    errorPrint("orderSave: bad output (1)");
    memFree(permutation);
    return 1;
  }
  orderInvertPermutation(order->inversePermutation, order->base, order->vertexCount, permutation, order->base);

  const GraphNum base = order->base;
  for (GraphNum i = 0; i < order->vertexCount; i++) {
    if (vertexLabel != nullptr) {
      // The position is written as the label of the vertex whose number it is.
      if (fprintf(stream, "%d\t%d\n", vertexLabel[base + i], vertexLabel[permutation[i]]) < 0) {
        errorPrint("orderSave: bad output (2)");
        memFree(permutation);
        return 1;
      }
    } else if (fprintf(stream, "%d\t%d\n", base + i, permutation[i]) < 0) {
      errorPrint("orderSave: bad output (3)");
      memFree(permutation);
      return 1;
    }
  }
  memFree(permutation);
  if (fflush(stream) != 0) {
    errorPrint("orderSave: bad output (4)");
    return 1;
  }
  return 0;
}

// Reads an ordering file into an Order of the same vertex count. Nothing of
// the Order changes unless the whole file is valid: the count must be the
// Order's own, the vertices must come in order, the positions must form a
// permutation of the Order's positions, and nothing but white space may
// follow the last line. The tree is left as it is.
int orderLoad(Order* order, const GraphNum* vertexLabel, FILE* stream) {
  if (vertexLabel != nullptr) {
    errorPrint("orderLoad: vertex labels not yet supported");
    return 1;
  }
  const GraphNum vertexCount = order->vertexCount;
  const GraphNum base = order->base;
  // Positions read, then one mark per position to refuse repeated ones.
  GraphNum* position = nullptr;
  GraphNum* taken = nullptr;
  void* block = memGroupAlloc({memEntry(position, countBytes(vertexCount)), memEntry(taken, countBytes(vertexCount))});
  if (block == nullptr) {
    errorPrint("orderLoad: out of memory");
    return 1;
  }

  GraphNum fileCount;
  if (intLoad(stream, &fileCount) != 1) {
    errorPrint("orderLoad: bad input (1)");
    memFree(block);
    return 1;
  }
  // The buffers are sized by the Order: a file for another vertex count
  // would either overrun them or leave positions unwritten.
  if (fileCount != vertexCount) {
    errorPrint("orderLoad: vertex count %d in file does not match ordering of %d vertices", fileCount, vertexCount);
    memFree(block);
    return 1;
  }
  for (GraphNum i = 0; i < vertexCount; i++) taken[i] = 0;
  for (GraphNum i = 0; i < vertexCount; i++) {
    GraphNum vertex;
    if ((intLoad(stream, &vertex) != 1) || (intLoad(stream, &position[i]) != 1)) {
      errorPrint("orderLoad: bad input (2)");
      memFree(block);
      return 1;
    }
    if (vertex != base + i) {
      errorPrint("orderLoad: bad input (3)");
      memFree(block);
      return 1;
    }
    if ((position[i] < base) || (position[i] - base >= vertexCount)) {
      errorPrint("orderLoad: position out of range for vertex %d", vertex);
      memFree(block);
      return 1;
    }
    if (taken[position[i] - base] != 0) {
      errorPrint("orderLoad: repeated position for vertex %d", vertex);
      memFree(block);
      return 1;
    }
    taken[position[i] - base] = 1;
  }
  if (intLoadEnd(stream) != 1) {
    errorPrint("orderLoad: unexpected data after the last vertex");
    memFree(block);
    return 1;
  }
  orderInvertPermutation(position, base, vertexCount, order->inversePermutation, base);
  memFree(block);
  return 0;
}

int orderSaveMap(const Order* order, const GraphNum* vertexLabel, FILE* stream) {
  if (fprintf(stream, "%d\n", order->vertexCount) < 0) {
    errorPrint("orderSaveMap: bad output (1)");
    return 1;
  }
  GraphNum* rangeArray = nullptr;
  GraphNum* blockOf = nullptr;
  void* block = memGroupAlloc(
      {memEntry(rangeArray, countBytes(blockSlots(order) + 1)), memEntry(blockOf, countBytes(order->vertexCount))});
  if (block == nullptr) {
    errorPrint("orderSaveMap: out of memory");
    return 1;
  }
  orderRangeArray(order, rangeArray);
  orderBlockOfVertex(order, rangeArray, blockOf);

  const GraphNum base = order->base;
  for (GraphNum i = 0; i < order->vertexCount; i++) {
    const GraphNum vertex = (vertexLabel != nullptr) ? vertexLabel[base + i] : base + i;
    if (fprintf(stream, "%d\t%d\n", vertex, blockOf[i]) < 0) {
      errorPrint("orderSaveMap: bad output (2)");
      memFree(block);
      return 1;
    }
  }
  memFree(block);
  if (fflush(stream) != 0) {
    errorPrint("orderSaveMap: bad output (3)");
    return 1;
  }
  return 0;
}

int orderSaveTree(const Order* order, const GraphNum* vertexLabel, FILE* stream) {
  if (fprintf(stream, "%d\n", order->vertexCount) < 0) {
    errorPrint("orderSaveTree: bad output (1)");
    return 1;
  }
  GraphNum* rangeArray = nullptr;
  GraphNum* blockOf = nullptr;
  GraphNum* fatherArray = nullptr;
  void* block = memGroupAlloc({memEntry(rangeArray, countBytes(blockSlots(order) + 1)),
                               memEntry(blockOf, countBytes(order->vertexCount)),
                               memEntry(fatherArray, countBytes(blockSlots(order)))});
  if (block == nullptr) {
    errorPrint("orderSaveTree: out of memory");
    return 1;
  }
  orderRangeArray(order, rangeArray);
  orderFatherArray(order, fatherArray);
  orderBlockOfVertex(order, rangeArray, blockOf);

  const GraphNum base = order->base;
  for (GraphNum i = 0; i < order->vertexCount; i++) {
    const GraphNum vertex = (vertexLabel != nullptr) ? vertexLabel[base + i] : base + i;
    if (fprintf(stream, "%d\t%d\n", vertex, fatherArray[blockOf[i]]) < 0) {
      errorPrint("orderSaveTree: bad output (2)");
      memFree(block);
      return 1;
    }
  }
  memFree(block);
  if (fflush(stream) != 0) {
    errorPrint("orderSaveTree: bad output (3)");
    return 1;
  }
  return 0;
}
