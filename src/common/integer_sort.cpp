// In-place ascending sorts of integer records: one quicksort with an
// explicit stack, leaving small partitions to a final insertion pass.
#include <utility>

#include "common/common.h"

namespace {

// Partitions of at most this many elements plus one are left unsorted for
// the insertion pass, which then moves each element only a short way.
constexpr GraphNum SORT_THRESHOLD = 6;
constexpr int SORT_STACK_SIZE = 32;  // enough for any 32-bit element count

template <int Width>
struct Record {
  GraphNum value[Width];
};

// Key comparison on the first KeyWidth members.
template <int Width, int KeyWidth>
inline bool recordLess(const Record<Width>& a, const Record<Width>& b) {
  for (int k = 0; k < KeyWidth; k++) {
    if (a.value[k] != b.value[k]) return a.value[k] < b.value[k];
  }
  return false;
}

template <int Width, int KeyWidth>
void intSortTemplate(GraphNum* data, GraphNum count) {
  if (count < 2) return;
  Record<Width>* array = reinterpret_cast<Record<Width>*>(data);
  auto less = recordLess<Width, KeyWidth>;

  if (count > SORT_THRESHOLD) {
    struct Partition {
      GraphNum low, high;
    } stack[SORT_STACK_SIZE];
    int stackTop = 0;
    GraphNum low = 0, high = count - 1;
    for (;;) {
      // Median of three: order the first, middle and last elements in place.
      GraphNum middle = low + ((high - low) >> 1);
      if (less(array[middle], array[low])) std::swap(array[middle], array[low]);
      if (less(array[high], array[middle])) {
        std::swap(array[middle], array[high]);
        if (less(array[middle], array[low])) std::swap(array[middle], array[low]);
      }
      const Record<Width> pivot = array[middle];
      GraphNum left = low + 1, right = high - 1;
      do {
        while (less(array[left], pivot)) left++;
        while (less(pivot, array[right])) right--;
        if (left < right) {
          std::swap(array[left], array[right]);
          left++;
          right--;
        } else if (left == right) {
          left++;
          right--;
          break;
        }
      } while (left <= right);

      // Continue with the larger side when both are large, the other on the stack.
      bool lowSmall = (right - low) <= SORT_THRESHOLD;
      bool highSmall = (high - left) <= SORT_THRESHOLD;
      if (lowSmall && highSmall) {
        if (stackTop == 0) break;
        stackTop--;
        low = stack[stackTop].low;
        high = stack[stackTop].high;
      } else if (lowSmall) {
        low = left;
      } else if (highSmall) {
        high = right;
      } else if ((right - low) > (high - left)) {
        stack[stackTop++] = {low, right};
        low = left;
      } else {
        stack[stackTop++] = {left, high};
        high = right;
      }
    }
  }

  // The smallest of the first elements is the global minimum once the
  // partitions are in order: it becomes the sentinel of the insertion pass.
  GraphNum limit = count < SORT_THRESHOLD + 1 ? count : SORT_THRESHOLD + 1;
  GraphNum smallest = 0;
  for (GraphNum i = 1; i < limit; i++)
    if (less(array[i], array[smallest])) smallest = i;
  if (smallest != 0) std::swap(array[smallest], array[0]);
  for (GraphNum i = 2; i < count; i++) {
    Record<Width> current = array[i];
    GraphNum j = i - 1;
    while (less(current, array[j])) {  // stops at the sentinel
      array[j + 1] = array[j];
      j--;
    }
    array[j + 1] = current;
  }
}

}  // namespace

void intSort1asc1(GraphNum* array, GraphNum count) { intSortTemplate<1, 1>(array, count); }
void intSort2asc1(GraphNum* array, GraphNum count) { intSortTemplate<2, 1>(array, count); }
void intSort2asc2(GraphNum* array, GraphNum count) { intSortTemplate<2, 2>(array, count); }
void intSort3asc1(GraphNum* array, GraphNum count) { intSortTemplate<3, 1>(array, count); }
void intSort3asc2(GraphNum* array, GraphNum count) { intSortTemplate<3, 2>(array, count); }
