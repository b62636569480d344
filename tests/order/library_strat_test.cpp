// Public strategy handles and the builder of the default ordering strategy.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "order/hgraph.h"
#include "order/library_strat.h"
#include "plyxen.h"
#include "support/strat_support.h"
#include "support/test_support.h"
#include "vgraph/vgraph.h"

namespace {

// The default ordering strategy for the given choices, composed from its
// description: compression, then on both branches nested dissection whose
// separation runs multilevel separation (once, or the better of two) while
// the test holds, with the given leaf and separator orderings.
std::string expectedStrategy(int flags, int levelCount, const std::string& balance) {
  const std::string multilevel = "m{rat=0.7,vert=100,low=h{pass=10},asc=b{width=3,bnd=f{bal=" + balance +
                                 "},org=(|h{pass=10})f{bal=" + balance + "}}}";
  const std::string level = "levl<" + std::to_string(levelCount);
  std::string test;
  switch (flags & 0x3000) {
    case 0x0000:
      test = "vert>240";
      break;
    case 0x1000:
      test = "(" + level + ")&(vert>240)";
      break;
    case 0x2000:
      test = "(" + level + ")|(vert>240)";
      break;
    default:
      test = level;
      break;
  }
  const std::string separation =
      "/(" + test + ")?" + multilevel + (((flags & 0x2) != 0) ? "" : "|" + multilevel) + ";";
  const std::string leaves = ((flags & 0x4000) != 0) ? "s" : "f{cmin=15,cmax=100000,frat=0.0}";
  const std::string separators = ((flags & 0x8000) != 0) ? "s" : "g";
  const std::string dissection = "n{sep=" + separation + ",ole=" + leaves + ",ose=" + separators + "}";
  const std::string compression = "c{rat=0.7,cpr=" + dissection + ",unc=" + dissection + "}";
  return ((flags & 0x10000) != 0) ? "o{strat=" + compression + "}" : compression;
}

std::string handleText(const PLYXEN_Strat* handle) {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* stream = open_memstream(&buffer, &size);
  EXPECT_EQ(PLYXEN_stratSave(handle, stream), 0);
  fclose(stream);
  std::string text(buffer, size);
  free(buffer);
  return text;
}

// Calls visit on every node of the tree, strategy parameters included.
void visitTree(const Strat* strat, const std::function<void(const Strat*)>& visit) {
  if (strat == nullptr) return;
  visit(strat);
  switch (strat->kind) {
    case STRAT_CONCAT:
    case STRAT_SELECT:
      visitTree(strat->data.concat.first, visit);
      visitTree(strat->data.concat.second, visit);
      break;
    case STRAT_COND:
      visitTree(strat->data.cond.first, visit);
      visitTree(strat->data.cond.second, visit);
      break;
    case STRAT_METHOD:
      for (const StratParam* param = strat->table->params; param->name != nullptr; param++)
        if ((param->method == strat->data.method.method) && (param->type == STRAT_PARAM_STRAT))
          visitTree(stratParamValue<Strat*>(strat, param->name), visit);
      break;
    default:
      break;
  }
}

TEST(LibraryStrat, HandleLifeCycle) {
  PLYXEN_Strat handle;
  memset(&handle, 0x5a, sizeof(handle));
  EXPECT_EQ(PLYXEN_stratInit(&handle), 0);
  EXPECT_EQ(stratHandleGet(&handle), nullptr);
  EXPECT_EQ(handleText(&handle), "");  // an empty handle writes the empty strategy

  EXPECT_EQ(PLYXEN_stratGraphOrder(&handle, "d{cmin=2}"), 0);
  ASSERT_NE(stratHandleGet(&handle), nullptr);
  EXPECT_EQ(stratHandleGet(&handle)->table, &hgraphOrderStTable);
  EXPECT_EQ(handleText(&handle), "d{cmin=2,cmax=10000,frat=0.08}");
  // Parsing again frees the strategy held (the leak check sees it).
  EXPECT_EQ(PLYXEN_stratGraphOrder(&handle, "n{ole=s}"), 0);
  EXPECT_EQ(handleText(&handle), "n{sep=,ole=s,ose=,cmp=s,thrd=0,shp=0,whl=0,lka=0,lks=}");
  PLYXEN_stratFree(&handle);
  EXPECT_EQ(stratHandleGet(&handle), nullptr);
  PLYXEN_stratFree(&handle);

  EXPECT_EQ(PLYXEN_stratGraphOrder(&handle, "s"), 0);
  PLYXEN_stratExit(&handle);
  PLYXEN_stratExit(&handle);  // a second exit frees nothing twice
}

TEST(LibraryStrat, ParseFailureLeavesTheHandleEmpty) {
  PLYXEN_Strat handle;
  PLYXEN_stratInit(&handle);
  ASSERT_EQ(PLYXEN_stratGraphOrder(&handle, "s"), 0);
  ErrorCapture capture;
  EXPECT_EQ(PLYXEN_stratGraphOrder(&handle, "m"), 1);  // a separation method, not an ordering one
  EXPECT_EQ(stratHandleGet(&handle), nullptr);
  EXPECT_EQ(capture.lines,
            (std::vector<std::string>{"ERROR: stratParserParse: invalid method name \"m\", before \"\"",
                                      "ERROR: PLYXEN_stratGraphOrder: error in ordering strategy"}));
  capture.lines.clear();
  EXPECT_EQ(PLYXEN_stratGraphOrder(&handle, nullptr), 1);
  EXPECT_EQ(stratHandleGet(&handle), nullptr);
  EXPECT_EQ(capture.lines,
            (std::vector<std::string>{"ERROR: stratParserParse: invalid strategy string, before \"\"",
                                      "ERROR: PLYXEN_stratGraphOrder: error in ordering strategy"}));
  PLYXEN_stratExit(&handle);
}

TEST(LibraryStrat, SaveReportsWriteFailures) {
  PLYXEN_Strat handle;
  PLYXEN_stratInit(&handle);
  ASSERT_EQ(PLYXEN_stratGraphOrder(&handle, "g"), 0);
  const std::string path = temporaryPath("library_strat_read_only.txt");
  writeFile(path, "x");
  FILE* stream = fopen(path.c_str(), "r");
  ASSERT_NE(stream, nullptr);
  {
    ErrorCapture capture;
    EXPECT_EQ(PLYXEN_stratSave(&handle, stream), 1);
    EXPECT_EQ(capture.first(), "ERROR: stratSave: bad output");
  }
  fclose(stream);
  PLYXEN_stratExit(&handle);
}

TEST(LibraryStrat, BuiltStrategiesForEveryFlag) {
  const int flagSets[] = {0,      0x2,    0x1000, 0x2000, 0x3000,          0x4000,          0x8000,
                          0x10000, 0x3002, 0xc000, 0x1001, 0x2000 | 0x10000, 0x2 | 0x4000 | 0x8000, 0x1ffff};
  for (const int flags : flagSets) {
    for (const int levelCount : {0, 3, 12}) {
      PLYXEN_Strat handle;
      PLYXEN_stratInit(&handle);
      ASSERT_EQ(PLYXEN_stratGraphOrderBuild(&handle, flags, levelCount, 0.2), 0) << flags;
      const Strat* built = stratHandleGet(&handle);
      ASSERT_NE(built, nullptr);
      StratParse expected = stratParseCaptured(&hgraphOrderStTable, expectedStrategy(flags, levelCount, "0.200000"));
      ASSERT_NE(expected.strat, nullptr);
      std::string where;
      EXPECT_TRUE(stratTreesEqual(built, expected.strat.get(), &where)) << std::hex << flags << ": " << where;

      // Written back, the strategy reads as the same tree.
      const std::string written = handleText(&handle);
      StratParse again = stratParseCaptured(&hgraphOrderStTable, written);
      ASSERT_NE(again.strat, nullptr) << written;
      EXPECT_TRUE(stratTreesEqual(built, again.strat.get(), &where)) << where;
      PLYXEN_stratExit(&handle);
    }
  }
}

TEST(LibraryStrat, DefaultBuildUsesTheVertexTestAndBalance) {
  PLYXEN_Strat handle;
  PLYXEN_stratInit(&handle);
  ASSERT_EQ(PLYXEN_stratGraphOrderBuild(&handle, 0, 0, 0.2), 0);
  const Strat* built = stratHandleGet(&handle);
  ASSERT_EQ(built->data.method.method, 2);  // compression
  int conditions = 0;
  int refinements = 0;
  visitTree(built, [&](const Strat* node) {
    if (node->kind == STRAT_COND) {
      conditions++;
      EXPECT_EQ(stratTestToText(node->data.cond.test), "vert>240");
      EXPECT_EQ(node->data.cond.first->kind, STRAT_SELECT);  // both multilevel separations
      EXPECT_EQ(node->data.cond.second, nullptr);
    }
    if ((node->kind == STRAT_METHOD) && (node->table == &vgraphSeparateStTable) && (node->data.method.method == 2)) {
      refinements++;
      EXPECT_EQ(stratParamValue<double>(node, "bal"), 0.2);
    }
    if ((node->kind == STRAT_METHOD) && (node->table == &hgraphOrderStTable) && (node->data.method.method == 7)) {
      const Strat* leaves = stratParamValue<Strat*>(node, "ole");
      EXPECT_EQ(stratToText(leaves), "f{cmin=15,cmax=100000,frat=0}");
      EXPECT_EQ(stratToText(stratParamValue<Strat*>(node, "ose")), "g{pass=3}");
    }
  });
  EXPECT_EQ(conditions, 2);
  EXPECT_EQ(refinements, 8);  // two per multilevel separation, two of those per dissection
  PLYXEN_stratExit(&handle);
}

TEST(LibraryStrat, BuildEdgeCases) {
  PLYXEN_Strat handle;
  PLYXEN_stratInit(&handle);
  // Level-only dissection.
  ASSERT_EQ(PLYXEN_stratGraphOrderBuild(&handle, 0x3000, 3, 0.2), 0);
  const Strat* separation =
      stratParamValue<Strat*>(stratParamValue<Strat*>(stratHandleGet(&handle), "cpr"), "sep");
  EXPECT_EQ(stratTestToText(separation->data.cond.test), "levl<3");

  // One separation method and the simple method for leaves and separators.
  ASSERT_EQ(PLYXEN_stratGraphOrderBuild(&handle, 0x2 | 0x4000 | 0x8000, 0, 0.2), 0);
  const Strat* dissection = stratParamValue<Strat*>(stratHandleGet(&handle), "unc");
  EXPECT_EQ(stratParamValue<Strat*>(dissection, "sep")->data.cond.first->kind, STRAT_METHOD);
  EXPECT_EQ(stratToText(stratParamValue<Strat*>(dissection, "ole")), "s");
  EXPECT_EQ(stratToText(stratParamValue<Strat*>(dissection, "ose")), "s");

  // Wrapped in the connected-components method.
  ASSERT_EQ(PLYXEN_stratGraphOrderBuild(&handle, 0x10000, 0, 0.2), 0);
  EXPECT_EQ(stratHandleGet(&handle)->data.method.method, 1);
  EXPECT_EQ(stratParamValue<Strat*>(stratHandleGet(&handle), "strat")->data.method.method, 2);

  // The balance is written with six decimals.
  ASSERT_EQ(PLYXEN_stratGraphOrderBuild(&handle, 0x2, 0, 0.0312346), 0);
  const Strat* multilevel =
      stratParamValue<Strat*>(stratParamValue<Strat*>(stratHandleGet(&handle), "cpr"), "sep")->data.cond.first;
  const Strat* band = stratParamValue<Strat*>(multilevel, "asc");
  EXPECT_EQ(stratParamValue<double>(stratParamValue<Strat*>(band, "bnd"), "bal"), 0.031235);

  // A balance that is no number cannot be parsed: the handle is left empty.
  {
    ErrorCapture capture;
    EXPECT_EQ(PLYXEN_stratGraphOrderBuild(&handle, 0, 0, std::nan("")), 1);
    EXPECT_EQ(stratHandleGet(&handle), nullptr);
    ASSERT_GE(capture.lines.size(), 3u);
    EXPECT_EQ(capture.lines[0].rfind("ERROR: stratParserParse: invalid strategy string", 0), 0u);
    EXPECT_EQ(capture.lines[capture.lines.size() - 2], "ERROR: PLYXEN_stratGraphOrder: error in ordering strategy");
    EXPECT_EQ(capture.lines.back(), "ERROR: PLYXEN_stratGraphOrderBuild: error in sequential ordering strategy");
  }
  // Extreme but valid arguments still give a strategy, with the very values asked for.
  ASSERT_EQ(PLYXEN_stratGraphOrderBuild(&handle, 0x3000, -2147483647 - 1, 1e300), 0);
  EXPECT_EQ(stratTestToText(stratParamValue<Strat*>(stratParamValue<Strat*>(stratHandleGet(&handle), "cpr"), "sep")
                                ->data.cond.test),
            "levl<-2147483648");
  PLYXEN_stratExit(&handle);
}

}  // namespace
