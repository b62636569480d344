// Helpers of the graph file reader that other code (and the tests) may use.
#pragma once

#include "common/common.h"

// Reads one integer exactly as intLoad does (white space, an optional sign
// directly followed by digits, numbers outside the GraphNum range refused,
// the first non-digit pushed back, a bad first character consumed), but without
// taking the stream's lock for every character. The caller either holds the
// lock (flockfile) or is the only thread using the stream.
int graphIntLoadUnlocked(FILE* stream, GraphNum* value);
