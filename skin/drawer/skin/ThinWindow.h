// The thin window skin: every drawer coloured from fifteen colours, window frame included, and
// its sixteen named presets.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/SkinSlots.h"
#include "skin/drawer/skin/Rgb.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::skin {

/// A skin of the thin drawers coloured by W1 window background, W2 window border, W3 disabled,
/// W4 control frame, W5 group frame, W6 control text, W7 text shade, W8 fill, W9 selection, W10
/// selected text, W11 list background, W12 list text, W13 list line, W14 and W15 the counter's
/// colours. Pooled (capacity 1000); it owns its drawers and gives them back when it is reset.
class ThinWindow final : public SkinSlots<DrawerOwnership::Owned> {
  S_POOLED_CLASS(ThinWindow, u"s_gui_drawer_skin_ThinWindow")

  ThinWindow() = default;
  ThinWindow(const ThinWindow&) = delete;
  ThinWindow& operator=(const ThinWindow&) = delete;
  void reset() override { clearSlots(); }

  /// A skin from the pool named `name`, its drawers made and coloured from the fifteen colours
  /// given as (red, green, blue) triples in the order W1 to W15; null when the pool has no
  /// memory.
  static ThinWindow* build(const WCHAR* name, const Rgb (&colors)[15]);
  /// The skin of preset `number` (1 to 19 but 5, 14 and 15), or null for any other number.
  static ThinWindow* createPreset(int32_t number);
};

}  // namespace s::gui::drawer::skin
