// Speed of the BMP save-option panel, headless at 96 DPI with a warm glyph cache. Target: the
// panel (about 20 widgets) built from its setting, placed in a shown window and painted for the
// first time in at most 15 ms. Taking the panel down again is not timed. Run with
// LUMETRA_DISPLAY=headless.
#include "bench/widgets/BenchWindow.h"
#include "gui/image/boxes/OptionPanels.h"
#include "gui/win/Box.h"
#include "gui/win/Window.h"
#include "imaging/bmp/EncodeSetting.h"
#include "imaging/gui/IEncodeSettingBox.h"
#include "skin/DefaultDrawers.h"

#include <windows.h>

#include <benchmark/benchmark.h>

#include <functional>
#include <utility>

namespace {

using namespace s::gui::win;

using lumetra::bench::OnUiThread;

void BmpPanelBuildAndFirstPaint(benchmark::State& state) {
  s::skin::installDefaultDrawers();
  s::image::gui::boxes::installOptionPanels();
  Window* window = Window::take();
  window->setBounds(0, 0, 480, 360);
  window->show(true, false);
  Box* column = makeBox(1, 100, 100, 0, 0, 0, 0, 0, 0);
  window->add(column);
  const HWND top = window->getHandle();
  s::image::bmp::EncodeSetting* setting = s::image::bmp::EncodeSetting::take();
  setting->setKeepTransparency(false);
  Box* root = nullptr;
  // Built, placed and painted on the window's thread, as a host dialog does it.
  OnUiThread build([&] {
    s::image::gui::IEncodeSettingBox* panel = setting->createPanel();
    panel->setOwnerWindow(window);
    root = panel->buildPanel();
    column->add(root);
    RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  });
  window->addUserEventListener(&build);
  for (auto _ : state) {
    window->sendUserEvent(0, 0, 0, 0);
    state.PauseTiming();
    column->remove(root, true);
    setting->reset();
    setting->setKeepTransparency(false);
    state.ResumeTiming();
  }
  setting->release();
  window->release();
}
BENCHMARK(BmpPanelBuildAndFirstPaint)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
