// The basic group-box drawer: one-pixel frame lines with the caption set into the top edge.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/groupbox/IBasic.h"
#include "skin/drawer/text/win/Basic.h"

#include <windows.h>

namespace s::gui::drawer::groupbox::win {

/// Paints the caption 9 pixels in (not scaled) and a one-pixel frame with cut corners in the frame
/// colour (208, 208, 191 after reset), leaving the top line open under the caption. The caption's
/// font settings belong to the drawer's own text drawer, whose normal text is (0, 70, 213).
/// Pooled (capacity 1000); the text drawer is taken with the drawer and given back with it.
class Basic final : public IBasic {
  S_POOLED_CLASS(Basic, u"s_gui_drawer_groupbox_win_Basic")

  Basic();
  ~Basic() override;
  Basic(const Basic&) = delete;
  Basic& operator=(const Basic&) = delete;
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
