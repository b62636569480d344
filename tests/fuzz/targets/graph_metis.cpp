// Fuzz target of the METIS graph file reader.
//
// Input: one byte that chooses the base asked for (byte % 3 - 1: -1, 0 or
// 1) and the weight flags ((byte / 3) % 4), then the file. A file that
// loads gives a well-formed graph in the base asked for; written in the
// same format and read back it is the same graph; when small, it is
// also written as a Matrix Market file, read back with the same pattern,
// and ordered with the default strategy.
#include "../graph_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::begin();
  fuzz::Decoder decoder(data, size);
  const uint8_t choice = decoder.byte();
  const PLYXEN_Num base = choice % 3 - 1;
  const PLYXEN_Num flags = (choice / 3) % 4;
  fuzz::InputStream stream(decoder.rest(), decoder.remaining());

  PLYXEN_Graph graph;
  PLYXEN_graphInit(&graph);
  const int status = PLYXEN_graphLoadMetis(&graph, stream.get(), base, flags);
  fuzz::expectStatus(status, "PLYXEN_graphLoadMetis");
  if (status == 0) {
    const fuzz::GraphView view(&graph);
    FUZZ_CHECK(PLYXEN_graphCheck(&graph) == 0, "a loaded METIS graph is not well formed");
    FUZZ_CHECK(view.base == ((base == -1) ? 1 : base), "base %d asked for, %d loaded", base, view.base);
    if ((flags & 1) != 0) FUZZ_CHECK(view.vertexLoad == nullptr, "vertex weights kept against the flags");
    if ((flags & 2) != 0) FUZZ_CHECK(view.arcLoad == nullptr, "edge weights kept against the flags");
    fuzz::metisTrip(&graph, true);
    if (view.vertexCount <= 64 && view.arcCount <= 512) {
      fuzz::matrixMarketTrip(&graph);
      fuzz::orderSmallGraph(&graph);
    }
  }
  PLYXEN_graphExit(&graph);
  return 0;
}
