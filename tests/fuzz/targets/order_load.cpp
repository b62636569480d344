// Fuzz target of the ordering file reader.
//
// Input: one byte that chooses the graph (byte % 41 vertices without edges,
// base (byte / 41) % 2, labelled when byte >= 246), then the ordering file.
// The ordering is read through the public handle, with a permutation
// array of exactly the vertex count; an ordering that loads is a valid
// permutation, its direct permutation agrees, and it reads back the same
// after being written.
#include <vector>

#include "../fuzz_support.h"

namespace {

// Loads an ordering of the graph; returns the status and fills both
// permutations on success.
int loadOrdering(const PLYXEN_Graph* graph, PLYXEN_Num count, FILE* stream, std::vector<PLYXEN_Num>* permutation,
                 std::vector<PLYXEN_Num>* inverse) {
  permutation->assign(static_cast<size_t>(count), -7);
  inverse->assign(static_cast<size_t>(count), -7);
  // Exactly as long as the vertex count, so that an overrun is seen (malloc
  // gives a distinct pointer for 0 bytes, never taken for an absent array).
  PLYXEN_Num* permutationArray = static_cast<PLYXEN_Num*>(malloc(permutation->size() * sizeof(PLYXEN_Num)));
  PLYXEN_Num* inverseArray = static_cast<PLYXEN_Num*>(malloc(inverse->size() * sizeof(PLYXEN_Num)));
  FUZZ_CHECK(permutationArray != nullptr && inverseArray != nullptr, "out of memory");
  PLYXEN_Ordering ordering;
  int status = PLYXEN_graphOrderInit(graph, &ordering, permutationArray, inverseArray, nullptr, nullptr, nullptr);
  fuzz::expectStatus(status, "PLYXEN_graphOrderInit");
  if (status == 0) {
    status = PLYXEN_graphOrderLoad(graph, &ordering, stream);
    fuzz::expectStatus(status, "PLYXEN_graphOrderLoad");
    if (status == 0) {
      fuzz::expectStatus(PLYXEN_graphOrderCheck(graph, &ordering), "PLYXEN_graphOrderCheck of a loaded ordering");
      permutation->assign(permutationArray, permutationArray + count);
      inverse->assign(inverseArray, inverseArray + count);
    }
    PLYXEN_graphOrderExit(graph, &ordering);
  }
  free(permutationArray);
  free(inverseArray);
  return status;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::begin();
  fuzz::Decoder decoder(data, size);
  const uint8_t choice = decoder.byte();
  const PLYXEN_Num count = choice % 41;
  const PLYXEN_Num base = (choice / 41) % 2;
  const bool labelled = choice >= 246;

  std::vector<PLYXEN_Num> begin(static_cast<size_t>(count) + 1, base);
  std::vector<PLYXEN_Num> labels(static_cast<size_t>(count));
  for (PLYXEN_Num i = 0; i < count; i++) labels[static_cast<size_t>(i)] = 10 * i + 3;
  PLYXEN_Graph graph;
  PLYXEN_graphInit(&graph);
  PLYXEN_graphBuild(&graph, base, count, begin.data(), nullptr, nullptr, labelled ? labels.data() : nullptr, 0,
                    nullptr, nullptr);

  fuzz::InputStream stream(decoder.rest(), decoder.remaining());
  std::vector<PLYXEN_Num> permutation;
  std::vector<PLYXEN_Num> inverse;
  if (loadOrdering(&graph, count, stream.get(), &permutation, &inverse) == 0) {
    for (PLYXEN_Num position = 0; position < count; position++) {
      const PLYXEN_Num vertex = inverse[static_cast<size_t>(position)] - base;
      FUZZ_CHECK(vertex >= 0 && vertex < count, "vertex %d out of range", vertex + base);
      FUZZ_CHECK(permutation[static_cast<size_t>(vertex)] == position + base, "permutations disagree");
    }
    // Written and read back, the same ordering.
    PLYXEN_Ordering ordering;
    fuzz::expectStatus(PLYXEN_graphOrderInit(&graph, &ordering, nullptr, inverse.data(), nullptr, nullptr, nullptr),
                       "PLYXEN_graphOrderInit");
    fuzz::OutputStream output;
    fuzz::expectStatus(PLYXEN_graphOrderSave(&graph, &ordering, output.get()), "PLYXEN_graphOrderSave");
    PLYXEN_graphOrderExit(&graph, &ordering);
    const std::string text = output.text();
    fuzz::InputStream again(text);
    std::vector<PLYXEN_Num> permutationAgain;
    std::vector<PLYXEN_Num> inverseAgain;
    FUZZ_CHECK(loadOrdering(&graph, count, again.get(), &permutationAgain, &inverseAgain) == 0,
               "a saved ordering does not load back:\n%s", text.c_str());
    FUZZ_CHECK(permutationAgain == permutation && inverseAgain == inverse, "the ordering changed in a round trip");
  }
  PLYXEN_graphExit(&graph);
  return 0;
}
