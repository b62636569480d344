// Strategy trees: the shared empty strategy, releasing trees, evaluating
// conditions, writing trees back as text, and the locked parser entry.
//
// The grammar builds sequences, selections and arithmetic or logical
// chains left-recursively, so a long chain such as a|b|c|... or 1+1+1+...
// is a tree whose depth grows with the text without any nesting in it.
// Every walk below therefore follows first operands with a loop or an
// explicit stack, and recurses only into the other operands, whose depth
// is bounded by the nesting that the parser accepts.
#include <cmath>
#include <cstring>
#include <mutex>

#include "strat/strat.h"

namespace {

const StratMethod emptyMethods[] = {{-1, nullptr, nullptr, nullptr}};
const StratParam emptyParams[] = {{-1, 0, nullptr, nullptr, nullptr, nullptr}};
const StratTab emptyTable = {emptyMethods, emptyParams, emptyParams};

// The nodes of a left spine, top first. Should the stack fail to grow, the
// walk stops there and the rest of the spine is handled by recursion.
template <class Node>
class Spine {
 public:
  Spine() = default;
  Spine(const Spine&) = delete;
  Spine& operator=(const Spine&) = delete;
  ~Spine() {
    if (nodes_ != local_) memFree(nodes_);
  }

  bool push(const Node* node) {
    if (count_ == capacity_) {
      const size_t capacity = capacity_ * 2;
      const Node** nodes = static_cast<const Node**>((nodes_ == local_) ? memAlloc(capacity * sizeof(Node*))
                                                                         : memRealloc(nodes_, capacity * sizeof(Node*)));
      if (nodes == nullptr) return false;
      if (nodes_ == local_) memcpy(nodes, local_, count_ * sizeof(Node*));
      nodes_ = nodes;
      capacity_ = capacity;
    }
    nodes_[count_++] = node;
    return true;
  }
  size_t size() const { return count_; }
  const Node* operator[](size_t index) const { return nodes_[index]; }

 private:
  const Node* local_[8];
  const Node** nodes_ = local_;
  size_t count_ = 0;
  size_t capacity_ = 8;
};

bool isBinaryTest(int kind) { return (kind == TEST_OR) || (kind == TEST_AND) || ((kind >= TEST_EQ) && (kind <= TEST_MOD)); }

bool isChain(int kind) { return (kind == STRAT_CONCAT) || (kind == STRAT_SELECT); }

// Where a parameter's value lies in a method node, or null when the table
// places it outside the block.
const unsigned char* paramField(const Strat* strat, const StratParam& param, size_t size) {
  const ptrdiff_t offset = stratParamOffset(param);
  if ((offset < 0) || (static_cast<size_t>(offset) + size > STRAT_PARAM_BLOCK_SIZE)) return nullptr;
  return strat->data.method.paramBlock + offset;
}

const StratMethod* methodEntry(const Strat* strat) {
  if (strat->table == nullptr) return nullptr;
  for (const StratMethod* method = strat->table->methods; method->name != nullptr; method++)
    if (method->number == strat->data.method.method) return method;
  return nullptr;
}

// ---------------------------------------------------------------------------
// Evaluation

struct TestValue {
  int type;  // StratValueType
  GraphNum intValue;  // integer and logical values
  double doubleValue;
};

TestValue logicalValue(bool truth) { return {VALUE_LOGICAL, truth ? 1 : 0, 0.0}; }

bool isTrue(const TestValue& value) {
  return (value.type == VALUE_DOUBLE) ? (value.doubleValue != 0.0) : (value.intValue != 0);
}

double asDouble(const TestValue& value) {
  return (value.type == VALUE_DOUBLE) ? value.doubleValue : static_cast<double>(value.intValue);
}

TestValue evaluate(const StratTest* test, const void* graph);

// Integer operations wrap around in 32 bits instead of overflowing.
GraphNum integerOperation(int kind, GraphNum left, GraphNum right) {
  const uint32_t a = static_cast<uint32_t>(left);
  const uint32_t b = static_cast<uint32_t>(right);
  switch (kind) {
    case TEST_ADD:
      return static_cast<GraphNum>(a + b);
    case TEST_SUB:
      return static_cast<GraphNum>(a - b);
    case TEST_MUL:
      return static_cast<GraphNum>(a * b);
    default:  // TEST_MOD: by 0 keeps the dividend; by -1 the remainder is 0, even for the smallest value
      if (right == 0) return left;
      if (right == -1) return 0;
      return left % right;
  }
}

// The value of a two-operand node, given the value of its left operand.
TestValue evaluateStep(const StratTest* node, const TestValue& left, const void* graph) {
  const StratTest* rightOperand = node->data.operands[1];
  switch (node->kind) {
    case TEST_OR:
      return isTrue(left) ? left : evaluate(rightOperand, graph);
    case TEST_AND:
      return isTrue(left) ? evaluate(rightOperand, graph) : left;
    case TEST_EQ:
    case TEST_GT:
    case TEST_LT: {
      const TestValue right = evaluate(rightOperand, graph);
      if ((left.type == VALUE_LOGICAL) || (right.type == VALUE_LOGICAL)) return logicalValue(false);
      int relation;
      if ((left.type == VALUE_INT) && (right.type == VALUE_INT))
        relation = (left.intValue < right.intValue) ? TEST_LT : (left.intValue > right.intValue) ? TEST_GT : TEST_EQ;
      else {
        const double a = asDouble(left);
        const double b = asDouble(right);
        relation = (a < b) ? TEST_LT : (a > b) ? TEST_GT : TEST_EQ;  // unordered values compare equal
      }
      return logicalValue(relation == node->kind);
    }
    default: {
      const TestValue right = evaluate(rightOperand, graph);
      if ((left.type != VALUE_DOUBLE) && (right.type != VALUE_DOUBLE))
        return {VALUE_INT, integerOperation(node->kind, left.intValue, right.intValue), 0.0};
      const double a = asDouble(left);
      const double b = asDouble(right);
      double result;
      switch (node->kind) {
        case TEST_ADD:
          result = a + b;
          break;
        case TEST_SUB:
          result = a - b;
          break;
        case TEST_MUL:
          result = a * b;
          break;
        default:
          result = std::fmod(a, b);
          break;
      }
      return {VALUE_DOUBLE, 0, result};
    }
  }
}

TestValue evaluate(const StratTest* test, const void* graph) {
  switch (test->kind) {
    case TEST_NOT: {
      size_t count = 0;
      for (; test->kind == TEST_NOT; test = test->data.operands[0]) count++;
      TestValue value = evaluate(test, graph);
      for (; count > 0; count--) value = logicalValue(!isTrue(value));
      return value;
    }
    case TEST_VALUE:
      if (test->valueType == VALUE_DOUBLE) return {VALUE_DOUBLE, 0, test->data.doubleValue};
      return {test->valueType, test->data.intValue, 0.0};
    case TEST_VAR: {
      const unsigned char* field = static_cast<const unsigned char*>(graph) + test->data.var.displacement;
      if (test->valueType == VALUE_DOUBLE) {
        double value;
        memcpy(&value, field, sizeof(value));
        return {VALUE_DOUBLE, 0, value};
      }
      GraphNum value;
      memcpy(&value, field, sizeof(value));
      return {VALUE_INT, value, 0.0};
    }
    default:
      break;
  }
  Spine<StratTest> spine;
  const StratTest* bottom = test;
  while (isBinaryTest(bottom->kind) && spine.push(bottom)) bottom = bottom->data.operands[0];
  TestValue value = evaluate(bottom, graph);
  for (size_t index = spine.size(); index-- > 0;) value = evaluateStep(spine[index], value, graph);
  return value;
}

// ---------------------------------------------------------------------------
// Writing

bool writeText(FILE* stream, const char* text) { return fputs(text, stream) != EOF; }

bool writeChar(FILE* stream, int character) { return fputc(character, stream) != EOF; }

// An operand is enclosed when it binds no more tightly than its operator.
// A difference to the right of a sum is enclosed too: the two share one
// precedence level in the grammar, so a+(b-c) written bare would read back
// as (a+b)-c.
bool leftEnclosed(const StratTest* operand, const StratTest* node) { return operand->kind <= node->kind; }
bool rightEnclosed(const StratTest* operand, const StratTest* node) {
  return (operand->kind <= node->kind) || ((node->kind == TEST_ADD) && (operand->kind == TEST_SUB));
}

int testSave(const StratTest* test, FILE* stream) {
  if (test == nullptr) return 1;
  switch (test->kind) {
    case TEST_NOT: {
      size_t count = 0;
      for (; test->kind == TEST_NOT; test = test->data.operands[0]) count++;
      for (size_t index = 0; index < count; index++)
        if (!writeText(stream, "!(")) return 1;
      if (testSave(test, stream) != 0) return 1;
      for (size_t index = 0; index < count; index++)
        if (!writeChar(stream, ')')) return 1;
      return 0;
    }
    case TEST_VALUE:
      if (test->valueType == VALUE_DOUBLE) return (fprintf(stream, "%lf", test->data.doubleValue) < 0) ? 1 : 0;
      return (fprintf(stream, "%d", test->data.intValue) < 0) ? 1 : 0;
    case TEST_VAR: {
      const StratTab* table = test->data.var.table;
      if (table != nullptr)
        for (const StratParam* variable = table->variables; variable->name != nullptr; variable++)
          if (stratParamOffset(*variable) == test->data.var.displacement) return writeText(stream, variable->name) ? 0 : 1;
      errorPrint("stratTestSave: invalid variable displacement");
      return 1;
    }
    default:
      if (!isBinaryTest(test->kind)) return 1;
      break;
  }

  // ((a op1 b) op2 c) op3 d: the opening parentheses of the spine first,
  // outermost first, then the bottom, then each operator and its right
  // operand from the innermost up.
  Spine<StratTest> spine;
  const StratTest* bottom = test;
  while (isBinaryTest(bottom->kind) && spine.push(bottom)) bottom = bottom->data.operands[0];
  const size_t count = spine.size();
  auto leftOf = [&](size_t index) { return (index + 1 < count) ? spine[index + 1] : bottom; };
  for (size_t index = 0; index < count; index++)
    if (leftEnclosed(leftOf(index), spine[index]) && !writeChar(stream, '(')) return 1;
  if (testSave(bottom, stream) != 0) return 1;
  for (size_t index = count; index-- > 0;) {
    const StratTest* node = spine[index];
    const StratTest* right = node->data.operands[1];
    if (leftEnclosed(leftOf(index), node) && !writeChar(stream, ')')) return 1;
    if (!writeChar(stream, STRAT_TEST_OPERATORS[node->kind])) return 1;
    const bool enclosed = rightEnclosed(right, node);
    if (enclosed && !writeChar(stream, '(')) return 1;
    if (testSave(right, stream) != 0) return 1;
    if (enclosed && !writeChar(stream, ')')) return 1;
  }
  return 0;
}

// Each level of the tree that sees a write fail reports it once.
int badOutput(size_t levels) {
  for (; levels > 0; levels--) errorPrint("stratSave: bad output");
  return 1;
}

int saveNode(const Strat* strat, FILE* stream);

int saveMethod(const Strat* strat, FILE* stream) {
  const StratMethod* method = methodEntry(strat);
  if ((method == nullptr) || (fprintf(stream, "%s", method->name) < 0)) return badOutput(1);
  int written = 0;
  for (const StratParam* param = strat->table->params; param->name != nullptr; param++) {
    if ((param->method != method->number) || ((param->type & STRAT_PARAM_IGNORED) != 0)) continue;
    if (fprintf(stream, "%c%s=", (written == 0) ? '{' : ',', param->name) < 0) return badOutput(1);
    written++;
    int status = 0;
    switch (param->type) {
      case STRAT_PARAM_CASE: {
        const unsigned char* field = paramField(strat, *param, sizeof(int));
        const char* choices = static_cast<const char*>(param->selector);
        if ((field == nullptr) || (choices == nullptr)) break;
        int index;
        memcpy(&index, field, sizeof(index));
        if ((index < 0) || (static_cast<size_t>(index) >= strlen(choices)) || !writeChar(stream, choices[index]))
          status = 1;
        break;
      }
      case STRAT_PARAM_DOUBLE: {
        const unsigned char* field = paramField(strat, *param, sizeof(double));
        if (field == nullptr) break;
        double value;
        memcpy(&value, field, sizeof(value));
        status = (fprintf(stream, "%g", value) < 0) ? 1 : 0;
        break;
      }
      case STRAT_PARAM_INT: {
        const unsigned char* field = paramField(strat, *param, sizeof(GraphNum));
        if (field == nullptr) break;
        GraphNum value;
        memcpy(&value, field, sizeof(value));
        status = (fprintf(stream, "%d", value) < 0) ? 1 : 0;
        break;
      }
      case STRAT_PARAM_STRAT: {
        const unsigned char* field = paramField(strat, *param, sizeof(Strat*));
        if (field == nullptr) break;
        const Strat* value;
        memcpy(&value, field, sizeof(value));
        status = saveNode(value, stream);
        break;
      }
      case STRAT_PARAM_STRING: {
        const unsigned char* field = paramField(strat, *param, 1);
        if (field == nullptr) break;
        const int room = static_cast<int>(strat->data.method.paramBlock + STRAT_PARAM_BLOCK_SIZE - field);
        status = (fprintf(stream, "%.*s", room, reinterpret_cast<const char*>(field)) < 0) ? 1 : 0;
        break;
      }
      default:
        break;
    }
    if (status != 0) return badOutput(1);
  }
  if ((written > 0) && !writeChar(stream, '}')) return badOutput(1);
  return 0;
}

// A spine of concatenations and selections: ((a|b)c|d) is written as the
// opening parentheses of its selections, outermost first, then the bottom
// node, then the second operands from the innermost up.
int saveChain(const Strat* strat, FILE* stream) {
  Spine<Strat> spine;
  const Strat* bottom = strat;
  while (isChain(bottom->kind) && spine.push(bottom)) bottom = bottom->data.concat.first;
  const size_t count = spine.size();
  for (size_t index = 0; index < count; index++)
    if ((spine[index]->kind == STRAT_SELECT) && !writeChar(stream, '(')) return badOutput(index + 1);
  if (saveNode(bottom, stream) != 0) return badOutput(count);
  for (size_t index = count; index-- > 0;) {
    const Strat* node = spine[index];
    const bool written = (node->kind == STRAT_SELECT)
                             ? (writeChar(stream, '|') && (saveNode(node->data.concat.second, stream) == 0) &&
                                writeChar(stream, ')'))
                             : (saveNode(node->data.concat.second, stream) == 0);
    if (!written) return badOutput(index + 1);
  }
  return 0;
}

int saveNode(const Strat* strat, FILE* stream) {
  if (strat == nullptr) return 0;
  switch (strat->kind) {
    case STRAT_CONCAT:
    case STRAT_SELECT:
      return saveChain(strat, stream);
    case STRAT_COND: {
      const bool written =
          writeText(stream, "(/(") && (stratTestSave(strat->data.cond.test, stream) == 0) &&
          writeText(stream, ")?(") && (saveNode(strat->data.cond.first, stream) == 0) &&
          ((strat->data.cond.second == nullptr) ||
           (writeText(stream, "):(") && (saveNode(strat->data.cond.second, stream) == 0))) &&
          writeText(stream, ");)");
      return written ? 0 : badOutput(1);
    }
    case STRAT_METHOD:
      return saveMethod(strat, stream);
    default:  // empty
      return 0;
  }
}

}  // namespace

Strat stratEmpty = {&emptyTable, STRAT_EMPTY, {}};

void stratTestRelease(StratTest* test) {
  while (test != nullptr) {
    StratTest* next = nullptr;
    if (test->kind == TEST_NOT)
      next = test->data.operands[0];
    else if (isBinaryTest(test->kind)) {
      stratTestRelease(test->data.operands[1]);
      next = test->data.operands[0];
    }
    memFree(test);
    test = next;
  }
}

void stratRelease(Strat* strat) {
  while ((strat != nullptr) && (strat != &stratEmpty)) {
    Strat* next = nullptr;
    switch (strat->kind) {
      case STRAT_CONCAT:
      case STRAT_SELECT:
        stratRelease(strat->data.concat.second);
        next = strat->data.concat.first;
        break;
      case STRAT_COND:
        stratTestRelease(strat->data.cond.test);
        stratRelease(strat->data.cond.second);
        next = strat->data.cond.first;
        break;
      case STRAT_METHOD:
        if (strat->table != nullptr)
          for (const StratParam* param = strat->table->params; param->name != nullptr; param++) {
            if ((param->method != strat->data.method.method) || (param->type != STRAT_PARAM_STRAT)) continue;
            const unsigned char* field = paramField(strat, *param, sizeof(Strat*));
            if (field == nullptr) continue;
            Strat* value;
            memcpy(&value, field, sizeof(value));
            stratRelease(value);
          }
        break;
      default:
        break;
    }
    memFree(strat);
    strat = next;
  }
}

int stratTestEvaluate(const StratTest* test, StratTest* result, const void* graphObject) {
  const TestValue value = evaluate(test, graphObject);
  memset(&result->data, 0, sizeof(result->data));
  result->kind = TEST_VALUE;
  result->valueType = value.type;
  if (value.type == VALUE_DOUBLE)
    result->data.doubleValue = value.doubleValue;
  else
    result->data.intValue = value.intValue;
  return 0;
}

// Strategy texts are short: they usually stay in the stream's buffer, and
// a failure to write them shows only when the buffer is delivered.
int stratSave(const Strat* strat, FILE* stream) {
  if (saveNode(strat, stream) != 0) return 1;
  if (fflush(stream) != 0) {
    errorPrint("stratSave: bad output");
    return 1;
  }
  return 0;
}

int stratTestSave(const StratTest* test, FILE* stream) { return testSave(test, stream); }

Strat* stratBuild(const StratTab* table, const char* text) {
  // The parser keeps its state in process-wide variables: one parse at a
  // time. The lock is made on first use and never destroyed, since the
  // error printer may end the process while a parse holds it.
  static std::mutex* const parserLock = new std::mutex;
  std::lock_guard<std::mutex> guard(*parserLock);
  return stratParserParse(text, table);
}
