// Halo approximate minimum degree kernel: the elimination engine of
// hall_order_kernel.h keyed by the approximate external degree.

#include <climits>
#include <cstdint>

#include "order/hall_order_hx.h"
#include "order/hall_order_kernel.h"

namespace {

// A variable's key is its approximate external degree (weighted), which
// never exceeds the degree bound.
struct DegreeKey {
  static constexpr bool usesCliquePairs = false;
  int64_t keyRange;
  int64_t key(GraphNum degree, GraphNum, GraphNum, float) const { return degree; }
};

}  // namespace

void hallOrderHdR2Halmd(GraphNum degreeBound, GraphNum n, GraphNum elementCount, GraphNum iwlen, GraphNum* start,
                        GraphNum freePosition, GraphNum* length, GraphNum* workspace, GraphNum* weight,
                        GraphNum* elementLength, GraphNum* last, GraphNum* compressionCount, GraphNum* degree,
                        GraphNum* head, GraphNum lastList, GraphNum* next, int64_t* work) {
  if (elementCount != 0 || n < 0 || degreeBound < n || lastList < 0 || lastList == INT32_MAX) {
    errorPrint("hallOrderHdR2Halmd: internal error (1)");
    *compressionCount = -1;
    return;
  }
  if (n == 0) {
    *compressionCount = 0;
    return;
  }
  const DegreeKey policy{degreeBound};
  hall_order::HaloEliminator<DegreeKey> eliminator(policy, "hallOrderHdR2Halmd", degreeBound, n, iwlen, start,
                                                   freePosition, length, workspace, weight, elementLength, last,
                                                   degree, head, lastList, next, work);
  *compressionCount = eliminator.run();
}
