// Integer text input and output used by every text file format.
#include <climits>

#include "common/common.h"
#include "common/integer_read.h"

namespace {

int intLoadRange(FILE* stream, int64_t low, int64_t high, int64_t* value) {
  return intReadNumber([stream] { return getc(stream); }, [stream](int character) { ungetc(character, stream); },
                       low, high, value);
}

}  // namespace

int intLoad(FILE* stream, GraphNum* value) {
  int64_t number;
  if (intLoadRange(stream, INT32_MIN, INT32_MAX, &number) == 0) return 0;
  *value = static_cast<GraphNum>(number);
  return 1;
}

// Words are written with "%u"; a word written as a signed number reads
// back as the same 32 bits.
int intLoadWord(FILE* stream, uint32_t* value) {
  int64_t number;
  if (intLoadRange(stream, INT32_MIN, UINT32_MAX, &number) == 0) return 0;
  *value = static_cast<uint32_t>(number);
  return 1;
}

int intLoadEnd(FILE* stream) {
  int character;
  do {
    character = getc(stream);
  } while (character != EOF && isspace(character));
  if (character == EOF) return ferror(stream) ? 0 : 1;
  ungetc(character, stream);
  return 0;
}

int intSave(FILE* stream, GraphNum value) { return fprintf(stream, "%d", value) >= 0 ? 1 : 0; }
