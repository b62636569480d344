// Public strategy handles: creation, release, writing, parsing an ordering
// strategy, and the builder of the default ordering strategy.
#include "order/library_strat.h"

#include <cstdio>
#include <cstring>

#include "order/hgraph.h"

// A handle is one pointer to a parsed strategy, null when empty. It is
// read and written through memcpy since the public type only reserves room.
static_assert(sizeof(PLYXEN_Strat) >= sizeof(Strat*), "a strategy handle must hold a pointer");

Strat* stratHandleGet(const PLYXEN_Strat* handle) {
  Strat* strat;
  memcpy(&strat, handle, sizeof(strat));
  return strat;
}

void stratHandleSet(PLYXEN_Strat* handle, Strat* strat) { memcpy(handle, &strat, sizeof(strat)); }

int PLYXEN_stratInit(PLYXEN_Strat* strat) {
  stratHandleSet(strat, nullptr);
  return 0;
}

// The handle is left empty, so that exiting it twice frees nothing twice.
void PLYXEN_stratExit(PLYXEN_Strat* strat) {
  stratRelease(stratHandleGet(strat));
  stratHandleSet(strat, nullptr);
}

void PLYXEN_stratFree(PLYXEN_Strat* strat) {
  stratRelease(stratHandleGet(strat));
  stratHandleSet(strat, nullptr);
}

// An empty handle writes nothing: the empty text, which reads back as the
// empty strategy. The stream is flushed all the same, so that a stream that
// already failed to deliver earlier text is not reported as saved.
int PLYXEN_stratSave(const PLYXEN_Strat* strat, FILE* stream) {
  const Strat* held = stratHandleGet(strat);
  if (held != nullptr) return stratSave(held, stream);
  if (fflush(stream) != 0) {
    errorPrint("PLYXEN_stratSave: bad output");
    return 1;
  }
  return 0;
}

int PLYXEN_stratGraphOrder(PLYXEN_Strat* strat, const char* text) {
  PLYXEN_stratFree(strat);
  Strat* parsed = stratBuild(&hgraphOrderStTable, text);
  if (parsed == nullptr) {
    errorPrint("PLYXEN_stratGraphOrder: error in ordering strategy");
    return 1;
  }
  stratHandleSet(strat, parsed);
  return 0;
}

bool stratTextReplace(char* buffer, size_t size, const char* pattern, const char* replacement) {
  const size_t patternLength = strlen(pattern);
  const size_t replacementLength = strlen(replacement);
  size_t count = 0;
  for (const char* found = strstr(buffer, pattern); found != nullptr; found = strstr(found + patternLength, pattern))
    count++;
  const size_t length = strlen(buffer);
  if ((replacementLength > patternLength) && (length + count * (replacementLength - patternLength) >= size))
    return false;
  stringReplaceAll(buffer, pattern, replacement);
  return true;
}

namespace {

constexpr size_t BUILD_BUFFER_SIZE = 8192;

bool replaceAll(char* buffer, const char* pattern, const char* replacement) {
  return stratTextReplace(buffer, BUILD_BUFFER_SIZE, pattern, replacement);
}

}  // namespace

int PLYXEN_stratGraphOrderBuild(PLYXEN_Strat* strat, PLYXEN_Num flags, PLYXEN_Num levelCount, double balanceRatio) {
  char balanceText[400];  // "%lf" of the largest double needs 317 characters
  char levelText[32];
  snprintf(balanceText, sizeof(balanceText), "%lf", balanceRatio);
  snprintf(levelText, sizeof(levelText), "%d", levelCount);

  static const char* const templateText =
      "c{rat=0.7,cpr=n{sep=/(<TSTS>)?m{rat=0.7,vert=100,low=h{pass=10},asc=b{width=3,bnd=f{bal=<BBAL>},"
      "org=(|h{pass=10})f{bal=<BBAL>}}}<SEPA>;,ole=<OLEA>,ose=<OSEP>},unc=n{sep=/(<TSTS>)?m{rat=0.7,vert=100,"
      "low=h{pass=10},asc=b{width=3,bnd=f{bal=<BBAL>},org=(|h{pass=10})f{bal=<BBAL>}}}<SEPA>;,ole=<OLEA>,"
      "ose=<OSEP>}}";
  const char* separation =
      ((flags & ORDER_FLAG_ONE_SEPARATOR_METHOD) != 0)
          ? ""
          : "|m{rat=0.7,vert=100,low=h{pass=10},asc=b{width=3,bnd=f{bal=<BBAL>},org=(|h{pass=10})f{bal=<BBAL>}}}";
  const char* test;
  switch (flags & ORDER_FLAG_LEVEL_ONLY) {
    case 0:
      test = "vert>240";
      break;
    case ORDER_FLAG_LEVEL_CAP:
      test = "(levl<<LEVL>)&(vert>240)";
      break;
    case ORDER_FLAG_LEVEL_FLOOR:
      test = "(levl<<LEVL>)|(vert>240)";
      break;
    default:
      test = "levl<<LEVL>";
      break;
  }
  const char* leaves = ((flags & ORDER_FLAG_SIMPLE_LEAVES) != 0) ? "s" : "f{cmin=15,cmax=100000,frat=0.0}";
  const char* separators = ((flags & ORDER_FLAG_SIMPLE_SEPARATORS) != 0) ? "s" : "g";

  // Later placeholders occur inside earlier replacements: the order matters.
  char buffer[BUILD_BUFFER_SIZE];
  snprintf(buffer, sizeof(buffer), ((flags & ORDER_FLAG_WRAPPED) != 0) ? "o{strat=%s}" : "%s", templateText);
  const bool built = replaceAll(buffer, "<SEPA>", separation) && replaceAll(buffer, "<TSTS>", test) &&
                     replaceAll(buffer, "<LEVL>", levelText) && replaceAll(buffer, "<OLEA>", leaves) &&
                     replaceAll(buffer, "<OSEP>", separators) && replaceAll(buffer, "<BBAL>", balanceText);
  if (!built || (PLYXEN_stratGraphOrder(strat, buffer) != 0)) {
    errorPrint("PLYXEN_stratGraphOrderBuild: error in sequential ordering strategy");
    return 1;
  }
  return 0;
}
