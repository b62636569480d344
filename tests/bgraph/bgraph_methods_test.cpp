// Every bipartition method on every graph of the catalogue: from the
// all-in-part-0 state and from a grown bipartition, each leaves a
// bipartition that passes the consistency check. Then the extreme
// parameter values, which must give a clean result.
#include <gtest/gtest.h>

#include "bgraph_catalogue.h"
#include "support/strat_support.h"
#include "support/test_support.h"

namespace {

const char* const methodStrategies[] = {
    "z",
    "h",
    "h{pass=1}",
    "g",
    "g{pass=1}",
    "d",
    "d{type=k,pass=10}",
    "f",
    "f{move=5,pass=1,bal=0}",
    "x",
    "b{bnd=f,org=h}",
    "b{width=1,bnd=d{pass=20}f,org=z}",
    "m{low=h,asc=f}",
    "m{vert=20,rat=0.7,low=h{pass=10}|g,asc=b{bnd=f{bal=0.02},org=f{bal=0.02}}}",
    "m{low=x,asc=x}",
    "(h|g)f",
    "/(vert>20)?m{low=h,asc=f}:x;",
};

struct MethodCase {
  std::string strategy;
  BgraphCase graph;
};

class EveryMethod : public testing::TestWithParam<MethodCase> {};

TEST_P(EveryMethod, LeavesAConsistentBipartition) {
  const MethodCase& param = GetParam();
  StratParse parse = stratParseCaptured(&bgraphBipartStTable, param.strategy);
  ASSERT_NE(parse.strat, nullptr) << param.strategy;
  for (int start = 0; start < 2; start++) {
    intRandSeed(1);
    std::unique_ptr<TestBgraph> test = param.graph.make();
    if (start == 1) {
      const BgraphBipartGgParam grow = {2};
      ASSERT_EQ(bgraphBipartGg(&test->bgraph, &grow), 0);
    }
    ASSERT_EQ(bgraphBipartSt(&test->bgraph, parse.strat.get()), 0);
    EXPECT_TRUE(bgraphConsistent(&test->bgraph)) << "from start " << start;
    EXPECT_EQ(test->bgraph.commLoad, test->commLoadOf(test->parts()));
    EXPECT_EQ(test->bgraph.level, 0);
  }
}

std::vector<MethodCase> methodCases() {
  std::vector<MethodCase> cases;
  for (const BgraphCase& graph : bgraphCatalogue(true))
    for (const char* strategy : methodStrategies) cases.push_back({strategy, graph});
  return cases;
}

std::string caseName(const testing::TestParamInfo<MethodCase>& info) {
  std::string name = std::to_string(info.index) + "_" + info.param.graph.name;
  for (char& c : name)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Bipartition, EveryMethod, testing::ValuesIn(methodCases()), caseName);

TEST(BipartParameters, ExtremeValuesGiveACleanResult) {
  for (const char* strategy :
       {"m{rat=1.5,low=h,asc=f}", "m{rat=1,low=h,asc=f}", "m{rat=0,low=h,asc=f}", "m{rat=-2,low=h,asc=f}",
        "m{vert=-5,rat=0.5,low=h,asc=f}", "m{vert=2147483647,low=h,asc=f}", "h{pass=0}", "h{pass=-7}",
        "h{pass=2147483647}", "g{pass=0}", "g{pass=-1}", "g{pass=2147483647}", "d{pass=0}", "d{pass=-3}",
        "d{pass=2147483647}", "f{pass=0}", "f{pass=-9}", "f{pass=2147483647}", "f{move=2147483647}",
        "f{move=-1}", "f{bal=-1}", "f{bal=1e300}", "f{bal=0}", "b{width=2147483647,bnd=f,org=f}",
        "b{width=-4,bnd=f,org=f}", "h b{width=0,bnd=x,org=x}"}) {
    StratParse parse = stratParseCaptured(&bgraphBipartStTable, strategy);
    ASSERT_NE(parse.strat, nullptr) << strategy;
    for (const BgraphCase& graph : bgraphCatalogue(false)) {
      if ((graph.name == "random") && (std::string(strategy).find("2147483647}") != std::string::npos)) continue;
      intRandSeed(2);
      std::unique_ptr<TestBgraph> test = graph.make();
      ASSERT_EQ(bgraphBipartSt(&test->bgraph, parse.strat.get()), 0) << strategy << " on " << graph.name;
      EXPECT_TRUE(bgraphConsistent(&test->bgraph)) << strategy << " on " << graph.name;
    }
  }
}

}  // namespace
