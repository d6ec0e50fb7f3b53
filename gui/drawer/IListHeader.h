// The kind of the list-header drawers: the header band and its column captions.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"
#include "gui/drawer/Forward.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer {

/// Paints a list's header band (in (red, green, blue) when custom is set, else its fill colour) and
/// each column caption as a button in a button state. Colour setters keep the low 8 bits of each
/// channel and return the red byte.
class IListHeader : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom, bool custom,
                     int32_t red, int32_t green, int32_t blue) = 0;
  virtual void paintText(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                         int32_t state, const WCHAR* text, IFont* font) = 0;
  virtual void setPressedShift(bool on) = 0;
  virtual int32_t getBackgroundRed() = 0;
  virtual int32_t getBackgroundGreen() = 0;
  virtual int32_t getBackgroundBlue() = 0;
  virtual int32_t setBackgroundColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t getFillRed() = 0;
  virtual int32_t getFillGreen() = 0;
  virtual int32_t getFillBlue() = 0;
  virtual int32_t setFillColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual void applyToFonts(IFont* normal, IFont* disabled) = 0;
  virtual IFontSetting* getFontSetting() = 0;
  virtual void setRowHeight(int32_t height) = 0;
  virtual int32_t getRowHeight() = 0;
};

}  // namespace s::gui::drawer
