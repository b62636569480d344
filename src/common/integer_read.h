// The integer reader shared by intLoad and the faster readers that hold a
// stream's lock themselves: the same grammar whatever the character source.
#pragma once

#include <cctype>
#include <cstdint>
#include <cstdio>

// Reads, after white space, an optional sign directly followed by decimal
// digits, using nextCharacter() to take one character and
// pushBack(character) to return the first non-digit. Returns 1 and stores
// the value when it lies in [low, high]. Returns 0 when no number starts
// there (the offending character stays consumed) or when the number lies
// outside the range (all its digits consumed): a value is never wrapped.
// The start of a number for intReadNumber and the readers that share its
// grammar: skips white space and takes an optional sign, setting negative.
// Returns the first digit, or the offending character (consumed) when no
// number starts there.
template <class NextCharacter>
int intReadStart(NextCharacter nextCharacter, bool* negative) {
  int character;
  // Blanks, tabs and newlines, by far the most frequent separators, and
  // digits are told apart without the locale's table.
  do {
    character = nextCharacter();
  } while (character == ' ' || character == '\t' || character == '\n' ||
           (character != EOF && (character < '0' || character > '9') && isspace(character)));
  *negative = false;
  if (character == '-' || character == '+') {
    *negative = (character == '-');
    character = nextCharacter();  // a sign must be followed directly by a digit
  }
  return character;
}

template <class NextCharacter, class PushBack>
int intReadNumber(NextCharacter nextCharacter, PushBack pushBack, int64_t low, int64_t high, int64_t* value) {
  bool negative;
  int character = intReadStart(nextCharacter, &negative);
  if (character < '0' || character > '9') return 0;

  // The magnitude stops growing once it is past every range a caller asks
  // for, so that a long run of digits can neither overflow it nor be taken
  // for a small number; the digits are read to their end all the same.
  constexpr int64_t kMagnitudeCap = int64_t{1} << 40;
  int64_t magnitude = 0;
  do {
    if (magnitude < kMagnitudeCap) magnitude = magnitude * 10 + (character - '0');
    character = nextCharacter();
  } while (character >= '0' && character <= '9');
  if (character != EOF) pushBack(character);

  const int64_t number = negative ? -magnitude : magnitude;
  if ((number < low) || (number > high)) return 0;
  *value = number;
  return 1;
}
