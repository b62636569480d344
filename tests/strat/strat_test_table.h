// A strategy table made for the tests, with what the real tables lack:
// string, ignored and tied parameters, a strategy parameter without a
// default, a repeated method name, and a floating test variable.
#pragma once

#include "strat/strat.h"

// Methods, in order: x (number 0, all parameter types), y (1, none),
// z (2, ignored parameters), w (3, a strategy parameter defaulting to
// null), and a second "x" (4) that look-ups must never reach.
enum { TEST_METHOD_X = 0, TEST_METHOD_Y, TEST_METHOD_Z, TEST_METHOD_W, TEST_METHOD_X2 };

struct TestXParam {
  GraphNum num;    // "num", integer, default 3
  double dbl;      // "dbl", floating, default 0.5
  int sw;          // "sw", case "abC", default 'a'
  Strat* sub;      // "sub", strategy of this table, default empty
  GraphNum dup1;   // "dup", integer, default 0 (the first of two entries named "dup")
  GraphNum dup2;   // "dup" again, default 0: never reached
  char str[40];    // "str", string, default "def"
};
struct TestZParam {
  GraphNum old;    // "old", integer, ignored, default 11
  Strat* gone;     // "gone", strategy, ignored, default empty
  int kind;        // "kind", case "pq", ignored, default 'p'
  GraphNum keep;   // "keep", integer, default 5
};
struct TestWParam {
  Strat* nul;      // "nul", strategy, default null
  GraphNum cnt;    // "cnt", integer, default 1
};

// Condition variables: "count" (integer), "ratio" (floating) and "countx"
// (integer), read from this object.
struct TestObject {
  GraphNum count;
  double ratio;
  GraphNum countx;
};

extern const StratTab stratTestTable;
