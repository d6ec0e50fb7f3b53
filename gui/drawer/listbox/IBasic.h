// The basic list-box drawer, which paints the rows of a plain list.
#pragma once

#include "gui/drawer/IListBox.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::listbox {

/// The normal rows' and the selected rows' font settings belong to the drawer.
class IBasic : public drawer::IListBox {
 public:
  virtual void applyToFonts(IFont* normal, IFont* selected) = 0;
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
