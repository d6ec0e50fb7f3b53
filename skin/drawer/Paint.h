// What every drawer of this library shares: the display scale read at each call, colours packed
// from their channels, and the one solid fill that all skin painting is made of.
#pragma once

#include "gui/app/AppHooks.h"

#include <windows.h>
#include <afxwin.h>

#include <cstdint>

namespace s::gui::drawer {

/// The display scale (1, 2 or 4), read again at every call so a drawer follows a changed screen.
inline int32_t displayScale() {
  const auto scale = static_cast<int32_t>(app::appHooks().getDisplayScale());
  return scale < 1 ? 1 : scale;
}

/// A colour from three channels, each cut to its low 8 bits, as every colour setter stores it.
inline COLORREF packColor(int32_t red, int32_t green, int32_t blue) {
  return RGB(red & 0xFF, green & 0xFF, blue & 0xFF);
}

/// The channels of a packed colour.
inline int32_t redOf(COLORREF color) { return static_cast<int32_t>(color & 0xFF); }
inline int32_t greenOf(COLORREF color) { return static_cast<int32_t>((color >> 8) & 0xFF); }
inline int32_t blueOf(COLORREF color) { return static_cast<int32_t>((color >> 16) & 0xFF); }

/// A solid fill of width x height pixels at (x, y); nothing for an empty size.
inline void fill(CDC* dc, int32_t x, int32_t y, int32_t width, int32_t height, COLORREF color) {
  if (width > 0 && height > 0) {
    dc->FillSolidRect(x, y, width, height, color);
  }
}

}  // namespace s::gui::drawer
