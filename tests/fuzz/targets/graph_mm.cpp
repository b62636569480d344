// Fuzz target of the Matrix Market coordinate file reader.
//
// Input: one byte that chooses the base asked for (byte % 3 - 1: -1, 0 or
// 1), then the file. A file that loads gives a well-formed graph in the
// base asked for; written in the same format and read back it has the
// same pattern; when small, it is also written as a METIS file, read back
// the same, and ordered with the default strategy.
#include "../graph_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::begin();
  fuzz::Decoder decoder(data, size);
  const PLYXEN_Num base = decoder.byte() % 3 - 1;
  fuzz::InputStream stream(decoder.rest(), decoder.remaining());

  PLYXEN_Graph graph;
  PLYXEN_graphInit(&graph);
  const int status = PLYXEN_graphLoadMatrixMarket(&graph, stream.get(), base);
  fuzz::expectStatus(status, "PLYXEN_graphLoadMatrixMarket");
  if (status == 0) {
    const fuzz::GraphView view(&graph);
    FUZZ_CHECK(PLYXEN_graphCheck(&graph) == 0, "a loaded Matrix Market graph is not well formed");
    FUZZ_CHECK(view.base == ((base == -1) ? 1 : base), "base %d asked for, %d loaded", base, view.base);
    fuzz::matrixMarketTrip(&graph);
    if (view.vertexCount <= 64 && view.arcCount <= 512) {
      fuzz::metisTrip(&graph, false);
      fuzz::orderSmallGraph(&graph);
    }
  }
  PLYXEN_graphExit(&graph);
  return 0;
}
