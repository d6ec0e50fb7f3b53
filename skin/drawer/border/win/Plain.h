// The plain border drawer: a one-pixel frame in one colour.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/border/IPlain.h"

#include <windows.h>

namespace s::gui::drawer::border::win {

/// Frames the rectangle, drawn from the context's origin, in its colour (black after reset).
/// Pooled (capacity 1000); the colour is set while a window is built and read while it paints.
class Plain final : public IPlain {
  S_POOLED_CLASS(Plain, u"s_gui_drawer_border_win_Plain")

  Plain() = default;
  void reset() override { m_color = 0; }

  void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  int32_t setColor(int32_t red, int32_t green, int32_t blue) override;

  COLORREF getColor() const { return m_color; }

 private:
  COLORREF m_color = 0;
};

}  // namespace s::gui::drawer::border::win
