// The growable array of signed bytes.
#pragma once

#include "core/col/array/ValueArray.h"
#include "core/thread/ClassTail.h"

namespace s::col::_array {

/// An array of signed bytes (see ArrayBase and ValueArray).
class ArrayS08 final : public ValueArray<int8_t> {
  S_POOLED_CLASS(ArrayS08, u"s_col__array_ArrayS08")

  ArrayS08() = default;
};

}  // namespace s::col::_array
