// The toolkit's menu bar, headless at 96 DPI with a warm glyph cache: one hot change of a bar of
// four drop-down entries (File, View, Language, About), from the pointer's move over the next
// entry to the whole bar painted again through the default menu drawer and copied to the
// screen. Target: under 200 us, far inside the 10 ms timer that drives the hot tracking while a
// drop-down is open. The moves run on the window's UI thread, inside one user event each, so a
// figure also holds one cross-thread send.
#include "bench/widgets/BenchWindow.h"
#include "gui/win/Box.h"
#include "gui/win/MenuEx.h"
#include "gui/win/PopupMenu.h"
#include "gui/win/Window.h"
#include "skin/DefaultDrawers.h"

#include <windows.h>

#include <benchmark/benchmark.h>

#include <functional>
#include <utility>

namespace {

using namespace s::gui::win;

using lumetra::bench::OnUiThread;

PopupMenu* dropDown(const char16_t* title) {
  PopupMenu* menu = PopupMenu::take();
  menu->setTitle(title);
  s::gui::menuitem::MenuItem* item = s::gui::menuitem::MenuItem::take();
  item->commandId = 1;
  item->text->assign(u"Entry");
  menu->add(item);
  return menu;
}

void MenuBarHotChange(benchmark::State& state) {
  s::skin::installDefaultDrawers();
  Window* window = Window::take();
  window->setBounds(0, 0, 420, 300);
  window->show(true, false);
  Box* column = makeBox(1, 100, 100, 0, 0, 0, 0, 0, 0);
  window->add(column);
  MenuEx* bar = MenuEx::take();
  bar->setWidthPercent(100);
  for (const char16_t* title : {u"File", u"View", u"Language", u"About"}) {
    bar->addMenu(dropDown(title));
  }
  column->add(bar);
  window->sendUserEvent(0, 0, 0, 0);
  const HWND handle = bar->GetSafeHwnd();
  RECT screen;
  GetWindowRect(handle, &screen);
  POINT points[2];
  for (int i = 0; i < 2; ++i) {
    const RECT r = bar->getEntryRect(i);
    points[i] = POINT{screen.left + (r.left + r.right) / 2, screen.top + (r.top + r.bottom) / 2};
  }
  int next = 0;
  OnUiThread move([&] {
    SetCursorPos(points[next].x, points[next].y);
    SendMessageW(handle, WM_MOUSEMOVE, 0, 0);
    next = 1 - next;
  });
  window->addUserEventListener(&move);
  for (auto _ : state) {
    window->sendUserEvent(0, 0, 0, 0);
  }
  if (bar->getHotIndex() < 0) {
    state.SkipWithError("the pointer never made an entry hot");
  }
  window->release();
}
BENCHMARK(MenuBarHotChange)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
