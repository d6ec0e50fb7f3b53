// A listener for window tests that runs a function for each event it hears.
#pragma once

#include "gui/events/IEventListener.h"

#include <functional>
#include <utility>

namespace lumetra::testgui {

class Listener : public s::gui::events::IEventListener {
 public:
  explicit Listener(std::function<void(int32_t)> onHeard) : m_onHeard(std::move(onHeard)) {}
  void onEvent(s::base::IObject*, int32_t eventId) override { m_onHeard(eventId); }

 private:
  std::function<void(int32_t)> m_onHeard;
};

}  // namespace lumetra::testgui
