// Placeholder until the halo minimum degree and fill methods land.
// Each reports that it is not available and fails, so that strategies naming
// these methods parse and write back but refuse to run.
#include "order/hgraph_order_methods.h"

int hgraphOrderHf(Hgraph*, Order*, GraphNum, OrderColBlock*, const void*) {
  errorPrint("hgraphOrderHf: method not available in this version");
  return 1;
}
