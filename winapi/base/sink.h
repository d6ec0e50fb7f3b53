// The output of the layer's text conversions (UTF-8 and the code pages): a bounded buffer that
// writes while there is room and counts everything, so one pass both sizes and converts.
#pragma once

#include <cstddef>

namespace winapi {

/// Collects converted output: writes while there is room (never beyond capacity), counts all.
/// A null `out` only counts, as a size query does.
template <typename T>
struct Sink {
  T* out;
  size_t capacity;
  size_t count = 0;
  void put(T value) {
    if (out != nullptr && count < capacity) out[count] = value;
    ++count;
  }
};

}  // namespace winapi
