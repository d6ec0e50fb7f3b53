// The thin radio-button drawer: a smoothed ring with its dot, and the label.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/radiobutton/IThin.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::text::win {
class Basic;
}

namespace s::gui::drawer::radiobutton::win {

/// Draws the ring four times too large on the caller's scratch context and reduces it to 13 x 13
/// pixels (at every display scale) with halftone stretching, which smooths its edge. Owns its
/// label drawer. Pooled (capacity 1000); skins own the drawers they build. Every pen and brush
/// it makes is deleted before `paint` returns.
class Thin final : public IThin {
  S_POOLED_CLASS(Thin, u"s_gui_drawer_radiobutton_win_Thin")

  Thin();
  ~Thin() override;
  Thin(const Thin&) = delete;
  Thin& operator=(const Thin&) = delete;
  void reset() override;

  void setFlag(int32_t flag) override { m_flag = flag; }
  int32_t setTextColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t setDisabledTextColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t setRingColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t setDotColor(int32_t red, int32_t green, int32_t blue) override;
  void applyToFonts(IFont* normal, IFont* disabled) override;
  void paint(CDC* dc, CDC* scratchDc, int32_t left, int32_t top, int32_t right, int32_t bottom,
             bool selected, const WCHAR* text, IFont* font, COLORREF backgroundColor) override;

  COLORREF getRingColor() const { return m_ringColor; }
  COLORREF getDotColor() const { return m_dotColor; }
  text::win::Basic* getLabelDrawer() const { return m_label; }

 private:
  int32_t m_flag = 0;
  COLORREF m_ringColor = 0x787878;
  COLORREF m_dotColor = 0x38B935;
  text::win::Basic* m_label = nullptr;
};

}  // namespace s::gui::drawer::radiobutton::win
