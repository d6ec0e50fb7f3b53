// The thin combo-box drawer: a button face with the text, a separator and the drop arrow.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/combo/IThin.h"
#include "skin/drawer/button/win/Thin.h"
#include "skin/drawer/text/win/Basic.h"

#include <windows.h>

namespace s::gui::drawer::combo::win {

/// Paints a combo box's face as a button in its state (0 normal, 1 raised, 2 pushed or open),
/// the text at the left moved by the state, and at the right a separator and the "#Down" arrow in
/// the frame colour (black after reset). The text colours are the text drawer's first and second
/// font settings; the frame colour also goes to the button drawer. Pooled (capacity 1000); the
/// text and button drawers are taken with the drawer and given back with it.
class Thin final : public IThin {
  S_POOLED_CLASS(Thin, u"s_gui_drawer_combo_win_Thin")

  Thin();
  ~Thin() override;
  Thin(const Thin&) = delete;
  Thin& operator=(const Thin&) = delete;
  void reset() override;

  void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t state,
             const WCHAR* text, IFont* font, bool enabled) override;
  int32_t setTextColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t setDisabledTextColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t setFrameColor(int32_t red, int32_t green, int32_t blue) override;
  void applyToFonts(IFont* normal, IFont* disabled) override;

  COLORREF getFrameColor() const { return m_frame; }
  text::win::Basic* getTextDrawer() const { return m_text; }
  button::win::Thin* getButtonDrawer() const { return m_button; }

 private:
  text::win::Basic* m_text;
  button::win::Thin* m_button;
  COLORREF m_frame = 0;
};

}  // namespace s::gui::drawer::combo::win
