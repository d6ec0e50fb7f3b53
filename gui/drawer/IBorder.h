// The kind of the shaded frame drawers, which frame controls in looks and corner styles.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"
#include "gui/drawer/Forward.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer {

/// Frames the rectangle in one of four looks (0 hot, 1 normal, 2 pushed, 3 normal without its
/// bottom) and three corner styles (0 square, 1 cut, 2 rounded), shaded from the base colour
/// (red, green, blue). Any other look or style paints nothing.
class IBorder : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     int32_t look, int32_t style, int32_t red, int32_t green, int32_t blue) = 0;
};

}  // namespace s::gui::drawer
