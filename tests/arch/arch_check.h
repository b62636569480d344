// Helpers of the architecture tests: architectures from text, texts from
// architectures and domains, and the consistency check that every class
// must pass.
#pragma once

#include <string>
#include <vector>

#include "arch/arch.h"
#include "support/test_support.h"

namespace archtest {

// A read stream over a copy of the text, positioned at its start.
FILE* openText(const std::string& text);

// archLoad on the text; the messages it printed go to *messages.
int loadText(Arch* arch, const std::string& text, std::vector<std::string>* messages = nullptr);
// archLoad on the text, failing the test (with the messages) if it fails.
void loadTextOrFail(Arch* arch, const std::string& text);

// archSave into a string; the result of the save goes to *result.
std::string saveText(const Arch* arch, int* result = nullptr);
// archDomSave into a string.
std::string saveDomText(const Arch* arch, const ArchDom& domain);
// archDomLoad from the text; the messages go to *messages.
int loadDomText(const Arch* arch, ArchDom* domain, const std::string& text,
                std::vector<std::string>* messages = nullptr);

ArchDom wholeDomain(const Arch* arch);
ArchDom terminalDomain(const Arch* arch, GraphNum terminal);

// The terminals of a domain, found by splitting it down to single terminals.
std::vector<GraphNum> terminalsOf(const Arch* arch, const ArchDom& domain);

// Distances between every pair of terminals, row by row.
std::vector<GraphNum> distanceMatrix(const Arch* arch);

// Every property the interface promises for a fixed-sized architecture:
// terminal numbers round-trip, the whole domain holds every terminal,
// distances are symmetric and zero on the diagonal, recursive splits give
// two non-empty parts that partition their domain (sizes and weights add
// up, inclusion agrees), domain files round-trip, saving and loading gives
// the same text and distances, and the terminal matching (if any) pairs
// every terminal of each level once until one is left. Terminal pairs are
// all checked up to maxPairs terminals, a sample beyond.
void checkArchitecture(const Arch* arch, GraphNum maxPairs = 64);

// The same for a variable-sized architecture, down to the given depth.
void checkVariableArchitecture(const Arch* arch, int depth);

// The terminal matching: every level pairs each terminal of the current
// level once, the count falls, and the levels end when one terminal is
// left. Returns the number of levels.
int checkMatching(const Arch* arch);

}  // namespace archtest
