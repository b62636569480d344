// The ordering, column-block map and column-block tree files.
#include <cstdio>
#include <string>
#include <vector>

#include "order_verify.h"
#include "support/test_support.h"

namespace {

// Writes with the given writer into a temporary file and returns the text.
template <class Writer>
std::string writeText(Writer writer, const Order& order, const GraphNum* labels, int* status = nullptr) {
  const std::string path = temporaryPath("order_out.txt");
  FILE* stream = fopen(path.c_str(), "w");
  EXPECT_NE(stream, nullptr);
  const int result = writer(&order, labels, stream);
  fclose(stream);
  if (status != nullptr) *status = result;
  return readFile(path);
}

int loadText(Order* order, const std::string& text, std::string* message = nullptr) {
  const std::string path = temporaryPath("order_in.txt");
  writeFile(path, text);
  FILE* stream = fopen(path.c_str(), "r");
  EXPECT_NE(stream, nullptr);
  ErrorCapture capture;
  const int result = orderLoad(order, nullptr, stream);
  fclose(stream);
  if (message != nullptr) *message = capture.first();
  return result;
}

// The expected ordering file of an inverse permutation, built from its
// definition: vertex base + i at the position where the inverse holds it.
std::string orderingText(const std::vector<GraphNum>& inverse, GraphNum base) {
  std::vector<GraphNum> position(inverse.size());
  for (size_t p = 0; p < inverse.size(); p++) position[inverse[p] - base] = base + static_cast<GraphNum>(p);
  std::string text = std::to_string(inverse.size()) + "\n";
  for (size_t i = 0; i < inverse.size(); i++)
    text += std::to_string(base + static_cast<GraphNum>(i)) + "\t" + std::to_string(position[i]) + "\n";
  return text;
}

TEST(OrderFiles, SaveWritesEachVertexWithItsPositionAndLoadsBack) {
  for (GraphNum base : {0, 1}) {
    const std::vector<GraphNum> inverse = {base + 2, base + 4, base + 0, base + 3, base + 1};
    OwnedOrder saved(base, 5);
    std::copy(inverse.begin(), inverse.end(), saved.order.inversePermutation);
    int status = -1;
    const std::string text = writeText(orderSave, saved.order, nullptr, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(text, orderingText(inverse, base));

    OwnedOrder loaded(base, 5);
    setTree(&loaded.order, {0, 5, {{0, 4, {}}, {0, 1, {}}}});
    ASSERT_EQ(loadText(&loaded.order, text), 0);
    EXPECT_EQ(inverseOf(loaded.order), inverse);
    EXPECT_EQ(loaded.order.columnBlockCount, 2);  // the tree is left alone
    EXPECT_EQ(loaded.order.vertexCount, 5);
  }
}

TEST(OrderFiles, LabelsReplaceNumbersOnBothSides) {
  // Labels 10, 20, 30 on vertices 0, 1, 2 placed at positions 2, 0, 1.
  OwnedOrder owned(0, 3);
  const GraphNum inverse[3] = {1, 2, 0};
  std::copy(inverse, inverse + 3, owned.order.inversePermutation);
  const GraphNum labels[3] = {10, 20, 30};
  EXPECT_EQ(writeText(orderSave, owned.order, labels), "3\n10\t30\n20\t10\n30\t20\n");
}

TEST(OrderFiles, LoadRefusesLabels) {
  OwnedOrder owned(0, 1);
  const GraphNum labels[1] = {4};
  ErrorCapture capture;
  EXPECT_EQ(orderLoad(&owned.order, labels, stdin), 1);
  EXPECT_EQ(capture.first(), "ERROR: orderLoad: vertex labels not yet supported");
}

TEST(OrderFiles, LoadRefusesBadFilesAndKeepsTheOrder) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"x\n", "ERROR: orderLoad: bad input (1)"},
      {"3\n0\t1\n1\n", "ERROR: orderLoad: bad input (2)"},
      {"3\n0\t1\n2\t0\n1\t2\n", "ERROR: orderLoad: bad input (3)"},
      {"3\n1\t1\n", "ERROR: orderLoad: bad input (3)"},
      // Longer than the Order: refused before anything is read into it.
      {"4\n0\t0\n1\t1\n2\t2\n3\t3\n", "ERROR: orderLoad: vertex count 4 in file does not match ordering of 3 vertices"},
      {"2\n0\t0\n1\t1\n", "ERROR: orderLoad: vertex count 2 in file does not match ordering of 3 vertices"},
      {"3\n0\t0\n1\t3\n2\t1\n", "ERROR: orderLoad: position out of range for vertex 1"},
      {"3\n0\t-1\n1\t0\n2\t1\n", "ERROR: orderLoad: position out of range for vertex 0"},
      {"3\n0\t2\n1\t0\n2\t2\n", "ERROR: orderLoad: repeated position for vertex 2"},
      // Numbers beyond 32 bits are refused, not wrapped onto valid ones.
      {"4294967299\n0\t2\n1\t1\n2\t0\n", "ERROR: orderLoad: bad input (1)"},
      {"3\n0\t4294967298\n1\t1\n2\t0\n", "ERROR: orderLoad: bad input (2)"},
      {"3\n4294967296\t2\n1\t1\n2\t0\n", "ERROR: orderLoad: bad input (2)"},
      {"3\n0\t2\n1\t1\n2\t-4294967296\n", "ERROR: orderLoad: bad input (2)"},
      // Anything but white space after the last line.
      {"3\n0\t2\n1\t1\n2\t0\n3\t3\n", "ERROR: orderLoad: unexpected data after the last vertex"},
      {"3\n0\t2\n1\t1\n2\t0\n\n#\n", "ERROR: orderLoad: unexpected data after the last vertex"},
      {"3\n0\t2\n1\t1\n2\t0x\n", "ERROR: orderLoad: unexpected data after the last vertex"},
  };
  for (const Case& c : cases) {
    OwnedOrder owned(0, 3);
    for (GraphNum i = 0; i < 3; i++) owned.order.inversePermutation[i] = 2 - i;
    std::string message;
    EXPECT_EQ(loadText(&owned.order, c.text, &message), 1) << c.text;
    EXPECT_EQ(message, c.message) << c.text;
    EXPECT_EQ(owned.order.vertexCount, 3);
    EXPECT_EQ(inverseOf(owned.order), (std::vector<GraphNum>{2, 1, 0})) << c.text;
  }
}

TEST(OrderFiles, FreshOrderMapAndTree) {
  OwnedOrder owned(1, 5);
  for (GraphNum i = 0; i < 5; i++) owned.order.inversePermutation[i] = 5 - i;
  const std::string expectedMap = "5\n1\t0\n2\t0\n3\t0\n4\t0\n5\t0\n";
  const std::string expectedTree = "5\n1\t-1\n2\t-1\n3\t-1\n4\t-1\n5\t-1\n";
  EXPECT_EQ(writeText(orderSaveMap, owned.order, nullptr), expectedMap);
  EXPECT_EQ(writeText(orderSaveTree, owned.order, nullptr), expectedTree);
}

TEST(OrderFiles, DissectionMapAndTreeFollowThePositions) {
  // Base 0; positions: part 0 = {3, 0}, part 1 = {4, 1}, separator = {2}.
  OwnedOrder owned(0, 5);
  const GraphNum inverse[5] = {3, 0, 4, 1, 2};
  std::copy(inverse, inverse + 5, owned.order.inversePermutation);
  setTree(&owned.order, {ORDER_BLOCK_DISSECTION, 5, {{0, 2, {}}, {0, 2, {}}, {0, 1, {}}}});
  // Block of each vertex 0..4: 0 -> part 0, 1 -> part 1, 2 -> separator, 3 -> part 0, 4 -> part 1.
  EXPECT_EQ(writeText(orderSaveMap, owned.order, nullptr), "5\n0\t0\n1\t1\n2\t2\n3\t0\n4\t1\n");
  // Fathers of the blocks: 2, 2, -1.
  EXPECT_EQ(writeText(orderSaveTree, owned.order, nullptr), "5\n0\t2\n1\t2\n2\t-1\n3\t2\n4\t2\n");
  const GraphNum labels[5] = {50, 51, 52, 53, 54};
  EXPECT_EQ(writeText(orderSaveMap, owned.order, labels), "5\n50\t0\n51\t1\n52\t2\n53\t0\n54\t1\n");
  EXPECT_EQ(writeText(orderSaveTree, owned.order, labels), "5\n50\t2\n51\t2\n52\t-1\n53\t2\n54\t2\n");
}

TEST(OrderFiles, TreeFileNumbersFathersInTheBase) {
  OwnedOrder owned(1, 5);
  for (GraphNum i = 0; i < 5; i++) owned.order.inversePermutation[i] = i + 1;
  setTree(&owned.order, {ORDER_BLOCK_DISSECTION, 5, {{0, 2, {}}, {0, 2, {}}, {0, 1, {}}}});
  EXPECT_EQ(writeText(orderSaveTree, owned.order, nullptr), "5\n1\t3\n2\t3\n3\t3\n4\t3\n5\t-1\n");
  EXPECT_EQ(writeText(orderSaveMap, owned.order, nullptr), "5\n1\t0\n2\t0\n3\t1\n4\t1\n5\t2\n");
}

TEST(OrderFiles, WriteFailuresAreReported) {
  OwnedOrder owned(0, 2);
  owned.order.inversePermutation[0] = 0;
  owned.order.inversePermutation[1] = 1;
  const std::string path = temporaryPath("read_only.txt");
  writeFile(path, "");
  struct Case {
    int (*writer)(const Order*, const GraphNum*, FILE*);
    const char* message;
  };
  const Case cases[] = {{orderSave, "ERROR: orderSave: bad output (1)"},
                        {orderSaveMap, "ERROR: orderSaveMap: bad output (1)"},
                        {orderSaveTree, "ERROR: orderSaveTree: bad output (1)"}};
  for (const Case& c : cases) {
    FILE* stream = fopen(path.c_str(), "r");
    ASSERT_NE(stream, nullptr);
    ErrorCapture capture;
    EXPECT_EQ(c.writer(&owned.order, nullptr, stream), 1);
    EXPECT_EQ(capture.first(), c.message);
    fclose(stream);
  }
}

}  // namespace
