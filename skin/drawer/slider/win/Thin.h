// The thin slider drawer: a flat track frame, colour gradients, the fill band and the thumbs.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/slider/IThin.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::border::win {
class Thin;
}

namespace s::gui::drawer::slider::win {

/// Paints a slider into its own context at the origin. Styles: 0 no frame and no thumbs, 1 and
/// 2 the two thin frame styles. Positions come from (value - minimum) / (maximum - minimum), so a
/// minimum other than 0 keeps the thumbs on the track, and an empty span puts everything at the
/// start. Owns a flat border drawer for the track and a shaded one for the thumbs. Pooled
/// (capacity 1000); skins own the drawers they build.
class Thin final : public IThin {
  S_POOLED_CLASS(Thin, u"s_gui_drawer_slider_win_Thin")

  Thin();
  ~Thin() override;
  Thin(const Thin&) = delete;
  Thin& operator=(const Thin&) = delete;
  void reset() override;

  void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t minimum,
             int32_t maximum, int32_t value, bool showFill, int32_t fillFrom, bool enabled,
             bool twoThumbs, int32_t secondValue, int32_t gradientType, int32_t firstColor,
             int32_t secondColor) override;
  int32_t getFillRed() override;
  int32_t getFillGreen() override;
  int32_t getFillBlue() override;
  int32_t setFillColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t setThumbColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t setDisabledColor(int32_t red, int32_t green, int32_t blue) override;

  void setStyle(int32_t style) { m_style = style; }
  int32_t getStyle() const { return m_style; }
  COLORREF getThumbColor() const { return m_thumbColor; }
  COLORREF getDisabledColor() const { return m_disabledColor; }

  /// The colour of gradient column k of n (0x00BBGGRR) for the gradient type and its two
  /// colours or components.
  static COLORREF gradientColor(int32_t type, int32_t k, int32_t n, int32_t firstColor,
                                int32_t secondColor);

 private:
  int32_t m_style = 1;
  COLORREF m_fillColor = 0xB0B0B0;
  COLORREF m_thumbColor = 0x787878;
  COLORREF m_disabledColor = 0x787878;
  border::win::Thin* m_track = nullptr;
  border::win::Thin* m_thumb = nullptr;
};

}  // namespace s::gui::drawer::slider::win
