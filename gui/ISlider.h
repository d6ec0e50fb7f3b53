// The interface of the slider: the native track bar, or a skin's slider drawer with one or two
// thumbs.
#pragma once

#include "gui/IComponent.h"

#include <cstdint>

namespace s::gui::drawer {
class ISlider;
}

namespace s::gui {

/// An integer range and a position (and, with two thumbs, a second value above it). Change
/// listeners hear event 0 when the user moves a thumb; `setPosition` and `setSecondValue` tell
/// nobody. With two thumbs the position stays below the second value. -1 switches a percent or a
/// fixed size off. UI thread, or set-up before attaching.
///
/// The operations keep their virtual order after the component's.
class ISlider : public IComponent {
 public:
  virtual void setWidthPercent(int32_t percent) = 0;
  virtual void setHeightPercent(int32_t percent) = 0;
  virtual void setFixedWidth(int32_t width) = 0;
  virtual void setFixedHeight(int32_t height) = 0;
  virtual void setThumbLength(int32_t length) = 0;
  virtual void setRange(int32_t minimum, int32_t maximum) = 0;
  virtual int32_t getPosition() = 0;
  virtual void setPosition(int32_t position) = 0;
  virtual void setTickFrequency(int32_t frequency) = 0;
  virtual void setTicksVisible(bool on) = 0;
  virtual void addChangeListener(events::IEventListener* listener) = 0;
  virtual void setDrawer(drawer::ISlider* drawer, bool owned) = 0;
  virtual void setShowFill(bool on) = 0;
  virtual void setFillFrom(int32_t value) = 0;
  virtual void setTwoThumbs(bool on) = 0;
  virtual int32_t getSecondValue() = 0;
  virtual void setSecondValue(int32_t value) = 0;
  virtual void setGradient(int32_t type, int32_t firstColor, int32_t secondColor) = 0;
};

}  // namespace s::gui
