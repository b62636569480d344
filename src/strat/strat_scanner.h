// The scanner of the strategy language. It reads the strategy text one
// character at a time, only when it needs the next character, so that the
// part of the text it has not examined yet is simply a suffix of the text:
// the parser shows that suffix in its messages. The same characters form
// different tokens depending on the mode, which the parser switches as it
// goes (a "5" is a method name in a strategy, a number in a value).
// Scanner state is process-wide; callers hold the parser lock.
#pragma once

#include "common/common.h"

enum StratScanMode {
  STRAT_SCAN_STRATEGY = 0,    // method names: one letter or digit each
  STRAT_SCAN_PARAM_NAME = 1,  // parameter names
  STRAT_SCAN_CASE = 2,        // one letter or digit, the value of a case parameter
  STRAT_SCAN_DOUBLE = 3,      // floating numbers
  STRAT_SCAN_INT = 4,         // integer numbers (a floating form is truncated)
  STRAT_SCAN_STRING = 5,      // double-quoted strings
  STRAT_SCAN_CONDITION = 6,   // variable names, integer and floating numbers
};

enum StratTokenType {
  STRAT_TOKEN_END = 0,     // end of the text
  STRAT_TOKEN_CHAR = 1,    // any other character, as itself
  STRAT_TOKEN_METHOD = 2,  // method name
  STRAT_TOKEN_NAME = 3,    // parameter or variable name
  STRAT_TOKEN_CASE = 4,    // case letter
  STRAT_TOKEN_DOUBLE = 5,  // floating number, without sign
  STRAT_TOKEN_INT = 6,     // integer number, without sign
  STRAT_TOKEN_STRING = 7,  // string, without its quotes
};

// Names and strings longer than this are truncated.
inline constexpr size_t STRAT_TOKEN_TEXT_MAX = 255;

// Numbers are held as read, without a range check: the parser, which knows
// the sign and the type wanted, refuses a value that its field cannot hold.
struct StratToken {
  int type;                              // StratTokenType
  int code;                              // the character of a CHAR, METHOD or CASE token
  char text[STRAT_TOKEN_TEXT_MAX + 1];   // METHOD, NAME and STRING tokens; the digits of numbers
  double doubleValue;                    // DOUBLE tokens; infinite when out of the double range
  int64_t intValue;                      // INT tokens, truncated toward zero; at most STRAT_TOKEN_INT_CAP
};

// Integer tokens larger than every GraphNum are held at this value.
inline constexpr int64_t STRAT_TOKEN_INT_CAP = int64_t{1} << 40;

// Starts scanning the text, in strategy mode, from its first character.
void stratScannerInit(const char* text);
// Mode in which the next token will be read.
void stratScannerMode(int mode);
// The part of the text that has not been examined yet.
const char* stratScannerRemaining();
// Reads the next token.
void stratScannerLex(StratToken* token);
