// The interface of the progress bar: the native progress control.
#pragma once

#include "gui/IComponent.h"

#include <cstdint>

namespace s::gui {

/// A range and a position, stored and sent to the control once it exists. `setRange` and
/// `setPosition` may be called from any thread; they wait for the bar's UI thread. -1 switches a
/// percent or a fixed size off.
///
/// The operations keep their virtual order after the component's.
class IProgressBar : public IComponent {
 public:
  virtual void setWidthPercent(int32_t percent) = 0;
  virtual void setHeightPercent(int32_t percent) = 0;
  virtual void setFixedWidth(int32_t width) = 0;
  virtual void setFixedHeight(int32_t height) = 0;
  virtual void setRange(int32_t minimum, int32_t maximum) = 0;
  virtual void setPosition(int32_t position) = 0;
};

}  // namespace s::gui
