// The growable array of unsigned 32-bit integers.
#pragma once

#include "core/col/array/ValueArray.h"
#include "core/thread/ClassTail.h"

namespace s::col::_array {

/// An array of unsigned 32-bit integers (see ArrayBase and ValueArray).
class ArrayU32 final : public ValueArray<uint32_t> {
  S_POOLED_CLASS(ArrayU32, u"s_col__array_ArrayU32")

  ArrayU32() = default;
};

}  // namespace s::col::_array
