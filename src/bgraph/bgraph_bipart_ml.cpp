// Bipartition method m: multilevel bipartitioning. The graph is coarsened
// level by level until it is small or stops shrinking, the coarsest graph
// is bipartitioned from scratch with the "low" strategy, and on the way
// back every bipartition is projected onto the finer graph and refined
// there with the "asc" strategy. Coarsening keeps vertex loads, edge loads
// and external gains (summed over each pair), so a projected bipartition
// has the loads and communication load of its coarse one.
//
// The levels are kept in an array rather than on the call stack: a graph
// that shrinks by a few vertices per level (a star, with a ratio close to
// 1) makes many levels.
#include <algorithm>
#include <cmath>

#include "bgraph/bgraph_bipart_methods.h"
#include "graph/graph_coarsen.h"

namespace {

// One coarse level: its bipartition graph (which shares the frontier array
// of the finest graph) and the pair of finer vertices behind each of its
// vertices.
struct MlLevel {
  Bgraph bgraph;
  MultinodePair* multinodes;
};

// The coarse levels made so far, released on every path.
class MlLevels {
 public:
  MlLevels() = default;
  MlLevels(const MlLevels&) = delete;
  MlLevels& operator=(const MlLevels&) = delete;
  ~MlLevels() {
    while (count_ > 0) pop();
    if (levels_ != nullptr) memFree(levels_);
  }
  GraphNum count() const { return count_; }
  MlLevel& operator[](GraphNum index) { return levels_[index]; }
  // Room for one more level; false when memory is exhausted.
  bool reserve() {
    if (count_ < capacity_) return true;
    const GraphNum capacity = capacity_ + capacity_ / 4 + 8;
    MlLevel* levels = static_cast<MlLevel*>(memRealloc(levels_, static_cast<size_t>(capacity) * sizeof(MlLevel)));
    if (levels == nullptr) return false;
    levels_ = levels;
    capacity_ = capacity;
    return true;
  }
  void push(const MlLevel& level) { levels_[count_++] = level; }
  // Releases the deepest level; the shared frontier array stays.
  void pop() {
    Bgraph& bgraph = levels_[--count_].bgraph;
    bgraph.frontier = nullptr;
    bgraphExit(&bgraph);
  }

 private:
  MlLevel* levels_ = nullptr;
  GraphNum count_ = 0;
  GraphNum capacity_ = 0;
};

GraphNum mlClamp(int64_t value) {
  return (value > 2147483647) ? 2147483647 : ((value < -2147483647 - 1) ? -2147483647 - 1 : static_cast<GraphNum>(value));
}

// Coarsens fine into a new level, for which levels has room. Returns false
// when fine is the coarsest graph: coarsening declined, did not shrink the
// graph, or ran out of memory.
bool bgraphBipartMlCoarsen(const Bgraph* fine, const BgraphBipartMlParam* param, MlLevels* levels) {
  // A ratio that cannot shrink the graph (or is not a number) makes no level.
  if (!(param->rat < 1.0)) return false;
  MlLevel level = {};
  Bgraph& coarse = level.bgraph;
  graphInit(&coarse.graph);
  if (graphCoarsen(&fine->graph, &coarse.graph, &level.multinodes, param->vert, param->rat, nullptr, nullptr, 0,
                   nullptr) != 0)
    return false;
  if (coarse.graph.vertexCount >= fine->graph.vertexCount) {
    graphExit(&coarse.graph);
    return false;
  }
  const GraphNum base = coarse.graph.base;
  if (fine->externalGain != nullptr) {
    GraphNum* externalGain =
        static_cast<GraphNum*>(memAlloc(static_cast<size_t>(coarse.graph.vertexCount) * sizeof(GraphNum)));
    if (externalGain == nullptr) {
      errorPrint("bgraphBipartMlCoarsen: out of memory");
      graphExit(&coarse.graph);
      return false;
    }
    coarse.externalGain = externalGain - base;
    coarse.graph.flags |= BGRAPH_FREE_EXTERNAL_GAIN;
    for (GraphNum vertex = base; vertex < coarse.graph.vertexEnd; vertex++) {
      const MultinodePair& pair = level.multinodes[vertex];
      coarse.externalGain[vertex] = fine->externalGain[pair.vertex[0]] +
                                    ((pair.vertex[1] != pair.vertex[0]) ? fine->externalGain[pair.vertex[1]] : 0);
    }
  }
  coarse.graph.flags |= BGRAPH_FREE_PARTS;  // the parts array, once made
  coarse.frontier = fine->frontier;
  coarse.part0LoadAvg = fine->part0LoadAvg;
  coarse.commLoadExtn0 = fine->commLoadExtn0;
  coarse.commGainExtn0 = fine->commGainExtn0;
  coarse.domainDistance = fine->domainDistance;
  coarse.domainWeight[0] = fine->domainWeight[0];
  coarse.domainWeight[1] = fine->domainWeight[1];
  coarse.fixedLoad[0] = fine->fixedLoad[0];
  coarse.fixedLoad[1] = fine->fixedLoad[1];
  coarse.level = fine->level + 1;
  // Coarse vertices are heavy: the bounds widen with the depth, and by a
  // twentieth of the narrower side of the fine window.
  const int64_t side = std::min<int64_t>(static_cast<int64_t>(fine->part0LoadMax) - fine->part0LoadAvg,
                                         static_cast<int64_t>(fine->part0LoadAvg) - fine->part0LoadMin);
  const int64_t slack = coarse.level + ((side > 0) ? static_cast<int64_t>(std::trunc(0.05 * static_cast<double>(side))) : 0);
  coarse.part0LoadMin = mlClamp(fine->part0LoadMin - slack);
  coarse.part0LoadMax = mlClamp(fine->part0LoadMax + slack);
  levels->push(level);
  return true;
}

// Allocates the parts array of a coarse level on first need.
int bgraphBipartMlParts(Bgraph* graph) {
  if (graph->parts != nullptr) return 0;
  uint8_t* parts = static_cast<uint8_t*>(memAlloc(static_cast<size_t>(graph->graph.vertexCount)));
  if (parts == nullptr) {
    errorPrint("bgraphBipartMlUncoarsen: out of memory");
    return 1;
  }
  graph->parts = parts - graph->graph.base;
  return 0;
}

// Whether the vertex has a neighbour in the other part.
bool bgraphBipartMlBoundary(const Bgraph* graph, GraphNum vertex) {
  const Graph& core = graph->graph;
  const uint8_t part = graph->parts[vertex];
  for (GraphNum edge = core.edgeBegin[vertex]; edge < core.edgeEnd[vertex]; edge++)
    if (graph->parts[core.edgeTarget[edge]] != part) return true;
  return false;
}

// Projects the bipartition of coarse onto fine, through the pairs of coarse
// vertices. The frontier array is shared, so it is projected in place: each
// coarse frontier vertex gives way to the vertices of its pair that have a
// neighbour in the other part, the second one appended at the end.
int bgraphBipartMlUncoarsen(Bgraph* fine, const Bgraph* coarse, const MultinodePair* multinodes) {
  if (bgraphBipartMlParts(fine) != 0) return 1;
  const Graph& coarseCore = coarse->graph;
  GraphNum part1Pairs = 0;
  for (GraphNum vertex = coarseCore.base; vertex < coarseCore.vertexEnd; vertex++) {
    const uint8_t part = coarse->parts[vertex];
    const MultinodePair& pair = multinodes[vertex];
    fine->parts[pair.vertex[0]] = part;
    fine->parts[pair.vertex[1]] = part;
    part1Pairs += (pair.vertex[0] != pair.vertex[1]) & part;
  }
  fine->part0Size = fine->graph.vertexCount - (coarseCore.vertexCount - coarse->part0Size + part1Pairs);
  fine->part0LoadDelta = coarse->part0LoadDelta;
  fine->part0Load = coarse->part0Load;
  fine->commLoad = coarse->commLoad;
  fine->commGainExtn = coarse->commGainExtn;
  fine->balance = coarse->balance;

  GraphNum* frontier = fine->frontier;
  GraphNum frontierCount = coarse->frontierCount;
  for (GraphNum index = 0; index < coarse->frontierCount; index++) {
    const MultinodePair& pair = multinodes[frontier[index]];
    if (pair.vertex[0] == pair.vertex[1]) {
      frontier[index] = pair.vertex[0];
      continue;
    }
    if (bgraphBipartMlBoundary(fine, pair.vertex[0])) {
      frontier[index] = pair.vertex[0];
      if (bgraphBipartMlBoundary(fine, pair.vertex[1])) frontier[frontierCount++] = pair.vertex[1];
    } else
      frontier[index] = pair.vertex[1];
  }
  fine->frontierCount = frontierCount;
  return 0;
}

}  // namespace

int bgraphBipartMl(Bgraph* graph, const void* parameters) {
  const BgraphBipartMlParam* param = static_cast<const BgraphBipartMlParam*>(parameters);
  // Inside "low" and "asc", "levl" reads the coarsening depth.
  const GraphNum level = graph->level;
  graph->level = 0;

  MlLevels levels;
  for (;;) {
    if (!levels.reserve()) {  // before pointing into the levels
      errorPrint("bgraphBipartMlCoarsen: out of memory");
      break;
    }
    const Bgraph* fine = (levels.count() == 0) ? graph : &levels[levels.count() - 1].bgraph;
    if (!bgraphBipartMlCoarsen(fine, param, &levels)) break;
  }

  int result = 0;
  Bgraph* coarsest = (levels.count() == 0) ? graph : &levels[levels.count() - 1].bgraph;
  if (bgraphBipartMlParts(coarsest) != 0)
    result = 1;
  else {
    bgraphZero(coarsest);
    result = bgraphBipartSt(coarsest, param->low);
    if (result != 0) errorPrint("bgraphBipartMl2: cannot apply low strategy");
  }
  while ((result == 0) && (levels.count() > 0)) {
    const GraphNum index = levels.count() - 1;
    Bgraph* fine = (index == 0) ? graph : &levels[index - 1].bgraph;
    if (bgraphBipartMlUncoarsen(fine, &levels[index].bgraph, levels[index].multinodes) != 0) {
      result = 1;
      break;
    }
    levels.pop();
    result = bgraphBipartSt(fine, param->asc);
    if (result != 0) errorPrint("bgraphBipartMl2: cannot apply ascending strategy");
  }
  graph->level = level;
  return result;
}
