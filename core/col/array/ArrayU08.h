// The growable array of unsigned bytes.
#pragma once

#include "core/col/array/ValueArray.h"
#include "core/thread/ClassTail.h"

namespace s::col::_array {

/// An array of unsigned bytes (see ArrayBase and ValueArray).
class ArrayU08 final : public ValueArray<uint8_t> {
  S_POOLED_CLASS(ArrayU08, u"s_col__array_ArrayU08")

  ArrayU08() = default;

  /// Appends one byte (one growth step when full).
  void push(uint8_t b) {
    if (m_count == m_capacity) {
      growOne();
    }
    m_items[m_count++] = b;
  }
};

}  // namespace s::col::_array
