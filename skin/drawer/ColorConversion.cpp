// The slider drawer's colour conversions.
#include "skin/drawer/ColorConversion.h"

#include <algorithm>

namespace s::gui::drawer {

void hsvToRgb(int32_t hue, int32_t saturation, int32_t value, int32_t& red, int32_t& green,
              int32_t& blue) {
  hue %= 360;
  if (hue < 0) {
    hue += 360;
  }
  saturation = std::clamp(saturation, 0, 100);
  value = std::clamp(value, 0, 100);
  const int32_t v = value * 255 / 100;
  if (saturation == 0) {
    red = green = blue = v;
    return;
  }
  const int32_t m = (100 - saturation) * v / 100;
  const int32_t step = hue % 60;
  const int32_t rising = m + (v - m) * step / 60;
  const int32_t falling = v - (v - m) * step / 60;
  switch (hue / 60) {
    case 0: red = v, green = rising, blue = m; break;
    case 1: red = falling, green = v, blue = m; break;
    case 2: red = m, green = v, blue = rising; break;
    case 3: red = m, green = falling, blue = v; break;
    case 4: red = rising, green = m, blue = v; break;
    default: red = v, green = m, blue = falling; break;
  }
}

double hslHueChannel(double p, double q, double t) {
  if (t < 0) {
    t += 1;
  }
  if (t > 1) {
    t -= 1;
  }
  if (t < 1.0 / 6) {
    return p + (q - p) * 6 * t;
  }
  if (t < 1.0 / 2) {
    return q;
  }
  if (t < 2.0 / 3) {
    return p + (q - p) * (2.0 / 3 - t) * 6;
  }
  return p;
}

}  // namespace s::gui::drawer
