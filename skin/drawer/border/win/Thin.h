// The thin border drawer: the shaded frames of the thin skins.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/border/IThin.h"

#include <windows.h>

namespace s::gui::drawer::border::win {

/// Frames a rectangle in four looks (0 hot, 1 normal, 2 pushed, 3 normal without its bottom) and
/// three corner styles (0 square, 1 cut, 2 rounded), in colours derived from the base colour;
/// shading off paints every edge in the base colour. Below display scale 2 the corners take the
/// small one-pixel layout, from 2 on the large two-pixel one; square bands are s thick. Pooled
/// (capacity 1000); the button, scroll-bar, slider and list drawers own one each.
class Thin final : public IThin {
  S_POOLED_CLASS(Thin, u"s_gui_drawer_border_win_Thin")

  Thin() = default;
  void reset() override { m_shaded = true; }

  void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t look,
             int32_t style, int32_t red, int32_t green, int32_t blue) override;
  void setShaded(bool on) override { m_shaded = on; }

  bool isShaded() const { return m_shaded; }

 private:
  bool m_shaded = true;
};

}  // namespace s::gui::drawer::border::win
