// Solver-ordering interface.
//
// A graph is laid over the caller's arrays (it owns none of them), ordered
// with the library, and the symbolic block factorization of the reordered
// matrix gives one supernode per column block: its first vertex is the
// principal vertex, its front holds every row of its block column, and its
// father is the column block faced by its first off-diagonal block.
#include "front/elimord.h"

#include <cstdint>
#include <memory>

#include "front/symbol.h"

namespace {


}  // namespace

int elimordFronts(const Graph* graph, const InterfaceOrder* order, const GraphNum* vertexWeight, GraphNum* frontSize,
                  GraphNum* treeLink) {
  SymbolMatrix symbol;
  symbolInit(&symbol);
  if (symbolFax(&symbol, graph, order) != 0) return 1;

  const GraphNum base = graph->base;
  const GraphNum* inversePermutation = order->inversePermutation;  // position - base -> vertex
  const SymbolColumnBlock* columnBlocks = symbol.columnBlockArray;
  const SymbolBlock* blocks = symbol.blockArray;
  // Column blocks in increasing order: the rows of block column k are
  // positions from its first column on, whose vertices belong to column
  // blocks not yet written, so a weight array that is also the front size
  // array is still intact where it is read.
  for (GraphNum k = base; k < base + symbol.columnBlockCount; k++) {
    const SymbolColumnBlock& columnBlock = columnBlocks[k];
    const GraphNum blockEnd = columnBlocks[k + 1].firstBlock;
    const GraphNum principal = inversePermutation[columnBlock.firstColumn - base];
    GraphNum size = 0;
    for (GraphNum b = columnBlock.firstBlock; b < blockEnd; b++) {
      if (vertexWeight == nullptr) {
        size += blocks[b].lastRow - blocks[b].firstRow + 1;
      } else {
        for (GraphNum row = blocks[b].firstRow; row <= blocks[b].lastRow; row++)
          size += vertexWeight[inversePermutation[row - base] - base];
      }
    }
    GraphNum link = 0;
    if (blockEnd - columnBlock.firstBlock > 1) {
      const GraphNum father = blocks[columnBlock.firstBlock + 1].columnBlock;
      link = -inversePermutation[columnBlocks[father].firstColumn - base];
    }
    frontSize[principal - base] = size;
    treeLink[principal - base] = link;
    for (GraphNum position = columnBlock.firstColumn + 1; position <= columnBlock.lastColumn; position++) {
      const GraphNum vertex = inversePermutation[position - base];
      frontSize[vertex - base] = 0;
      treeLink[vertex - base] = -principal;
    }
  }
  symbolExit(&symbol);
  return 0;
}

int elimordOrderStrat(InterfaceOrder* order, Graph* graph, const char* strategy) {
  PLYXEN_Num vertexCount;
  PLYXEN_graphSize(reinterpret_cast<const PLYXEN_Graph*>(graph), &vertexCount, nullptr);
  return orderGraphListStrat(order, graph, vertexCount, nullptr, strategy);
}

int elimordOrder(InterfaceOrder* order, Graph* graph) {
  return elimordOrderStrat(order, graph, ELIMORD_DEFAULT_STRATEGY);
}

int elimordOrderList(InterfaceOrder* order, Graph* graph, GraphNum listCount, const GraphNum* list) {
  return orderGraphListStrat(order, graph, listCount, list, ELIMORD_DEFAULT_STRATEGY);
}

int elimordCoreStrat(GraphNum vertexCount, GraphNum nextFree, GraphNum* rowStart, const GraphNum* rowLength,
                     const GraphNum* adjacency, const GraphNum* vertexWeight, GraphNum* frontSize,
                     const char* strategy) {
  if (vertexCount < 0) {
    errorPrint("elimord: invalid vertex count");
    return 1;
  }
  ScratchBlock rowEndBlock(memAlloc(static_cast<size_t>(vertexCount) * sizeof(GraphNum)));
  if (rowEndBlock == nullptr) {
    errorPrint("elimord: out of memory");
    return 1;
  }
  GraphNum* rowEnd = static_cast<GraphNum*>(rowEndBlock.get());
  for (GraphNum i = 0; i < vertexCount; i++) {
    const int64_t end = int64_t{rowStart[i]} + rowLength[i];
    if (rowLength[i] < 0 || end > INT32_MAX) {
      errorPrint("elimord: invalid row (%d)", i + 1);
      return 1;
    }
    rowEnd[i] = static_cast<GraphNum>(end);
  }

  Graph graph;
  graphInit(&graph);
  PLYXEN_graphBuild(reinterpret_cast<PLYXEN_Graph*>(&graph), 1, vertexCount, rowStart, rowEnd, vertexWeight,
                    nullptr, nextFree - 1, adjacency, nullptr);
  // The ordering methods read the caller's arrays without bounds: refuse rows
  // outside the adjacency array, neighbours out of range, loops, repeated
  // neighbours, edges missing from one of their rows and weights below 1.
  if (graphCheck(&graph) != 0) {
    graphExit(&graph);
    return 1;
  }

  InterfaceOrder order;
  interfaceOrderInit(&order);
  int status = elimordOrderStrat(&order, &graph, strategy);
  if (status == 0) status = elimordFronts(&graph, &order, vertexWeight, frontSize, rowStart);
  interfaceOrderExit(&order);
  graphExit(&graph);
  return status;
}

int elimordCore(GraphNum vertexCount, GraphNum nextFree, GraphNum* rowStart, const GraphNum* rowLength,
                const GraphNum* adjacency, const GraphNum* vertexWeight, GraphNum* frontSize) {
  return elimordCoreStrat(vertexCount, nextFree, rowStart, rowLength, adjacency, vertexWeight, frontSize,
                          ELIMORD_DEFAULT_STRATEGY);
}

int elimord(GraphNum vertexCount, GraphNum, GraphNum* rowStart, GraphNum nextFree, GraphNum* rowLength,
            GraphNum* adjacency, GraphNum* frontSize, GraphNum*, GraphNum*) {
  return elimordCore(vertexCount, nextFree, rowStart, rowLength, adjacency, nullptr, frontSize);
}

int elimordWeighted(GraphNum vertexCount, GraphNum, GraphNum* rowStart, GraphNum nextFree, GraphNum* rowLength,
                    GraphNum* adjacency, GraphNum* frontSize, GraphNum*, GraphNum*) {
  return elimordCore(vertexCount, nextFree, rowStart, rowLength, adjacency, frontSize, frontSize);
}

// Every external name of the two entries: callers' compilers decorate
// external names with upper or lower case and zero, one or two underscores.
#define ELIMORD_ENTRY(name, function)                                                                              \
  extern "C" void name(const PLYXEN_Num* vertexCount, const PLYXEN_Num* adjacencyCapacity, PLYXEN_Num* rowStart, \
                       const PLYXEN_Num* nextFree, PLYXEN_Num* rowLength, PLYXEN_Num* adjacency,                   \
                       PLYXEN_Num* frontSize, PLYXEN_Num* work1, PLYXEN_Num* work2, PLYXEN_Num* status) {           \
    *status = function(*vertexCount, *adjacencyCapacity, rowStart, *nextFree, rowLength, adjacency, frontSize,     \
                       work1, work2);                                                                              \
  }

ELIMORD_ENTRY(ELIMORDF, elimord)
ELIMORD_ENTRY(elimordf, elimord)
ELIMORD_ENTRY(elimordf_, elimord)
ELIMORD_ENTRY(elimordf__, elimord)
ELIMORD_ENTRY(ELIMORDFW, elimordWeighted)
ELIMORD_ENTRY(elimordfw, elimordWeighted)
ELIMORD_ENTRY(elimordfw_, elimordWeighted)
ELIMORD_ENTRY(elimordfw__, elimordWeighted)
