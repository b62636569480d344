// Separation method h: greedy graph growing. Part 1 grows from a random
// seed one vertex at a time, always taking the separator vertex whose move
// adds the least separator load, until part 1 holds about half the load;
// the best of several passes is kept.
#include "graph/gain.h"
#include "vgraph/vgraph_separate_methods.h"

namespace {

// Vertex states. A separator vertex is either waiting to be filed (its
// link's prev word then chains it to the other waiting vertices) or filed in
// the gain table.
enum : int {
  GROW_PART0 = 0,    // still in part 0
  GROW_PART1 = 1,    // moved to part 1
  GROW_WAITING = 2,  // just entered the separator, not yet filed
  GROW_FILED = 3,    // in the separator and filed in the gain table
};

struct GrowVertex {
  GainLink link;  // filed under gain while the vertex is GROW_FILED
  GraphNum gain;  // separator load added by moving this separator vertex to part 1
  int state;
};

inline GrowVertex* growVertexOf(GainLink* link) { return reinterpret_cast<GrowVertex*>(link); }

}  // namespace

int vgraphSeparateGg(Vgraph* graph, const void* parameters) {
  const GraphNum passCount = static_cast<const VgraphSeparateGgParam*>(parameters)->pass;
  const Graph& core = graph->graph;
  const GraphNum base = core.base;
  const GraphNum vertexCount = core.vertexCount;
  const GraphNum* edgeBegin = core.edgeBegin;
  const GraphNum* edgeEnd = core.edgeEnd;
  const GraphNum* edgeTarget = core.edgeTarget;
  const GraphNum* vertexLoad = core.vertexLoad;
  uint8_t* parts = graph->parts;

  GainTable* table = gainTableInit(1024, 4);
  GrowVertex* vertices = (table != nullptr)
                             ? static_cast<GrowVertex*>(memAlloc(static_cast<size_t>(vertexCount) * sizeof(GrowVertex)))
                             : nullptr;
  if (vertices == nullptr) {
    errorPrint("vgraphSeparateGg: out of memory (1)");
    if (table != nullptr) gainTableExit(table);
    return 1;
  }
  vertices -= base;
  GraphNum* permutation = nullptr;  // made on first need, kept for the call

  auto loadOf = [vertexLoad](GraphNum vertex) { return (vertexLoad != nullptr) ? vertexLoad[vertex] : 1; };
  GrowVertex* waiting = nullptr;  // head of the chain of waiting vertices
  auto makeWaiting = [&waiting](GrowVertex* record) {
    record->state = GROW_WAITING;
    record->link.prev = reinterpret_cast<GainLink*>(waiting);
    waiting = record;
  };

  GraphNum bestSeparatorLoad = 0;
  GraphNum bestDelta = 0;
  for (GraphNum pass = 1; (pass <= passCount) && (vertexCount > 0); pass++) {
    for (GraphNum vertex = base; vertex < core.vertexEnd; vertex++) {
      vertices[vertex].state = GROW_PART0;
      vertices[vertex].gain = 0;
    }
    gainTableClear(table);
    GraphNum delta = core.vertexLoadSum;  // load of part 0 minus load of part 1
    GraphNum separatorLoad = 0;
    GraphNum permutationNext = -1;  // -1: the permutation is not yet shuffled in this pass

    GraphNum seed = base + static_cast<GraphNum>(intRandNext(static_cast<uint32_t>(vertexCount)));
    while (true) {
      // The seed enters the separator. Its link points to itself, so that
      // taking it out of the table, where it never was, is harmless.
      GrowVertex* seedRecord = &vertices[seed];
      seedRecord->link.next = seedRecord->link.prev = &seedRecord->link;
      seedRecord->state = GROW_FILED;
      GraphNum seedGain = -loadOf(seed);
      for (GraphNum edge = edgeBegin[seed]; edge < edgeEnd[seed]; edge++) seedGain += loadOf(edgeTarget[edge]);
      seedRecord->gain = seedGain;
      delta -= loadOf(seed);
      separatorLoad += loadOf(seed);

      bool passEnded = false;
      GainLink* candidate = &seedRecord->link;
      while (candidate != nullptr) {
        GrowVertex* record = growVertexOf(candidate);
        const GraphNum vertex = static_cast<GraphNum>(record - vertices);
        const GraphNum load = loadOf(vertex);
        if (abs(delta - load) > delta) {  // part 1 would outweigh part 0 by more than now
          passEnded = true;
          break;
        }
        gainTableRemove(candidate);
        record->state = GROW_PART1;
        delta -= 2 * load + record->gain;
        separatorLoad += record->gain;

        // The part-0 neighbours of the vertex join the separator; the gains
        // of the separator vertices next to them drop, as they no longer
        // feed them.
        for (GraphNum edge = edgeBegin[vertex], edgeStop = edgeEnd[vertex]; edge < edgeStop; edge++) {
          const GraphNum neighbour = edgeTarget[edge];
          GrowVertex* neighbourRecord = &vertices[neighbour];
          if (neighbourRecord->state != GROW_PART0) continue;
          makeWaiting(neighbourRecord);
          const GraphNum neighbourLoad = loadOf(neighbour);
          GraphNum gain = -neighbourLoad;
          // The neighbours of a part-0 vertex are in part 0 or in the
          // separator, but for the vertex just moved to part 1.
          for (GraphNum edge2 = edgeBegin[neighbour], edge2Stop = edgeEnd[neighbour]; edge2 < edge2Stop; edge2++) {
            const GraphNum second = edgeTarget[edge2];
            GrowVertex* secondRecord = &vertices[second];
            const int state = secondRecord->state;
            if (state == GROW_PART0) {
              gain += loadOf(second);
              continue;
            }
            if (state == GROW_PART1) continue;
            secondRecord->gain -= neighbourLoad;
            if (state == GROW_FILED) {
              gainTableRemove(&secondRecord->link);
              makeWaiting(secondRecord);
            }
          }
          neighbourRecord->gain = gain;
        }
        while (waiting != nullptr) {  // most recently chained first
          GrowVertex* next = reinterpret_cast<GrowVertex*>(waiting->link.prev);
          waiting->state = GROW_FILED;
          gainTableAdd(table, &waiting->link, waiting->gain);
          waiting = next;
        }
        candidate = gainTableFirst(table);
      }
      if (passEnded) break;

      // The seed's component lies entirely in part 1: take a new seed among
      // the remaining part-0 vertices, in a random order fixed for the pass.
      if (permutationNext < 0) {
        if (permutation == nullptr) {
          permutation = static_cast<GraphNum*>(memAlloc(static_cast<size_t>(vertexCount) * sizeof(GraphNum)));
          if (permutation == nullptr) {
            errorPrint("vgraphSeparateGg: out of memory (2)");
            memFree(vertices + base);
            gainTableExit(table);
            return 1;
          }
        }
        intFillAscending(permutation, vertexCount, base);
        intShuffle(permutation, vertexCount);
        permutationNext = 0;
      }
      while ((permutationNext < vertexCount) && (vertices[permutation[permutationNext]].state != GROW_PART0))
        permutationNext++;
      if (permutationNext >= vertexCount) break;
      seed = permutation[permutationNext++];
    }

    if ((pass == 1) || (separatorLoad < bestSeparatorLoad) ||
        ((separatorLoad == bestSeparatorLoad) && (abs(delta) < abs(bestDelta)))) {
      bestSeparatorLoad = separatorLoad;
      bestDelta = delta;
      graph->partLoad[2] = separatorLoad;
      graph->loadDelta = delta;
      for (GraphNum vertex = base; vertex < core.vertexEnd; vertex++) {
        const int state = vertices[vertex].state;
        parts[vertex] = static_cast<uint8_t>((state <= GROW_PART1) ? state : 2);
      }
    }
  }

  if (permutation != nullptr) memFree(permutation);
  memFree(vertices + base);
  gainTableExit(table);

  // The loads of the parts follow from the totals; sizes and frontier from
  // one scan of the parts.
  graph->partLoad[0] = (core.vertexLoadSum + graph->loadDelta - graph->partLoad[2]) / 2;
  graph->partLoad[1] = core.vertexLoadSum - graph->partLoad[2] - graph->partLoad[0];
  GraphNum frontierCount = 0;
  GraphNum partSize1 = 0;
  for (GraphNum vertex = base; vertex < core.vertexEnd; vertex++) {
    const int part = parts[vertex];
    if (part == 2)
      graph->frontier[frontierCount++] = vertex;
    else
      partSize1 += part;
  }
  graph->frontierCount = frontierCount;
  graph->partSize[1] = partSize1;
  graph->partSize[0] = vertexCount - partSize1 - frontierCount;
  return 0;
}
