// The toolkit's drop-down list: the system combo box with owner-drawn entries (headings,
// separator lines, per-item fonts), re-translated items, the list sized when it opens, and the
// closed face painted by a skin's combo drawer when one is set.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/IComboBox.h"
#include "gui/combobox/ComboBoxItem.h"
#include "gui/drawer/ICombo.h"
#include "gui/win/Font.h"
#include "gui/win/Widget.h"

#include <windows.h>
#include <afxwin.h>

#include <cstdint>
#include <vector>

namespace s::gui::win {

// clang-format off
inline constexpr WidgetClass kComboBoxClass{u"ComboBox", WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED,
                                            1020, 0, 1000};
// clang-format on

/// A combo box of `combobox::ComboBoxItem` entries (owned). The selection starts at -1; a box
/// created with items and no selection selects item 0 without telling the listeners. Selection
/// listeners get event 0 (not owned). The native part is a `CComboBox`-style control made on the
/// owner window's UI thread; every call belongs on that thread.
class ComboBox final : public Widget<IComboBox, drawer::ICombo> {
  S_POOLED_CLASS(ComboBox, u"s_gui_win_ComboBox", 1000)
  ComboBox();
  ~ComboBox() override;
  void reset() override;

  // IComboBox
  int32_t getItemCount() override { return static_cast<int32_t>(m_items.size()); }
  combobox::ComboBoxItem* getItem(int32_t index) override {
    return m_items[static_cast<size_t>(index)];
  }
  void addItem(combobox::ComboBoxItem* item) override;
  void insertItem(int32_t index, combobox::ComboBoxItem* item) override;
  combobox::ComboBoxItem* removeItem(combobox::ComboBoxItem* item) override;
  combobox::ComboBoxItem* removeItemAt(int32_t index) override;
  void deleteItem(combobox::ComboBoxItem* item) override;
  void deleteItemAt(int32_t index) override;
  void deleteItemByValue(int64_t value) override;
  void deleteFirstSelected() override;
  void select(int32_t index, bool notify) override;
  void selectByValue(int64_t value, bool notify) override;
  int32_t getSelectedIndex() override { return m_selected; }
  combobox::ComboBoxItem* getSelectedItem() override { return itemOrNull(m_selected); }
  int32_t getPreviousIndex() override { return m_previous; }
  combobox::ComboBoxItem* getPreviousItem() override { return itemOrNull(m_previous); }
  void setPerItemFonts(bool on) override { m_perItemFonts = on; }
  int32_t getFaceFontStyle() override { return m_faceFont.getStyleCode(); }
  void setFaceFontStyle(int32_t code) override;
  int32_t getFontStyle() override { return m_font.getStyleCode(); }
  void setFontStyle(int32_t code) override;
  const WCHAR* getFontFace() override { return m_font.getFaceName(); }
  void setFontFace(const WCHAR* name) override;
  int32_t getFontHeight() override { return m_font.getHeight(); }
  void setFontHeight(int32_t height) override;
  COLORREF getTextColor() override { return m_font.getTextColor(); }
  void setTextColor(int32_t red, int32_t green, int32_t blue) override;
  int32_t getFontWidth() override { return m_font.getWidth(); }
  void setFontWidth(int32_t width) override;
  bool isBold() override { return m_font.isBold(); }
  void setBold(bool on) override;
  bool isItalic() override { return m_font.isItalic(); }
  void setItalic(bool on) override;
  bool isUnderline() override { return m_font.isUnderline(); }
  void setUnderline(bool on) override;
  bool isStrikeOut() override { return m_font.isStrikeOut(); }
  void setStrikeOut(bool on) override;
  int32_t getFontWeight() override { return m_font.getWeight(); }
  void setFontWeight(int32_t weight) override;
  void setFullSize() override;
  void setWidthPercent(int32_t percent, bool relayoutParent) override;
  void setHeightPercent(int32_t percent, bool relayoutParent) override;
  void setFixedWidth(int32_t width, bool relayoutParent) override;
  void setFixedHeight(int32_t height, bool relayoutParent) override;
  void addSelectionListener(events::IEventListener* listener) override;
  void setDrawer(drawer::ICombo* drawer, bool owned) override { Widget::setDrawer(drawer, owned); }
  bool preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) override;
  void postWindowProc(LRESULT*, UINT, WPARAM, LPARAM) override {}

  // IComponent
  void setSizeWithinLimits(int32_t width, int32_t height) override;
  int32_t getMinimumWidth() override { return m_minWidth; }
  int32_t getMinimumHeight() override { return m_minHeight; }
  /// A fixed size, else the share of the parent's client size a percent asks for (never below
  /// the minimum), else the maximum set at creation.
  int32_t getMaximumWidth() override;
  int32_t getMaximumHeight() override;

  /// Whether the list is open, as the box last heard from its control.
  bool isDropped() const { return m_dropped; }
  /// The fonts of the closed face handed to a drawer (enabled and disabled).
  Font* getFaceFont() { return &m_faceFont; }
  Font* getDisabledFaceFont() { return &m_disabledFaceFont; }

 protected:
  drawer::ICombo* drawerOfSkin(drawer::ISkin* skin) override;
  void onDrawerChanged() override;
  void applyText() override {}
  void applySettings() override;
  void measure() override;
  void onLanguageChanged() override;
  void paintDrawer(CDC* dc, int32_t width, int32_t height) override;
  bool answersColorMessage() override { return false; }

 private:
  combobox::ComboBoxItem* itemOrNull(int32_t index) {
    return index >= 0 && index < getItemCount() ? m_items[static_cast<size_t>(index)] : nullptr;
  }
  void notifyListeners();
  void selectFirstSilently();
  void applyFont();
  HBRUSH answerBrush(HDC dc);
  void sizeList();
  void drawEntry(const DRAWITEMSTRUCT* dis);
  void firstDrawScroll();
  HFONT entryFont(const combobox::ComboBoxItem* item, bool bold);

  std::vector<combobox::ComboBoxItem*> m_items;
  int32_t m_selected = -1;
  int32_t m_previous = -1;
  /// The selection is the first item the native box showed when it was made, not a choice.
  bool m_onlyShown = false;
  std::vector<events::IEventListener*> m_listeners;
  bool m_notify = true;
  bool m_skinBackground = false;
  Font m_font;
  Font m_faceFont;
  Font m_disabledFaceFont;
  HBRUSH m_brush = nullptr;
  bool m_perItemFonts = false;
  bool m_dropped = false;
  int32_t m_firstDraws = 0;
  int32_t m_lastTop = -1;
  int32_t m_minWidth = 0, m_minHeight = 0, m_maxWidth = 0, m_maxHeight = 0;
  int32_t m_fixedWidth = -1, m_fixedHeight = -1;
  int32_t m_widthPercent = -1, m_heightPercent = -1;
};

}  // namespace s::gui::win
