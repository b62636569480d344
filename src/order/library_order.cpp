// Public ordering handle: an Order plus the caller's optional output arrays,
// and the file operations on it.
#include "graph/graph.h"
#include "order/order.h"
#include "plyxen.h"

static_assert(sizeof(LibOrder) <= sizeof(PLYXEN_Ordering), "PLYXEN_Ordering too small for LibOrder");
static_assert(alignof(LibOrder) <= alignof(PLYXEN_Ordering), "PLYXEN_Ordering alignment too weak for LibOrder");

namespace {

const Graph* coreOf(const PLYXEN_Graph* graph) { return reinterpret_cast<const Graph*>(graph); }
LibOrder* libOrderOf(PLYXEN_Ordering* ordering) { return reinterpret_cast<LibOrder*>(ordering); }
const LibOrder* libOrderOf(const PLYXEN_Ordering* ordering) { return reinterpret_cast<const LibOrder*>(ordering); }

// Callers that cannot pass null pass the graph handle instead.
PLYXEN_Num* optionalArray(const PLYXEN_Graph* graph, PLYXEN_Num* array) {
  return (static_cast<const void*>(array) == static_cast<const void*>(graph)) ? nullptr : array;
}

}  // namespace

extern "C" int PLYXEN_graphOrderInit(const PLYXEN_Graph* graph, PLYXEN_Ordering* ordering, PLYXEN_Num* permutation,
                                     PLYXEN_Num* inversePermutation, PLYXEN_Num* columnBlockCount,
                                     PLYXEN_Num* rangeArray, PLYXEN_Num* treeArray) {
  const Graph* core = coreOf(graph);
  LibOrder* lib = libOrderOf(ordering);
  lib->permutation = optionalArray(graph, permutation);
  lib->inversePermutationOut = optionalArray(graph, inversePermutation);
  lib->columnBlockCountOut = optionalArray(graph, columnBlockCount);
  lib->rangeArray = optionalArray(graph, rangeArray);
  lib->treeArray = optionalArray(graph, treeArray);
  return orderInit(&lib->order, core->base, core->vertexCount, lib->inversePermutationOut);
}

extern "C" void PLYXEN_graphOrderExit(const PLYXEN_Graph*, PLYXEN_Ordering* ordering) {
  orderExit(&libOrderOf(ordering)->order);
}

extern "C" int PLYXEN_graphOrderLoad(const PLYXEN_Graph* graph, PLYXEN_Ordering* ordering, FILE* stream) {
  const Graph* core = coreOf(graph);
  LibOrder* lib = libOrderOf(ordering);
  if (orderLoad(&lib->order, core->vertexLabel, stream) != 0) return 1;
  if (lib->permutation != nullptr)
    orderInvertPermutation(lib->order.inversePermutation, core->base, core->vertexCount, lib->permutation,
                           core->base);
  return 0;
}

extern "C" int PLYXEN_graphOrderSave(const PLYXEN_Graph* graph, const PLYXEN_Ordering* ordering, FILE* stream) {
  return orderSave(&libOrderOf(ordering)->order, coreOf(graph)->vertexLabel, stream);
}

extern "C" int PLYXEN_graphOrderSaveMap(const PLYXEN_Graph* graph, const PLYXEN_Ordering* ordering, FILE* stream) {
  return orderSaveMap(&libOrderOf(ordering)->order, coreOf(graph)->vertexLabel, stream);
}

extern "C" int PLYXEN_graphOrderSaveTree(const PLYXEN_Graph* graph, const PLYXEN_Ordering* ordering, FILE* stream) {
  return orderSaveTree(&libOrderOf(ordering)->order, coreOf(graph)->vertexLabel, stream);
}

extern "C" int PLYXEN_graphOrderCheck(const PLYXEN_Graph*, const PLYXEN_Ordering* ordering) {
  return orderCheck(&libOrderOf(ordering)->order);
}

extern "C" int PLYXEN_graphOrderCompute(PLYXEN_Graph* graph, PLYXEN_Ordering* ordering, PLYXEN_Strat* strat) {
  return PLYXEN_graphOrderComputeList(graph, ordering, coreOf(graph)->vertexCount, nullptr, strat);
}
