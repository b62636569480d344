// Every save of the library on a device that refuses every byte: a text
// short enough to stay in the stream's buffer fails only when it is
// delivered, and the save must report that itself rather than return 0.
#include <functional>
#include <vector>

#include "order/library_strat.h"
#include "plyxen.h"
#include "support/test_support.h"

namespace {

struct SaveCase {
  const char* name;
  std::function<int(FILE*)> save;
  const char* message;  // the one line the failure gives
};

TEST(LibrarySaves, AFailedDeliveryIsReportedByEverySave) {
  const std::string full = fullDevicePath();
  if (full.empty()) GTEST_SKIP() << "cannot make a full device";

  Graph graph;
  buildPath(&graph, 0, 3);
  PLYXEN_Graph* graphHandle = reinterpret_cast<PLYXEN_Graph*>(&graph);
  std::vector<GraphNum> permutation(3), inverse(3);
  PLYXEN_Ordering ordering;
  ASSERT_EQ(PLYXEN_graphOrderInit(graphHandle, &ordering, permutation.data(), inverse.data(), nullptr, nullptr,
                                  nullptr),
            0);
  PLYXEN_Strat strat;
  PLYXEN_stratInit(&strat);
  ASSERT_EQ(PLYXEN_stratGraphOrder(&strat, "g"), 0);
  ASSERT_EQ(PLYXEN_graphOrderCompute(graphHandle, &ordering, &strat), 0);

  const SaveCase cases[] = {
      {"graph", [&](FILE* stream) { return PLYXEN_graphSave(graphHandle, stream); }, "graphSave: bad output (3)"},
      {"strategy", [&](FILE* stream) { return PLYXEN_stratSave(&strat, stream); }, "stratSave: bad output"},
      {"ordering", [&](FILE* stream) { return PLYXEN_graphOrderSave(graphHandle, &ordering, stream); },
       "orderSave: bad output (4)"},
      {"map", [&](FILE* stream) { return PLYXEN_graphOrderSaveMap(graphHandle, &ordering, stream); },
       "orderSaveMap: bad output (3)"},
      {"tree", [&](FILE* stream) { return PLYXEN_graphOrderSaveTree(graphHandle, &ordering, stream); },
       "orderSaveTree: bad output (3)"},
      {"random state", [](FILE* stream) { return intRandSave2(stream); }, "intRandSave2: bad output (4)"},
  };
  for (const SaveCase& c : cases) {
    SCOPED_TRACE(c.name);
    FILE* stream = fopen(full.c_str(), "w");
    ASSERT_NE(stream, nullptr);
    static char buffer[1 << 16];  // every text here fits in it
    setvbuf(stream, buffer, _IOFBF, sizeof(buffer));
    ErrorCapture capture;
    EXPECT_EQ(c.save(stream), 1);
    EXPECT_EQ(capture.lines, std::vector<std::string>{std::string("ERROR: ") + c.message});
    fclose(stream);

    // The same save into a plain file succeeds and reports nothing.
    const std::string path = temporaryPath("saved");
    stream = fopen(path.c_str(), "w");
    ASSERT_NE(stream, nullptr);
    ErrorCapture quiet;
    EXPECT_EQ(c.save(stream), 0);
    EXPECT_TRUE(quiet.lines.empty()) << quiet.first();
    fclose(stream);
  }

  PLYXEN_stratExit(&strat);
  PLYXEN_graphOrderExit(graphHandle, &ordering);
  graphExit(&graph);
}

}  // namespace
