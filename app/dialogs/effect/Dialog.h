// The program's main window: the effect window.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

namespace s::sound::gui::dialogs::effect {

/// The effect window object, taken from its pool (capacity 1000) by the start-up and given back
/// when its window has closed; the pool's reset runs `reset`.
/// FIXME: the window itself (its base converter window, effect list, parameter menus, settings
/// and conversion task) comes with the application's windows.
class Dialog final : public base::IObject, public virtual thread::IPoolable {
  S_POOLED_CLASS(Dialog, u"s_sound_gui_dialogs_effect_Dialog")

  Dialog() = default;
  ~Dialog() override = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  void reset() override {}
};

}  // namespace s::sound::gui::dialogs::effect
