// The thin status-bar drawer.
#pragma once

#include "gui/drawer/IStatusBar.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::statusbar {

/// The setter keeps the low 8 bits of each channel and returns the red byte.
class IThin : public drawer::IStatusBar {
 public:
  virtual int32_t setColor(int32_t red, int32_t green, int32_t blue) = 0;
};

}  // namespace s::gui::drawer::statusbar
