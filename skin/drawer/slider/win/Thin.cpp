// The thin slider drawer's track, gradient, fill band and thumbs.
#include "skin/drawer/slider/win/Thin.h"

#include "skin/drawer/ColorConversion.h"
#include "skin/drawer/Paint.h"
#include "skin/drawer/border/win/Thin.h"

#include <afxwin.h>

#include <algorithm>

namespace s::gui::drawer::slider::win {

namespace {

int32_t channel(int32_t color, int32_t shift) { return (color >> shift) & 0xFF; }

COLORREF hslToRgb(int32_t hue, int32_t saturation, int32_t lightness) {
  const double s = std::clamp(saturation, 0, 100) / 100.0;
  const double l = std::clamp(lightness, 0, 100) / 100.0;
  if (saturation <= 0) {
    const auto grey = static_cast<int32_t>(l * 255);
    return packColor(grey, grey, grey);
  }
  const double q = l <= 0.5 ? l * (1 + s) : l + s - l * s;
  const double p = 2 * l - q;
  const double h = (((hue % 360) + 360) % 360) / 360.0;
  const auto r = static_cast<int32_t>(hslHueChannel(p, q, h + 1.0 / 3) * 255);
  const auto g = static_cast<int32_t>(hslHueChannel(p, q, h) * 255);
  const auto b = static_cast<int32_t>(hslHueChannel(p, q, h - 1.0 / 3) * 255);
  return packColor(r, g, b);
}

/// Where a value lies along `length` pixels: from the minimum, an empty span at the start.
int32_t place(int64_t length, int32_t value, int32_t minimum, int32_t maximum) {
  const int64_t span = static_cast<int64_t>(maximum) - minimum;
  if (span <= 0) return 0;
  const int64_t offset = std::clamp<int64_t>(static_cast<int64_t>(value) - minimum, 0, span);
  return static_cast<int32_t>(length * offset / span);
}

}  // namespace

Thin::Thin() : m_track(border::win::Thin::take()), m_thumb(border::win::Thin::take()) { reset(); }

Thin::~Thin() {
  if (m_track != nullptr) m_track->release();
  if (m_thumb != nullptr) m_thumb->release();
}

void Thin::reset() {
  m_style = 1;
  m_fillColor = 0xB0B0B0;
  m_thumbColor = 0x787878;
  m_disabledColor = 0x787878;
  if (m_track != nullptr) {
    m_track->reset();
    m_track->setShaded(false);
  }
  if (m_thumb != nullptr) m_thumb->reset();
}

COLORREF Thin::gradientColor(int32_t type, int32_t k, int32_t n, int32_t firstColor,
                             int32_t secondColor) {
  if (n <= 0) n = 1;
  switch (type) {
    case 1: {
      int32_t c[3];
      for (int32_t i = 0; i < 3; ++i) {
        const int32_t a = channel(firstColor, 8 * i);
        const int32_t b = channel(secondColor, 8 * i);
        c[i] = a + (b - a) * k / n;
      }
      return packColor(c[0], c[1], c[2]);
    }
    case 2:
    case 3:
    case 4: {
      const int32_t hue = type == 2 ? k * 359 / n : firstColor;
      const int32_t saturation = type == 2 ? firstColor : type == 3 ? k * 100 / n : secondColor;
      const int32_t value = type == 4 ? k * 100 / n : secondColor;
      int32_t r = 0, g = 0, b = 0;
      hsvToRgb(hue, saturation, value, r, g, b);
      return packColor(r, g, b);
    }
    case 5:
    case 6:
    case 7: {
      const int32_t hue = type == 5 ? k * 359 / n : firstColor;
      const int32_t saturation = type == 5 ? firstColor : type == 6 ? k * 100 / n : secondColor;
      const int32_t lightness = type == 7 ? k * 100 / n : secondColor;
      return hslToRgb(hue, saturation, lightness);
    }
    default: return 0;
  }
}

void Thin::paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t minimum,
                 int32_t maximum, int32_t value, bool showFill, int32_t fillFrom, bool enabled,
                 bool twoThumbs, int32_t secondValue, int32_t gradientType, int32_t firstColor,
                 int32_t secondColor) {
  if (dc == nullptr || left >= right || top >= bottom) return;
  const int32_t s = displayScale();
  const int32_t w = right - left;
  const int32_t H = bottom - top;
  const COLORREF thumbColor = enabled ? m_thumbColor : m_disabledColor;
  const COLORREF fillColor = enabled ? m_fillColor : m_disabledColor;
  const bool framed = m_style == 1 || m_style == 2;
  if (framed && m_track != nullptr) {
    m_track->paint(dc, left, top, right, bottom, 2, m_style, redOf(thumbColor), greenOf(thumbColor),
                   blueOf(thumbColor));
  }

  const int32_t t = 10 * s;
  const int32_t travel = std::max(0, w - t);
  const int32_t thumbLeft = place(travel, value, minimum, maximum);
  const int32_t secondLeft = place(travel, secondValue, minimum, maximum);
  const int32_t fillAt =
      place(w, std::clamp(fillFrom, std::min(minimum, maximum), maximum), minimum, maximum);

  if (w > 2 && gradientType >= 1 && gradientType <= 7) {
    const int32_t n = w - 2;
    for (int32_t x = left + 1; x <= right - 2; ++x) {
      if (x >= left + thumbLeft && x < left + thumbLeft + t) continue;
      fill(dc, x, top + 1, 1, H - 2,
           gradientColor(gradientType, x - left - 1, n, firstColor, secondColor));
    }
  }

  if (showFill && !twoThumbs) {
    const int32_t from = std::clamp(fillAt, 1, std::max(1, w - 1));
    int32_t x = from;
    int32_t length = thumbLeft - from;
    if (from > thumbLeft + t) {
      x = thumbLeft + t;
      length = from - x;
    }
    if (length > 0) {
      if (m_style == 2) {
        fill(dc, x, 2, length, H - 4, fillColor);
        const int32_t rowFrom = std::max(x, 2);
        const int32_t rowTo = std::min(x + length, w - 2);
        fill(dc, rowFrom, 1, rowTo - rowFrom, 1, fillColor);
        fill(dc, rowFrom, H - 2, rowTo - rowFrom, 1, fillColor);
      } else {
        fill(dc, x, 1, length, H - 2, fillColor);
      }
    }
  } else if (showFill && twoThumbs && secondLeft > thumbLeft + t) {
    fill(dc, thumbLeft + t, 1, secondLeft - thumbLeft - t, H - 2, fillColor);
  }

  if (framed && m_thumb != nullptr) {
    m_thumb->paint(dc, thumbLeft, 0, thumbLeft + t, H, 0, m_style, redOf(thumbColor),
                   greenOf(thumbColor), blueOf(thumbColor));
    if (twoThumbs) {
      m_thumb->paint(dc, secondLeft, 0, secondLeft + t, H, 0, m_style, redOf(thumbColor),
                     greenOf(thumbColor), blueOf(thumbColor));
    }
  }
}

int32_t Thin::getFillRed() { return redOf(m_fillColor); }
int32_t Thin::getFillGreen() { return greenOf(m_fillColor); }
int32_t Thin::getFillBlue() { return blueOf(m_fillColor); }

int32_t Thin::setFillColor(int32_t red, int32_t green, int32_t blue) {
  m_fillColor = packColor(red, green, blue);
  return red & 0xFF;
}

int32_t Thin::setThumbColor(int32_t red, int32_t green, int32_t blue) {
  m_thumbColor = packColor(red, green, blue);
  return red & 0xFF;
}

int32_t Thin::setDisabledColor(int32_t red, int32_t green, int32_t blue) {
  m_disabledColor = packColor(red, green, blue);
  return red & 0xFF;
}

}  // namespace s::gui::drawer::slider::win
