// The thin scroll-bar drawer.
#pragma once

#include "gui/drawer/IScrollBar.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::scrollbar {

/// Colour setters keep the low 8 bits of each channel and return the red byte.
class IThin : public drawer::IScrollBar {
 public:
  virtual void setThickness(int32_t thickness) = 0;
  virtual int32_t setThumbColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t setTrackColor(int32_t red, int32_t green, int32_t blue) = 0;
};

}  // namespace s::gui::drawer::scrollbar
