// Fill estimate of a separation, by which nested dissection can choose
// among several separations of the same graph. A separator is ordered last,
// so its front holds the separator itself and the halo vertices next to the
// graph; each part is dissected in turn, and the front of its own top
// separator holds the separator above plus the halo next to the part. Two
// separators of one size can thus cost quite different fill below them:
// one that leaves all of the halo on one side makes that side's fronts
// larger at every level beneath.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "vgraph/vgraph.h"

namespace {

// A part's top separator, as a share of scale * sqrt(part load): a part cut
// in two by a separator of the graph's size has, in a two-dimensional
// mesh, a separator of about 0.7 times that size relative to its own load.
constexpr double partSeparatorShare = 0.7;
// Levels below a part's top separator, in units of its cube: the sum over
// the levels of a two-dimensional dissection, whose separators shrink by
// sqrt(2) per level while their count doubles, each front holding about
// three times its separator.
constexpr double lowerLevelsFactor = 24.0;

// Operation count of eliminating k vertices whose front also holds b
// vertices eliminated later: the sum of (b + j)^2 for j up to k.
double frontCost(double k, double b) { return k * (k * k / 3.0 + k * b + b * b); }

// Sweep states of the vertices, addressed from 0, with one more slot for
// the arcs that leave the graph: a distance from 0 on, or one of these.
constexpr GraphNum sweepUnreached = -1;  // in the part swept, not reached yet
constexpr GraphNum sweepOutside = -2;    // in another part, or the slot of the halo

// Breadth-first search over the vertices of one part, from start: state
// (see above) receives each reached vertex's distance, queue (one slot more
// than the vertices) the reached vertices in the order visited. Returns how
// many were reached.
//
// The search waits on scattered reads (the arc range of the next vertex in
// the queue, its ends, their states), which are requested a few vertices
// ahead, in stages, each from what the stage before brought. Every end is
// written at the tail, which only moves on for a new one: about half the
// ends are reached already, in no pattern that a branch could predict.
GraphNum partSweep(const Graph& core, GraphNum start, GraphNum* state, GraphNum* queue) {
  const GraphNum base = core.base;
  const uint32_t count = static_cast<uint32_t>(core.vertexCount);
  const GraphNum* edgeBegin = core.edgeBegin;
  const GraphNum* edgeEnd = core.edgeEnd;
  const GraphNum* edgeTarget = core.edgeTarget;
  GraphNum tail = 0;
  queue[tail++] = start;
  state[start - base] = 0;
  for (GraphNum head = 0; head < tail; head++) {
    if (head + 12 < tail) {
      const GraphNum ahead = queue[head + 12];
      __builtin_prefetch(&edgeBegin[ahead]);
      __builtin_prefetch(&edgeEnd[ahead]);
    }
    if (head + 6 < tail) __builtin_prefetch(&edgeTarget[edgeBegin[queue[head + 6]]]);
    if (head + 3 < tail) {
      const GraphNum ahead = queue[head + 3];
      for (GraphNum edge = edgeBegin[ahead], end = edgeEnd[ahead]; edge < end; edge++) {
        const uint32_t index = static_cast<uint32_t>(edgeTarget[edge] - base);
        __builtin_prefetch(&state[(index < count) ? index : count]);
      }
    }
    const GraphNum vertex = queue[head];
    const GraphNum distance = state[vertex - base] + 1;
    for (GraphNum edge = edgeBegin[vertex], end = edgeEnd[vertex]; edge < end; edge++) {
      const GraphNum target = edgeTarget[edge];
      uint32_t index = static_cast<uint32_t>(target - base);
      index = (index < count) ? index : count;  // a halo vertex: the outside slot
      const bool fresh = state[index] == sweepUnreached;
      state[index] = fresh ? distance : state[index];
      queue[tail] = target;
      tail += fresh;
    }
  }
  return tail;
}

// Pseudo-diameter of the largest connected component of one part: the
// components are swept in vertex order, then two more sweeps start from
// the last vertex reached in the largest one and from the farthest vertex
// of that sweep. 0 for an empty part. state and queue have one slot more
// than the graph has vertices.
GraphNum partDiameter(const Graph& core, const uint8_t* parts, uint8_t part, GraphNum* state, GraphNum* queue) {
  const GraphNum count = core.vertexCount;
  auto resetStates = [&] {
    for (GraphNum index = 0; index < count; index++)
      state[index] = (parts[index] == part) ? sweepUnreached : sweepOutside;
  };
  resetStates();
  state[count] = sweepOutside;
  GraphNum start = -1;
  GraphNum largest = 0;
  for (GraphNum index = 0; index < count; index++) {
    if (state[index] != sweepUnreached) continue;
    const GraphNum reached = partSweep(core, core.base + index, state, queue);
    if (reached > largest) {
      largest = reached;
      start = queue[reached - 1];
    }
  }
  if (start < 0) return 0;
  // The first sweeps reached every vertex of the part: all are reset
  // once, then only the vertices that the last sweep reached.
  resetStates();
  GraphNum far = start;
  GraphNum reached = 0;
  for (int sweep = 0; sweep < 2; sweep++) {
    for (GraphNum index = 0; index < reached; index++) state[queue[index] - core.base] = sweepUnreached;
    reached = partSweep(core, far, state, queue);
    far = queue[reached - 1];
  }
  return state[far - core.base];
}

}  // namespace

void vgraphFillTerms(const Vgraph* graph, const uint8_t* parts, GraphNum partLoad0, GraphNum partLoad1,
                     VgraphFillTerms* terms) {
  const Graph& core = graph->graph;
  terms->separatorLoad = static_cast<double>(core.vertexLoadSum - partLoad0 - partLoad1);
  terms->partLoad[0] = partLoad0;
  terms->partLoad[1] = partLoad1;
  terms->haloLoad = 0.0;
  terms->partHaloLoad[0] = 0.0;
  terms->partHaloLoad[1] = 0.0;
  terms->shapeCost = -1.0;
  const VgraphHalo* halo = graph->halo;
  if ((halo == nullptr) || (halo->boundaryCount == 0)) return;

  // Only the vertices next to the halo are visited: a boundary's worth of
  // work, far less than the graph.
  const GraphNum haloCount = halo->haloVertexEnd - core.vertexEnd;
  memset(halo->mark, 0, static_cast<size_t>(haloCount));
  for (GraphNum index = 0; index < halo->boundaryCount; index++) {
    const GraphNum vertex = halo->boundary[index];
    const uint8_t bit = static_cast<uint8_t>(1 << parts[vertex - core.base]);
    for (GraphNum edge = halo->haloEdgeBegin[vertex]; edge < halo->haloEdgeEnd[vertex]; edge++)
      halo->mark[core.edgeTarget[edge] - core.vertexEnd] |= bit;
  }
  for (GraphNum index = 0; index < haloCount; index++) {
    const uint8_t mark = halo->mark[index];
    if (mark == 0) continue;
    const GraphNum vertex = core.vertexEnd + index;
    const double load = (core.vertexLoad != nullptr) ? core.vertexLoad[vertex] : 1;
    terms->haloLoad += load;
    if ((mark & 1) != 0) terms->partHaloLoad[0] += load;
    if ((mark & 2) != 0) terms->partHaloLoad[1] += load;
  }
}

double vgraphFillEstimate(const VgraphFillTerms* terms, double scale) {
  const double guesses[2] = {-1.0, -1.0};
  return vgraphFillEstimateWith(terms, scale, guesses);
}

double vgraphFillEstimateWith(const VgraphFillTerms* terms, double scale, const double childSeparators[2]) {
  const double separator = terms->separatorLoad;
  double cost = frontCost(separator, terms->haloLoad);
  for (int part = 0; part < 2; part++) {
    const double partSeparator = (childSeparators[part] >= 0.0)
                                     ? childSeparators[part]
                                     : partSeparatorShare * scale * std::sqrt(terms->partLoad[part]);
    cost += frontCost(partSeparator, separator + terms->partHaloLoad[part]) +
            lowerLevelsFactor * partSeparator * partSeparator * partSeparator;
  }
  return cost;
}

double vgraphShapeCost(const Vgraph* graph, const uint8_t* parts, GraphNum partLoad0, GraphNum partLoad1) {
  const Graph& core = graph->graph;
  const size_t vertexCount = static_cast<size_t>(core.vertexCount);
  GraphNum* state = static_cast<GraphNum*>(memAlloc((vertexCount + 1) * 2 * sizeof(GraphNum)));
  if (state == nullptr) return -1.0;
  GraphNum* queue = state + vertexCount + 1;
  double cost = 0.0;
  for (uint8_t part = 0; part < 2; part++) {
    const GraphNum diameter = partDiameter(core, parts, part, state, queue);
    if (diameter <= 0) continue;
    const double width = static_cast<double>((part == 0) ? partLoad0 : partLoad1) / static_cast<double>(diameter);
    cost += width * width * width;
  }
  memFree(state);
  return cost;
}
