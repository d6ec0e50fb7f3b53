// The kind of the slider drawers: track, fill band, gradient and one or two thumbs.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"
#include "gui/drawer/Forward.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer {

/// Paints a slider between minimum and maximum at value (and secondValue with two thumbs), with a
/// fill band from fillFrom and an optional colour gradient along the track (0 none, 1 linear from
/// firstColor to secondColor, 2-4 HSV, 5-7 HSL, varying hue, saturation or value/lightness).
class ISlider : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     int32_t minimum, int32_t maximum, int32_t value, bool showFill,
                     int32_t fillFrom, bool enabled, bool twoThumbs, int32_t secondValue,
                     int32_t gradientType, int32_t firstColor, int32_t secondColor) = 0;
};

}  // namespace s::gui::drawer
