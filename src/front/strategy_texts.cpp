// The texts of the named ordering strategies, for callers that parse one
// themselves (the plyxen tool, or a solver passing the recommended
// strategy where the interface would use its own).
#include "front/elimord.h"
#include "order/order_strategies.h"

const char* PLYXEN_stratGraphOrderText(int kind) {
  switch (kind) {
    case ORDER_STRATEGY_INTERFACE:
      return ELIMORD_DEFAULT_STRATEGY;
    case ORDER_STRATEGY_RECOMMENDED:
      return ORDER_RECOMMENDED_STRATEGY;
    case ORDER_STRATEGY_QUALITY:
      return ORDER_QUALITY_STRATEGY;
    default:
      return nullptr;
  }
}
