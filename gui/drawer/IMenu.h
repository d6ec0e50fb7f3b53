// The kind of the menu-bar drawers, which lay out and paint a bar of entries.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"
#include "gui/drawer/Forward.h"
#include "gui/drawer/ICombo.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer {

/// Lays out and paints a menu bar's entries (count texts with a rectangle each), as a bar or, in
/// combo mode, as one combo face showing the first entry. ph and pv are the insets on each side of
/// an entry; hotIndex is -1 when no entry is hot. The combo drawer belongs to the menu drawer.
class IMenu : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     const WCHAR* const* entries, const RECT* rectangles, int32_t count,
                     IFont* font, IFont* selectedFont, int32_t ph, int32_t pv, int32_t hotIndex,
                     bool pressed, bool comboMode, bool lastAtRight, bool lastAsLink) = 0;
  virtual void applyToFonts(IFont* entryFont, IFont* selectedFont) = 0;
  /// Fills rectangles[0..count) and the bar's sizes.
  virtual void layout(HWND window, const WCHAR* const* entries, RECT* rectangles, int32_t count,
                      IFont* font, int32_t& minimumWidth, int32_t& minimumHeight,
                      int32_t& preferredWidth, int32_t& preferredHeight, int32_t ph, int32_t pv,
                      bool comboMode) = 0;
  virtual IFontSetting* getFontSetting() = 0;
  virtual IFontSetting* getSelectedFontSetting() = 0;
  virtual ICombo* getComboDrawer() = 0;
};

}  // namespace s::gui::drawer
