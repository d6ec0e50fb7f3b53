// The thin status-bar drawer of the thin skins, which leave the bar to its background.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/statusbar/IThin.h"

#include <windows.h>

namespace s::gui::drawer::statusbar::win {

/// Paints nothing and answers a height of 13 pixels at every scale; the colour (white after
/// reset) is only kept. Pooled (capacity 1000); every skin owns one.
class Thin final : public IThin {
  S_POOLED_CLASS(Thin, u"s_gui_drawer_statusbar_win_Thin")

  Thin() = default;
  void reset() override { m_color = RGB(255, 255, 255); }

  void paint(CDC*, int32_t, int32_t, int32_t, int32_t) override {}
  // The thin skins' bar is as high as its text, whatever the display scale.
  int32_t getHeight() override { return 13; }
  int32_t setColor(int32_t red, int32_t green, int32_t blue) override;

  COLORREF getColor() const { return m_color; }

 private:
  COLORREF m_color = RGB(255, 255, 255);
};

}  // namespace s::gui::drawer::statusbar::win
