// The stable merge sort of pointer buffers.
#include "core/col/array/Sort.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace s::col::_array {

namespace {

constexpr uint32_t kInsertionBelow = 7;

// `before(a, b)`: a must stay before b when they meet; the ascending sort keeps a before b unless
// b is smaller, the descending one unless b is larger.
template <bool kDescending>
bool inOrder(PointerCompare compare, const void* a, const void* b) {
  const int32_t c = compare(a, b, nullptr);
  return kDescending ? c >= 0 : c <= 0;
}

// Sorts [low, high) from `src` into `dst`; both hold the same elements on entry.
template <bool kDescending>
void mergeSort(void** src, void** dst, uint32_t low, uint32_t high, PointerCompare compare) {
  const uint32_t length = high - low;
  if (length < kInsertionBelow) {
    for (uint32_t i = low + 1; i < high; ++i) {
      for (uint32_t j = i; j > low && !inOrder<kDescending>(compare, dst[j - 1], dst[j]); --j) {
        void* t = dst[j];
        dst[j] = dst[j - 1];
        dst[j - 1] = t;
      }
    }
    return;
  }
  const uint32_t mid = low + length / 2;
  mergeSort<kDescending>(dst, src, low, mid, compare);
  mergeSort<kDescending>(dst, src, mid, high, compare);
  if (inOrder<kDescending>(compare, src[mid - 1], src[mid])) {
    std::memcpy(dst + low, src + low, length * sizeof(void*));
    return;
  }
  for (uint32_t i = low, p = low, q = mid; i < high; ++i) {
    if (q >= high || (p < mid && inOrder<kDescending>(compare, src[p], src[q]))) {
      dst[i] = src[p++];
    } else {
      dst[i] = src[q++];
    }
  }
}

template <bool kDescending>
void sortPointers(void** buffer, uint32_t count, PointerCompare compare) {
  if (count < 2) {
    return;
  }
  void** scratch = static_cast<void**>(std::malloc(count * sizeof(void*)));
  if (scratch == nullptr) {
    throw std::bad_alloc();
  }
  std::memcpy(scratch, buffer, count * sizeof(void*));
  mergeSort<kDescending>(scratch, buffer, 0, count, compare);
  std::free(scratch);
}

}  // namespace

void sortPointersAscending(void** buffer, uint32_t count, PointerCompare compare) {
  sortPointers<false>(buffer, count, compare);
}

void sortPointersDescending(void** buffer, uint32_t count, PointerCompare compare) {
  sortPointers<true>(buffer, count, compare);
}

}  // namespace s::col::_array
