// Walking long strategy chains without deep recursion, for the dispatchers
// of every graph kind.
//
// The parser builds sequences and selections left-deep: "a b c d" is
// ((a b) c) d and "a|b|c|d" is ((a|b)|c)|d, so the depth of the tree grows
// with the length of the text. A dispatcher therefore walks such a chain
// with a loop over its left spine and recurses only into the operands that
// are not part of it, whose depth is that of the parentheses and
// conditions of the text, which the parser bounds.
#pragma once

#include "strat/strat.h"

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

// ((a b) c) d on a graph object: runs a, b, c and d in turn with the
// dispatcher, stopping at the first failure, whose result is returned.
// outOfMemory is the dispatcher's message for a chain array that cannot be
// allocated.
template <class GraphObject>
int stratChainConcat(GraphObject* graph, const Strat* strat, int (*dispatch)(GraphObject*, const Strat*),
                     const char* outOfMemory) {
  StratChain chain;
  if (!chain.collect(strat)) {
    errorPrint("%s", outOfMemory);
    return 1;
  }
  for (size_t index = 0; index < chain.operandCount(); index++) {
    const int result = dispatch(graph, chain.operand(index));
    if (result != 0) return result;
  }
  return 0;
}

// The branch of a condition node to run on the graph object: the first
// strategy when the test holds, else the second one, which may be null
// (nothing to run). Returns the evaluation's result, 0 on success.
inline int stratCondBranch(const Strat* strat, const void* graph, const Strat** branch) {
  StratTest value = {};
  const int result = stratTestEvaluate(strat->data.cond.test, &value, graph);
  if (result != 0) return result;
  *branch = (value.data.intValue == 1) ? strat->data.cond.first : strat->data.cond.second;
  return 0;
}

// The dispatcher of a graph kind: runs a strategy node on a graph object,
// sequences through stratChainConcat, conditions followed by a loop, empty
// strategies as success, methods called with their parameter blocks, and
// selections through the kind's own rule. name prefixes the messages.
template <class GraphObject>
int stratDispatch(GraphObject* graph, const Strat* strat, int (*dispatch)(GraphObject*, const Strat*),
                  int (*select)(GraphObject*, const Strat*), const char* name) {
  typedef int (*Method)(GraphObject*, const void*);
  for (;;) {
    switch (strat->kind) {
      case STRAT_CONCAT: {
        char message[96];
        snprintf(message, sizeof(message), "%s: out of memory", name);
        return stratChainConcat(graph, strat, dispatch, message);
      }
      case STRAT_COND: {
        const Strat* branch = nullptr;
        const int result = stratCondBranch(strat, graph, &branch);
        if ((result != 0) || (branch == nullptr)) return result;
        strat = branch;
        continue;
      }
      case STRAT_EMPTY:
        return 0;
      case STRAT_METHOD: {
        const Method function = reinterpret_cast<Method>(strat->table->methods[strat->data.method.method].function);
        return function(graph, strat->data.method.paramBlock);
      }
      case STRAT_SELECT:
        return select(graph, strat);
      default:
        errorPrint("%s: invalid strategy node", name);
        return 1;
    }
  }
}
