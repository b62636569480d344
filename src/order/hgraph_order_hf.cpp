// Ordering method f: halo approximate minimum fill on the non-halo
// vertices, column blocks from the kernel's supernodes merged under the
// cmin, cmax and frat limits.

#include "order/hall_order_hx.h"
#include "order/hgraph_order_methods.h"

int hgraphOrderHf(Hgraph* graph, Order* order, GraphNum startPosition, OrderColBlock* columnBlock,
                  const void* parameters) {
  return hallOrderHxOrder(graph, order, startPosition, columnBlock, parameters, HALL_ORDER_FILL, "hgraphOrderHf");
}
