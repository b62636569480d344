// The process-wide pseudo-random generator: 624 words of state with the
// system's own seeding, regeneration and tempering, which fix the sequence.
#include "common/common.h"

namespace {

constexpr int STATE_SIZE = 624;

struct RandomState {
  uint32_t processNumber = 0;
  bool seeded = false;
  uint32_t words[STATE_SIZE] = {};
  int index = 0;
  GraphNum seed = 1;
};

RandomState randomState;

void randomSeedWords(RandomState& state) {
  uint32_t word = static_cast<uint32_t>(state.seed) * (state.processNumber + 1u);
  state.words[0] = word;
  // Only words 0 to 622 are seeded; word 623 keeps its previous value.
  for (int i = 1; i < STATE_SIZE - 1; i++) {
    word = (word * 1812433253u) ^ ((word >> 30) + static_cast<uint32_t>(i));
    state.words[i] = word;
  }
  state.index = 0;
}

void randomRegenerate(RandomState& state) {
  for (int j = 0; j < STATE_SIZE; j++) {
    uint32_t y = (state.words[j] & 0x80000000u) | (state.words[(j + 1) % STATE_SIZE] & 0x7FFFFFFEu);
    uint32_t value = state.words[(j + 397) % STATE_SIZE] ^ (y >> 1);
    if ((value & 1u) != 0) value ^= 0x9908B0DFu;
    state.words[j] = value;
  }
}

}  // namespace

void intRandInit() {
  if (!randomState.seeded) {
    randomState.seeded = true;
    randomSeedWords(randomState);
  }
}

void intRandSeed(GraphNum seed) {
  randomState.seed = seed;
  randomState.seeded = true;
  randomSeedWords(randomState);
}

void intRandReset() {
  randomState.seeded = true;
  randomSeedWords(randomState);
}

void intRandProcess(uint32_t number) { randomState.processNumber = number; }

uint32_t intRandNext(uint32_t bound) {
  intRandInit();  // a draw before any ordering still gets the seeded sequence
  if (randomState.index == 0) randomRegenerate(randomState);
  uint32_t value = randomState.words[randomState.index];
  randomState.index = (randomState.index + 1) % STATE_SIZE;
  value ^= value >> 11;
  value ^= (value >> 7) & 0x012C5680u;
  value ^= value >> 18;
  return bound == 0 ? value : value % bound;
}

int intRandSave2(FILE* stream) {
  if (fprintf(stream, "0\n") < 0) {
    errorPrint("intRandSave2: bad output (1)");
    return 1;
  }
  for (int i = 0; i < STATE_SIZE; i++) {
    if (fprintf(stream, "%u\n", randomState.words[i]) < 0) {
      errorPrint("intRandSave2: bad output (2)");
      return 1;
    }
  }
  if (fprintf(stream, "%d\n", randomState.index) < 0) {
    errorPrint("intRandSave2: bad output (3)");
    return 1;
  }
  return 0;
}

int intRandLoad2(FILE* stream) {
  GraphNum version;
  if (intLoad(stream, &version) != 1) {
    errorPrint("intRandLoad2: bad input (1)");
    return 1;
  }
  if (version != 0) {
    errorPrint("intRandLoad2: invalid version number");
    return 1;
  }
  uint32_t words[STATE_SIZE];  // read fully before the state is replaced
  for (int i = 0; i < STATE_SIZE; i++) {
    GraphNum word;
    if (intLoad(stream, &word) != 1) {
      errorPrint("intRandLoad2: bad input (2)");
      return 1;
    }
    words[i] = static_cast<uint32_t>(word);
  }
  GraphNum index;
  if (intLoad(stream, &index) != 1) {
    errorPrint("intRandLoad2: bad input (3)");
    return 1;
  }
  if (static_cast<uint32_t>(index) >= static_cast<uint32_t>(STATE_SIZE)) {
    errorPrint("intRandLoad2: invalid array index");
    return 1;
  }
  for (int i = 0; i < STATE_SIZE; i++) randomState.words[i] = words[i];
  randomState.index = index;
  return 0;
}
