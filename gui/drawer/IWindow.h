// The drawer of a top-level window that paints its own frame.
#pragma once

#include "gui/drawer/IDrawer.h"

#include <windows.h>

namespace s::gui::drawer {

/// Paints a whole window, frame included (`paint` covers the window rectangle at (0, 0)), and
/// gives the window's shape. A window with such a drawer has no system border.
class IWindow : public IDrawer {
 public:
  /// A new region for the window rectangle from (left, top) to (right, bottom), handed to the
  /// system as the window region (which owns it from then on); null keeps the window
  /// rectangular.
  virtual HRGN createRegion(int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
};

}  // namespace s::gui::drawer
