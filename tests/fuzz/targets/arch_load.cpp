// Fuzz target of the architecture file reader and of the domain file
// reader of the architecture read.
//
// Input: an architecture file, then (in the same stream, where the
// architecture's data ends) a domain file. An architecture that loads is
// written and read back to the same text; its domains are split, measured
// and matched within a budget, and the checks below hold; a domain that
// loads lies inside the whole architecture and reads back the same.
#include <string>
#include <vector>

#include "../fuzz_support.h"
#include "arch/arch.h"

namespace {

// Architectures of more terminals are only split, never matched: the
// matching tables are sized by the terminal count.
constexpr GraphNum kMatchTerminalsMax = 4096;
constexpr size_t kSplitsMax = 64;

std::string saveArch(const Arch* arch) {
  fuzz::OutputStream output;
  fuzz::expectStatus(archSave(arch, output.get()), "archSave");
  return output.text();
}

std::string saveDomain(const Arch* arch, const ArchDom* domain) {
  fuzz::OutputStream output;
  fuzz::expectStatus(archDomSave(arch, domain, output.get()), "archDomSave");
  return output.text();
}

void roundTrip(const Arch* arch) {
  const std::string text = saveArch(arch);
  fuzz::InputStream input(text);
  Arch copy;
  archInit(&copy);
  const int status = archLoad(&copy, input.get());
  FUZZ_CHECK(status == 0, "a saved architecture does not load back:\n%s", text.c_str());
  fuzz::expectStatus(status, "archLoad of a saved architecture");
  FUZZ_CHECK(saveArch(&copy) == text, "the architecture changed in a round trip:\n%s", text.c_str());
  FUZZ_CHECK(archSize(&copy) == archSize(arch), "the size changed in a round trip");
  archExit(&copy);
}

// Splits from the whole domain, breadth first, within a budget: the two
// halves are inside their domain, far from each other by a non-negative
// distance, at distance 0 from themselves, and (fixed-size classes) share
// its terminals.
void splitDomains(const Arch* arch) {
  const bool variable = archVar(arch) != 0;
  std::vector<ArchDom> domains(1);
  fuzz::expectStatus(archDomFirst(arch, &domains[0]), "archDomFirst");
  for (size_t index = 0; index < domains.size() && domains.size() < kSplitsMax; index++) {
    const ArchDom domain = domains[index];
    const GraphNum size = archDomSize(arch, &domain);
    FUZZ_CHECK(size >= 1, "domain of size %d", size);
    FUZZ_CHECK(archDomWeight(arch, &domain) >= 1, "domain of weight %d", archDomWeight(arch, &domain));
    FUZZ_CHECK(archDomDist(arch, &domain, &domain) == 0, "a domain away from itself");
    FUZZ_CHECK(archDomIncludes(arch, &domain, &domain) == 1, "a domain outside itself");
    ArchDom halves[2];
    const int result = archDomBipart(arch, &domain, &halves[0], &halves[1]);
    if (result != 0) {
      FUZZ_CHECK(variable || size == 1, "a domain of %d terminals not split (%d)", size, result);
      continue;
    }
    FUZZ_CHECK(variable || archDomSize(arch, &halves[0]) + archDomSize(arch, &halves[1]) == size,
               "halves of %d and %d terminals from %d", archDomSize(arch, &halves[0]),
               archDomSize(arch, &halves[1]), size);
    FUZZ_CHECK(archDomDist(arch, &halves[0], &halves[1]) >= 0, "negative distance");
    FUZZ_CHECK(archDomDist(arch, &halves[0], &halves[1]) == archDomDist(arch, &halves[1], &halves[0]),
               "distance not symmetric");
    for (const ArchDom& half : halves) {
      FUZZ_CHECK(archDomIncludes(arch, &domain, &half) == 1, "a half outside its domain");
      domains.push_back(half);
    }
  }
}

// Terminals by number: each is a domain of one terminal with that number;
// the first number past the last is refused.
void checkTerminals(const Arch* arch) {
  if (archVar(arch) != 0) return;
  const GraphNum size = archSize(arch);
  ArchDom whole;
  archDomFirst(arch, &whole);
  for (GraphNum number : {GraphNum{0}, size / 2, size - 1}) {
    ArchDom terminal;
    FUZZ_CHECK(archDomTerminal(arch, &terminal, number) == 0, "terminal %d of %d missing", number, size);
    FUZZ_CHECK(archDomSize(arch, &terminal) == 1, "terminal %d is not one terminal", number);
    FUZZ_CHECK(archDomNumber(arch, &terminal) == number, "terminal %d numbered %d", number,
               archDomNumber(arch, &terminal));
    FUZZ_CHECK(archDomIncludes(arch, &whole, &terminal) == 1, "terminal %d outside the architecture", number);
  }
  ArchDom beyond;
  if (size < INT32_MAX) FUZZ_CHECK(archDomTerminal(arch, &beyond, size) != 0, "terminal %d of %d found", size, size);
  FUZZ_CHECK(archDomTerminal(arch, &beyond, -1) != 0, "terminal -1 found");
}

// Levels of pairs, each no larger than the terminals left, until none.
void matchTerminals(const Arch* arch) {
  if (archHasMatch(arch) == 0 || archVar(arch) != 0 || archSize(arch) > kMatchTerminalsMax) return;
  ArchMatch match;
  const int status = archMatchInit(&match, arch);
  fuzz::expectStatus(status, "archMatchInit");
  if (status != 0) return;
  GraphNum left = archSize(arch);
  for (int level = 0; level < 64; level++) {
    ArchCoarsenMulti* pairs = nullptr;
    const GraphNum pairCount = archMatchMate(&match, &pairs);
    if (pairCount < 0) break;
    FUZZ_CHECK(pairCount >= 1 && pairCount <= left, "%d pairs of %d terminals", pairCount, left);
    left = pairCount;
  }
  archMatchExit(&match);
}

void loadDomain(const Arch* arch, FILE* stream) {
  ArchDom domain;
  const int status = archDomLoad(arch, &domain, stream);
  fuzz::expectStatus(status, "archDomLoad");
  if (status != 0) return;
  ArchDom whole;
  archDomFirst(arch, &whole);
  FUZZ_CHECK(archDomIncludes(arch, &whole, &domain) == 1, "a loaded domain outside the architecture");
  FUZZ_CHECK(archDomSize(arch, &domain) >= 1, "a loaded domain without terminals");
  const std::string text = saveDomain(arch, &domain);
  fuzz::InputStream input(text);
  ArchDom copy;
  const int again = archDomLoad(arch, &copy, input.get());
  FUZZ_CHECK(again == 0, "a saved domain does not load back: %s", text.c_str());
  fuzz::expectStatus(again, "archDomLoad of a saved domain");
  FUZZ_CHECK(saveDomain(arch, &copy) == text, "the domain changed in a round trip: %s", text.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::begin();
  fuzz::InputStream stream(data, size);
  Arch arch;
  archInit(&arch);
  const int status = archLoad(&arch, stream.get());
  fuzz::expectStatus(status, "archLoad");
  if (status == 0) {
    roundTrip(&arch);
    splitDomains(&arch);
    checkTerminals(&arch);
    matchTerminals(&arch);
    loadDomain(&arch, stream.get());
  }
  archExit(&arch);
  return 0;
}
