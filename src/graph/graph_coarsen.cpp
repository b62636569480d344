// One coarsening step: matching in a scrambled block order, coarse vertex
// numbering, and the coarse graph built with a map from coarse vertices to
// the arcs of the coarse vertex being built.
//
// The matching has eight variants (vertex loads or not, arc loads or not,
// constraints or not); each is one instance of the walk template below, so
// that the per-vertex loop carries no test of the variant.
#include "graph/graph_coarsen.h"

#include <cstring>

namespace {

// The fine graph as the matching reads it, and the mate array it fills.
struct MatchState {
  GraphNum base;
  GraphNum vertexEnd;
  GraphNum maxDegree;
  const GraphNum* edgeBegin;
  const GraphNum* edgeEnd;
  const GraphNum* edgeTarget;
  const GraphNum* edgeLoad;    // null without arc loads
  const GraphNum* vertexLoad;  // null without vertex loads
  const GraphNum* constraintA;  // null when not given (or not in force)
  const GraphNum* constraintB;
  // -1 while unmatched, then the mate (the vertex itself when left alone).
  GraphNum* mate;
  int64_t lightLimit;  // light walk: loads strictly below this are light
  int64_t loadBound;   // full walk: largest load of a matched pair
  // The vertex at each position of the walk, addressed from base; null
  // when the positions are the vertex numbers.
  const GraphNum* order;
};

// The walks of one matching: a single walk without vertex loads; with
// vertex loads a light walk, then a full walk with the load bound.
enum class Walk { Single, Light, Full };

// Whether w carries v's values in the constraint arrays that are given.
inline bool matchCompatible(const MatchState& state, GraphNum v, GraphNum w) {
  return (state.constraintB == nullptr || state.constraintB[w] == state.constraintB[v]) &&
         (state.constraintA == nullptr || state.constraintA[w] == state.constraintA[v]);
}

// The neighbour v takes by the edge choice rule: the first unmatched
// qualifying neighbour, or with arc loads the one joined by the strictly
// heaviest arc (the first of equal heaviest arcs wins); v itself when none
// qualifies.
template <bool EdgeLoads, bool Constrained, bool Bounded>
inline GraphNum matchChoose(const MatchState& state, GraphNum v) {
  const GraphNum* mate = state.mate;
  const GraphNum* target = state.edgeTarget;
  int64_t vertexLoad = Bounded ? state.vertexLoad[v] : 0;
  GraphNum chosen = v;
  bool found = false;
  GraphNum heaviest = 0;
  if constexpr (EdgeLoads && !Constrained) {
    // Every neighbour is looked at: the choice is made without branches on
    // the neighbours' states, which follow no pattern.
    for (GraphNum e = state.edgeBegin[v], end = state.edgeEnd[v]; e < end; e++) {
      const GraphNum w = target[e];
      bool qualifies = mate[w] < 0;
      if constexpr (Bounded) qualifies &= vertexLoad + state.vertexLoad[w] <= state.loadBound;
      const GraphNum load = state.edgeLoad[e];
      const bool better = qualifies & (!found | (load > heaviest));
      found |= better;
      heaviest = better ? load : heaviest;
      chosen = better ? w : chosen;
    }
    return chosen;
  }
  for (GraphNum e = state.edgeBegin[v], end = state.edgeEnd[v]; e < end; e++) {
    GraphNum w = target[e];
    if (mate[w] >= 0) continue;
    if (Bounded && vertexLoad + state.vertexLoad[w] > state.loadBound) continue;
    if (Constrained && !matchCompatible(state, v, w)) continue;
    if constexpr (!EdgeLoads) return w;
    GraphNum load = state.edgeLoad[e];
    if (!found || load > heaviest) {
      found = true;
      heaviest = load;
      chosen = w;
    }
  }
  return chosen;
}

// One walk over the positions, block by block. The block size is drawn
// from t; within a block of h positions the visit goes 0, 179 mod h, ...,
// which covers every position once since 179 is a prime above h. After each
// block t grows by the last vertex visited. Returns the number of matching
// decisions taken (each one is a coarse vertex).
template <Walk W, bool EdgeLoads, bool Constrained>
GraphNum matchWalk(const MatchState& state, uint32_t& t) {
  GraphNum* mate = state.mate;
  const GraphNum* order = state.order;
  GraphNum decisions = 0;
  // Unconstrained isolated vertices pull the end of the vertex range down,
  // past vertices that are all matched; when the positions are the vertex
  // numbers, the end of the walk comes down with it.
  GraphNum searchEnd = state.vertexEnd;
  GraphNum rangeEnd = state.vertexEnd;
  uint64_t degreeSpan = static_cast<uint64_t>(state.maxDegree) + 1;
  for (GraphNum blockStart = state.base; blockStart < rangeEnd;) {
    uint64_t size = 2 * static_cast<uint64_t>(state.maxDegree) + t % degreeSpan + 1;
    if (size > 178) size = t % 145 + 32;
    if (size > static_cast<uint64_t>(rangeEnd - blockStart)) size = static_cast<uint64_t>(rangeEnd - blockStart);
    GraphNum blockSize = static_cast<GraphNum>(size);
    GraphNum step = 179 % blockSize;
    GraphNum position = 0;
    GraphNum v;
    do {
      v = order == nullptr ? blockStart + position : order[blockStart + position];
      position += step;
      if (position >= blockSize) position -= blockSize;
      if (mate[v] >= 0) continue;  // also every vertex at or above a lowered range end
      bool isolated = state.edgeBegin[v] == state.edgeEnd[v];
      GraphNum w;
      if constexpr (W == Walk::Light) {
        if (isolated || state.vertexLoad[v] >= state.lightLimit) continue;
        w = matchChoose<EdgeLoads, Constrained, false>(state, v);
      } else if (isolated) {
        // The last unmatched (and compatible) vertex of the range; the
        // search stops at v at the latest.
        w = searchEnd - 1;
        if constexpr (Constrained) {
          while (mate[w] >= 0 || !matchCompatible(state, v, w)) w--;
        } else {
          while (mate[w] >= 0) w--;
          searchEnd = w;
          if (order == nullptr) rangeEnd = w;
        }
      } else {
        w = matchChoose<EdgeLoads, Constrained, W == Walk::Full>(state, v);
      }
      mate[v] = w;
      mate[w] = v;
      decisions++;
    } while (position != 0);
    t += static_cast<uint32_t>(v);
    blockStart += blockSize;
  }
  return decisions;
}

template <bool VertexLoads, bool EdgeLoads, bool Constrained>
GraphNum matchGraph(const MatchState& state, uint32_t t) {
  if constexpr (VertexLoads) {
    GraphNum decisions = matchWalk<Walk::Light, EdgeLoads, Constrained>(state, t);
    return decisions + matchWalk<Walk::Full, EdgeLoads, Constrained>(state, t);  // t carried over
  } else {
    return matchWalk<Walk::Single, EdgeLoads, Constrained>(state, t);
  }
}

typedef GraphNum (*MatchFunction)(const MatchState& state, uint32_t t);

// Indexed by (vertex loads ? 2 : 0) + (arc loads ? 1 : 0) + (constrained ? 4 : 0).
constexpr MatchFunction matchFunctions[8] = {
    matchGraph<false, false, false>, matchGraph<false, true, false>, matchGraph<true, false, false>,
    matchGraph<true, true, false>,   matchGraph<false, false, true>, matchGraph<false, true, true>,
    matchGraph<true, false, true>,   matchGraph<true, true, true>,
};

// The coarse arrays being filled, addressed from base.
struct CoarseArrays {
  GraphNum* edgeBegin;
  GraphNum* vertexLoad;
  const MultinodePair* multinodes;
  GraphNum* edgeTarget;
  GraphNum* edgeLoad;
};

inline GraphNum coarsenMemberCount(const MultinodePair& pair) { return pair.vertex[1] != pair.vertex[0] ? 2 : 1; }

// Builds the coarse arcs and loads, coarse vertex by coarse vertex; mate
// holds the fine-to-coarse map. The arcs of a coarse vertex come in the
// order in which their first fine arc is met. Sets the arc count, the arc
// load sum and the degree bound of coarse.
//
// The coarse arc arrays have one element more than the fine graph has
// arcs: the last one, scratch, collects the internal arcs of the multinode
// being built, so that the merging loop needs no branch on them.
template <bool VertexLoads, bool EdgeLoads>
void coarsenArcs(const Graph* fine, Graph* coarse, const CoarseArrays& arrays, const GraphNum* mate,
                 GraphNum* arcTo) {
  const GraphNum* fineBegin = fine->edgeBegin;
  const GraphNum* fineEnd = fine->edgeEnd;
  const GraphNum* fineTarget = fine->edgeTarget;
  const GraphNum* fineArcLoad = fine->edgeLoad;
  const GraphNum* fineVertexLoad = fine->vertexLoad;
  GraphNum* coarseTarget = arrays.edgeTarget;
  GraphNum* coarseArcLoad = arrays.edgeLoad;
  const GraphNum scratch = coarse->base + fine->arcCount;  // never reached by a coarse arc
  GraphNum edgeLoadSum = fine->edgeLoadSum;
  GraphNum maxDegree = 0;
  GraphNum arc = coarse->base;
  const GraphNum coarseEnd = coarse->vertexEnd;
  for (GraphNum c = coarse->base; c < coarseEnd; c++) {
    const GraphNum arcStart = arc;
    arrays.edgeBegin[c] = arcStart;
    const MultinodePair& pair = arrays.multinodes[c];
    GraphNum memberCount = coarsenMemberCount(pair);
    // An end d already has an arc of c exactly when arcTo[d] lies in c's
    // run of arcs, at or after arcStart: older values belong to earlier
    // coarse vertices, whose arcs all come before. The arcs back to c
    // itself go to scratch, which lies above every arc.
    arcTo[c] = scratch;
    coarseArcLoad[scratch] = 0;
    GraphNum load = 0;
    for (GraphNum member = 0; member < memberCount; member++) {
      GraphNum f = pair.vertex[member];
      load += VertexLoads ? fineVertexLoad[f] : 1;
      for (GraphNum e = fineBegin[f], end = fineEnd[f]; e < end; e++) {
        // Without branches, as about half the arcs merge, in no predictable
        // pattern: the next free arc gets load 0 in advance (it lies below
        // scratch, as fewer coarse arcs than fine arcs were made so far),
        // then the arc towards d (new, existing or scratch) takes d as its
        // end, which it may already have, and the fine arc's load.
        const GraphNum d = mate[fineTarget[e]];
        const GraphNum arcLoad = EdgeLoads ? fineArcLoad[e] : 1;
        const GraphNum existing = arcTo[d];
        const bool first = existing < arcStart;  // first fine arc towards d
        const GraphNum chosen = first ? arc : existing;
        coarseArcLoad[arc] = 0;
        arcTo[d] = chosen;
        coarseTarget[chosen] = d;
        coarseArcLoad[chosen] += arcLoad;
        arc += first;
      }
    }
    edgeLoadSum -= coarseArcLoad[scratch];  // the internal arcs, both directions
    arcTo[c] = -1;                          // below the arcs of every later coarse vertex
    arrays.vertexLoad[c] = load;
    if (arc - arcStart > maxDegree) maxDegree = arc - arcStart;
  }
  arrays.edgeBegin[coarse->vertexEnd] = arc;
  coarse->arcCount = arc - coarse->base;
  coarse->edgeLoadSum = edgeLoadSum;
  coarse->maxDegree = maxDegree;
}

typedef void (*CoarsenArcsFunction)(const Graph*, Graph*, const CoarseArrays&, const GraphNum*, GraphNum*);

constexpr CoarsenArcsFunction coarsenArcsFunctions[4] = {
    coarsenArcs<false, false>, coarsenArcs<false, true>, coarsenArcs<true, false>, coarsenArcs<true, true>};

size_t numBytes(GraphNum count) { return static_cast<size_t>(count) * sizeof(GraphNum); }

// Fills order (addressed from base, one slot more than the vertices) with
// the vertices of graph in breadth-first order from start, each further
// connected component from its lowest-numbered vertex not reached yet.
// mark, addressed by vertex, must hold -1 everywhere; reached vertices get
// -2, to be reset by the caller.
void coarsenBreadthFirst(const Graph* graph, GraphNum start, GraphNum* mark, GraphNum* order) {
  const GraphNum base = graph->base;
  const GraphNum* edgeBegin = graph->edgeBegin;
  const GraphNum* edgeEnd = graph->edgeEnd;
  const GraphNum* edgeTarget = graph->edgeTarget;
  GraphNum head = base;
  GraphNum tail = base;
  GraphNum unreached = base;  // every vertex below it is reached
  const GraphNum end = graph->vertexEnd;
  mark[start] = -2;
  order[tail++] = start;
  for (;;) {
    if (head == tail) {
      if (tail == end) break;
      while (mark[unreached] != -1) unreached++;
      mark[unreached] = -2;
      order[tail++] = unreached;
    }
    // The loop waits on scattered reads (the arc range of the next vertex
    // in the queue, its ends, their marks), which are requested a few
    // vertices ahead, in stages, each from what the stage before brought.
    if (head + 12 < tail) {
      const GraphNum ahead = order[head + 12];
      __builtin_prefetch(&edgeBegin[ahead]);
      __builtin_prefetch(&edgeEnd[ahead]);
    }
    if (head + 6 < tail) __builtin_prefetch(&edgeTarget[edgeBegin[order[head + 6]]]);
    if (head + 3 < tail) {
      const GraphNum ahead = order[head + 3];
      for (GraphNum e = edgeBegin[ahead], arcEnd = edgeEnd[ahead]; e < arcEnd; e++)
        __builtin_prefetch(&mark[edgeTarget[e]]);
    }
    const GraphNum v = order[head++];
    // Without branches, as about half the ends are reached already, in no
    // predictable pattern: every end is written at the tail, which only
    // moves on for a new one (order has one slot more than the vertices,
    // for the writes once every vertex is reached).
    for (GraphNum e = edgeBegin[v], arcEnd = edgeEnd[v]; e < arcEnd; e++) {
      const GraphNum w = edgeTarget[e];
      const bool fresh = mark[w] == -1;
      mark[w] = -2;
      order[tail] = w;
      tail += fresh;
    }
  }
}

// constrainedCount + (vertexCount - constrainedCount) * ratio, truncated
// towards zero. A product outside the 32-bit range (or not a number, from
// a nonsensical ratio) saturates instead of overflowing the conversion.
GraphNum coarsenTarget(GraphNum vertexCount, GraphNum constrainedCount, double ratio) {
  double target = static_cast<double>(constrainedCount) + static_cast<double>(vertexCount - constrainedCount) * ratio;
  if (target >= 2147483647.0 || target != target) return 2147483647;
  if (target <= -2147483648.0) return -2147483647 - 1;
  return constrainedCount + static_cast<GraphNum>(static_cast<double>(vertexCount - constrainedCount) * ratio);
}

}  // namespace

int graphCoarsen(const Graph* fine, Graph* coarse, MultinodePair** multinodes, GraphNum coarseMin,
                 double coarseRatio, const GraphNum* constraintA, const GraphNum* constraintB,
                 GraphNum constrainedCount, GraphNum* resultConstrainedCount, CoarsenVisit visit) {
  GraphNum base = fine->base;
  GraphNum vertexCount = fine->vertexCount;
  GraphNum target = coarsenTarget(vertexCount, constrainedCount, coarseRatio);
  if (target < coarseMin) return 1;

  GraphNum* mateBlock = static_cast<GraphNum*>(memAlloc(numBytes(vertexCount)));
  if (mateBlock == nullptr) {
    errorPrint("graphCoarsen2: out of memory (1)");
    return 2;
  }
  GraphNum* mate = mateBlock - base;
  std::memset(mateBlock, 0xFF, numBytes(vertexCount));  // every entry -1

  uint32_t t = intRandNext(2147483647);

  bool constrained = constrainedCount > 0 || constraintA != nullptr;
  int variant = (fine->vertexLoad != nullptr ? 2 : 0) + (fine->edgeLoad != nullptr ? 1 : 0) + (constrained ? 4 : 0);
  MatchState state;
  state.base = base;
  state.vertexEnd = fine->vertexEnd;
  state.maxDegree = fine->maxDegree;
  state.edgeBegin = fine->edgeBegin;
  state.edgeEnd = fine->edgeEnd;
  state.edgeTarget = fine->edgeTarget;
  state.edgeLoad = fine->edgeLoad;
  state.vertexLoad = fine->vertexLoad;
  state.constraintA = constrained ? constraintA : nullptr;
  state.constraintB = constrained ? constraintB : nullptr;
  state.mate = mate;
  state.lightLimit =
      vertexCount > 0 ? static_cast<int64_t>(fine->vertexLoadSum) / (4 * static_cast<int64_t>(vertexCount)) : 0;
  GraphNum freeTarget = target - constrainedCount;
  state.loadBound = freeTarget > 0 ? 4 * static_cast<int64_t>(fine->vertexLoadSum) / freeTarget + 1 : 1;

  state.order = nullptr;
  GraphNum* orderBlock = nullptr;
  if (visit == CoarsenVisit::BreadthFirst && vertexCount > 0) {
    orderBlock = static_cast<GraphNum*>(memAlloc(numBytes(vertexCount + 1)));
    if (orderBlock == nullptr) {
      errorPrint("graphCoarsen2: out of memory (2)");
      memFree(mateBlock);
      return 2;
    }
    const GraphNum start = base + static_cast<GraphNum>(intRandNext(static_cast<uint32_t>(vertexCount)));
    coarsenBreadthFirst(fine, start, mate, orderBlock - base);
    std::memset(mateBlock, 0xFF, numBytes(vertexCount));
    state.order = orderBlock - base;
  }

  GraphNum coarseCount = matchFunctions[variant](state, t);
  memFree(orderBlock);
  if (coarseCount >= target) {
    memFree(mateBlock);
    return 1;
  }

  // The coarse block, first sized for every fine arc and one more (see
  // coarsenArcs). It is made before the numbering, which writes into its
  // multinode array.
  GraphNum fineArcCount = fine->arcCount;
  CoarseArrays arrays;
  MultinodePair* pairBlock = nullptr;
  GraphNum* beginBlock = nullptr;
  GraphNum* vertexLoadBlock = nullptr;
  GraphNum* targetBlock = nullptr;
  GraphNum* arcLoadBlock = nullptr;
  void* block = memGroupAlloc({memEntry(beginBlock, numBytes(coarseCount + 1)),
                               memEntry(vertexLoadBlock, numBytes(coarseCount)),
                               memEntry(pairBlock, static_cast<size_t>(coarseCount) * sizeof(MultinodePair)),
                               memEntry(targetBlock, numBytes(fineArcCount + 1)),
                               memEntry(arcLoadBlock, numBytes(fineArcCount + 1))});
  if (block == nullptr) {
    errorPrint("graphCoarsen3: out of memory (1)");
    memFree(mateBlock);
    return 1;
  }

  // The coarse arc from the coarse vertex being built to each coarse
  // vertex, indexed by coarse vertex; -1 lies below every arc index, so at
  // first no coarse vertex has an arc.
  GraphNum* arcToBlock = static_cast<GraphNum*>(memAlloc(numBytes(coarseCount)));
  if (arcToBlock == nullptr) {
    errorPrint("graphCoarsen3: out of memory (2)");
    memFree(block);
    memFree(mateBlock);
    return 1;
  }
  std::memset(arcToBlock, 0xFF, numBytes(coarseCount));  // every entry -1

  // Coarse numbering in increasing order of the smaller fine vertex; mate
  // becomes the fine-to-coarse map. A coarse number never exceeds the
  // smaller fine vertex of its pair, so once mate[w] holds a coarse number
  // for a higher mate w, the test mate[w] >= w fails at w as it should.
  MultinodePair* pairs = pairBlock - base;
  GraphNum c = base;
  for (GraphNum v = base; v < fine->vertexEnd; v++) {
    GraphNum w = mate[v];
    if (w < v) continue;
    pairs[c].vertex[0] = v;
    pairs[c].vertex[1] = w;
    mate[v] = c;
    mate[w] = c;
    c++;
  }

  Graph result;
  std::memset(&result, 0, sizeof(Graph));
  result.flags = GRAPH_FREE_VERTICES | GRAPH_VERTEX_GROUP | GRAPH_EDGE_GROUP;
  result.base = base;
  result.vertexCount = coarseCount;
  result.vertexEnd = base + coarseCount;
  result.vertexLoadSum = fine->vertexLoadSum;
  arrays.edgeBegin = beginBlock - base;
  arrays.vertexLoad = vertexLoadBlock - base;
  arrays.multinodes = pairs;
  arrays.edgeTarget = targetBlock - base;
  arrays.edgeLoad = arcLoadBlock - base;
  coarsenArcsFunctions[(fine->vertexLoad != nullptr ? 2 : 0) + (fine->edgeLoad != nullptr ? 1 : 0)](
      fine, &result, arrays, mate, arcToBlock - base);
  memFree(arcToBlock);
  memFree(mateBlock);

  // Shrink the block to the coarse arc count: the loads move down behind
  // the ends first, then the tail is given back.
  GraphNum arcCount = result.arcCount;
  GraphNum* filledLoads = arcLoadBlock;
  auto layout = {memEntry(beginBlock, numBytes(coarseCount + 1)), memEntry(vertexLoadBlock, numBytes(coarseCount)),
                 memEntry(pairBlock, static_cast<size_t>(coarseCount) * sizeof(MultinodePair)),
                 memEntry(targetBlock, numBytes(arcCount)), memEntry(arcLoadBlock, numBytes(arcCount))};
  memGroupLayout(block, layout);
  std::memmove(arcLoadBlock, filledLoads, numBytes(arcCount));
  void* shrunk = memGroupRealloc(block, layout);
  if (shrunk == nullptr) {
    errorPrint("graphCoarsen2: cannot reallocate memory");
    memFree(block);
    return 2;
  }

  result.edgeBegin = beginBlock - base;
  result.edgeEnd = result.edgeBegin + 1;
  result.vertexLoad = vertexLoadBlock - base;
  result.edgeTarget = targetBlock - base;
  result.edgeLoad = arcLoadBlock - base;
  *coarse = result;
  *multinodes = pairBlock - base;
  if (resultConstrainedCount != nullptr) *resultConstrainedCount = constrainedCount;
  return 0;
}
