// Collections that hand out iterators.
#pragma once

#include <cstdint>

namespace s::col {

class IteratorBase;

/// Hands out pooled iterators (the caller disposes of them) and element addresses.
class IEnumerable {
 public:
  virtual ~IEnumerable() = default;
  /// Before the first element.
  virtual IteratorBase* iterator() = 0;
  /// After the last element.
  virtual IteratorBase* reverseIterator() = 0;
  /// `next` then yields element n. By default `iterator` and `skip(n)`.
  virtual IteratorBase* iteratorFrom(int32_t n);
  /// `previous` then yields the element n + 1 from the end. By default `reverseIterator` and
  /// `skipBack(n)`.
  virtual IteratorBase* reverseIteratorFrom(int32_t n);
  /// The address of element `index` (not checked). By default through `iteratorFrom`.
  virtual void* getPointerAt(uint32_t index);
};

}  // namespace s::col
