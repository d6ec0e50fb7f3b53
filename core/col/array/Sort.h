// The stable sort of pointer buffers (path lists, the code-page list).
#pragma once

#include <cstdint>

namespace s::col::_array {

/// Compares two elements of a pointer buffer: negative, 0 or positive. `user` is always null.
using PointerCompare = int32_t (*)(const void* a, const void* b, void* user);

/// Stable merge sorts of `count` pointers in place. Equal elements keep their order in both
/// directions. Ranges below 7 elements are sorted by insertion, and halves that are already in
/// order are not merged, so sorted input costs one comparison per half.
void sortPointersAscending(void** buffer, uint32_t count, PointerCompare compare);
void sortPointersDescending(void** buffer, uint32_t count, PointerCompare compare);

}  // namespace s::col::_array
