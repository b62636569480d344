// Bipartition method d: diffusion between two anchors. The last two
// vertices are the anchors of part 0 and part 1 (the band graphs of method
// b end with them): each pours out liquid of its own sign, as much as the
// load its part should receive, every vertex absorbs up to its own load and
// passes the rest on to its neighbours in proportion to the edge loads.
// After the sweeps each vertex joins the part whose liquid reached it.
// External gains act as edges to the anchors: a positive gain (which
// favours part 0) to the part-0 anchor, a negative one to the part-1
// anchor.
#include <cmath>

#include "bgraph/bgraph_bipart_methods.h"

int bgraphBipartDf(Bgraph* graph, const void* parameters) {
  const BgraphBipartDfParam* param = static_cast<const BgraphBipartDfParam*>(parameters);
  const Graph& core = graph->graph;
  const GraphNum base = core.base;
  const GraphNum* edgeBegin = core.edgeBegin;
  const GraphNum* edgeEnd = core.edgeEnd;
  const GraphNum* edgeTarget = core.edgeTarget;
  const GraphNum* edgeLoad = core.edgeLoad;
  const GraphNum* vertexLoad = core.vertexLoad;
  const GraphNum* externalGain = graph->externalGain;

  // Two anchors are needed; a smaller graph stays in part 0.
  if (core.vertexCount < 2) {
    bgraphZero(graph);
    return 0;
  }
  GraphNum target;  // load that part 0 should receive
  if (param->type == 0)
    target = graph->part0LoadAvg;
  else
    target = (graph->part0Load < graph->part0LoadMin)
                 ? graph->part0LoadMin
                 : ((graph->part0Load > graph->part0LoadMax) ? graph->part0LoadMax : graph->part0Load);

  const size_t count = static_cast<size_t>(core.vertexCount);
  float* oldValue;
  float* newValue;
  void* valueBlock = memGroupAlloc({memEntry(oldValue, count * sizeof(float)), memEntry(newValue, count * sizeof(float))});
  if (valueBlock == nullptr) {
    errorPrint("bgraphBipartDf: out of memory (1)");
    return 1;
  }
  float* inverseWeight = static_cast<float*>(memAlloc(count * sizeof(float)));
  if (inverseWeight == nullptr) {
    errorPrint("bgraphBipartDfSeq: out of memory");
    memFree(valueBlock);
    return 1;
  }
  oldValue -= base;
  newValue -= base;
  inverseWeight -= base;

  const GraphNum anchor0 = core.vertexEnd - 2;
  const GraphNum anchor1 = core.vertexEnd - 1;
  const float distance = static_cast<float>(graph->domainDistance);
  // The weight of a vertex: all it can pass on. A vertex without any keeps
  // its liquid undivided.
  double anchorExternal[2] = {0.0, 0.0};
  for (GraphNum vertex = base; vertex < core.vertexEnd; vertex++) {
    double weight = 0.0;
    if (edgeLoad != nullptr)
      for (GraphNum edge = edgeBegin[vertex]; edge < edgeEnd[vertex]; edge++) weight += edgeLoad[edge];
    else
      weight = edgeEnd[vertex] - edgeBegin[vertex];
    weight *= graph->domainDistance;
    if (externalGain != nullptr) {
      const GraphNum gain = externalGain[vertex];
      weight += std::fabs(static_cast<double>(gain));
      const GraphNum anchor = (gain > 0) ? anchor0 : anchor1;
      if ((gain != 0) && (vertex != anchor)) anchorExternal[anchor - anchor0] += std::fabs(static_cast<double>(gain));
    }
    inverseWeight[vertex] = static_cast<float>(weight);
  }
  inverseWeight[anchor0] += static_cast<float>(anchorExternal[0]);
  inverseWeight[anchor1] += static_cast<float>(anchorExternal[1]);
  for (GraphNum vertex = base; vertex < core.vertexEnd; vertex++)
    inverseWeight[vertex] = (inverseWeight[vertex] > 0.0f) ? 1.0f / inverseWeight[vertex] : 1.0f;

  const float source0 = -static_cast<float>(target);
  const float source1 = static_cast<float>(core.vertexLoadSum) - static_cast<float>(target);
  for (GraphNum vertex = base; vertex < core.vertexEnd; vertex++) oldValue[vertex] = 0.0f;
  oldValue[anchor0] = source0 * inverseWeight[anchor0];
  oldValue[anchor1] = source1 * inverseWeight[anchor1];

  const float leakFloor = std::ldexp(1.0f, -31);
  const GraphNum passCount = bgraphPassCount(param->pass);
  for (GraphNum pass = 0; pass < passCount; pass++) {
    float inflow[2] = {0.0f, 0.0f};  // liquid that the external edges bring to the anchors
    bool valid = true;
    for (GraphNum vertex = base; vertex < core.vertexEnd; vertex++) {
      float sum = 0.0f;
      for (GraphNum edge = edgeBegin[vertex]; edge < edgeEnd[vertex]; edge++)
        sum += oldValue[edgeTarget[edge]] * ((edgeLoad != nullptr) ? static_cast<float>(edgeLoad[edge]) : 1.0f);
      sum *= distance;
      if (externalGain != nullptr) {
        const GraphNum gain = externalGain[vertex];
        const GraphNum anchor = (gain > 0) ? anchor0 : anchor1;
        if ((gain != 0) && (vertex != anchor)) {
          const float magnitude = std::fabs(static_cast<float>(gain));
          sum += magnitude * oldValue[anchor];
          inflow[anchor - anchor0] += magnitude * oldValue[vertex];
        }
      }
      if (vertex == anchor0) sum += inflow[0] + source0;
      if (vertex == anchor1) sum += inflow[1] + source1;

      // Absorb up to the vertex's own load, keeping the sign of the liquid.
      const float load = (vertexLoad != nullptr) ? static_cast<float>(vertexLoad[vertex]) : 1.0f;
      if (sum >= 0.0f) {
        sum -= load;
        if (sum <= 0.0f) sum = leakFloor;
      } else {
        sum += load;
        if (sum >= 0.0f) sum = -leakFloor;
      }
      const float value = sum * inverseWeight[vertex];
      if (value != value) {
        valid = false;
        break;
      }
      newValue[vertex] = value;
    }
    if (!valid) break;
    float* swap = oldValue;
    oldValue = newValue;
    newValue = swap;
  }

  for (GraphNum vertex = base; vertex < core.vertexEnd; vertex++) graph->parts[vertex] = (oldValue[vertex] > 0.0f) ? 1 : 0;
  memFree(inverseWeight + base);
  memFree(valueBlock);
  bgraphUpdate(graph);
  return 0;
}
