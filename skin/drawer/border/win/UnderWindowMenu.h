// The drawer of the etched line under a window's menu bar.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/border/IUnderWindowMenu.h"

#include <windows.h>

namespace s::gui::drawer::border::win {

/// Two one-pixel lines across the top of the rectangle, a dark one over a white one, drawn from
/// the context's origin (widgets pass their client rectangle, which starts there). No fields.
/// Pooled (capacity 1000); any thread may paint with it.
class UnderWindowMenu final : public IUnderWindowMenu {
  S_POOLED_CLASS(UnderWindowMenu, u"s_gui_drawer_border_win_UnderWindowMenu")

  UnderWindowMenu() = default;
  void reset() override {}

  void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) override;
};

}  // namespace s::gui::drawer::border::win
