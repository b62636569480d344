// In-place string substitution.
#include <cstring>

#include "common/common.h"

void stringReplaceAll(char* buffer, const char* pattern, const char* replacement) {
  size_t patternLength = strlen(pattern);
  if (patternLength == 0) return;
  size_t replacementLength = strlen(replacement);
  // Find every occurrence first, left to right and without overlaps, then
  // move each text segment once to its final place: from the left when the
  // text shrinks, from the right when it grows, so no segment is overwritten
  // before it has moved.
  std::vector<size_t> occurrences;
  size_t length = strlen(buffer);
  for (const char* found = strstr(buffer, pattern); found != nullptr; found = strstr(found + patternLength, pattern))
    occurrences.push_back(static_cast<size_t>(found - buffer));
  if (occurrences.empty()) return;

  size_t count = occurrences.size();
  auto segmentStart = [&](size_t k) { return k == 0 ? 0 : occurrences[k - 1] + patternLength; };
  auto segmentEnd = [&](size_t k) { return k == count ? length + 1 : occurrences[k]; };  // last one keeps the NUL
  auto moveSegment = [&](size_t k) {
    size_t from = segmentStart(k);
    ptrdiff_t shift = static_cast<ptrdiff_t>(k) * (static_cast<ptrdiff_t>(replacementLength) -
                                                   static_cast<ptrdiff_t>(patternLength));
    memmove(buffer + from + shift, buffer + from, segmentEnd(k) - from);
    if (k < count) memcpy(buffer + segmentEnd(k) + shift, replacement, replacementLength);
  };
  if (replacementLength <= patternLength) {
    for (size_t k = 0; k <= count; k++) moveSegment(k);
  } else {
    for (size_t k = count + 1; k-- > 0;) moveSegment(k);
  }
}
