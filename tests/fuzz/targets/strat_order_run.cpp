// Fuzz target that runs ordering strategies, and through their strategy
// parameters separation, bipartition and mapping strategies, on small
// graphs.
//
// Input: one byte that chooses the graph (a grid of 1 + byte % 6 by
// 1 + (byte / 6) % 6 vertices; bits of byte / 36: 1, edge loads 1 to 3;
// 2, vertex loads 1 to 3; 4, no edge across the middle column, so that a
// grid at least 2 wide falls in two components), then the ordering
// strategy text. So
// that a run stays short, texts with a number above 10000 are skipped:
// some methods legitimately take time in proportion to their pass counts.
// A strategy that parses orders the graph, or fails with a message; a
// success gives a permutation and column blocks that cover the vertices.
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "../fuzz_support.h"

namespace {

constexpr double kNumberMax = 10000.0;

// Every number written in the text (digits, an optional fraction and
// exponent), read as the strategy scanner would.
bool numbersWithinBudget(const std::string& text) {
  for (size_t at = 0; at < text.size();) {
    if (text[at] < '0' || text[at] > '9') {
      at++;
      continue;
    }
    char* end = nullptr;
    const double value = strtod(text.c_str() + at, &end);
    const size_t length = static_cast<size_t>(end - (text.c_str() + at));
    if (!(std::fabs(value) <= kNumberMax)) return false;
    at += (length > 0) ? length : 1;
  }
  return true;
}

struct Grid {
  PLYXEN_Num width;
  PLYXEN_Num height;
  std::vector<PLYXEN_Num> begin;
  std::vector<PLYXEN_Num> ends;
  std::vector<PLYXEN_Num> vertexLoads;
  std::vector<PLYXEN_Num> edgeLoads;

  explicit Grid(uint8_t choice) : width(1 + choice % 6), height(1 + (choice / 6) % 6) {
    const int options = choice / 36;
    const bool edgeLoaded = (options & 1) != 0;
    const bool loaded = (options & 2) != 0;
    const PLYXEN_Num cut = ((options & 4) != 0) ? width / 2 : 0;  // no edge between columns cut - 1 and cut
    for (PLYXEN_Num y = 0; y < height; y++) {
      for (PLYXEN_Num x = 0; x < width; x++) {
        const PLYXEN_Num vertex = y * width + x;
        begin.push_back(static_cast<PLYXEN_Num>(ends.size()));
        auto link = [&](PLYXEN_Num other) {
          ends.push_back(other);
          if (edgeLoaded) edgeLoads.push_back(1 + (vertex + other) % 3);
        };
        if (y > 0) link(vertex - width);
        if (x > 0 && x != cut) link(vertex - 1);
        if (x + 1 < width && x + 1 != cut) link(vertex + 1);
        if (y + 1 < height) link(vertex + width);
        if (loaded) vertexLoads.push_back(1 + vertex % 3);
      }
    }
    begin.push_back(static_cast<PLYXEN_Num>(ends.size()));
  }
  PLYXEN_Num vertexCount() const { return width * height; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::begin();
  fuzz::Decoder decoder(data, size);
  const Grid grid(decoder.byte());
  const std::string text(reinterpret_cast<const char*>(decoder.rest()), decoder.remaining());
  const std::string strategy(text.c_str());
  if (!numbersWithinBudget(strategy)) return 0;

  PLYXEN_Strat strat;
  PLYXEN_stratInit(&strat);
  const int parsed = PLYXEN_stratGraphOrder(&strat, strategy.c_str());
  fuzz::expectStatus(parsed, "PLYXEN_stratGraphOrder");
  if (parsed != 0) return 0;

  PLYXEN_Graph graph;
  PLYXEN_graphInit(&graph);
  PLYXEN_graphBuild(&graph, 0, grid.vertexCount(), grid.begin.data(), nullptr,
                    grid.vertexLoads.empty() ? nullptr : grid.vertexLoads.data(), nullptr,
                    static_cast<PLYXEN_Num>(grid.ends.size()), grid.ends.data(),
                    grid.edgeLoads.empty() ? nullptr : grid.edgeLoads.data());
  fuzz::expectStatus(PLYXEN_graphCheck(&graph), "PLYXEN_graphCheck of a grid");

  const size_t count = static_cast<size_t>(grid.vertexCount());
  std::vector<PLYXEN_Num> permutation(count, -1);
  std::vector<PLYXEN_Num> inverse(count, -1);
  std::vector<PLYXEN_Num> range(count + 1, -1);
  std::vector<PLYXEN_Num> tree(count, -2);
  PLYXEN_Num blockCount = -1;
  const int status = PLYXEN_graphOrder(&graph, &strat, permutation.data(), inverse.data(), &blockCount, range.data(),
                                       tree.data());
  fuzz::expectStatus(status, "PLYXEN_graphOrder");
  if (status == 0) {
    std::vector<bool> seen(count, false);
    for (size_t position = 0; position < count; position++) {
      const PLYXEN_Num vertex = inverse[position];
      FUZZ_CHECK(vertex >= 0 && static_cast<size_t>(vertex) < count && !seen[static_cast<size_t>(vertex)],
                 "inverse permutation entry %d at %zu", vertex, position);
      seen[static_cast<size_t>(vertex)] = true;
      FUZZ_CHECK(permutation[static_cast<size_t>(vertex)] == static_cast<PLYXEN_Num>(position),
                 "permutations disagree");
    }
    FUZZ_CHECK(blockCount >= 1 && static_cast<size_t>(blockCount) <= count, "%d column blocks", blockCount);
    FUZZ_CHECK(range[0] == 0 && range[static_cast<size_t>(blockCount)] == grid.vertexCount(), "ranges");
    for (PLYXEN_Num block = 0; block < blockCount; block++) {
      const size_t index = static_cast<size_t>(block);
      FUZZ_CHECK(range[index] < range[index + 1], "empty column block %d", block);
      FUZZ_CHECK(tree[index] == -1 || (tree[index] > block && tree[index] < blockCount),
                 "father %d of column block %d", tree[index], block);
    }
  }
  PLYXEN_graphExit(&graph);
  PLYXEN_stratExit(&strat);
  return 0;
}
