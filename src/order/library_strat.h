// Access to the strategy held by a public strategy handle, for the library
// entry points that take one.
#pragma once

#include "plyxen.h"
#include "strat/strat.h"

// The strategy held by the handle, or null when it is empty.
Strat* stratHandleGet(const PLYXEN_Strat* handle);
// Makes the handle hold the strategy (null: empty), without freeing the one held.
void stratHandleSet(PLYXEN_Strat* handle, Strat* strat);
// Replaces every occurrence of pattern in the zero-terminated text of the
// buffer of the given size, when the result fits; false otherwise (the
// text is then unchanged). For the builders of default strategies.
bool stratTextReplace(char* buffer, size_t size, const char* pattern, const char* replacement);
