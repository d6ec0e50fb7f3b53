// One entry of a combo box: its text (fixed or looked up by a language text id), a user value
// and the flags that say how the entry is drawn; and the factories that make items and texts.
#pragma once

#include "core/base/IObject.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "gui/events/IEventListener.h"
#include "platform/lang/Localizer.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::combobox {

/// Flag bits of both flag words: the list flags draw the entry while the list is open, the face
/// flags while it is closed (the selection field always takes its bold bit from the face flags).
enum ItemFlags : uint32_t {
  kBold = 0x1,
  kGrey = 0x2,
  kWhite = 0x4,
  kHeading = 0x8,
  kSeparator = 0x10,
  kShortSeparator = 0x20,
};

/// An entry, pooled (capacity 1000). It owns its text; the localizer is not owned. A combo box
/// owns the items it holds. Any thread may build one; a combo box's items are used on its UI
/// thread.
class ComboBoxItem final : public events::IEventListener,
                           public base::IObject,
                           public virtual thread::IPoolable {
  S_POOLED_CLASS(ComboBoxItem, u"s_gui_combobox_ComboBoxItem")
  ComboBoxItem();
  ~ComboBoxItem() override;
  ComboBoxItem(const ComboBoxItem&) = delete;
  ComboBoxItem& operator=(const ComboBoxItem&) = delete;
  void reset() override;

  /// The item's localizer telling of a new language: an item with a text id looks it up again.
  void onEvent(base::IObject* source, int32_t eventId) override;

  str::strbuffer::StrBuffer* text;  // owned
  int32_t textId = -1;
  lang::Localizer* localizer = nullptr;
  int64_t value = 0;
  uint32_t listFlags = 0;
  uint32_t faceFlags = 0;
};

/// An item with the text of `textId` in the localizer's current language (a null localizer
/// leaves the text empty), no flags and `value`.
ComboBoxItem* makeComboBoxItem(lang::Localizer* localizer, int32_t textId, int64_t value);
/// A new text, owned by the caller (release it).
str::strbuffer::StrBuffer* makeText(const WCHAR* text);
/// A new text of the two joined, owned by the caller.
str::strbuffer::StrBuffer* makeTextPair(const WCHAR* text1, const WCHAR* text2);

}  // namespace s::gui::combobox
