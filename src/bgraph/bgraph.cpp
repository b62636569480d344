// Life cycle of bipartition graphs, the figures derived from their parts,
// and the saved bipartition states that the selection operator compares.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "bgraph/bgraph.h"

double bgraphBalance(GraphNum part0LoadDelta, GraphNum part0LoadAvg) {
  const double delta = std::fabs(static_cast<double>(part0LoadDelta));
  return (part0LoadAvg > 0) ? delta / static_cast<double>(part0LoadAvg) : delta;
}

namespace {

// The target load of part 0: its domain's share of the whole load, graph
// and fixed vertices together, minus what its fixed vertices already bring.
// Computed in double precision and truncated; a share that is not a number
// (no domain weight at all) counts as 0 and one beyond the 32-bit range
// saturates.
GraphNum bgraphLoadAvg(const Bgraph* graph) {
  const double total = static_cast<double>(graph->graph.vertexLoadSum) + graph->fixedLoad[0] + graph->fixedLoad[1];
  const double weightSum = static_cast<double>(graph->domainWeight[0]) + graph->domainWeight[1];
  double share = std::trunc(static_cast<double>(graph->domainWeight[0]) * total / weightSum);
  if (share != share) share = 0.0;
  share -= graph->fixedLoad[0];
  if (share > 2147483647.0) return 2147483647;
  if (share < -2147483648.0) return -2147483647 - 1;
  return static_cast<GraphNum>(share);
}

}  // namespace

void bgraphReset(Bgraph* graph, GraphNum domainDistance, GraphNum domainWeight0, GraphNum domainWeight1,
                 GraphNum fixedLoad0, GraphNum fixedLoad1) {
  graph->domainDistance = domainDistance;
  graph->domainWeight[0] = domainWeight0;
  graph->domainWeight[1] = domainWeight1;
  graph->fixedLoad[0] = fixedLoad0;
  graph->fixedLoad[1] = fixedLoad1;
  graph->part0LoadMin = 0;
  graph->part0LoadMax = graph->graph.vertexLoadSum;
  graph->part0LoadAvg = bgraphLoadAvg(graph);
  graph->commLoadExtn0 = 0;
  graph->commGainExtn0 = 0;
  graph->level = 0;
  bgraphZero(graph);
}

void bgraphZero(Bgraph* graph) {
  if (graph->graph.vertexCount > 0)
    memset(graph->parts + graph->graph.base, 0, static_cast<size_t>(graph->graph.vertexCount));
  graph->frontierCount = 0;
  graph->part0Load = graph->graph.vertexLoadSum;
  graph->part0LoadDelta = graph->part0Load - graph->part0LoadAvg;
  graph->balance = bgraphBalance(graph->part0LoadDelta, graph->part0LoadAvg);
  graph->part0Size = graph->graph.vertexCount;
  graph->commLoad = graph->commLoadExtn0;
  graph->commGainExtn = graph->commGainExtn0;
}

// The parts and external gain arrays are stored shifted by base; the
// frontier is a plain array indexed from 0.
void bgraphExit(Bgraph* graph) {
  const int flags = graph->graph.flags;
  const GraphNum base = graph->graph.base;
  if ((flags & BGRAPH_FREE_EXTERNAL_GAIN) != 0) memFreeBased(graph->externalGain, base);
  if (((flags & BGRAPH_FREE_FRONTIER) != 0) && (graph->frontier != nullptr)) memFree(graph->frontier);
  if ((flags & BGRAPH_FREE_PARTS) != 0) memFreeBased(graph->parts, base);
  graph->externalGain = nullptr;
  graph->frontier = nullptr;
  graph->parts = nullptr;
  graphExit(&graph->graph);
}

void bgraphUpdate(Bgraph* graph) {
  const Graph& core = graph->graph;
  const uint8_t* parts = graph->parts;
  GraphNum part1Load = 0;
  GraphNum part1Size = 0;
  GraphNum externalSum = 0;  // external gains of the part-1 vertices
  GraphNum cutLoad = 0;      // both ends of every cut edge: twice the cut
  GraphNum frontierCount = 0;
  for (GraphNum vertex = core.base; vertex < core.vertexEnd; vertex++) {
    const int part = parts[vertex];
    bool onFrontier = false;
    for (GraphNum edge = core.edgeBegin[vertex]; edge < core.edgeEnd[vertex]; edge++) {
      if (parts[core.edgeTarget[edge]] != part) {
        onFrontier = true;
        cutLoad += (core.edgeLoad != nullptr) ? core.edgeLoad[edge] : 1;
      }
    }
    if (onFrontier) graph->frontier[frontierCount++] = vertex;
    if (part != 0) {
      part1Size++;
      part1Load += (core.vertexLoad != nullptr) ? core.vertexLoad[vertex] : 1;
      if (graph->externalGain != nullptr) externalSum += graph->externalGain[vertex];
    }
  }
  graph->frontierCount = frontierCount;
  graph->part0Size = core.vertexCount - part1Size;
  graph->part0Load = core.vertexLoadSum - part1Load;
  graph->part0LoadDelta = graph->part0Load - graph->part0LoadAvg;
  graph->balance = bgraphBalance(graph->part0LoadDelta, graph->part0LoadAvg);
  graph->commLoad = graph->commLoadExtn0 + externalSum + graph->domainDistance * (cutLoad / 2);
  graph->commGainExtn = graph->commGainExtn0 - 2 * externalSum;
}

// The buffer holds at most vertexCount frontier entries of 4 bytes and
// vertexCount part bytes: vertexCount * 5 bytes in all.
int bgraphStoreInit(const Bgraph* graph, BgraphStore* store) {
  const size_t size = static_cast<size_t>(graph->graph.vertexCount) * (sizeof(GraphNum) + sizeof(uint8_t));
  store->data = static_cast<unsigned char*>(memAlloc(size));
  if (store->data == nullptr) {
    errorPrint("bgraphStoreInit: out of memory");
    return 1;
  }
  return 0;
}

void bgraphStoreExit(BgraphStore* store) {
  if (store->data != nullptr) memFree(store->data);
  store->data = nullptr;
}

void bgraphStoreSave(const Bgraph* graph, BgraphStore* store) {
  store->frontierCount = graph->frontierCount;
  store->part0LoadDelta = graph->part0LoadDelta;
  store->part0Size = graph->part0Size;
  store->commLoad = graph->commLoad;
  store->commGainExtn = graph->commGainExtn;
  const size_t frontierBytes = static_cast<size_t>(graph->frontierCount) * sizeof(GraphNum);
  if (frontierBytes > 0) memcpy(store->data, graph->frontier, frontierBytes);
  if (graph->graph.vertexCount > 0)
    memcpy(store->data + frontierBytes, graph->parts + graph->graph.base,
           static_cast<size_t>(graph->graph.vertexCount));
}

void bgraphStoreRestore(Bgraph* graph, const BgraphStore* store) {
  graph->frontierCount = store->frontierCount;
  graph->part0LoadDelta = store->part0LoadDelta;
  graph->part0Size = store->part0Size;
  graph->commLoad = store->commLoad;
  graph->commGainExtn = store->commGainExtn;
  graph->part0Load = graph->part0LoadAvg + store->part0LoadDelta;
  graph->balance = bgraphBalance(store->part0LoadDelta, graph->part0LoadAvg);
  const size_t frontierBytes = static_cast<size_t>(store->frontierCount) * sizeof(GraphNum);
  if (frontierBytes > 0) memcpy(graph->frontier, store->data, frontierBytes);
  if (graph->graph.vertexCount > 0)
    memcpy(graph->parts + graph->graph.base, store->data + frontierBytes,
           static_cast<size_t>(graph->graph.vertexCount));
}
