// One entry of a popup menu or a menu bar: its text (fixed or looked up by a language text id),
// the command id it reports, its marks and an object of the caller's.
#pragma once

#include "core/base/IObject.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <windows.h>

#include <cstdint>

namespace s::lang {
class Localizer;
}

namespace s::gui::menuitem {

/// A plain record, pooled (capacity 1000), filled directly by its user. It owns its text; the
/// localizer and the user object are not owned. A menu owns the items it holds and gives them
/// back to this pool. Built on any thread; once in a menu, used on that menu's UI thread.
class MenuItem final : public base::IObject, public virtual thread::IPoolable {
  S_POOLED_CLASS(MenuItem, u"s_gui_menuitem_MenuItem")
  MenuItem();
  ~MenuItem() override;
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;
  void reset() override;

  /// Stores the text id and, with a localizer set, looks its text up at once.
  void setTextId(int32_t id);
  /// The text shown, NUL-terminated: with a text id and a localizer it is read again first, so
  /// the current language always shows. Valid until the item changes.
  const WCHAR* getText();

  lang::Localizer* localizer = nullptr;
  str::strbuffer::StrBuffer* text;  // owned
  /// -1: the text is shown as it stands.
  int32_t textId = -1;
  int32_t commandId = -1;
  bool checked = false;
  bool radioChecked = false;
  /// A separator line: its text and ids play no part, and it is never chosen or found by id.
  bool separator = false;
  void* userObject = nullptr;
};

}  // namespace s::gui::menuitem
