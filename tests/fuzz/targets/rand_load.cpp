// Fuzz target of the random generator's state file reader.
//
// Input: the state file. A state that loads is written again, read back
// and written a third time: the two texts are the same, and values drawn
// after each load are the same.
#include "../fuzz_support.h"
#include "common/common.h"

namespace {

std::string saveState() {
  fuzz::OutputStream output;
  fuzz::expectStatus(intRandSave2(output.get()), "intRandSave2");
  return output.text();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::begin();
  fuzz::InputStream stream(data, size);
  const int status = intRandLoad2(stream.get());
  fuzz::expectStatus(status, "intRandLoad2");
  if (status != 0) return 0;

  const std::string saved = saveState();
  uint32_t drawn[8];
  for (uint32_t& value : drawn) value = intRandNext(0);

  fuzz::InputStream again(saved);
  const int reloaded = intRandLoad2(again.get());
  FUZZ_CHECK(reloaded == 0, "a saved state does not load back:\n%s", saved.c_str());
  fuzz::expectStatus(reloaded, "intRandLoad2 of a saved state");
  FUZZ_CHECK(saveState() == saved, "the state changed in a round trip");
  for (uint32_t value : drawn) FUZZ_CHECK(intRandNext(0) == value, "another sequence after a round trip");
  return 0;
}
