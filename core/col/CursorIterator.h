// What the pooled iterators of arrays and texts share.
#pragma once

#include "core/col/IteratorBase.h"
#include "core/thread/IPoolable.h"

#include <cstddef>
#include <cstdint>

namespace s::col {

/// An iterator over contiguous elements of a fixed size: an index and the address of the element
/// that `next` returns next. The owner answers how many elements there are now. `hasNext` is
/// index < count - 1 computed signed, so an empty owner has no next element; `hasPrevious` is
/// index > 0. `dispose` gives the iterator back to its pool.
class CursorIterator : public IteratorBase, public virtual thread::IPoolable {
 public:
  int32_t getIndex() override { return m_index; }
  void setIndex(int32_t index) override { m_index = index; }
  bool hasNext() override {
    return static_cast<int64_t>(m_index) < static_cast<int64_t>(ownerCount()) - 1;
  }
  bool hasPrevious() override { return m_index > 0; }
  void skip(int32_t n) override {
    m_index += n;
    m_current += static_cast<ptrdiff_t>(n) * static_cast<ptrdiff_t>(m_step);
  }
  void skipBack(int32_t n) override { skip(-n); }
  void* next() override {
    ++m_index;
    unsigned char* element = m_current;
    m_current += m_step;
    return element;
  }
  void* previous() override {
    --m_index;
    m_current -= m_step;
    return m_current;
  }
  void dispose() override { release(); }
  void resetIterator() override {
    m_index = -1;
    m_current = nullptr;
  }

 protected:
  /// The elements the owner holds now.
  virtual uint32_t ownerCount() const = 0;
  /// Places the cursor: `current` is the address `next` returns, elements are `step` bytes.
  void place(int32_t index, void* current, size_t step) {
    m_index = index;
    m_current = static_cast<unsigned char*>(current);
    m_step = step;
  }

 private:
  int32_t m_index = -1;
  unsigned char* m_current = nullptr;
  size_t m_step = 1;
};

}  // namespace s::col
