// The owning list of texts.
#pragma once

#include "core/base/IObject.h"
#include "core/col/array/ArrayP.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <cstdint>

namespace s::str::strarray {

/// A list of texts that owns them. Its users work on the embedded pointer array directly
/// (`getItems()`: count, indexing, removal); the array's element disposer is the text pool, so
/// texts that the array disposes of (`freeAll`, `deleteAt`) go back to it, and texts moved out by
/// the other removals belong to the caller. Elements are s::str::IStr pointers to StrBuffer
/// objects.
///
/// Pooled; `clear` (also its `reset`) gives every text back to the text pool and frees the
/// array's storage. One thread at a time.
class StrArray final : public base::IObject, public virtual thread::IPoolable {
  S_POOLED_CLASS(StrArray, u"s_str_strarray_StrArray")

  StrArray();
  /// Deletes the texts directly (the list is destroyed only when its pool is full).
  ~StrArray() override;
  void reset() override { clear(); }

  /// Gives every text back to the text pool and frees the storage.
  void clear();
  /// Appends an existing text; the list owns it from now on.
  StrArray* add(IStr* text);
  /// Appends a new pooled copy of `text`.
  StrArray* addText(const WCHAR* text);
  /// Whether an element equals `text` ignoring case (A-Z folded); the first such index goes to
  /// `*index` (when not null).
  bool indexOfIgnoreCase(const IStr* text, uint32_t* index) const;

  /// The embedded array of texts.
  col::_array::ArrayP& getItems() { return m_items; }
  const col::_array::ArrayP& getItems() const { return m_items; }
  uint32_t getCount() const { return m_items.getCount(); }
  /// The text at index (not checked).
  strbuffer::StrBuffer* get(uint32_t index) const {
    return static_cast<strbuffer::StrBuffer*>(static_cast<IStr*>(m_items.getItems()[index]));
  }

 private:
  col::_array::ArrayP m_items;
};

}  // namespace s::str::strarray
