// The kind of the text drawers, which paint and measure one text with its font's effects.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"
#include "gui/drawer/Forward.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer {

/// Paints and measures a text with a font, its text effect included. A text is a pointer to a
/// NUL-terminated string or, when its value is 0xFFFF or less, the id of a string of the module's
/// string table (a missing one is the empty text); null is the empty text. The five font settings
/// belong to the drawer (normal, disabled, link, link under the pointer, pressed link); widgets
/// make their fonts take them over with `applyToFonts`, each argument optional.
class IText : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     const WCHAR* text, IFont* font) = 0;
  /// Writes the size the text takes in the rectangle and returns the height.
  virtual int32_t measureText(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                              const WCHAR* text, IFont* font, int32_t& width, int32_t& height) = 0;
  virtual void applyToFonts(IFont* font1, IFont* font2, IFont* font3, IFont* font4,
                            IFont* font5) = 0;
  virtual void applyToFontSettings(IFontSetting* setting1, IFontSetting* setting2,
                                   IFontSetting* setting3, IFontSetting* setting4,
                                   IFontSetting* setting5) = 0;
  virtual void measureLines(CDC* dc, const WCHAR* text, IFont* font, int32_t& minimumWidth,
                            int32_t& minimumHeight, int32_t& preferredWidth,
                            int32_t& preferredHeight) = 0;
  virtual IFontSetting* getFontSetting() = 0;
  virtual IFontSetting* getDisabledFontSetting() = 0;
  virtual IFontSetting* getLinkFontSetting() = 0;
  virtual IFontSetting* getLinkHoverFontSetting() = 0;
  virtual IFontSetting* getLinkPressedFontSetting() = 0;
};

}  // namespace s::gui::drawer
