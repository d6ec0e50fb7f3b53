// The thin button drawer of the thin skins.
#pragma once

#include "gui/drawer/IButton.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::button {

/// Its frames come from a thin border drawer, whose shading it switches.
class IThin : public drawer::IButton {
 public:
  virtual void setBorderShaded(bool on) = 0;
};

}  // namespace s::gui::drawer::button
