// The thin list-header drawer: the header band and its column captions as buttons.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/listheader/IThin.h"
#include "skin/drawer/button/win/Thin.h"

#include <windows.h>

namespace s::gui::drawer::listheader::win {

/// Fills the header band in its fill colour (51, 51, 51 after reset) or a custom one, and paints
/// each caption as a button of its inner button drawer (style 0, shifted when pressed, framed in
/// the background colour, 120, 120, 120 after reset). Rows are 22 pixels high, not scaled. Pooled
/// (capacity 1000); the button drawer is taken with it and given back with it.
class Thin final : public IThin {
  S_POOLED_CLASS(Thin, u"s_gui_drawer_listheader_win_Thin")

  Thin();
  ~Thin() override;
  Thin(const Thin&) = delete;
  Thin& operator=(const Thin&) = delete;
  void reset() override;

  void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom, bool custom,
             int32_t red, int32_t green, int32_t blue) override;
  void paintText(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t state,
                 const WCHAR* text, IFont* font) override;
  void setPressedShift(bool on) override;
  int32_t getBackgroundRed() override;
  int32_t getBackgroundGreen() override;
  int32_t getBackgroundBlue() override;
  int32_t setBackgroundColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t getFillRed() override;
  int32_t getFillGreen() override;
  int32_t getFillBlue() override;
  int32_t setFillColor(int32_t red, int32_t green, int32_t blue) override;
  void applyToFonts(IFont* normal, IFont* disabled) override;
  IFontSetting* getFontSetting() override { return m_button->getFontSetting(); }
  void setRowHeight(int32_t height) override { m_rowHeight = height; }
  int32_t getRowHeight() override { return m_rowHeight; }

  bool isPressedShift() const { return m_pressedShift; }
  int32_t getButtonStyle() const { return m_buttonStyle; }
  button::win::Thin* getButtonDrawer() const { return m_button; }

 private:
  bool m_pressedShift = true;
  int32_t m_buttonStyle = 0;
  COLORREF m_background = 0;
  COLORREF m_fill = 0;
  button::win::Thin* m_button;
  int32_t m_rowHeight = 22;
};

}  // namespace s::gui::drawer::listheader::win
