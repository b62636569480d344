// Strategy trees, condition expressions and the per-graph-kind tables that
// give the strategy language its vocabulary.
#pragma once

#include "common/common.h"

enum StratNodeKind {
  STRAT_CONCAT = 0,
  STRAT_COND = 1,
  STRAT_EMPTY = 2,
  STRAT_METHOD = 3,
  STRAT_SELECT = 4,
};

enum StratParamType {
  STRAT_PARAM_CASE = 0,    // int: index of the chosen letter in the choice string
  STRAT_PARAM_DOUBLE = 1,  // double
  STRAT_PARAM_INT = 2,     // GraphNum
  STRAT_PARAM_STRAT = 4,   // Strat*, owned by the node
  STRAT_PARAM_STRING = 5,  // NUL-terminated characters
  STRAT_PARAM_IGNORED = 8, // flag: value parsed and dropped, never written back
};

enum StratValueType {
  VALUE_DOUBLE = 1,
  VALUE_INT = 2,
  VALUE_LOGICAL = 3,
};

// Condition kinds; a larger number binds more tightly. The number also
// indexes the operator characters of STRAT_TEST_OPERATORS.
enum StratTestKind {
  TEST_OR = 0,
  TEST_AND = 1,
  TEST_NOT = 2,
  TEST_EQ = 3,
  TEST_GT = 4,
  TEST_LT = 5,
  TEST_ADD = 6,
  TEST_SUB = 7,
  TEST_MUL = 8,
  TEST_MOD = 9,
  TEST_VALUE = 10,
  TEST_VAR = 11,
};

inline constexpr const char* STRAT_TEST_OPERATORS = "|&!=><+-*%##(/(";

// Size of the parameter block of every method node.
inline constexpr size_t STRAT_PARAM_BLOCK_SIZE = 80;

struct StratTab;
struct Strat;

// Generic method pointer; each graph kind's dispatcher casts it to its own
// method signature before calling it.
typedef void (*StratMethodFunction)(void);

struct StratMethod {
  int number;                   // index in the table
  const char* name;             // one letter or digit; null ends the table
  StratMethodFunction function;
  const void* defaults;         // default parameter block (80 bytes), or null
};

struct StratParam {
  int method;                // owning method number (1 for a test variable)
  int type;                  // StratParamType, possibly with STRAT_PARAM_IGNORED; VALUE_* for variables
  const char* name;          // null ends the table
  const void* blockBase;     // start of the template object
  const void* fieldPointer;  // the field inside it: the difference is the byte offset
  const void* selector;      // choice string (case), StratTab (strategy), or null
};

struct StratTab {
  const StratMethod* methods;
  const StratParam* params;
  const StratParam* variables;
};

struct StratTest {
  int kind;       // StratTestKind
  int valueType;  // StratValueType
  union {
    StratTest* operands[2];
    double doubleValue;
    GraphNum intValue;
    struct {
      const StratTab* table;
      int displacement;  // byte offset of the field in the graph object
    } var;
  } data;
};

struct Strat {
  const StratTab* table;
  int kind;  // StratNodeKind
  union {
    struct {
      Strat* first;
      Strat* second;
    } concat;  // STRAT_CONCAT and STRAT_SELECT
    struct {
      StratTest* test;
      Strat* first;   // run when the test is true
      Strat* second;  // run when it is false; may be null
    } cond;
    struct {
      int method;
      alignas(8) unsigned char paramBlock[STRAT_PARAM_BLOCK_SIZE];
    } method;
  } data;
};

// An 80-byte default parameter block holding a method's parameter structure
// at offset 0: new method nodes copy all 80 bytes of it.
template <class Parameters>
union StratParamBlock {
  Parameters param;
  unsigned char bytes[STRAT_PARAM_BLOCK_SIZE];
  static_assert(sizeof(Parameters) <= STRAT_PARAM_BLOCK_SIZE, "parameter block too large");
};

// A method's entry point in the generic form kept by the tables.
template <class Function>
StratMethodFunction stratMethodFunction(Function function) {
  return reinterpret_cast<StratMethodFunction>(function);
}

// Table entry builders: a parameter at its field in a default block, and a
// test variable at its field in a template graph object.
template <class Block, class Field>
constexpr StratParam stratParamEntry(int method, int type, const char* name, const Block& block, const Field& field,
                                     const void* selector = nullptr) {
  return StratParam{method, type, name, &block, &field, selector};
}

// Byte offset of a parameter's value in every parameter block of its
// method (for a test variable: of its field in the graph object).
inline ptrdiff_t stratParamOffset(const StratParam& param) {
  return static_cast<const unsigned char*>(param.fieldPointer) - static_cast<const unsigned char*>(param.blockBase);
}

// The shared empty strategy: the default of every strategy parameter. Never freed.
extern Strat stratEmpty;

// Parses text with the table under the parser lock; null on failure.
Strat* stratBuild(const StratTab* table, const char* text);
void stratRelease(Strat* strat);
void stratTestRelease(StratTest* test);
// Evaluates the expression on the graph object and stores the result as a
// TEST_VALUE record. Returns 0.
int stratTestEvaluate(const StratTest* test, StratTest* result, const void* graphObject);
int stratSave(const Strat* strat, FILE* stream);
int stratTestSave(const StratTest* test, FILE* stream);

// The parser proper (called by stratBuild with the lock held).
Strat* stratParserParse(const char* text, const StratTab* table);
