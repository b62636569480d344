// Life cycle of separation graphs and of the saved separation states that
// the selection operator compares.
#include <cstring>

#include "vgraph/vgraph.h"

// Puts every vertex in part 0: the separation that nested dissection starts
// from and that "no separation" falls back to.
void vgraphZero(Vgraph* graph) {
  const GraphNum base = graph->graph.base;
  memset(graph->parts + base, 0, static_cast<size_t>(graph->graph.vertexCount) * sizeof(uint8_t));
  graph->partLoad[0] = graph->graph.vertexLoadSum;
  graph->partLoad[1] = 0;
  graph->partLoad[2] = 0;
  graph->loadDelta = graph->graph.vertexLoadSum;
  graph->partSize[0] = graph->graph.vertexCount;
  graph->partSize[1] = 0;
  graph->frontierCount = 0;
}

// The parts array is stored shifted by base; the frontier is a plain array
// indexed from 0. Both are owned; the Graph frees what its flags name.
void vgraphExit(Vgraph* graph) {
  memFreeBased(graph->parts, graph->graph.base);
  if (graph->frontier != nullptr) memFree(graph->frontier);
  graph->parts = nullptr;
  graph->frontier = nullptr;
  graphExit(&graph->graph);
}

// The buffer holds at most vertexCount frontier entries of 4 bytes and
// vertexCount part bytes: vertexCount * 5 bytes in all.
int vgraphStoreInit(const Vgraph* graph, VgraphStore* store) {
  const size_t size = static_cast<size_t>(graph->graph.vertexCount) * (sizeof(GraphNum) + sizeof(uint8_t));
  store->data = static_cast<unsigned char*>(memAlloc(size));
  if (store->data == nullptr) {
    errorPrint("vgraphStoreInit: out of memory");
    return 1;
  }
  return 0;
}

void vgraphStoreExit(VgraphStore* store) {
  if (store->data != nullptr) memFree(store->data);
  store->data = nullptr;
}

void vgraphStoreSave(const Vgraph* graph, VgraphStore* store) {
  store->frontierCount = graph->frontierCount;
  store->loadDelta = graph->loadDelta;
  store->partLoad0 = graph->partLoad[0];
  store->partLoad1 = graph->partLoad[1];
  store->partSize0 = graph->partSize[0];
  const size_t frontierBytes = static_cast<size_t>(graph->frontierCount) * sizeof(GraphNum);
  if (frontierBytes > 0) memcpy(store->data, graph->frontier, frontierBytes);
  if (graph->graph.vertexCount > 0)
    memcpy(store->data + frontierBytes, graph->parts + graph->graph.base,
           static_cast<size_t>(graph->graph.vertexCount));
}

// The separator load and the part-1 size are not stored: they follow from
// the totals.
void vgraphStoreRestore(Vgraph* graph, const VgraphStore* store) {
  graph->frontierCount = store->frontierCount;
  graph->loadDelta = store->loadDelta;
  graph->partLoad[0] = store->partLoad0;
  graph->partLoad[1] = store->partLoad1;
  graph->partLoad[2] = graph->graph.vertexLoadSum - store->partLoad0 - store->partLoad1;
  graph->partSize[0] = store->partSize0;
  graph->partSize[1] = graph->graph.vertexCount - store->partSize0 - store->frontierCount;
  const size_t frontierBytes = static_cast<size_t>(store->frontierCount) * sizeof(GraphNum);
  if (frontierBytes > 0) memcpy(graph->frontier, store->data, frontierBytes);
  if (graph->graph.vertexCount > 0)
    memcpy(graph->parts + graph->graph.base, store->data + frontierBytes,
           static_cast<size_t>(graph->graph.vertexCount));
}
