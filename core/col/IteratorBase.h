// The iterator interface.
#pragma once

#include "core/base/IObject.h"

#include <cstdint>

namespace s::col {

/// A pooled cursor over the elements of a collection or the units of a text. Elements are handed
/// out by address; the addresses stay valid only while the collection does not change. Nothing is
/// checked against the bounds: test `hasNext` / `hasPrevious` first.
///
/// The index is that of the element returned last: -1 before the first, the count after the last.
class IteratorBase : public base::IObject {
 public:
  virtual int32_t getIndex() = 0;
  /// Sets the index only; the cursor does not move.
  virtual void setIndex(int32_t index) = 0;
  virtual bool hasNext() = 0;
  virtual bool hasPrevious() = 0;
  /// `next` or `previous` n times.
  virtual void skip(int32_t n) = 0;
  virtual void skipBack(int32_t n) = 0;
  /// The address of the next element; the cursor moves past it.
  virtual void* next() = 0;
  /// The cursor moves back one element; returns that element's address.
  virtual void* previous() = 0;
  /// Gives the iterator back to its pool; the caller must not use it afterwards.
  virtual void dispose() = 0;
  /// Detaches the iterator: index -1, no collection.
  virtual void resetIterator() = 0;
};

}  // namespace s::col
