// Fuzz target of the graph file reader.
//
// Input: one byte that chooses the base asked for (byte % 3 - 1: -1, 0 or
// 1) and the load flags ((byte / 3) % 4), then the graph file. A file that
// loads is checked; a graph that passes the check is written, read back
// and compared, and when small enough ordered with the default strategy.
#include <vector>

#include "../fuzz_support.h"

namespace {

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
};

// The vertices' arc lists, loads and labels are the same, wherever the
// lists lie in the arc arrays.
void expectSameGraph(const PLYXEN_Graph* first, const PLYXEN_Graph* second) {
  const GraphView a(first);
  const GraphView b(second);
  FUZZ_CHECK(a.base == b.base && a.vertexCount == b.vertexCount && a.arcCount == b.arcCount,
             "header differs after a round trip: %d %d %d, then %d %d %d", a.base, a.vertexCount, a.arcCount,
             b.base, b.vertexCount, b.arcCount);
  FUZZ_CHECK((a.vertexLoad == nullptr) == (b.vertexLoad == nullptr), "vertex loads lost or gained");
  FUZZ_CHECK((a.label == nullptr) == (b.label == nullptr), "labels lost or gained");
  FUZZ_CHECK((a.arcLoad == nullptr) == (b.arcLoad == nullptr), "arc loads lost or gained");
  for (PLYXEN_Num i = 0; i < a.vertexCount; i++) {
    const PLYXEN_Num degree = a.end[i] - a.begin[i];
    FUZZ_CHECK(degree == b.end[i] - b.begin[i], "degree of vertex %d differs", i + a.base);
    if (a.vertexLoad != nullptr) FUZZ_CHECK(a.vertexLoad[i] == b.vertexLoad[i], "load of vertex %d differs", i);
    if (a.label != nullptr) FUZZ_CHECK(a.label[i] == b.label[i], "label of vertex %d differs", i);
    for (PLYXEN_Num k = 0; k < degree; k++) {
      const PLYXEN_Num arcA = a.begin[i] - a.base + k;
      const PLYXEN_Num arcB = b.begin[i] - b.base + k;
      FUZZ_CHECK(a.arcEnd[arcA] == b.arcEnd[arcB], "arc %d of vertex %d differs", k, i);
      if (a.arcLoad != nullptr) FUZZ_CHECK(a.arcLoad[arcA] == b.arcLoad[arcB], "arc load differs");
    }
  }
}

void roundTrip(const PLYXEN_Graph* graph) {
  fuzz::OutputStream output;
  fuzz::expectStatus(PLYXEN_graphSave(graph, output.get()), "PLYXEN_graphSave");
  const std::string text = output.text();
  fuzz::InputStream input(text);
  PLYXEN_Graph copy;
  PLYXEN_graphInit(&copy);
  const int status = PLYXEN_graphLoad(&copy, input.get(), -1, 0);
  FUZZ_CHECK(status == 0, "a saved graph does not load back:\n%s", text.c_str());
  fuzz::expectStatus(status, "PLYXEN_graphLoad of a saved graph");
  fuzz::expectStatus(PLYXEN_graphCheck(&copy), "PLYXEN_graphCheck of a saved graph");
  expectSameGraph(graph, &copy);
  PLYXEN_graphExit(&copy);
}

// The permutation and its inverse agree and cover every vertex once.
void orderSmallGraph(PLYXEN_Graph* graph) {
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
  fuzz::expectStatus(status, "PLYXEN_graphOrder");
  PLYXEN_stratExit(&strat);
  // An empty graph has nothing to order, and the outputs are left as they were.
  if (status != 0 || count == 0) return;
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
  for (size_t position = 0; position < count; position++) {
    const PLYXEN_Num vertex = inverse[position] - view.base;
    FUZZ_CHECK(vertex >= 0 && static_cast<size_t>(vertex) < count, "inverse permutation out of range");
    FUZZ_CHECK(permutation[static_cast<size_t>(vertex)] - view.base == static_cast<PLYXEN_Num>(position),
               "permutation and inverse permutation disagree");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::begin();
  fuzz::Decoder decoder(data, size);
  const uint8_t choice = decoder.byte();
  const PLYXEN_Num base = choice % 3 - 1;
  const PLYXEN_Num flags = (choice / 3) % 4;
  fuzz::InputStream stream(decoder.rest(), decoder.remaining());

  PLYXEN_Graph graph;
  PLYXEN_graphInit(&graph);
  int status = PLYXEN_graphLoad(&graph, stream.get(), base, flags);
  fuzz::expectStatus(status, "PLYXEN_graphLoad");
  if (status == 0) {
    status = PLYXEN_graphCheck(&graph);
    fuzz::expectStatus(status, "PLYXEN_graphCheck");
  }
  if (status == 0) {
    const GraphView view(&graph);
    if (base != -1) FUZZ_CHECK(view.base == base, "base %d asked for, %d loaded", base, view.base);
    if ((flags & 1) != 0) FUZZ_CHECK(view.vertexLoad == nullptr, "vertex loads kept against the flags");
    if ((flags & 2) != 0) FUZZ_CHECK(view.arcLoad == nullptr, "arc loads kept against the flags");
    roundTrip(&graph);
    if (view.vertexCount <= 64 && view.arcCount <= 512) orderSmallGraph(&graph);
  }
  PLYXEN_graphExit(&graph);
  return 0;
}
