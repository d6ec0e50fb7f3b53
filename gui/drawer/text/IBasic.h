// The basic text drawer.
#pragma once

#include "gui/drawer/IText.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::text {

/// Line mode 1 paints one line centred both ways, ending in an ellipsis when it does not fit;
/// 0 follows the font's own wrapping and ellipsis.
class IBasic : public drawer::IText {
 public:
  virtual void setLineMode(int32_t mode) = 0;
};

}  // namespace s::gui::drawer::text
