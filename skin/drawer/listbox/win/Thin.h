// The thin list-box drawer: a coloured wrapper around a basic list-box drawer.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/listbox/IThin.h"
#include "skin/drawer/listbox/win/Basic.h"

#include <windows.h>

namespace s::gui::drawer::listbox::win {

/// Forwards every operation to its inner basic drawer, which it owns (taken coloured for a plain
/// list, given back with it) and answers from `getInnerDrawer`, the slot where the inner drawer
/// has `applyToFonts`. Reset recolours the inner drawer: selection (120, 120, 120), background
/// (51, 51, 51), line (243, 243, 243). Pooled (capacity 1000); the window skins build theirs with
/// `createWithColors`.
class Thin final : public IThin {
  S_POOLED_CLASS(Thin, u"s_gui_drawer_listbox_win_Thin")

  Thin();
  ~Thin() override;
  Thin(const Thin&) = delete;
  Thin& operator=(const Thin&) = delete;
  void reset() override;

  void paintBackground(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) override {
    m_inner->paintBackground(dc, left, top, right, bottom);
  }
  void paintRow(CDC* dc, ::s::image::win::BufferedImage* target, int32_t left, int32_t top,
                int32_t right, int32_t bottom, int32_t alignment, bool selected, bool focused,
                bool fullRowSelection, bool alternate, int32_t dropMark, int32_t dropMarkSide,
                bool wideDropMark, const WCHAR* text, IFont* font, IFont* selectedFont,
                int32_t level, bool treeGlyph, bool open, int32_t checkState,
                ::s::image::IImage* icon, bool underline, bool endEllipsis, int32_t progress,
                int32_t status, int32_t& textLeft, int32_t& textTop, int32_t& textRight,
                int32_t& textBottom) override {
    m_inner->paintRow(dc, target, left, top, right, bottom, alignment, selected, focused,
                      fullRowSelection, alternate, dropMark, dropMarkSide, wideDropMark, text, font,
                      selectedFont, level, treeGlyph, open, checkState, icon, underline,
                      endEllipsis, progress, status, textLeft, textTop, textRight, textBottom);
  }
  bool hitCheckBox(int32_t x, int32_t y, bool withTree, int32_t level) override {
    return m_inner->hitCheckBox(x, y, withTree, level);
  }
  bool hitTreeGlyph(int32_t x, int32_t y, int32_t level) override {
    return m_inner->hitTreeGlyph(x, y, level);
  }
  COLORREF getSelectionColor() override { return m_inner->getSelectionColor(); }
  int32_t setSelectionColor(int32_t red, int32_t green, int32_t blue) override {
    return m_inner->setSelectionColor(red, green, blue);
  }
  COLORREF getBackgroundColor() override { return m_inner->getBackgroundColor(); }
  int32_t getBackgroundRed() override { return m_inner->getBackgroundRed(); }
  int32_t getBackgroundGreen() override { return m_inner->getBackgroundGreen(); }
  int32_t getBackgroundBlue() override { return m_inner->getBackgroundBlue(); }
  int32_t setBackgroundColor(int32_t red, int32_t green, int32_t blue) override {
    return m_inner->setBackgroundColor(red, green, blue);
  }
  IBasic* getInnerDrawer() override { return m_inner; }
  IFontSetting* getFontSetting() override { return m_inner->getFontSetting(); }
  IFontSetting* getSelectedFontSetting() override { return m_inner->getSelectedFontSetting(); }
  int32_t setTextColor(int32_t red, int32_t green, int32_t blue) override {
    return m_inner->setTextColor(red, green, blue);
  }
  int32_t setSelectedTextColor(int32_t red, int32_t green, int32_t blue) override {
    return m_inner->setSelectedTextColor(red, green, blue);
  }
  int32_t getLineRed() override { return m_inner->getLineRed(); }
  int32_t getLineGreen() override { return m_inner->getLineGreen(); }
  int32_t getLineBlue() override { return m_inner->getLineBlue(); }
  COLORREF getLineColor() override { return m_inner->getLineColor(); }
  int32_t setLineColor(int32_t red, int32_t green, int32_t blue) override {
    return m_inner->setLineColor(red, green, blue);
  }

  /// A drawer from the pool with five colours applied in this order: background, text,
  /// selection, selected text, line. The caller releases it.
  static Thin* createWithColors(int32_t backgroundRed, int32_t backgroundGreen,
                                int32_t backgroundBlue, int32_t textRed, int32_t textGreen,
                                int32_t textBlue, int32_t selectionRed, int32_t selectionGreen,
                                int32_t selectionBlue, int32_t selectedRed, int32_t selectedGreen,
                                int32_t selectedBlue, int32_t lineRed, int32_t lineGreen,
                                int32_t lineBlue);

 private:
  Basic* m_inner;
};

}  // namespace s::gui::drawer::listbox::win
