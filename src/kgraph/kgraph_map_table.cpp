// The mapping strategy table: methods, parameters with their defaults, and
// the test variables of mapping conditions.
#include "bgraph/bgraph.h"
#include "kgraph/kgraph.h"

namespace {

enum {
  METHOD_BD = 0,
  METHOD_CP,
  METHOD_DF,
  METHOD_EX,
  METHOD_FM,
  METHOD_ML,
  METHOD_RB,
};

const StratParamBlock<KgraphMapBdParam> mapBdDefault = {{3, &stratEmpty, &stratEmpty}};
const StratParamBlock<KgraphMapDfParam> mapDfDefault = {{40, 1.0, 0.0}};
const StratParamBlock<KgraphMapExParam> mapExDefault = {{0.05}};
const StratParamBlock<KgraphMapFmParam> mapFmDefault = {{200, -1, 0.05}};
const StratParamBlock<KgraphMapMlParam> mapMlDefault = {{&stratEmpty, &stratEmpty, 100, 0.8, 0}};
const StratParamBlock<KgraphMapRbParam> mapRbDefault = {{1, 1, 4, 0.05, &stratEmpty}};

const StratMethod mapMethods[] = {
    {METHOD_BD, "b", stratMethodFunction(kgraphMapBd), &mapBdDefault},
    {METHOD_CP, "c", stratMethodFunction(kgraphMapCp), nullptr},
    {METHOD_DF, "d", stratMethodFunction(kgraphMapDf), &mapDfDefault},
    {METHOD_EX, "x", stratMethodFunction(kgraphMapEx), &mapExDefault},
    {METHOD_FM, "f", stratMethodFunction(kgraphMapFm), &mapFmDefault},
    {METHOD_ML, "m", stratMethodFunction(kgraphMapMl), &mapMlDefault},
    {METHOD_RB, "r", stratMethodFunction(kgraphMapRb), &mapRbDefault},
    {-1, nullptr, nullptr, nullptr},
};

const StratParam mapParams[] = {
    stratParamEntry(METHOD_BD, STRAT_PARAM_INT, "width", mapBdDefault, mapBdDefault.param.width),
    stratParamEntry(METHOD_BD, STRAT_PARAM_STRAT, "bnd", mapBdDefault, mapBdDefault.param.bnd, &kgraphMapStTable),
    stratParamEntry(METHOD_BD, STRAT_PARAM_STRAT, "org", mapBdDefault, mapBdDefault.param.org, &kgraphMapStTable),
    stratParamEntry(METHOD_DF, STRAT_PARAM_INT, "pass", mapDfDefault, mapDfDefault.param.pass),
    stratParamEntry(METHOD_DF, STRAT_PARAM_DOUBLE, "dif", mapDfDefault, mapDfDefault.param.dif),
    stratParamEntry(METHOD_DF, STRAT_PARAM_DOUBLE, "rem", mapDfDefault, mapDfDefault.param.rem),
    stratParamEntry(METHOD_EX, STRAT_PARAM_DOUBLE, "bal", mapExDefault, mapExDefault.param.bal),
    stratParamEntry(METHOD_FM, STRAT_PARAM_INT, "move", mapFmDefault, mapFmDefault.param.move),
    stratParamEntry(METHOD_FM, STRAT_PARAM_INT, "pass", mapFmDefault, mapFmDefault.param.pass),
    stratParamEntry(METHOD_FM, STRAT_PARAM_DOUBLE, "bal", mapFmDefault, mapFmDefault.param.bal),
    stratParamEntry(METHOD_ML, STRAT_PARAM_STRAT, "asc", mapMlDefault, mapMlDefault.param.asc, &kgraphMapStTable),
    stratParamEntry(METHOD_ML, STRAT_PARAM_STRAT, "low", mapMlDefault, mapMlDefault.param.low, &kgraphMapStTable),
    stratParamEntry(METHOD_ML, STRAT_PARAM_INT, "vert", mapMlDefault, mapMlDefault.param.vert),
    stratParamEntry(METHOD_ML, STRAT_PARAM_DOUBLE, "rat", mapMlDefault, mapMlDefault.param.rat),
    stratParamEntry(METHOD_ML, STRAT_PARAM_CASE, "type", mapMlDefault, mapMlDefault.param.type, "hscd"),
    stratParamEntry(METHOD_RB, STRAT_PARAM_CASE, "job", mapRbDefault, mapRbDefault.param.job, "ut"),
    stratParamEntry(METHOD_RB, STRAT_PARAM_CASE, "map", mapRbDefault, mapRbDefault.param.map, "ut"),
    stratParamEntry(METHOD_RB, STRAT_PARAM_CASE, "poli", mapRbDefault, mapRbDefault.param.poli, "rlsLS"),
    stratParamEntry(METHOD_RB, STRAT_PARAM_DOUBLE, "bal", mapRbDefault, mapRbDefault.param.bal),
    stratParamEntry(METHOD_RB, STRAT_PARAM_STRAT, "sep", mapRbDefault, mapRbDefault.param.sep, &bgraphBipartStTable),
    {-1, 0, nullptr, nullptr, nullptr, nullptr},
};

// Conditions read these fields of the mapping graph.
const Kgraph kgraphTemplate = {};

const StratParam mapVariables[] = {
    stratParamEntry(STRAT_COND, VALUE_INT, "edge", kgraphTemplate, kgraphTemplate.graph.arcCount),
    stratParamEntry(STRAT_COND, VALUE_INT, "levl", kgraphTemplate, kgraphTemplate.level),
    stratParamEntry(STRAT_COND, VALUE_INT, "load", kgraphTemplate, kgraphTemplate.graph.vertexLoadSum),
    stratParamEntry(STRAT_COND, VALUE_INT, "vert", kgraphTemplate, kgraphTemplate.graph.vertexCount),
    {-1, 0, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

const StratTab kgraphMapStTable = {mapMethods, mapParams, mapVariables};
