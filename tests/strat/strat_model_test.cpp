// Strategy trees: condition evaluation on graph objects, writing trees and
// conditions back as text, and releasing trees.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "bgraph/bgraph.h"
#include "order/hgraph.h"
#include "strat_test_table.h"
#include "support/strat_support.h"
#include "support/test_support.h"
#include "vgraph/vgraph.h"

namespace {

const StratTab* const orderTable = &hgraphOrderStTable;

StratPointer parseOrFail(const StratTab* table, const std::string& text) {
  StratParse parse = stratParseCaptured(table, text);
  EXPECT_NE(parse.strat, nullptr) << text << ": " << (parse.lines.empty() ? "" : parse.lines[0]);
  return std::move(parse.strat);
}

// Evaluates a condition on a graph object.
StratTest evaluateCondition(const StratTab* table, const std::string& condition, const void* object) {
  StratTest result = {};
  StratPointer strat = parseOrFail(table, "/" + condition + "?;");
  if (strat == nullptr) return result;
  EXPECT_EQ(stratTestEvaluate(strat->data.cond.test, &result, object), 0);
  EXPECT_EQ(result.kind, TEST_VALUE);
  return result;
}

bool holds(const StratTab* table, const std::string& condition, const void* object) {
  const StratTest result = evaluateCondition(table, condition, object);
  EXPECT_EQ(result.valueType, VALUE_LOGICAL) << condition;
  EXPECT_TRUE((result.data.intValue == 0) || (result.data.intValue == 1)) << condition;
  return result.data.intValue == 1;
}

// Evaluates an arithmetic expression (the left side of a comparison).
StratTest evaluateExpression(const std::string& expression, const void* object = nullptr) {
  static const TestObject noObject = {};
  StratTest result = {};
  StratPointer strat = parseOrFail(&stratTestTable, "/" + expression + "=0?;");
  if (strat == nullptr) return result;
  EXPECT_EQ(stratTestEvaluate(strat->data.cond.test->data.operands[0], &result,
                              (object != nullptr) ? object : &noObject),
            0);
  return result;
}

GraphNum integerOf(const std::string& expression) {
  const StratTest result = evaluateExpression(expression);
  EXPECT_EQ(result.valueType, VALUE_INT) << expression;
  return result.data.intValue;
}

double floatingOf(const std::string& expression, const void* object = nullptr) {
  const StratTest result = evaluateExpression(expression, object);
  EXPECT_EQ(result.valueType, VALUE_DOUBLE) << expression;
  return result.data.doubleValue;
}

TEST(StratEvaluate, OrderingVariablesReadTheHaloGraph) {
  Hgraph hgraph = {};
  hgraph.graph.vertexCount = 40;
  hgraph.graph.arcCount = 200;
  hgraph.graph.maxDegree = 6;
  hgraph.nonHaloVertexCount = 30;
  hgraph.nonHaloVertexLoadSum = 45;
  hgraph.level = 2;
  EXPECT_TRUE(holds(orderTable, "mdeg>5", &hgraph));
  EXPECT_FALSE(holds(orderTable, "mdeg>6", &hgraph));
  EXPECT_TRUE(holds(orderTable, "vert=30", &hgraph));  // non-halo vertices only
  EXPECT_TRUE(holds(orderTable, "edge=200", &hgraph));
  EXPECT_TRUE(holds(orderTable, "load=45", &hgraph));
  EXPECT_TRUE(holds(orderTable, "levl<3", &hgraph));
  EXPECT_FALSE(holds(orderTable, "levl<2", &hgraph));
  EXPECT_TRUE(holds(orderTable, "(vert>10|edge>500)&load>3", &hgraph));
  EXPECT_FALSE(holds(orderTable, "(vert>30|edge>500)&load>3", &hgraph));
  EXPECT_TRUE(holds(orderTable, "!(vert>30)", &hgraph));
  EXPECT_TRUE(holds(orderTable, "!!(vert=30)", &hgraph));
  EXPECT_TRUE(holds(orderTable, "vert*2-edge%7=56", &hgraph));  // 60 - 4
}

TEST(StratEvaluate, SeparationAndBipartitionVariables) {
  Vgraph vgraph = {};
  vgraph.graph.vertexCount = 121;
  vgraph.graph.vertexLoadSum = 300;
  vgraph.level = 4;
  EXPECT_TRUE(holds(&vgraphSeparateStTable, "vert>120", &vgraph));
  EXPECT_TRUE(holds(&vgraphSeparateStTable, "load=300&levl=4", &vgraph));
  vgraph.graph.vertexCount = 120;
  EXPECT_FALSE(holds(&vgraphSeparateStTable, "vert>120", &vgraph));

  Bgraph bgraph = {};
  bgraph.balance = 0.04;
  bgraph.part0Load = 17;
  bgraph.part0LoadMin = 10;
  bgraph.part0LoadMax = 20;
  EXPECT_TRUE(holds(&bgraphBipartStTable, "bal<0.05", &bgraph));
  EXPECT_FALSE(holds(&bgraphBipartStTable, "bal>0.05", &bgraph));
  EXPECT_TRUE(holds(&bgraphBipartStTable, "load0>lmin0&load0<lmax0", &bgraph));
  const StratTest balance = evaluateCondition(&bgraphBipartStTable, "bal=bal", &bgraph);
  EXPECT_EQ(balance.data.intValue, 1);
}

TEST(StratEvaluate, ComparisonsConvertIntegersToFloating) {
  Hgraph hgraph = {};
  hgraph.nonHaloVertexCount = 2;
  // Compared as integers, 2 and 2.5 would truncate to equal values.
  EXPECT_FALSE(holds(orderTable, "vert=2.5", &hgraph));
  EXPECT_TRUE(holds(orderTable, "vert<2.5", &hgraph));
  EXPECT_TRUE(holds(orderTable, "vert>1.999", &hgraph));
  EXPECT_TRUE(holds(orderTable, "vert=2.0", &hgraph));
  EXPECT_TRUE(holds(orderTable, "2.5>vert", &hgraph));
  // Floating arithmetic takes over as soon as one operand is floating.
  EXPECT_TRUE(holds(orderTable, "vert*0.75=1.5", &hgraph));
}

TEST(StratEvaluate, Arithmetic) {
  EXPECT_EQ(integerOf("7%0"), 7);
  EXPECT_EQ(integerOf("7%2"), 1);
  EXPECT_EQ(integerOf("-7%2"), -1);  // truncating division
  EXPECT_EQ(integerOf("7%-2"), 1);
  EXPECT_EQ(integerOf("7-2-1"), 4);  // left-associative
  EXPECT_EQ(integerOf("7-(2-1)"), 6);
  EXPECT_EQ(integerOf("2+3*4%5"), 14);  // 2 + 3 * (4 % 5)
  EXPECT_EQ(integerOf("2*7%4"), 6);     // 2 * (7 % 4)
  EXPECT_DOUBLE_EQ(floatingOf("7.5%2"), 1.5);
  EXPECT_DOUBLE_EQ(floatingOf("-7.5%2"), -1.5);  // the sign of the dividend
  EXPECT_DOUBLE_EQ(floatingOf("1+0.5"), 1.5);
  EXPECT_DOUBLE_EQ(floatingOf("3*0.5-1"), 0.5);
  const TestObject object = {4, 0.25, 0};
  EXPECT_DOUBLE_EQ(floatingOf("count*ratio", &object), 1.0);
  EXPECT_DOUBLE_EQ(floatingOf("ratio", &object), 0.25);
  // Integer arithmetic stays defined at the ends of the range.
  EXPECT_EQ(integerOf("(-2147483647-1)%-1"), 0);
  EXPECT_EQ(integerOf("(-2147483647-1)%2"), 0);
  EXPECT_EQ(integerOf("2147483647%-1"), 0);
  EXPECT_EQ(integerOf("2147483647+1"), INT32_MIN);
  EXPECT_EQ(integerOf("(-2147483647-1)-1"), INT32_MAX);
  EXPECT_EQ(integerOf("65536*65536"), 0);
}

TEST(StratEvaluate, LogicalOperatorsShortCircuit) {
  // Built by hand: a right operand that is an integer variable shows
  // through the result when it is evaluated.
  const TestObject object = {5, 0.0, 0};
  StratTest variable = {};
  variable.kind = TEST_VAR;
  variable.valueType = VALUE_INT;
  variable.data.var.table = &stratTestTable;
  variable.data.var.displacement = offsetof(TestObject, count);
  StratTest truth = {};
  truth.kind = TEST_VALUE;
  truth.valueType = VALUE_LOGICAL;
  truth.data.intValue = 1;
  StratTest falsity = truth;
  falsity.data.intValue = 0;

  StratTest node = {};
  node.kind = TEST_OR;
  node.valueType = VALUE_LOGICAL;
  node.data.operands[0] = &truth;
  node.data.operands[1] = &variable;
  StratTest result = {};
  stratTestEvaluate(&node, &result, &object);
  EXPECT_EQ(result.data.intValue, 1);
  node.data.operands[0] = &falsity;
  stratTestEvaluate(&node, &result, &object);
  EXPECT_EQ(result.data.intValue, 5);

  node.kind = TEST_AND;
  stratTestEvaluate(&node, &result, &object);
  EXPECT_EQ(result.data.intValue, 0);
  node.data.operands[0] = &truth;
  stratTestEvaluate(&node, &result, &object);
  EXPECT_EQ(result.data.intValue, 5);

  // Logical operands never compare.
  node.kind = TEST_EQ;
  node.data.operands[1] = &truth;
  stratTestEvaluate(&node, &result, &object);
  EXPECT_EQ(result.valueType, VALUE_LOGICAL);
  EXPECT_EQ(result.data.intValue, 0);
}

TEST(StratEvaluate, LongChainsNeedNoDeepRecursion) {
  // 200000 terms: a left-deep tree far deeper than any call stack allows.
  const int terms = 200000;
  std::string text = "/count";
  for (int index = 0; index < terms; index++) text += "+1";
  text += ">0|count=0";
  for (int index = 0; index < terms; index++) text += "|count=1";
  text += "?;";
  StratPointer strat = parseOrFail(&stratTestTable, text);
  ASSERT_NE(strat, nullptr);
  const TestObject object = {-terms, 0.0, 0};
  StratTest result = {};
  stratTestEvaluate(strat->data.cond.test, &result, &object);
  EXPECT_EQ(result.data.intValue, 0);  // count + terms = 0, and count is neither 0 nor 1
  const StratTest* sum = strat->data.cond.test;
  while (sum->kind == TEST_OR) sum = sum->data.operands[0];
  stratTestEvaluate(sum->data.operands[0], &result, &object);
  EXPECT_EQ(result.data.intValue, 0);
  // Writing back: each left operand of a like operator is enclosed.
  const std::string written = stratToText(strat.get());
  EXPECT_EQ(written.substr(0, 6), "(/((((");
  EXPECT_EQ(written.substr(written.size() - 14), "|count=1)?();)");
}

TEST(StratSave, MethodsWithAllTheirParameters) {
  EXPECT_EQ(stratToText(parseOrFail(orderTable, "d").get()), "d{cmin=1,cmax=10000,frat=0.08}");
  EXPECT_EQ(stratToText(parseOrFail(orderTable, "s").get()), "s");
  EXPECT_EQ(stratToText(parseOrFail(orderTable, "n").get()), "n{sep=,ole=,ose=,cmp=s,thrd=0,shp=0,whl=0,lka=0,lks=}");
  EXPECT_EQ(stratToText(parseOrFail(orderTable, "N{OSE=s,cmp=F}").get()), "n{sep=,ole=,ose=s,cmp=f,thrd=0,shp=0,whl=0,lka=0,lks=}");
  // Ignored parameters are never written; strings are written as stored.
  EXPECT_EQ(stratToText(parseOrFail(&stratTestTable, "z{old=3}").get()), "z{keep=5}");
  EXPECT_EQ(stratToText(parseOrFail(&stratTestTable, "x{str=\"q\"}").get()),
            "x{num=3,dbl=0.5,sw=a,sub=,dup=0,DUP=0,str=q}");
}

TEST(StratSave, EmptyParametersReadBackAsEmptyNodes) {
  StratPointer first = parseOrFail(orderTable, "n");
  StratPointer second = parseOrFail(orderTable, stratToText(first.get()));
  ASSERT_NE(second, nullptr);
  const Strat* sep = stratParamValue<Strat*>(second.get(), "sep");
  EXPECT_NE(sep, &stratEmpty);
  EXPECT_EQ(sep->kind, STRAT_EMPTY);
  std::string where;
  EXPECT_TRUE(stratTreesEqual(first.get(), second.get(), &where)) << where;
}

TEST(StratSave, ConditionsSelectionsAndSequences) {
  EXPECT_EQ(stratToText(parseOrFail(orderTable, "/vert>120?s;").get()), "(/(vert>120)?(s);)");
  EXPECT_EQ(stratToText(parseOrFail(orderTable, "/vert>120?s:g{pass=2};").get()), "(/(vert>120)?(s):(g{pass=2});)");
  EXPECT_EQ(stratToText(parseOrFail(orderTable, "/vert>2?;").get()), "(/(vert>2)?();)");
  EXPECT_EQ(stratToText(parseOrFail(orderTable, "/vert>0.5?;").get()), "(/(vert>0.500000)?();)");
  EXPECT_EQ(stratToText(parseOrFail(&vgraphSeparateStTable, "z|v|(z)").get()), "((z|v)|z)");
  EXPECT_EQ(stratToText(parseOrFail(&vgraphSeparateStTable, "zv z").get()), "zvz");
  EXPECT_EQ(stratToText(parseOrFail(&vgraphSeparateStTable, "z(v|z)").get()), "z(v|z)");
  EXPECT_EQ(stratToText(parseOrFail(&vgraphSeparateStTable, "(z|)v").get()), "(z|)v");
}

TEST(StratSave, ConditionParentheses) {
  const std::pair<const char*, const char*> cases[] = {
      {"(vert>10|edge>5)&load>3", "(vert>10|edge>5)&load>3"},
      {"vert>10|edge>5&load>3", "vert>10|edge>5&load>3"},
      {"vert>10|(edge>5|load>3)", "vert>10|(edge>5|load>3)"},
      {"(vert>10|edge>5)|load>3", "(vert>10|edge>5)|load>3"},
      {"vert-(edge-levl)>0", "vert-(edge-levl)>0"},
      {"vert-edge-levl>0", "(vert-edge)-levl>0"},
      {"vert-(edge+levl)>0", "vert-(edge+levl)>0"},
      {"vert+edge*2>0", "vert+edge*2>0"},
      {"(vert+edge)*2>0", "(vert+edge)*2>0"},
      {"vert*(edge%2)>0", "vert*edge%2>0"},
      {"(vert*edge)%2>0", "(vert*edge)%2>0"},
      {"!(vert>1)&!!(edge<2)", "!(vert>1)&!(!(edge<2))"},
      {"vert>-3", "vert>-3"},
      {"vert--3.5=1", "vert--3.500000=1"},
      // A difference right of a sum stays enclosed: bare, it would read
      // back as (vert+edge)-levl.
      {"vert+(edge-levl)>0", "vert+(edge-levl)>0"},
  };
  for (const auto& [text, expected] : cases) {
    StratPointer strat = parseOrFail(orderTable, std::string("/") + text + "?;");
    ASSERT_NE(strat, nullptr);
    EXPECT_EQ(stratTestToText(strat->data.cond.test), expected) << text;
    StratPointer again = parseOrFail(orderTable, std::string("/") + expected + "?;");
    ASSERT_NE(again, nullptr);
    std::string where;
    EXPECT_TRUE(stratTestsEqual(strat->data.cond.test, again->data.cond.test, &where)) << text << ": " << where;
  }
}

TEST(StratSave, WriteFailuresAreReportedAtEveryLevel) {
  const std::string path = temporaryPath("strat_read_only.txt");
  writeFile(path, "x");
  FILE* stream = fopen(path.c_str(), "r");
  ASSERT_NE(stream, nullptr);
  StratPointer single = parseOrFail(orderTable, "d");
  StratPointer pair = parseOrFail(&vgraphSeparateStTable, "zz");
  StratPointer nested = parseOrFail(orderTable, "/vert>1?n{ole=s};");
  {
    ErrorCapture capture;
    EXPECT_EQ(stratSave(single.get(), stream), 1);
    EXPECT_EQ(capture.lines, std::vector<std::string>{"ERROR: stratSave: bad output"});
  }
  {
    ErrorCapture capture;
    EXPECT_EQ(stratSave(pair.get(), stream), 1);  // the first method, then the concatenation
    EXPECT_EQ(capture.lines, std::vector<std::string>(2, "ERROR: stratSave: bad output"));
  }
  {
    ErrorCapture capture;
    EXPECT_EQ(stratSave(nested.get(), stream), 1);  // "(/(" fails at the condition itself
    EXPECT_EQ(capture.lines, std::vector<std::string>(1, "ERROR: stratSave: bad output"));
  }
  {
    ErrorCapture capture;
    EXPECT_EQ(stratTestSave(nested->data.cond.test, stream), 1);
    EXPECT_TRUE(capture.lines.empty());
  }
  fclose(stream);
}

TEST(StratSave, UnknownVariableDisplacement) {
  StratPointer strat = parseOrFail(orderTable, "/vert>1?s;");
  ASSERT_NE(strat, nullptr);
  strat->data.cond.test->data.operands[0]->data.var.displacement = 12345;
  char* buffer = nullptr;
  size_t size = 0;
  FILE* stream = open_memstream(&buffer, &size);
  {
    ErrorCapture capture;
    EXPECT_EQ(stratTestSave(strat->data.cond.test, stream), 1);
    EXPECT_EQ(capture.lines, std::vector<std::string>{"ERROR: stratTestSave: invalid variable displacement"});
  }
  {
    ErrorCapture capture;
    EXPECT_EQ(stratSave(strat.get(), stream), 1);
    EXPECT_EQ(capture.lines, (std::vector<std::string>{"ERROR: stratTestSave: invalid variable displacement",
                                                       "ERROR: stratSave: bad output"}));
  }
  fclose(stream);
  free(buffer);
}

TEST(StratRelease, SharedEmptyStrategyIsNeverFreed) {
  stratRelease(nullptr);
  stratRelease(&stratEmpty);
  StratPointer strat = parseOrFail(orderTable, "n{ole=s}");
  EXPECT_EQ(stratParamValue<Strat*>(strat.get(), "sep"), &stratEmpty);
  strat.reset();  // frees ole's node, leaves sep and ose alone
  EXPECT_EQ(stratEmpty.kind, STRAT_EMPTY);
  ASSERT_NE(stratEmpty.table, nullptr);
  EXPECT_EQ(stratEmpty.table->methods[0].name, nullptr);
  EXPECT_EQ(stratEmpty.table->params[0].name, nullptr);
  EXPECT_EQ(stratEmpty.table->variables[0].name, nullptr);
  // The empty strategy writes nothing.
  EXPECT_EQ(stratToText(&stratEmpty), "");
}

TEST(StratRelease, LongSequencesAndSelections) {
  const int count = 200000;
  std::string sequence(count, 'z');
  StratPointer strat = parseOrFail(&vgraphSeparateStTable, sequence);
  ASSERT_NE(strat, nullptr);
  EXPECT_EQ(stratToText(strat.get()), sequence);
  std::string selection = "z";
  for (int index = 1; index < count; index++) selection += "|z";
  StratPointer selected = parseOrFail(&vgraphSeparateStTable, selection);
  ASSERT_NE(selected, nullptr);
  const std::string written = stratToText(selected.get());
  EXPECT_EQ(written.size(), 2 * static_cast<size_t>(count) - 1 + 2 * static_cast<size_t>(count - 1));
  EXPECT_EQ(written.substr(written.size() - 3), "|z)");
}

}  // namespace
