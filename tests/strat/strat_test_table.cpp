#include "strat_test_table.h"

namespace {

const StratParamBlock<TestXParam> xDefault = {{3, 0.5, 0, &stratEmpty, 0, 0, "def"}};
const StratParamBlock<TestZParam> zDefault = {{11, &stratEmpty, 0, 5}};
const StratParamBlock<TestWParam> wDefault = {{nullptr, 1}};

void noMethod() {}

const StratMethod testMethods[] = {
    {TEST_METHOD_X, "x", noMethod, &xDefault},   {TEST_METHOD_Y, "y", noMethod, nullptr},
    {TEST_METHOD_Z, "z", noMethod, &zDefault},   {TEST_METHOD_W, "w", noMethod, &wDefault},
    {TEST_METHOD_X2, "X", noMethod, &xDefault},  {-1, nullptr, nullptr, nullptr},
};

const StratParam testParams[] = {
    stratParamEntry(TEST_METHOD_X, STRAT_PARAM_INT, "num", xDefault, xDefault.param.num),
    stratParamEntry(TEST_METHOD_X, STRAT_PARAM_DOUBLE, "dbl", xDefault, xDefault.param.dbl),
    stratParamEntry(TEST_METHOD_X, STRAT_PARAM_CASE, "sw", xDefault, xDefault.param.sw, "abC"),
    stratParamEntry(TEST_METHOD_X, STRAT_PARAM_STRAT, "sub", xDefault, xDefault.param.sub, &stratTestTable),
    stratParamEntry(TEST_METHOD_X, STRAT_PARAM_INT, "dup", xDefault, xDefault.param.dup1),
    stratParamEntry(TEST_METHOD_X, STRAT_PARAM_INT, "DUP", xDefault, xDefault.param.dup2),
    stratParamEntry(TEST_METHOD_X, STRAT_PARAM_STRING, "str", xDefault, xDefault.param.str),
    stratParamEntry(TEST_METHOD_Z, STRAT_PARAM_INT | STRAT_PARAM_IGNORED, "old", zDefault, zDefault.param.old),
    stratParamEntry(TEST_METHOD_Z, STRAT_PARAM_STRAT | STRAT_PARAM_IGNORED, "gone", zDefault, zDefault.param.gone,
                    &stratTestTable),
    stratParamEntry(TEST_METHOD_Z, STRAT_PARAM_CASE | STRAT_PARAM_IGNORED, "kind", zDefault, zDefault.param.kind,
                    "pq"),
    stratParamEntry(TEST_METHOD_Z, STRAT_PARAM_INT, "keep", zDefault, zDefault.param.keep),
    stratParamEntry(TEST_METHOD_W, STRAT_PARAM_STRAT, "nul", wDefault, wDefault.param.nul, &stratTestTable),
    stratParamEntry(TEST_METHOD_W, STRAT_PARAM_INT, "cnt", wDefault, wDefault.param.cnt),
    {-1, 0, nullptr, nullptr, nullptr, nullptr},
};

const TestObject objectTemplate = {};

const StratParam testVariables[] = {
    stratParamEntry(STRAT_COND, VALUE_INT, "count", objectTemplate, objectTemplate.count),
    stratParamEntry(STRAT_COND, VALUE_DOUBLE, "ratio", objectTemplate, objectTemplate.ratio),
    stratParamEntry(STRAT_COND, VALUE_INT, "countx", objectTemplate, objectTemplate.countx),
    {-1, 0, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

const StratTab stratTestTable = {testMethods, testParams, testVariables};
