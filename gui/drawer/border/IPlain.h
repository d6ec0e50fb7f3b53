// The plain border drawer: a one-pixel frame in one colour.
#pragma once

#include "gui/drawer/IDrawer.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::border {

/// The colour is black until set; the setter keeps the low 8 bits of each channel and returns
/// the red byte.
class IPlain : public drawer::IDrawer {
 public:
  virtual int32_t setColor(int32_t red, int32_t green, int32_t blue) = 0;
};

}  // namespace s::gui::drawer::border
