// The pooled iterator over an array's elements.
#pragma once

#include "core/col/CursorIterator.h"
#include "core/thread/ClassTail.h"

namespace s::col::_array {

class ArrayBase;

/// A cursor over the elements of an array (see s::col::IteratorBase), handed out by the array's
/// `iterator` family. It does not own the array; `dispose` gives it back to its pool.
class Iterator final : public CursorIterator {
  S_POOLED_CLASS(Iterator, u"s_col_array_Iterator")

  Iterator() = default;
  void reset() override { resetIterator(); }

  /// Points the cursor at element address `element` of `array`, with index `index`.
  void attach(ArrayBase* array, int32_t index, void* element);
  void resetIterator() override {
    CursorIterator::resetIterator();
    m_array = nullptr;
  }

 protected:
  uint32_t ownerCount() const override;

 private:
  ArrayBase* m_array = nullptr;
};

}  // namespace s::col::_array
