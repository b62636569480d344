// Separation method b: refines a separator on the band of vertices within
// "width" edges of it. Two anchor vertices stand for the parts of part 0 and
// part 1 that lie outside the band, so that the band strategy sees the true
// loads while its work stays proportional to the band.
#include "vgraph/vgraph_separate_methods.h"

int vgraphSeparateBd(Vgraph* graph, const void* parameters) {
  const VgraphSeparateBdParam* param = static_cast<const VgraphSeparateBdParam*>(parameters);
  const Graph& core = graph->graph;
  const GraphNum base = core.base;
  const GraphNum* edgeBegin = core.edgeBegin;
  const GraphNum* edgeEnd = core.edgeEnd;
  const GraphNum* edgeTarget = core.edgeTarget;
  const GraphNum* vertexLoad = core.vertexLoad;
  const uint8_t* parts = graph->parts;

  if (graph->frontierCount == 0) return vgraphSeparateSt(graph, param->org);

  const GraphNum width = (param->width < 1) ? 1 : param->width;

  // Work block: the band order (queue) followed by a per-vertex array that
  // first holds breadth-first distances and then band numbers. Once the
  // band graph is built, the tail behind the band order serves as its
  // frontier: the band leaves at least one vertex of each part outside, so
  // that tail has room for the band size plus the two anchors.
  GraphNum* queue;
  GraphNum* bandIndex;
  const size_t count = static_cast<size_t>(core.vertexCount);
  void* workBlock =
      memGroupAlloc({memEntry(queue, count * sizeof(GraphNum)), memEntry(bandIndex, count * sizeof(GraphNum))});
  if (workBlock == nullptr) {
    errorPrint("vgraphSeparateBd: out of memory (1)");
    return 1;
  }
  for (size_t index = 0; index < count; index++) bandIndex[index] = -1;
  bandIndex -= base;

  GraphNum queueTail = 0;
  for (GraphNum index = 0; index < graph->frontierCount; index++) {
    const GraphNum vertex = graph->frontier[index];
    bandIndex[vertex] = 0;
    queue[queueTail++] = vertex;
  }
  GraphNum arcTotal = 0;
  GraphNum bandLoad = 0;
  GraphNum bandPart1Count = 0;
  GraphNum bandPart1Load = 0;
  GraphNum lastLayerHead = -1;  // queue position of the first vertex at distance width
  for (GraphNum head = 0; head < queueTail; head++) {
    const GraphNum vertex = queue[head];
    const GraphNum distance = bandIndex[vertex];
    const GraphNum load = (vertexLoad != nullptr) ? vertexLoad[vertex] : 1;
    arcTotal += edgeEnd[vertex] - edgeBegin[vertex];
    bandLoad += load;
    if (parts[vertex] == 1) {
      bandPart1Count++;
      bandPart1Load += load;
    }
    if (distance < width) {
      for (GraphNum edge = edgeBegin[vertex]; edge < edgeEnd[vertex]; edge++) {
        const GraphNum end = edgeTarget[edge];
        if (bandIndex[end] == -1) {
          bandIndex[end] = distance + 1;
          queue[queueTail++] = end;
        }
      }
    } else {
      arcTotal++;  // room for the arc to the anchor
      if (lastLayerHead < 0) lastLayerHead = head;
    }
  }
  const GraphNum bandSize = queueTail;
  const GraphNum bandPart0Count = bandSize - graph->frontierCount - bandPart1Count;
  if ((bandPart1Count >= graph->partSize[1]) || (bandPart0Count >= graph->partSize[0])) {
    memFree(workBlock);
    return vgraphSeparateSt(graph, param->org);
  }
  const GraphNum bandPart1LoadRest = bandPart1Load;
  const GraphNum bandPart0Load = bandLoad - graph->partLoad[2] - bandPart1LoadRest;
  if (lastLayerHead < 0) lastLayerHead = bandSize;
  for (GraphNum position = 0; position < bandSize; position++) bandIndex[queue[position]] = base + position;

  const GraphNum anchor0 = base + bandSize;
  const GraphNum anchor1 = anchor0 + 1;
  Vgraph band = {};
  band.graph.flags = GRAPH_FREE_ALL | GRAPH_VERTEX_GROUP | GRAPH_EDGE_GROUP;
  band.graph.base = base;
  band.graph.vertexCount = bandSize + 2;
  band.graph.vertexEnd = base + bandSize + 2;
  const size_t bandCount = static_cast<size_t>(bandSize) + 2;
  GraphNum* bandEdgeBegin;
  GraphNum* bandVertexLoad;
  if (memGroupAlloc({memEntry(bandEdgeBegin, (bandCount + 1) * sizeof(GraphNum)),
                     memEntry(bandVertexLoad, bandCount * sizeof(GraphNum))}) == nullptr) {
    errorPrint("vgraphSeparateBd: out of memory (2)");
    memFree(workBlock);
    return 1;
  }
  band.graph.edgeBegin = bandEdgeBegin - base;
  band.graph.edgeEnd = band.graph.edgeBegin + 1;
  band.graph.vertexLoad = bandVertexLoad - base;
  band.graph.vertexNumber = queue - base;
  band.graph.vertexLoadSum = core.vertexLoadSum;
  GraphNum* bandEdgeTarget = static_cast<GraphNum*>(memAlloc(static_cast<size_t>(arcTotal) * sizeof(GraphNum)));
  uint8_t* bandParts = (bandEdgeTarget != nullptr) ? static_cast<uint8_t*>(memAlloc(bandCount)) : nullptr;
  if (bandParts == nullptr) {
    errorPrint("vgraphSeparateBd: out of memory (3)");
    if (bandEdgeTarget != nullptr) memFree(bandEdgeTarget);
    memFree(bandEdgeBegin);
    memFree(workBlock);
    return 1;
  }
  band.graph.edgeTarget = bandEdgeTarget - base;
  band.parts = bandParts - base;

  // Band arcs: inner vertices keep all their arcs; a last-layer vertex keeps
  // its arcs inside the band and, when it also has neighbours outside, gets
  // one arc to the anchor of its own part.
  GraphNum* target = band.graph.edgeTarget;
  GraphNum* bandBegin = band.graph.edgeBegin;
  GraphNum arc = base;
  GraphNum maxDegree = 0;
  GraphNum anchorDegree[2] = {0, 0};
  for (GraphNum position = 0; position < bandSize; position++) {
    const GraphNum bandVertex = base + position;
    const GraphNum vertex = queue[position];
    bandBegin[bandVertex] = arc;
    band.graph.vertexLoad[bandVertex] = (vertexLoad != nullptr) ? vertexLoad[vertex] : 1;
    band.parts[bandVertex] = parts[vertex];
    // The arcs inside the band are kept without branches: every end is
    // written, and the arc count advances for band vertices only (the last
    // write lands in the room kept for the anchor arc, or is overwritten).
    bool outside = false;
    for (GraphNum edge = edgeBegin[vertex]; edge < edgeEnd[vertex]; edge++) {
      const GraphNum end = bandIndex[edgeTarget[edge]];
      outside |= (end == -1);
      target[arc] = end;
      arc += (end != -1);
    }
    if (outside) {  // only last-layer vertices have neighbours outside the band
      const int part = parts[vertex];
      target[arc++] = anchor0 + part;
      anchorDegree[part]++;
    }
    if (arc - bandBegin[bandVertex] > maxDegree) maxDegree = arc - bandBegin[bandVertex];
  }
  // Anchor 0 lists its last-layer neighbours in increasing band order, anchor
  // 1 in decreasing order.
  bandBegin[anchor0] = arc;
  for (GraphNum bandVertex = base + lastLayerHead; bandVertex < anchor0; bandVertex++) {
    if ((bandBegin[bandVertex + 1] > bandBegin[bandVertex]) && (target[bandBegin[bandVertex + 1] - 1] == anchor0))
      target[arc++] = bandVertex;
  }
  bandBegin[anchor1] = arc;
  for (GraphNum bandVertex = anchor0 - 1; bandVertex >= base + lastLayerHead; bandVertex--) {
    if ((bandBegin[bandVertex + 1] > bandBegin[bandVertex]) && (target[bandBegin[bandVertex + 1] - 1] == anchor1))
      target[arc++] = bandVertex;
  }
  bandBegin[anchor1 + 1] = arc;
  for (int part = 0; part < 2; part++)
    if (anchorDegree[part] > maxDegree) maxDegree = anchorDegree[part];
  band.graph.vertexLoad[anchor0] = graph->partLoad[0] - bandPart0Load;
  band.graph.vertexLoad[anchor1] = graph->partLoad[1] - bandPart1LoadRest;
  band.parts[anchor0] = 0;
  band.parts[anchor1] = 1;
  band.graph.arcCount = arc - base;
  band.graph.edgeLoadSum = band.graph.arcCount;
  band.graph.maxDegree = maxDegree;
  GraphNum* shrunk = static_cast<GraphNum*>(
      memRealloc(bandEdgeTarget, static_cast<size_t>(band.graph.arcCount) * sizeof(GraphNum)));
  if (shrunk != nullptr) band.graph.edgeTarget = shrunk - base;  // a failed shrink keeps the larger block

  band.partLoad[0] = graph->partLoad[0];
  band.partLoad[1] = graph->partLoad[1];
  band.partLoad[2] = graph->partLoad[2];
  band.loadDelta = graph->loadDelta;
  band.partSize[0] = bandPart0Count + 1;
  band.partSize[1] = bandPart1Count + 1;
  band.level = graph->level;
  // The separator comes first in band order; the band numbers are no longer
  // needed, so the frontier may overwrite them.
  band.frontier = queue + bandSize;
  band.frontierCount = graph->frontierCount;
  for (GraphNum index = 0; index < graph->frontierCount; index++) band.frontier[index] = base + index;
  const GraphNum bandPartSize0 = band.partSize[0];
  const GraphNum bandPartSize1 = band.partSize[1];

  if (vgraphSeparateSt(&band, param->bnd) != 0) {
    errorPrint("vgraphSeparateBd: cannot separate band graph");
    band.frontier = nullptr;
    vgraphExit(&band);
    memFree(workBlock);
    return 1;
  }

  if ((band.parts[anchor0] != 0) || (band.parts[anchor1] != 1)) {  // an anchor moved: the band result is void
    band.frontier = nullptr;
    vgraphExit(&band);
    memFree(workBlock);
    return vgraphSeparateSt(graph, param->org);
  }

  graph->partLoad[0] = band.partLoad[0];
  graph->partLoad[1] = band.partLoad[1];
  graph->partLoad[2] = band.partLoad[2];
  graph->loadDelta = band.loadDelta;
  graph->partSize[0] += band.partSize[0] - bandPartSize0;
  graph->partSize[1] += band.partSize[1] - bandPartSize1;
  graph->frontierCount = band.frontierCount;
  for (GraphNum position = 0; position < bandSize; position++) graph->parts[queue[position]] = band.parts[base + position];
  for (GraphNum index = 0; index < band.frontierCount; index++) graph->frontier[index] = queue[band.frontier[index] - base];

  band.frontier = nullptr;
  vgraphExit(&band);
  memFree(workBlock);
  return 0;
}
