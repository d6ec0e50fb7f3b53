// The kind of the button drawers, which also draw the named vector glyphs of arrows and thumbs.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"
#include "gui/drawer/Forward.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer {

/// Paints push buttons, arrows and thumbs, and the named glyphs ("#Down", "#Check", ...). States
/// are 0 normal, 1 hovered, 2 pressed. A text is a glyph name or a label; the font may be null.
/// Colour setters keep the low 8 bits of each channel and return the red byte. The font settings
/// answered belong to the drawer.
class IButton : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     int32_t state, const WCHAR* text, bool active, IFont* font, bool enabled,
                     bool toggled, bool framed) = 0;
  virtual void setAccentColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual void setFirstFlag(bool on) = 0;
  virtual void setSecondFlag(bool on) = 0;
  virtual void setStyle(int32_t style) = 0;
  virtual void setShiftWhenPressed(bool on) = 0;
  virtual int32_t getFrameRed() = 0;
  virtual int32_t getFrameGreen() = 0;
  virtual int32_t getFrameBlue() = 0;
  virtual int32_t setFrameColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t getDisabledRed() = 0;
  virtual int32_t getDisabledGreen() = 0;
  virtual int32_t getDisabledBlue() = 0;
  virtual int32_t setDisabledColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t setToggledFrameColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t setToggledBackgroundColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t getToggledBackgroundRed() = 0;
  virtual int32_t getToggledBackgroundGreen() = 0;
  virtual int32_t getToggledBackgroundBlue() = 0;
  /// True when the name was a glyph and was drawn; false, drawing nothing, for anything else.
  virtual bool paintGlyph(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                          const WCHAR* name, int32_t red, int32_t green, int32_t blue) = 0;
  virtual void applyToFonts(IFont* normal, IFont* disabled) = 0;
  virtual void applyToFontSettings(IFontSetting* normal, IFontSetting* disabled) = 0;
  virtual IFontSetting* getFontSetting() = 0;
  virtual IFontSetting* getDisabledFontSetting() = 0;
  virtual void applyToSecondFont(IFont* font) = 0;
  virtual void applyToSecondFontSetting(IFontSetting* setting) = 0;
  virtual IFontSetting* getSecondFontSetting() = 0;
};

}  // namespace s::gui::drawer
