// The kind of the check-box drawers: the box, its check mark and its label.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"
#include "gui/drawer/Forward.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer {

/// Paints a check box of boxSize pixels with its label beside it, and measures it. Colour setters
/// keep the low 8 bits of each channel and return the red byte.
class ICheckBox : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual void setFirstFlag(bool on) = 0;
  virtual void setSecondFlag(bool on) = 0;
  virtual int32_t setTextColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t setDisabledTextColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t setFrameColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t setCheckColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual void applyToFonts(IFont* normal, IFont* disabled) = 0;
  virtual void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     int32_t boxSize, bool checked, const WCHAR* text, IFont* font) = 0;
  /// The label's sizes with the box and its gap added to both widths.
  virtual void measure(CDC* dc, const WCHAR* text, IFont* font, int32_t& minimumWidth,
                       int32_t& minimumHeight, int32_t& preferredWidth,
                       int32_t& preferredHeight) = 0;
};

}  // namespace s::gui::drawer
