// A skin and a skinner for tests: the skin holds whatever drawers a test gives it, the skinner
// switches between skins and tells its listeners as the program's skinner does.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/ISkinner.h"
#include "gui/drawer/SkinSlots.h"
#include "gui/events/IEventListener.h"

#include <algorithm>
#include <vector>

namespace s::gui::drawer::test {

/// Fifteen plain slots and a name; releases nothing (the test owns the drawers).
class TestSkin final : public SkinSlots<DrawerOwnership::Borrowed> {
  S_POOLED_CLASS(TestSkin, u"s_gui_drawer_test_TestSkin")

  TestSkin() = default;
  void reset() override { clearSlots(); }
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
