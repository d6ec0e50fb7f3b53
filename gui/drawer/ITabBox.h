// The kind of the tab-box drawers, with the font settings of its captions and pages.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"
#include "gui/drawer/Forward.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer {

/// Paints a tab box and holds the font settings of its captions (normal, disabled) and of its
/// pages. Colour setters keep the low 8 bits of each channel and return the red byte.
class ITabBox : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
  virtual int32_t setColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual void applyToFonts(IFont* normal, IFont* disabled) = 0;
  virtual IFontSetting* getFontSetting() = 0;
  virtual IFontSetting* getDisabledFontSetting() = 0;
  virtual void applyToPageFonts(IFont* font) = 0;
  virtual IFontSetting* getPageFontSetting() = 0;
};

}  // namespace s::gui::drawer
