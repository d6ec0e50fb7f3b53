// The pooled iterator over a text's units.
#pragma once

#include "core/col/CursorIterator.h"
#include "core/thread/ClassTail.h"

namespace s::str::strbuffer {

class StrBuffer;

/// A cursor over the UTF-16 units of one text (see s::col::IteratorBase), handed out by the text's
/// `iterator` family. It returns unit addresses, valid while the text does not change; it does not
/// own the text. `dispose` gives it back to its pool.
class Iterator final : public col::CursorIterator {
  S_POOLED_CLASS(Iterator, u"s_str_strbuffer_Iterator")

  Iterator() = default;
  void reset() override { resetIterator(); }

  /// Points the cursor at `current` within `text`, with index `index`.
  void attach(StrBuffer* text, int32_t index, WCHAR* current);
  void resetIterator() override {
    CursorIterator::resetIterator();
    m_text = nullptr;
  }

 protected:
  uint32_t ownerCount() const override;

 private:
  StrBuffer* m_text = nullptr;
};

}  // namespace s::str::strbuffer
