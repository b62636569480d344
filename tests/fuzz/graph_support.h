// Helpers of the fuzz targets of the graph readers: a view of a loaded
// graph, comparisons of two graphs, and an ordering of a small graph with
// the checks of its result.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_support.h"

namespace fuzz {

struct GraphView {
  PLYXEN_Num base = 0;
  PLYXEN_Num vertexCount = 0;
  PLYXEN_Num arcCount = 0;
  PLYXEN_Num* begin = nullptr;
  PLYXEN_Num* end = nullptr;
  PLYXEN_Num* vertexLoad = nullptr;
  PLYXEN_Num* label = nullptr;
  PLYXEN_Num* arcEnd = nullptr;
  PLYXEN_Num* arcLoad = nullptr;

  explicit GraphView(const PLYXEN_Graph* graph) {
    PLYXEN_graphData(graph, &base, &vertexCount, &begin, &end, &vertexLoad, &label, &arcCount, &arcEnd, &arcLoad);
  }
  PLYXEN_Num degree(PLYXEN_Num index) const { return end[index] - begin[index]; }
  // The neighbours of the vertex of index i (from 0), as indices from 0.
  std::vector<PLYXEN_Num> neighbours(PLYXEN_Num index) const {
    std::vector<PLYXEN_Num> result;
    for (PLYXEN_Num arc = begin[index]; arc < end[index]; arc++) result.push_back(arcEnd[arc - base] - base);
    return result;
  }
};

// The same vertices with the same arc lists in the same order, the same
// loads and labels, whatever the bases and wherever the lists lie.
inline void expectSameGraph(const PLYXEN_Graph* first, const PLYXEN_Graph* second, bool compareLabels = true) {
  const GraphView a(first);
  const GraphView b(second);
  FUZZ_CHECK(a.vertexCount == b.vertexCount && a.arcCount == b.arcCount,
             "sizes differ after a round trip: %d %d, then %d %d", a.vertexCount, a.arcCount, b.vertexCount,
             b.arcCount);
  FUZZ_CHECK((a.vertexLoad == nullptr) == (b.vertexLoad == nullptr), "vertex loads lost or gained");
  FUZZ_CHECK((a.arcLoad == nullptr) == (b.arcLoad == nullptr), "arc loads lost or gained");
  if (compareLabels) FUZZ_CHECK((a.label == nullptr) == (b.label == nullptr), "labels lost or gained");
  for (PLYXEN_Num i = 0; i < a.vertexCount; i++) {
    FUZZ_CHECK(a.degree(i) == b.degree(i), "degree of vertex %d differs", i);
    FUZZ_CHECK(a.neighbours(i) == b.neighbours(i), "neighbours of vertex %d differ", i);
    if (a.vertexLoad != nullptr) FUZZ_CHECK(a.vertexLoad[i] == b.vertexLoad[i], "load of vertex %d differs", i);
    if (compareLabels && a.label != nullptr) FUZZ_CHECK(a.label[i] == b.label[i], "label of vertex %d differs", i);
    if (a.arcLoad != nullptr)
      for (PLYXEN_Num k = 0; k < a.degree(i); k++)
        FUZZ_CHECK(a.arcLoad[a.begin[i] - a.base + k] == b.arcLoad[b.begin[i] - b.base + k],
                   "load of arc %d of vertex %d differs", k, i);
  }
}

// The same adjacency, as sets of neighbours (loads and order aside).
inline void expectSamePattern(const PLYXEN_Graph* first, const PLYXEN_Graph* second) {
  const GraphView a(first);
  const GraphView b(second);
  FUZZ_CHECK(a.vertexCount == b.vertexCount && a.arcCount == b.arcCount,
             "sizes differ after a round trip: %d %d, then %d %d", a.vertexCount, a.arcCount, b.vertexCount,
             b.arcCount);
  for (PLYXEN_Num i = 0; i < a.vertexCount; i++) {
    std::vector<PLYXEN_Num> left = a.neighbours(i);
    std::vector<PLYXEN_Num> right = b.neighbours(i);
    std::sort(left.begin(), left.end());
    std::sort(right.begin(), right.end());
    FUZZ_CHECK(left == right, "neighbours of vertex %d differ", i);
  }
}

// Writes the graph with save and reads the text back with load into copy:
// it must load and be well formed. The caller releases copy.
template <class Save, class Load>
inline void reloadSaved(const PLYXEN_Graph* graph, PLYXEN_Graph* copy, Save save, Load load, const char* format) {
  OutputStream output;
  expectStatus(save(graph, output.get()), "saving a graph");
  const std::string text = output.text();
  InputStream input(text);
  PLYXEN_graphInit(copy);
  const int status = load(copy, input.get());
  FUZZ_CHECK(status == 0, "a saved %s file does not load back:\n%s", format, text.c_str());
  expectStatus(status, "loading a saved graph");
  expectStatus(PLYXEN_graphCheck(copy), "PLYXEN_graphCheck of a reloaded graph");
}

// Writes the graph as a METIS file and reads it back: it must load, well
// formed, with the same pattern, and with the same loads too when asked.
inline void metisTrip(const PLYXEN_Graph* graph, bool sameLoads) {
  PLYXEN_Graph copy;
  reloadSaved(graph, &copy, PLYXEN_graphSaveMetis,
              [](PLYXEN_Graph* into, FILE* stream) { return PLYXEN_graphLoadMetis(into, stream, -1, 0); }, "METIS");
  if (sameLoads)
    expectSameGraph(graph, &copy, false);
  else
    expectSamePattern(graph, &copy);
  PLYXEN_graphExit(&copy);
}

// Writes the graph as a Matrix Market file and reads it back: it must load,
// well formed, with the same pattern.
inline void matrixMarketTrip(const PLYXEN_Graph* graph) {
  PLYXEN_Graph copy;
  reloadSaved(graph, &copy, PLYXEN_graphSaveMatrixMarket,
              [](PLYXEN_Graph* into, FILE* stream) { return PLYXEN_graphLoadMatrixMarket(into, stream, -1); },
              "Matrix Market");
  expectSamePattern(graph, &copy);
  PLYXEN_graphExit(&copy);
}

// Orders the graph with the default strategy: the permutation and its
// inverse agree and cover every vertex once, and the column blocks cover
// the positions, each block's father coming after it.
inline void orderSmallGraph(PLYXEN_Graph* graph) {
  const GraphView view(graph);
  const size_t count = static_cast<size_t>(view.vertexCount);
  std::vector<PLYXEN_Num> permutation(count);
  std::vector<PLYXEN_Num> inverse(count);
  std::vector<PLYXEN_Num> range(count + 1);
  std::vector<PLYXEN_Num> tree(count);
  PLYXEN_Num blockCount = -1;
  PLYXEN_Strat strat;
  PLYXEN_stratInit(&strat);
  const int status = PLYXEN_graphOrder(graph, &strat, permutation.data(), inverse.data(), &blockCount,
                                       range.data(), tree.data());
  expectStatus(status, "PLYXEN_graphOrder");
  PLYXEN_stratExit(&strat);
  // An empty graph has nothing to order, and the outputs are left as they were.
  if (status != 0 || count == 0) return;
  for (size_t position = 0; position < count; position++) {
    const PLYXEN_Num vertex = inverse[position] - view.base;
    FUZZ_CHECK(vertex >= 0 && static_cast<size_t>(vertex) < count, "inverse permutation out of range");
    FUZZ_CHECK(permutation[static_cast<size_t>(vertex)] - view.base == static_cast<PLYXEN_Num>(position),
               "permutation and inverse permutation disagree");
  }
  FUZZ_CHECK(blockCount >= 1 && static_cast<size_t>(blockCount) <= count, "column block count %d for %zu vertices",
             blockCount, count);
  FUZZ_CHECK(range[0] == view.base && range[static_cast<size_t>(blockCount)] == view.base + view.vertexCount,
             "column block ranges do not cover the vertices");
  for (PLYXEN_Num block = 0; block < blockCount; block++) {
    const size_t index = static_cast<size_t>(block);
    FUZZ_CHECK(range[index] < range[index + 1], "empty column block %d", block);
    FUZZ_CHECK(tree[index] == -1 || (tree[index] - view.base > block && tree[index] - view.base < blockCount),
               "father %d of column block %d is not a later block", tree[index], block);
  }
}

// So that a run stays short, strategies are run only when every number in
// their text (digits, an optional fraction and exponent, read as the
// strategy scanner reads them) is at most kNumberMax: some methods
// legitimately take time in proportion to their pass counts.
inline constexpr double kNumberMax = 10000.0;

inline bool numbersWithinBudget(const std::string& text) {
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

// A grid of 1 + choice % 6 by 1 + (choice / 6) % 6 vertices, base 0. Bits
// of choice / 36: 1, edge loads 1 to 3; 2, vertex loads 1 to 3; 4, no edge
// across the middle column, so that a grid at least 2 wide falls in two
// components.
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

}  // namespace fuzz
