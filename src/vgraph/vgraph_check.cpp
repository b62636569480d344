// Consistency check of a separation graph, used by the tests of every
// separation method and available to debugging code.
#include <vector>

#include "vgraph/vgraph.h"

int vgraphCheck(const Vgraph* graph) {
  const Graph& core = graph->graph;
  const GraphNum base = core.base;
  const GraphNum vertexEnd = core.vertexEnd;

  if (graph->parts == nullptr) {
    errorPrint("vgraphCheck: no part array");
    return 1;
  }
  if ((graph->frontier == nullptr) && (core.vertexCount > 0)) {
    errorPrint("vgraphCheck: no frontier array");
    return 1;
  }

  GraphNum load[3] = {0, 0, 0};
  GraphNum size[3] = {0, 0, 0};
  for (GraphNum vertex = base; vertex < vertexEnd; vertex++) {
    const int part = graph->parts[vertex];
    if (part > 2) {
      errorPrint("vgraphCheck: invalid part %d of vertex %d", part, vertex);
      return 1;
    }
    load[part] += (core.vertexLoad != nullptr) ? core.vertexLoad[vertex] : 1;
    size[part]++;
    if (part == 2) continue;
    // A vertex of part 0 or 1 may only touch its own part or the separator.
    for (GraphNum edge = core.edgeBegin[vertex]; edge < core.edgeEnd[vertex]; edge++) {
      const GraphNum end = core.edgeTarget[edge];
      if ((end < base) || (end >= vertexEnd)) {
        errorPrint("vgraphCheck: arc end %d of vertex %d out of range", end, vertex);
        return 1;
      }
      if (graph->parts[end] == (1 - part)) {
        errorPrint("vgraphCheck: edge between parts 0 and 1 (vertices %d and %d)", vertex, end);
        return 1;
      }
    }
  }

  for (int part = 0; part < 3; part++) {
    if (graph->partLoad[part] != load[part]) {
      errorPrint("vgraphCheck: part load %d is %d, parts give %d", part, graph->partLoad[part], load[part]);
      return 1;
    }
  }
  if (load[0] + load[1] + load[2] != core.vertexLoadSum) {
    errorPrint("vgraphCheck: part loads do not add up to the vertex load sum");
    return 1;
  }
  if (graph->loadDelta != load[0] - load[1]) {
    errorPrint("vgraphCheck: load delta is %d, parts give %d", graph->loadDelta, load[0] - load[1]);
    return 1;
  }
  for (int part = 0; part < 2; part++) {
    if (graph->partSize[part] != size[part]) {
      errorPrint("vgraphCheck: part size %d is %d, parts give %d", part, graph->partSize[part], size[part]);
      return 1;
    }
  }
  if (graph->frontierCount != size[2]) {
    errorPrint("vgraphCheck: frontier count is %d, parts give %d", graph->frontierCount, size[2]);
    return 1;
  }

  // The frontier lists each separator vertex exactly once.
  std::vector<bool> listed(static_cast<size_t>(core.vertexCount), false);
  for (GraphNum index = 0; index < graph->frontierCount; index++) {
    const GraphNum vertex = graph->frontier[index];
    if ((vertex < base) || (vertex >= vertexEnd)) {
      errorPrint("vgraphCheck: frontier entry %d out of range", vertex);
      return 1;
    }
    if (graph->parts[vertex] != 2) {
      errorPrint("vgraphCheck: frontier vertex %d not in the separator", vertex);
      return 1;
    }
    if (listed[vertex - base]) {
      errorPrint("vgraphCheck: frontier vertex %d listed twice", vertex);
      return 1;
    }
    listed[vertex - base] = true;
  }
  return 0;
}
