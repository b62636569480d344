// Fuzz target that maps small graphs onto architectures read from the
// input with mapping strategies read from the input.
//
// Input: one byte that chooses the graph (fuzz::Grid), one byte whose
// lowest bit fixes every third vertex (on terminals 0, 1, ... in turn, for
// an architecture of fixed size), then an architecture file, then (in the
// same stream, where the architecture's data ends) the
// mapping strategy text, run only within the budget of
// fuzz::numbersWithinBudget and on architectures of at most 256 terminals
// (mapping memory follows the terminals). A mapping that succeeds puts
// every vertex on a terminal of the architecture, keeps the fixed ones
// where they were fixed, and gives figures; a failure comes with a message.
#include <string>
#include <vector>

#include "../graph_support.h"

namespace {

constexpr PLYXEN_Num kTerminalsMax = 256;

// The rest of the stream, as text ending at its first NUL byte.
std::string restOf(FILE* stream) {
  std::string text;
  for (int character = getc(stream); character != EOF && character != '\0'; character = getc(stream))
    text += static_cast<char>(character);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::begin();
  fuzz::Decoder decoder(data, size);
  const uint8_t choice = decoder.byte();
  const fuzz::Grid grid(choice);
  const bool withFixed = decoder.byte() % 2 != 0;
  fuzz::InputStream stream(decoder.rest(), decoder.remaining());

  PLYXEN_Arch arch;
  PLYXEN_archInit(&arch);
  const int loaded = PLYXEN_archLoad(&arch, stream.get());
  fuzz::expectStatus(loaded, "PLYXEN_archLoad");
  const bool variable = PLYXEN_archVar(&arch) != 0;
  const PLYXEN_Num terminals = PLYXEN_archSize(&arch);
  const std::string strategy = restOf(stream.get());
  if (loaded != 0 || (!variable && terminals > kTerminalsMax) || !fuzz::numbersWithinBudget(strategy)) {
    PLYXEN_archExit(&arch);
    return 0;
  }

  PLYXEN_Strat strat;
  PLYXEN_stratInit(&strat);
  const int parsed = PLYXEN_stratGraphMap(&strat, strategy.c_str());
  fuzz::expectStatus(parsed, "PLYXEN_stratGraphMap");
  if (parsed == 0) {
    PLYXEN_Graph graph;
    PLYXEN_graphInit(&graph);
    PLYXEN_graphBuild(&graph, 0, grid.vertexCount(), grid.begin.data(), nullptr,
                      grid.vertexLoads.empty() ? nullptr : grid.vertexLoads.data(), nullptr,
                      static_cast<PLYXEN_Num>(grid.ends.size()), grid.ends.data(),
                      grid.edgeLoads.empty() ? nullptr : grid.edgeLoads.data());
    // Fixed vertices on terminals 0, 1, ... of a fixed-size architecture.
    const size_t count = static_cast<size_t>(grid.vertexCount());
    std::vector<PLYXEN_Num> parts(count, -1);
    if (withFixed && !variable)
      for (size_t vertex = 0; vertex < count; vertex += 3)
        parts[vertex] = static_cast<PLYXEN_Num>(vertex / 3) % terminals;
    const std::vector<PLYXEN_Num> fixed = parts;
    const int status = withFixed ? PLYXEN_graphMapFixed(&graph, &arch, &strat, parts.data())
                                 : PLYXEN_graphMap(&graph, &arch, &strat, parts.data());
    fuzz::expectStatus(status, withFixed ? "PLYXEN_graphMapFixed" : "PLYXEN_graphMap");
    if (status == 0 && !variable) {
      for (size_t vertex = 0; vertex < count; vertex++) {
        FUZZ_CHECK(parts[vertex] >= 0 && parts[vertex] < terminals, "vertex %zu on terminal %d of %d", vertex,
                   parts[vertex], terminals);
        FUZZ_CHECK(fixed[vertex] == -1 || parts[vertex] == fixed[vertex], "fixed vertex %zu moved from %d to %d",
                   vertex, fixed[vertex], parts[vertex]);
      }
      PLYXEN_Num nonEmpty = -1;
      int64_t cut = -1;
      int64_t communication = -1;
      double imbalance = 0.0;
      fuzz::expectStatus(PLYXEN_graphMapStat(&graph, &arch, parts.data(), &nonEmpty, &cut, &communication,
                                             &imbalance),
                         "PLYXEN_graphMapStat");
      FUZZ_CHECK(nonEmpty >= (count > 0 ? 1 : 0) && nonEmpty <= terminals, "%d terminals in use", nonEmpty);
      FUZZ_CHECK(cut >= 0 && communication >= 0, "cut %lld, communication %lld", static_cast<long long>(cut),
                 static_cast<long long>(communication));
    }
    PLYXEN_graphExit(&graph);
  }
  PLYXEN_stratExit(&strat);
  PLYXEN_archExit(&arch);
  return 0;
}
