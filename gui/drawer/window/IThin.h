// The thin window drawer: a window's background and one-pixel frame with optional rounded corners.
#pragma once

#include "gui/drawer/IWindow.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::window {

/// Corner styles: 0 square, 1 small rounding, 2 large rounding. Setting a background colour makes
/// the background painted (it is left untouched until then).
class IThin : public drawer::IWindow {
 public:
  virtual COLORREF getBackgroundColor() = 0;
  virtual int32_t getBackgroundRed() = 0;
  virtual int32_t getBackgroundGreen() = 0;
  virtual int32_t getBackgroundBlue() = 0;
  virtual int32_t setBackgroundColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t getBorderRed() = 0;
  virtual int32_t getBorderGreen() = 0;
  virtual int32_t getBorderBlue() = 0;
  virtual int32_t setBorderColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual void setTopCornerStyle(int32_t style) = 0;
  virtual void setBottomCornerStyle(int32_t style) = 0;
};

}  // namespace s::gui::drawer::window
