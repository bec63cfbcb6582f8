#pragma once
// The recursive quicksort with the middle element as pivot that the
// triangulator's orders are defined by: which of two equal items comes
// first is whatever this partitioning leaves, so every sort of the volume
// code goes through it.

#include <utility>
#include <vector>

namespace lumora {

// Sorts items[left..right]; `compare(a, b)` returns -1, 0 or 1.
template <class T, class Compare>
void QuickSort(std::vector<T>& items, int left, int right, Compare compare) {
  while (left < right) {
    int i = left, j = right;
    const T pivot = items[static_cast<size_t>((left + right) / 2)];
    while (i <= j) {
      while (i < right && compare(items[i], pivot) < 0) ++i;
      while (j > left && compare(items[j], pivot) > 0) --j;
      if (i <= j) {
        std::swap(items[i], items[j]);
        ++i;
        --j;
      }
    }
    // Recursing into the smaller part bounds the depth; the parts are
    // disjoint, so the order they are done in changes nothing.
    if (j - left < right - i) {
      if (left < j) QuickSort(items, left, j, compare);
      left = i;
    } else {
      if (i < right) QuickSort(items, i, right, compare);
      right = j;
    }
  }
}

}  // namespace lumora
