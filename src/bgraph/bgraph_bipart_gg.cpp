// Bipartition method h: greedy graph growing. Part 1 grows from a random
// seed one vertex at a time, always taking the vertex whose move adds the
// least communication load, until part 1 holds its share of the load; the
// best of several passes is kept.
#include <cstdint>
#include <cstdlib>

#include "bgraph/bgraph_bipart_methods.h"
#include "graph/gain.h"

namespace {

// Growth states of a vertex during one pass.
enum : uint8_t {
  GROW_PART0 = 0,  // untouched, in part 0
  GROW_PART1 = 1,  // taken into part 1
  GROW_FILED = 2,  // in part 0 next to part 1: filed in the gain table, or the candidate refused last
  GROW_LISTED = 3, // part-1 vertex already on the rebuilt frontier (final step only)
};

// Mantissa bits of the gain table.
constexpr int GROW_GAIN_SUB_BITS = 1;

struct GrowVertex {
  GainLink link;         // filed under gain while GROW_FILED
  GraphNum gainInitial;  // growth of the communication load if the vertex alone went to part 1
  GraphNum gain;         // the same with the current part 1
  uint8_t state;
};

}  // namespace

int bgraphBipartGgPasses(Bgraph* graph, GraphNum passCount) {
  const Graph& core = graph->graph;
  const GraphNum base = core.base;
  const GraphNum vertexCount = core.vertexCount;
  const GraphNum* edgeBegin = core.edgeBegin;
  const GraphNum* edgeEnd = core.edgeEnd;
  const GraphNum* edgeTarget = core.edgeTarget;
  const GraphNum* edgeLoad = core.edgeLoad;
  const GraphNum* vertexLoad = core.vertexLoad;
  const GraphNum* externalGain = graph->externalGain;
  const GraphNum distance = graph->domainDistance;
  uint8_t* parts = graph->parts;

  if (vertexCount == 0) {
    bgraphZero(graph);
    return 0;
  }
  passCount = bgraphPassCount(passCount);

  GainTable* table = gainTableInit(1024, GROW_GAIN_SUB_BITS);
  GrowVertex* records = (table != nullptr)
                            ? static_cast<GrowVertex*>(memAlloc(static_cast<size_t>(vertexCount) * sizeof(GrowVertex)))
                            : nullptr;
  if (records == nullptr) {
    errorPrint("bgraphBipartGg: out of memory (1)");
    if (table != nullptr) gainTableExit(table);
    return 1;
  }
  records -= base;
  GraphNum* permutation = nullptr;  // made on first need, kept for the call
  auto cleanUp = [&]() {
    if (permutation != nullptr) memFree(permutation);
    memFree(records + base);
    gainTableExit(table);
  };

  for (GraphNum vertex = base; vertex < core.vertexEnd; vertex++) {
    GraphNum gain = 0;
    if (edgeLoad != nullptr)
      for (GraphNum edge = edgeBegin[vertex]; edge < edgeEnd[vertex]; edge++) gain += edgeLoad[edge];
    else
      gain = edgeEnd[vertex] - edgeBegin[vertex];
    gain *= distance;
    if (externalGain != nullptr) gain += externalGain[vertex];
    records[vertex].gainInitial = gain;
  }

  GraphNum bestCommLoad = 0;
  int64_t bestImbalance = 0;
  for (GraphNum pass = 0; pass < passCount; pass++) {
    for (GraphNum vertex = base; vertex < core.vertexEnd; vertex++) {
      records[vertex].gain = records[vertex].gainInitial;
      records[vertex].state = GROW_PART0;
    }
    gainTableClear(table);
    GraphNum commLoad = graph->commLoadExtn0;
    int64_t imbalance = static_cast<int64_t>(core.vertexLoadSum) - graph->part0LoadAvg;  // load still to move
    GraphNum permutationNext = -1;  // -1: not yet shuffled in this pass

    GraphNum candidate = base + static_cast<GraphNum>(intRandNext(static_cast<uint32_t>(vertexCount)));
    for (;;) {
      // Grow the seed's component while every step brings the imbalance
      // closer to zero; a vertex without load always goes.
      bool grown = false;
      for (;;) {
        const int64_t load = (vertexLoad != nullptr) ? vertexLoad[candidate] : 1;
        if ((load > 0) && !(std::llabs(imbalance - load) < std::llabs(imbalance))) {
          grown = true;
          break;
        }
        GrowVertex& taken = records[candidate];
        taken.state = GROW_PART1;
        for (GraphNum edge = edgeBegin[candidate]; edge < edgeEnd[candidate]; edge++) {
          GrowVertex& neighbour = records[edgeTarget[edge]];
          if (neighbour.state == GROW_PART1) continue;
          neighbour.gain -= 2 * distance * ((edgeLoad != nullptr) ? edgeLoad[edge] : 1);
          if (neighbour.state == GROW_FILED) gainTableRemove(&neighbour.link);
          neighbour.state = GROW_FILED;
          gainTableAddLogBits<GROW_GAIN_SUB_BITS>(table, &neighbour.link, neighbour.gain);
        }
        commLoad += taken.gain;
        imbalance -= load;
        GainLink* link = gainTableFirst(table);
        if (link == nullptr) break;  // the component is used up
        gainTableRemove(link);       // the candidate keeps its filed state until taken
        candidate = static_cast<GraphNum>(reinterpret_cast<GrowVertex*>(link) - records);
      }
      if (grown) break;

      // Go on from an untouched vertex of another component, in a random
      // order fixed for the pass.
      if (permutationNext < 0) {
        if (permutation == nullptr) {
          permutation = static_cast<GraphNum*>(memAlloc(static_cast<size_t>(vertexCount) * sizeof(GraphNum)));
          if (permutation == nullptr) {
            errorPrint("bgraphBipartGg: out of memory (3)");
            cleanUp();
            return 1;
          }
          intFillAscending(permutation, vertexCount, base);
        }
        intShuffle(permutation, vertexCount);
        permutationNext = 0;
      }
      while ((permutationNext < vertexCount) && (records[permutation[permutationNext]].state != GROW_PART0))
        permutationNext++;
      if (permutationNext >= vertexCount) break;
      candidate = permutation[permutationNext++];
    }

    if ((pass == 0) || (commLoad < bestCommLoad) ||
        ((commLoad == bestCommLoad) && (std::llabs(imbalance) < std::llabs(bestImbalance)))) {
      bestCommLoad = commLoad;
      bestImbalance = imbalance;
      for (GraphNum vertex = base; vertex < core.vertexEnd; vertex++) parts[vertex] = records[vertex].state;
    }
  }
  cleanUp();

  // The frontier: every marked part-0 vertex, each followed by those of its
  // part-1 neighbours not listed yet.
  GraphNum frontierCount = 0;
  GraphNum part1Count = 0;
  GraphNum externalSum = 0;
  for (GraphNum vertex = base; vertex < core.vertexEnd; vertex++) {
    if (parts[vertex] != GROW_FILED) continue;
    parts[vertex] = 0;
    graph->frontier[frontierCount++] = vertex;
    for (GraphNum edge = edgeBegin[vertex]; edge < edgeEnd[vertex]; edge++) {
      const GraphNum end = edgeTarget[edge];
      if (parts[end] == GROW_PART1) {
        parts[end] = GROW_LISTED;
        graph->frontier[frontierCount++] = end;
      }
    }
  }
  for (GraphNum vertex = base; vertex < core.vertexEnd; vertex++) {
    if (parts[vertex] == 0) continue;
    parts[vertex] = 1;
    part1Count++;
    if (externalGain != nullptr) externalSum += externalGain[vertex];
  }
  graph->frontierCount = frontierCount;
  graph->part0Size = vertexCount - part1Count;
  graph->commLoad = bestCommLoad;
  graph->commGainExtn = graph->commGainExtn0 - 2 * externalSum;
  graph->part0LoadDelta = static_cast<GraphNum>(bestImbalance);
  graph->part0Load = graph->part0LoadAvg + graph->part0LoadDelta;
  graph->balance = bgraphBalance(graph->part0LoadDelta, graph->part0LoadAvg);
  return 0;
}

int bgraphBipartGg(Bgraph* graph, const void* parameters) {
  return bgraphBipartGgPasses(graph, static_cast<const BgraphBipartGgParam*>(parameters)->pass);
}
