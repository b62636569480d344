#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "support/strat_support.h"
#include "support/test_support.h"

StratParse stratParseCaptured(const StratTab* table, const std::string& text) {
  StratParse result;
  ErrorCapture capture;
  result.strat.reset(stratBuild(table, text.c_str()));
  result.lines = capture.lines;
  return result;
}

namespace {

template <class Writer>
std::string writeToText(Writer writer) {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* stream = open_memstream(&buffer, &size);
  EXPECT_NE(stream, nullptr);
  if (stream == nullptr) return std::string();
  const int status = writer(stream);
  fclose(stream);
  EXPECT_EQ(status, 0);
  std::string text(buffer, size);
  free(buffer);
  return text;
}

bool differ(std::string* where, const std::string& what) {
  if (where != nullptr) *where = what;
  return false;
}

}  // namespace

std::string stratToText(const Strat* strat) {
  return writeToText([&](FILE* stream) { return stratSave(strat, stream); });
}

std::string stratTestToText(const StratTest* test) {
  return writeToText([&](FILE* stream) { return stratTestSave(test, stream); });
}

const StratParam* stratFindParam(const Strat* method, const char* name) {
  for (const StratParam* param = method->table->params; param->name != nullptr; param++)
    if ((param->method == method->data.method.method) && (strcmp(param->name, name) == 0)) return param;
  return nullptr;
}

bool stratTestsEqual(const StratTest* a, const StratTest* b, std::string* where) {
  if ((a == nullptr) || (b == nullptr)) return (a == b) || differ(where, "test presence");
  if (a->kind != b->kind) return differ(where, "test kind " + std::to_string(a->kind) + "/" + std::to_string(b->kind));
  switch (a->kind) {
    case TEST_VALUE:
      if (a->valueType != b->valueType) return differ(where, "constant type");
      if (a->valueType == VALUE_DOUBLE)
        return (a->data.doubleValue == b->data.doubleValue) || differ(where, "floating constant");
      return (a->data.intValue == b->data.intValue) || differ(where, "integer constant");
    case TEST_VAR:
      return ((a->valueType == b->valueType) && (a->data.var.table == b->data.var.table) &&
              (a->data.var.displacement == b->data.var.displacement)) ||
             differ(where, "variable");
    case TEST_NOT:
      return stratTestsEqual(a->data.operands[0], b->data.operands[0], where);
    default:
      if (a->valueType != b->valueType) return differ(where, "operator value type");
      return stratTestsEqual(a->data.operands[0], b->data.operands[0], where) &&
             stratTestsEqual(a->data.operands[1], b->data.operands[1], where);
  }
}

bool stratTreesEqual(const Strat* a, const Strat* b, std::string* where) {
  if ((a == nullptr) || (b == nullptr)) return (a == b) || differ(where, "strategy presence");
  if (a->kind != b->kind) return differ(where, "kind " + std::to_string(a->kind) + "/" + std::to_string(b->kind));
  switch (a->kind) {
    case STRAT_EMPTY:
      return true;
    case STRAT_CONCAT:
    case STRAT_SELECT:
      return stratTreesEqual(a->data.concat.first, b->data.concat.first, where) &&
             stratTreesEqual(a->data.concat.second, b->data.concat.second, where);
    case STRAT_COND:
      return stratTestsEqual(a->data.cond.test, b->data.cond.test, where) &&
             stratTreesEqual(a->data.cond.first, b->data.cond.first, where) &&
             stratTreesEqual(a->data.cond.second, b->data.cond.second, where);
    case STRAT_METHOD:
      break;
    default:
      return differ(where, "unknown kind");
  }
  if ((a->table != b->table) || (a->data.method.method != b->data.method.method))
    return differ(where, "method " + std::to_string(a->data.method.method) + "/" +
                             std::to_string(b->data.method.method));
  for (const StratParam* param = a->table->params; param->name != nullptr; param++) {
    if (param->method != a->data.method.method) continue;
    const unsigned char* fieldA = a->data.method.paramBlock + stratParamOffset(*param);
    const unsigned char* fieldB = b->data.method.paramBlock + stratParamOffset(*param);
    const std::string name = std::string("parameter ") + param->name;
    switch (param->type & ~STRAT_PARAM_IGNORED) {
      case STRAT_PARAM_CASE:
        if (memcmp(fieldA, fieldB, sizeof(int)) != 0) return differ(where, name);
        break;
      case STRAT_PARAM_INT:
        if (memcmp(fieldA, fieldB, sizeof(GraphNum)) != 0) return differ(where, name);
        break;
      case STRAT_PARAM_DOUBLE: {
        double valueA, valueB;
        memcpy(&valueA, fieldA, sizeof(double));
        memcpy(&valueB, fieldB, sizeof(double));
        if (!((valueA == valueB) || (std::isnan(valueA) && std::isnan(valueB)))) return differ(where, name);
        break;
      }
      case STRAT_PARAM_STRAT: {
        const Strat* valueA;
        const Strat* valueB;
        memcpy(&valueA, fieldA, sizeof(valueA));
        memcpy(&valueB, fieldB, sizeof(valueB));
        if (!stratTreesEqual(valueA, valueB, where)) return false;
        break;
      }
      case STRAT_PARAM_STRING:
        if (strncmp(reinterpret_cast<const char*>(fieldA), reinterpret_cast<const char*>(fieldB),
                    STRAT_PARAM_BLOCK_SIZE - stratParamOffset(*param)) != 0)
          return differ(where, name);
        break;
      default:
        break;
    }
  }
  return true;
}
