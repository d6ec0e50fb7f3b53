// The basic list-box drawer, which paints the rows of a plain list.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/listbox/IBasic.h"
#include "skin/drawer/button/win/Thin.h"
#include "skin/drawer/text/win/Basic.h"

#include <windows.h>

namespace s::gui::drawer::listbox::win {

/// Paints a list's background and rows: a row's tree glyph, check box, icon and text side by side
/// after its indent (15 s per level), the selection behind the text or the whole row, drop marks,
/// and a progress cell in place of the text (per mille: 0 to 1000 green, 2000 to 3000 grey, 4000
/// to 5000 red, as a bar in a white field under the text in white). Without a progress cell a
/// row's status colours its text: 0 and 1 red, 3 grey, 10 green; any other (-1) leaves the font's
/// colour. Colours after reset: selection (120, 120, 120),
/// background (51, 51, 51), alternate rows' line colour (224, 224, 224). The normal rows' and the
/// selected rows' font settings are the first settings of two text drawers of its own; glyphs
/// come from a button drawer of its own. Pooled (capacity 1000); the inner drawers are taken with
/// it and given back with it. Plain lists take one coloured by `createWithSystemColors`.
class Basic final : public IBasic {
  S_POOLED_CLASS(Basic, u"s_gui_drawer_listbox_win_Basic")

  Basic();
  ~Basic() override;
  Basic(const Basic&) = delete;
  Basic& operator=(const Basic&) = delete;
  void reset() override;

  void paintBackground(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void paintRow(CDC* dc, ::s::image::win::BufferedImage* target, int32_t left, int32_t top,
                int32_t right, int32_t bottom, int32_t alignment, bool selected, bool focused,
                bool fullRowSelection, bool alternate, int32_t dropMark, int32_t dropMarkSide,
                bool wideDropMark, const WCHAR* text, IFont* font, IFont* selectedFont,
                int32_t level, bool treeGlyph, bool open, int32_t checkState,
                ::s::image::IImage* icon, bool underline, bool endEllipsis, int32_t progress,
                int32_t status, int32_t& textLeft, int32_t& textTop, int32_t& textRight,
                int32_t& textBottom) override;
  bool hitCheckBox(int32_t x, int32_t y, bool withTree, int32_t level) override;
  bool hitTreeGlyph(int32_t x, int32_t y, int32_t level) override;
  COLORREF getSelectionColor() override { return m_selection; }
  int32_t setSelectionColor(int32_t red, int32_t green, int32_t blue) override;
  COLORREF getBackgroundColor() override { return m_background; }
  int32_t getBackgroundRed() override;
  int32_t getBackgroundGreen() override;
  int32_t getBackgroundBlue() override;
  int32_t setBackgroundColor(int32_t red, int32_t green, int32_t blue) override;
  void applyToFonts(IFont* normal, IFont* selected) override;
  IFontSetting* getFontSetting() override { return m_normal->getFontSetting(); }
  IFontSetting* getSelectedFontSetting() override { return m_selected->getFontSetting(); }
  int32_t setTextColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t setSelectedTextColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t getLineRed() override;
  int32_t getLineGreen() override;
  int32_t getLineBlue() override;
  COLORREF getLineColor() override { return m_line; }
  int32_t setLineColor(int32_t red, int32_t green, int32_t blue) override;

  /// A drawer from the pool coloured for a plain list: white background, black text, the system's
  /// highlight and highlighted-text colours for selections, line (238, 238, 238). The caller
  /// releases it.
  static Basic* createWithSystemColors();

  /// Where a row's parts go, from its rectangle and indent level; empty parts have no width.
  struct RowLayout {
    RECT tree;
    RECT checkBox;
    RECT icon;
    RECT text;
  };
  static RowLayout layoutRow(int32_t left, int32_t top, int32_t right, int32_t bottom,
                             int32_t level, bool treeGlyph, bool checkBox, bool icon);

 private:
  COLORREF m_selection = 0;
  COLORREF m_background = 0;
  COLORREF m_line = 0;
  text::win::Basic* m_normal;
  text::win::Basic* m_selected;
  button::win::Thin* m_button;
};

}  // namespace s::gui::drawer::listbox::win
