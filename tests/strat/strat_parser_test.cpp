// The strategy parser: the language it accepts, the trees it builds, the
// values it stores, and its messages with the unread remainder of the text.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "bgraph/bgraph.h"
#include "kgraph/kgraph.h"
#include "order/hgraph.h"
#include "order/hgraph_order_methods.h"
#include "strat/strat_parser.h"
#include "strat_test_table.h"
#include "support/strat_support.h"
#include "support/test_support.h"
#include "vgraph/vgraph.h"
#include "vgraph/vgraph_separate_methods.h"

namespace {

const StratTab* const orderTable = &hgraphOrderStTable;
const StratTab* const separateTable = &vgraphSeparateStTable;

// Parses text that must be accepted without any message.
StratPointer accept(const StratTab* table, const std::string& text) {
  StratParse parse = stratParseCaptured(table, text);
  EXPECT_NE(parse.strat, nullptr) << text;
  EXPECT_TRUE(parse.lines.empty()) << text << ": " << (parse.lines.empty() ? "" : parse.lines[0]);
  return std::move(parse.strat);
}

// Parses text that must be refused with exactly these messages.
void refuse(const StratTab* table, const std::string& text, const std::vector<std::string>& messages) {
  StratParse parse = stratParseCaptured(table, text);
  EXPECT_EQ(parse.strat, nullptr) << text;
  EXPECT_EQ(parse.lines, messages) << text;
}

std::string syntax(const std::string& remainder) {
  return "ERROR: stratParserParse: invalid strategy string, before \"" + remainder + "\"";
}

std::string badValue(const std::string& param, const std::string& method, const std::string& remainder) {
  return "ERROR: stratParserParse: invalid value for parameter \"" + param + "\" of method \"" + method +
         "\", before \"" + remainder + "\"";
}

// The method node of a tree that must be one.
const Strat* method(const Strat* strat, int number) {
  EXPECT_EQ(strat->kind, STRAT_METHOD);
  EXPECT_EQ(strat->data.method.method, number);
  return strat;
}

const Strat* strategyParam(const Strat* node, const char* name) { return stratParamValue<Strat*>(node, name); }

TEST(StratParser, EmptyTextsGiveOneEmptyNode) {
  for (const char* text : {"", "()", "(())", "  ( ) ", "\n\t"}) {
    StratPointer strat = accept(orderTable, text);
    ASSERT_NE(strat, nullptr);
    EXPECT_EQ(strat->kind, STRAT_EMPTY) << text;
    EXPECT_NE(strat.get(), &stratEmpty) << "a parse builds its own node";
  }
  StratPointer selection = accept(orderTable, "|");
  ASSERT_EQ(selection->kind, STRAT_SELECT);
  EXPECT_EQ(selection->data.concat.first->kind, STRAT_EMPTY);
  EXPECT_EQ(selection->data.concat.second->kind, STRAT_EMPTY);
}

TEST(StratParser, DefaultsAreCopiedAndGivenValuesStored) {
  StratPointer strat = accept(orderTable, "b{cmin=0}");
  method(strat.get(), 0);
  EXPECT_EQ(stratParamValue<GraphNum>(strat.get(), "cmin"), 0);
  EXPECT_EQ(strategyParam(strat.get(), "strat"), &stratEmpty);

  StratPointer hd = accept(orderTable, "d");
  EXPECT_EQ(stratParamValue<GraphNum>(hd.get(), "cmin"), 1);
  EXPECT_EQ(stratParamValue<GraphNum>(hd.get(), "cmax"), 10000);
  EXPECT_EQ(stratParamValue<double>(hd.get(), "frat"), 0.08);
}

TEST(StratParser, MethodNamesAreCaseInsensitiveAndOneCharacterEach) {
  StratPointer lower = accept(orderTable, "n");
  StratPointer upper = accept(orderTable, "N");
  EXPECT_TRUE(stratTreesEqual(lower.get(), upper.get()));
  method(upper.get(), 7);

  // Adjacent letters are methods in sequence, left-associated.
  StratPointer pair = accept(&stratTestTable, "xy");
  ASSERT_EQ(pair->kind, STRAT_CONCAT);
  method(pair->data.concat.first, TEST_METHOD_X);
  method(pair->data.concat.second, TEST_METHOD_Y);
  StratPointer triple = accept(&stratTestTable, "x y\nY");
  ASSERT_EQ(triple->kind, STRAT_CONCAT);
  ASSERT_EQ(triple->data.concat.first->kind, STRAT_CONCAT);
  method(triple->data.concat.second, TEST_METHOD_Y);

  // Two entries named alike: the first in table order wins, whatever the case.
  method(accept(&stratTestTable, "X").get(), TEST_METHOD_X);
}

TEST(StratParser, CaseValuesMatchExactlyThenInLowerCase) {
  StratPointer upper = accept(separateTable, "m{type=H}");
  EXPECT_EQ(stratParamValue<int>(upper.get(), "type"), 0);
  StratPointer second = accept(separateTable, "m{type=s}");
  EXPECT_EQ(stratParamValue<int>(second.get(), "type"), 1);
  // Choices "rlsLS": an upper-case letter present as such is taken as is.
  const std::pair<const char*, int> policies[] = {{"r", 0}, {"l", 1}, {"s", 2}, {"L", 3}, {"S", 4}, {"R", 0}};
  for (const auto& [letter, index] : policies) {
    StratPointer strat = accept(&kgraphMapStTable, std::string("r{poli=") + letter + "}");
    EXPECT_EQ(stratParamValue<int>(strat.get(), "poli"), index) << letter;
  }
  // "C" is a choice of the test table but "c" is not: lower case is no fallback upward.
  EXPECT_EQ(stratParamValue<int>(accept(&stratTestTable, "x{sw=C}").get(), "sw"), 2);
  refuse(&stratTestTable, "x{sw=c}", {"ERROR: stratParserParse: invalid method parameter switch \"sw=c\", before \"}\""});
  refuse(separateTable, "m{type=x}",
         {"ERROR: stratParserParse: invalid method parameter switch \"type=x\", before \"}\""});
  refuse(separateTable, "m{type=X,vert=3}",
         {"ERROR: stratParserParse: invalid method parameter switch \"type=X\", before \",vert=3}\""});
}

TEST(StratParser, ParameterNamesMatchTheLongestTablePrefix) {
  StratPointer strat = accept(orderTable, "d{cmaxx=5}");
  EXPECT_EQ(stratParamValue<GraphNum>(strat.get(), "cmax"), 5);
  EXPECT_EQ(stratParamValue<GraphNum>(strat.get(), "cmin"), 1);
  StratPointer upper = accept(orderTable, "d{CMIN=4,Frat2=0.5}");
  EXPECT_EQ(stratParamValue<GraphNum>(upper.get(), "cmin"), 4);
  EXPECT_EQ(stratParamValue<double>(upper.get(), "frat"), 0.5);
  // "load0" is longer than "load", both prefixes of "load0x".
  StratParse longest = stratParseCaptured(&bgraphBipartStTable, "/load0x>1?;");
  ASSERT_NE(longest.strat, nullptr);
  const Bgraph bgraph = {};
  EXPECT_EQ(longest.strat->data.cond.test->data.operands[0]->data.var.displacement,
            reinterpret_cast<const char*>(&bgraph.part0Load) - reinterpret_cast<const char*>(&bgraph));
  // A name shorter than every entry is no prefix match.
  refuse(orderTable, "d{cma=5}", {"ERROR: stratParserParse: invalid method parameter name \"cma\", before \"5}\""});
  // Tie between "dup" and "DUP": the first entry gets the value.
  StratPointer tie = accept(&stratTestTable, "x{dup=9}");
  EXPECT_EQ(reinterpret_cast<const TestXParam*>(tie->data.method.paramBlock)->dup1, 9);
  EXPECT_EQ(reinterpret_cast<const TestXParam*>(tie->data.method.paramBlock)->dup2, 0);
}

TEST(StratParser, IntegerAndFloatingValues) {
  const std::pair<const char*, GraphNum> integers[] = {
      {"1.9", 1},   {"1e3", 1000},       {"-2", -2},       {"+7", 7},
      {"2.5e1", 25}, {"-1.9", -1},       {"0012", 12},     {"1E+2", 100},
      {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}, {"2147483647.9", INT32_MAX}, {"-2147483648.5", INT32_MIN}};
  for (const auto& [text, value] : integers) {
    StratPointer strat = accept(orderTable, std::string("d{cmin=") + text + "}");
    ASSERT_NE(strat, nullptr);
    EXPECT_EQ(stratParamValue<GraphNum>(strat.get(), "cmin"), value) << text;
  }
  const std::pair<const char*, double> reals[] = {{"1", 1.0},      {"0.25", 0.25}, {"-0.5", -0.5},
                                                  {"2e-3", 0.002}, {"+3", 3.0},    {"1.5E2", 150.0}};
  for (const auto& [text, value] : reals) {
    StratPointer strat = accept(orderTable, std::string("d{frat=") + text + "}");
    ASSERT_NE(strat, nullptr);
    EXPECT_EQ(stratParamValue<double>(strat.get(), "frat"), value) << text;
  }
  // Values that the field cannot hold are refused, whatever their form.
  // The scanner examined the character after the number, which is not in
  // the remainder.
  const std::pair<const char*, const char*> outOfRange[] = {
      {"d{cmin=99999999999}", "99999999999\", before \""},
      {"d{cmin=2147483648,cmax=3}", "2147483648\", before \"cmax=3}"},
      {"d{cmin=-2147483649}", "-2147483649\", before \""},
      {"d{cmin=1e30}", "1e30\", before \""},
      {"d{cmin=-2147483649.5}", "-2147483649.5\", before \""},
      {"d{cmin=1e999}", "1e999\", before \""},
      {"d{frat=1e999}", "1e999\", before \""},
      {"d{frat=-1e309}", "-1e309\", before \""},
      {"n{ose=g{pass=4294967296}}", "4294967296\", before \"}"},
      {"/vert>99999999999?s;", "99999999999\", before \"s;"},
      {"/vert>-2147483649?s;", "-2147483649\", before \"s;"},
      {"/vert>1e400?s;", "1e400\", before \"s;"},
  };
  for (const auto& [text, message] : outOfRange)
    refuse(orderTable, text, {std::string("ERROR: stratParserParse: number out of range \"") + message + "\""});
  // A tiny magnitude is a finite number: it reads as zero.
  EXPECT_EQ(stratParamValue<double>(accept(orderTable, "d{frat=1e-999}").get(), "frat"), 0.0);
  EXPECT_EQ(stratParamValue<GraphNum>(accept(orderTable, "d{cmin=1e-999}").get(), "cmin"), 0);

  // ".5": the dot is no number; the value of frat was being read.
  refuse(orderTable, "d{frat=.5}", {syntax("5}"), badValue("frat", "d", "5}")});
  // "1.": the number ends at "1" after "." and "}" were examined; the value
  // is complete, and the "." is then an error in the parameter list.
  refuse(orderTable, "d{frat=1.}", {syntax("")});
  refuse(orderTable, "d{cmin=1.,cmax=2}", {syntax("cmax=2}")});
  // "1e" followed by a letter: the exponent attempt examined "x"; then "ex"
  // is read as a name, which examines the ",".
  refuse(orderTable, "d{cmin=1ex,cmax=2}", {syntax("cmax=2}")});
  refuse(orderTable, "d{cmin=--1}", {syntax("1}"), badValue("cmin", "d", "1}")});
  refuse(orderTable, "d{cmin=}", {syntax(""), badValue("cmin", "d", "")});
}

TEST(StratParser, StrategyParameters) {
  StratPointer strat = accept(orderTable, "n{sep=}");
  const Strat* sep = strategyParam(strat.get(), "sep");
  ASSERT_NE(sep, nullptr);
  EXPECT_NE(sep, &stratEmpty);
  EXPECT_EQ(sep->kind, STRAT_EMPTY);
  EXPECT_EQ(strategyParam(strat.get(), "ole"), &stratEmpty);

  // The value is read with the parameter's table, then the table is restored.
  StratPointer nested = accept(orderTable, "n{sep=m{low=h},ole=d}");
  const Strat* multilevel = strategyParam(nested.get(), "sep");
  EXPECT_EQ(multilevel->table, separateTable);
  method(multilevel, 5);
  EXPECT_EQ(strategyParam(multilevel, "low")->table, separateTable);
  method(strategyParam(multilevel, "low"), 3);
  EXPECT_EQ(strategyParam(nested.get(), "ole")->table, orderTable);
  method(strategyParam(nested.get(), "ole"), 4);
  refuse(orderTable, "n{sep=s}", {"ERROR: stratParserParse: invalid method name \"s\", before \"}\""});

  // A parameter given twice keeps its last value (the first is released).
  StratPointer twice = accept(orderTable, "n{ole=d,ole=f{cmin=2},ose=g}");
  method(strategyParam(twice.get(), "ole"), 5);
  StratPointer integers = accept(orderTable, "d{cmin=3,cmin=4}");
  EXPECT_EQ(stratParamValue<GraphNum>(integers.get(), "cmin"), 4);

  // A strategy is no value for another type, even an empty one.
  refuse(orderTable, "d{cmin=(),cmax=3}", {syntax("),cmax=3}"), badValue("cmin", "d", "),cmax=3}")});
  refuse(separateTable, "m{type=,vert=3}", {syntax("vert=3}"), badValue("type", "m", "vert=3}")});
  refuse(orderTable, "n{sep=-m}", {syntax("}"), badValue("sep", "n", "}")});
}

TEST(StratParser, Conditions) {
  StratPointer strat = accept(orderTable, "/vert>100?n;");
  ASSERT_EQ(strat->kind, STRAT_COND);
  EXPECT_EQ(strat->data.cond.second, nullptr);
  const StratTest* test = strat->data.cond.test;
  EXPECT_EQ(test->kind, TEST_GT);
  EXPECT_EQ(test->valueType, VALUE_LOGICAL);
  EXPECT_EQ(test->data.operands[0]->kind, TEST_VAR);
  EXPECT_EQ(test->data.operands[1]->kind, TEST_VALUE);
  EXPECT_EQ(test->data.operands[1]->valueType, VALUE_INT);
  EXPECT_EQ(test->data.operands[1]->data.intValue, 100);

  refuse(orderTable, "/vert>100?n", {syntax("")});
  refuse(orderTable, "/vert?n;", {syntax("n;")});
  refuse(orderTable, "/vert>1>2?s;", {syntax("2?s;")});

  StratPointer negative = accept(orderTable, "/vert>-3?s;");
  EXPECT_EQ(negative->data.cond.test->data.operands[1]->data.intValue, -3);
  StratPointer real = accept(orderTable, "/vert<+2.5?s;");
  EXPECT_EQ(real->data.cond.test->kind, TEST_LT);
  EXPECT_EQ(real->data.cond.test->data.operands[1]->valueType, VALUE_DOUBLE);
  EXPECT_EQ(real->data.cond.test->data.operands[1]->data.doubleValue, 2.5);
  // The name "vert" examined ">" after it.
  refuse(orderTable, "/-vert>3?s;", {syntax("3?s;")});
  refuse(orderTable, "/-(vert)>3?s;", {syntax("vert)>3?s;")});

  StratPointer both = accept(orderTable, "/(vert>10|edge>5)&load>3?s;");
  const StratTest* conjunction = both->data.cond.test;
  ASSERT_EQ(conjunction->kind, TEST_AND);
  EXPECT_EQ(conjunction->data.operands[0]->kind, TEST_OR);
  EXPECT_EQ(conjunction->data.operands[1]->kind, TEST_GT);

  StratPointer alternatives = accept(orderTable, "/levl=0?s:d;");
  method(alternatives->data.cond.first, 8);
  method(alternatives->data.cond.second, 4);
  StratPointer empty = accept(orderTable, "/levl=0?;");
  EXPECT_EQ(empty->data.cond.first->kind, STRAT_EMPTY);
  refuse(orderTable, "/foo>1?s;", {"ERROR: stratParserParse: invalid graph parameter name \"foo\", before \"1?s;\""});
  // Variables come from the table in force: separation graphs have no "mdeg".
  accept(orderTable, "/mdeg>1?s;");
  refuse(orderTable, "n{sep=/mdeg>1?m;}",
         {"ERROR: stratParserParse: invalid graph parameter name \"mdeg\", before \"1?m;}\""});
}

TEST(StratParser, TestPrecedence) {
  // % over * over + and -, all left-associative; ! and parentheses.
  StratPointer strat = accept(orderTable, "/vert-edge+levl*mdeg%2*3>0|!(load=1)&levl<2?;");
  const StratTest* disjunction = strat->data.cond.test;
  ASSERT_EQ(disjunction->kind, TEST_OR);
  const StratTest* sum = disjunction->data.operands[0]->data.operands[0];
  ASSERT_EQ(sum->kind, TEST_ADD);
  EXPECT_EQ(sum->data.operands[0]->kind, TEST_SUB);
  const StratTest* product = sum->data.operands[1];
  ASSERT_EQ(product->kind, TEST_MUL);
  EXPECT_EQ(product->data.operands[1]->kind, TEST_VALUE);
  ASSERT_EQ(product->data.operands[0]->kind, TEST_MUL);
  EXPECT_EQ(product->data.operands[0]->data.operands[1]->kind, TEST_MOD);
  const StratTest* conjunction = disjunction->data.operands[1];
  ASSERT_EQ(conjunction->kind, TEST_AND);
  EXPECT_EQ(conjunction->data.operands[0]->kind, TEST_NOT);
  EXPECT_EQ(conjunction->data.operands[0]->data.operands[0]->kind, TEST_EQ);

  // A parenthesis opens either a sum or a disjunction.
  StratPointer sumFirst = accept(orderTable, "/(vert+1)*2>(3)?;");
  EXPECT_EQ(sumFirst->data.cond.test->data.operands[0]->kind, TEST_MUL);
  StratPointer nested = accept(orderTable, "/((vert+1)>2)&((vert>1)|!(edge<3))?;");
  EXPECT_EQ(nested->data.cond.test->kind, TEST_AND);
  accept(orderTable, "/(((vert)))>1?;");
  refuse(orderTable, "/vert+(vert>1)>0?;", {syntax("1)>0?;")});
  refuse(orderTable, "/(vert)|vert>1?;", {syntax("vert>1?;")});
  refuse(orderTable, "/(vert+1)?;", {syntax(";")});
  refuse(orderTable, "/!vert?;", {syntax(";")});
}

TEST(StratParser, MessagesShowTheUnreadRemainder) {
  // A one-letter method name needs no character after it.
  refuse(orderTable, "q}", {"ERROR: stratParserParse: invalid method name \"q\", before \"}\""});
  refuse(orderTable, "q  }", {"ERROR: stratParserParse: invalid method name \"q\", before \"  }\""});
  refuse(orderTable, "  q}", {"ERROR: stratParserParse: invalid method name \"q\", before \"}\""});
  refuse(orderTable, "s5", {"ERROR: stratParserParse: invalid method name \"5\", before \"\""});
  // A parameter name examined the "=" after it.
  refuse(orderTable, "d{xyz=5}", {"ERROR: stratParserParse: invalid method parameter name \"xyz\", before \"5}\""});
  // A whitespace run examined the character after it, and no more; the
  // number after it examined one more character.
  refuse(orderTable, "s  )xy", {syntax("xy")});
  refuse(orderTable, "d{cmin  5}", {syntax("")});
  refuse(separateTable, "m{}", {syntax("")});
  refuse(separateTable, "m{}x", {syntax("x")});
  refuse(orderTable, "s)", {syntax("")});
  refuse(orderTable, "(s", {syntax("")});
  refuse(orderTable, "s\r", {syntax("")});
  refuse(orderTable, "s;d", {syntax("d")});
  refuse(orderTable, "d{cmin=1;cmax=2}", {syntax("cmax=2}")});
  // Syntax errors in a value, including an enclosing strategy value.
  refuse(orderTable, "n{sep=m{vert=x}}", {syntax("}}"), badValue("vert", "m", "}}")});
  refuse(orderTable, "n{sep=(m{vert=5}=)}", {syntax(")}"), badValue("sep", "n", ")}")});
  refuse(orderTable, "n{sep=m{vert 5}}", {syntax("}"), badValue("sep", "n", "}")});
  // Once a strategy value has ended, its parameter no longer counts.
  refuse(orderTable, "n{ole=s=}", {syntax("}")});
  // Errors other than syntax errors end the parse at once.
  refuse(orderTable, "n{sep=m{type=x}}",
         {"ERROR: stratParserParse: invalid method parameter switch \"type=x\", before \"}}\""});
}

TEST(StratParser, StringParameters) {
  StratPointer strat = accept(&stratTestTable, "x{str=\"two words\"}");
  EXPECT_STREQ(reinterpret_cast<const TestXParam*>(strat->data.method.paramBlock)->str, "two words");
  StratPointer defaulted = accept(&stratTestTable, "x");
  EXPECT_STREQ(reinterpret_cast<const TestXParam*>(defaulted->data.method.paramBlock)->str, "def");

  // A long string is cut to what the block holds after the field.
  const std::string longText(300, 'a');
  StratPointer cut = accept(&stratTestTable, "x{str=\"" + longText + "\",num=4}");
  const size_t room = STRAT_PARAM_BLOCK_SIZE - offsetof(TestXParam, str);
  EXPECT_EQ(std::string(reinterpret_cast<const TestXParam*>(cut->data.method.paramBlock)->str), longText.substr(0, room - 1));
  EXPECT_EQ(reinterpret_cast<const TestXParam*>(cut->data.method.paramBlock)->num, 4);

  // Without a closing quote the quote alone is a token and the whole text was examined.
  refuse(&stratTestTable, "x{str=\"abc}", {syntax(""), badValue("str", "x", "")});
}

TEST(StratParser, IgnoredParametersAreReadAndDropped) {
  StratPointer strat = accept(&stratTestTable, "z{old=5,gone=xy,kind=q,keep=7}");
  const TestZParam* block = reinterpret_cast<const TestZParam*>(strat->data.method.paramBlock);
  EXPECT_EQ(block->old, 11);
  EXPECT_EQ(block->gone, &stratEmpty);
  EXPECT_EQ(block->kind, 0);
  EXPECT_EQ(block->keep, 7);
  // Their values must still be valid.
  refuse(&stratTestTable, "z{old=x}", {syntax("}"), badValue("old", "z", "}")});
  refuse(&stratTestTable, "z{gone=q}", {"ERROR: stratParserParse: invalid method name \"q\", before \"}\""});
}

TEST(StratParser, UnsetStrategyParametersAreWarnedAbout) {
  StratParse parse = stratParseCaptured(&stratTestTable, "w{cnt=2}y");
  ASSERT_NE(parse.strat, nullptr);
  EXPECT_EQ(parse.lines, std::vector<std::string>{"WARNING: stratParserParse: strategy parameter \"nul\" of method "
                                                  "\"w\" not set, before \"y\""});
  StratParse set = stratParseCaptured(&stratTestTable, "w{nul=y}");
  ASSERT_NE(set.strat, nullptr);
  EXPECT_TRUE(set.lines.empty());
}

TEST(StratParser, NestingBeyondTheParserStackIsRefusedOnce) {
  const int deep = 20000;
  const std::string open(deep, '(');
  const std::string close(deep, ')');
  const std::vector<std::pair<const StratTab*, std::string>> texts = {
      {orderTable, open + "s" + close},
      {orderTable, "n{sep=" + open + "m" + close + "}"},
      {orderTable, "/" + open + "vert>1" + close + "?s;"},
      {orderTable, "/vert>" + open + "1" + close + "?s;"},
      {orderTable, std::string("/").append(deep, '!').append("vert>1?s;")},
  };
  for (const auto& [table, text] : texts) {
    StratParse parse = stratParseCaptured(table, text);
    EXPECT_EQ(parse.strat, nullptr);
    ASSERT_EQ(parse.lines.size(), 1u) << text.substr(0, 20);
    EXPECT_EQ(parse.lines[0].rfind("ERROR: stratParserParse: invalid strategy string, before \"", 0), 0u);
  }
  // Deep but within bounds: accepted, with the parser's own recursion safe.
  const int fits = 9000;
  StratPointer deepGroup = accept(orderTable, std::string(fits, '(') + "s" + std::string(fits, ')'));
  method(deepGroup.get(), 8);
  // (Built with append: g++ 12 warns wrongly on a literal plus a temporary string.)
  StratPointer deepNot = accept(orderTable, std::string("/").append(fits, '!').append("vert>1?s;"));
  EXPECT_EQ(deepNot->data.cond.test->kind, TEST_NOT);
  accept(orderTable, "/vert>" + std::string(fits / 2, '(') + "1" + std::string(fits / 2, ')') + "?s;");
}

TEST(StratParser, EveryAllocationFailureIsReportedAndCleanedUp) {
  // The interface's default ordering strategy uses every node kind but the
  // "!", "*" and "%" nodes and floating constants; the second text has them.
  const std::vector<std::string> texts = {
      "c{rat=0.7,cpr=n{sep=/(vert>120)?m{type=h,rat=0.7,vert=100,low=h{pass=10},asc=b{width=3,bnd=f{bal=0.2},"
      "org=(|h{pass=10})f{bal=0.2}}}|m{type=h,rat=0.7,vert=100,low=h{pass=10},asc=b{width=3,bnd=f{bal=0.2},"
      "org=(|h{pass=10})f{bal=0.2}}};,ole=f{cmin=0,cmax=100000,frat=0.0},ose=g}}",
      "/!(vert*2%3<1.5)|edge+1-levl>0&load=2?(s|d)s:;"};
  for (const std::string& text : texts) {
    std::vector<int> messages;
    for (long budget = 0;; budget++) {
      stratParserFailAllocations(budget);
      StratParse parse = stratParseCaptured(orderTable, text);
      stratParserFailAllocations(-1);
      if (parse.strat != nullptr) {
        EXPECT_TRUE(parse.lines.empty());
        break;
      }
      ASSERT_EQ(parse.lines.size(), 1u);
      int number = 0;
      ASSERT_EQ(sscanf(parse.lines[0].c_str(), "ERROR: stratParserParse: out of memory (%d)", &number), 1)
          << parse.lines[0];
      messages.push_back(number);
    }
    std::sort(messages.begin(), messages.end());
    messages.erase(std::unique(messages.begin(), messages.end()), messages.end());
    if (text[0] == 'c')
      EXPECT_EQ(messages, (std::vector<int>{1, 2, 3, 4, 5, 9, 14, 15}));
    else
      EXPECT_EQ(messages, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
  }
}

}  // namespace
