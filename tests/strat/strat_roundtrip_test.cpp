// Writing a parsed strategy back and reading it again: the default ordering
// strategy of the solver interface, hand-written strategies, generated
// strategies, and a fuzz of random and damaged texts.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "bgraph/bgraph.h"
#include "kgraph/kgraph.h"
#include "order/hgraph.h"
#include "strat_test_table.h"
#include "support/strat_support.h"
#include "support/test_support.h"
#include "vgraph/vgraph.h"

namespace {

// The solver interface's default ordering strategy.
const char* const interfaceStrategy =
    "c{rat=0.7,cpr=n{sep=/(vert>120)?m{type=h,rat=0.7,vert=100,low=h{pass=10},asc=b{width=3,bnd=f{bal=0.2},"
    "org=(|h{pass=10})f{bal=0.2}}}|m{type=h,rat=0.7,vert=100,low=h{pass=10},asc=b{width=3,bnd=f{bal=0.2},"
    "org=(|h{pass=10})f{bal=0.2}}};,ole=f{cmin=0,cmax=100000,frat=0.0},ose=g},unc=n{sep=/(vert>120)?m{type=h,"
    "rat=0.7,vert=100,low=h{pass=10},asc=b{width=3,bnd=f{bal=0.2},org=(|h{pass=10})f{bal=0.2}}}|m{type=h,"
    "rat=0.7,vert=100,low=h{pass=10},asc=b{width=3,bnd=f{bal=0.2},org=(|h{pass=10})f{bal=0.2}}};,ole=f{cmin=15,"
    "cmax=100000,frat=0.0},ose=g}}";

// Parses, writes, parses the writing and writes again: both writings must
// agree and the two trees must be equal.
void checkRoundTrip(const StratTab* table, const std::string& text) {
  StratParse first = stratParseCaptured(table, text);
  ASSERT_NE(first.strat, nullptr) << text << ": " << (first.lines.empty() ? "" : first.lines[0]);
  EXPECT_TRUE(first.lines.empty()) << text;
  const std::string written = stratToText(first.strat.get());
  StratParse second = stratParseCaptured(table, written);
  ASSERT_NE(second.strat, nullptr) << written << ": " << (second.lines.empty() ? "" : second.lines[0]);
  EXPECT_EQ(stratToText(second.strat.get()), written) << text;
  std::string where;
  EXPECT_TRUE(stratTreesEqual(first.strat.get(), second.strat.get(), &where)) << text << " -> " << written << ": "
                                                                             << where;
}

TEST(StratRoundTrip, InterfaceDefaultStrategy) {
  checkRoundTrip(&hgraphOrderStTable, interfaceStrategy);

  StratParse parse = stratParseCaptured(&hgraphOrderStTable, interfaceStrategy);
  ASSERT_NE(parse.strat, nullptr);
  const Strat* compression = parse.strat.get();
  ASSERT_EQ(compression->kind, STRAT_METHOD);
  EXPECT_EQ(compression->data.method.method, 2);
  EXPECT_EQ(stratParamValue<double>(compression, "rat"), 0.7);
  const GraphNum leafMinimum[2] = {0, 15};
  const char* const branches[2] = {"cpr", "unc"};
  for (int branch = 0; branch < 2; branch++) {
    const Strat* dissection = stratParamValue<Strat*>(compression, branches[branch]);
    ASSERT_EQ(dissection->kind, STRAT_METHOD);
    EXPECT_EQ(dissection->data.method.method, 7);
    const Strat* separation = stratParamValue<Strat*>(dissection, "sep");
    ASSERT_EQ(separation->kind, STRAT_COND);
    EXPECT_EQ(separation->table, &vgraphSeparateStTable);
    EXPECT_EQ(separation->data.cond.second, nullptr);
    EXPECT_EQ(stratTestToText(separation->data.cond.test), "vert>120");
    const Strat* choice = separation->data.cond.first;
    ASSERT_EQ(choice->kind, STRAT_SELECT);
    std::string where;
    EXPECT_TRUE(stratTreesEqual(choice->data.concat.first, choice->data.concat.second, &where)) << where;
    const Strat* multilevel = choice->data.concat.first;
    EXPECT_EQ(multilevel->data.method.method, 5);
    EXPECT_EQ(stratParamValue<GraphNum>(multilevel, "vert"), 100);
    const Strat* band = stratParamValue<Strat*>(multilevel, "asc");
    EXPECT_EQ(stratParamValue<GraphNum>(band, "width"), 3);
    const Strat* origin = stratParamValue<Strat*>(band, "org");
    ASSERT_EQ(origin->kind, STRAT_CONCAT);
    ASSERT_EQ(origin->data.concat.first->kind, STRAT_SELECT);
    EXPECT_EQ(origin->data.concat.first->data.concat.first->kind, STRAT_EMPTY);
    EXPECT_EQ(stratParamValue<double>(origin->data.concat.second, "bal"), 0.2);
    const Strat* leaves = stratParamValue<Strat*>(dissection, "ole");
    EXPECT_EQ(leaves->data.method.method, 5);
    EXPECT_EQ(stratParamValue<GraphNum>(leaves, "cmin"), leafMinimum[branch]);
    EXPECT_EQ(stratParamValue<GraphNum>(leaves, "cmax"), 100000);
    EXPECT_EQ(stratParamValue<double>(leaves, "frat"), 0.0);
    EXPECT_EQ(stratParamValue<Strat*>(dissection, "ose")->data.method.method, 3);
  }
}

TEST(StratRoundTrip, HandWrittenStrategies) {
  const std::vector<std::pair<const StratTab*, std::string>> texts = {
      {&hgraphOrderStTable, ""},
      {&hgraphOrderStTable, "s"},
      {&hgraphOrderStTable, "n{sep=,ole=,ose=}"},
      {&hgraphOrderStTable, "b{strat=n{ole=d},cmin=16}"},
      {&hgraphOrderStTable, "o{strat=c{rat=0.5,cpr=s,unc=f{cmax=7}}}"},
      {&hgraphOrderStTable, "k{siz=4,strat=r{sep=m{low=h,asc=f{type=a}},poli=L}}"},
      {&hgraphOrderStTable, "n{sep=/vert>10?(m|e{strat=x,type=f}):z;,ole=/levl<3&mdeg>2?d:g;}"},
      {&hgraphOrderStTable, "/(vert>10|edge>5)&load>3?s;"},
      {&hgraphOrderStTable, "/!(vert=1)|!!(levl<2)&load%3=1?s:d;"},
      {&hgraphOrderStTable, "/vert*2-edge+levl%4*mdeg>-3.25?s;"},
      {&hgraphOrderStTable, "/vert+(edge-levl)>0&vert-(edge-levl)<9?s;"},
      {&hgraphOrderStTable, "/((vert+1)*(edge-2))%(levl+3)=0?s;"},
      {&hgraphOrderStTable, "/vert>1.5e3|edge<2E-2?/levl=0?d;:s;"},
      {&vgraphSeparateStTable, "m{type=s,vert=20,rat=0.5,low=h{pass=3}f,asc=b{width=2,bnd=f{move=9,pass=-1},org=f}}"},
      {&vgraphSeparateStTable, "(z|v)(h|g)f"},
      {&vgraphSeparateStTable, "((z|h)|g)|f"},
      {&vgraphSeparateStTable, "z|(h|g)"},
      {&vgraphSeparateStTable, "(|h{pass=10})f{bal=0.2}"},
      {&vgraphSeparateStTable, "e{strat=m{asc=b{bnd=f{type=a},org=d{type=k}},low=(h|g)}}"},
      {&vgraphSeparateStTable, "/load>levl*10?z;/edge<vert?v;"},
      {&bgraphBipartStTable, "/bal<0.05&load0>lmin0?f{bal=0.01}:(x|d{pass=3});"},
      {&bgraphBipartStTable, "m{vert=50,rat=0.75,low=h{pass=2},asc=b{bnd=f,org=f}}"},
      {&kgraphMapStTable, "r{job=u,map=u,poli=l,bal=0.125,sep=(m|h)f}"},
      {&kgraphMapStTable, "m{type=d,asc=b{width=1,bnd=f{move=3},org=x{bal=0.5}},low=r}d{dif=0.5,rem=0.25}"},
      {&kgraphMapStTable, "/levl=0?c;"},
  };
  for (const auto& [table, text] : texts) checkRoundTrip(table, text);
}

// Random valid strategies, written in a form whose tree reads back exactly:
// groups hold selections, conditions are fully parenthesised, floating
// values are quarters.
class StrategyGenerator {
 public:
  explicit StrategyGenerator(unsigned seed) : random_(seed) {}

  std::string selection(const StratTab* table, int depth) {
    const int alternatives = 1 + pick(3);
    if (alternatives == 1) return sequence(table, depth);
    std::string text;
    for (int index = 0; index < alternatives; index++) {
      if (index > 0) text += "|";
      if (pick(4) != 0) text += sequence(table, depth);  // sometimes an empty alternative
    }
    return text;
  }

 private:
  int pick(int bound) { return static_cast<int>(random_() % static_cast<unsigned>(bound)); }

  std::string quarter() { return std::to_string(pick(9)) + "." + std::string(pick(2) ? "25" : "75"); }

  std::string sequence(const StratTab* table, int depth) {
    std::string text;
    const int items = 1 + pick(3);
    for (int index = 0; index < items; index++) text += item(table, depth);
    return text;
  }

  std::string item(const StratTab* table, int depth) {
    const int kind = (depth <= 0) ? 0 : pick(10);
    if (kind == 8) return "/" + logical(table, 2) + "?" + selection(table, depth - 1) +
                          (pick(2) ? ":" + selection(table, depth - 1) : "") + ";";
    if (kind == 9) return "(" + sequence(table, depth - 1) + "|" + selection(table, depth - 1) + ")";
    return method(table, depth);
  }

  std::string method(const StratTab* table, int depth) {
    size_t count = 0;
    while (table->methods[count].name != nullptr) count++;
    const StratMethod& chosen = table->methods[pick(static_cast<int>(count))];
    std::string text = chosen.name;
    if (pick(3) == 0) text[0] = static_cast<char>(toupper(text[0]));
    std::vector<const StratParam*> params;
    for (const StratParam* param = table->params; param->name != nullptr; param++)
      if ((param->method == chosen.number) && ((param->type & ~STRAT_PARAM_IGNORED) != STRAT_PARAM_STRING))
        params.push_back(param);
    if (params.empty() || (pick(3) == 0)) return text;
    const int given = 1 + pick(static_cast<int>(params.size()));
    for (int index = 0; index < given; index++) {
      const StratParam* param = params[pick(static_cast<int>(params.size()))];
      text += (index == 0) ? "{" : ",";
      text += param->name;
      text += "=";
      switch (param->type & ~STRAT_PARAM_IGNORED) {
        case STRAT_PARAM_CASE: {
          const char* choices = static_cast<const char*>(param->selector);
          text += choices[pick(static_cast<int>(strlen(choices)))];
          break;
        }
        case STRAT_PARAM_DOUBLE:
          text += (pick(4) == 0 ? "-" : "") + quarter();
          break;
        case STRAT_PARAM_INT:
          text += (pick(4) == 0 ? "-" : "") + std::to_string(pick(1000));
          break;
        default:
          text += (depth > 0) ? selection(static_cast<const StratTab*>(param->selector), depth - 1) : "";
          break;
      }
    }
    return text + "}";
  }

  std::string variable(const StratTab* table) {
    size_t count = 0;
    while (table->variables[count].name != nullptr) count++;
    return table->variables[pick(static_cast<int>(count))].name;
  }

  std::string arithmetic(const StratTab* table, int depth) {
    if ((depth <= 0) || (pick(3) == 0)) {
      switch (pick(3)) {
        case 0:
          return variable(table);
        case 1:
          return (pick(3) == 0 ? "-" : "") + std::to_string(pick(50));
        default:
          return (pick(3) == 0 ? "-" : "") + quarter();
      }
    }
    const char operators[] = "+-*%";
    return "(" + arithmetic(table, depth - 1) + operators[pick(4)] + arithmetic(table, depth - 1) + ")";
  }

  std::string logical(const StratTab* table, int depth) {
    const int kind = (depth <= 0) ? 0 : pick(4);
    if (kind == 0) {
      const char comparisons[] = "<=>";
      return arithmetic(table, 2) + comparisons[pick(3)] + arithmetic(table, 2);
    }
    if (kind == 1) return "!(" + logical(table, depth - 1) + ")";
    return "(" + logical(table, depth - 1) + (kind == 2 ? "&" : "|") + logical(table, depth - 1) + ")";
  }

  std::mt19937 random_;
};

const StratTab* const allTables[] = {&hgraphOrderStTable, &vgraphSeparateStTable, &bgraphBipartStTable,
                                     &kgraphMapStTable};

TEST(StratRoundTrip, GeneratedStrategies) {
  StrategyGenerator generator(12345);
  for (int round = 0; round < 600; round++) {
    const StratTab* table = allTables[round % 4];
    checkRoundTrip(table, generator.selection(table, 3));
    if (HasFailure()) break;
  }
}

// Random token soup and damaged valid strategies: the parser must never
// crash or leak; a refusal starts with a parser message; an accepted text
// is written as a text that reads back and writes identically.
TEST(StratRoundTrip, FuzzedTexts) {
  const std::vector<std::string> alphabet = {
      "b", "o", "c", "g", "d", "f", "k", "n", "s", "e", "h", "m", "v", "z", "x", "r", "y", "w", "X", "q",
      "cmin", "cmax", "frat", "rat", "cpr", "unc", "pass", "siz", "strat", "sep", "ole", "ose", "bnd", "org",
      "width", "type", "move", "bal", "asc", "low", "vert", "job", "map", "poli", "dif", "rem", "num", "dbl",
      "sw", "sub", "dup", "str", "old", "gone", "kind", "keep", "nul", "cnt", "edge", "levl", "load", "mdeg",
      "lmin0", "load0", "count", "ratio", "|", "/", "?", ";", ":", "(", ")", "{", "}", ",", "=", "&", "!", "<",
      ">", "+", "-", "*", "%", ".", "e", "\"", " ", "\r", "\n", "0", "1", "7", "12", "0.5", "1e3", "1.", "E-",
      "\"ab\""};
  const StratTab* const tables[] = {&hgraphOrderStTable, &vgraphSeparateStTable, &bgraphBipartStTable,
                                    &kgraphMapStTable, &stratTestTable};
  std::mt19937 random(2024);
  auto pick = [&](size_t bound) { return static_cast<size_t>(random() % bound); };
  StrategyGenerator generator(777);
  int accepted = 0;
  for (int round = 0; round < 4000; round++) {
    const StratTab* table = tables[pick(5)];
    std::string text;
    if (round % 2 == 0) {
      const size_t tokens = pick(30);
      for (size_t index = 0; index < tokens; index++) text += alphabet[pick(alphabet.size())];
    } else {
      text = generator.selection(allTables[pick(4)], 2);
      const size_t mutations = 1 + pick(3);
      for (size_t index = 0; index < mutations && !text.empty(); index++) {
        const size_t position = pick(text.size());
        switch (pick(4)) {
          case 0:
            text.erase(position, 1 + pick(3));
            break;
          case 1:
            text.insert(position, alphabet[pick(alphabet.size())]);
            break;
          case 2:
            text[position] = alphabet[pick(alphabet.size())][0];
            break;
          default:
            text.insert(position, text.substr(pick(text.size()), pick(8)));
            break;
        }
      }
    }

    StratParse parse = stratParseCaptured(table, text);
    // Only the test table has a strategy parameter without default, whose
    // warnings may come before an error.
    while (!parse.lines.empty() && (table == &stratTestTable) &&
           (parse.lines[0].rfind("WARNING: stratParserParse: strategy parameter \"nul\"", 0) == 0))
      parse.lines.erase(parse.lines.begin());
    if (parse.strat == nullptr) {
      ASSERT_FALSE(parse.lines.empty()) << text;
      EXPECT_EQ(parse.lines[0].rfind("ERROR: stratParserParse: ", 0), 0u) << text << ": " << parse.lines[0];
      ASSERT_LE(parse.lines.size(), 2u) << text;
      if (parse.lines.size() == 2) {
        EXPECT_EQ(parse.lines[0].rfind("ERROR: stratParserParse: invalid strategy string, before \"", 0), 0u);
        EXPECT_EQ(parse.lines[1].rfind("ERROR: stratParserParse: invalid value for parameter \"", 0), 0u);
      }
      continue;
    }
    accepted++;
    for (const std::string& line : parse.lines) EXPECT_EQ(line.rfind("WARNING: stratParserParse: ", 0), 0u) << text;
    if (table == &stratTestTable) continue;  // string values are written without quotes
    const std::string written = stratToText(parse.strat.get());
    StratParse again = stratParseCaptured(table, written);
    ASSERT_NE(again.strat, nullptr) << text << " -> " << written;
    EXPECT_EQ(stratToText(again.strat.get()), written) << text;
  }
  EXPECT_GT(accepted, 200);  // the fuzz reaches the accepting paths too
}

}  // namespace
