// The thin skin: every drawer coloured from six colours, and its thirteen named presets.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/SkinSlots.h"
#include "skin/drawer/skin/Rgb.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::skin {

/// A skin of the thin drawers coloured by C1 background, C2 frame, C3 text, C4 slider fill and
/// C5, C6 the counter's colours. Pooled (capacity 1000); it owns its drawers and gives them back
/// when it is reset. Built before a window shows it, then only read.
class Thin final : public SkinSlots<DrawerOwnership::Owned> {
  S_POOLED_CLASS(Thin, u"s_gui_drawer_skin_Thin")

  Thin() = default;
  Thin(const Thin&) = delete;
  Thin& operator=(const Thin&) = delete;
  void reset() override { clearSlots(); }

  /// A skin from the pool named `name`, its drawers made and coloured from the six colours
  /// given as (red, green, blue) triples in the order C1 to C6; null when the pool has no memory.
  static Thin* build(const WCHAR* name, const Rgb (&colors)[6]);
  /// The skin of preset `number` (1 to 14 but 5), or null for any other number.
  static Thin* createPreset(int32_t number);
};

}  // namespace s::gui::drawer::skin
