// Internals of the strategy parser that tests reach (the parser itself,
// stratParserParse, is declared in strat/strat.h).
#pragma once

// Largest number of states that the parser stack of the strategy grammar
// may hold; deeper nesting is refused as an invalid strategy string.
inline constexpr int STRAT_PARSER_STACK_MAX = 10000;

// Allocation fault injection for tests: after count more successful node
// allocations, every node allocation of the parser fails; a negative count
// (the initial state) turns injection off.
void stratParserFailAllocations(long count);
