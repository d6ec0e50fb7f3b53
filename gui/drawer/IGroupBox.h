// The kind of the group-box drawers: a frame with its caption set into the top edge.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"
#include "gui/drawer/Forward.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer {

/// Paints a group box's frame and its caption of captionWidth x captionHeight pixels. Colour
/// setters keep the low 8 bits of each channel and return the red byte.
class IGroupBox : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     const WCHAR* text, IFont* font, int32_t captionWidth,
                     int32_t captionHeight) = 0;
  virtual int32_t setFrameColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t getFrameRed() = 0;
  virtual int32_t getFrameGreen() = 0;
  virtual int32_t getFrameBlue() = 0;
  virtual void applyToFonts(IFont* normal, IFont* disabled) = 0;
  virtual IFontSetting* getFontSetting() = 0;
  virtual IFontSetting* getDisabledFontSetting() = 0;
};

}  // namespace s::gui::drawer
