// Shared helpers of the strategy tests: parsing with captured messages,
// writing trees to strings, and structural equality of trees.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "strat/strat.h"

struct StratDeleter {
  void operator()(Strat* strat) const { stratRelease(strat); }
};
using StratPointer = std::unique_ptr<Strat, StratDeleter>;

// The result of stratBuild with the error printers diverted: the tree (null
// on failure) and every message line printed during the parse.
struct StratParse {
  StratPointer strat;
  std::vector<std::string> lines;
};
StratParse stratParseCaptured(const StratTab* table, const std::string& text);

// The text written by stratSave / stratTestSave; fails the test when the
// write reports failure.
std::string stratToText(const Strat* strat);
std::string stratTestToText(const StratTest* test);

// Structural equality: same node kinds, tables, method numbers, parameter
// values (strategy parameters compared as trees; empty nodes are equal
// whatever their table), conditions and constants. On a difference, where
// tells which part differs.
bool stratTreesEqual(const Strat* a, const Strat* b, std::string* where = nullptr);
bool stratTestsEqual(const StratTest* a, const StratTest* b, std::string* where = nullptr);

// The entry of the method's parameter called name (exact), or null.
const StratParam* stratFindParam(const Strat* method, const char* name);

// Reads a parameter value of a method node by parameter name; fails the
// test when the parameter does not exist.
template <class Value>
Value stratParamValue(const Strat* method, const char* name) {
  const StratParam* param = stratFindParam(method, name);
  Value value{};
  if (param == nullptr) {
    ADD_FAILURE() << "no parameter " << name;
    return value;
  }
  memcpy(&value, method->data.method.paramBlock + stratParamOffset(*param), sizeof(value));
  return value;
}
