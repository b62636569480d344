// Halo approximate minimum fill kernel: the elimination engine of
// hall_order_kernel.h keyed by an approximate fill score.

#include <climits>
#include <cstdint>

#include "order/hall_order_hx.h"
#include "order/hall_order_kernel.h"

namespace {

// The key of a variable i is a score of the fill its elimination would
// create, per unit of weight, computed in single precision.
//
// Let c be the weight of the other variables of the new element (they are
// already pairwise adjacent), D = degree - c the weight of its neighbours
// outside the new element, and P the ordered pairs of neighbours already
// joined by i's older elements. Eliminating i joins every pair of its
// neighbours; the ones not joined yet number about
//     F = D (D - 1 + 2c) - P   (ordered pairs: D (D - 1) among the outside
//                               neighbours and 2 D c across, minus P).
// The score is 1 + F / (weight + 1): a variable whose elimination creates
// no fill scores exactly 1, ahead of every variable that creates some. It
// is rounded to the nearest integer (halves upward) and capped at 2^31 - 2,
// so that the key never decreases as the score grows: scores from 2^31 on
// share the last key instead of being scaled down by the degree bound,
// which ranked the variables of largest fill among those of least. Fronts
// reach such scores on graphs with hubs: on a power-law graph of a million
// vertices the scaled keys gave 12 % more operations and 1.7 times the time.
//
// Keys: a score s up to the degree bound b is its own key; above it the
// keys widen to steps of q = b / 8 (1 when b < 8), up to key 2b.
struct FillKey {
  static constexpr bool usesCliquePairs = true;
  int64_t keyRange;
  GraphNum degreeBound;
  GraphNum step;

  int64_t key(GraphNum degree, GraphNum weight, GraphNum elementDegree, float cliquePairs) const {
    float inside = static_cast<float>(elementDegree - weight);
    float outside = static_cast<float>(degree) - inside;
    float fill = outside * (outside - 1.0f + 2.0f * inside) - cliquePairs;
    if (!(fill > 0.0f)) fill = 0.0f;
    float divisor = static_cast<float>(weight) + 1.0f;
    float score = (fill + divisor) / divisor;
    // score >= 1, so truncating score + 0.5 is floor(score + 0.5).
    int64_t value = score < 4294967296.0f ? static_cast<int64_t>(score + 0.5f) : int64_t{4294967296};
    if (value < 1) value = 1;
    if (value > 2147483646) value = 2147483646;
    if (value <= degreeBound) return value;
    int64_t widened = int64_t{degreeBound} + (value - degreeBound) / step;
    return widened < keyRange ? widened : keyRange;
  }
};

}  // namespace

void hallOrderHfR3Hamdf4(GraphNum degreeBound, GraphNum n, GraphNum elementCount, GraphNum iwlen, GraphNum* start,
                         GraphNum freePosition, GraphNum* length, GraphNum* workspace, GraphNum* weight,
                         GraphNum* elementLength, GraphNum* last, GraphNum* compressionCount, GraphNum* degree,
                         GraphNum* head, GraphNum lastList, GraphNum* next, int64_t* work) {
  if (elementCount != 0 || n < 0 || degreeBound < n || lastList < 0 || lastList == INT32_MAX) {
    errorPrint("hallOrderHfR3Hamdf4: internal error (1)");
    *compressionCount = -1;
    return;
  }
  if (n == 0) {
    *compressionCount = 0;
    return;
  }
  const FillKey policy{2 * int64_t{degreeBound}, degreeBound, degreeBound < 8 ? 1 : degreeBound / 8};
  hall_order::HaloEliminator<FillKey> eliminator(policy, "hallOrderHfR3Hamdf4", degreeBound, n, iwlen, start,
                                                 freePosition, length, workspace, weight, elementLength, last,
                                                 degree, head, lastList, next, work);
  *compressionCount = eliminator.run();
}
