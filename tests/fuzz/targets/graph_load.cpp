// Fuzz target of the graph file reader.
//
// Input: one byte that chooses the base asked for (byte % 3 - 1: -1, 0 or
// 1) and the load flags ((byte / 3) % 4), then the graph file. A file that
// loads is checked; a graph that passes the check is written, read back
// and compared, and when small enough ordered with the default strategy.
#include "../graph_support.h"

namespace {

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
  fuzz::expectSameGraph(graph, &copy);
  FUZZ_CHECK(fuzz::GraphView(graph).base == fuzz::GraphView(&copy).base, "the base changed in a round trip");
  PLYXEN_graphExit(&copy);
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
    const fuzz::GraphView view(&graph);
    if (base != -1) FUZZ_CHECK(view.base == base, "base %d asked for, %d loaded", base, view.base);
    if ((flags & 1) != 0) FUZZ_CHECK(view.vertexLoad == nullptr, "vertex loads kept against the flags");
    if ((flags & 2) != 0) FUZZ_CHECK(view.arcLoad == nullptr, "arc loads kept against the flags");
    roundTrip(&graph);
    if (view.vertexCount <= 64 && view.arcCount <= 512) fuzz::orderSmallGraph(&graph);
  }
  PLYXEN_graphExit(&graph);
  return 0;
}
