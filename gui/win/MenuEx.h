// The toolkit's own-drawn menu bar: command and drop-down entries painted by a menu drawer, with
// its own hit testing and hot tracking, drop-downs opened below their entries and sliding from
// one open drop-down to the next.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/IMenuEx.h"
#include "gui/drawer/IMenu.h"
#include "gui/win/Font.h"
#include "gui/win/Widget.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace s::gui::drawer::menu {
class IBasic;
}

namespace s::gui::win {

class PopupMenu;

// clang-format off
inline constexpr WidgetClass kMenuExClass{kWindowClassName, WS_CHILD, 0, 0, 1000};
// clang-format on

/// A child window of the library class (pooled, capacity 1000) that paints its entries through
/// the set menu drawer, or through its own default one (`drawer::takeDefaultMenuDrawer`, kept for
/// its whole life) while none is set. Clicks between entries fall through to the window below.
///
/// A press on a drop-down entry opens its menu below the entry inside the press's handler: the
/// menu loop runs there, and a 10 ms timer keeps the bar's hot tracking alive meanwhile, so that
/// moving onto another drop-down entry closes the open menu and opens that one. A press within
/// 500 ms of a drop-down's closing opens nothing: it is the press that closed it. Command
/// entries fire on release over them. UI thread of the owner window only.
class MenuEx final : public Widget<IMenuEx, drawer::IMenu> {
  S_POOLED_CLASS(MenuEx, u"s_gui_win_MenuEx", kMenuExClass.poolCapacity)

  static constexpr UINT kAttachMessage = WM_APP + 2;
  static constexpr UINT_PTR kTrackTimer = 1;
  static constexpr UINT kTrackMs = 10;
  static constexpr int64_t kReopenGuardMs = 500;

  MenuEx();
  ~MenuEx() override;
  void reset() override;

  // IComponent
  int32_t getClientWidth() override { return getWidth() - m_leftInset - m_rightInset; }
  void setClientWidth(int32_t width) override { setWidth(width + m_leftInset + m_rightInset); }
  int32_t getClientHeight() override { return getHeight() - m_topInset - m_bottomInset; }
  void setClientHeight(int32_t height) override { setHeight(height + m_topInset + m_bottomInset); }
  int32_t getMinimumWidth() override;
  int32_t getMinimumHeight() override;
  int32_t getMinimumClientWidth() override;
  int32_t getMinimumClientHeight() override;
  int32_t getMaximumWidth() override;
  int32_t getMaximumHeight() override;
  int32_t getMaximumClientWidth() override {
    return getMaximumWidth() - m_leftInset - m_rightInset;
  }
  int32_t getMaximumClientHeight() override {
    return getMaximumHeight() - m_topInset - m_bottomInset;
  }
  using IMenuEx::setVisible;
  void setVisible(bool show, bool cascade) override;
  bool isEnabled() override { return true; }
  void setEnabled(bool) override {}

  // IMenuEx
  void setFontStyleCode(int32_t code) override;
  void setBold(bool on) override;
  void setUnderline(bool on) override;
  void setWidthPercent(int32_t percent) override;
  void setHeightPercent(int32_t percent) override;
  void setFixedWidth(int32_t width) override;
  void setFixedHeight(int32_t height) override;
  void setLeftInset(int32_t inset) override;
  void setRightInset(int32_t inset) override;
  void setTopInset(int32_t inset) override;
  void setBottomInset(int32_t inset) override;
  void setHorizontalInsets(int32_t inset) override;
  void setVerticalInsets(int32_t inset) override;
  void setEntrySpacing(int32_t x, int32_t y) override;
  void addItem(menuitem::MenuItem* item) override;
  void addMenu(PopupMenu* menu) override;
  bool contains(int32_t commandId) override;
  bool isChecked(int32_t commandId) override;
  void setChecked(int32_t commandId, bool checked) override;
  int32_t getSelectedId() override { return m_selectedId; }
  void addSelectionListener(events::IEventListener* listener) override;
  void select(int32_t commandId) override;
  void addLanguageListener(events::IEventListener* listener) override;
  void setDrawer(drawer::IMenu* drawer, bool owned) override { Widget::setDrawer(drawer, owned); }
  void setShrinkable(bool on) override { m_shrinkable = on; }
  void setComboStyle(bool on) override;
  void refreshTexts() override;
  void addOpenListener(events::IEventListener* listener) override;
  void setOpenOnHover(bool on) override { m_openOnHover = on; }
  void setLastEntryAtRight(bool on) override { m_lastEntryAtRight = on; }
  void setLastEntryAsLink(bool on) override { m_lastEntryAsLink = on; }

  bool preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) override;

  /// The drawer painting now: the set one, else the own one (null when none was installed).
  drawer::IMenu* getMenuDrawer();
  int32_t getEntryCount() const { return static_cast<int32_t>(m_entries.size()); }
  const WCHAR* getEntryText(int32_t index) const;
  /// An entry's rectangle as the drawer laid it out (client coordinates, before the last entry
  /// is moved to the right edge).
  RECT getEntryRect(int32_t index) const;
  /// The entry under the pointer now, -1 for none.
  int32_t hitTest();
  int32_t getHotIndex() const { return m_hotIndex; }
  bool isPressed() const { return m_pressed; }
  bool isDropDownOpen() const { return m_dropDownOpen; }
  /// When a drop-down last closed by the user's action (on the tick clock; 0: never).
  int64_t getLastCloseTime() const { return m_lastCloseTime; }
  Font* getNormalFont() { return &m_normalFont; }
  Font* getHotFont() { return &m_hotFont; }

 protected:
  drawer::IMenu* drawerOfSkin(drawer::ISkin* skin) override;
  void onDrawerChanged() override { applyFonts(); }
  void applyText() override {}
  void measure() override;
  void onLanguageChanged() override;
  bool paintsWithDrawer() override { return true; }
  void paintDrawer(CDC* dc, int32_t width, int32_t height) override;

 private:
  enum Kind : uint32_t { kCommand = 0, kDropDown = 1 };
  struct Entry {
    Kind kind;
    menuitem::MenuItem* item;
    PopupMenu* menu;
  };

  void applyFonts();
  void remeasure() { measureAndRelayout(); }
  void relayoutParent();
  const WCHAR* textOf(const Entry& entry);
  /// The entry texts as the drawer takes them, valid until the texts change.
  std::vector<const WCHAR*> textPointers() const;
  bool hotIsDropDown() const;
  void setHot(int32_t index);
  void capture();
  void onMouseMove();
  void onButtonDown();
  void onButtonUp();
  void openDropDown();
  void closeDropDown();
  bool reopenGuardOver() const;
  void tell(const std::vector<events::IEventListener*>& listeners, int32_t eventId);

  Font m_normalFont;
  Font m_hotFont;
  std::vector<Entry> m_entries;
  std::vector<std::u16string> m_entryTexts;
  std::vector<RECT> m_entryRects;
  int32_t m_hotIndex = -1;
  bool m_pressed = false;
  bool m_dropDownOpen = false;
  HWND m_menuWindow = nullptr;
  bool m_reopen = false;
  bool m_closingForSwitch = false;
  int64_t m_lastCloseTime = 0;
  std::vector<events::IEventListener*> m_selectionListeners;
  int32_t m_selectedId = -1;
  std::vector<events::IEventListener*> m_languageListeners;
  int32_t m_spacingX = 6;
  int32_t m_spacingY = 3;
  drawer::menu::IBasic* m_ownDrawer = nullptr;
  bool m_shrinkable = true;
  bool m_comboStyle = false;
  std::vector<events::IEventListener*> m_openListeners;
  bool m_openOnHover = false;
  bool m_lastEntryAtRight = false;
  bool m_lastEntryAsLink = false;
  int32_t m_leftInset = 0, m_rightInset = 0, m_topInset = 0, m_bottomInset = 0;
  int32_t m_minWidth = 0, m_minHeight = 0, m_maxWidth = 0, m_maxHeight = 0;
  int32_t m_widthPercent = -1, m_heightPercent = -1;
  int32_t m_fixedWidth = -1, m_fixedHeight = -1;
};

}  // namespace s::gui::win
