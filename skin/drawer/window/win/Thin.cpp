// The thin window drawer's frame, corner shading and outline region.
#include "skin/drawer/window/win/Thin.h"

#include "skin/drawer/Paint.h"
#include "skin/drawer/ThemeFonts.h"

#include <afxwin.h>

namespace s::gui::drawer::window::win {

namespace {

/// The corner style both ends are shaded with: style 1 wins over style 2; 0 when neither is set.
int32_t chosenCornerStyle(int32_t topStyle, int32_t bottomStyle) {
  if (topStyle == 1 || bottomStyle == 1) return 1;
  if (topStyle == 2 || bottomStyle == 2) return 2;
  return 0;
}

}  // namespace

void Thin::reset() {
  m_topCornerStyle = 0;
  m_bottomCornerStyle = 0;
  m_transparentBackground = true;
  m_backgroundColor = 0xFFFFFF;
  m_borderColor = 0x787878;
}

Thin* Thin::createWithColors(int32_t borderRed, int32_t borderGreen, int32_t borderBlue,
                             int32_t backgroundRed, int32_t backgroundGreen,
                             int32_t backgroundBlue) {
  Thin* drawer = take();
  if (drawer == nullptr) return nullptr;
  drawer->setTopCornerStyle(0);
  drawer->setBottomCornerStyle(0);
  drawer->setBorderColor(borderRed, borderGreen, borderBlue);
  drawer->setBackgroundColor(backgroundRed, backgroundGreen, backgroundBlue);
  return drawer;
}

void Thin::paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (dc == nullptr || left >= right || top >= bottom) return;
  // Callers pass the rectangle at the origin, so right and bottom are the width and height.
  if (!m_transparentBackground) dc->FillSolidRect(left, top, right, bottom, m_backgroundColor);
  const int32_t w = right - left;
  const int32_t h = bottom - top;
  const COLORREF c = m_borderColor;
  dc->FillSolidRect(0, 0, w, 1, c);
  dc->FillSolidRect(w - 1, 0, 1, h, c);
  dc->FillSolidRect(0, h - 1, w, 1, c);
  dc->FillSolidRect(0, 0, 1, h - 1, c);

  const int32_t style = chosenCornerStyle(m_topCornerStyle, m_bottomCornerStyle);
  const bool shadeTop = style != 0 && m_topCornerStyle == style;
  const bool shadeBottom = style != 0 && m_bottomCornerStyle == style;
  if (style == 1) {
    if (shadeTop) {
      dc->FillSolidRect(0, 1, 2, 1, c);
      dc->FillSolidRect(w - 2, 1, 2, 1, c);
    }
    if (shadeBottom) {
      dc->FillSolidRect(0, h - 2, 2, 1, c);
      dc->FillSolidRect(w - 2, h - 2, 2, 1, c);
    }
  } else if (style == 2) {
    if (shadeTop) {
      constexpr int32_t kWidths[5] = {5, 3, 2, 2, 1};
      for (int32_t i = 0; i < 5; ++i) {
        dc->FillSolidRect(0, 1 + i, kWidths[i], 1, c);
        dc->FillSolidRect(w - kWidths[i], 1 + i, kWidths[i], 1, c);
      }
    }
    if (shadeBottom) {
      constexpr int32_t kWidths[5] = {1, 2, 2, 3, 5};
      for (int32_t i = 0; i < 5; ++i) dc->FillSolidRect(0, h - 6 + i, kWidths[i], 1, c);
      // The two middle rows on the right start one pixel further left than a mirror of the top
      // would; the look was drawn so.
      dc->FillSolidRect(w - 1, h - 6, 1, 1, c);
      dc->FillSolidRect(w - 2, h - 5, 2, 1, c);
      dc->FillSolidRect(w - 3, h - 4, 2, 1, c);
      dc->FillSolidRect(w - 4, h - 3, 3, 1, c);
      dc->FillSolidRect(w - 5, h - 2, 5, 1, c);
    }
  }
}

HRGN Thin::createRegion(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  const int32_t right1 = right + 1;
  const int32_t bottom1 = bottom + 1;
  if (m_topCornerStyle == 0 && m_bottomCornerStyle == 0) {
    return ::CreateRectRgn(left, top, right1, bottom1);
  }
  const int32_t style = chosenCornerStyle(m_topCornerStyle, m_bottomCornerStyle);
  if (style == 0) return nullptr;
  const int32_t ellipse = style == 1 ? 5 : 11;
  const int32_t topBand = style == 1 ? 4 : 6;
  const int32_t bottomBand = style == 1 ? 3 : 5;
  HRGN region = ::CreateRoundRectRgn(left, top, right1, bottom1, ellipse, ellipse);
  if (region == nullptr) return nullptr;
  HRGN square = nullptr;
  if (m_topCornerStyle != style) {
    square = ::CreateRectRgn(left, top, right1, top + topBand);
  } else if (m_bottomCornerStyle != style) {
    square = ::CreateRectRgn(left, bottom - bottomBand, right1, bottom1);
  } else {
    return region;
  }
  if (square == nullptr) {
    ::DeleteObject(region);
    return nullptr;
  }
  const int result = ::CombineRgn(region, region, square, RGN_OR);
  ::DeleteObject(square);
  if (result == ERROR) {
    ::DeleteObject(region);
    return nullptr;
  }
  return region;
}

int32_t Thin::getBackgroundRed() { return redOf(m_backgroundColor); }
int32_t Thin::getBackgroundGreen() { return greenOf(m_backgroundColor); }
int32_t Thin::getBackgroundBlue() { return blueOf(m_backgroundColor); }

int32_t Thin::setBackgroundColor(int32_t red, int32_t green, int32_t blue) {
  m_backgroundColor = packColor(red, green, blue);
  m_transparentBackground = false;
  return red & 0xFF;
}

int32_t Thin::getBorderRed() { return redOf(m_borderColor); }
int32_t Thin::getBorderGreen() { return greenOf(m_borderColor); }
int32_t Thin::getBorderBlue() { return blueOf(m_borderColor); }

int32_t Thin::setBorderColor(int32_t red, int32_t green, int32_t blue) {
  m_borderColor = packColor(red, green, blue);
  return red & 0xFF;
}

bool Thin::getThemeSystemFont(LOGFONTW* font) { return drawer::getThemeSystemFont(font); }

}  // namespace s::gui::drawer::window::win
