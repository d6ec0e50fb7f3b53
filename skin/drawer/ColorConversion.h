// The colour conversions of the slider drawer's gradients: HSV to RGB, and one channel of HSL.
#pragma once

#include <cstdint>

namespace s::gui::drawer {

/// Converts hue (degrees, 0 to 359; others wrap), saturation and value (per cent, 0 to 100;
/// others clamp) to red, green and blue (0 to 255). The sector hue / 60 chooses which channel
/// is at the value, which at the floor m = (100 - saturation) x V / 100, and which ramps
/// between them over the sector's 60 degrees. Integer arithmetic, truncating.
void hsvToRgb(int32_t hue, int32_t saturation, int32_t value, int32_t& red, int32_t& green,
              int32_t& blue);

/// One channel of an HSL colour from the two levels p and q and the channel's place t on the hue
/// circle (brought into 0..1 by adding or subtracting 1): p + (q - p) x 6t below 1/6, q below
/// 1/2, p + (q - p) x (2/3 - t) x 6 below 2/3, else p.
double hslHueChannel(double p, double q, double t);

}  // namespace s::gui::drawer
