// Speed of the widgets of the main window, headless at 96 DPI with a warm glyph cache. Targets:
// a Label painted through the text drawer in at most 50 us; the main window's labels, check
// box, progress bar, buttons and grip repainted together in under 1 ms; PBM_SETPOS that leaves
// the bar as drawn at least 1,000,000 times a second on the owning thread; `setPosition` and
// `setText` from a worker thread to the UI thread in at most 50 us each; the main window's status
// bar (250 wide: status and percent labels, progress bar, grip) repainted whole after a status
// text change in at most 0.3 ms. Paints are asked for through the window's user event, so each
// includes one cross-thread send.
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/CheckBox.h"
#include "gui/win/Label.h"
#include "gui/win/ProgressBar.h"
#include "gui/win/StatusBar.h"
#include "gui/win/Window.h"
#include "skin/DefaultDrawers.h"

#include <windows.h>
#include <commctrl.h>

#include <benchmark/benchmark.h>

#include <functional>
#include <utility>
#include <vector>

namespace {

using namespace s::gui::win;

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
    window = Window::take();
    window->setBounds(0, 0, 420, 300);
    window->show(true, false);
    column = makeBox(1, 100, 100, 0, 0, 0, 4, 4, 4);
    window->add(column);
  }
  ~BenchWindow() { window->release(); }
  BenchWindow(const BenchWindow&) = delete;
  BenchWindow& operator=(const BenchWindow&) = delete;
  Window* window;
  Box* column;
};

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
