// The bipartition strategy table: methods, parameters with their defaults,
// and the test variables of bipartition conditions.
#include "bgraph/bgraph.h"

namespace {

enum {
  METHOD_BD = 0,
  METHOD_DF,
  METHOD_EX,
  METHOD_FM,
  METHOD_GG,
  METHOD_GP,
  METHOD_ML,
  METHOD_ZR,
};

const StratParamBlock<BgraphBipartBdParam> bipartBdDefault = {{&stratEmpty, &stratEmpty, 3}};
const StratParamBlock<BgraphBipartDfParam> bipartDfDefault = {{40, 0}};
const StratParamBlock<BgraphBipartFmParam> bipartFmDefault = {{80, -1, 0.01, 1}};
const StratParamBlock<BgraphBipartGgParam> bipartGgDefault = {{5}};
const StratParamBlock<BgraphBipartGpParam> bipartGpDefault = {{5}};
const StratParamBlock<BgraphBipartMlParam> bipartMlDefault = {{&stratEmpty, &stratEmpty, 100, 0.8}};

const StratMethod bipartMethods[] = {
    {METHOD_BD, "b", stratMethodFunction(bgraphBipartBd), &bipartBdDefault},
    {METHOD_DF, "d", stratMethodFunction(bgraphBipartDf), &bipartDfDefault},
    {METHOD_EX, "x", stratMethodFunction(bgraphBipartEx), nullptr},
    {METHOD_FM, "f", stratMethodFunction(bgraphBipartFm), &bipartFmDefault},
    {METHOD_GG, "h", stratMethodFunction(bgraphBipartGg), &bipartGgDefault},
    {METHOD_GP, "g", stratMethodFunction(bgraphBipartGp), &bipartGpDefault},
    {METHOD_ML, "m", stratMethodFunction(bgraphBipartMl), &bipartMlDefault},
    {METHOD_ZR, "z", stratMethodFunction(bgraphBipartZr), nullptr},
    {-1, nullptr, nullptr, nullptr},
};

const StratParam bipartParams[] = {
    stratParamEntry(METHOD_BD, STRAT_PARAM_STRAT, "bnd", bipartBdDefault, bipartBdDefault.param.bnd,
                    &bgraphBipartStTable),
    stratParamEntry(METHOD_BD, STRAT_PARAM_STRAT, "org", bipartBdDefault, bipartBdDefault.param.org,
                    &bgraphBipartStTable),
    stratParamEntry(METHOD_BD, STRAT_PARAM_INT, "width", bipartBdDefault, bipartBdDefault.param.width),
    stratParamEntry(METHOD_DF, STRAT_PARAM_INT, "pass", bipartDfDefault, bipartDfDefault.param.pass),
    stratParamEntry(METHOD_DF, STRAT_PARAM_CASE, "type", bipartDfDefault, bipartDfDefault.param.type, "bk"),
    stratParamEntry(METHOD_FM, STRAT_PARAM_INT, "move", bipartFmDefault, bipartFmDefault.param.move),
    stratParamEntry(METHOD_FM, STRAT_PARAM_INT, "pass", bipartFmDefault, bipartFmDefault.param.pass),
    stratParamEntry(METHOD_FM, STRAT_PARAM_DOUBLE, "bal", bipartFmDefault, bipartFmDefault.param.bal),
    stratParamEntry(METHOD_FM, STRAT_PARAM_CASE, "type", bipartFmDefault, bipartFmDefault.param.type, "ab"),
    stratParamEntry(METHOD_GG, STRAT_PARAM_INT, "pass", bipartGgDefault, bipartGgDefault.param.pass),
    stratParamEntry(METHOD_GP, STRAT_PARAM_INT, "pass", bipartGpDefault, bipartGpDefault.param.pass),
    stratParamEntry(METHOD_ML, STRAT_PARAM_STRAT, "asc", bipartMlDefault, bipartMlDefault.param.asc,
                    &bgraphBipartStTable),
    stratParamEntry(METHOD_ML, STRAT_PARAM_STRAT, "low", bipartMlDefault, bipartMlDefault.param.low,
                    &bgraphBipartStTable),
    stratParamEntry(METHOD_ML, STRAT_PARAM_INT, "vert", bipartMlDefault, bipartMlDefault.param.vert),
    stratParamEntry(METHOD_ML, STRAT_PARAM_DOUBLE, "rat", bipartMlDefault, bipartMlDefault.param.rat),
    {-1, 0, nullptr, nullptr, nullptr, nullptr},
};

// Conditions read these fields of the bipartition graph.
const Bgraph bgraphTemplate = {};

const StratParam bipartVariables[] = {
    stratParamEntry(STRAT_COND, VALUE_DOUBLE, "bal", bgraphTemplate, bgraphTemplate.balance),
    stratParamEntry(STRAT_COND, VALUE_INT, "edge", bgraphTemplate, bgraphTemplate.graph.arcCount),
    stratParamEntry(STRAT_COND, VALUE_INT, "levl", bgraphTemplate, bgraphTemplate.level),
    stratParamEntry(STRAT_COND, VALUE_INT, "lmin0", bgraphTemplate, bgraphTemplate.part0LoadMin),
    stratParamEntry(STRAT_COND, VALUE_INT, "lmax0", bgraphTemplate, bgraphTemplate.part0LoadMax),
    stratParamEntry(STRAT_COND, VALUE_INT, "load", bgraphTemplate, bgraphTemplate.graph.vertexLoadSum),
    stratParamEntry(STRAT_COND, VALUE_INT, "load0", bgraphTemplate, bgraphTemplate.part0Load),
    stratParamEntry(STRAT_COND, VALUE_INT, "vert", bgraphTemplate, bgraphTemplate.graph.vertexCount),
    {-1, 0, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

const StratTab bgraphBipartStTable = {bipartMethods, bipartParams, bipartVariables};
