// Recursive bipartitioning onto an architecture whose distances differ
// between domains: the splits are scheduled as jobs, so that each
// bipartition can see, through external gains, where the neighbours of its
// vertices already lie.
//
// One job per domain index: job i refines the domain at index i of the
// mapping, and the vertices of its graph have part i. Pending jobs wait in
// pools, doubly linked lists by job index (so that growing the job array
// keeps every link valid); with "job" = u two pools alternate, one per
// level of the recursion.
//
// Domain arrays: the mapping's own array always holds the newest domains.
// With "map" = u the jobs of one level read, for the external gains, a
// second array that holds the domains as of the previous level: a split
// writes the unsplit domain at the new index of the second array, and at
// every change of level the second array catches up with the first.
#include <cstring>
#include <utility>

#include "graph/graph_induce.h"
#include "kgraph/kgraph_map_rb.h"

namespace {

enum { POLICY_RANDOM = 0, POLICY_LEVEL, POLICY_SIZE, POLICY_LEVEL_BOUNDARY, POLICY_SIZE_BOUNDARY };  // "rlsLS"

struct MapJob {
  GraphNum prev;      // previous job in its pool, or -1
  GraphNum next;      // next job in its pool, or -1
  int pool;           // the pool holding the job
  int state;          // 1 while pending
  GraphNum level;
  GraphNum priority;
  ArchDom domain;
  Graph graph;
  bool owned;         // the job frees its graph
  GraphNum fixedFirst;
  GraphNum fixedCount;
};

class RbMapper {
 public:
  explicit RbMapper(KgraphMapRbData* data) : data_(data), kgraph_(data->kgraph), param_(data->param) {}
  ~RbMapper() {
    if (jobs_ != nullptr)
      for (GraphNum index = 0; index < jobMax_; index++) releaseGraph(index);
    memFree(jobs_);
    memFree(second_);
  }
  int run();

 private:
  bool boundaryPolicy() const {
    return (param_->poli == POLICY_LEVEL_BOUNDARY) || (param_->poli == POLICY_SIZE_BOUNDARY);
  }
  bool isFixed(GraphNum vertex) const {
    return (kgraph_->fixedTerminals != nullptr) && (kgraph_->fixedTerminals[vertex] != -1);
  }
  bool splittable(const ArchDom& domain, GraphNum vertexCount) const {
    return variable_ ? (vertexCount > 1) : (archDomSize(&kgraph_->arch, &domain) > 1);
  }
  // Calls visit with the job of every free neighbour, outside the domain
  // index ownIndex, of the vertices of the graph (those of the given side
  // when parts is given), once per edge.
  template <class Visit>
  void forEachOutside(const Graph& graph, const uint8_t* parts, int side, GraphNum ownIndex, Visit visit) {
    const Graph& whole = kgraph_->graph;
    const GraphNum* domainOf = kgraph_->mapping.parts;
    for (GraphNum vertex = graph.base; vertex < graph.vertexEnd; vertex++) {
      if ((parts != nullptr) && (parts[vertex] != side)) continue;
      const GraphNum original = kgraphMapRbVertex(&graph, vertex);
      for (GraphNum edge = whole.edgeBegin[original]; edge < whole.edgeEnd[original]; edge++) {
        const GraphNum end = whole.edgeTarget[edge];
        if (!isFixed(end) && (domainOf[end] != ownIndex)) visit(jobs_[domainOf[end]]);
      }
    }
  }
  void releaseGraph(GraphNum index) {
    if (jobs_[index].owned) graphExit(&jobs_[index].graph);
    jobs_[index].owned = false;
  }
  void insert(GraphNum index, int pool);
  void remove(GraphNum index);
  GraphNum take(int pool);
  void setPolicy(GraphNum index, GraphNum parentLevel, GraphNum parentPriority, bool first);
  void raiseAround(const Graph& graph, const uint8_t* parts, int side, GraphNum ownIndex, GraphNum level);
  int grow();
  int split(GraphNum index);

  KgraphMapRbData* data_;
  Kgraph* kgraph_;
  const KgraphMapRbParam* param_;
  bool variable_ = false;
  MapJob* jobs_ = nullptr;
  GraphNum jobMax_ = 0;
  ArchDom* second_ = nullptr;  // the previous level's domains, with "map" = u
  GraphNum heads_[2] = {-1, -1};
  int current_ = 0;
  int other_ = 0;
};

void RbMapper::insert(GraphNum index, int pool) {
  MapJob& job = jobs_[index];
  job.pool = pool;
  job.state = 1;
  job.prev = -1;
  job.next = heads_[pool];
  if (heads_[pool] >= 0) jobs_[heads_[pool]].prev = index;
  heads_[pool] = index;
}

void RbMapper::remove(GraphNum index) {
  MapJob& job = jobs_[index];
  if (job.prev >= 0)
    jobs_[job.prev].next = job.next;
  else
    heads_[job.pool] = job.next;
  if (job.next >= 0) jobs_[job.next].prev = job.prev;
  job.state = 0;
}

// The pending job of highest priority: scanning from the head, a later job
// replaces the chosen one only with a strictly higher priority.
GraphNum RbMapper::take(int pool) {
  GraphNum best = heads_[pool];
  for (GraphNum index = jobs_[best].next; index >= 0; index = jobs_[index].next)
    if (jobs_[index].priority > jobs_[best].priority) best = index;
  remove(best);
  return best;
}

// Level and priority of a new job by policy. With the boundary policies
// the priority counts the job's edges towards jobs already done or lower
// down, and pending neighbours between the job's level and its parent's
// move up.
void RbMapper::setPolicy(GraphNum index, GraphNum parentLevel, GraphNum parentPriority, bool first) {
  MapJob& job = jobs_[index];
  const GraphNum size = job.graph.vertexCount;
  switch (param_->poli) {
    case POLICY_RANDOM:
      job.level = job.priority = static_cast<GraphNum>(intRandNext(2147483647));
      return;
    case POLICY_LEVEL:
    case POLICY_LEVEL_BOUNDARY:
      job.level = first ? size : parentLevel - 1;
      job.priority = first ? 0 : parentPriority + 1;
      break;
    default:
      job.level = job.priority = size;
      break;
  }
  if (!boundaryPolicy()) return;
  GraphNum priority = 0;
  forEachOutside(job.graph, nullptr, 0, index, [&](MapJob& neighbour) {
    if ((neighbour.state == 0) || (neighbour.level < job.level))
      priority++;
    else if ((neighbour.level > job.level) && (neighbour.level <= parentLevel))
      neighbour.priority++;
  });
  job.priority = priority;
}

// With the boundary policies, the vertices of one side of a split that
// are done raise the pending jobs next to them whose level does not exceed
// the level given.
void RbMapper::raiseAround(const Graph& graph, const uint8_t* parts, int side, GraphNum ownIndex, GraphNum level) {
  if (!boundaryPolicy()) return;
  forEachOutside(graph, parts, side, ownIndex, [&](MapJob& neighbour) {
    if ((neighbour.state == 1) && (neighbour.level <= level)) neighbour.priority++;
  });
}

// Grows the job array, the mapping's domains and the second array together.
int RbMapper::grow() {
  Mapping& mapping = kgraph_->mapping;
  const GraphNum newMax = mapGrowth(jobMax_);
  MapJob* jobs = static_cast<MapJob*>(memRealloc(jobs_, static_cast<size_t>(newMax) * sizeof(MapJob)));
  if (jobs == nullptr) {
    errorPrint("kgraphMapRbMapPoolResize: out of memory (1)");
    errorPrint("kgraphMapRbMap: cannot resize structures");
    return 1;
  }
  jobs_ = jobs;
  for (GraphNum index = jobMax_; index < newMax; index++) {
    memset(&jobs_[index], 0, sizeof(MapJob));
    jobs_[index].prev = jobs_[index].next = -1;
  }
  jobMax_ = newMax;
  if (mapResize2(&mapping, newMax) != 0) {
    errorPrint("kgraphMapRbMapPoolResize: out of memory (2)");
    errorPrint("kgraphMapRbMap: cannot resize structures");
    return 1;
  }
  if (second_ != nullptr) {
    ArchDom* second = static_cast<ArchDom*>(memRealloc(second_, static_cast<size_t>(newMax) * sizeof(ArchDom)));
    if (second == nullptr) {
      errorPrint("kgraphMapRbMapPoolResize: out of memory (3)");
      errorPrint("kgraphMapRbMap: cannot resize structures");
      return 1;
    }
    second_ = second;
  }
  return 0;
}

int RbMapper::split(GraphNum index) {
  Mapping& mapping = kgraph_->mapping;
  const Arch* arch = &kgraph_->arch;
  ArchDom halves[2];
  if (archDomBipart(arch, &jobs_[index].domain, &halves[0], &halves[1]) != 0) {
    errorPrint("kgraphMapRbMap: cannot bipartition domain");
    return 1;
  }
  Bgraph bgraph;
  GraphNum fixedCount0;
  const MapJob parent = jobs_[index];  // a copy: the job array may move
  if (kgraphMapRbBgraph(data_, &bgraph, &parent.graph, parent.domain, halves, parent.fixedFirst, parent.fixedCount,
                        &fixedCount0, (second_ != nullptr) ? second_ : mapping.domains, false) != 0) {
    errorPrint("kgraphMapRbMap: cannot create bipartition graph");
    return 1;
  }
  if (bgraphBipartSt(&bgraph, param_->sep) != 0) {
    errorPrint("kgraphMapRbMap: cannot bipartition job");
    bgraphExit(&bgraph);
    return 1;
  }
  const GraphNum sizes[2] = {bgraph.part0Size, parent.graph.vertexCount - bgraph.part0Size};
  const GraphNum fixedFirst[2] = {parent.fixedFirst, parent.fixedFirst + fixedCount0};
  const GraphNum fixedCounts[2] = {fixedCount0, parent.fixedCount - fixedCount0};

  if ((sizes[0] == 0) || (sizes[1] == 0)) {
    const int side = (sizes[0] == 0) ? 1 : 0;
    bgraphExit(&bgraph);
    if (!variable_) {
      // The whole graph goes into the non-empty side's subdomain, which is
      // split again when it can be.
      mapping.domains[index] = halves[side];
      MapJob& job = jobs_[index];
      job.domain = halves[side];
      job.fixedFirst = fixedFirst[side];
      job.fixedCount = fixedCounts[side];
      if (splittable(halves[side], sizes[side])) {
        setPolicy(index, parent.level, parent.priority, false);
        insert(index, other_);
        return 0;
      }
    }
    // The job's domain is final.
    raiseAround(parent.graph, nullptr, 0, index, parent.level);
    releaseGraph(index);
    return 0;
  }

  if ((mapping.domainCount == jobMax_) && (grow() != 0)) {
    bgraphExit(&bgraph);
    return 1;
  }
  const GraphNum newIndex = mapping.domainCount++;
  if (second_ != nullptr) second_[newIndex] = parent.domain;
  mapping.domains[index] = halves[0];
  mapping.domains[newIndex] = halves[1];
  for (GraphNum vertex = parent.graph.base; vertex < parent.graph.vertexEnd; vertex++)
    if (bgraph.parts[vertex] == 1) mapping.parts[kgraphMapRbVertex(&parent.graph, vertex)] = newIndex;

  // The sides that can still be split become jobs, each with its induced
  // subgraph; the parent's graph goes once both are made.
  const GraphNum indices[2] = {index, newIndex};
  bool becomesJob[2];
  Graph sideGraphs[2];
  for (int side = 0; side < 2; side++) {
    becomesJob[side] = splittable(halves[side], sizes[side]);
    graphInit(&sideGraphs[side]);
    sideGraphs[side].flags = 0;
    if (becomesJob[side] && (graphInducePart(&parent.graph, bgraph.parts, sizes[side], static_cast<uint8_t>(side),
                                             &sideGraphs[side]) != 0)) {
      errorPrint("kgraphMapRbMap: cannot create induced subgraph");
      graphExit(&sideGraphs[0]);
      bgraphExit(&bgraph);
      return 1;
    }
  }
  for (int side = 0; side < 2; side++)
    if (!becomesJob[side]) {
      const GraphNum level = (param_->poli == POLICY_LEVEL) || (param_->poli == POLICY_LEVEL_BOUNDARY)
                                 ? parent.level - 1
                                 : sizes[side];
      raiseAround(parent.graph, bgraph.parts, side, indices[side], level);
    }
  bgraphExit(&bgraph);
  releaseGraph(index);
  for (int side = 0; side < 2; side++) {
    MapJob& job = jobs_[indices[side]];
    job.domain = halves[side];
    job.fixedFirst = fixedFirst[side];
    job.fixedCount = fixedCounts[side];
    job.state = 0;
    if (!becomesJob[side]) continue;
    job.graph = sideGraphs[side];
    job.owned = true;
  }
  for (int side = 0; side < 2; side++) {
    if (!becomesJob[side]) continue;
    setPolicy(indices[side], parent.level, parent.priority, false);
    insert(indices[side], other_);
  }
  return 0;
}

int RbMapper::run() {
  Mapping& mapping = kgraph_->mapping;
  variable_ = archVar(&kgraph_->arch) != 0;
  mapFirst(&mapping);
  jobMax_ = mapping.domainMax;
  jobs_ = static_cast<MapJob*>(memAlloc(static_cast<size_t>(jobMax_) * sizeof(MapJob)));
  if (jobs_ == nullptr) {
    errorPrint("kgraphMapRbMapPoolInit: out of memory (2)");
    return 1;
  }
  for (GraphNum index = 0; index < jobMax_; index++) {
    memset(&jobs_[index], 0, sizeof(MapJob));
    jobs_[index].prev = jobs_[index].next = -1;
  }
  if (param_->map == 0) {
    second_ = static_cast<ArchDom*>(memAlloc(static_cast<size_t>(jobMax_) * sizeof(ArchDom)));
    if (second_ == nullptr) {
      errorPrint("kgraphMapRbMapPoolInit: out of memory (3)");
      return 1;
    }
    second_[0] = mapping.initialDomain;
  }
  current_ = 0;
  other_ = (param_->job == 0) ? 1 : 0;

  if (splittable(mapping.initialDomain, data_->graph->vertexCount)) {
    MapJob& job = jobs_[0];
    job.domain = mapping.initialDomain;
    job.graph = *data_->graph;
    job.owned = false;
    job.fixedFirst = 0;
    job.fixedCount = data_->fixedCount;
    setPolicy(0, 0, 0, true);
    insert(0, current_);
  }
  for (;;) {
    if (heads_[current_] < 0) {
      if (current_ == other_) break;
      std::swap(current_, other_);
      if (second_ != nullptr)  // a new level: its jobs see the domains of the level done
        memcpy(second_, mapping.domains, static_cast<size_t>(mapping.domainCount) * sizeof(ArchDom));
      if (heads_[current_] < 0) break;
    }
    if (split(take(current_)) != 0) return 1;
  }
  return 0;
}

}  // namespace

int kgraphMapRbMap(KgraphMapRbData* data) {
  RbMapper mapper(data);
  return mapper.run();
}
