// Access to the strategy held by a public strategy handle, for the library
// entry points that take one.
#pragma once

#include "plyxen.h"
#include "strat/strat.h"

// The strategy held by the handle, or null when it is empty.
Strat* stratHandleGet(const PLYXEN_Strat* handle);
// Makes the handle hold the strategy (null: empty), without freeing the one held.
void stratHandleSet(PLYXEN_Strat* handle, Strat* strat);
