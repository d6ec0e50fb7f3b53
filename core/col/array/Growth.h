// The growth rule shared by arrays and texts.
#pragma once

#include <cstdint>

namespace s::col::_array {

/// One growth step of a capacity: below 100 it becomes 100; below 10,000,000 it triples; below
/// 50,000,000 it doubles; below 100,000,000 it grows by half; from there on by a fifth (computed in
/// double precision and truncated). The result saturates at the largest 32-bit value.
inline uint32_t grownCapacity(uint32_t capacity) {
  double next;
  if (capacity < 100) {
    return 100;
  } else if (capacity < 10000000) {
    next = capacity * 3.0;
  } else if (capacity < 50000000) {
    next = capacity * 2.0;
  } else if (capacity < 100000000) {
    next = capacity * 1.5;
  } else {
    next = capacity * 1.2;
  }
  return next >= 4294967295.0 ? UINT32_MAX : static_cast<uint32_t>(next);
}

/// The capacity that growth steps from `capacity` reach first that holds `needed`.
inline uint32_t grownCapacityFor(uint32_t capacity, uint32_t needed) {
  while (capacity < needed) {
    capacity = grownCapacity(capacity);
  }
  return capacity;
}

}  // namespace s::col::_array
