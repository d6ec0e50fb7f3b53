// The thin tab-box drawer: the font settings of a tab box's captions and pages.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/tabbox/IThin.h"
#include "skin/drawer/text/win/Basic.h"

#include <windows.h>

namespace s::gui::drawer::tabbox::win {

/// Paints nothing: the thin skins leave a tab box to its pages. Holds the captions' normal and
/// disabled font settings and the pages' font setting in two text drawers of its own, and a
/// colour (white after reset) that it only keeps. Pooled (capacity 1000); the text drawers are
/// taken with the drawer and given back with it.
class Thin final : public IThin {
  S_POOLED_CLASS(Thin, u"s_gui_drawer_tabbox_win_Thin")

  Thin();
  ~Thin() override;
  Thin(const Thin&) = delete;
  Thin& operator=(const Thin&) = delete;
  void reset() override;

  void paint(CDC*, int32_t, int32_t, int32_t, int32_t) override {}
  int32_t setColor(int32_t red, int32_t green, int32_t blue) override;
  void applyToFonts(IFont* normal, IFont* disabled) override;
  IFontSetting* getFontSetting() override { return m_caption->getFontSetting(); }
  IFontSetting* getDisabledFontSetting() override { return m_caption->getDisabledFontSetting(); }
  void applyToPageFonts(IFont* font) override;
  IFontSetting* getPageFontSetting() override { return m_page->getFontSetting(); }

  COLORREF getColor() const { return m_color; }

 private:
  COLORREF m_color = RGB(255, 255, 255);
  text::win::Basic* m_caption;
  text::win::Basic* m_page;
};

}  // namespace s::gui::drawer::tabbox::win
