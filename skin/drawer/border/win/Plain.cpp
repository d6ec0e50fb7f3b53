// The plain frame.
#include "skin/drawer/border/win/Plain.h"

#include "skin/drawer/Paint.h"

namespace s::gui::drawer::border::win {

void Plain::paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (dc == nullptr || left >= right || top >= bottom) {
    return;
  }
  const int32_t w = right - left;
  const int32_t h = bottom - top;
  fill(dc, 0, 0, w, 1, m_color);
  fill(dc, w - 1, 0, 1, h, m_color);
  fill(dc, 0, h - 1, w, 1, m_color);
  fill(dc, 0, 0, 1, h - 1, m_color);
}

int32_t Plain::setColor(int32_t red, int32_t green, int32_t blue) {
  m_color = packColor(red, green, blue);
  return red & 0xFF;
}

}  // namespace s::gui::drawer::border::win
