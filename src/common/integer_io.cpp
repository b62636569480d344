// Integer text input and output used by every text file format.
#include <cctype>

#include "common/common.h"

int intLoad(FILE* stream, GraphNum* value) {
  int character;
  do {
    character = getc(stream);
  } while (character != EOF && isspace(character));

  bool negative = false;
  if (character == '-' || character == '+') {
    negative = (character == '-');
    character = getc(stream);  // a sign must be followed directly by a digit
  }
  if (character < '0' || character > '9') return 0;  // the offending character stays consumed

  uint32_t accumulator = 0;  // wraps silently, so "%u" text reads back as the same bits
  do {
    accumulator = accumulator * 10u + static_cast<uint32_t>(character - '0');
    character = getc(stream);
  } while (character >= '0' && character <= '9');
  if (character != EOF) ungetc(character, stream);

  if (negative) accumulator = 0u - accumulator;
  *value = static_cast<GraphNum>(accumulator);
  return 1;
}

int intSave(FILE* stream, GraphNum value) { return fprintf(stream, "%d", value) >= 0 ? 1 : 0; }
