// Fuzz target that runs ordering strategies, and through their strategy
// parameters separation, bipartition and mapping strategies, on small
// graphs.
//
// Input: one byte that chooses the graph (fuzz::Grid), then the ordering
// strategy text, run only within the budget of fuzz::numbersWithinBudget.
// A strategy that parses orders the graph, or fails with a message; a
// success gives a permutation and column blocks that cover the vertices.
#include <string>
#include <vector>

#include "../graph_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::begin();
  fuzz::Decoder decoder(data, size);
  const fuzz::Grid grid(decoder.byte());
  const std::string text(reinterpret_cast<const char*>(decoder.rest()), decoder.remaining());
  const std::string strategy(text.c_str());
  if (!fuzz::numbersWithinBudget(strategy)) return 0;

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
