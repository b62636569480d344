// The four method tables: every method letter, parameter, type and default
// as the strategy language reads and writes them.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "bgraph/bgraph.h"
#include "kgraph/kgraph.h"
#include "order/hgraph.h"
#include "support/strat_support.h"
#include "vgraph/vgraph.h"

namespace {

struct MethodExpectation {
  const char* letter;
  int number;
  const char* written;  // the method alone, written back with its defaults
};

void checkMethods(const StratTab* table, const std::vector<MethodExpectation>& expectations) {
  size_t count = 0;
  while (table->methods[count].name != nullptr) count++;
  EXPECT_EQ(count, expectations.size());
  for (const MethodExpectation& expected : expectations) {
    StratParse parse = stratParseCaptured(table, expected.letter);
    ASSERT_NE(parse.strat, nullptr) << expected.letter;
    EXPECT_TRUE(parse.lines.empty());
    EXPECT_EQ(parse.strat->kind, STRAT_METHOD);
    EXPECT_EQ(parse.strat->data.method.method, expected.number) << expected.letter;
    EXPECT_EQ(stratToText(parse.strat.get()), expected.written) << expected.letter;
    // Written text reads back as the same node.
    StratParse again = stratParseCaptured(table, expected.written);
    ASSERT_NE(again.strat, nullptr) << expected.written;
    std::string where;
    EXPECT_TRUE(stratTreesEqual(parse.strat.get(), again.strat.get(), &where)) << expected.letter << ": " << where;
  }
}

TEST(StratTables, OrderingMethodsAndDefaults) {
  checkMethods(&hgraphOrderStTable, {{"b", 0, "b{strat=,cmin=8}"},
                                     {"o", 1, "o{strat=}"},
                                     {"c", 2, "c{rat=0.7,cpr=,unc=}"},
                                     {"g", 3, "g{pass=3}"},
                                     {"d", 4, "d{cmin=1,cmax=10000,frat=0.08}"},
                                     {"f", 5, "f{cmin=1,cmax=1000000,frat=0.08}"},
                                     {"k", 6, "k{siz=1,strat=}"},
                                     {"n", 7, "n{sep=,ole=,ose=,cmp=s,thrd=0,shp=0,whl=0,lka=0,lks=}"},
                                     {"s", 8, "s"}});
}

TEST(StratTables, SeparationMethodsAndDefaults) {
  checkMethods(&vgraphSeparateStTable, {{"b", 0, "b{bnd=,org=,width=3}"},
                                        {"e", 1, "e{strat=,type=t}"},
                                        {"f", 2, "f{move=200,pass=1000,bal=0.1}"},
                                        {"h", 3, "h{pass=5}"},
                                        {"g", 4, "g{pass=9}"},
                                        {"m", 5, "m{asc=,low=,type=h,vert=100,rat=0.8}"},
                                        {"v", 6, "v"},
                                        {"z", 7, "z"}});
}

TEST(StratTables, BipartitionMethodsAndDefaults) {
  checkMethods(&bgraphBipartStTable, {{"b", 0, "b{bnd=,org=,width=3}"},
                                      {"d", 1, "d{pass=40,type=b}"},
                                      {"x", 2, "x"},
                                      {"f", 3, "f{move=80,pass=-1,bal=0.01,type=b}"},
                                      {"h", 4, "h{pass=5}"},
                                      {"g", 5, "g{pass=5}"},
                                      {"m", 6, "m{asc=,low=,vert=100,rat=0.8}"},
                                      {"z", 7, "z"}});
}

TEST(StratTables, MappingMethodsAndDefaults) {
  checkMethods(&kgraphMapStTable, {{"b", 0, "b{width=3,bnd=,org=}"},
                                   {"c", 1, "c"},
                                   {"d", 2, "d{pass=40,dif=1,rem=0}"},
                                   {"x", 3, "x{bal=0.05}"},
                                   {"f", 4, "f{move=200,pass=-1,bal=0.05}"},
                                   {"m", 5, "m{asc=,low=,vert=100,rat=0.8,type=h}"},
                                   {"r", 6, "r{job=t,map=t,poli=S,bal=0.05,sep=}"}});
}

// The table with which each strategy parameter is read.
struct SelectorExpectation {
  const char* method;
  const char* param;
  const StratTab* selector;
};

TEST(StratTables, StrategyParametersUseTheirGraphKindsTable) {
  const std::vector<std::pair<const StratTab*, std::vector<SelectorExpectation>>> tables = {
      {&hgraphOrderStTable,
       {{"b", "strat", &hgraphOrderStTable},
        {"o", "strat", &hgraphOrderStTable},
        {"c", "cpr", &hgraphOrderStTable},
        {"c", "unc", &hgraphOrderStTable},
        {"k", "strat", &kgraphMapStTable},
        {"n", "sep", &vgraphSeparateStTable},
        {"n", "ole", &hgraphOrderStTable},
        {"n", "ose", &hgraphOrderStTable}}},
      {&vgraphSeparateStTable,
       {{"b", "bnd", &vgraphSeparateStTable},
        {"b", "org", &vgraphSeparateStTable},
        {"e", "strat", &bgraphBipartStTable},
        {"m", "asc", &vgraphSeparateStTable},
        {"m", "low", &vgraphSeparateStTable}}},
      {&bgraphBipartStTable,
       {{"b", "bnd", &bgraphBipartStTable},
        {"b", "org", &bgraphBipartStTable},
        {"m", "asc", &bgraphBipartStTable},
        {"m", "low", &bgraphBipartStTable}}},
      {&kgraphMapStTable,
       {{"b", "bnd", &kgraphMapStTable},
        {"b", "org", &kgraphMapStTable},
        {"m", "asc", &kgraphMapStTable},
        {"m", "low", &kgraphMapStTable},
        {"r", "sep", &bgraphBipartStTable}}},
  };
  for (const auto& [table, expectations] : tables) {
    for (const SelectorExpectation& expected : expectations) {
      // An empty value is an empty node made with the parameter's table.
      const std::string text = std::string(expected.method) + "{" + expected.param + "=}";
      StratParse parse = stratParseCaptured(table, text);
      ASSERT_NE(parse.strat, nullptr) << text;
      const Strat* value = stratParamValue<Strat*>(parse.strat.get(), expected.param);
      ASSERT_NE(value, nullptr);
      EXPECT_EQ(value->kind, STRAT_EMPTY);
      EXPECT_EQ(value->table, expected.selector) << text;
    }
  }
}

// Every parameter given a value unlike its default, in table order: the
// text is written back unchanged, and each value is stored.
TEST(StratTables, EveryParameterIsReadStoredAndWrittenBack) {
  for (const StratTab* table : {&hgraphOrderStTable, &vgraphSeparateStTable, &bgraphBipartStTable, &kgraphMapStTable}) {
    for (const StratMethod* method = table->methods; method->name != nullptr; method++) {
      std::string text = method->name;
      int index = 0;
      for (const StratParam* param = table->params; param->name != nullptr; param++) {
        if (param->method != method->number) continue;
        text += (index == 0) ? "{" : ",";
        text += std::string(param->name) + "=";
        switch (param->type) {
          case STRAT_PARAM_INT:
            text += std::to_string(7 + index);
            break;
          case STRAT_PARAM_DOUBLE:
            text += std::to_string(index) + ".25";
            break;
          case STRAT_PARAM_CASE: {
            const std::string choices = static_cast<const char*>(param->selector);
            text += choices.back();
            break;
          }
          case STRAT_PARAM_STRAT: {
            const StratTab* selector = static_cast<const StratTab*>(param->selector);
            const StratMethod* bare = selector->methods;
            while (bare->defaults != nullptr) bare++;  // a method written without parameters
            text += bare->name;
            break;
          }
          default:
            ADD_FAILURE() << "unexpected type of " << param->name;
        }
        index++;
      }
      if (index > 0) text += "}";

      StratParse parse = stratParseCaptured(table, text);
      ASSERT_NE(parse.strat, nullptr) << text;
      EXPECT_EQ(stratToText(parse.strat.get()), text);
      index = 0;
      for (const StratParam* param = table->params; param->name != nullptr; param++) {
        if (param->method != method->number) continue;
        switch (param->type) {
          case STRAT_PARAM_INT:
            EXPECT_EQ(stratParamValue<GraphNum>(parse.strat.get(), param->name), 7 + index) << text;
            break;
          case STRAT_PARAM_DOUBLE:
            EXPECT_EQ(stratParamValue<double>(parse.strat.get(), param->name), index + 0.25) << text;
            break;
          case STRAT_PARAM_CASE:
            EXPECT_EQ(stratParamValue<int>(parse.strat.get(), param->name),
                      static_cast<int>(strlen(static_cast<const char*>(param->selector))) - 1)
                << text;
            break;
          default: {
            const Strat* value = stratParamValue<Strat*>(parse.strat.get(), param->name);
            EXPECT_EQ(value->kind, STRAT_METHOD) << text;
            EXPECT_EQ(value->table, param->selector) << text;
            break;
          }
        }
        index++;
      }
    }
  }
}

TEST(StratTables, CaseParametersTakeEveryChoice) {
  const std::vector<std::tuple<const StratTab*, std::string, std::string>> cases = {
      {&vgraphSeparateStTable, "e", "type"}, {&vgraphSeparateStTable, "m", "type"}, {&bgraphBipartStTable, "d", "type"},
      {&bgraphBipartStTable, "f", "type"},   {&kgraphMapStTable, "m", "type"},      {&kgraphMapStTable, "r", "job"},
      {&kgraphMapStTable, "r", "map"},       {&kgraphMapStTable, "r", "poli"}};
  const std::vector<std::string> choices = {"tf", "hs", "bk", "ab", "hscd", "ut", "ut", "rlsLS"};
  for (size_t item = 0; item < cases.size(); item++) {
    const auto& [table, letter, name] = cases[item];
    for (size_t index = 0; index < choices[item].size(); index++) {
      const std::string text = letter + "{" + name + "=" + choices[item][index] + "}";
      StratParse parse = stratParseCaptured(table, text);
      ASSERT_NE(parse.strat, nullptr) << text;
      EXPECT_EQ(stratParamValue<int>(parse.strat.get(), name.c_str()), static_cast<int>(index)) << text;
    }
  }
}

struct VariableExpectation {
  const char* name;
  ptrdiff_t offset;
  int type;
};

void checkVariables(const StratTab* table, const std::vector<VariableExpectation>& expectations) {
  size_t count = 0;
  while (table->variables[count].name != nullptr) count++;
  EXPECT_EQ(count, expectations.size());
  for (const VariableExpectation& expected : expectations) {
    const std::string text = std::string("/") + expected.name + ">1?;";
    StratParse parse = stratParseCaptured(table, text);
    ASSERT_NE(parse.strat, nullptr) << text;
    const StratTest* variable = parse.strat->data.cond.test->data.operands[0];
    EXPECT_EQ(variable->kind, TEST_VAR);
    EXPECT_EQ(variable->valueType, expected.type) << expected.name;
    EXPECT_EQ(variable->data.var.displacement, expected.offset) << expected.name;
    EXPECT_EQ(variable->data.var.table, table);
    EXPECT_EQ(stratTestToText(parse.strat->data.cond.test), std::string(expected.name) + ">1");
  }
}

TEST(StratTables, ConditionVariables) {
  checkVariables(&hgraphOrderStTable, {{"edge", offsetof(Hgraph, graph.arcCount), VALUE_INT},
                                       {"levl", offsetof(Hgraph, level), VALUE_INT},
                                       {"load", offsetof(Hgraph, nonHaloVertexLoadSum), VALUE_INT},
                                       {"mdeg", offsetof(Hgraph, graph.maxDegree), VALUE_INT},
                                       {"vert", offsetof(Hgraph, nonHaloVertexCount), VALUE_INT}});
  checkVariables(&vgraphSeparateStTable, {{"edge", offsetof(Vgraph, graph.arcCount), VALUE_INT},
                                          {"levl", offsetof(Vgraph, level), VALUE_INT},
                                          {"load", offsetof(Vgraph, graph.vertexLoadSum), VALUE_INT},
                                          {"vert", offsetof(Vgraph, graph.vertexCount), VALUE_INT}});
  checkVariables(&bgraphBipartStTable, {{"bal", offsetof(Bgraph, balance), VALUE_DOUBLE},
                                        {"edge", offsetof(Bgraph, graph.arcCount), VALUE_INT},
                                        {"levl", offsetof(Bgraph, level), VALUE_INT},
                                        {"lmin0", offsetof(Bgraph, part0LoadMin), VALUE_INT},
                                        {"lmax0", offsetof(Bgraph, part0LoadMax), VALUE_INT},
                                        {"load", offsetof(Bgraph, graph.vertexLoadSum), VALUE_INT},
                                        {"load0", offsetof(Bgraph, part0Load), VALUE_INT},
                                        {"vert", offsetof(Bgraph, graph.vertexCount), VALUE_INT}});
  checkVariables(&kgraphMapStTable, {{"edge", offsetof(Kgraph, graph.arcCount), VALUE_INT},
                                     {"levl", offsetof(Kgraph, level), VALUE_INT},
                                     {"load", offsetof(Kgraph, graph.vertexLoadSum), VALUE_INT},
                                     {"vert", offsetof(Kgraph, graph.vertexCount), VALUE_INT}});
}

}  // namespace
