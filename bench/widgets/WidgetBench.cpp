// Speed of the widgets of the main window, headless at 96 DPI with a warm glyph cache. Targets:
// a Label painted through the text drawer in at most 50 us; the main window's labels, check
// box, progress bar, buttons and grip repainted together in under 1 ms; PBM_SETPOS that leaves
// the bar as drawn at least 1,000,000 times a second on the owning thread; `setPosition` and
// `setText` from a worker thread to the UI thread in at most 50 us each; the main window's status
// bar (250 wide: status and percent labels, progress bar, grip) repainted whole after a status
// text change in at most 0.3 ms. Paints are asked for through the window's user event, so each
// includes one cross-thread send. Skinned: a window
// laid out like the version window (frame, background, three buttons, eight labels) from
// invalidation to a finished surface at most 2 ms at scale 1 and 6 ms at scale 2; a skin change
// heard by 30 widgets, all repainted, at most 16.7 ms.
#include "bench/widgets/BenchWindow.h"
#include "gui/app/AppHooks.h"
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/CheckBox.h"
#include "gui/win/Label.h"
#include "gui/win/ProgressBar.h"
#include "gui/win/StatusBar.h"
#include "gui/win/Window.h"
#include "skin/DefaultDrawers.h"
#include "skin/drawer/Skinner.h"

#include <windows.h>
#include <commctrl.h>

#include <benchmark/benchmark.h>

#include <functional>
#include <utility>
#include <vector>

namespace {

using namespace s::gui::win;

using lumetra::bench::BenchWindow;
using lumetra::bench::OnUiThread;

void LabelPaint(benchmark::State& state) {
  BenchWindow w;
  Label* label = makeLabel(u"Ready to convert 12 files", false, true, 0);
  w.column->add(label);
  label->setSize(200, 13);
  OnUiThread paint([&] { label->repaint(); });
  w.window->addUserEventListener(&paint);
  for (auto _ : state) {
    w.window->sendUserEvent(0, 0, 0, 0);
  }
}
BENCHMARK(LabelPaint)->UseRealTime()->Unit(benchmark::kMicrosecond);

void MainWindowWidgetsRepaint(benchmark::State& state) {
  BenchWindow w;
  std::vector<s::gui::IComponent*> widgets;
  Label* status = makeLabel(u"Ready", false, true, 100001);
  Label* percent = makeLabel(u"37 %", false, false, 0);
  Label* link = makeLabel(u"tovi", false, false, 0);
  link->setClickable(true);
  CheckBox* onTop = CheckBox::take();
  onTop->setText(u"Keep on Top");
  ProgressBar* bar = ProgressBar::take();
  bar->setFixedWidth(100);
  bar->setFixedHeight(16);
  bar->setRange(0, 1000);
  bar->setPosition(370);
  Button* view = Button::take();
  view->setText(u"Advanced Options >>");
  Button* cancel = Button::take();
  cancel->setText(u"Cancel");
  Button* grip = Button::take();
  grip->setText(u"#Resizer");
  grip->setFixedWidth(14);
  grip->setFixedHeight(14);
  for (s::gui::IComponent* c : std::initializer_list<s::gui::IComponent*>{
           status, percent, link, onTop, bar, view, cancel, grip}) {
    w.column->add(c);
    widgets.push_back(c);
  }
  OnUiThread paint([&] {
    for (s::gui::IComponent* c : widgets) {
      c->repaint();
    }
  });
  w.window->addUserEventListener(&paint);
  for (auto _ : state) {
    w.window->sendUserEvent(0, 0, 0, 0);
  }
}
BENCHMARK(MainWindowWidgetsRepaint)->UseRealTime()->Unit(benchmark::kMicrosecond);

void UnchangedProgressPosition(benchmark::State& state) {
  BenchWindow w;
  ProgressBar* bar = ProgressBar::take();
  bar->setFixedWidth(100);
  bar->setFixedHeight(16);
  bar->setRange(0, 32767);
  w.column->add(bar);
  constexpr int kSends = 10000;
  // Positions 1000 and 1001 of 32767 fill the same width of a 96-pixel bar.
  OnUiThread send([&] {
    const HWND control = bar->GetSafeHwnd();
    for (int i = 0; i < kSends; ++i) {
      ::SendMessageW(control, PBM_SETPOS, 1000 + (i & 1), 0);
    }
  });
  w.window->addUserEventListener(&send);
  for (auto _ : state) {
    w.window->sendUserEvent(0, 0, 0, 0);
  }
  state.SetItemsProcessed(state.iterations() * kSends);
}
BENCHMARK(UnchangedProgressPosition)->UseRealTime()->Unit(benchmark::kMillisecond);

void ProgressPositionFromWorker(benchmark::State& state) {
  BenchWindow w;
  ProgressBar* bar = ProgressBar::take();
  bar->setFixedWidth(100);
  bar->setFixedHeight(16);
  bar->setRange(0, 1000);
  w.column->add(bar);
  int32_t position = 0;
  for (auto _ : state) {
    bar->setPosition(position);
    position = (position + 1) % 1000;
  }
}
BENCHMARK(ProgressPositionFromWorker)->UseRealTime()->Unit(benchmark::kMicrosecond);

void LabelTextFromWorker(benchmark::State& state) {
  BenchWindow w;
  Label* label = makeLabel(u"Converting", false, true, 0);
  w.column->add(label);
  bool odd = false;
  for (auto _ : state) {
    label->setText(odd ? u"Converting 1 of 2" : u"Converting 2 of 2", true);
    odd = !odd;
  }
}
BENCHMARK(LabelTextFromWorker)->UseRealTime()->Unit(benchmark::kMicrosecond);

class Scale : public s::app::IAppHooks {
 public:
  explicit Scale(uint32_t scale) : m_scale(scale) {}
  uint32_t getDisplayScale() override { return m_scale; }

 private:
  uint32_t m_scale;
};

/// A shown window with the "ThinWindow" catalogue's "Classic LG" skin and a column box.
struct SkinnedWindow {
  explicit SkinnedWindow(int width, int height) {
    s::skin::installDefaultDrawers();
    skinner = s::gui::drawer::Skinner::take();
    skinner->setTypeName(u"ThinWindow");
    skinner->registerSkins();
    skinner->selectSkinByName(u"Classic LG");
    window = Window::take();
    window->setSkinner(skinner);
    window->setBounds(0, 0, width, height);
    window->show(true, false);
    column = makeBox(1, 100, 100, 0, 0, 0, 4, 8, 8);
    window->add(column);
  }
  ~SkinnedWindow() {
    window->release();
    skinner->release();
  }
  SkinnedWindow(const SkinnedWindow&) = delete;
  SkinnedWindow& operator=(const SkinnedWindow&) = delete;
  s::gui::drawer::Skinner* skinner;
  Window* window;
  Box* column;
};

/// The version window's layout at display scale 1 or 2 (the argument), repainted whole.
void versionWindowRepaint(benchmark::State& state) {
  const auto scale = static_cast<uint32_t>(state.range(0));
  Scale hooks(scale);
  s::app::setAppHooks(&hooks);
  {
    SkinnedWindow w(340 * static_cast<int>(scale), 285 * static_cast<int>(scale));
    Button* close = Button::take();
    close->setText(u"#X");
    close->setFixedWidth(14);
    close->setFixedHeight(14);
    w.column->add(close);
    // Eight lines of text, the first standing for the panel under the title.
    Label* panel = makeLabel(u"Lumetra", false, false, 0);
    w.column->add(panel);
    for (const WCHAR* text : {u"Version 1.0.0", u"Copyright", u"All rights reserved", u"Web site",
                              u"Licence", u"Credits", u"Third-party libraries"}) {
      w.column->add(makeLabel(text, false, true, 0));
    }
    Box* row = makeBox(0, 100, -1, 1, 0, 6, 0, 0, 0);
    for (const WCHAR* text : {u"Web site", u"Licence"}) {
      Button* button = Button::take();
      button->setText(text);
      row->add(button);
    }
    w.column->add(row);
    // The whole surface: the frame, the background and every child.
    OnUiThread paint([&] {
      ::RedrawWindow(w.window->getHandle(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    });
    w.window->addUserEventListener(&paint);
    for (auto _ : state) {
      w.window->sendUserEvent(0, 0, 0, 0);
    }
  }
  s::app::setAppHooks(nullptr);
}
BENCHMARK(versionWindowRepaint)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMicrosecond);

/// A skin change heard by the window and 30 buttons, each repainting with its new drawer.
void skinChangeWithThirtyWidgets(benchmark::State& state) {
  SkinnedWindow w(400, 500);
  Box* grid = makeBox(2, 100, 100, 0, 0, 4, 4, 0, 0);
  for (int i = 0; i < 30; ++i) {
    Button* button = Button::take();
    button->setText(u"Skin");
    grid->add(button);
  }
  w.column->add(grid);
  int32_t next = 0;
  OnUiThread change([&] {
    next = (next + 1) % w.skinner->getSkinCount();
    w.skinner->selectSkin(next);
    ::UpdateWindow(w.window->getHandle());
    ::RedrawWindow(w.window->getHandle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  });
  w.window->addUserEventListener(&change);
  for (auto _ : state) {
    w.window->sendUserEvent(0, 0, 0, 0);
  }
}
BENCHMARK(skinChangeWithThirtyWidgets)->UseRealTime()->Unit(benchmark::kMicrosecond);

void StatusBarAfterTextChange(benchmark::State& state) {
  BenchWindow w;
  w.window->setClientWidth(250);
  // The converter window's bar: the text box with the status and percent labels, and the
  // progress box, in the item box beside the grip.
  StatusBar* statusBar = makeStatusBar(2, 2);
  Box* text = makeBox(0, 100, 100, 0, 1, 0, 0, 2, 0);
  Label* status = makeLabel(u"Ready", false, true, 100001);
  Label* percent = makeLabel(u"", false, false, 100001);
  text->add(status);
  text->add(percent);
  Box* progressBox = makeBox(0, -1, 100, 0, 1, 0, 0, 2, 0);
  ProgressBar* progress = ProgressBar::take();
  progress->setFixedWidth(100);
  progress->setFixedHeight(16);
  progress->setRange(0, 1000);
  progress->setPosition(370);
  progressBox->add(progress);
  statusBar->add(text);
  statusBar->add(progressBox);
  w.window->add(statusBar);
  const HWND bar = statusBar->GetSafeHwnd();
  bool odd = false;
  OnUiThread change([&] {
    status->setText(odd ? u"song one.mp3" : u"song two.mp3", false);
    ::RedrawWindow(bar, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    odd = !odd;
  });
  w.window->addUserEventListener(&change);
  for (auto _ : state) {
    w.window->sendUserEvent(0, 0, 0, 0);
  }
}
BENCHMARK(StatusBarAfterTextChange)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
