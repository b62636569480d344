// The strategy scanner: tokens by mode, read one character at a time.
#include "strat/strat_scanner.h"

#include <cstdlib>
#include <cstring>

namespace {

const char* scanText = "";
size_t scanPosition;  // start of the next token
size_t scanExamined;  // every character before this index has been examined
int scanMode = STRAT_SCAN_STRATEGY;

// Returns the character at index, marking it examined. Characters are
// always read in order from scanPosition, so the examined part only grows
// by one at a time; the terminating NUL is the end of input and is never
// counted as examined, so that the remainder stays inside the text.
int scanRead(size_t index) {
  const int character = static_cast<unsigned char>(scanText[index]);
  if ((character != '\0') && (index >= scanExamined)) scanExamined = index + 1;
  return character;
}

bool isDigit(int character) { return (character >= '0') && (character <= '9'); }
bool isLetter(int character) {
  return ((character >= 'a') && (character <= 'z')) || ((character >= 'A') && (character <= 'Z'));
}
bool isLetterOrDigit(int character) { return isLetter(character) || isDigit(character); }

// Copies at most STRAT_TOKEN_TEXT_MAX characters of the text range.
void copyText(StratToken* token, size_t begin, size_t end) {
  size_t length = end - begin;
  if (length > STRAT_TOKEN_TEXT_MAX) length = STRAT_TOKEN_TEXT_MAX;
  memcpy(token->text, scanText + begin, length);
  token->text[length] = '\0';
}

// Decimal digits, held at STRAT_TOKEN_INT_CAP when larger.
int64_t convertDigits(size_t begin, size_t end) {
  int64_t value = 0;
  for (size_t index = begin; index < end; index++) {
    value = value * 10 + (scanText[index] - '0');
    if (value > STRAT_TOKEN_INT_CAP) return STRAT_TOKEN_INT_CAP;
  }
  return value;
}

// A floating number of the text range; infinite when its magnitude is
// beyond the double range.
double convertReal(size_t begin, size_t end) {
  const size_t length = end - begin;
  char local[128];
  char* buffer = local;
  if (length >= sizeof(local)) {
    buffer = static_cast<char*>(malloc(length + 1));
    if (buffer == nullptr) {
      fputs("fatal error - scanner input buffer overflow\n", stderr);
      exit(2);
    }
  }
  memcpy(buffer, scanText + begin, length);
  buffer[length] = '\0';
  double value = strtod(buffer, nullptr);
  if (buffer != local) free(buffer);
  return value;
}

// Number tokens carry their text too, for the parser's messages.
void numberToken(StratToken* token, int type, size_t end) {
  token->type = type;
  copyText(token, scanPosition, end);
  scanPosition = end;
}

// Scans a number from scanPosition by longest match of
// digits [ "." digits ] [ ("e" | "E") [ "+" | "-" ] digits ]
// and returns its end; real tells whether a fraction or an exponent was
// matched. Like a longest-match automaton, it examines every character it
// tries, including those of an incomplete fraction or exponent that it
// then gives back.
size_t scanNumber(bool* real) {
  size_t index = scanPosition;
  while (isDigit(scanRead(index))) index++;
  size_t accepted = index;
  *real = false;
  int character = scanRead(index);  // already examined: it ended the digits
  if (character == '.') {
    if (!isDigit(scanRead(index + 1))) return accepted;  // "1." stops here
    index += 2;
    while (isDigit(scanRead(index))) index++;
    accepted = index;
    *real = true;
    character = scanRead(index);
  }
  if ((character == 'e') || (character == 'E')) {
    size_t exponent = index + 1;
    int next = scanRead(exponent);
    if ((next == '+') || (next == '-')) next = scanRead(++exponent);
    if (isDigit(next)) {
      while (isDigit(scanRead(exponent))) exponent++;
      accepted = exponent;
      *real = true;
    }
  }
  return accepted;
}

void singleCharacter(StratToken* token, int character) {
  token->type = STRAT_TOKEN_CHAR;
  token->code = character;
  scanPosition++;
}

}  // namespace

void stratScannerInit(const char* text) {
  scanText = text;
  scanPosition = 0;
  scanExamined = 0;
  scanMode = STRAT_SCAN_STRATEGY;
}

void stratScannerMode(int mode) { scanMode = mode; }

const char* stratScannerRemaining() { return scanText + scanExamined; }

void stratScannerLex(StratToken* token) {
  token->text[0] = '\0';
  token->code = 0;
  int character = scanRead(scanPosition);
  while ((character == ' ') || (character == '\t') || (character == '\n')) character = scanRead(++scanPosition);
  if (character == '\0') {
    token->type = STRAT_TOKEN_END;
    return;
  }

  switch (scanMode) {
    case STRAT_SCAN_STRATEGY:
    case STRAT_SCAN_CASE:
      if (isLetterOrDigit(character)) {  // one character, nothing more to examine
        token->type = (scanMode == STRAT_SCAN_STRATEGY) ? STRAT_TOKEN_METHOD : STRAT_TOKEN_CASE;
        token->code = character;
        token->text[0] = static_cast<char>(character);
        token->text[1] = '\0';
        scanPosition++;
        return;
      }
      break;
    case STRAT_SCAN_PARAM_NAME:
    case STRAT_SCAN_CONDITION:
      if (isLetter(character)) {
        size_t end = scanPosition + 1;
        while (isLetterOrDigit(scanRead(end))) end++;
        token->type = STRAT_TOKEN_NAME;
        copyText(token, scanPosition, end);
        scanPosition = end;
        return;
      }
      if ((scanMode == STRAT_SCAN_CONDITION) && isDigit(character)) {
        bool real;
        const size_t end = scanNumber(&real);
        if (real)
          token->doubleValue = convertReal(scanPosition, end);
        else
          token->intValue = convertDigits(scanPosition, end);
        numberToken(token, real ? STRAT_TOKEN_DOUBLE : STRAT_TOKEN_INT, end);
        return;
      }
      break;
    case STRAT_SCAN_DOUBLE:
    case STRAT_SCAN_INT:
      if (isDigit(character)) {
        bool real;
        const size_t end = scanNumber(&real);
        if (scanMode == STRAT_SCAN_DOUBLE) {
          token->doubleValue = convertReal(scanPosition, end);
        } else if (real) {  // truncated toward zero (a number has no sign here)
          const double value = convertReal(scanPosition, end);
          token->intValue = (value >= static_cast<double>(STRAT_TOKEN_INT_CAP)) ? STRAT_TOKEN_INT_CAP
                                                                                 : static_cast<int64_t>(value);
        } else {
          token->intValue = convertDigits(scanPosition, end);
        }
        numberToken(token, (scanMode == STRAT_SCAN_DOUBLE) ? STRAT_TOKEN_DOUBLE : STRAT_TOKEN_INT, end);
        return;
      }
      break;
    case STRAT_SCAN_STRING:
      if (character == '"') {
        size_t end = scanPosition + 1;
        int next;
        while (((next = scanRead(end)) != '"') && (next != '\0')) end++;
        if (next == '"') {
          token->type = STRAT_TOKEN_STRING;
          copyText(token, scanPosition + 1, end);
          scanPosition = end + 1;
          return;
        }
        // No closing quote: the quote alone is the token, the rest of the
        // text having been examined in vain.
      }
      break;
    default:
      break;
  }
  singleCharacter(token, character);
}
