// Mapping method f: k-way Fiduccia-Mattheyses refinement.
//
// The working set starts with the free frontier vertices and grows with the
// neighbours of every moved vertex. Each vertex of the set has one edge
// record per neighbouring domain other than its own: the number and the
// load of its edges into that domain. An edge record is a candidate move of
// its vertex into its domain, filed in a gain table under its gain: the
// change of the cost if the vertex moved there, where the cost is the
// communication load (edge loads times domain distances) times
// commLoadFactor, plus, when remapping, the vertex's migration load times
// migrationCostFactor times the distance from its old domain. A smaller
// gain is better.
//
// Balance: domain d may deviate from its target load by trunc(bal *
// domainLoadAvg[d]); the violation of a state is the sum over the domains
// of what exceeds these bounds. A move is allowed when it lowers the
// violation, or keeps it and leaves its target domain within its upper
// bound (vertices of no load move freely): a balanced mapping stays
// balanced, an unbalanced one may only come closer to balance, and no
// vertex joins an overloaded domain to trade one overload for another.
// States are ranked by violation first, then by cost.
//
// A pass moves, each vertex at most once, the best allowed candidate (the
// first allowed one among the few best of the gain table) until "move"
// moves in a row bring no better state, then undoes the moves made after
// the best state. Passes go on while they improve the state, at most
// "pass" times (-1: no limit).
#include <climits>
#include <cstring>
#include <new>
#include <vector>

#include "graph/gain.h"
#include "kgraph/kgraph.h"

namespace {

// Candidates looked at beyond the best one when it is not allowed.
constexpr int kScanLimit = 256;
constexpr int64_t kGainClamp = 1073741823;

struct FmEdge {
  GainLink link;          // first member: a filed link is its record
  GraphNum vertexIndex;   // owner, index in the vertex records
  GraphNum domain;        // neighbouring domain (not the owner's)
  GraphNum count;         // owner's edges into the domain
  GraphNum loadSum;       // their loads
  GraphNum gain;          // cost change if the owner moved into the domain
  GraphNum next;          // next record of the owner, or -1
  bool filed;             // in the gain table
};

struct FmVertex {
  GraphNum vertex;
  GraphNum internal;       // load of the edges into the vertex's own domain
  GraphNum firstEdge;      // chain of edge records, or -1
  GraphNum load;
  GraphNum migration;      // cost per unit of distance from the old domain
  GraphNum oldDomain;      // index in the old mapping's domains, or -1
  GraphNum lockedPass;     // pass in which the vertex moved, or -1
};

struct FmMove {
  GraphNum vertexIndex;
  GraphNum domain;  // domain before the move
};

class FmRefiner {
 public:
  FmRefiner(Kgraph* kgraph, const KgraphMapFmParam* param) : kgraph_(kgraph), param_(param) {}
  ~FmRefiner() {
    if (table_ != nullptr) gainTableExit(table_);
    memFree(scratch_);
  }
  int run();
  // Brings the frontier, the load deltas and the communication load of the
  // mapping graph up to date with the moves kept.
  void finish();

 private:
  GraphNum domainOf(GraphNum vertex) const { return kgraph_->mapping.parts[vertex]; }
  GraphNum edgeLoad(GraphNum edge) const {
    return (kgraph_->graph.edgeLoad != nullptr) ? kgraph_->graph.edgeLoad[edge] : 1;
  }
  bool isFixed(GraphNum vertex) const {
    return (kgraph_->fixedTerminals != nullptr) && (kgraph_->fixedTerminals[vertex] != -1);
  }
  int64_t violation(int64_t delta, int64_t bound) const {
    const int64_t magnitude = (delta < 0) ? -delta : delta;
    return (magnitude > bound) ? magnitude - bound : 0;
  }

  GraphNum enter(GraphNum vertex);
  void buildRecords(GraphNum vertexIndex);
  void releaseRecords(GraphNum vertexIndex);
  GraphNum newEdge();
  void computeGains(GraphNum vertexIndex);
  void file(FmEdge& edge);
  void unfile(FmEdge& edge);
  void refileAll();
  void adjustNeighbour(GraphNum vertexIndex, GraphNum domain, GraphNum load, GraphNum sign);
  void move(GraphNum vertexIndex, GraphNum target, GraphNum gain);
  FmEdge* choose();
  int64_t migrationCost(const FmVertex& record, GraphNum domain) const;
  GraphNum clampGain(int64_t gain) {
    if ((gain > kGainClamp) || (gain < -kGainClamp)) {
      clamped_ = true;
      return static_cast<GraphNum>((gain > 0) ? kGainClamp : -kGainClamp);
    }
    return static_cast<GraphNum>(gain);
  }

  Kgraph* kgraph_;
  const KgraphMapFmParam* param_;
  std::vector<FmVertex> vertices_;
  std::vector<FmEdge> edges_;
  GraphNum freeEdge_ = -1;
  GraphNum* slotOf_ = nullptr;        // per graph vertex: index in vertices_, or -1
  int64_t* delta_ = nullptr;          // per domain: load minus target
  int64_t* bound_ = nullptr;          // per domain: allowed deviation
  GraphNum* domainLoad_ = nullptr;    // per domain: scratch sums while building records
  GraphNum* domainSlot_ = nullptr;    // per domain: scratch record index, or -1
  void* scratch_ = nullptr;
  GainTable* table_ = nullptr;
  bool filing_ = true;                // candidates are filed as they change
  GraphNum pass_ = 0;
  bool partArch_ = false;             // all distinct domains at distance 1
  KgraphDistance distance_;
  int64_t violation_ = 0;
  int64_t cost_ = 0;                  // relative to the state on entry
  bool clamped_ = false;              // some gain did not fit: cost_ is not exact
  std::vector<FmMove> log_;
  std::vector<GraphNum> touched_;
};

GraphNum FmRefiner::newEdge() {
  if (freeEdge_ >= 0) {
    const GraphNum index = freeEdge_;
    freeEdge_ = edges_[static_cast<size_t>(index)].next;
    return index;
  }
  const FmEdge* before = edges_.data();
  edges_.push_back(FmEdge{});
  // A growing array moves the records: the links filed in the gain table
  // point into the old array, so every candidate is filed anew.
  if ((before != nullptr) && (edges_.data() != before)) refileAll();
  return static_cast<GraphNum>(edges_.size() - 1);
}

void FmRefiner::file(FmEdge& edge) {
  gainTableAdd(table_, &edge.link, edge.gain);
  edge.filed = true;
}

void FmRefiner::unfile(FmEdge& edge) {
  if (edge.filed) gainTableRemove(&edge.link);
  edge.filed = false;
}

void FmRefiner::refileAll() {
  gainTableClear(table_);
  for (FmEdge& edge : edges_) edge.filed = false;
  if (!filing_) return;
  for (const FmVertex& record : vertices_) {
    if (record.lockedPass == pass_) continue;
    for (GraphNum index = record.firstEdge; index >= 0; index = edges_[static_cast<size_t>(index)].next)
      file(edges_[static_cast<size_t>(index)]);
  }
}

void FmRefiner::releaseRecords(GraphNum vertexIndex) {
  FmVertex& record = vertices_[static_cast<size_t>(vertexIndex)];
  GraphNum index = record.firstEdge;
  while (index >= 0) {
    FmEdge& edge = edges_[static_cast<size_t>(index)];
    unfile(edge);
    const GraphNum next = edge.next;
    edge.next = freeEdge_;
    freeEdge_ = index;
    index = next;
  }
  record.firstEdge = -1;
}

// The records of a vertex from its adjacency and the current parts.
void FmRefiner::buildRecords(GraphNum vertexIndex) {
  releaseRecords(vertexIndex);
  const Graph& graph = kgraph_->graph;
  const GraphNum vertex = vertices_[static_cast<size_t>(vertexIndex)].vertex;
  const GraphNum own = domainOf(vertex);
  GraphNum internal = 0;
  touched_.clear();
  for (GraphNum edge = graph.edgeBegin[vertex]; edge < graph.edgeEnd[vertex]; edge++) {
    const GraphNum domain = domainOf(graph.edgeTarget[edge]);
    const GraphNum load = edgeLoad(edge);
    if (domain == own) {
      internal += load;
      continue;
    }
    if (domainSlot_[domain] < 0) {
      domainSlot_[domain] = 0;
      domainLoad_[domain] = 0;
      touched_.push_back(domain);
    }
    domainLoad_[domain] += load;
    domainSlot_[domain]++;
  }
  vertices_[static_cast<size_t>(vertexIndex)].internal = internal;
  for (const GraphNum domain : touched_) {
    const GraphNum index = newEdge();
    FmEdge& edge = edges_[static_cast<size_t>(index)];
    FmVertex& record = vertices_[static_cast<size_t>(vertexIndex)];
    edge.vertexIndex = vertexIndex;
    edge.domain = domain;
    edge.count = domainSlot_[domain];
    edge.loadSum = domainLoad_[domain];
    edge.filed = false;
    edge.next = record.firstEdge;
    record.firstEdge = index;
    domainSlot_[domain] = -1;
  }
  computeGains(vertexIndex);
}

int64_t FmRefiner::migrationCost(const FmVertex& record, GraphNum domain) const {
  if ((record.oldDomain < 0) || (record.migration == 0)) return 0;
  return static_cast<int64_t>(record.migration) *
         archDomDist(&kgraph_->arch, &kgraph_->mapping.domains[domain], &kgraph_->oldMapping.domains[record.oldDomain]);
}

// Gains of every candidate of a vertex; refiles them when they are filed.
void FmRefiner::computeGains(GraphNum vertexIndex) {
  const FmVertex& record = vertices_[static_cast<size_t>(vertexIndex)];
  const GraphNum own = domainOf(record.vertex);
  const int64_t factor = kgraph_->commLoadFactor;
  const int64_t stay = migrationCost(record, own);
  int64_t base = 0;  // communication cost where the vertex is
  if (!partArch_)
    for (GraphNum index = record.firstEdge; index >= 0; index = edges_[static_cast<size_t>(index)].next)
      base += static_cast<int64_t>(edges_[static_cast<size_t>(index)].loadSum) *
              distance_(own, edges_[static_cast<size_t>(index)].domain);
  for (GraphNum index = record.firstEdge; index >= 0; index = edges_[static_cast<size_t>(index)].next) {
    FmEdge& edge = edges_[static_cast<size_t>(index)];
    int64_t change;
    if (partArch_)
      change = static_cast<int64_t>(record.internal) - edge.loadSum;
    else {
      int64_t there = static_cast<int64_t>(record.internal) * distance_(edge.domain, own);
      for (GraphNum other = record.firstEdge; other >= 0; other = edges_[static_cast<size_t>(other)].next)
        if (other != index)
          there += static_cast<int64_t>(edges_[static_cast<size_t>(other)].loadSum) *
                   distance_(edge.domain, edges_[static_cast<size_t>(other)].domain);
      change = there - base;
    }
    const GraphNum gain = clampGain(change * factor + migrationCost(record, edge.domain) - stay);
    if (edge.filed && (gain != edge.gain)) {
      gainTableRemove(&edge.link);
      edge.gain = gain;
      gainTableAdd(table_, &edge.link, gain);
    } else
      edge.gain = gain;
    if (!edge.filed && filing_ && (record.lockedPass != pass_)) file(edge);
  }
}

// Adds a vertex to the working set (free vertices only); returns its index.
GraphNum FmRefiner::enter(GraphNum vertex) {
  if (slotOf_[vertex] >= 0) return slotOf_[vertex];
  const GraphNum index = static_cast<GraphNum>(vertices_.size());
  FmVertex record = {};
  record.vertex = vertex;
  record.firstEdge = -1;
  record.load = (kgraph_->graph.vertexLoad != nullptr) ? kgraph_->graph.vertexLoad[vertex] : 1;
  record.oldDomain = (kgraph_->oldMapping.parts != nullptr) ? kgraph_->oldMapping.parts[vertex] : -1;
  record.migration = 0;
  if (record.oldDomain >= 0) {
    const int64_t migration = static_cast<int64_t>(kgraph_->migrationCostFactor) *
                              ((kgraph_->migrationLoad != nullptr) ? kgraph_->migrationLoad[vertex] : 1);
    record.migration = static_cast<GraphNum>((migration > kGainClamp) ? kGainClamp : migration);
  }
  record.lockedPass = -1;
  vertices_.push_back(record);
  slotOf_[vertex] = index;
  buildRecords(index);
  return index;
}

// A neighbour's edge of the given load now leads to (sign 1) or no longer
// leads to (sign -1) the domain.
void FmRefiner::adjustNeighbour(GraphNum vertexIndex, GraphNum domain, GraphNum load, GraphNum sign) {
  FmVertex& record = vertices_[static_cast<size_t>(vertexIndex)];
  if (domainOf(record.vertex) == domain) {
    record.internal += sign * load;
    return;
  }
  GraphNum previous = -1;
  GraphNum index = record.firstEdge;
  while ((index >= 0) && (edges_[static_cast<size_t>(index)].domain != domain)) {
    previous = index;
    index = edges_[static_cast<size_t>(index)].next;
  }
  if (index < 0) {  // a new neighbouring domain (sign is 1)
    index = newEdge();
    FmEdge& edge = edges_[static_cast<size_t>(index)];
    FmVertex& owner = vertices_[static_cast<size_t>(vertexIndex)];
    edge.vertexIndex = vertexIndex;
    edge.domain = domain;
    edge.count = 0;
    edge.loadSum = 0;
    edge.gain = 0;
    edge.filed = false;
    edge.next = owner.firstEdge;
    owner.firstEdge = index;
  }
  FmEdge& edge = edges_[static_cast<size_t>(index)];
  edge.count += sign;
  edge.loadSum += sign * load;
  if (edge.count == 0) {  // no edge left into the domain: no candidate either
    unfile(edge);
    if (previous < 0)
      vertices_[static_cast<size_t>(vertexIndex)].firstEdge = edge.next;
    else
      edges_[static_cast<size_t>(previous)].next = edge.next;
    edge.next = freeEdge_;
    freeEdge_ = index;
  }
}

// Moves a vertex of the set into the target domain, with every figure.
void FmRefiner::move(GraphNum vertexIndex, GraphNum target, GraphNum gain) {
  const Graph& graph = kgraph_->graph;
  const GraphNum vertex = vertices_[static_cast<size_t>(vertexIndex)].vertex;
  const GraphNum source = domainOf(vertex);
  const GraphNum load = vertices_[static_cast<size_t>(vertexIndex)].load;
  violation_ -= violation(delta_[source], bound_[source]) + violation(delta_[target], bound_[target]);
  delta_[source] -= load;
  delta_[target] += load;
  violation_ += violation(delta_[source], bound_[source]) + violation(delta_[target], bound_[target]);
  cost_ += gain;
  kgraph_->mapping.parts[vertex] = target;
  buildRecords(vertexIndex);
  for (GraphNum edge = graph.edgeBegin[vertex]; edge < graph.edgeEnd[vertex]; edge++) {
    const GraphNum end = graph.edgeTarget[edge];
    if (isFixed(end)) continue;
    if (slotOf_[end] < 0) {  // enters with records that already see the move
      enter(end);
      continue;
    }
    const GraphNum neighbour = slotOf_[end];
    adjustNeighbour(neighbour, source, edgeLoad(edge), -1);
    adjustNeighbour(neighbour, target, edgeLoad(edge), 1);
    computeGains(neighbour);
  }
}

// The best allowed candidate among the first few of the table, or null.
FmEdge* FmRefiner::choose() {
  int scanned = 0;
  for (GainLink* link = gainTableFirst(table_); (link != nullptr) && (scanned <= kScanLimit);
       link = gainTableNext(table_, link), scanned++) {
    FmEdge* edge = reinterpret_cast<FmEdge*>(link);
    const FmVertex& record = vertices_[static_cast<size_t>(edge->vertexIndex)];
    const GraphNum source = domainOf(record.vertex);
    const GraphNum target = edge->domain;
    const int64_t before = violation(delta_[source], bound_[source]) + violation(delta_[target], bound_[target]);
    const int64_t after = violation(delta_[source] - record.load, bound_[source]) +
                          violation(delta_[target] + record.load, bound_[target]);
    if ((after < before) || ((after == before) && (delta_[target] + record.load <= bound_[target])) ||
        (record.load == 0))
      return edge;
  }
  return nullptr;
}

int FmRefiner::run() {
  Kgraph& kgraph = *kgraph_;
  const Graph& graph = kgraph.graph;
  const GraphNum domainCount = kgraph.mapping.domainCount;
  partArch_ = (kgraph.arch.flags & ARCH_PART) != 0;
  distance_.init(&kgraph.mapping);

  GraphNum* slots;
  scratch_ = memGroupAlloc({memEntry(slots, static_cast<size_t>(graph.vertexCount) * sizeof(GraphNum)),
                            memEntry(delta_, static_cast<size_t>(domainCount) * sizeof(int64_t)),
                            memEntry(bound_, static_cast<size_t>(domainCount) * sizeof(int64_t)),
                            memEntry(domainLoad_, static_cast<size_t>(domainCount) * sizeof(GraphNum)),
                            memEntry(domainSlot_, static_cast<size_t>(domainCount) * sizeof(GraphNum))});
  if (scratch_ == nullptr) {
    errorPrint("kgraphMapFm: out of memory (4)");
    return 1;
  }
  for (GraphNum index = 0; index < graph.vertexCount; index++) slots[index] = -1;
  slotOf_ = slots - graph.base;
  for (GraphNum domain = 0; domain < domainCount; domain++) {
    delta_[domain] = kgraph.domainLoadDelta[domain];
    bound_[domain] = kgraphDomainLoadBound(param_->bal, kgraph.domainLoadAvg[domain]);
    domainSlot_[domain] = -1;
    violation_ += violation(delta_[domain], bound_[domain]);
  }

  table_ = gainTableInit(2147483646, 4);
  if (table_ == nullptr) {
    errorPrint("kgraphMapFm: internal error (1)");
    return 1;
  }

  try {
    size_t expected = static_cast<size_t>(param_->move > 0 ? param_->move : 0) +
                      static_cast<size_t>(kgraph.frontierCount) + static_cast<size_t>(graph.maxDegree);
    if (expected > static_cast<size_t>(graph.vertexCount)) expected = static_cast<size_t>(graph.vertexCount);
    vertices_.reserve(expected);
    edges_.reserve(2 * expected);
    pass_ = -2;  // nothing is locked while the set is first built
    filing_ = false;
    for (GraphNum index = 0; index < kgraph.frontierCount; index++)
      if (!isFixed(kgraph.frontier[index])) enter(kgraph.frontier[index]);

    for (pass_ = 0; (param_->pass < 0) || (pass_ < param_->pass); pass_++) {
      filing_ = true;
      refileAll();
      const int64_t startViolation = violation_;
      const int64_t startCost = cost_;
      int64_t bestViolation = violation_;
      int64_t bestCost = cost_;
      log_.clear();
      size_t bestLength = 0;
      GraphNum idle = 0;
      while (idle < param_->move) {
        FmEdge* edge = choose();
        if (edge == nullptr) break;
        const GraphNum vertexIndex = edge->vertexIndex;
        const GraphNum target = edge->domain;
        const GraphNum gain = edge->gain;
        FmVertex& record = vertices_[static_cast<size_t>(vertexIndex)];
        log_.push_back(FmMove{vertexIndex, domainOf(record.vertex)});
        record.lockedPass = pass_;
        move(vertexIndex, target, gain);
        if ((violation_ < bestViolation) || ((violation_ == bestViolation) && (cost_ < bestCost))) {
          bestViolation = violation_;
          bestCost = cost_;
          bestLength = log_.size();
          idle = 0;
        } else
          idle++;
      }

      // Back to the best state of the pass, without filing candidates.
      filing_ = false;
      gainTableClear(table_);
      for (FmEdge& edge : edges_) edge.filed = false;
      while (log_.size() > bestLength) {
        const FmMove undo = log_.back();
        log_.pop_back();
        move(undo.vertexIndex, undo.domain, 0);
      }
      cost_ = bestCost;  // the moves undone restore every delta, and so the violation
      if ((bestViolation == startViolation) && (bestCost >= startCost)) break;  // nothing gained
    }
  } catch (const std::bad_alloc&) {
    errorPrint("kgraphMapFmResize: out of memory");
    return 1;
  }
  return 0;
}

// The vertices outside the working set kept their neighbours' domains, so
// their frontier status is unchanged; fixed vertices never enter the set,
// and those next to a vertex that moved are looked at again.
void FmRefiner::finish() {
  Kgraph& kgraph = *kgraph_;
  const Graph& graph = kgraph.graph;
  const GraphNum* parts = kgraph.mapping.parts;
  auto facesOtherDomain = [&](GraphNum vertex) {
    for (GraphNum edge = graph.edgeBegin[vertex]; edge < graph.edgeEnd[vertex]; edge++)
      if (parts[graph.edgeTarget[edge]] != parts[vertex]) return true;
    return false;
  };
  constexpr GraphNum kListed = -2;  // a fixed vertex already looked at
  GraphNum count = 0;
  for (GraphNum index = 0; index < kgraph.frontierCount; index++) {
    const GraphNum vertex = kgraph.frontier[index];
    if (slotOf_[vertex] == -1) {
      if (!isFixed(vertex))
        kgraph.frontier[count++] = vertex;
      else {
        slotOf_[vertex] = kListed;
        if (facesOtherDomain(vertex)) kgraph.frontier[count++] = vertex;
      }
    }
  }
  for (const FmVertex& record : vertices_) {
    if (facesOtherDomain(record.vertex)) kgraph.frontier[count++] = record.vertex;
    if (record.lockedPass < 0) continue;  // never moved
    for (GraphNum edge = graph.edgeBegin[record.vertex]; edge < graph.edgeEnd[record.vertex]; edge++) {
      const GraphNum end = graph.edgeTarget[edge];
      if ((slotOf_[end] != -1) || !isFixed(end)) continue;
      slotOf_[end] = kListed;
      if (facesOtherDomain(end)) kgraph.frontier[count++] = end;
    }
  }
  kgraph.frontierCount = count;

  // The loads moved exactly; the cost summed the gains of the moves kept,
  // which are communication load changes unless costs are scaled or include
  // migration.
  for (GraphNum domain = 0; domain < kgraph.mapping.domainCount; domain++)
    kgraph.domainLoadDelta[domain] = static_cast<GraphNum>(delta_[domain]);
  const int64_t commLoad = static_cast<int64_t>(kgraph.commLoad) + cost_;
  if (clamped_ || (kgraph.commLoadFactor != 1) || (kgraph.oldMapping.parts != nullptr) || (commLoad < 0) ||
      (commLoad >= INT32_MAX) || (kgraph.commLoad == INT32_MAX))
    kgraphCost(&kgraph);
  else
    kgraph.commLoad = static_cast<GraphNum>(commLoad);
}

}  // namespace

int kgraphMapFm(Kgraph* kgraph, const void* parameters) {
  const KgraphMapFmParam* param = static_cast<const KgraphMapFmParam*>(parameters);
  if (kgraph->mapping.domainCount == 0) kgraphFirst(kgraph);
  kgraph->balanceRatio = param->bal;  // the figures of the mapping are up to date on entry

  auto balanced = [&]() {
    for (GraphNum domain = 0; domain < kgraph->mapping.domainCount; domain++) {
      const GraphNum magnitude = (kgraph->domainLoadDelta[domain] < 0) ? -kgraph->domainLoadDelta[domain]
                                                                      : kgraph->domainLoadDelta[domain];
      if (magnitude > kgraphDomainLoadBound(param->bal, kgraph->domainLoadAvg[domain])) return false;
    }
    return true;
  };
  if (kgraph->frontierCount == 0) {
    if (balanced()) return 0;
    // Nothing to refine from: map afresh by recursive bipartitioning.
    Strat* strat = stratBuild(&kgraphMapStTable, "r{sep=h{pass=10}}");
    if (strat == nullptr) {
      errorPrint("kgraphMapFm: out of memory (3)");
      return 1;
    }
    const int result = kgraphMapSt(kgraph, strat);
    stratRelease(strat);
    if (result != 0) return result;
    kgraph->balanceRatio = param->bal;
    if (kgraph->frontierCount == 0) return 0;
  }

  FmRefiner refiner(kgraph, param);
  const int result = refiner.run();
  if (result == 0)
    refiner.finish();
  else {
    kgraphFrontier(kgraph);
    kgraphCost(kgraph);
  }
  return result;
}
