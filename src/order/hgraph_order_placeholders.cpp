// Ordering methods not yet available in this version.
// Each reports that it is not available and fails, so that strategies naming
// these methods parse and write back but refuse to run.
#include "order/hgraph_order_methods.h"

int hgraphOrderKp(Hgraph*, Order*, GraphNum, OrderColBlock*, const void*) {
  errorPrint("hgraphOrderKp: method not available in this version");
  return 1;
}
