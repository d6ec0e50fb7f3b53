// The kind of the radio-button drawers: the ring, its dot and its label.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"
#include "gui/drawer/Forward.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer {

/// Paints a radio button with its label. The scratch context holds a bitmap of at least 52 x 52
/// pixels in which the ring is composed over the background colour (0x00BBGGRR). Colour setters
/// keep the low 8 bits of each channel and return the red byte.
class IRadioButton : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual void setFlag(int32_t flag) = 0;
  virtual int32_t setTextColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t setDisabledTextColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t setRingColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t setDotColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual void applyToFonts(IFont* normal, IFont* disabled) = 0;
  virtual void paint(CDC* dc, CDC* scratchDc, int32_t left, int32_t top, int32_t right,
                     int32_t bottom, bool selected, const WCHAR* text, IFont* font,
                     COLORREF backgroundColor) = 0;
};

}  // namespace s::gui::drawer
