// Every numeric parameter of the ordering and separation methods, at the
// ends of its range and at values that make no sense: an ordering either
// succeeds with a permutation or is refused with one message, never a crash,
// an endless run or an overflow.
#include <algorithm>
#include <string>
#include <vector>

#include "plyxen.h"
#include "support/test_support.h"

namespace {

struct ParameterCase {
  std::string strategy;
  const char* refusal;  // null when the ordering must succeed
};

// Orders the graph; returns the messages, after checking the outcome.
void expectOutcome(Graph* graph, const ParameterCase& test) {
  SCOPED_TRACE(test.strategy);
  const GraphNum n = graph->vertexCount;
  std::vector<GraphNum> inverse(n, -1);
  PLYXEN_Strat strat;
  PLYXEN_stratInit(&strat);
  ErrorCapture capture;
  int status = PLYXEN_stratGraphOrder(&strat, test.strategy.c_str());
  if (status == 0)
    status = PLYXEN_graphOrder(reinterpret_cast<PLYXEN_Graph*>(graph), &strat, nullptr, inverse.data(), nullptr,
                               nullptr, nullptr);
  PLYXEN_stratExit(&strat);
  if (test.refusal == nullptr) {
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(capture.lines.empty()) << capture.first();
    std::sort(inverse.begin(), inverse.end());
    for (GraphNum i = 0; i < n; i++) ASSERT_EQ(inverse[i], graph->base + i);
  } else {
    EXPECT_EQ(status, 1);
    // The first message is the one that a process prints before it ends.
    EXPECT_EQ(capture.first(), std::string("ERROR: ") + test.refusal);
  }
}

std::vector<ParameterCase> parameterCases() {
  const char* const integers[] = {"0", "1", "-1", "3", "2147483647", "-2147483648", "100000"};
  const char* const reals[] = {"0", "-1", "0.5", "1e-300", "2", "1e308", "-1e308"};
  std::vector<ParameterCase> cases;
  for (const char* value : integers) {
    const std::string v = value;
    for (const std::string& strategy : {
             "n{sep=m{vert=" + v + ",low=h,asc=f},ole=f,ose=g}",
             "n{sep=b{width=" + v + ",org=h,bnd=f},ole=f,ose=g}",
             "n{sep=h{pass=" + v + "},ole=d,ose=g}",
             "n{sep=g{pass=" + v + "},ole=f,ose=g{pass=" + v + "}}",
             "g{pass=" + v + "}",
             "f{cmin=" + v + "}",
             "f{cmax=" + v + "}",
             "d{cmin=" + v + ",cmax=" + v + "}",
             "n{sep=h,ole=f{cmin=" + v + ",cmax=" + v + "},ose=s}",
             "n{sep=(m{vert=20,low=h,asc=f}|g f),ole=f,ose=g,cmp=f,thrd=2,lka=" + v + ",lks=h f}",
         })
      cases.push_back({strategy, nullptr});
    // Block splitting refuses blocks of fewer than one vertex.
    const bool badBlock = (v == "0") || (v[0] == '-');
    cases.push_back({"b{cmin=" + v + ",strat=n{sep=h,ole=f}}",
                     badBlock ? "hgraphOrderBl: invalid minimum block size" : nullptr});
  }
  for (const char* value : reals) {
    const std::string v = value;
    for (const std::string& strategy : {"f{frat=" + v + "}", "d{frat=" + v + ",cmin=0}", "c{rat=" + v + ",cpr=f,unc=d}",
                                        "n{sep=hf{bal=" + v + "},ole=f,ose=g}", "n{sep=h,ole=f,ose=g,whl=" + v + "}"})
      cases.push_back({strategy, nullptr});
  }
  // Coarsening ratios: 1 or more cannot end, 0 or less never coarsens.
  for (const char* ratio : {"5.2", "3", "1", "1e308", "2147483647"})
    cases.push_back({std::string("n{sep=m{rat=") + ratio + ",low=h,asc=f},ole=f,ose=g}",
                     "vgraphSeparateMl: invalid coarsening ratio"});
  for (const char* ratio : {"0", "-1", "-1e308", "1e-300", "0.5", "0.999999"})
    cases.push_back({std::string("n{sep=m{rat=") + ratio + ",vert=2,low=h,asc=f},ole=f,ose=g}", nullptr});
  // Values that no field can hold are refused by the parser.
  cases.push_back({"n{sep=h,ole=f,ose=g{pass=99999999999}}",
                   "stratParserParse: number out of range \"99999999999\", before \"}\""});
  cases.push_back({"f{frat=1e999}", "stratParserParse: number out of range \"1e999\", before \"\""});
  return cases;
}

TEST(StrategyParameters, EveryValueGivesAnOrderingOrOneRefusal) {
  Graph grid;
  buildGrid(&grid, 0, 12, 12);
  for (const ParameterCase& test : parameterCases()) expectOutcome(&grid, test);
  graphExit(&grid);
  // A larger graph, so that the multilevel methods really coarsen.
  Graph larger;
  buildGrid(&larger, 1, 40, 40);
  for (const char* ratio : {"0.999999", "0.95", "1e-300"})
    expectOutcome(&larger, {std::string("n{sep=m{rat=") + ratio + ",vert=0,low=h{pass=2147483647},asc=f}}", nullptr});
  expectOutcome(&larger, {"n{sep=m{rat=1,vert=0,low=h,asc=f}}", "vgraphSeparateMl: invalid coarsening ratio"});
  graphExit(&larger);
}

}  // namespace
