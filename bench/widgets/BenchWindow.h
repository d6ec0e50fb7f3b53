// What the widget benchmarks share: a shown window with a column box, and a listener that runs
// a step on the window's UI thread for each user event (so each step includes one cross-thread
// send).
#pragma once

#include "gui/win/Box.h"
#include "gui/win/Window.h"
#include "skin/DefaultDrawers.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <utility>

namespace lumetra::bench {

/// Runs a function on the window's UI thread for each user event.
class OnUiThread : public s::gui::events::IEventListener {
 public:
  explicit OnUiThread(std::function<void()> run) : m_run(std::move(run)) {}
  void onEvent(s::base::IObject*, int32_t) override { m_run(); }

 private:
  std::function<void()> m_run;
};

/// A shown window with a column box, released with the holder.
struct BenchWindow {
  BenchWindow() {
    s::skin::installDefaultDrawers();
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&init);
    window = s::gui::win::Window::take();
    window->setBounds(0, 0, 420, 300);
    window->show(true, false);
    column = s::gui::win::makeBox(1, 100, 100, 0, 0, 0, 4, 4, 4);
    window->add(column);
  }
  ~BenchWindow() { window->release(); }
  BenchWindow(const BenchWindow&) = delete;
  BenchWindow& operator=(const BenchWindow&) = delete;
  s::gui::win::Window* window;
  s::gui::win::Box* column;
};

}  // namespace lumetra::bench
