// The thin group-box drawer: frame bands of the display scale's weight with stepped corners.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/groupbox/IThin.h"
#include "skin/drawer/text/win/Basic.h"

#include <windows.h>

namespace s::gui::drawer::groupbox::win {

/// Paints the caption 9 s in and bands 2 pixels thick (4 from display scale 2 on) in the frame
/// colour (208, 208, 191 after reset), with the top band open under the caption. The caption's
/// font settings belong to the drawer's own text drawer, whose normal text is (0, 70, 213).
/// Pooled (capacity 1000); the text drawer is taken with the drawer and given back with it.
class Thin final : public IThin {
  S_POOLED_CLASS(Thin, u"s_gui_drawer_groupbox_win_Thin")

  Thin();
  ~Thin() override;
  Thin(const Thin&) = delete;
  Thin& operator=(const Thin&) = delete;
  void reset() override;

  void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom, const WCHAR* text,
             IFont* font, int32_t captionWidth, int32_t captionHeight) override;
  int32_t setFrameColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t getFrameRed() override;
  int32_t getFrameGreen() override;
  int32_t getFrameBlue() override;
  void applyToFonts(IFont* normal, IFont* disabled) override;
  IFontSetting* getFontSetting() override { return m_caption->getFontSetting(); }
  IFontSetting* getDisabledFontSetting() override { return m_caption->getDisabledFontSetting(); }

  COLORREF getFrameColor() const { return m_frame; }

 private:
  COLORREF m_frame = 0;
  text::win::Basic* m_caption;
};

}  // namespace s::gui::drawer::groupbox::win
