// The separation strategy table: methods, parameters with their defaults,
// and the test variables of separation conditions.
#include "bgraph/bgraph.h"
#include "vgraph/vgraph.h"
#include "vgraph/vgraph_separate_methods.h"

namespace {

enum {
  METHOD_BD = 0,
  METHOD_ES,
  METHOD_FM,
  METHOD_GG,
  METHOD_GP,
  METHOD_ML,
  METHOD_VW,
  METHOD_ZR,
};

const StratParamBlock<VgraphSeparateBdParam> separateBdDefault = {{&stratEmpty, &stratEmpty, 3}};
const StratParamBlock<VgraphSeparateEsParam> separateEsDefault = {{&stratEmpty, 0}};
const StratParamBlock<VgraphSeparateFmParam> separateFmDefault = {{200, 1000, 0.1}};
const StratParamBlock<VgraphSeparateGgParam> separateGgDefault = {{5}};
const StratParamBlock<VgraphSeparateGpParam> separateGpDefault = {{9}};
const StratParamBlock<VgraphSeparateMlParam> separateMlDefault = {{&stratEmpty, &stratEmpty, 0, 100, 0.8}};

const StratMethod separateMethods[] = {
    {METHOD_BD, "b", stratMethodFunction(vgraphSeparateBd), &separateBdDefault},
    {METHOD_ES, "e", stratMethodFunction(vgraphSeparateEs), &separateEsDefault},
    {METHOD_FM, "f", stratMethodFunction(vgraphSeparateFm), &separateFmDefault},
    {METHOD_GG, "h", stratMethodFunction(vgraphSeparateGg), &separateGgDefault},
    {METHOD_GP, "g", stratMethodFunction(vgraphSeparateGp), &separateGpDefault},
    {METHOD_ML, "m", stratMethodFunction(vgraphSeparateMl), &separateMlDefault},
    {METHOD_VW, "v", stratMethodFunction(vgraphSeparateVw), nullptr},
    {METHOD_ZR, "z", stratMethodFunction(vgraphSeparateZr), nullptr},
    {-1, nullptr, nullptr, nullptr},
};

const StratParam separateParams[] = {
    stratParamEntry(METHOD_BD, STRAT_PARAM_STRAT, "bnd", separateBdDefault, separateBdDefault.param.bnd,
                    &vgraphSeparateStTable),
    stratParamEntry(METHOD_BD, STRAT_PARAM_STRAT, "org", separateBdDefault, separateBdDefault.param.org,
                    &vgraphSeparateStTable),
    stratParamEntry(METHOD_BD, STRAT_PARAM_INT, "width", separateBdDefault, separateBdDefault.param.width),
    stratParamEntry(METHOD_ES, STRAT_PARAM_STRAT, "strat", separateEsDefault, separateEsDefault.param.strat,
                    &bgraphBipartStTable),
    stratParamEntry(METHOD_ES, STRAT_PARAM_CASE, "type", separateEsDefault, separateEsDefault.param.type, "tf"),
    stratParamEntry(METHOD_FM, STRAT_PARAM_INT, "move", separateFmDefault, separateFmDefault.param.move),
    stratParamEntry(METHOD_FM, STRAT_PARAM_INT, "pass", separateFmDefault, separateFmDefault.param.pass),
    stratParamEntry(METHOD_FM, STRAT_PARAM_DOUBLE, "bal", separateFmDefault, separateFmDefault.param.bal),
    stratParamEntry(METHOD_GG, STRAT_PARAM_INT, "pass", separateGgDefault, separateGgDefault.param.pass),
    stratParamEntry(METHOD_GP, STRAT_PARAM_INT, "pass", separateGpDefault, separateGpDefault.param.pass),
    stratParamEntry(METHOD_ML, STRAT_PARAM_STRAT, "asc", separateMlDefault, separateMlDefault.param.asc,
                    &vgraphSeparateStTable),
    stratParamEntry(METHOD_ML, STRAT_PARAM_STRAT, "low", separateMlDefault, separateMlDefault.param.low,
                    &vgraphSeparateStTable),
    stratParamEntry(METHOD_ML, STRAT_PARAM_CASE, "type", separateMlDefault, separateMlDefault.param.type, "hs"),
    stratParamEntry(METHOD_ML, STRAT_PARAM_INT, "vert", separateMlDefault, separateMlDefault.param.vert),
    stratParamEntry(METHOD_ML, STRAT_PARAM_DOUBLE, "rat", separateMlDefault, separateMlDefault.param.rat),
    {-1, 0, nullptr, nullptr, nullptr, nullptr},
};

// Conditions read these fields of the separation graph.
const Vgraph vgraphTemplate = {};

const StratParam separateVariables[] = {
    stratParamEntry(STRAT_COND, VALUE_INT, "edge", vgraphTemplate, vgraphTemplate.graph.arcCount),
    stratParamEntry(STRAT_COND, VALUE_INT, "levl", vgraphTemplate, vgraphTemplate.level),
    stratParamEntry(STRAT_COND, VALUE_INT, "load", vgraphTemplate, vgraphTemplate.graph.vertexLoadSum),
    stratParamEntry(STRAT_COND, VALUE_INT, "vert", vgraphTemplate, vgraphTemplate.graph.vertexCount),
    {-1, 0, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

const StratTab vgraphSeparateStTable = {separateMethods, separateParams, separateVariables};
