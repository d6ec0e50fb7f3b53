// The thin border drawer, shaded or flat.
#pragma once

#include "gui/drawer/IBorder.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::border {

/// Shading off paints every edge in the base colour.
class IThin : public drawer::IBorder {
 public:
  virtual void setShaded(bool on) = 0;
};

}  // namespace s::gui::drawer::border
