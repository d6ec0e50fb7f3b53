// The grip's dots.
#include "skin/drawer/statusbar/win/BasicResizer.h"

#include "skin/drawer/Paint.h"

namespace s::gui::drawer::statusbar::win {

void BasicResizer::paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (dc == nullptr || left >= right || top >= bottom) {
    return;
  }
  const int32_t w = right - left;
  const int32_t h = bottom - top;
  const POINT dots[6] = {{w - 3, h - 11}, {w - 3, h - 7}, {w - 7, h - 7},
                         {w - 3, h - 3},  {w - 7, h - 3}, {w - 11, h - 3}};
  for (const POINT& dot : dots) {
    fill(dc, dot.x, dot.y, 2, 2, RGB(255, 255, 255));
    fill(dc, dot.x - 1, dot.y - 1, 2, 2, RGB(184, 181, 161));
  }
}

}  // namespace s::gui::drawer::statusbar::win
