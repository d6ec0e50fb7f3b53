// The thin check-box drawer: a white box in a 2-pixel frame, its check mark and its label.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/checkbox/IThin.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::button::win {
class Thin;
}
namespace s::gui::drawer::text::win {
class Basic;
}

namespace s::gui::drawer::checkbox::win {

/// Owns a button drawer for the check mark and a text drawer for the label, taken at creation
/// and given back by the destructor. Pooled (capacity 1000); skins own the drawers they build.
/// The check mark is always black; the check colour is only stored in the glyph drawer.
class Thin final : public IThin {
  S_POOLED_CLASS(Thin, u"s_gui_drawer_checkbox_win_Thin")

  Thin();
  ~Thin() override;
  Thin(const Thin&) = delete;
  Thin& operator=(const Thin&) = delete;
  void reset() override;

  void setFirstFlag(bool on) override { m_firstFlag = on; }
  void setSecondFlag(bool on) override { m_secondFlag = on; }
  int32_t setTextColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t setDisabledTextColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t setFrameColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t setCheckColor(int32_t red, int32_t green, int32_t blue) override;
  void applyToFonts(IFont* normal, IFont* disabled) override;
  void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t boxSize,
             bool checked, const WCHAR* text, IFont* font) override;
  void measure(CDC* dc, const WCHAR* text, IFont* font, int32_t& minimumWidth,
               int32_t& minimumHeight, int32_t& preferredWidth, int32_t& preferredHeight) override;

  COLORREF getTextColor() const { return m_textColor; }
  COLORREF getFrameColor() const { return m_frameColor; }
  button::win::Thin* getGlyphDrawer() const { return m_glyph; }
  text::win::Basic* getLabelDrawer() const { return m_label; }

 private:
  bool m_firstFlag = true;
  bool m_secondFlag = false;
  int32_t m_thirdFlag = 1;
  COLORREF m_textColor = 0x787878;
  COLORREF m_frameColor = 0x787878;
  button::win::Thin* m_glyph = nullptr;
  text::win::Basic* m_label = nullptr;
};

}  // namespace s::gui::drawer::checkbox::win
