// The ordering strategy table: methods, parameters with their defaults,
// and the test variables of ordering conditions.
#include "kgraph/kgraph.h"
#include "order/hgraph.h"
#include "order/hgraph_order_methods.h"
#include "vgraph/vgraph.h"

namespace {

enum {
  METHOD_BL = 0,
  METHOD_CC,
  METHOD_CP,
  METHOD_GP,
  METHOD_HD,
  METHOD_HF,
  METHOD_KP,
  METHOD_ND,
  METHOD_SIMPLE,
};

const StratParamBlock<HgraphOrderBlParam> orderBlDefault = {{&stratEmpty, 8}};
const StratParamBlock<HgraphOrderCcParam> orderCcDefault = {{&stratEmpty}};
const StratParamBlock<HgraphOrderCpParam> orderCpDefault = {{0.7, &stratEmpty, &stratEmpty}};
const StratParamBlock<HgraphOrderGpParam> orderGpDefault = {{3}};
const StratParamBlock<HgraphOrderHxParam> orderHdDefault = {{1, 10000, 0.08}};
const StratParamBlock<HgraphOrderHxParam> orderHfDefault = {{1, 1000000, 0.08}};
const StratParamBlock<HgraphOrderKpParam> orderKpDefault = {{1, &stratEmpty}};
const StratParamBlock<HgraphOrderNdParam> orderNdDefault = {{&stratEmpty, &stratEmpty, &stratEmpty, 0, 0, 0, 0.0, 0, &stratEmpty}};

const StratMethod orderMethods[] = {
    {METHOD_BL, "b", stratMethodFunction(hgraphOrderBl), &orderBlDefault},
    {METHOD_CC, "o", stratMethodFunction(hgraphOrderCc), &orderCcDefault},
    {METHOD_CP, "c", stratMethodFunction(hgraphOrderCp), &orderCpDefault},
    {METHOD_GP, "g", stratMethodFunction(hgraphOrderGp), &orderGpDefault},
    {METHOD_HD, "d", stratMethodFunction(hgraphOrderHd), &orderHdDefault},
    {METHOD_HF, "f", stratMethodFunction(hgraphOrderHf), &orderHfDefault},
    {METHOD_KP, "k", stratMethodFunction(hgraphOrderKp), &orderKpDefault},
    {METHOD_ND, "n", stratMethodFunction(hgraphOrderNd), &orderNdDefault},
    {METHOD_SIMPLE, "s", stratMethodFunction(hgraphOrderSimple), nullptr},
    {-1, nullptr, nullptr, nullptr},
};

const StratParam orderParams[] = {
    stratParamEntry(METHOD_BL, STRAT_PARAM_STRAT, "strat", orderBlDefault, orderBlDefault.param.strat,
                    &hgraphOrderStTable),
    stratParamEntry(METHOD_BL, STRAT_PARAM_INT, "cmin", orderBlDefault, orderBlDefault.param.cmin),
    stratParamEntry(METHOD_CC, STRAT_PARAM_STRAT, "strat", orderCcDefault, orderCcDefault.param.strat,
                    &hgraphOrderStTable),
    stratParamEntry(METHOD_CP, STRAT_PARAM_DOUBLE, "rat", orderCpDefault, orderCpDefault.param.rat),
    stratParamEntry(METHOD_CP, STRAT_PARAM_STRAT, "cpr", orderCpDefault, orderCpDefault.param.cpr,
                    &hgraphOrderStTable),
    stratParamEntry(METHOD_CP, STRAT_PARAM_STRAT, "unc", orderCpDefault, orderCpDefault.param.unc,
                    &hgraphOrderStTable),
    stratParamEntry(METHOD_GP, STRAT_PARAM_INT, "pass", orderGpDefault, orderGpDefault.param.pass),
    stratParamEntry(METHOD_HD, STRAT_PARAM_INT, "cmin", orderHdDefault, orderHdDefault.param.cmin),
    stratParamEntry(METHOD_HD, STRAT_PARAM_INT, "cmax", orderHdDefault, orderHdDefault.param.cmax),
    stratParamEntry(METHOD_HD, STRAT_PARAM_DOUBLE, "frat", orderHdDefault, orderHdDefault.param.frat),
    stratParamEntry(METHOD_HF, STRAT_PARAM_INT, "cmin", orderHfDefault, orderHfDefault.param.cmin),
    stratParamEntry(METHOD_HF, STRAT_PARAM_INT, "cmax", orderHfDefault, orderHfDefault.param.cmax),
    stratParamEntry(METHOD_HF, STRAT_PARAM_DOUBLE, "frat", orderHfDefault, orderHfDefault.param.frat),
    stratParamEntry(METHOD_KP, STRAT_PARAM_INT, "siz", orderKpDefault, orderKpDefault.param.siz),
    stratParamEntry(METHOD_KP, STRAT_PARAM_STRAT, "strat", orderKpDefault, orderKpDefault.param.strat,
                    &kgraphMapStTable),
    stratParamEntry(METHOD_ND, STRAT_PARAM_STRAT, "sep", orderNdDefault, orderNdDefault.param.sep,
                    &vgraphSeparateStTable),
    stratParamEntry(METHOD_ND, STRAT_PARAM_STRAT, "ole", orderNdDefault, orderNdDefault.param.ole,
                    &hgraphOrderStTable),
    stratParamEntry(METHOD_ND, STRAT_PARAM_STRAT, "ose", orderNdDefault, orderNdDefault.param.ose,
                    &hgraphOrderStTable),
    stratParamEntry(METHOD_ND, STRAT_PARAM_CASE, "cmp", orderNdDefault, orderNdDefault.param.compare, "sf"),
    stratParamEntry(METHOD_ND, STRAT_PARAM_INT, "thrd", orderNdDefault, orderNdDefault.param.threads),
    stratParamEntry(METHOD_ND, STRAT_PARAM_INT, "shp", orderNdDefault, orderNdDefault.param.shapeLevels),
    stratParamEntry(METHOD_ND, STRAT_PARAM_DOUBLE, "whl", orderNdDefault, orderNdDefault.param.whole),
    stratParamEntry(METHOD_ND, STRAT_PARAM_INT, "lka", orderNdDefault, orderNdDefault.param.lookLevels),
    stratParamEntry(METHOD_ND, STRAT_PARAM_STRAT, "lks", orderNdDefault, orderNdDefault.param.lookStrat,
                    &vgraphSeparateStTable),
    {-1, 0, nullptr, nullptr, nullptr, nullptr},
};

// Conditions read these fields of the halo graph being ordered.
const Hgraph hgraphTemplate = {};

const StratParam orderVariables[] = {
    stratParamEntry(STRAT_COND, VALUE_INT, "edge", hgraphTemplate, hgraphTemplate.graph.arcCount),
    stratParamEntry(STRAT_COND, VALUE_INT, "levl", hgraphTemplate, hgraphTemplate.level),
    stratParamEntry(STRAT_COND, VALUE_INT, "load", hgraphTemplate, hgraphTemplate.nonHaloVertexLoadSum),
    stratParamEntry(STRAT_COND, VALUE_INT, "mdeg", hgraphTemplate, hgraphTemplate.graph.maxDegree),
    stratParamEntry(STRAT_COND, VALUE_INT, "vert", hgraphTemplate, hgraphTemplate.nonHaloVertexCount),
    {-1, 0, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

const StratTab hgraphOrderStTable = {orderMethods, orderParams, orderVariables};
