// The basic menu-bar drawer.
#pragma once

#include "gui/drawer/IMenu.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::menu {

/// Colour setters keep the low 8 bits of each channel and return the red byte.
class IBasic : public drawer::IMenu {
 public:
  virtual int32_t setSelectionColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t setTextColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t setSelectedTextColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual void setFillHotEntry(bool on) = 0;
  virtual void setShiftPressedEntry(bool on) = 0;
};

}  // namespace s::gui::drawer::menu
