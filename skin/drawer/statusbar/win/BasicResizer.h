// The drawer of a status bar's size grip: six dots in the bottom right corner.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/statusbar/IBasicResizer.h"

#include <windows.h>

namespace s::gui::drawer::statusbar::win {

/// Paints a triangle of six dots, each a white 2 x 2 square under a (184, 181, 161) one moved up
/// and left by a pixel, into the bottom right corner of the rectangle, from the context's origin.
/// No fields. Pooled (capacity 1000); the basic status-bar drawer embeds one.
class BasicResizer final : public IBasicResizer {
  S_POOLED_CLASS(BasicResizer, u"s_gui_drawer_statusbar_win_BasicResizer")

  BasicResizer() = default;
  void reset() override {}

  void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) override;
};

}  // namespace s::gui::drawer::statusbar::win
