// Bipartition method b: refines a bipartition on the band of vertices
// within "width" edges of its frontier. Two anchor vertices stand for the
// vertices of part 0 and of part 1 that lie outside the band: each carries
// their load and their external gains, and the last-layer vertices are
// joined to the anchor of their part by one edge carrying the load of
// their edges to the outside. The band strategy thus sees the true loads
// and communication load while its work stays proportional to the band.
#include <cstring>

#include "bgraph/bgraph_bipart_methods.h"
#include "graph/graph_band.h"

namespace {

// The band bipartition graph and the arrays it owns, released on every path.
struct BandGraph {
  Bgraph bgraph = {};
  ~BandGraph() { bgraphExit(&bgraph); }
};

// Builds the band graph of the bandCount vertices listed in queue (band
// numbers from base in queue order, bandIndex giving the band number of
// each vertex or -1 outside), and its bipartition state. Returns 0, or 1
// after reporting.
int bgraphBipartBdBuild(const Bgraph* graph, const GraphNum* queue, const GraphNum* bandIndex, GraphNum bandCount,
                        GraphNum bandArcTotal, Bgraph* band) {
  const Graph& core = graph->graph;
  const GraphNum base = core.base;
  const uint8_t* parts = graph->parts;
  const GraphNum anchor0 = base + bandCount;
  const GraphNum anchor1 = anchor0 + 1;
  const size_t vertexCount = static_cast<size_t>(bandCount) + 2;
  // Every band vertex keeps at most its arcs (an anchor arc replaces one or
  // more arcs to the outside); the anchors have one arc per band vertex at
  // most.
  const size_t arcCount = static_cast<size_t>(bandArcTotal) + static_cast<size_t>(bandCount);

  Graph& bandCore = band->graph;
  bandCore.base = base;
  bandCore.vertexCount = static_cast<GraphNum>(vertexCount);
  bandCore.vertexEnd = base + bandCore.vertexCount;
  GraphNum* edgeBegin;
  GraphNum* vertexLoad;
  if (memGroupAlloc({memEntry(edgeBegin, (vertexCount + 1) * sizeof(GraphNum)),
                     memEntry(vertexLoad, vertexCount * sizeof(GraphNum))}) == nullptr) {
    errorPrint("bgraphBipartBd: out of memory (2)");
    return 1;
  }
  bandCore.flags = GRAPH_FREE_VERTICES | GRAPH_FREE_OTHERS | GRAPH_VERTEX_GROUP;
  bandCore.edgeBegin = edgeBegin - base;
  bandCore.edgeEnd = bandCore.edgeBegin + 1;
  bandCore.vertexLoad = vertexLoad - base;
  GraphNum* edgeTarget;
  GraphNum* edgeLoad;
  uint8_t* bandParts;
  GraphNum* frontier;
  GraphNum* externalGain = nullptr;
  if (memGroupAlloc({memEntry(edgeTarget, arcCount * sizeof(GraphNum)), memEntry(edgeLoad, arcCount * sizeof(GraphNum))}) ==
      nullptr) {
    errorPrint("bgraphBipartBd: out of memory (3)");
    return 1;
  }
  bandCore.flags |= GRAPH_FREE_EDGES | GRAPH_EDGE_GROUP;
  bandCore.edgeTarget = edgeTarget - base;
  bandCore.edgeLoad = edgeLoad - base;
  if (memGroupAlloc({memEntry(bandParts, vertexCount * sizeof(uint8_t)), memEntry(frontier, vertexCount * sizeof(GraphNum)),
                     memEntry(externalGain, (graph->externalGain != nullptr) ? vertexCount * sizeof(GraphNum) : 0)}) ==
      nullptr) {
    errorPrint("bgraphBipartBd: out of memory (3)");
    return 1;
  }
  bandCore.flags |= BGRAPH_FREE_PARTS;  // frees the frontier and external gains of the same block
  band->parts = bandParts - base;
  band->frontier = frontier;
  if (graph->externalGain != nullptr) band->externalGain = externalGain - base;

  // Band vertices: their arcs inside the band, and one arc to the anchor of
  // their part for the arcs that leave it.
  GraphNum* target = bandCore.edgeTarget;
  GraphNum* load = bandCore.edgeLoad;
  GraphNum arc = base;
  GraphNum bandLoad[2] = {0, 0};
  GraphNum bandSize[2] = {0, 0};
  GraphNum bandExternal[2] = {0, 0};
  GraphNum maxDegree = 0;
  GraphNum anchorDegree[2] = {0, 0};
  for (GraphNum index = 0; index < bandCount; index++) {
    const GraphNum bandVertex = base + index;
    const GraphNum vertex = queue[index];
    const int part = parts[vertex];
    const GraphNum vertexLoadValue = (core.vertexLoad != nullptr) ? core.vertexLoad[vertex] : 1;
    bandCore.edgeBegin[bandVertex] = arc;
    bandCore.vertexLoad[bandVertex] = vertexLoadValue;
    band->parts[bandVertex] = static_cast<uint8_t>(part);
    bandLoad[part] += vertexLoadValue;
    bandSize[part]++;
    if (graph->externalGain != nullptr) {
      band->externalGain[bandVertex] = graph->externalGain[vertex];
      bandExternal[part] += graph->externalGain[vertex];
    }
    GraphNum outsideLoad = 0;
    for (GraphNum edge = core.edgeBegin[vertex]; edge < core.edgeEnd[vertex]; edge++) {
      const GraphNum end = bandIndex[core.edgeTarget[edge]];
      const GraphNum edgeLoadValue = (core.edgeLoad != nullptr) ? core.edgeLoad[edge] : 1;
      if (end < 0) {
        outsideLoad += edgeLoadValue;
        continue;
      }
      target[arc] = end;
      load[arc++] = edgeLoadValue;
    }
    if (outsideLoad > 0) {
      target[arc] = anchor0 + part;
      load[arc++] = outsideLoad;
      anchorDegree[part]++;
    }
    if (arc - bandCore.edgeBegin[bandVertex] > maxDegree) maxDegree = arc - bandCore.edgeBegin[bandVertex];
  }
  // Anchors: the band vertices joined to them, in band order.
  for (int part = 0; part < 2; part++) {
    const GraphNum anchor = anchor0 + part;
    bandCore.edgeBegin[anchor] = arc;
    for (GraphNum bandVertex = base; bandVertex < anchor0; bandVertex++) {
      const GraphNum last = bandCore.edgeBegin[bandVertex + 1] - 1;
      if ((last >= bandCore.edgeBegin[bandVertex]) && (target[last] == anchor)) {
        target[arc] = bandVertex;
        load[arc++] = load[last];
      }
    }
    if (anchorDegree[part] > maxDegree) maxDegree = anchorDegree[part];
  }
  bandCore.edgeBegin[anchor1 + 1] = arc;
  GraphNum edgeLoadSum = 0;
  for (GraphNum edge = base; edge < arc; edge++) edgeLoadSum += load[edge];
  bandCore.arcCount = arc - base;
  bandCore.edgeLoadSum = edgeLoadSum;
  bandCore.maxDegree = maxDegree;
  bandCore.vertexLoadSum = core.vertexLoadSum;
  bandCore.vertexLoad[anchor0] = graph->part0Load - bandLoad[0];
  bandCore.vertexLoad[anchor1] = (core.vertexLoadSum - graph->part0Load) - bandLoad[1];
  band->parts[anchor0] = 0;
  band->parts[anchor1] = 1;
  if (graph->externalGain != nullptr) {
    // The anchors carry the external gains of the outside vertices of their
    // part: (commGainExtn0 - commGainExtn) / 2 is the part-1 sum of all.
    const GraphNum external1 = (graph->commGainExtn0 - graph->commGainExtn) / 2;
    const GraphNum external0 = graph->commGainExtn0 - external1;
    band->externalGain[anchor0] = external0 - bandExternal[0];
    band->externalGain[anchor1] = external1 - bandExternal[1];
  }

  // The state of the bipartition graph; its frontier comes first in band
  // order.
  band->frontierCount = graph->frontierCount;
  for (GraphNum index = 0; index < graph->frontierCount; index++) band->frontier[index] = base + index;
  band->part0LoadMin = graph->part0LoadMin;
  band->part0LoadMax = graph->part0LoadMax;
  band->part0LoadAvg = graph->part0LoadAvg;
  band->part0LoadDelta = graph->part0LoadDelta;
  band->part0Load = graph->part0Load;
  band->part0Size = bandSize[0] + 1;
  band->commLoad = graph->commLoad;
  band->commLoadExtn0 = graph->commLoadExtn0;
  band->commGainExtn0 = graph->commGainExtn0;
  band->commGainExtn = graph->commGainExtn;
  band->balance = graph->balance;
  band->domainDistance = graph->domainDistance;
  band->domainWeight[0] = graph->domainWeight[0];
  band->domainWeight[1] = graph->domainWeight[1];
  band->fixedLoad[0] = graph->fixedLoad[0];
  band->fixedLoad[1] = graph->fixedLoad[1];
  band->level = graph->level;
  return 0;
}

}  // namespace

int bgraphBipartBd(Bgraph* graph, const void* parameters) {
  const BgraphBipartBdParam* param = static_cast<const BgraphBipartBdParam*>(parameters);
  const Graph& core = graph->graph;
  const GraphNum base = core.base;
  uint8_t* parts = graph->parts;

  if (graph->frontierCount == 0) return bgraphBipartSt(graph, param->org);

  // The band, breadth first from the frontier.
  GraphNum* queue = static_cast<GraphNum*>(memAlloc(static_cast<size_t>(core.vertexCount) * sizeof(GraphNum)));
  if (queue == nullptr) {
    errorPrint("bgraphBipartBd: out of memory (1)");
    return 1;
  }
  memcpy(queue, graph->frontier, static_cast<size_t>(graph->frontierCount) * sizeof(GraphNum));
  GraphNum* bandIndex = nullptr;
  GraphNum lastLayerStart, bandCount, bandArcTotal, fixedCount;
  if (graphBand(&core, graph->frontierCount, queue, (param->width < 1) ? 1 : param->width, &bandIndex,
                &lastLayerStart, &bandCount, &bandArcTotal, nullptr, &fixedCount) != 0) {
    errorPrint("bgraphBipartBd: out of memory (1)");
    memFree(queue);
    return 1;
  }
  auto cleanUp = [&]() {
    memFreeBased(bandIndex, base);
    memFree(queue);
  };
  GraphNum bandPart0Count = 0;
  for (GraphNum index = 0; index < bandCount; index++) bandPart0Count += (parts[queue[index]] == 0);
  const GraphNum bandPart1Count = bandCount - bandPart0Count;
  if ((bandPart0Count >= graph->part0Size) || (bandPart1Count >= core.vertexCount - graph->part0Size)) {
    cleanUp();
    return bgraphBipartSt(graph, param->org);
  }

  BandGraph band;
  if (bgraphBipartBdBuild(graph, queue, bandIndex, bandCount, bandArcTotal, &band.bgraph) != 0) {
    cleanUp();
    return 1;
  }
  if (bgraphBipartSt(&band.bgraph, param->bnd) != 0) {
    errorPrint("bgraphBipartBd: cannot bipartition band graph");
    cleanUp();
    return 1;
  }
  const GraphNum anchor0 = base + bandCount;
  const GraphNum anchor1 = anchor0 + 1;
  const uint8_t* bandParts = band.bgraph.parts;
  if (bandParts[anchor0] == bandParts[anchor1]) {  // the band result does not fit the outside
    cleanUp();
    return bgraphBipartSt(graph, param->org);
  }

  graph->part0LoadDelta = band.bgraph.part0LoadDelta;
  graph->part0Load = band.bgraph.part0Load;
  graph->commLoad = band.bgraph.commLoad;
  graph->commGainExtn = band.bgraph.commGainExtn;
  graph->balance = band.bgraph.balance;
  // The outside follows its anchors: swapped as a whole when they swapped.
  const GraphNum outsideCount = core.vertexCount - bandCount;
  GraphNum outsidePart0Count = graph->part0Size - bandPart0Count;
  if (bandParts[anchor0] != 0) {
    for (GraphNum vertex = base; vertex < core.vertexEnd; vertex++)
      if (bandIndex[vertex] < 0) parts[vertex] ^= 1;
    outsidePart0Count = outsideCount - outsidePart0Count;
  }
  for (GraphNum index = 0; index < bandCount; index++) parts[queue[index]] = bandParts[base + index];
  graph->part0Size = outsidePart0Count + band.bgraph.part0Size - 1;  // one anchor is in part 0

  // The frontier: that of the band without the anchors, then the outside
  // vertices next to a band vertex that left their part.
  GraphNum frontierCount = 0;
  for (GraphNum index = 0; index < band.bgraph.frontierCount; index++) {
    const GraphNum bandVertex = band.bgraph.frontier[index];
    if (bandVertex < anchor0) graph->frontier[frontierCount++] = queue[bandVertex - base];
  }
  const Graph& bandCore = band.bgraph.graph;
  for (GraphNum anchor = anchor0; anchor <= anchor1; anchor++) {
    for (GraphNum edge = bandCore.edgeBegin[anchor]; edge < bandCore.edgeEnd[anchor]; edge++) {
      const GraphNum bandVertex = bandCore.edgeTarget[edge];
      if (bandParts[bandVertex] == bandParts[anchor]) continue;
      const GraphNum vertex = queue[bandVertex - base];
      for (GraphNum fineEdge = core.edgeBegin[vertex]; fineEdge < core.edgeEnd[vertex]; fineEdge++) {
        const GraphNum end = core.edgeTarget[fineEdge];
        if (bandIndex[end] != -1) continue;  // in the band, or listed already
        bandIndex[end] = -3;
        graph->frontier[frontierCount++] = end;
      }
    }
  }
  graph->frontierCount = frontierCount;
  cleanUp();
  return 0;
}
