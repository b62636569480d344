// The separation dispatcher: runs a separation strategy tree on a
// separation graph. Sequence and selection chains are walked with a loop
// over their left spine (see strat/strat_chain.h); conditions are followed
// by a loop as well.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "strat/strat_chain.h"
#include "vgraph/vgraph.h"

namespace {

// Estimated fills within this share of each other are close enough for
// the parts' shapes to decide, when one separation's shape cost is more
// than shapeMargin times the other's. The estimate guesses the parts'
// separators from their loads alone, so that on a triangulated grid a
// diagonal cut into two triangles looks as good as a straight one into
// two strips, or slightly better when a vertex or two smaller, while the
// triangles' own separators are about 1.4 times longer (and on a 5-point
// grid it is the other way round).
constexpr double shapeTolerance = 0.03;
constexpr double shapeMargin = 1.5;

// The shape cost of a separation given by its parts, computed once.
double shapeCostOf(const Vgraph* graph, const uint8_t* parts, VgraphFillTerms* terms) {
  if (terms->shapeCost < 0.0)
    terms->shapeCost = vgraphShapeCost(graph, parts, static_cast<GraphNum>(terms->partLoad[0]),
                                       static_cast<GraphNum>(terms->partLoad[1]));
  return terms->shapeCost;
}

// Whether the saved separation, of parts storedParts (addressed from 0),
// beats the graph's current one: a smaller separator load, or the same
// load and a smaller imbalance. On a graph with a halo record, a smaller
// estimated fill comes first, storedTerms being those of the saved
// separation; both estimates use the smaller of the two separators to
// guess the parts' own separators, so that a larger separator cannot seem
// to leave cheaper parts. When the record asks for shapes, close estimates
// and clearly different shape costs go by the shapes; knownShape is the
// current separation's shape cost when already known, or negative.
bool vgraphStoreBetter(const Vgraph* graph, const VgraphStore* store, const uint8_t* storedParts,
                       VgraphFillTerms* storedTerms, VgraphFillTerms* currentTerms, double knownShape) {
  if (graph->halo != nullptr) {
    vgraphFillTerms(graph, graph->parts + graph->graph.base, graph->partLoad[0], graph->partLoad[1],
                    currentTerms);
    currentTerms->shapeCost = knownShape;
    const double scale = std::min(storedTerms->separatorLoad, currentTerms->separatorLoad) /
                         std::sqrt(static_cast<double>(graph->graph.vertexLoadSum));
    const double storedCost = vgraphFillEstimate(storedTerms, scale);
    const double currentCost = vgraphFillEstimate(currentTerms, scale);
    if (graph->halo->shapes &&
        (std::fabs(storedCost - currentCost) <= shapeTolerance * std::max(storedCost, currentCost))) {
      const double storedShape = shapeCostOf(graph, storedParts, storedTerms);
      const double currentShape = shapeCostOf(graph, graph->parts + graph->graph.base, currentTerms);
      if ((storedShape >= 0.0) && (currentShape >= 0.0)) {
        if (storedShape * shapeMargin < currentShape) return true;
        if (currentShape * shapeMargin < storedShape) return false;
      }
    }
    // Estimates within rounding of each other, as those of mirror-image
    // separations, count as equal.
    const double tolerance = 1e-9 * std::max(storedCost, currentCost);
    if (std::fabs(storedCost - currentCost) > tolerance) return storedCost < currentCost;
  }
  const GraphNum separatorLoad = graph->graph.vertexLoadSum - store->partLoad0 - store->partLoad1;
  return (separatorLoad < graph->partLoad[2]) ||
         ((separatorLoad == graph->partLoad[2]) && (abs(store->loadDelta) < abs(graph->loadDelta)));
}

// Graphs smaller than this are not worth threads for their alternatives.
constexpr GraphNum SELECT_THREAD_MIN_SIZE = 2000;

// One alternative of a selection run on its own copy of the starting
// state: parts and frontier of its own, and scratch marks of its own for
// the fill estimates of the selections it holds.
struct SelectCopy {
  Vgraph graph;
  VgraphHalo halo;
  void* block;
};

int selectCopyInit(const Vgraph* source, SelectCopy* copy) {
  const size_t vertexCount = static_cast<size_t>(source->graph.vertexCount);
  const size_t haloCount =
      (source->halo != nullptr) ? static_cast<size_t>(source->halo->haloVertexEnd - source->graph.vertexEnd) : 0;
  GraphNum* frontier;
  uint8_t* parts;
  uint8_t* marks;
  copy->block = memGroupAlloc({memEntry(frontier, std::max<size_t>(vertexCount, 1) * sizeof(GraphNum)),
                               memEntry(parts, std::max<size_t>(vertexCount, 1)),
                               memEntry(marks, std::max<size_t>(haloCount, 1))});
  if (copy->block == nullptr) return 1;
  copy->graph = *source;
  copy->graph.frontier = frontier;
  copy->graph.parts = parts - source->graph.base;
  memcpy(frontier, source->frontier, static_cast<size_t>(source->frontierCount) * sizeof(GraphNum));
  memcpy(parts, source->parts + source->graph.base, vertexCount);
  if (source->halo != nullptr) {
    copy->halo = *source->halo;
    copy->halo.mark = marks;
    copy->halo.look = nullptr;  // the selections inside an alternative do not look ahead
    copy->graph.halo = &copy->halo;
  }
  return 0;
}

// The separation state of one graph copied into another of the same graph.
void selectCopyState(const Vgraph* source, Vgraph* target) {
  target->partLoad[0] = source->partLoad[0];
  target->partLoad[1] = source->partLoad[1];
  target->partLoad[2] = source->partLoad[2];
  target->loadDelta = source->loadDelta;
  target->partSize[0] = source->partSize[0];
  target->partSize[1] = source->partSize[1];
  target->frontierCount = source->frontierCount;
  memcpy(target->frontier, source->frontier, static_cast<size_t>(source->frontierCount) * sizeof(GraphNum));
  memcpy(target->parts + target->graph.base, source->parts + source->graph.base,
         static_cast<size_t>(source->graph.vertexCount));
}

// The look-ahead of a selection: results whose estimated fills lie within
// lookTolerance of the least one, at most lookCount of them, the selection's
// own choice among them.
constexpr double lookTolerance = 0.1;
constexpr size_t lookCount = 4;

// Whether two results of a selection are the same separation.
bool selectCopySame(const Vgraph& one, const Vgraph& other) {
  return (one.partLoad[2] == other.partLoad[2]) && (one.loadDelta == other.loadDelta) &&
         (memcmp(one.parts + one.graph.base, other.parts + other.graph.base,
                 static_cast<size_t>(one.graph.vertexCount)) == 0);
}

// Looks ahead among the results of a selection, best being the one the
// comparisons kept: the results close to the least estimated fill, that
// split the graph, have their parts separated in turn, possibly at once,
// and the one whose estimate with those separators is least wins; a tie
// keeps the earlier one. Each look-ahead draws from a random sequence
// seeded from its result's seed (seeds, one per alternative), not from the
// caller's sequence, so that the ordering only changes where the kept
// result does. Returns the index of the result to keep.
size_t vgraphSeparateLook(const Vgraph* graph, const std::vector<SelectCopy>& copies,
                          const std::vector<uint32_t>& seeds, size_t best) {
  auto splits = [&](size_t index) {
    const Vgraph& copy = copies[index].graph;
    return (copy.partSize[0] > 0) && (copy.partSize[1] > 0);
  };
  if (!splits(best)) return best;
  std::vector<size_t> splitting;
  for (size_t index = 0; index < copies.size(); index++)
    if (splits(index)) splitting.push_back(index);

  // Estimates as the comparisons make them, with one scale for all.
  constexpr double none = std::numeric_limits<double>::infinity();
  std::vector<VgraphFillTerms> terms(copies.size());
  double separatorLeast = none;
  for (size_t index : splitting) {
    const Vgraph& copy = copies[index].graph;
    vgraphFillTerms(&copy, copy.parts + copy.graph.base, copy.partLoad[0], copy.partLoad[1], &terms[index]);
    separatorLeast = std::min(separatorLeast, terms[index].separatorLoad);
  }
  const double scale = separatorLeast / std::sqrt(static_cast<double>(graph->graph.vertexLoadSum));
  std::vector<double> estimates(copies.size(), none);
  for (size_t index : splitting) estimates[index] = vgraphFillEstimate(&terms[index], scale);
  const double estimateLeast = *std::min_element(estimates.begin(), estimates.end());

  // The selection's own choice first, then the others by estimate.
  std::vector<size_t> order;
  for (size_t index : splitting)
    if ((index != best) && (estimates[index] <= (1.0 + lookTolerance) * estimateLeast)) order.push_back(index);
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t one, size_t other) { return estimates[one] < estimates[other]; });
  std::vector<size_t> looked = {best};
  for (size_t index : order) {
    if (looked.size() >= lookCount) break;
    bool same = false;
    for (size_t kept : looked) same = same || selectCopySame(copies[index].graph, copies[kept].graph);
    if (!same) looked.push_back(index);
  }
  if (looked.size() < 2) return best;

  std::vector<std::array<double, 2>> children(looked.size());
  std::vector<int> results(looked.size(), 0);
  const VgraphLook* look = graph->halo->look;
  threadRunTasks(static_cast<int>(looked.size()), graph->threads, [&](int slot) {
    const size_t index = static_cast<size_t>(slot);
    IntRandCall sequence(seeds[looked[index]] ^ 0x9e3779b9u);
    const Vgraph& copy = copies[looked[index]].graph;
    results[index] = look->separate(&copy, copy.parts + copy.graph.base, children[index].data(), look->context);
  });
  size_t chosen = best;
  double chosenCost = none;
  for (size_t slot = 0; slot < looked.size(); slot++) {
    if (results[slot] != 0) continue;  // a failed look-ahead leaves its result out
    const double cost = vgraphFillEstimateWith(&terms[looked[slot]], scale, children[slot].data());
    if (cost < chosenCost) {
      chosen = looked[slot];
      chosenCost = cost;
    }
  }
  return chosen;
}

// The selection with a random sequence per alternative (graph->threads
// from 1 on): every alternative runs from the starting state on a copy of
// its own, possibly at the same time as others; then the results are
// compared in the order of the alternatives, as one after the other would
// be, and the best one is copied back.
int vgraphSeparateSelectStreams(Vgraph* graph, const StratChain& chain) {
  const size_t count = chain.operandCount();
  std::vector<uint32_t> seeds(count);
  for (uint32_t& seed : seeds) seed = intRandNext(0);
  std::vector<SelectCopy> copies(count);
  std::vector<double> shapes(count, -1.0);  // shape costs of the results, when the comparisons use them
  size_t made = 0;
  for (; made < count; made++)
    if (selectCopyInit(graph, &copies[made]) != 0) break;
  auto release = [&]() {
    for (size_t index = 0; index < made; index++) memFree(copies[index].block);
  };
  if (made < count) {
    errorPrint("vgraphSeparateSt: out of memory");
    release();
    return 1;
  }
  const GraphNum threads = (graph->graph.vertexCount >= SELECT_THREAD_MIN_SIZE) ? graph->threads : 1;
  threadRunTasks(static_cast<int>(count), threads, [&](int index) {
    IntRandCall sequence(seeds[static_cast<size_t>(index)]);
    Vgraph* copy = &copies[static_cast<size_t>(index)].graph;
    if (vgraphSeparateSt(copy, chain.operand(static_cast<size_t>(index))) != 0)
      selectCopyState(graph, copy);  // a failed alternative counts as the starting state
    // The comparisons below run on one thread: the shape costs they may
    // need are worked out here, at the same time.
    if ((copy->halo != nullptr) && copy->halo->shapes)
      shapes[static_cast<size_t>(index)] =
          vgraphShapeCost(copy, copy->parts + copy->graph.base, copy->partLoad[0], copy->partLoad[1]);
  });

  size_t best = 0;
  VgraphFillTerms terms[2] = {};  // of the best result so far and of the current one
  int bestTerms = 0;
  if (graph->halo != nullptr) {
    const Vgraph& first = copies[0].graph;
    vgraphFillTerms(&first, first.parts + first.graph.base, first.partLoad[0], first.partLoad[1], &terms[0]);
    terms[0].shapeCost = shapes[0];
  }
  for (size_t index = 1; index < count; index++) {
    const Vgraph& stored = copies[best].graph;
    const VgraphStore storedState = {stored.frontierCount, stored.loadDelta, stored.partLoad[0], stored.partLoad[1],
                                     stored.partSize[0], nullptr};
    if (!vgraphStoreBetter(&copies[index].graph, &storedState, stored.parts + stored.graph.base, &terms[bestTerms],
                           &terms[1 - bestTerms], shapes[index])) {
      best = index;
      bestTerms = 1 - bestTerms;
    }
  }
  if ((graph->halo != nullptr) && (graph->halo->look != nullptr)) best = vgraphSeparateLook(graph, copies, seeds, best);
  selectCopyState(&copies[best].graph, graph);
  release();
  return 0;
}

// Runs every alternative of ((a|b)|c)|d from the same starting state and
// keeps the best result (see vgraphStoreBetter); on a full tie the later
// alternative's result stays. A failed alternative counts as the starting
// state, so a selection never fails once its stores exist. Going through
// the alternatives in turn with one store for the best result so far is
// what nested two-way selections do, each keeping the better of its first
// alternative's result and its second's.
int vgraphSeparateSelect(Vgraph* graph, const Strat* strat) {
  StratChain chain;
  if (!chain.collect(strat)) {
    errorPrint("vgraphSeparateSt: out of memory");
    return 1;
  }
  if (graph->threads > 0) return vgraphSeparateSelectStreams(graph, chain);
  VgraphStore stores[2] = {};  // stores[0]: best result so far, stores[1]: starting state
  if ((vgraphStoreInit(graph, &stores[0]) != 0) || (vgraphStoreInit(graph, &stores[1]) != 0)) {
    errorPrint("vgraphSeparateSt: out of memory");
    vgraphStoreExit(&stores[0]);
    return 1;
  }

  // Fill terms of the best result so far and of the current one, when
  // the graph has a halo record.
  VgraphFillTerms terms[2] = {};
  int best = 0;
  vgraphStoreSave(graph, &stores[1]);
  for (size_t index = 0; index < chain.operandCount(); index++) {
    if (index > 0) {
      vgraphStoreSave(graph, &stores[0]);
      vgraphStoreRestore(graph, &stores[1]);
    }
    if (vgraphSeparateSt(graph, chain.operand(index)) != 0) vgraphStoreRestore(graph, &stores[1]);
    if (index == 0) {
      if (graph->halo != nullptr)
        vgraphFillTerms(graph, graph->parts + graph->graph.base, graph->partLoad[0], graph->partLoad[1],
                        &terms[best]);
    } else if (vgraphStoreBetter(graph, &stores[0], vgraphStoreParts(&stores[0]), &terms[best], &terms[1 - best],
                                 -1.0))
      vgraphStoreRestore(graph, &stores[0]);
    else
      best = 1 - best;  // the current result is the best so far
  }

  vgraphStoreExit(&stores[0]);
  vgraphStoreExit(&stores[1]);
  return 0;
}

}  // namespace

int vgraphSeparateSt(Vgraph* graph, const Strat* strat) {
  for (;;) {
    switch (strat->kind) {
      case STRAT_CONCAT:
        return stratChainConcat(graph, strat, vgraphSeparateSt, "vgraphSeparateSt: out of memory");
      case STRAT_COND: {
        const Strat* branch = nullptr;
        const int result = stratCondBranch(strat, graph, &branch);
        if (result != 0) return result;
        if (branch == nullptr) return 0;
        strat = branch;
        continue;
      }
      case STRAT_EMPTY:
        return 0;
      case STRAT_METHOD: {
        const StratMethod& method = strat->table->methods[strat->data.method.method];
        const VgraphSeparateFunction function = reinterpret_cast<VgraphSeparateFunction>(method.function);
        return function(graph, strat->data.method.paramBlock);
      }
      case STRAT_SELECT:
        return vgraphSeparateSelect(graph, strat);
      default:
        errorPrint("vgraphSeparateSt: invalid strategy node");
        return 1;
    }
  }
}
