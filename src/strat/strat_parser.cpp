// The strategy parser: a recursive-descent reading of the strategy grammar
// that performs its actions (table look-ups, node building, scanner mode
// switches) at the same points as a table-driven LR parser would, so that
// every message shows the same unread remainder of the text.
//
// Grammar, "|" binding most loosely:
//   strategy    := selection END
//   selection   := selection "|" alternative | alternative
//   alternative := sequence | (nothing)
//   sequence    := sequence item | item
//   item        := "/" test "?" selection [":" selection] ";" | "(" selection ")" | method
//   method      := NAME [ "{" parameter { "," parameter } "}" ]
//   parameter   := NAME "=" value
//   value       := CASE | ["+"|"-"] (DOUBLE | INT) | STRING | selection
//   test        := disjunction, with "|" over "&" over "!" over the
//                  comparisons "<" "=" ">" over "+" "-" over "*" over "%".
//
// Tokens are read only when a decision needs them (the lookahead), and the
// scanner mode is switched before the token that depends on it is read.
// Each parse function knows how many states an LR parser would hold on its
// stack at that point (the "base" arguments); nesting that would need
// STRAT_PARSER_STACK_MAX states or more is refused. This also bounds the
// recursion depth of the parser itself.
#include <cmath>
#include <cstring>

#include "strat/strat.h"
#include "strat/strat_parser.h"
#include "strat/strat_scanner.h"

namespace {

// Shared state of one parse (process-wide: parses hold the parser lock).
struct ParserState {
  const StratTab* table;         // current table: that of the strategy being read
  bool tokenRead;                // the lookahead token is held in token
  StratToken token;              // lookahead token, or the token just consumed
  const StratParam* valueParam;  // innermost parameter whose value is being read
  const char* valueMethod;       // name of that parameter's method
};

ParserState parser;
long parserAllocationBudget = -1;  // see stratParserFailAllocations

// ---------------------------------------------------------------------------
// Tokens and failures

const StratToken& peek() {
  if (!parser.tokenRead) {
    stratScannerLex(&parser.token);
    parser.tokenRead = true;
  }
  return parser.token;
}

// The consumed token stays readable in parser.token until the next peek.
void consume() { parser.tokenRead = false; }

bool isChar(const StratToken& token, int character) {
  return (token.type == STRAT_TOKEN_CHAR) && (token.code == character);
}

// A syntax error, and the parameter whose value it interrupts, if any.
void syntaxError() {
  errorPrint("stratParserParse: invalid strategy string, before \"%s\"", stratScannerRemaining());
  if (parser.valueParam != nullptr)
    errorPrint("stratParserParse: invalid value for parameter \"%s\" of method \"%s\", before \"%s\"",
               parser.valueParam->name, parser.valueMethod, stratScannerRemaining());
}

// Accounts for a state pushed on the LR stack, which then holds stateCount
// states. Overflow is reported once, with no report for an enclosing value.
bool pushed(int stateCount) {
  if (stateCount < STRAT_PARSER_STACK_MAX) return true;
  errorPrint("stratParserParse: invalid strategy string, before \"%s\"", stratScannerRemaining());
  return false;
}

// Numbers: the value of a number token with its sign, when the field that
// receives it can hold it. A value outside the range is refused with its
// text, rather than wrapped or held at a limit that the writer of the
// strategy never asked for.
bool numberOutOfRange(int sign, const StratToken& number) {
  errorPrint("stratParserParse: number out of range \"%s%s\", before \"%s\"", (sign < 0) ? "-" : "", number.text,
             stratScannerRemaining());
  return false;
}

bool signedInteger(int sign, const StratToken& number, GraphNum* value) {
  const int64_t signedValue = (sign < 0) ? -number.intValue : number.intValue;
  if ((signedValue < INT32_MIN) || (signedValue > INT32_MAX)) return numberOutOfRange(sign, number);
  *value = static_cast<GraphNum>(signedValue);
  return true;
}

bool signedReal(int sign, const StratToken& number, double* value) {
  if (!std::isfinite(number.doubleValue)) return numberOutOfRange(sign, number);
  *value = (sign < 0) ? -number.doubleValue : number.doubleValue;
  return true;
}

// ---------------------------------------------------------------------------
// Node building

void* nodeAllocate(size_t size, int message) {
  void* node = nullptr;
  if (parserAllocationBudget != 0) {
    node = memAlloc(size);
    if (parserAllocationBudget > 0) parserAllocationBudget--;
  }
  if (node == nullptr) {
    errorPrint("stratParserParse: out of memory (%d)", message);
    return nullptr;
  }
  memset(node, 0, size);
  return node;
}

Strat* stratNode(int kind, int message) {
  Strat* node = static_cast<Strat*>(nodeAllocate(sizeof(Strat), message));
  if (node != nullptr) {
    node->table = parser.table;
    node->kind = kind;
  }
  return node;
}

// A concatenation or selection node; releases both operands on failure.
Strat* stratCombine(int kind, Strat* first, Strat* second, int message) {
  Strat* node = stratNode(kind, message);
  if (node == nullptr) {
    stratRelease(first);
    stratRelease(second);
    return nullptr;
  }
  node->data.concat.first = first;
  node->data.concat.second = second;
  return node;
}

StratTest* testNode(int kind, int valueType, int message) {
  StratTest* node = static_cast<StratTest*>(nodeAllocate(sizeof(StratTest), message));
  if (node != nullptr) {
    node->kind = kind;
    node->valueType = valueType;
  }
  return node;
}

// A two-operand test node; releases both operands on failure.
StratTest* testCombine(int kind, int valueType, StratTest* left, StratTest* right, int message) {
  StratTest* node = testNode(kind, valueType, message);
  if (node == nullptr) {
    stratTestRelease(left);
    stratTestRelease(right);
    return nullptr;
  }
  node->data.operands[0] = left;
  node->data.operands[1] = right;
  return node;
}

// ---------------------------------------------------------------------------
// Table look-ups: the entry whose name is the longest case-insensitive
// prefix of the text; on equal lengths the first entry wins.

int asciiLower(int character) { return ((character >= 'A') && (character <= 'Z')) ? character + ('a' - 'A') : character; }

// Length of name when it prefixes text case-insensitively, else -1.
long prefixLength(const char* name, const char* text) {
  size_t index = 0;
  for (; name[index] != '\0'; index++)
    if (asciiLower(static_cast<unsigned char>(name[index])) != asciiLower(static_cast<unsigned char>(text[index])))
      return -1;  // also stops at the end of text, whose NUL matches no name character
  return static_cast<long>(index);
}

const StratMethod* findMethod(const StratTab* table, const char* text) {
  const StratMethod* best = nullptr;
  long bestLength = -1;
  for (const StratMethod* method = table->methods; method->name != nullptr; method++) {
    const long length = prefixLength(method->name, text);
    if (length > bestLength) {
      best = method;
      bestLength = length;
    }
  }
  return best;
}

// Parameters of one method (method >= 0), or all test variables (method < 0).
const StratParam* findParam(const StratParam* entries, int method, const char* text) {
  const StratParam* best = nullptr;
  long bestLength = -1;
  for (const StratParam* entry = entries; entry->name != nullptr; entry++) {
    if ((method >= 0) && (entry->method != method)) continue;
    const long length = prefixLength(entry->name, text);
    if (length > bestLength) {
      best = entry;
      bestLength = length;
    }
  }
  return best;
}

// Where a value of the given size goes in a method node, or null when the
// table places it outside the block.
unsigned char* paramField(Strat* node, const StratParam* param, size_t size) {
  const ptrdiff_t offset = stratParamOffset(*param);
  if ((offset < 0) || (static_cast<size_t>(offset) + size > STRAT_PARAM_BLOCK_SIZE)) return nullptr;
  return node->data.method.paramBlock + offset;
}

// ---------------------------------------------------------------------------
// Tests

struct ParsedTest {
  StratTest* test;
  bool logical;  // a disjunction rather than a sum
};

StratTest* parseNegation(int base);
StratTest* parseSumFrom(int base, StratTest* primary);

// primary := "(" sum ")" | ["+"|"-"] number | variable
StratTest* parsePrimary(int base) {
  const StratToken& token = peek();
  if (isChar(token, '(')) {
    consume();
    if (!pushed(base + 1)) return nullptr;
    StratTest* inner = parseSumFrom(base + 1, nullptr);
    if (inner == nullptr) return nullptr;
    if (!isChar(peek(), ')')) {
      syntaxError();
      stratTestRelease(inner);
      return nullptr;
    }
    consume();
    if (!pushed(base + 3)) {
      stratTestRelease(inner);
      return nullptr;
    }
    return inner;
  }

  int sign = 0;
  int depth = base;
  if (isChar(token, '+') || isChar(token, '-')) {
    sign = (token.code == '-') ? -1 : 1;
    consume();
    if (!pushed(++depth)) return nullptr;
  }
  const StratToken& value = peek();
  if (value.type == STRAT_TOKEN_DOUBLE) {
    consume();
    if (!pushed(depth + 1)) return nullptr;
    double number;
    if (!signedReal(sign, value, &number)) return nullptr;
    StratTest* node = testNode(TEST_VALUE, VALUE_DOUBLE, 13);
    if (node != nullptr) node->data.doubleValue = number;
    return node;
  }
  if (value.type == STRAT_TOKEN_INT) {
    consume();
    if (!pushed(depth + 1)) return nullptr;
    GraphNum number;
    if (!signedInteger(sign, value, &number)) return nullptr;
    StratTest* node = testNode(TEST_VALUE, VALUE_INT, 14);
    if (node != nullptr) node->data.intValue = number;
    return node;
  }
  if ((sign == 0) && (value.type == STRAT_TOKEN_NAME)) {
    consume();
    if (!pushed(base + 1)) return nullptr;
    const StratParam* variable = findParam(parser.table->variables, -1, value.text);
    if (variable == nullptr) {
      errorPrint("stratParserParse: invalid graph parameter name \"%s\", before \"%s\"", value.text,
                 stratScannerRemaining());
      return nullptr;
    }
    StratTest* node = testNode(TEST_VAR, variable->type, 15);
    if (node != nullptr) {
      node->data.var.table = parser.table;
      node->data.var.displacement = static_cast<int>(stratParamOffset(*variable));
    }
    return node;
  }
  syntaxError();
  return nullptr;
}

// sum := sum ("+"|"-") product | product; product := product "*" remainder
// | remainder; remainder := remainder "%" primary | primary. Starts from an
// already read primary, or reads the first primary itself when it is null.
StratTest* parseSumFrom(int base, StratTest* primary) {
  StratTest* sum = nullptr;  // complete sum on the left, waiting for its right operand
  int sumKind = TEST_ADD;
  StratTest* product = nullptr;  // likewise for the product
  StratTest* remainder = (primary != nullptr) ? primary : parsePrimary(base);
  if (remainder == nullptr) return nullptr;

  bool failed = false;
  while (!failed) {
    const int productBase = base + ((sum != nullptr) ? 2 : 0);
    const int remainderBase = productBase + ((product != nullptr) ? 2 : 0);
    while (isChar(peek(), '%')) {
      consume();
      StratTest* right = pushed(remainderBase + 2) ? parsePrimary(remainderBase + 2) : nullptr;
      if (right == nullptr) {
        failed = true;
        break;
      }
      remainder = testCombine(TEST_MOD, 0, remainder, right, 12);
      if (remainder == nullptr) {
        failed = true;
        break;
      }
    }
    if (failed) break;

    if (product != nullptr) {
      product = testCombine(TEST_MUL, 0, product, remainder, 11);
      remainder = nullptr;
      if (product == nullptr) break;
    } else {
      product = remainder;
      remainder = nullptr;
    }
    if (isChar(peek(), '*')) {
      consume();
      remainder = pushed(productBase + 2) ? parsePrimary(productBase + 2) : nullptr;
      failed = (remainder == nullptr);
      continue;
    }

    if (sum != nullptr) {
      sum = testCombine(sumKind, 0, sum, product, 10);
      product = nullptr;
      if (sum == nullptr) break;
    } else {
      sum = product;
      product = nullptr;
    }
    const StratToken& token = peek();
    if (isChar(token, '+') || isChar(token, '-')) {
      sumKind = (token.code == '+') ? TEST_ADD : TEST_SUB;
      consume();
      remainder = pushed(base + 2) ? parsePrimary(base + 2) : nullptr;
      failed = (remainder == nullptr);
      continue;
    }
    return sum;
  }
  stratTestRelease(sum);
  stratTestRelease(product);
  stratTestRelease(remainder);
  return nullptr;
}

// comparison := sum ("<"|"="|">") sum, from the left sum already read.
StratTest* parseComparisonFrom(int base, StratTest* left) {
  const StratToken& token = peek();
  int kind;
  if (isChar(token, '<'))
    kind = TEST_LT;
  else if (isChar(token, '='))
    kind = TEST_EQ;
  else if (isChar(token, '>'))
    kind = TEST_GT;
  else {
    syntaxError();
    stratTestRelease(left);
    return nullptr;
  }
  consume();
  StratTest* right = pushed(base + 2) ? parseSumFrom(base + 2, nullptr) : nullptr;
  if (right == nullptr) {
    stratTestRelease(left);
    return nullptr;
  }
  return testCombine(kind, VALUE_LOGICAL, left, right, 9);
}

// disjunction := disjunction "|" conjunction | conjunction;
// conjunction := conjunction "&" negation | negation. Starts from an
// already read negation, or reads it when it is null.
StratTest* parseDisjunctionFrom(int base, StratTest* negation) {
  StratTest* conjunction = (negation != nullptr) ? negation : parseNegation(base);
  if (conjunction == nullptr) return nullptr;
  StratTest* disjunction = nullptr;
  while (true) {
    const int conjunctionBase = base + ((disjunction != nullptr) ? 2 : 0);
    while ((conjunction != nullptr) && isChar(peek(), '&')) {
      consume();
      StratTest* right = pushed(conjunctionBase + 2) ? parseNegation(conjunctionBase + 2) : nullptr;
      if (right == nullptr) {
        stratTestRelease(conjunction);
        conjunction = nullptr;
      } else
        conjunction = testCombine(TEST_AND, VALUE_LOGICAL, conjunction, right, 7);
    }
    if (conjunction == nullptr) break;
    if (disjunction != nullptr) {
      disjunction = testCombine(TEST_OR, VALUE_LOGICAL, disjunction, conjunction, 6);
      if (disjunction == nullptr) return nullptr;
    } else
      disjunction = conjunction;
    conjunction = nullptr;
    if (!isChar(peek(), '|')) return disjunction;
    consume();
    conjunction = pushed(base + 2) ? parseNegation(base + 2) : nullptr;
    if (conjunction == nullptr) break;
  }
  stratTestRelease(disjunction);
  return nullptr;
}

// After "(" in a negation, whose content may be a disjunction or, as the
// first primary of a comparison, a sum: both are read until the token that
// tells them apart, and the closing ")" is read too.
ParsedTest parseParenthesized(int base) {
  const ParsedTest failure = {nullptr, false};
  StratTest* sum = nullptr;
  StratTest* content = nullptr;
  bool logical = true;
  const StratToken& token = peek();
  if (isChar(token, '!')) {
    content = parseDisjunctionFrom(base, nullptr);
    if (content == nullptr) return failure;
  } else {
    if (isChar(token, '(')) {
      consume();
      if (!pushed(base + 1)) return failure;
      const ParsedTest inner = parseParenthesized(base + 1);
      if (inner.test == nullptr) return failure;
      if (inner.logical) {
        content = parseDisjunctionFrom(base, inner.test);
        if (content == nullptr) return failure;
      } else {
        sum = parseSumFrom(base, inner.test);
        if (sum == nullptr) return failure;
      }
    } else {
      sum = parseSumFrom(base, nullptr);
      if (sum == nullptr) return failure;
    }
    if (sum != nullptr) {  // a comparison follows, or the ")"
      const StratToken& next = peek();
      if (isChar(next, '<') || isChar(next, '=') || isChar(next, '>')) {
        StratTest* comparison = parseComparisonFrom(base, sum);
        if (comparison == nullptr) return failure;
        content = parseDisjunctionFrom(base, comparison);
        if (content == nullptr) return failure;
      } else {
        content = sum;
        logical = false;
      }
    }
  }
  if (!isChar(peek(), ')')) {
    syntaxError();
    stratTestRelease(content);
    return failure;
  }
  consume();
  if (!pushed(base + 2)) {
    stratTestRelease(content);
    return failure;
  }
  return {content, logical};
}

// negation := "!" negation | "(" disjunction ")" | comparison
StratTest* parseNegation(int base) {
  const StratToken& token = peek();
  if (isChar(token, '!')) {
    consume();
    if (!pushed(base + 1)) return nullptr;
    StratTest* operand = parseNegation(base + 1);
    if (operand == nullptr) return nullptr;
    StratTest* node = testNode(TEST_NOT, VALUE_LOGICAL, 8);
    if (node == nullptr) {
      stratTestRelease(operand);
      return nullptr;
    }
    node->data.operands[0] = operand;
    return node;
  }
  StratTest* sum;
  if (isChar(token, '(')) {
    consume();
    if (!pushed(base + 1)) return nullptr;
    const ParsedTest inner = parseParenthesized(base + 1);
    if ((inner.test == nullptr) || inner.logical) return inner.test;
    sum = parseSumFrom(base, inner.test);
  } else
    sum = parseSumFrom(base, nullptr);
  if (sum == nullptr) return nullptr;
  return parseComparisonFrom(base, sum);
}

// ---------------------------------------------------------------------------
// Strategies

Strat* parseSelection(int base);

// value := CASE | ["+"|"-"] (DOUBLE | INT) | STRING | selection, for the
// parameter just named; stores it in the method node unless the parameter
// is ignored. A value must be of the parameter's own type: in particular a
// strategy (possibly empty) is refused for any other parameter, whose field
// cannot hold one.
bool parseValue(Strat* node, const StratParam* param, int base) {
  const int type = param->type & ~STRAT_PARAM_IGNORED;
  const bool ignored = (param->type & STRAT_PARAM_IGNORED) != 0;
  const StratToken& token = peek();

  if ((token.type == STRAT_TOKEN_CASE) && (type == STRAT_PARAM_CASE)) {
    consume();
    if (!pushed(base + 1)) return false;
    if (ignored) return true;
    const char* choices = static_cast<const char*>(param->selector);
    const char* found = (choices != nullptr) ? strchr(choices, token.code) : nullptr;
    if ((found == nullptr) && (choices != nullptr) && (token.code >= 'A') && (token.code <= 'Z'))
      found = strchr(choices, asciiLower(token.code));
    if (found == nullptr) {
      errorPrint("stratParserParse: invalid method parameter switch \"%s=%c\", before \"%s\"", param->name,
                 token.code, stratScannerRemaining());
      return false;
    }
    const int index = static_cast<int>(found - choices);
    unsigned char* field = paramField(node, param, sizeof(index));
    if (field != nullptr) memcpy(field, &index, sizeof(index));
    return true;
  }

  if ((token.type == STRAT_TOKEN_STRING) && (type == STRAT_PARAM_STRING)) {
    consume();
    if (!pushed(base + 1)) return false;
    if (ignored) return true;
    unsigned char* field = paramField(node, param, 1);
    if (field != nullptr) {  // the string and its NUL, cut to what the block holds
      const size_t room = node->data.method.paramBlock + STRAT_PARAM_BLOCK_SIZE - field;
      size_t length = strlen(token.text);
      if (length >= room) length = room - 1;
      memcpy(field, token.text, length);
      field[length] = '\0';
    }
    return true;
  }

  int sign = 0;
  int depth = base;
  if (isChar(token, '+') || isChar(token, '-')) {
    sign = (token.code == '-') ? -1 : 1;
    consume();
    if (!pushed(++depth)) return false;
  }
  const StratToken& number = peek();
  if ((number.type == STRAT_TOKEN_DOUBLE) && (type == STRAT_PARAM_DOUBLE)) {
    consume();
    if (!pushed(depth + 1)) return false;
    double value;
    if (!signedReal(sign, number, &value)) return false;
    unsigned char* field = ignored ? nullptr : paramField(node, param, sizeof(value));
    if (field != nullptr) memcpy(field, &value, sizeof(value));
    return true;
  }
  if ((number.type == STRAT_TOKEN_INT) && (type == STRAT_PARAM_INT)) {
    consume();
    if (!pushed(depth + 1)) return false;
    GraphNum value;
    if (!signedInteger(sign, number, &value)) return false;
    unsigned char* field = ignored ? nullptr : paramField(node, param, sizeof(value));
    if (field != nullptr) memcpy(field, &value, sizeof(value));
    return true;
  }
  if ((sign != 0) || (type != STRAT_PARAM_STRAT)) {
    syntaxError();
    return false;
  }

  // A strategy: the selection is read with the parameter's table (set by
  // the caller); the method node being filled is this frame's own.
  if (!pushed(base + 1)) return false;
  Strat* value = parseSelection(base + 1);
  if (value == nullptr) return false;
  unsigned char* field = ignored ? nullptr : paramField(node, param, sizeof(Strat*));
  if (field == nullptr) {
    stratRelease(value);
    return true;
  }
  Strat* previous;  // a parameter given twice keeps its last value
  memcpy(&previous, field, sizeof(previous));
  stratRelease(previous);
  memcpy(field, &value, sizeof(value));
  return true;
}

// parameter := NAME "=" value, the NAME being the lookahead.
bool parseParameter(Strat* node, const StratMethod* method, int base) {
  consume();
  if (!pushed(base + 1)) return false;
  const StratParam* param = findParam(parser.table->params, node->data.method.method, parser.token.text);
  if (param == nullptr) {
    errorPrint("stratParserParse: invalid method parameter name \"%s\", before \"%s\"", parser.token.text,
               stratScannerRemaining());
    return false;
  }
  const StratTab* savedTable = parser.table;
  switch (param->type & ~STRAT_PARAM_IGNORED) {
    case STRAT_PARAM_CASE:
      stratScannerMode(STRAT_SCAN_CASE);
      break;
    case STRAT_PARAM_DOUBLE:
      stratScannerMode(STRAT_SCAN_DOUBLE);
      break;
    case STRAT_PARAM_INT:
      stratScannerMode(STRAT_SCAN_INT);
      break;
    case STRAT_PARAM_STRING:
      stratScannerMode(STRAT_SCAN_STRING);
      break;
    case STRAT_PARAM_STRAT:
      stratScannerMode(STRAT_SCAN_STRATEGY);
      if (param->selector != nullptr) parser.table = static_cast<const StratTab*>(param->selector);
      break;
    default:  // no value can be read for an unknown type
      break;
  }

  if (!isChar(peek(), '=')) {
    syntaxError();
    return false;
  }
  consume();
  if (!pushed(base + 2)) return false;

  const StratParam* enclosingParam = parser.valueParam;
  const char* enclosingMethod = parser.valueMethod;
  parser.valueParam = param;
  parser.valueMethod = method->name;
  if (!parseValue(node, param, base + 2)) return false;
  parser.valueParam = enclosingParam;
  parser.valueMethod = enclosingMethod;

  stratScannerMode(STRAT_SCAN_PARAM_NAME);
  parser.table = savedTable;
  return true;
}

// method := NAME [ "{" parameter { "," parameter } "}" ], the NAME being
// the lookahead.
Strat* parseMethod(int base) {
  consume();
  if (!pushed(base + 1)) return nullptr;
  const StratMethod* method = findMethod(parser.table, parser.token.text);
  if (method == nullptr) {
    errorPrint("stratParserParse: invalid method name \"%s\", before \"%s\"", parser.token.text,
               stratScannerRemaining());
    return nullptr;
  }
  Strat* node = stratNode(STRAT_METHOD, 5);
  if (node == nullptr) return nullptr;
  node->data.method.method = method->number;
  if (method->defaults != nullptr) memcpy(node->data.method.paramBlock, method->defaults, STRAT_PARAM_BLOCK_SIZE);

  if (isChar(peek(), '{')) {
    consume();
    const int listBase = base + 3;  // the name, "{" and the switch to parameter names
    bool valid = pushed(base + 2);
    stratScannerMode(STRAT_SCAN_PARAM_NAME);
    valid = valid && pushed(listBase);
    for (bool first = true; valid; first = false) {
      if (peek().type != STRAT_TOKEN_NAME) {
        syntaxError();
        valid = false;
        break;
      }
      if (!parseParameter(node, method, first ? listBase : listBase + 2)) {
        valid = false;
        break;
      }
      const StratToken& next = peek();
      if (isChar(next, ',')) {
        consume();
        valid = pushed(listBase + 2);
        continue;
      }
      if (isChar(next, '}')) {
        consume();
        valid = pushed(listBase + 2);
        break;
      }
      syntaxError();
      valid = false;
    }
    if (!valid) {
      stratRelease(node);
      return nullptr;
    }
    stratScannerMode(STRAT_SCAN_STRATEGY);
  }

  // Strategy parameters that were neither given nor defaulted.
  for (const StratParam* param = parser.table->params; param->name != nullptr; param++) {
    if ((param->method != method->number) || (param->type != STRAT_PARAM_STRAT)) continue;
    const unsigned char* field = paramField(node, param, sizeof(Strat*));
    Strat* value = nullptr;
    if (field != nullptr) memcpy(&value, field, sizeof(value));
    if (value == nullptr)
      warningPrint("stratParserParse: strategy parameter \"%s\" of method \"%s\" not set, before \"%s\"",
                   param->name, method->name, stratScannerRemaining());
  }
  return node;
}

// item := "/" test "?" selection [":" selection] ";", the "/" being the
// lookahead.
Strat* parseCondition(int base) {
  consume();
  if (!pushed(base + 1)) return nullptr;
  stratScannerMode(STRAT_SCAN_CONDITION);
  if (!pushed(base + 2)) return nullptr;
  StratTest* test = parseDisjunctionFrom(base + 2, nullptr);
  if (test == nullptr) return nullptr;

  Strat* first = nullptr;
  Strat* second = nullptr;
  bool valid = isChar(peek(), '?');
  if (!valid)
    syntaxError();
  else {
    consume();
    valid = pushed(base + 4);
    stratScannerMode(STRAT_SCAN_STRATEGY);
    valid = valid && pushed(base + 5);
    first = valid ? parseSelection(base + 5) : nullptr;
    valid = (first != nullptr);
  }
  if (valid && isChar(peek(), ':')) {
    consume();
    second = pushed(base + 7) ? parseSelection(base + 7) : nullptr;
    valid = (second != nullptr);
  }
  if (valid) {
    if (!isChar(peek(), ';')) {
      syntaxError();
      valid = false;
    } else {
      consume();
      valid = pushed(base + ((second != nullptr) ? 8 : 6));
    }
  }
  Strat* node = valid ? stratNode(STRAT_COND, 1) : nullptr;
  if (node == nullptr) {
    stratTestRelease(test);
    stratRelease(first);
    stratRelease(second);
    return nullptr;
  }
  node->data.cond.test = test;
  node->data.cond.first = first;
  node->data.cond.second = second;
  return node;
}

// selection := selection "|" alternative | alternative, with the sequences
// and groups of every alternative read in this same frame, so that each
// level of parenthesis costs one frame.
Strat* parseSelection(int base) {
  Strat* selection = nullptr;
  int alternativeBase = base;
  while (true) {
    Strat* sequence = nullptr;
    while (true) {
      const StratToken& token = peek();
      const int itemBase = alternativeBase + ((sequence != nullptr) ? 1 : 0);
      Strat* item;
      if (token.type == STRAT_TOKEN_METHOD)
        item = parseMethod(itemBase);
      else if (isChar(token, '/'))
        item = parseCondition(itemBase);
      else if (isChar(token, '(')) {
        consume();
        item = pushed(itemBase + 1) ? parseSelection(itemBase + 1) : nullptr;
        if (item != nullptr) {
          if (!isChar(peek(), ')')) {
            syntaxError();
            stratRelease(item);
            item = nullptr;
          } else {
            consume();
            if (!pushed(itemBase + 3)) {
              stratRelease(item);
              item = nullptr;
            }
          }
        }
      } else
        break;
      if (item == nullptr) {
        stratRelease(selection);
        stratRelease(sequence);
        return nullptr;
      }
      sequence = (sequence == nullptr) ? item : stratCombine(STRAT_CONCAT, sequence, item, 4);
      if (sequence == nullptr) {
        stratRelease(selection);
        return nullptr;
      }
    }
    if (sequence == nullptr) {  // the empty alternative
      sequence = pushed(alternativeBase + 1) ? stratNode(STRAT_EMPTY, 3) : nullptr;
      if (sequence == nullptr) {
        stratRelease(selection);
        return nullptr;
      }
    }
    selection = (selection == nullptr) ? sequence : stratCombine(STRAT_SELECT, selection, sequence, 2);
    if (selection == nullptr) return nullptr;
    if (!isChar(peek(), '|')) return selection;
    consume();
    if (!pushed(base + 2)) {
      stratRelease(selection);
      return nullptr;
    }
    alternativeBase = base + 2;
  }
}

}  // namespace

void stratParserFailAllocations(long count) { parserAllocationBudget = count; }

Strat* stratParserParse(const char* text, const StratTab* table) {
  if ((text == nullptr) || (table == nullptr)) {
    errorPrint("stratParserParse: invalid strategy string, before \"\"");
    return nullptr;
  }
  stratScannerInit(text);
  stratScannerMode(STRAT_SCAN_STRATEGY);
  parser = ParserState{};
  parser.table = table;

  Strat* result = pushed(1) ? parseSelection(1) : nullptr;  // the initial state
  if ((result != nullptr) && (peek().type != STRAT_TOKEN_END)) {
    syntaxError();
    stratRelease(result);
    result = nullptr;
  }
  return result;
}
