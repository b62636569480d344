// Integer array helpers.
#include "common/common.h"

void intFillAscending(GraphNum* array, GraphNum count, GraphNum first) {
  for (GraphNum i = 0; i < count; i++) array[i] = first + i;
}

void intShuffle(GraphNum* array, GraphNum count) {
  for (GraphNum i = 0, left = count; left > 0; i++, left--) {
    GraphNum j = i + static_cast<GraphNum>(intRandNext(static_cast<uint32_t>(left)));
    GraphNum temporary = array[i];
    array[i] = array[j];
    array[j] = temporary;
  }
}

GraphNum intGcd(GraphNum a, GraphNum b) {
  GraphNum larger = a > b ? a : b;
  GraphNum smaller = a > b ? b : a;
  while (smaller != 0) {
    GraphNum remainder = larger % smaller;
    larger = smaller;
    smaller = remainder;
  }
  return larger;
}
