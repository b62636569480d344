// Ordering method k: partition ordering. The graph is split into parts of
// about "siz" vertices by a mapping onto a complete graph of that many
// terminals, and the parts are ordered one after the other, in increasing
// terminal order, each part becoming one column block.
//
// An empty "strat" maps with the library's default mapping strategy (5%
// imbalance), so that k{siz=...} alone gives a sound partition.
#include <cstring>

#include "kgraph/kgraph.h"
#include "order/hgraph_order_methods.h"
#include "plyxen.h"

int hgraphOrderKp(Hgraph* graph, Order* order, GraphNum startPosition, OrderColBlock* columnBlock,
                  const void* parameters) {
  const HgraphOrderKpParam* param = static_cast<const HgraphOrderKpParam*>(parameters);
  const GraphNum vertexCount = graph->nonHaloVertexCount;
  if ((param->siz < 1) || (vertexCount / param->siz <= 1))
    return hgraphOrderSimple(graph, order, startPosition, columnBlock, nullptr);
  const GraphNum partCount = vertexCount / param->siz;

  OrderColBlock* children = static_cast<OrderColBlock*>(memAlloc(static_cast<size_t>(partCount) * sizeof(OrderColBlock)));
  if (children == nullptr) {
    errorPrint("hgraphOrderKp: out of memory (1)");
    return 1;
  }

  PLYXEN_Arch archHandle;
  PLYXEN_archInit(&archHandle);
  const Arch* arch = reinterpret_cast<const Arch*>(&archHandle);
  Graph view;
  hgraphUnhalo(graph, &view);
  view.vertexNumber = nullptr;
  Kgraph kgraph;
  memset(&kgraph, 0, sizeof(Kgraph));
  const Strat* strat = param->strat;
  Strat* defaultStrat = nullptr;
  if (strat->kind == STRAT_EMPTY) strat = defaultStrat = kgraphMapStratDefault(MAP_FLAG_DEFAULT, partCount, 0.05);
  int status = ((strat == nullptr) || (PLYXEN_archCmplt(&archHandle, partCount) != 0) ||
                (kgraphInit(&kgraph, &view, arch, nullptr, 0, nullptr, nullptr, 1, 1, nullptr) != 0))
                   ? 1
                   : 0;
  if (status == 0) {
    kgraphFirst(&kgraph);
    status = kgraphMapSt(&kgraph, strat);
  }
  if (defaultStrat != nullptr) stratRelease(defaultStrat);
  if (status != 0) {
    errorPrint("hgraphOrderKp: cannot compute partition");
    kgraphExit(&kgraph);
    PLYXEN_archExit(&archHandle);
    memFree(children);
    return 1;
  }

  const GraphNum base = view.base;
  GraphNum* partStart;
  GraphNum* terminals;
  ScratchBlock block(memGroupAlloc({memEntry(partStart, static_cast<size_t>(partCount) * sizeof(GraphNum)),
                                    memEntry(terminals, static_cast<size_t>(vertexCount) * sizeof(GraphNum))}));
  if (block == nullptr) {
    errorPrint("hgraphOrderKp: out of memory (2)");
    kgraphExit(&kgraph);
    PLYXEN_archExit(&archHandle);
    memFree(children);
    return 1;
  }
  mapTerminal(&kgraph.mapping, terminals - base);
  kgraphExit(&kgraph);
  PLYXEN_archExit(&archHandle);

  // Part sizes, then the first position of each part; one child per
  // non-empty part.
  for (GraphNum part = 0; part < partCount; part++) partStart[part] = 0;
  for (GraphNum index = 0; index < vertexCount; index++) partStart[terminals[index]]++;
  GraphNum childCount = 0;
  GraphNum position = 0;
  for (GraphNum part = 0; part < partCount; part++) {
    const GraphNum size = partStart[part];
    if (size > 0) children[childCount++] = OrderColBlock{ORDER_BLOCK_PLAIN, size, 0, nullptr};
    partStart[part] = position;
    position += size;
  }
  columnBlock->childCount = childCount;
  columnBlock->children = children;
  order->treeNodeCount += childCount;
  order->columnBlockCount += childCount - 1;

  const GraphNum* numbers = graph->graph.vertexNumber;
  for (GraphNum index = 0; index < vertexCount; index++) {
    const GraphNum vertex = base + index;
    order->inversePermutation[startPosition + partStart[terminals[index]]++] =
        (numbers != nullptr) ? numbers[vertex] : vertex;
  }
  return 0;
}
