// The thin list-box drawer: a coloured wrapper around a basic list-box drawer.
#pragma once

#include "gui/drawer/IListBox.h"
#include "gui/drawer/listbox/IBasic.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::listbox {

/// Forwards every operation to its inner drawer, which it owns and answers in place of the
/// inner drawer's `applyToFonts` (widgets apply their fonts to the inner drawer).
class IThin : public drawer::IListBox {
 public:
  virtual IBasic* getInnerDrawer() = 0;
  virtual IFontSetting* getFontSetting() = 0;
  virtual IFontSetting* getSelectedFontSetting() = 0;
  virtual int32_t setTextColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t setSelectedTextColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t getLineRed() = 0;
  virtual int32_t getLineGreen() = 0;
  virtual int32_t getLineBlue() = 0;
  virtual COLORREF getLineColor() = 0;
  virtual int32_t setLineColor(int32_t red, int32_t green, int32_t blue) = 0;
};

}  // namespace s::gui::drawer::listbox
