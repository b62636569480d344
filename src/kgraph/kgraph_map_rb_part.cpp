// Recursive bipartitioning onto an architecture whose distinct domains are
// all equally distant (a complete graph): a plain divide and conquer, part
// 0 before part 1. Since where the other pieces lie makes no difference to
// the cost, no external gains are computed (fixed vertices and old domains
// excepted). The recursion is kept on an explicit stack, so that the
// unbalanced splits of a variable-sized architecture cannot exhaust the
// call stack.
#include <new>
#include <vector>

#include "graph/graph_induce.h"
#include "kgraph/kgraph_map_rb.h"

namespace {

struct PartTask {
  Graph graph;
  bool owned;  // the task frees its graph
  ArchDom domain;
  GraphNum fixedFirst;
  GraphNum fixedCount;
};

// Gives every vertex of the graph a new domain index holding the domain.
int kgraphMapRbPartLeaf(KgraphMapRbData* data, const Graph& graph, const ArchDom& domain) {
  Mapping& mapping = data->kgraph->mapping;
  if ((mapping.domainCount == mapping.domainMax) && (mapResize2(&mapping, mapGrowth(mapping.domainMax)) != 0)) {
    errorPrint("kgraphMapRbPart: cannot resize structures");
    return 1;
  }
  const GraphNum index = mapping.domainCount++;
  mapping.domains[index] = domain;
  for (GraphNum vertex = graph.base; vertex < graph.vertexEnd; vertex++)
    mapping.parts[kgraphMapRbVertex(&graph, vertex)] = index;
  return 0;
}

int kgraphMapRbPart2(KgraphMapRbData* data, std::vector<PartTask>& stack) {
  Kgraph* kgraph = data->kgraph;
  const Arch* arch = &kgraph->arch;
  const bool variable = archVar(arch) != 0;
  while (!stack.empty()) {
    PartTask task = stack.back();
    stack.pop_back();
    // The task's graph is released whatever happens to it below.
    struct Release {
      PartTask& task;
      ~Release() {
        if (task.owned) graphExit(&task.graph);
      }
    } release{task};
    const Graph& graph = task.graph;
    if (graph.vertexCount == 0) continue;  // nothing to place here
    const bool leaf = variable ? (graph.vertexCount < 2) : (archDomSize(arch, &task.domain) <= 1);
    if (leaf) {
      if (kgraphMapRbPartLeaf(data, graph, task.domain) != 0) return 1;
      continue;
    }
    // A single free vertex alone in its domain, with no old domain to stay
    // close to: all its terminals are alike, and it takes the first one
    // without further splits.
    if ((graph.vertexCount == 1) && (task.fixedCount == 0) && (kgraph->oldMapping.parts == nullptr)) {
      ArchDom terminal;
      if ((archDomTerminal(arch, &terminal, archDomNumber(arch, &task.domain)) == 0) &&
          (archDomIncludes(arch, &task.domain, &terminal) != 0)) {
        if (kgraphMapRbPartLeaf(data, graph, terminal) != 0) return 1;
        continue;
      }
    }

    // Room for the two sides, made before anything is built, so that
    // pushing them cannot fail.
    stack.reserve(stack.size() + 2);
    ArchDom halves[2];
    if (archDomBipart(arch, &task.domain, &halves[0], &halves[1]) != 0) {
      errorPrint("kgraphMapRbPart2: cannot bipartition domain");
      return 1;
    }
    Bgraph bgraph;
    GraphNum fixedCount0;
    if (kgraphMapRbBgraph(data, &bgraph, &graph, task.domain, halves, task.fixedFirst, task.fixedCount, &fixedCount0,
                          kgraph->mapping.domains, true) != 0) {
      errorPrint("kgraphMapRbPart2: cannot create bipartition graph");
      return 1;
    }
    if (bgraphBipartSt(&bgraph, data->param->sep) != 0) {
      errorPrint("kgraphMapRbPart2: cannot bipartition graph");
      bgraphExit(&bgraph);
      return 1;
    }
    const GraphNum size0 = bgraph.part0Size;
    const GraphNum size1 = graph.vertexCount - size0;
    if (variable && ((size0 == 0) || (size1 == 0))) {  // no split: the whole graph is one domain
      bgraphExit(&bgraph);
      if (kgraphMapRbPartLeaf(data, graph, task.domain) != 0) return 1;
      continue;
    }

    // Part 1 is pushed first, so that part 0 is mapped first. A side that
    // holds every vertex keeps the graph itself.
    PartTask sides[2];
    const GraphNum sizes[2] = {size0, size1};
    for (int side = 0; side < 2; side++) {
      sides[side] = PartTask{{}, false, halves[side], (side == 0) ? task.fixedFirst : task.fixedFirst + fixedCount0,
                             (side == 0) ? fixedCount0 : task.fixedCount - fixedCount0};
      graphInit(&sides[side].graph);
      sides[side].graph.flags = 0;
      if (sizes[side] == graph.vertexCount) {
        sides[side].graph = graph;
        sides[side].owned = task.owned;
        task.owned = false;
      } else if ((sizes[side] > 0) &&
                 (graphInducePart(&graph, bgraph.parts, sizes[side], static_cast<uint8_t>(side), &sides[side].graph) !=
                  0)) {
        errorPrint("kgraphMapRbPart2: cannot induce graph");
        if (side == 1) graphExit(&sides[0].graph);
        bgraphExit(&bgraph);
        return 1;
      } else
        sides[side].owned = sizes[side] > 0;
    }
    bgraphExit(&bgraph);
    stack.push_back(sides[1]);
    stack.push_back(sides[0]);
  }
  return 0;
}

}  // namespace

int kgraphMapRbPart(KgraphMapRbData* data) {
  Kgraph* kgraph = data->kgraph;
  kgraph->mapping.domainCount = 0;
  std::vector<PartTask> stack;
  int result;
  try {
    stack.push_back(PartTask{*data->graph, false, kgraph->mapping.initialDomain, 0, data->fixedCount});
    result = kgraphMapRbPart2(data, stack);
  } catch (const std::bad_alloc&) {
    errorPrint("kgraphMapRbPart: out of memory");
    result = 1;
  }
  for (PartTask& task : stack)
    if (task.owned) graphExit(&task.graph);
  // A graph without vertices still needs a domain for the mapping to be
  // whole; its fixed vertices (if any) find theirs when they are merged.
  if ((result == 0) && (kgraph->mapping.domainCount == 0)) {
    kgraph->mapping.domainCount = 1;
    kgraph->mapping.domains[0] = kgraph->mapping.initialDomain;
    for (GraphNum vertex = kgraph->graph.base; vertex < kgraph->graph.vertexEnd; vertex++)
      kgraph->mapping.parts[vertex] = 0;
  }
  return result;
}
