// The pseudo-random generator: 624 words of state with the system's own
// seeding, regeneration and tempering, which fix the sequence.
//
// The process-wide state is guarded by a lock; it is read once at the start
// of each call (IntRandCall) and written only by the operations that set it
// and by draws made outside any call. A call's own state is reached through
// a per-thread pointer, so its draws take no lock and share nothing.
#include <mutex>

#include "common/common.h"

namespace {

constexpr int STATE_SIZE = 624;

IntRandState randomProcessState = {0, false, {}, 0, 1};
std::mutex randomProcessLock;
thread_local IntRandState* randomCallState = nullptr;

void randomSeedWords(IntRandState& state) {
  uint32_t word = static_cast<uint32_t>(state.seed) * (state.processNumber + 1u);
  state.words[0] = word;
  // Only words 0 to 622 are seeded; word 623 keeps its previous value.
  for (int i = 1; i < STATE_SIZE - 1; i++) {
    word = (word * 1812433253u) ^ ((word >> 30) + static_cast<uint32_t>(i));
    state.words[i] = word;
  }
  state.index = 0;
}

void randomSeedOnce(IntRandState& state) {
  if (!state.seeded) {
    state.seeded = true;
    randomSeedWords(state);
  }
}

void randomRegenerate(IntRandState& state) {
  for (int j = 0; j < STATE_SIZE; j++) {
    uint32_t y = (state.words[j] & 0x80000000u) | (state.words[(j + 1) % STATE_SIZE] & 0x7FFFFFFEu);
    uint32_t value = state.words[(j + 397) % STATE_SIZE] ^ (y >> 1);
    if ((value & 1u) != 0) value ^= 0x9908B0DFu;
    state.words[j] = value;
  }
}

uint32_t randomDraw(IntRandState& state, uint32_t bound) {
  if (state.index == 0) randomRegenerate(state);
  uint32_t value = state.words[state.index];
  state.index = (state.index + 1) % STATE_SIZE;
  value ^= value >> 11;
  value ^= (value >> 7) & 0x012C5680u;
  value ^= value >> 18;
  return bound == 0 ? value : value % bound;
}

}  // namespace

IntRandCall::IntRandCall() : previous_(randomCallState) {
  {
    std::lock_guard<std::mutex> guard(randomProcessLock);
    randomSeedOnce(randomProcessState);
    state_ = randomProcessState;
  }
  randomCallState = &state_;
}

// The words of a state of its own come from a 64-bit mixing sequence over
// the seed, not from the process-wide seeding: that one derives each word
// from the one before by a multiplication and a small exclusive or, so
// that the low bits of the words, and of the first draws after the first
// regeneration, follow the seed's low bits closely. States made from
// successive draws of one sequence would then draw nearly alike at first,
// and a call draws only a few values from each.
IntRandCall::IntRandCall(uint32_t seed) : previous_(randomCallState) {
  state_.processNumber = 0;
  state_.seeded = true;
  state_.seed = static_cast<GraphNum>(seed);
  uint64_t mix = seed;
  for (uint32_t& word : state_.words) {
    mix += 0x9E3779B97F4A7C15ull;
    uint64_t value = mix;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    word = static_cast<uint32_t>((value ^ (value >> 31)) >> 32);
  }
  state_.index = 0;
  randomCallState = &state_;
}

IntRandCall::~IntRandCall() { randomCallState = previous_; }

void intRandInit() {
  std::lock_guard<std::mutex> guard(randomProcessLock);
  randomSeedOnce(randomProcessState);
}

void intRandSeed(GraphNum seed) {
  std::lock_guard<std::mutex> guard(randomProcessLock);
  randomProcessState.seed = seed;
  randomProcessState.seeded = true;
  randomSeedWords(randomProcessState);
}

void intRandReset() {
  std::lock_guard<std::mutex> guard(randomProcessLock);
  randomProcessState.seeded = true;
  randomSeedWords(randomProcessState);
}

void intRandProcess(uint32_t number) {
  std::lock_guard<std::mutex> guard(randomProcessLock);
  randomProcessState.processNumber = number;
}

uint32_t intRandNext(uint32_t bound) {
  IntRandState* call = randomCallState;
  if (call != nullptr) return randomDraw(*call, bound);
  std::lock_guard<std::mutex> guard(randomProcessLock);
  randomSeedOnce(randomProcessState);  // a draw before any ordering still gets the seeded sequence
  return randomDraw(randomProcessState, bound);
}

int intRandSave2(FILE* stream) {
  IntRandState state;
  {
    std::lock_guard<std::mutex> guard(randomProcessLock);
    state = randomProcessState;
  }
  if (fprintf(stream, "0\n") < 0) {
    errorPrint("intRandSave2: bad output (1)");
    return 1;
  }
  for (int i = 0; i < STATE_SIZE; i++) {
    if (fprintf(stream, "%u\n", state.words[i]) < 0) {
      errorPrint("intRandSave2: bad output (2)");
      return 1;
    }
  }
  if (fprintf(stream, "%d\n", state.index) < 0) {
    errorPrint("intRandSave2: bad output (3)");
    return 1;
  }
  // Buffered text reaches the file only when it is flushed.
  if (fflush(stream) != 0) {
    errorPrint("intRandSave2: bad output (4)");
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
    if (intLoadWord(stream, &words[i]) != 1) {
      errorPrint("intRandLoad2: bad input (2)");
      return 1;
    }
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
  if (intLoadEnd(stream) != 1) {
    errorPrint("intRandLoad2: unexpected data after the array index");
    return 1;
  }
  std::lock_guard<std::mutex> guard(randomProcessLock);
  for (int i = 0; i < STATE_SIZE; i++) randomProcessState.words[i] = words[i];
  randomProcessState.index = index;
  // A loaded state is a seeded one: otherwise the first draw, or the first
  // ordering, of a process that had not yet drawn would seed the generator
  // over it, and the file would be silently ignored.
  randomProcessState.seeded = true;
  return 0;
}
