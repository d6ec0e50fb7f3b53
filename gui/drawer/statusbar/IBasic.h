// The basic status-bar drawer, with its size grip.
#pragma once

#include "gui/drawer/IStatusBar.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::statusbar {

/// The grip and the background are off until switched on.
class IBasic : public drawer::IStatusBar {
 public:
  virtual void setShowGrip(bool on) = 0;
  virtual void setPaintBackground(bool on) = 0;
};

}  // namespace s::gui::drawer::statusbar
