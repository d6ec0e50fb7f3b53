// Speed of the slider and the text field, headless at 96 DPI with a warm glyph cache. Targets: a
// 200 x 20 slider painted through the thin slider drawer (back buffer, drawer, BitBlt) in at
// most 50 us; one character typed into a text field of 100 characters, to painted, in at most
// 0.3 ms. Each step is asked for through the window's user event, so each includes one
// cross-thread send. Run with LUMETRA_DISPLAY=headless.
// Measured on the 8-core AMD EPYC build machine under a load of about 4 (real time): the thin
// slider with two thumbs, fill and gradient 47.5 us (40 us CPU), the native one 9.4 us; a typed
// character 26.8 us.
#include "bench/widgets/BenchWindow.h"
#include "gui/win/Box.h"
#include "gui/win/Slider.h"
#include "gui/win/TextField.h"
#include "gui/win/Window.h"
#include "skin/DefaultDrawers.h"
#include "skin/drawer/slider/win/Thin.h"

#include <windows.h>
#include <commctrl.h>

#include <benchmark/benchmark.h>

#include <functional>
#include <string>
#include <utility>

namespace {

using namespace s::gui::win;

using lumetra::bench::BenchWindow;
using lumetra::bench::OnUiThread;

void ThinSliderPaint(benchmark::State& state) {
  BenchWindow w;
  Slider* slider = makeSlider(-1, -1);
  slider->setFixedWidth(200);
  slider->setFixedHeight(20);
  slider->setTwoThumbs(true);
  slider->setPosition(20);
  slider->setSecondValue(70);
  slider->setShowFill(true);
  slider->setGradient(2, 100, 100);
  slider->setDrawer(s::gui::drawer::slider::win::Thin::take(), true);
  w.column->add(slider);
  OnUiThread paint([&] { slider->repaint(); });
  w.window->addUserEventListener(&paint);
  for (auto _ : state) {
    w.window->sendUserEvent(0, 0, 0, 0);
  }
}
BENCHMARK(ThinSliderPaint)->UseRealTime()->Unit(benchmark::kMicrosecond);

void NativeSliderPaint(benchmark::State& state) {
  BenchWindow w;
  Slider* slider = Slider::take();
  slider->setFixedWidth(200);
  slider->setFixedHeight(32);
  slider->setPosition(35);
  w.column->add(slider);
  OnUiThread paint([&] { slider->repaint(); });
  w.window->addUserEventListener(&paint);
  for (auto _ : state) {
    w.window->sendUserEvent(0, 0, 0, 0);
  }
}
BENCHMARK(NativeSliderPaint)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Typing and deleting in turn keeps the text at 100 characters, the caret at its end.
void TypedCharacter(benchmark::State& state) {
  BenchWindow w;
  TextField* field = TextField::take();
  field->setFixedWidth(300);
  const std::u16string text(100, u'a');
  field->setText(text.c_str(), false);
  w.column->add(field);
  const HWND control = field->GetSafeHwnd();
  ::SendMessageW(control, EM_SETSEL, 100, 100);
  bool typing = true;
  OnUiThread type([&] {
    ::SendMessageW(control, WM_CHAR, typing ? u'x' : VK_BACK, 1);
    typing = !typing;
  });
  w.window->addUserEventListener(&type);
  for (auto _ : state) {
    w.window->sendUserEvent(0, 0, 0, 0);
  }
}
BENCHMARK(TypedCharacter)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
