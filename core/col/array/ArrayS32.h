// The growable array of signed 32-bit integers.
#pragma once

#include "core/col/array/ValueArray.h"
#include "core/thread/ClassTail.h"

namespace s::col::_array {

/// An array of signed 32-bit integers (see ArrayBase and ValueArray).
class ArrayS32 final : public ValueArray<int32_t> {
  S_POOLED_CLASS(ArrayS32, u"s_col__array_ArrayS32")

  ArrayS32() = default;
};

}  // namespace s::col::_array
