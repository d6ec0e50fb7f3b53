// The thin slider drawer.
#pragma once

#include "gui/drawer/ISlider.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::slider {

/// Colour setters keep the low 8 bits of each channel and return the red byte.
class IThin : public drawer::ISlider {
 public:
  virtual int32_t getFillRed() = 0;
  virtual int32_t getFillGreen() = 0;
  virtual int32_t getFillBlue() = 0;
  virtual int32_t setFillColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t setThumbColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t setDisabledColor(int32_t red, int32_t green, int32_t blue) = 0;
};

}  // namespace s::gui::drawer::slider
