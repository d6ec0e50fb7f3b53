// The thin status bar's colour.
#include "skin/drawer/statusbar/win/Thin.h"

#include "skin/drawer/Paint.h"

namespace s::gui::drawer::statusbar::win {

int32_t Thin::setColor(int32_t red, int32_t green, int32_t blue) {
  m_color = packColor(red, green, blue);
  return red & 0xFF;
}

}  // namespace s::gui::drawer::statusbar::win
