// The one layout of every skin: a name and fifteen drawer slots, which the skin kinds own and a
// test's skin only points at.
#pragma once

#include "core/thread/IPoolable.h"
#include "gui/drawer/IButton.h"
#include "gui/drawer/ICheckBox.h"
#include "gui/drawer/ICombo.h"
#include "gui/drawer/ICounter.h"
#include "gui/drawer/IGroupBox.h"
#include "gui/drawer/IListBox.h"
#include "gui/drawer/IListHeader.h"
#include "gui/drawer/IMenu.h"
#include "gui/drawer/IRadioButton.h"
#include "gui/drawer/IScrollBar.h"
#include "gui/drawer/ISkin.h"
#include "gui/drawer/ISlider.h"
#include "gui/drawer/IStatusBar.h"
#include "gui/drawer/ITabBox.h"
#include "gui/drawer/IText.h"
#include "gui/drawer/IWindow.h"

#include <string>

namespace s::gui::drawer {

/// Whether a skin owns the drawers in its slots, giving them back to their pools when its slots
/// are cleared, or only points at drawers that someone else keeps.
enum class DrawerOwnership { Owned, Borrowed };

/// The name and the fifteen drawer slots of a skin, in the skin's slot order. The plain setters
/// only store; `clearSlots` (the skin's reset, and its destruction) empties the name and the
/// slots, and an `Owned` skin gives every drawer that is set back to its pool first, so it must
/// hold only drawers it owns when it is reset.
template <DrawerOwnership kOwnership>
class SkinSlots : public ISkin {
 public:
  const WCHAR* getName() override { return m_name.c_str(); }
  void setName(const WCHAR* name) override { m_name = name != nullptr ? name : u""; }
  IWindow* getWindowDrawer() override { return m_window; }
  void setWindowDrawer(IWindow* drawer) override { m_window = drawer; }
  IButton* getButtonDrawer() override { return m_button; }
  void setButtonDrawer(IButton* drawer) override { m_button = drawer; }
  IText* getTextDrawer() override { return m_text; }
  void setTextDrawer(IText* drawer) override { m_text = drawer; }
  IScrollBar* getScrollBarDrawer() override { return m_scrollBar; }
  void setScrollBarDrawer(IScrollBar* drawer) override { m_scrollBar = drawer; }
  ICheckBox* getCheckBoxDrawer() override { return m_checkBox; }
  void setCheckBoxDrawer(ICheckBox* drawer) override { m_checkBox = drawer; }
  IRadioButton* getRadioButtonDrawer() override { return m_radioButton; }
  void setRadioButtonDrawer(IRadioButton* drawer) override { m_radioButton = drawer; }
  ISlider* getSliderDrawer() override { return m_slider; }
  void setSliderDrawer(ISlider* drawer) override { m_slider = drawer; }
  ICounter* getCounterDrawer() override { return m_counter; }
  void setCounterDrawer(ICounter* drawer) override { m_counter = drawer; }
  IListHeader* getListHeaderDrawer() override { return m_listHeader; }
  void setListHeaderDrawer(IListHeader* drawer) override { m_listHeader = drawer; }
  IListBox* getListBoxDrawer() override { return m_listBox; }
  void setListBoxDrawer(IListBox* drawer) override { m_listBox = drawer; }
  IStatusBar* getStatusBarDrawer() override { return m_statusBar; }
  void setStatusBarDrawer(IStatusBar* drawer) override { m_statusBar = drawer; }
  IMenu* getMenuDrawer() override { return m_menu; }
  void setMenuDrawer(IMenu* drawer) override { m_menu = drawer; }
  ICombo* getComboDrawer() override { return m_combo; }
  void setComboDrawer(ICombo* drawer) override { m_combo = drawer; }
  IGroupBox* getGroupBoxDrawer() override { return m_groupBox; }
  void setGroupBoxDrawer(IGroupBox* drawer) override { m_groupBox = drawer; }
  ITabBox* getTabBoxDrawer() override { return m_tabBox; }
  void setTabBoxDrawer(ITabBox* drawer) override { m_tabBox = drawer; }

 protected:
  SkinSlots() = default;
  ~SkinSlots() override { clearSlots(); }

  /// Empties the name and every slot, in slot order, giving owned drawers back.
  void clearSlots() {
    m_name.clear();
    clear(m_window);
    clear(m_button);
    clear(m_text);
    clear(m_scrollBar);
    clear(m_checkBox);
    clear(m_radioButton);
    clear(m_slider);
    clear(m_counter);
    clear(m_listHeader);
    clear(m_listBox);
    clear(m_statusBar);
    clear(m_menu);
    clear(m_combo);
    clear(m_groupBox);
    clear(m_tabBox);
  }

 private:
  template <typename Drawer>
  static void clear(Drawer*& drawer) {
    Drawer* held = drawer;
    drawer = nullptr;
    if constexpr (kOwnership == DrawerOwnership::Owned) {
      if (held != nullptr) {
        held->release();
      }
    }
  }

  std::u16string m_name;
  IWindow* m_window = nullptr;
  IButton* m_button = nullptr;
  IText* m_text = nullptr;
  IScrollBar* m_scrollBar = nullptr;
  ICheckBox* m_checkBox = nullptr;
  IRadioButton* m_radioButton = nullptr;
  ISlider* m_slider = nullptr;
  ICounter* m_counter = nullptr;
  IListHeader* m_listHeader = nullptr;
  IListBox* m_listBox = nullptr;
  IStatusBar* m_statusBar = nullptr;
  IMenu* m_menu = nullptr;
  ICombo* m_combo = nullptr;
  IGroupBox* m_groupBox = nullptr;
  ITabBox* m_tabBox = nullptr;
};

}  // namespace s::gui::drawer
