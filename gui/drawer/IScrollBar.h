// The kind of the scroll-bar drawers, which also answer where a point lies on the bar.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"
#include "gui/drawer/Forward.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer {

/// Paints a scroll bar and answers its geometry, recomputed by every call from the bar's rectangle,
/// orientation (0 vertical, else horizontal), range, page, position and corner. Arrow and thumb
/// states are the button states (0 normal, 1 hovered, 2 pressed).
class IScrollBar : public base::IObject, public virtual thread::IPoolable {
 public:
  /// 0 first arrow, 1 track before the thumb, 2 thumb, 3 track after it, 4 second arrow, -1
  /// elsewhere.
  virtual int32_t hitTest(int32_t x, int32_t y, int32_t left, int32_t top, int32_t right,
                          int32_t bottom, int32_t orientation, int32_t range, int32_t page,
                          int32_t position, bool hasCorner) = 0;
  /// The position while the thumb is dragged by delta pixels from where it was at startPosition;
  /// always within [0, range - page].
  virtual int32_t positionFromDrag(int32_t delta, int32_t startPosition, int32_t left, int32_t top,
                                   int32_t right, int32_t bottom, int32_t orientation,
                                   int32_t range, int32_t page, int32_t position,
                                   bool hasCorner) = 0;
  virtual void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     int32_t orientation, int32_t range, int32_t page, int32_t position,
                     bool hasCorner, int32_t firstArrowState, int32_t thumbState,
                     int32_t secondArrowState, bool customTrack, int32_t red, int32_t green,
                     int32_t blue) = 0;
  virtual int32_t getThickness() = 0;
};

}  // namespace s::gui::drawer
