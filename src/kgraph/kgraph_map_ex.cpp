// Mapping method x: greedy load rebalancing. Every domain of one terminal
// gets a load bound from its weight and the "bal" ratio; the vertices are
// taken one by one and added to the load of their domain, and a vertex that
// would overload its domain goes to the nearest terminal domain, by the
// architecture's own split tree, where it fits.
//
// Order of the vertices: fixed vertices first (they never move but fill
// their domains), then the vertices with no neighbour in another domain,
// then the frontier vertices. The vertices that overflow a domain are thus
// taken from its border, where moving them costs the least communication.
#include <algorithm>
#include <climits>

#include "kgraph/kgraph.h"

namespace {

// A node of the split tree: a domain of the architecture and its children,
// or a leaf standing for one terminal domain of the mapping.
struct ExNode {
  ArchDom domain;
  GraphNum parent;
  GraphNum child[2];    // -1 when absent
  GraphNum domainIndex; // leaf: index of the mapping domain; -1 otherwise
};

// A terminal domain of the mapping, by terminal number.
struct ExPair {
  GraphNum terminal;
  GraphNum domainIndex;
};

class ExTree {
 public:
  ExTree(const Kgraph* kgraph, GraphNum* leafOf) : kgraph_(kgraph), leafOf_(leafOf) {}

  // Builds the tree of the domain over its pairs; returns the node index,
  // or -1 when memory runs out.
  GraphNum build(const ArchDom& domain, ExPair* pairs, GraphNum count, GraphNum parent) {
    const GraphNum node = static_cast<GraphNum>(nodes_.size());
    nodes_.push_back(ExNode{domain, parent, {-1, -1}, -1});
    const Arch* arch = &kgraph_->arch;
    bool single = true;  // every pair names the same terminal
    for (GraphNum index = 1; index < count; index++) single &= (pairs[index].terminal == pairs[0].terminal);
    ArchDom halves[2];
    if (single || (archDomBipart(arch, &domain, &halves[0], &halves[1]) != 0)) {
      nodes_[static_cast<size_t>(node)].domain = kgraph_->mapping.domains[pairs[0].domainIndex];
      nodes_[static_cast<size_t>(node)].domainIndex = pairs[0].domainIndex;
      for (GraphNum index = 0; index < count; index++) leafOf_[pairs[index].domainIndex] = node;
      return node;
    }
    // Pairs of the first half first, each half still sorted by terminal.
    ExPair* middle = std::stable_partition(pairs, pairs + count, [&](const ExPair& pair) {
      return archDomIncludes(arch, &halves[0], &kgraph_->mapping.domains[pair.domainIndex]) != 0;
    });
    const GraphNum firstCount = static_cast<GraphNum>(middle - pairs);
    GraphNum slot = 0;
    if (firstCount > 0) {
      const GraphNum child = build(halves[0], pairs, firstCount, node);
      nodes_[static_cast<size_t>(node)].child[slot++] = child;
    }
    if (firstCount < count) {
      const GraphNum child = build(halves[1], middle, count - firstCount, node);
      nodes_[static_cast<size_t>(node)].child[slot++] = child;
    }
    return node;
  }

  const ExNode& node(GraphNum index) const { return nodes_[static_cast<size_t>(index)]; }

 private:
  const Kgraph* kgraph_;
  GraphNum* leafOf_;
  std::vector<ExNode> nodes_;
};

// The search for a domain where a vertex fits: the smallest relative
// overload among the terminal domains visited, stopping at the first fit.
struct ExSearch {
  const Kgraph* kgraph;
  const ExTree* tree;
  const int64_t* accumulated;
  const int64_t* bound;
  const GraphNum* weight;
  const ArchDom* origin;  // the vertex's domain, from which nearness is measured
  GraphNum load;
  GraphNum bestIndex = -1;
  double bestOverload = 0.0;

  double overload(GraphNum index) const {
    return static_cast<double>(accumulated[index] + load - bound[index]) / static_cast<double>(weight[index]);
  }

  // Visits a subtree, nearer child first; true once a fit is found.
  bool visit(GraphNum nodeIndex) {
    const ExNode& node = tree->node(nodeIndex);
    if (node.domainIndex >= 0) {
      const double value = overload(node.domainIndex);
      if ((bestIndex < 0) || (value < bestOverload)) {
        bestIndex = node.domainIndex;
        bestOverload = value;
      }
      return value <= 0.0;
    }
    GraphNum first = node.child[0];
    GraphNum second = node.child[1];
    if ((second >= 0) && (archDomDist(&kgraph->arch, origin, &tree->node(second).domain) <
                          archDomDist(&kgraph->arch, origin, &tree->node(first).domain)))
      std::swap(first, second);
    return visit(first) || ((second >= 0) && visit(second));
  }
};

}  // namespace

int kgraphMapEx(Kgraph* kgraph, const void* parameters) {
  const KgraphMapExParam* param = static_cast<const KgraphMapExParam*>(parameters);
  const Graph& graph = kgraph->graph;
  Mapping& mapping = kgraph->mapping;
  const Arch* arch = &kgraph->arch;
  const double balance = (param->bal > 0.0) ? param->bal : 0.0;  // not a number counts as 0
  if (mapping.domainCount == 0) kgraphFirst(kgraph);
  kgraph->balanceRatio = param->bal;

  const size_t domainCount = static_cast<size_t>(mapping.domainCount);
  int64_t* accumulated;
  int64_t* bound;
  GraphNum* weight;
  GraphNum* leafOf;
  ExPair* pairs;
  ScratchBlock block(memGroupAlloc({memEntry(accumulated, domainCount * sizeof(int64_t)),
                                    memEntry(bound, domainCount * sizeof(int64_t)),
                                    memEntry(weight, domainCount * sizeof(GraphNum)),
                                    memEntry(leafOf, domainCount * sizeof(GraphNum)),
                                    memEntry(pairs, domainCount * sizeof(ExPair))}));
  if (block == nullptr) {
    errorPrint("kgraphMapEx: out of memory");
    return 1;
  }

  // The terminal domains, their weights and bounds.
  GraphNum pairCount = 0;
  int64_t weightSum = 0;
  for (GraphNum index = 0; index < mapping.domainCount; index++) {
    accumulated[index] = 0;
    leafOf[index] = -1;
    const GraphNum domainWeight = archDomWeight(arch, &mapping.domains[index]);
    weight[index] = (domainWeight > 0) ? domainWeight : 1;
    if (archDomSize(arch, &mapping.domains[index]) != 1) continue;
    pairs[pairCount++] = ExPair{archDomNumber(arch, &mapping.domains[index]), index};
    weightSum += weight[index];
  }
  if (pairCount == 0) return 0;  // no terminal domain to balance
  const double wholeWeight = (archVar(arch) != 0) ? static_cast<double>(weightSum)
                                                  : static_cast<double>(archDomWeight(arch, &mapping.initialDomain));
  for (GraphNum index = 0; index < mapping.domainCount; index++) {
    const double limit =
        static_cast<double>(graph.vertexLoadSum) * weight[index] * (1.0 + balance) / wholeWeight;
    bound[index] = (limit < 4.0e18) ? static_cast<int64_t>(limit) : static_cast<int64_t>(4.0e18);
  }
  std::sort(pairs, pairs + pairCount, [](const ExPair& a, const ExPair& b) { return a.terminal < b.terminal; });

  ExTree tree(kgraph, leafOf);
  GraphNum root;
  try {
    root = tree.build(mapping.initialDomain, pairs, pairCount, -1);
  } catch (const std::bad_alloc&) {
    errorPrint("kgraphMapEx: out of memory");
    return 1;
  }
  static_cast<void>(root);

  const GraphNum* vertexLoad = graph.vertexLoad;
  const GraphNum* fixed = kgraph->fixedTerminals;
  GraphNum* parts = mapping.parts;
  auto loadOf = [&](GraphNum vertex) { return (vertexLoad != nullptr) ? vertexLoad[vertex] : 1; };
  auto isFixed = [&](GraphNum vertex) { return (fixed != nullptr) && (fixed[vertex] != -1); };
  auto onFrontier = [&](GraphNum vertex) {
    for (GraphNum edge = graph.edgeBegin[vertex]; edge < graph.edgeEnd[vertex]; edge++)
      if (parts[graph.edgeTarget[edge]] != parts[vertex]) return true;
    return false;
  };

  // A vertex moves only when its domain's load so far goes beyond the
  // bound, which cannot happen when no domain's whole load does: the
  // frontier and the rounds are then spared (the usual case, after a
  // balanced mapping).
  for (GraphNum vertex = graph.base; vertex < graph.vertexEnd; vertex++) accumulated[parts[vertex]] += loadOf(vertex);
  bool overloaded = false;
  for (size_t index = 0; index < domainCount; index++) {
    overloaded |= accumulated[index] > bound[index];
    accumulated[index] = 0;
  }
  if (!overloaded) return 0;

  for (GraphNum vertex = graph.base; vertex < graph.vertexEnd; vertex++)
    if (isFixed(vertex)) accumulated[parts[vertex]] += loadOf(vertex);

  // Second round: interior vertices; third round: frontier vertices. The
  // frontier is judged on the mapping as it was on entry.
  std::vector<bool> frontier;
  try {
    frontier.assign(static_cast<size_t>(graph.vertexCount), false);
  } catch (const std::bad_alloc&) {
    errorPrint("kgraphMapEx: out of memory");
    return 1;
  }
  for (GraphNum vertex = graph.base; vertex < graph.vertexEnd; vertex++)
    frontier[static_cast<size_t>(vertex - graph.base)] = onFrontier(vertex);
  GraphNum moves = 0;
  for (int round = 0; round < 2; round++) {
    for (GraphNum vertex = graph.base; vertex < graph.vertexEnd; vertex++) {
      if (isFixed(vertex) || (frontier[static_cast<size_t>(vertex - graph.base)] != (round == 1))) continue;
      const GraphNum part = parts[vertex];
      const GraphNum load = loadOf(vertex);
      GraphNum leaf = leafOf[part];
      if ((leaf < 0) || (accumulated[part] + load <= bound[part])) {
        accumulated[part] += load;
        continue;
      }
      ExSearch search{kgraph, &tree, accumulated, bound, weight, &mapping.domains[part], load};
      const double stay = search.overload(part);
      for (GraphNum node = leaf; tree.node(node).parent >= 0; node = tree.node(node).parent) {
        const ExNode& parent = tree.node(tree.node(node).parent);
        const GraphNum sibling = (parent.child[0] == node) ? parent.child[1] : parent.child[0];
        if ((sibling >= 0) && search.visit(sibling)) break;
      }
      const GraphNum target = ((search.bestIndex >= 0) && (search.bestOverload < stay)) ? search.bestIndex : part;
      parts[vertex] = target;
      accumulated[target] += load;
      moves += (target != part);
    }
  }

  if (moves > 0) {  // otherwise the figures on entry stand
    kgraphFrontier(kgraph);
    kgraphCost(kgraph);
  }
  return 0;
}
