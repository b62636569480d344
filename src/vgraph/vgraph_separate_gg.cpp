// Separation method h: greedy graph growing. Part 1 grows from a random
// seed one vertex at a time, always taking the separator vertex whose move
// adds the least separator load, until part 1 holds about half the load;
// the best of several passes is kept.
#include <cstdint>
#include <cstring>

#include "graph/gain.h"
#include "vgraph/vgraph_separate_methods.h"

namespace {

// Vertex states. A separator vertex is either waiting to be filed (its
// link's prev word then chains it to the other waiting vertices) or filed in
// the gain table.
enum : uint8_t {
  GROW_PART0 = 0,    // still in part 0
  GROW_PART1 = 1,    // moved to part 1
  GROW_WAITING = 2,  // just entered the separator, not yet filed
  GROW_FILED = 3,    // in the separator and filed in the gain table
};

// Neighbours listed at a time by the growing loop.
constexpr GraphNum GROW_CHUNK = 64;

// Mantissa bits of the gain table.
constexpr int GROW_GAIN_SUB_BITS = 4;

// On a connected graph a pass is fixed by its random seed vertex, so that
// more passes than a few times the vertex count find nothing new; and a pass
// costs about one visit of every vertex and arc. The passes asked for are
// run up to the smaller of these two limits, and never fewer than
// GROW_PASS_FLOOR of them: any pass count that a strategy would sensibly ask
// for is run in full, and a huge one cannot make a call endless.
constexpr int64_t GROW_PASS_WORK = int64_t{1} << 22;
constexpr int64_t GROW_PASSES_PER_VERTEX = 4;
constexpr GraphNum GROW_PASS_FLOOR = 64;

GraphNum growPassCount(GraphNum asked, const Graph& core) {
  int64_t affordable = GROW_PASS_WORK / (int64_t{core.vertexCount} + core.arcCount + 1);
  if (affordable > GROW_PASSES_PER_VERTEX * core.vertexCount) affordable = GROW_PASSES_PER_VERTEX * core.vertexCount;
  const GraphNum limit = (affordable > GROW_PASS_FLOOR) ? static_cast<GraphNum>(affordable) : GROW_PASS_FLOOR;
  return (asked < limit) ? asked : limit;
}

// The per-vertex arrays of one call, addressed from base. The states and
// gains are apart from the links, so that the scans of the neighbourhoods,
// which read only states and loads, stay within few cache lines.
struct GrowArrays {
  uint8_t* state;
  GraphNum* gain;   // separator load added by moving a separator vertex to part 1
  GainLink* link;   // filed under gain while the vertex is GROW_FILED
};

// The growing passes, for graphs with vertex loads (the coarse and band
// graphs that the method is meant for) or without them (every load 1).
// Returns 0, or 1 when the permutation cannot be allocated (reported).
template <bool VertexLoads>
int growPasses(Vgraph* graph, GraphNum passCount, GainTable* table, const GrowArrays& arrays,
               GraphNum*& permutation) {
  const Graph& core = graph->graph;
  const GraphNum base = core.base;
  const GraphNum vertexCount = core.vertexCount;
  const GraphNum* edgeBegin = core.edgeBegin;
  const GraphNum* edgeEnd = core.edgeEnd;
  const GraphNum* edgeTarget = core.edgeTarget;
  const GraphNum* vertexLoad = core.vertexLoad;
  uint8_t* parts = graph->parts;
  uint8_t* state = arrays.state;
  GraphNum* gainOf = arrays.gain;
  GainLink* links = arrays.link;

  auto loadOf = [vertexLoad](GraphNum vertex) -> GraphNum { return VertexLoads ? vertexLoad[vertex] : 1; };
  GraphNum waiting = -1;  // head of the chain of waiting vertices, -1 when empty
  // The chain runs through the link's prev word, holding vertex numbers.
  auto makeWaiting = [&](GraphNum vertex) {
    state[vertex] = GROW_WAITING;
    links[vertex].prev = reinterpret_cast<GainLink*>(static_cast<intptr_t>(waiting));
    waiting = vertex;
  };

  GraphNum bestSeparatorLoad = 0;
  GraphNum bestDelta = 0;
  for (GraphNum pass = 1; (pass <= passCount) && (vertexCount > 0); pass++) {
    // Gains need no reset: a vertex gets its gain when it joins the
    // separator, and only separator gains are read.
    memset(state + base, GROW_PART0, static_cast<size_t>(vertexCount));
    gainTableClear(table);
    GraphNum delta = core.vertexLoadSum;  // load of part 0 minus load of part 1
    GraphNum separatorLoad = 0;
    GraphNum permutationNext = -1;  // -1: the permutation is not yet shuffled in this pass

    GraphNum seed = base + static_cast<GraphNum>(intRandNext(static_cast<uint32_t>(vertexCount)));
    while (true) {
      // The seed enters the separator. Its link points to itself, so that
      // taking it out of the table, where it never was, is harmless.
      GainLink* seedLink = &links[seed];
      seedLink->next = seedLink->prev = seedLink;
      state[seed] = GROW_FILED;
      GraphNum seedGain = -loadOf(seed);
      for (GraphNum edge = edgeBegin[seed]; edge < edgeEnd[seed]; edge++) seedGain += loadOf(edgeTarget[edge]);
      gainOf[seed] = seedGain;
      delta -= loadOf(seed);
      separatorLoad += loadOf(seed);

      bool passEnded = false;
      GainLink* candidate = seedLink;
      while (candidate != nullptr) {
        const GraphNum vertex = static_cast<GraphNum>(candidate - links);
        const GraphNum load = loadOf(vertex);
        if (abs(delta - load) > delta) {  // part 1 would outweigh part 0 by more than now
          passEnded = true;
          break;
        }
        gainTableRemove(candidate);
        state[vertex] = GROW_PART1;
        delta -= 2 * load + gainOf[vertex];
        separatorLoad += gainOf[vertex];

        // The part-0 neighbours of the vertex join the separator; the gains
        // of the separator vertices next to them drop, as they no longer
        // feed them.
        // Neighbourhoods are scanned in chunks: a first loop without
        // branches on the states lists the vertices that need work, in
        // adjacency order, and a second loop does that work. The lists stay
        // exact, as the work on one listed vertex changes no state that
        // decides the listing of another, but for a repeated arc, for which
        // the state is read again.
        GraphNum listed[GROW_CHUNK];
        GraphNum filedListed[GROW_CHUNK];
        for (GraphNum chunk = edgeBegin[vertex], edgeStop = edgeEnd[vertex]; chunk < edgeStop; chunk += GROW_CHUNK) {
          const GraphNum chunkStop = (edgeStop - chunk > GROW_CHUNK) ? chunk + GROW_CHUNK : edgeStop;
          GraphNum listedCount = 0;
          for (GraphNum edge = chunk; edge < chunkStop; edge++) {
            const GraphNum neighbour = edgeTarget[edge];
            listed[listedCount] = neighbour;
            listedCount += (state[neighbour] == GROW_PART0);
          }
          for (GraphNum position = 0; position < listedCount; position++) {
            const GraphNum neighbour = listed[position];
            if (state[neighbour] != GROW_PART0) continue;  // a repeated arc
            makeWaiting(neighbour);
            const GraphNum neighbourLoad = loadOf(neighbour);
            GraphNum gain = -neighbourLoad;
            // The neighbours of a part-0 vertex are in part 0 or in the
            // separator, but for the vertex just moved to part 1. The sums
            // are taken without branches on the state: a part-0 neighbour
            // adds its load, a separator one loses neighbourLoad of its gain
            // (gains outside the separator are never read, so they may take
            // the same subtraction); the filed ones are listed, to leave
            // the table and wait, in adjacency order.
            for (GraphNum chunk2 = edgeBegin[neighbour], edge2Stop = edgeEnd[neighbour]; chunk2 < edge2Stop;
                 chunk2 += GROW_CHUNK) {
              const GraphNum chunk2Stop = (edge2Stop - chunk2 > GROW_CHUNK) ? chunk2 + GROW_CHUNK : edge2Stop;
              GraphNum filedCount = 0;
              for (GraphNum edge2 = chunk2; edge2 < chunk2Stop; edge2++) {
                const GraphNum second = edgeTarget[edge2];
                const GraphNum secondState = state[second];
                const GraphNum part0Mask = -static_cast<GraphNum>(secondState == GROW_PART0);
                const GraphNum separatorMask = -(secondState >> 1);  // states 2 and 3
                gain += loadOf(second) & part0Mask;
                gainOf[second] -= neighbourLoad & separatorMask;
                filedListed[filedCount] = second;
                filedCount += (secondState == GROW_FILED);
              }
              for (GraphNum position2 = 0; position2 < filedCount; position2++) {
                const GraphNum second = filedListed[position2];
                if (state[second] != GROW_FILED) continue;  // a repeated arc
                gainTableRemove(&links[second]);
                makeWaiting(second);
              }
            }
            gainOf[neighbour] = gain;
          }
        }
        while (waiting >= 0) {  // most recently chained first
          const GraphNum next = static_cast<GraphNum>(reinterpret_cast<intptr_t>(links[waiting].prev));
          state[waiting] = GROW_FILED;
          gainTableAddLogBits<GROW_GAIN_SUB_BITS>(table, &links[waiting], gainOf[waiting]);
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
            return 1;
          }
        }
        intFillAscending(permutation, vertexCount, base);
        intShuffle(permutation, vertexCount);
        permutationNext = 0;
      }
      while ((permutationNext < vertexCount) && (state[permutation[permutationNext]] != GROW_PART0))
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
        const uint8_t vertexState = state[vertex];
        parts[vertex] = (vertexState <= GROW_PART1) ? vertexState : 2;
      }
    }
  }
  return 0;
}

}  // namespace

int vgraphSeparateGg(Vgraph* graph, const void* parameters) {
  const Graph& core = graph->graph;
  const GraphNum passCount = growPassCount(static_cast<const VgraphSeparateGgParam*>(parameters)->pass, core);
  const GraphNum base = core.base;
  const GraphNum vertexCount = core.vertexCount;
  uint8_t* parts = graph->parts;

  GainTable* table = gainTableInit(1024, GROW_GAIN_SUB_BITS);  // a logarithmic table
  GrowArrays arrays = {};
  void* block = nullptr;
  if (table != nullptr)
    block = memGroupAlloc({memEntry(arrays.link, static_cast<size_t>(vertexCount) * sizeof(GainLink)),
                           memEntry(arrays.gain, static_cast<size_t>(vertexCount) * sizeof(GraphNum)),
                           memEntry(arrays.state, static_cast<size_t>(vertexCount) * sizeof(uint8_t))});
  if (block == nullptr) {
    errorPrint("vgraphSeparateGg: out of memory (1)");
    if (table != nullptr) gainTableExit(table);
    return 1;
  }
  arrays.link -= base;
  arrays.gain -= base;
  arrays.state -= base;
  GraphNum* permutation = nullptr;  // made on first need, kept for the call

  const int status = (core.vertexLoad != nullptr) ? growPasses<true>(graph, passCount, table, arrays, permutation)
                                                  : growPasses<false>(graph, passCount, table, arrays, permutation);
  if (status != 0) {
    memFree(block);
    gainTableExit(table);
    return 1;
  }

  if (permutation != nullptr) memFree(permutation);
  memFree(block);
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
