// The basic menu-bar drawer: a row of entries with a hot one, or one combo face.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/menu/IBasic.h"
#include "gui/win/FontSetting.h"
#include "skin/drawer/combo/win/Thin.h"
#include "skin/drawer/text/win/Basic.h"

#include <windows.h>

namespace s::gui::drawer::menu::win {

/// Lays out a menu bar's entries side by side, each its text's size plus the insets, and paints
/// them: the hot entry filled with the selection colour (the system's highlight after reset) and
/// written in the selected font, the last entry optionally against the right edge or as a link;
/// in combo mode the bar is one combo face showing the first entry. The entry and selected font
/// settings (style code -2; the selected text in the system's highlighted-text colour) belong to
/// the drawer. Pooled (capacity 1000); the text and combo drawers are taken with it and given
/// back with it. Skins build theirs with `createWithColors`.
class Basic final : public IBasic {
  S_POOLED_CLASS(Basic, u"s_gui_drawer_menu_win_Basic")

  Basic();
  ~Basic() override;
  Basic(const Basic&) = delete;
  Basic& operator=(const Basic&) = delete;
  void reset() override;

  void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
             const WCHAR* const* entries, const RECT* rectangles, int32_t count, IFont* font,
             IFont* selectedFont, int32_t ph, int32_t pv, int32_t hotIndex, bool pressed,
             bool comboMode, bool lastAtRight, bool lastAsLink) override;
  void applyToFonts(IFont* entryFont, IFont* selectedFont) override;
  void layout(HWND window, const WCHAR* const* entries, RECT* rectangles, int32_t count,
              IFont* font, int32_t& minimumWidth, int32_t& minimumHeight, int32_t& preferredWidth,
              int32_t& preferredHeight, int32_t ph, int32_t pv, bool comboMode) override;
  IFontSetting* getFontSetting() override { return &m_entrySetting; }
  IFontSetting* getSelectedFontSetting() override { return &m_selectedSetting; }
  ICombo* getComboDrawer() override { return m_combo; }
  int32_t setSelectionColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t setTextColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t setSelectedTextColor(int32_t red, int32_t green, int32_t blue) override;
  void setFillHotEntry(bool on) override { m_fillHot = on; }
  void setShiftPressedEntry(bool on) override { m_shiftPressed = on; }

  /// A drawer from the pool coloured for a skin: text, selection and selected text colours, the
  /// hot entry not filled and the pressed entry shifted. The caller releases it.
  static Basic* createWithColors(int32_t textRed, int32_t textGreen, int32_t textBlue,
                                 int32_t selectionRed, int32_t selectionGreen,
                                 int32_t selectionBlue, int32_t selectedRed, int32_t selectedGreen,
                                 int32_t selectedBlue);

  COLORREF getSelectionColor() const { return m_selection; }
  bool isFillHotEntry() const { return m_fillHot; }
  bool isShiftPressedEntry() const { return m_shiftPressed; }

 private:
  gui::win::FontSetting m_entrySetting;
  gui::win::FontSetting m_selectedSetting;
  COLORREF m_selection = 0;
  bool m_fillHot = true;
  bool m_shiftPressed = false;
  text::win::Basic* m_text;
  combo::win::Thin* m_combo;
};

}  // namespace s::gui::drawer::menu::win
