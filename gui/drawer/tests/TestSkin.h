// A skin and a skinner for tests: the skin holds whatever drawers a test gives it, the skinner
// switches between skins and tells its listeners as the program's skinner does.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/ISkin.h"
#include "gui/drawer/ISkinner.h"
#include "gui/events/IEventListener.h"

#include <algorithm>
#include <string>
#include <vector>

namespace s::gui::drawer::test {

/// Fifteen plain slots and a name; releases nothing (the test owns the drawers).
class TestSkin final : public ISkin {
  S_POOLED_CLASS(TestSkin, u"s_gui_drawer_test_TestSkin")

  TestSkin() = default;
  void reset() override {
    m_name.clear();
    m_window = nullptr;
    m_button = nullptr;
    m_text = nullptr;
    m_scrollBar = nullptr;
    m_checkBox = nullptr;
    m_radioButton = nullptr;
    m_slider = nullptr;
    m_counter = nullptr;
    m_listHeader = nullptr;
    m_listBox = nullptr;
    m_statusBar = nullptr;
    m_menu = nullptr;
    m_combo = nullptr;
    m_groupBox = nullptr;
    m_tabBox = nullptr;
  }

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

 private:
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

/// Holds skins it does not own; `select` makes one current and tells every listener with
/// `onEvent(this, 0)`, on the calling thread.
class TestSkinner final : public ISkinner {
  S_POOLED_CLASS(TestSkinner, u"s_gui_drawer_test_TestSkinner")

  TestSkinner() = default;
  void reset() override {
    m_current = nullptr;
    m_listeners.clear();
  }
  ISkin* getCurrentSkin() override { return m_current; }
  void addListener(events::IEventListener* listener) override { m_listeners.push_back(listener); }
  void removeListener(events::IEventListener* listener) override {
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener),
                      m_listeners.end());
  }
  void select(ISkin* skin) {
    m_current = skin;
    const std::vector<events::IEventListener*> listeners = m_listeners;
    for (events::IEventListener* listener : listeners) {
      listener->onEvent(this, 0);
    }
  }
  bool isListening(events::IEventListener* listener) const {
    return std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end();
  }

 private:
  ISkin* m_current = nullptr;
  std::vector<events::IEventListener*> m_listeners;
};

}  // namespace s::gui::drawer::test
