// Fuzz target of the strategy parser, over the four method tables.
//
// Input: one byte that chooses the table (byte % 4: ordering, separation,
// bipartition, mapping), then the strategy text. A text that parses is
// written back; that text parses again with the same table and writes
// back the same.
#include <string>

#include "../fuzz_support.h"
#include "bgraph/bgraph.h"
#include "kgraph/kgraph.h"
#include "order/hgraph.h"
#include "strat/strat.h"
#include "vgraph/vgraph.h"

namespace {

const StratTab* const tables[] = {&hgraphOrderStTable, &vgraphSeparateStTable, &bgraphBipartStTable,
                                  &kgraphMapStTable};

// Parses, then writes back; the status of each step is checked.
bool parseAndSave(const StratTab* table, const std::string& text, std::string* saved) {
  Strat* strat = stratBuild(table, text.c_str());
  fuzz::expectStatus(strat == nullptr ? 1 : 0, "stratBuild");
  if (strat == nullptr) return false;
  fuzz::OutputStream output;
  const int status = stratSave(strat, output.get());
  fuzz::expectStatus(status, "stratSave");
  stratRelease(strat);
  *saved = output.text();
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::begin();
  fuzz::Decoder decoder(data, size);
  const StratTab* table = tables[decoder.byte() % 4];
  // The parser takes a C string: the text ends at the first NUL byte.
  const std::string text(reinterpret_cast<const char*>(decoder.rest()), decoder.remaining());
  const std::string strategy(text.c_str());

  std::string saved;
  if (!parseAndSave(table, strategy, &saved)) return 0;
  std::string savedAgain;
  FUZZ_CHECK(parseAndSave(table, saved, &savedAgain), "the written strategy does not parse again: %s",
             saved.c_str());
  FUZZ_CHECK(savedAgain == saved, "the strategy changed in a round trip: %s became %s", saved.c_str(),
             savedAgain.c_str());
  return 0;
}
