// Seeded mutation testing of the loader: small valid graph files are
// damaged in many ways (changed bytes, cuts, inserted garbage, huge or
// negative numbers, lost or doubled numbers) and loaded. Whatever the input,
// the loader must not crash or touch memory outside its arrays, and its
// results must be consistent: a failure reports and leaves the record
// cleared; a success gives a graph that either passes the check, and then
// is well-formed and saves and loads back unchanged, or fails it with one
// message.
#include <cctype>

#include "graph_text.h"

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

using graphtest::expectSameGraph;
using graphtest::loadText;
using graphtest::referenceWellFormed;
using graphtest::saveText;

namespace {

class Mutator {
 public:
  explicit Mutator(uint64_t seed) : state_(seed) {}

  uint64_t next(uint64_t bound) {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return (state_ >> 33) % bound;
  }

  std::string mutate(std::string text) {
    for (uint64_t count = 1 + next(3); count > 0; count--) {
      switch (next(6)) {
        case 0:  // change one byte
          if (!text.empty()) text[next(text.size())] = randomByte();
          break;
        case 1:  // cut the file short
          text.resize(next(text.size() + 1));
          break;
        case 2: {  // insert garbage
          std::string garbage;
          for (uint64_t i = 1 + next(8); i > 0; i--) garbage.push_back(randomByte());
          text.insert(next(text.size() + 1), garbage);
          break;
        }
        case 3:  // replace a number by a huge or negative one
          replaceNumber(&text, kNumbers[next(sizeof(kNumbers) / sizeof(kNumbers[0]))]);
          break;
        case 4:  // lose a number
          replaceNumber(&text, "");
          break;
        default:  // double a number
          replaceNumber(&text, nullptr);
          break;
      }
    }
    return text;
  }

 private:
  static constexpr const char* kNumbers[] = {"2147483647", "2147483648", "4294967295", "-2147483648", "-1",
                                             "99999999999", "1000000000", "536870912", "0", "1", "-7", "111"};

  char randomByte() {
    static const char interesting[] = "0123456789 \t\n-+";
    if (next(2) == 0) return interesting[next(sizeof(interesting) - 1)];
    return static_cast<char>(next(256));
  }

  // Replaces the digits of a random number; null doubles it instead.
  void replaceNumber(std::string* text, const char* replacement) {
    std::vector<std::pair<size_t, size_t>> numbers;
    for (size_t i = 0; i < text->size();) {
      if (isdigit(static_cast<unsigned char>((*text)[i]))) {
        size_t start = i;
        while (i < text->size() && isdigit(static_cast<unsigned char>((*text)[i]))) i++;
        numbers.push_back({start, i - start});
      } else {
        i++;
      }
    }
    if (numbers.empty()) return;
    auto [start, length] = numbers[next(numbers.size())];
    std::string number = text->substr(start, length);
    text->replace(start, length, replacement == nullptr ? number + " " + number : std::string(replacement));
  }

  uint64_t state_;
};

// Whether the header of the text declares more than 2^20 vertices or arcs.
// The address sanitizer takes seconds to hand out and take back arrays of
// gigabytes, which the plain build does in no time; under it such inputs
// are left to the plain build (the loader code they run is the same).
bool declaresHugeArrays(const std::string& text) {
  FILE* stream = graphtest::openText(text);
  GraphNum version;
  GraphNum vertexCount = 0;
  GraphNum arcCount = 0;
  bool huge = intLoad(stream, &version) == 1 && intLoad(stream, &vertexCount) == 1 &&
              (vertexCount > (1 << 20) || (intLoad(stream, &arcCount) == 1 && arcCount > (1 << 20)));
  fclose(stream);
  return huge;
}

// Small valid files in every property combination.
std::vector<std::string> seedFiles() {
  std::vector<std::string> files;
  Graph graph;
  buildPath(&graph, 0, 4);
  files.push_back(saveText(&graph));
  graphExit(&graph);
  buildGrid(&graph, 1, 3, 3);
  files.push_back(saveText(&graph));
  std::vector<GraphNum> labels = {90, 12, 7, 33, 1000, 5, 61, 0, 44};
  graph.vertexLabel = labels.data() - 1;
  files.push_back(saveText(&graph));
  graph.vertexLabel = nullptr;
  graphExit(&graph);
  buildGraph(&graph, 0, 5, {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {0, 2}, {3, 4}}, {2, 1, 3, 1, 4}, {5, 1, 2, 7, 3, 1});
  files.push_back(saveText(&graph));
  GraphNum otherLabels[5] = {4, 3, 2, 1, 9};
  graph.vertexLabel = otherLabels;
  files.push_back(saveText(&graph));
  graph.vertexLabel = nullptr;
  graphExit(&graph);
  buildGraph(&graph, 0, 3, {{0, 1}, {1, 2}}, {}, {4, 9});
  files.push_back(saveText(&graph));
  graphExit(&graph);
  buildGraph(&graph, 0, 3, {{0, 2}}, {8, 1, 1});
  files.push_back(saveText(&graph));
  graphExit(&graph);
  return files;
}

TEST(GraphLoadFuzz, DamagedFilesLoadSafelyAndConsistently) {
  const std::vector<std::string> seeds = seedFiles();
  Mutator mutator(20240611);
  int loaded = 0;
  int checked = 0;
  for (int round = 0; round < 4000; round++) {
    const std::string& seed = seeds[mutator.next(seeds.size())];
    const std::string text = mutator.mutate(seed);
    const GraphNum base = static_cast<GraphNum>(mutator.next(3)) - 1;
    const GraphNum flags = static_cast<GraphNum>(mutator.next(4));
    if (kAddressSanitizer && declaresHugeArrays(text)) continue;
    SCOPED_TRACE(testing::Message() << "round " << round << " base " << base << " flags " << flags << " text "
                                    << testing::PrintToString(text));

    ErrorCapture capture;
    Graph graph;
    graph.flags = 12345;  // the loader must set every field
    const int result = loadText(&graph, text, base, flags);
    if (result != 0) {
      ASSERT_EQ(result, 1);
      ASSERT_FALSE(capture.lines.empty());
      EXPECT_EQ(capture.lines[0].rfind("ERROR: graphLoad", 0), 0u) << capture.lines[0];
      EXPECT_EQ(graph.flags, 0);
      EXPECT_EQ(graph.edgeBegin, nullptr);
      graphExit(&graph);
      continue;
    }
    loaded++;
    ASSERT_TRUE(capture.lines.empty()) << capture.first();
    EXPECT_EQ(graph.flags, 63);
    EXPECT_EQ(graph.vertexEnd, graph.base + graph.vertexCount);
    EXPECT_EQ(graph.edgeBegin[graph.vertexEnd], graph.base + graph.arcCount);
    if (base != -1) {
      EXPECT_EQ(graph.base, base);
    }
    if ((flags & 1) != 0) {
      EXPECT_EQ(graph.vertexLoad, nullptr);
    }
    if ((flags & 2) != 0) {
      EXPECT_EQ(graph.edgeLoad, nullptr);
    }

    if (graphCheck(&graph) != 0) {
      EXPECT_EQ(capture.lines.size(), 1u);
      EXPECT_EQ(capture.first().rfind("ERROR: graphCheck: ", 0), 0u) << capture.first();
      EXPECT_FALSE(referenceWellFormed(graph));
    } else {
      checked++;
      EXPECT_TRUE(capture.lines.empty());
      EXPECT_TRUE(referenceWellFormed(graph));
      Graph again;
      ASSERT_EQ(loadText(&again, saveText(&graph)), 0) << capture.first();
      expectSameGraph(graph, again);
      graphExit(&again);
    }
    graphExit(&graph);
    EXPECT_EQ(graph.flags, 0);
  }
  // The damage must leave room for both outcomes (garbage inserted after
  // the last vertex, or a number out of range, is refused).
  EXPECT_GT(loaded, 150);
  EXPECT_GT(checked, 75);
  EXPECT_LT(loaded, 3800);
}

}  // namespace
