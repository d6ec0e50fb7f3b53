// The interface of the spacer: an empty child window that only takes room in a layout.
#pragma once

#include "gui/IComponent.h"

#include <cstdint>

namespace s::gui {

/// A gap of fixed or relative size. Horizontal (0) or vertical (1); each orientation call also
/// exchanges the width and height values. -1 switches a percent or a fixed size off.
///
/// The operations keep their virtual order after the component's.
class ISpacer : public IComponent {
 public:
  virtual void setHorizontal() = 0;
  virtual void setVertical() = 0;
  /// Also switches the fixed width off.
  virtual void setWidthPercent(int32_t percent) = 0;
  /// Also switches the fixed height off.
  virtual void setHeightPercent(int32_t percent) = 0;
  virtual void setFixedWidth(int32_t width) = 0;
  virtual void setFixedHeight(int32_t height) = 0;
};

}  // namespace s::gui
