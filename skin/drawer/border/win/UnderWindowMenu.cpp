// The line under the menu bar.
#include "skin/drawer/border/win/UnderWindowMenu.h"

#include "skin/drawer/Paint.h"

namespace s::gui::drawer::border::win {

void UnderWindowMenu::paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (dc == nullptr || left >= right || top >= bottom) {
    return;
  }
  const int32_t width = right - left;
  fill(dc, 0, 0, width, 1, RGB(172, 168, 153));
  fill(dc, 0, 1, width, 1, RGB(255, 255, 255));
}

}  // namespace s::gui::drawer::border::win
