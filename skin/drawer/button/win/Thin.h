// The thin button drawer: push buttons, arrows and thumbs of the thin skins, and the named
// glyphs.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/button/IThin.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::border::win {
class Thin;
}
namespace s::gui::drawer::text::win {
class Basic;
}

namespace s::gui::drawer::button::win {

/// Frames a button with its own thin border drawer, then paints a glyph or the label with its own
/// text drawer (line mode 1). Owns the border drawer and two text drawers (the second only keeps
/// font settings), taken at creation and given back by the destructor. Pooled (capacity 1000);
/// skins own the drawers they build. Only read while painting, so every UI thread may share one.
class Thin final : public IThin {
  S_POOLED_CLASS(Thin, u"s_gui_drawer_button_win_Thin")

  Thin();
  ~Thin() override;
  Thin(const Thin&) = delete;
  Thin& operator=(const Thin&) = delete;
  void reset() override;

  /// A drawer from the pool framed in (red, green, blue) that shifts its content when pressed.
  static Thin* createWithColor(int32_t red, int32_t green, int32_t blue);

  void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t state,
             const WCHAR* text, bool active, IFont* font, bool enabled, bool toggled,
             bool framed) override;
  void setAccentColor(int32_t red, int32_t green, int32_t blue) override;
  void setFirstFlag(bool on) override { m_firstFlag = on; }
  void setSecondFlag(bool on) override { m_secondFlag = on; }
  void setStyle(int32_t style) override { m_style = style; }
  void setShiftWhenPressed(bool on) override { m_shiftWhenPressed = on; }
  int32_t getFrameRed() override;
  int32_t getFrameGreen() override;
  int32_t getFrameBlue() override;
  int32_t setFrameColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t getDisabledRed() override;
  int32_t getDisabledGreen() override;
  int32_t getDisabledBlue() override;
  int32_t setDisabledColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t setToggledFrameColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t setToggledBackgroundColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t getToggledBackgroundRed() override;
  int32_t getToggledBackgroundGreen() override;
  int32_t getToggledBackgroundBlue() override;
  bool paintGlyph(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                  const WCHAR* name, int32_t red, int32_t green, int32_t blue) override;
  void applyToFonts(IFont* normal, IFont* disabled) override;
  void applyToFontSettings(IFontSetting* normal, IFontSetting* disabled) override;
  IFontSetting* getFontSetting() override;
  IFontSetting* getDisabledFontSetting() override;
  void applyToSecondFont(IFont* font) override;
  void applyToSecondFontSetting(IFontSetting* setting) override;
  IFontSetting* getSecondFontSetting() override;
  void setBorderShaded(bool on) override;

  COLORREF getAccentColor() const { return m_accentColor; }
  bool getFirstFlag() const { return m_firstFlag; }
  bool getSecondFlag() const { return m_secondFlag; }
  bool getShiftWhenPressed() const { return m_shiftWhenPressed; }
  int32_t getStyle() const { return m_style; }
  COLORREF getToggledFrameColor() const { return m_toggledFrameColor; }
  border::win::Thin* getBorderDrawer() const { return m_border; }
  text::win::Basic* getLabelDrawer() const { return m_label; }
  text::win::Basic* getSecondTextDrawer() const { return m_secondText; }

 private:
  COLORREF m_accentColor = 0x6BEBD5;
  bool m_firstFlag = true;
  bool m_secondFlag = true;
  bool m_shiftWhenPressed = false;
  int32_t m_style = 1;
  COLORREF m_frameColor = 0x787878;
  COLORREF m_disabledColor = 0x787878;
  COLORREF m_toggledFrameColor = 0x787878;
  COLORREF m_toggledBackgroundColor = 0x787878;
  border::win::Thin* m_border = nullptr;
  text::win::Basic* m_label = nullptr;
  text::win::Basic* m_secondText = nullptr;
};

}  // namespace s::gui::drawer::button::win
