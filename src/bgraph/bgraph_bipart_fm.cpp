// Bipartition method f: FM refinement. Single vertices move between the
// parts, greedily by their gain in communication load, as long as the
// part-0 load stays within a window around its target; the moves of a pass
// are applied tentatively and rolled back to the best state met, and passes
// repeat while they improve.
//
// The work follows the frontier, not the graph: the state of the vertices
// the search touches lives in an open-addressing hash table keyed by vertex
// number (slot (vertex * 17) masked, linear probing), which grows when a
// quarter of it is used. A vertex enters it when it is on the frontier at
// the start or when a neighbour moves. An undo log records, once per
// sweep, the state that each touched vertex had at the last best state.
//
// When vertices outside the graph are mapped elsewhere (external gains),
// the whole bipartition may be swapped at once: vertices outside the table
// then keep their stored part, read through the whole-swap flag.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "bgraph/bgraph_bipart_methods.h"
#include "graph/gain.h"

namespace {

// Mantissa bits of the logarithmic gain table.
constexpr int FM_GAIN_SUB_BITS = 4;

// Smallest hash table.
constexpr GraphNum FM_HASH_MIN = 256;

// One slot of the hash table. The link's next word doubles as the state:
// null while free, FM_LOCKED while locked (moved in this pass; prev then
// chains the locked list), any other value while filed in the gain table.
struct FmVertex {
  GainLink link;
  GraphNum vertex;    // -1 in an empty slot
  GraphNum part;      // current part (0 or 1), the whole swaps applied
  GraphNum loadGain;  // change of part0LoadDelta if the vertex moves
  GraphNum cutGain;   // change of the communication load if the vertex moves
  GraphNum cutCount;  // neighbours in the other part
  GraphNum sweep;     // sweep at which its state was last saved for undo; -1 in an empty slot
};

// The state of a vertex at the last best state.
struct FmSave {
  GraphNum slot;  // the vertex number while the table grows
  GraphNum part;
  GraphNum loadGain;
  GraphNum cutGain;
  GraphNum cutCount;
};

GainLink* const FM_LOCKED = reinterpret_cast<GainLink*>(static_cast<uintptr_t>(1));

inline bool fmFiled(const FmVertex& entry) { return reinterpret_cast<uintptr_t>(entry.link.next) > 1; }

inline GraphNum fmHome(GraphNum vertex, GraphNum mask) {
  return static_cast<GraphNum>((static_cast<uint32_t>(vertex) * 17u) & static_cast<uint32_t>(mask));
}

// The figures of a state of the search.
struct FmState {
  GraphNum commLoad;
  GraphNum part0LoadDelta;
  GraphNum commGainExtn;
  int swapped;  // whole-swap flag: the stored parts of the vertices outside the table are flipped
};

class FmSearch {
 public:
  explicit FmSearch(Bgraph* graph)
      : graph_(graph),
        edgeBegin_(graph->graph.edgeBegin),
        edgeEnd_(graph->graph.edgeEnd),
        edgeTarget_(graph->graph.edgeTarget),
        edgeLoad_(graph->graph.edgeLoad),
        vertexLoad_(graph->graph.vertexLoad),
        externalGain_(graph->externalGain),
        distance_(graph->domainDistance) {}
  ~FmSearch() {
    if (block_ != nullptr) memFree(block_);
    if (table_ != nullptr) gainTableExit(table_);
  }
  FmSearch(const FmSearch&) = delete;
  FmSearch& operator=(const FmSearch&) = delete;

  int run(const BgraphBipartFmParam* param, GraphNum hashSizeMin);

 private:
  GraphNum loadOf(GraphNum vertex) const { return (vertexLoad_ != nullptr) ? vertexLoad_[vertex] : 1; }
  GraphNum edgeLoadOf(GraphNum edge) const { return (edgeLoad_ != nullptr) ? edgeLoad_[edge] : 1; }
  GraphNum externalOf(GraphNum vertex) const { return (externalGain_ != nullptr) ? externalGain_[vertex] : 0; }
  GraphNum totalEdgeLoad(GraphNum vertex) const {
    if (edgeLoad_ == nullptr) return edgeEnd_[vertex] - edgeBegin_[vertex];
    GraphNum sum = 0;
    for (GraphNum edge = edgeBegin_[vertex]; edge < edgeEnd_[vertex]; edge++) sum += edgeLoad_[edge];
    return sum;
  }

  // The slot holding the vertex, or the empty slot where it would go.
  GraphNum lookup(GraphNum vertex) const {
    GraphNum slot = fmHome(vertex, hashMask_);
    while ((hash_[slot].vertex != vertex) && (hash_[slot].vertex != -1)) slot = (slot + 1) & hashMask_;
    return slot;
  }
  int allocate(GraphNum size);
  int grow();
  void enter(GraphNum vertex);
  void file(FmVertex& entry) { gainTableAddLogBits<FM_GAIN_SUB_BITS>(table_, &entry.link, entry.cutGain); }
  void unfile(FmVertex& entry) {
    gainTableRemove(&entry.link);
    entry.link.next = nullptr;
  }
  void lock(FmVertex& entry) {
    entry.link.next = FM_LOCKED;
    entry.link.prev = reinterpret_cast<GainLink*>(locked_);
    locked_ = &entry;
  }
  void saveUndo(GraphNum slot) {
    FmVertex& entry = hash_[slot];
    if (entry.sweep == sweep_) return;
    undo_[undoCount_++] = FmSave{slot, entry.part, entry.loadGain, entry.cutGain, entry.cutCount};
    entry.sweep = sweep_;
  }
  // The current state becomes the best one: the undo log starts afresh.
  void makeBest() {
    best_ = current_;
    sweep_++;
    undoCount_ = 0;
  }
  void undoToBest(bool full);
  void releaseLocked();
  FmVertex* choose() const;
  int move(FmVertex& entry);
  void swapWhole();
  void finish();

  Bgraph* graph_;
  const GraphNum* edgeBegin_;
  const GraphNum* edgeEnd_;
  const GraphNum* edgeTarget_;
  const GraphNum* edgeLoad_;
  const GraphNum* vertexLoad_;
  const GraphNum* externalGain_;
  const GraphNum distance_;

  void* block_ = nullptr;  // the hash table and the undo log
  FmVertex* hash_ = nullptr;
  FmSave* undo_ = nullptr;
  GraphNum hashSize_ = 0;
  GraphNum hashMask_ = 0;
  GraphNum hashCount_ = 0;
  GraphNum undoCount_ = 0;
  GainTable* table_ = nullptr;
  FmVertex* locked_ = nullptr;  // most recently locked entry
  bool wholeGraph_ = false;     // every vertex entered the table at the start
  GraphNum sweep_ = 0;
  FmState current_ = {};
  FmState best_ = {};
  GraphNum deltaMin_ = 0;  // base window of part0LoadDelta
  GraphNum deltaMax_ = 0;
  GraphNum windowMin_ = 0;  // working window, the base window widened to hold the current state
  GraphNum windowMax_ = 0;
};

int FmSearch::allocate(GraphNum size) {
  FmVertex* hash;
  FmSave* undo;
  void* block = memGroupAlloc({memEntry(hash, static_cast<size_t>(size) * sizeof(FmVertex)),
                               memEntry(undo, static_cast<size_t>(size) * sizeof(FmSave))});
  if (block == nullptr) return 1;
  memset(hash, 0xFF, static_cast<size_t>(size) * sizeof(FmVertex));  // every integer field -1
  block_ = block;
  hash_ = hash;
  undo_ = undo;
  hashSize_ = size;
  hashMask_ = size - 1;
  return 0;
}

// Doubles the table. Entries keep their order in every gain bucket and on
// the locked list, so that the search goes on exactly as it would have in
// a larger table.
int FmSearch::grow() {
  void* const oldBlock = block_;
  FmVertex* const oldHash = hash_;
  FmSave* const oldUndo = undo_;
  const GraphNum oldSize = hashSize_;
  if ((oldSize > (1 << 29)) || (allocate(2 * oldSize) != 0)) {
    errorPrint("bgraphBipartFmResize: out of memory");
    return 1;
  }
  // The new undo log has room beyond its records for the filed entries in
  // gain order and the locked ones in list order: a quarter of the old
  // table holds every entry.
  GraphNum* filedOrder = reinterpret_cast<GraphNum*>(undo_ + undoCount_);
  GraphNum filedCount = 0;
  for (GainLink* link = gainTableFirst(table_); link != nullptr; link = gainTableNext(table_, link))
    filedOrder[filedCount++] = reinterpret_cast<FmVertex*>(link)->vertex;
  GraphNum* lockedOrder = filedOrder + filedCount;
  GraphNum lockedCount = 0;
  for (FmVertex* entry = locked_; entry != nullptr; entry = reinterpret_cast<FmVertex*>(entry->link.prev))
    lockedOrder[lockedCount++] = entry->vertex;

  for (GraphNum slot = 0; slot < oldSize; slot++) {
    if (oldHash[slot].vertex == -1) continue;
    hash_[lookup(oldHash[slot].vertex)] = oldHash[slot];
  }
  for (GraphNum index = 0; index < undoCount_; index++) {
    undo_[index] = oldUndo[index];
    undo_[index].slot = lookup(oldHash[oldUndo[index].slot].vertex);
  }
  memFree(oldBlock);

  gainTableClear(table_);
  for (GraphNum index = filedCount - 1; index >= 0; index--) file(hash_[lookup(filedOrder[index])]);
  locked_ = nullptr;
  for (GraphNum index = lockedCount - 1; index >= 0; index--) lock(hash_[lookup(lockedOrder[index])]);
  return 0;
}

// Enters a starting vertex with its figures computed from the graph, and
// files it.
void FmSearch::enter(GraphNum vertex) {
  const uint8_t* parts = graph_->parts;
  const GraphNum part = parts[vertex];
  GraphNum cutGain = 0;
  GraphNum cutCount = 0;
  for (GraphNum edge = edgeBegin_[vertex]; edge < edgeEnd_[vertex]; edge++) {
    const GraphNum load = edgeLoadOf(edge);
    if (parts[edgeTarget_[edge]] == part)
      cutGain += load;
    else {
      cutGain -= load;
      cutCount++;
    }
  }
  const GraphNum slot = lookup(vertex);
  FmVertex& entry = hash_[slot];
  entry.vertex = vertex;
  entry.part = part;
  entry.loadGain = (2 * part - 1) * loadOf(vertex);
  entry.cutGain = distance_ * cutGain - (2 * part - 1) * externalOf(vertex);
  entry.cutCount = cutCount;
  entry.sweep = 0;
  hashCount_++;
  file(entry);
}

// Puts every entry back in its state at the best point. Entries filed
// meanwhile leave the gain table; locked ones stay on the locked list.
// With full set (the final step) only parts and cut counts matter.
void FmSearch::undoToBest(bool full) {
  for (GraphNum index = undoCount_ - 1; index >= 0; index--) {
    const FmSave& record = undo_[index];
    FmVertex& entry = hash_[record.slot];
    entry.part = record.part;
    entry.cutCount = record.cutCount;
    if (full) continue;
    entry.loadGain = record.loadGain;
    entry.cutGain = record.cutGain;
    if (fmFiled(entry)) unfile(entry);
  }
}

// The vertices moved in the pass become candidates again: on the frontier
// only, unless every vertex is a candidate.
void FmSearch::releaseLocked() {
  for (FmVertex* entry = locked_; entry != nullptr;) {
    FmVertex* next = reinterpret_cast<FmVertex*>(entry->link.prev);
    if (wholeGraph_ || (entry->cutCount >= 1))
      file(*entry);
    else
      entry->link.next = nullptr;
    entry = next;
  }
  locked_ = nullptr;
}

// The first entry in gain order whose move keeps the part-0 load within the
// working window; entries of the table's last bucket are never chosen.
FmVertex* FmSearch::choose() const {
  for (GainLink* link = gainTableFirst(table_); link != nullptr; link = gainTableNext(table_, link)) {
    if (link->bucket == table_->last) break;
    FmVertex* entry = reinterpret_cast<FmVertex*>(link);
    const int64_t delta = static_cast<int64_t>(current_.part0LoadDelta) + entry->loadGain;
    if ((delta >= windowMin_) && (delta <= windowMax_)) return entry;
  }
  return nullptr;
}

// Moves the vertex of the entry to the other part and updates its
// neighbours, entering those the move puts on the frontier. Returns 0, or 1
// when the table cannot grow.
int FmSearch::move(FmVertex& entry) {
  const GraphNum vertex = entry.vertex;
  unfile(entry);
  lock(entry);
  saveUndo(static_cast<GraphNum>(&entry - hash_));
  const GraphNum oldPart = entry.part;
  const GraphNum oldCutGain = entry.cutGain;
  const GraphNum oldLoadGain = entry.loadGain;
  if (externalGain_ != nullptr) current_.commGainExtn += externalGain_[vertex] * (4 * oldPart - 2);
  entry.part = 1 - oldPart;
  entry.loadGain = -oldLoadGain;
  entry.cutGain = -oldCutGain;
  entry.cutCount = (edgeEnd_[vertex] - edgeBegin_[vertex]) - entry.cutCount;

  const bool swapChanged = current_.swapped != best_.swapped;
  for (GraphNum edge = edgeBegin_[vertex]; edge < edgeEnd_[vertex]; edge++) {
    const GraphNum end = edgeTarget_[edge];
    const GraphNum load = edgeLoadOf(edge);
    GraphNum slot = lookup(end);
    if (hash_[slot].vertex == end) {
      FmVertex& neighbour = hash_[slot];
      saveUndo(slot);
      const GraphNum sign = (neighbour.part != oldPart) ? 1 : -1;  // +1: the edge leaves the cut
      neighbour.cutCount -= sign;
      neighbour.cutGain += 2 * distance_ * load * sign;
      if (neighbour.link.next != FM_LOCKED) {
        if (fmFiled(neighbour)) unfile(neighbour);
        if (neighbour.cutCount >= 1) file(neighbour);
      }
      continue;
    }
    // A vertex off the table had no neighbour in the other part, so it lies
    // in the moved vertex's former part; the move puts it on the frontier.
    if (4 * hashCount_ >= hashSize_) {
      if (grow() != 0) return 1;
      slot = lookup(end);
    }
    const GraphNum vertexLoad = loadOf(end);
    const GraphNum external = externalOf(end);
    const GraphNum edgeSum = totalEdgeLoad(end);
    FmVertex& neighbour = hash_[slot];
    neighbour.link.next = nullptr;
    neighbour.vertex = end;
    neighbour.part = oldPart;
    neighbour.loadGain = (2 * oldPart - 1) * vertexLoad;
    neighbour.cutGain = distance_ * (edgeSum - 2 * load) - (2 * oldPart - 1) * external;
    neighbour.cutCount = 1;
    neighbour.sweep = sweep_;
    hashCount_++;
    const GraphNum bestPart = swapChanged ? 1 - oldPart : oldPart;
    undo_[undoCount_++] = FmSave{slot, bestPart, (2 * bestPart - 1) * vertexLoad,
                                 distance_ * edgeSum - (2 * bestPart - 1) * external, 0};
    file(neighbour);
  }
  current_.commLoad += oldCutGain;
  current_.part0LoadDelta += oldLoadGain;
  return 0;
}

// Swaps the whole bipartition when that lowers the communication load, as
// vertices outside the graph may favour the other orientation.
void FmSearch::swapWhole() {
  const int64_t swappedDelta = static_cast<int64_t>(graph_->graph.vertexLoadSum) - current_.part0LoadDelta -
                               2 * static_cast<int64_t>(graph_->part0LoadAvg);
  if ((swappedDelta < windowMin_) || (swappedDelta > windowMax_)) return;
  for (GraphNum slot = 0; slot < hashSize_; slot++) {
    FmVertex& entry = hash_[slot];
    if (entry.vertex == -1) continue;
    saveUndo(slot);
    entry.part = 1 - entry.part;
    entry.loadGain = -entry.loadGain;
    const GraphNum external = externalOf(entry.vertex);
    if (external != 0) {
      entry.cutGain += external * (2 - 4 * entry.part);
      if (fmFiled(entry)) {
        unfile(entry);
        file(entry);
      }
    }
  }
  current_.commLoad += current_.commGainExtn;
  current_.swapped ^= 1;
  current_.commGainExtn = -current_.commGainExtn;
  current_.part0LoadDelta = static_cast<GraphNum>(swappedDelta);
}

// Writes the best state into the bipartition graph.
void FmSearch::finish() {
  Bgraph* graph = graph_;
  uint8_t* parts = graph->parts;
  const Graph& core = graph->graph;
  GraphNum part0Size = graph->part0Size;
  if (best_.swapped != 0) {
    for (GraphNum vertex = core.base; vertex < core.vertexEnd; vertex++) parts[vertex] ^= 1;
    part0Size = core.vertexCount - part0Size;
  }
  undoToBest(true);
  GraphNum frontierCount = 0;
  for (GraphNum slot = 0; slot < hashSize_; slot++) {
    const FmVertex& entry = hash_[slot];
    if (entry.vertex == -1) continue;
    if (entry.part != parts[entry.vertex]) {
      parts[entry.vertex] = static_cast<uint8_t>(entry.part);
      part0Size += 1 - 2 * entry.part;
    }
    if (entry.cutCount >= 1) graph->frontier[frontierCount++] = entry.vertex;
  }
  graph->frontierCount = frontierCount;
  graph->commGainExtn = best_.commGainExtn;
  graph->part0LoadDelta = best_.part0LoadDelta;
  graph->commLoad = best_.commLoad;
  graph->part0Load = graph->part0LoadAvg + best_.part0LoadDelta;
  graph->part0Size = part0Size;
  graph->balance = bgraphBalance(best_.part0LoadDelta, graph->part0LoadAvg);
}

// A value brought into the 32-bit range.
GraphNum fmClamp(int64_t value) {
  return (value > 2147483647) ? 2147483647 : ((value < -2147483647 - 1) ? -2147483647 - 1 : static_cast<GraphNum>(value));
}

int FmSearch::run(const BgraphBipartFmParam* param, GraphNum hashSizeMin) {
  Bgraph* graph = graph_;
  const Graph& core = graph->graph;

  // The tolerance on the part-0 load, from the balance ratio and the
  // heavier subdomain; a ratio that is not positive (or not a number)
  // tolerates nothing, one beyond range everything.
  GraphNum tolerance = 0;
  if (param->bal > 0.0) {
    const double total = static_cast<double>(core.vertexLoadSum) + graph->fixedLoad[0] + graph->fixedLoad[1];
    const GraphNum weightMax =
        (graph->domainWeight[0] > graph->domainWeight[1]) ? graph->domainWeight[0] : graph->domainWeight[1];
    const double share = std::trunc(param->bal * total / static_cast<double>(weightMax));
    tolerance = (share >= 2147483646.0) ? 2147483647 : ((share > 0.0) ? static_cast<GraphNum>(share) : 0) + 1;
  }
  deltaMin_ = fmClamp(static_cast<int64_t>(graph->part0LoadMin) - graph->part0LoadAvg);
  deltaMax_ = fmClamp(static_cast<int64_t>(graph->part0LoadMax) - graph->part0LoadAvg);
  if (deltaMin_ < -tolerance) deltaMin_ = -tolerance;
  if (deltaMax_ > tolerance) deltaMax_ = tolerance;
  auto widenWindow = [this, graph]() {
    windowMin_ = (graph->part0LoadDelta < deltaMin_) ? graph->part0LoadDelta : deltaMin_;
    windowMax_ = (graph->part0LoadDelta > deltaMax_) ? graph->part0LoadDelta : deltaMax_;
  };
  widenWindow();

  wholeGraph_ = graph->frontierCount == 0;
  if (wholeGraph_) {
    if ((graph->part0LoadDelta >= deltaMin_) && (graph->part0LoadDelta <= deltaMax_)) return 0;
    if (bgraphBipartGgPasses(graph, 4) != 0) return 1;
    if (graph->frontierCount == 0) return 0;
    widenWindow();
  }

  const int64_t bound =
      wholeGraph_ ? 4 * static_cast<int64_t>(core.vertexCount)
                  : std::min<int64_t>(core.vertexCount, 4 * (static_cast<int64_t>(graph->frontierCount) +
                                                             std::max<GraphNum>(param->move, 0) + core.maxDegree));
  GraphNum size = FM_HASH_MIN;
  while (((size < bound) || (size < hashSizeMin)) && (size <= (1 << 29))) size *= 2;
  table_ = gainTableInit(2147483646, FM_GAIN_SUB_BITS);
  if (table_ == nullptr) {
    errorPrint("bgraphBipartFm: internal error (1)");
    return 1;
  }
  if (allocate(size) != 0) {
    errorPrint("bgraphBipartFm: out of memory (1)");
    return 1;
  }
  if (wholeGraph_) {
    for (GraphNum vertex = core.base; vertex < core.vertexEnd; vertex++) enter(vertex);
  } else {
    for (GraphNum index = 0; index < graph->frontierCount; index++) enter(graph->frontier[index]);
  }

  current_ = FmState{graph->commLoad, graph->part0LoadDelta, graph->commGainExtn, 0};
  best_ = current_;
  // A pass count of 0 runs no pass; any negative count, no limit.
  GraphNum passesLeft = param->pass;
  for (;;) {
    undoToBest(false);
    releaseLocked();
    if ((param->move < 1) || (passesLeft == 0)) break;

    sweep_++;
    undoCount_ = 0;
    current_ = best_;
    bool improved = false;
    for (GraphNum idleMoves = 0; idleMoves < param->move;) {
      FmVertex* entry = choose();
      if (entry == nullptr) break;
      if (move(*entry) != 0) {
        errorPrint("bgraphBipartFm: out of memory (2)");
        return 1;
      }
      const GraphNum imbalance = abs(current_.part0LoadDelta);
      const GraphNum bestImbalance = abs(best_.part0LoadDelta);
      if ((current_.commLoad < best_.commLoad) ||
          ((current_.commLoad == best_.commLoad) && (imbalance < bestImbalance))) {
        makeBest();
        improved = true;
        idleMoves = 0;
      } else {
        idleMoves++;
        if ((current_.commLoad == best_.commLoad) && (imbalance == bestImbalance)) makeBest();
      }
      // A state that starts out of balance is first pulled into the base
      // window, whatever the load it costs.
      const GraphNum delta = current_.part0LoadDelta;
      if ((delta >= windowMin_) && (delta <= windowMax_) &&
          (((windowMin_ < deltaMin_) && (windowMin_ < delta)) || ((windowMax_ > deltaMax_) && (windowMax_ > delta)))) {
        windowMin_ = (delta < deltaMin_) ? delta : deltaMin_;
        windowMax_ = (delta > deltaMax_) ? delta : deltaMax_;
        makeBest();
        improved = true;
        idleMoves = 0;
      }
      if (current_.commGainExtn < 0) {
        const int swapped = current_.swapped;
        swapWhole();
        if ((current_.swapped != swapped) &&
            ((current_.commLoad < best_.commLoad) ||
             ((current_.commLoad == best_.commLoad) && (abs(current_.part0LoadDelta) < abs(best_.part0LoadDelta))))) {
          makeBest();
          improved = true;
          idleMoves = 0;
        }
      }
    }
    if (passesLeft > 0) passesLeft--;
    if (!improved) break;
  }
  finish();
  return 0;
}

}  // namespace

int bgraphBipartFmRun(Bgraph* graph, const BgraphBipartFmParam* param, GraphNum hashSizeMin) {
  FmSearch search(graph);
  return search.run(param, hashSizeMin);
}

int bgraphBipartFm(Bgraph* graph, const void* parameters) {
  return bgraphBipartFmRun(graph, static_cast<const BgraphBipartFmParam*>(parameters));
}
