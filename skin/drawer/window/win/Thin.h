// The thin window drawer: background, one-pixel frame and the rounded outline of own-framed
// windows.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/window/IThin.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::window::win {

/// Paints a window's background (once a colour is set), its one-pixel frame and the shading runs
/// of its corner styles, and makes the matching window region. Pooled (capacity 1000); a skin owns
/// the drawers it builds. Only read while painting, so every UI thread may share one.
class Thin final : public IThin {
  S_POOLED_CLASS(Thin, u"s_gui_drawer_window_win_Thin")

  Thin() { reset(); }
  Thin(const Thin&) = delete;
  Thin& operator=(const Thin&) = delete;
  void reset() override;

  /// A drawer from the pool with square corners, the border colour and a painted background.
  static Thin* createWithColors(int32_t borderRed, int32_t borderGreen, int32_t borderBlue,
                                int32_t backgroundRed, int32_t backgroundGreen,
                                int32_t backgroundBlue);

  void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  HRGN createRegion(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  COLORREF getBackgroundColor() override { return m_backgroundColor; }
  int32_t getBackgroundRed() override;
  int32_t getBackgroundGreen() override;
  int32_t getBackgroundBlue() override;
  int32_t setBackgroundColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t getBorderRed() override;
  int32_t getBorderGreen() override;
  int32_t getBorderBlue() override;
  int32_t setBorderColor(int32_t red, int32_t green, int32_t blue) override;
  void setTopCornerStyle(int32_t style) override { m_topCornerStyle = style; }
  void setBottomCornerStyle(int32_t style) override { m_bottomCornerStyle = style; }

  /// The theme's caption font, or false without visual styles (the skins' theme font lookup).
  static bool getThemeSystemFont(LOGFONTW* font);

  int32_t getTopCornerStyle() const { return m_topCornerStyle; }
  int32_t getBottomCornerStyle() const { return m_bottomCornerStyle; }
  bool isBackgroundTransparent() const { return m_transparentBackground; }

 private:
  int32_t m_topCornerStyle = 0;
  int32_t m_bottomCornerStyle = 0;
  bool m_transparentBackground = true;
  COLORREF m_backgroundColor = 0xFFFFFF;
  COLORREF m_borderColor = 0x787878;
};

}  // namespace s::gui::drawer::window::win
