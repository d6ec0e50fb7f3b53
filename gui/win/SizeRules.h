// The size limits of the fixed-or-percent widgets (text fields and sliders): a fixed size wins;
// else the minimum is the measured size and the maximum a percent of the parent's client size,
// or the larger of the measured and ideal sizes.
#pragma once

#include "gui/IComponent.h"

#include <algorithm>
#include <cstdint>

namespace s::gui::win {

struct SizeRules {
  int32_t widthPercent = -1;
  int32_t heightPercent = -1;
  int32_t fixedWidth = -1;
  int32_t fixedHeight = -1;
  int32_t idealWidth = 0;
  int32_t idealHeight = 0;

  void reset() { *this = SizeRules{}; }
  int32_t minimumWidth(int32_t measured) const { return fixedWidth >= 0 ? fixedWidth : measured; }
  int32_t minimumHeight(int32_t measured) const {
    return fixedHeight >= 0 ? fixedHeight : measured;
  }
  int32_t maximumWidth(IComponent* parent, int32_t measured) const {
    return maximum(fixedWidth, widthPercent, parent != nullptr ? parent->getClientWidth() : 0,
                   parent != nullptr, std::max(measured, idealWidth));
  }
  int32_t maximumHeight(IComponent* parent, int32_t measured) const {
    return maximum(fixedHeight, heightPercent, parent != nullptr ? parent->getClientHeight() : 0,
                   parent != nullptr, std::max(measured, idealHeight));
  }

 private:
  static int32_t maximum(int32_t fixed, int32_t percent, int32_t parentSize, bool hasParent,
                         int32_t natural) {
    if (fixed >= 0) {
      return fixed;
    }
    if (percent >= 0) {
      return hasParent ? parentSize * percent / 100 : 0;
    }
    return natural;
  }
};

}  // namespace s::gui::win
