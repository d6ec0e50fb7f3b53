// The growable array of pointers, which may own its elements through a disposer.
#pragma once

#include "core/base/IDestructor.h"
#include "core/col/array/ArrayBase.h"
#include "core/thread/ClassTail.h"

namespace s::col::_array {

/// An array of pointers (8-byte elements). With an element disposer set, the array owns its
/// elements: `freeAll`, `reset` (its release to the pool) and `deleteAt` hand the elements they
/// drop to the disposer; every other removal moves elements out to the caller undisposed. The
/// disposer is not owned (typically s::cleaner::CleanerIObject or a class pool) and is cleared by
/// `reset`.
///
/// `toString` needs s::base::IObject elements (or nulls, printed "null"); the hex forms print
/// nothing for pointers.
class ArrayP final : public ArrayBase {
  S_POOLED_CLASS(ArrayP, u"s_col__array_ArrayP")

  ArrayP() : ArrayBase(3) {}
  /// Hands every element to the disposer (when one is set), then frees the storage.
  ~ArrayP() override;
  void reset() override;

  void** getItems() const { return reinterpret_cast<void**>(m_items); }
  base::IDestructor* getDisposer() const { return m_disposer; }
  void setDisposer(base::IDestructor* disposer) { m_disposer = disposer; }

  /// Appends one pointer (one growth step when full).
  void push(void* p) {
    if (m_count == m_capacity) {
      growOne();
    }
    getItems()[m_count++] = p;
  }
  /// Inserts one pointer at index (the count appends). A full array grows by exactly one element
  /// for an insertion in the middle.
  void insertAt(uint32_t index, void* p);
  /// Removes the first element equal to `p` (by address) and returns it, or null when absent. The
  /// disposer is not called.
  void* removeItem(void* p);
  /// Removes the element at index and hands it to the disposer, when one is set.
  void deleteAt(uint32_t index);

  void freeAll() override;
  const void* getDefaultElement() const override;
  /// The element's class name, "(", its address as a signed decimal, ")"; "null" for null.
  void appendElementText(str::strbuffer::StrBuffer* out, const void* element) const override;
  void appendElementRaw(str::strbuffer::StrBuffer*, const void*) const override {}
  str::strbuffer::StrBuffer* appendAllRaw(str::strbuffer::StrBuffer* out = nullptr,
                                          bool append = false) const override;
  const base::IComparator* getDefaultComparator() const override;

 private:
  base::IDestructor* m_disposer = nullptr;
};

}  // namespace s::col::_array
