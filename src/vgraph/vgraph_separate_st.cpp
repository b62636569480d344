// The separation dispatcher: runs a separation strategy tree on a
// separation graph.
//
// The parser builds sequences and selections left-deep: "a b c d" is
// ((a b) c) d and "a|b|c|d" is ((a|b)|c)|d, so the depth of the tree grows
// with the length of the text. The dispatcher therefore walks such a chain
// with a loop over its left spine and recurses only into the operands that
// are not part of it, whose depth is that of the parentheses and
// conditions of the text, which the parser bounds. Conditions are followed
// by a loop as well.
#include <cstdlib>

#include "vgraph/vgraph.h"

namespace {

// The left spine of a chain of nodes of one kind (concatenation or
// selection): the chain's nodes from the top down, and the first node
// below them of another kind, the chain's first operand. Short chains live
// in the record; longer ones in an array of their own.
class StratChain {
 public:
  StratChain() = default;
  StratChain(const StratChain&) = delete;
  StratChain& operator=(const StratChain&) = delete;
  ~StratChain() {
    if (nodes_ != local_) memFree(nodes_);
  }

  // Collects the chain that starts at top; false when its array cannot be
  // allocated.
  bool collect(const Strat* top) {
    const int kind = top->kind;
    size_t length = 0;
    const Strat* node = top;
    for (; node->kind == kind; node = node->data.concat.first) length++;
    first_ = node;
    if (length > kLocal) {
      nodes_ = static_cast<const Strat**>(memAlloc(length * sizeof(const Strat*)));
      if (nodes_ == nullptr) {
        nodes_ = local_;
        return false;
      }
    }
    length_ = length;
    node = top;
    for (size_t index = 0; index < length; index++, node = node->data.concat.first) nodes_[index] = node;
    return true;
  }

  // The chain's first operand, then the second operands bottom up: operand
  // 0 is the first operand, operand k (1 <= k <= length) the second
  // operand of the k-th node from the bottom.
  size_t operandCount() const { return length_ + 1; }
  const Strat* operand(size_t index) const {
    return (index == 0) ? first_ : nodes_[length_ - index]->data.concat.second;
  }

 private:
  static constexpr size_t kLocal = 32;
  const Strat* local_[kLocal];
  const Strat** nodes_ = local_;
  size_t length_ = 0;
  const Strat* first_ = nullptr;
};

// ((a b) c) d: runs a, b, c and d in turn, stopping at the first failure,
// whose result is returned.
int vgraphSeparateConcat(Vgraph* graph, const Strat* strat) {
  StratChain chain;
  if (!chain.collect(strat)) {
    errorPrint("vgraphSeparateSt: out of memory");
    return 1;
  }
  for (size_t index = 0; index < chain.operandCount(); index++) {
    const int result = vgraphSeparateSt(graph, chain.operand(index));
    if (result != 0) return result;
  }
  return 0;
}

// Whether the saved separation beats the graph's current one: a smaller
// separator load, or the same load and a smaller imbalance.
bool vgraphStoreBetter(const Vgraph* graph, const VgraphStore* store) {
  const GraphNum separatorLoad = graph->graph.vertexLoadSum - store->partLoad0 - store->partLoad1;
  return (separatorLoad < graph->partLoad[2]) ||
         ((separatorLoad == graph->partLoad[2]) && (abs(store->loadDelta) < abs(graph->loadDelta)));
}

// Runs every alternative of ((a|b)|c)|d from the same starting state and
// keeps the best result: the smaller separator load, then the smaller
// imbalance; on a full tie the later alternative's result stays. A failed
// alternative counts as the starting state, so a selection never fails once
// its stores exist. Going through the alternatives in turn with one store
// for the best result so far is what nested two-way selections do, each
// keeping the better of its first alternative's result and its second's.
int vgraphSeparateSelect(Vgraph* graph, const Strat* strat) {
  StratChain chain;
  VgraphStore stores[2] = {};  // stores[0]: best result so far, stores[1]: starting state
  if (!chain.collect(strat) || (vgraphStoreInit(graph, &stores[0]) != 0) ||
      (vgraphStoreInit(graph, &stores[1]) != 0)) {
    errorPrint("vgraphSeparateSt: out of memory");
    vgraphStoreExit(&stores[0]);
    return 1;
  }

  vgraphStoreSave(graph, &stores[1]);
  for (size_t index = 0; index < chain.operandCount(); index++) {
    if (index > 0) {
      vgraphStoreSave(graph, &stores[0]);
      vgraphStoreRestore(graph, &stores[1]);
    }
    if (vgraphSeparateSt(graph, chain.operand(index)) != 0) vgraphStoreRestore(graph, &stores[1]);
    if ((index > 0) && vgraphStoreBetter(graph, &stores[0])) vgraphStoreRestore(graph, &stores[0]);
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
        return vgraphSeparateConcat(graph, strat);
      case STRAT_COND: {
        StratTest value = {};
        const int result = stratTestEvaluate(strat->data.cond.test, &value, graph);
        if (result != 0) return result;
        if (value.data.intValue == 1) {
          strat = strat->data.cond.first;
        } else {
          if (strat->data.cond.second == nullptr) return 0;
          strat = strat->data.cond.second;
        }
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
