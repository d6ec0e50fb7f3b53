// The system queries every start pays or a capture costs. Targets:
// - findOtherInstanceProcess with no other copy on the machine as it is: under 10 ms;
// - captureScreenRect(0, 0, 1920, 1080): under an X server at most 1.5 x a bare XGetImage of
//   the same rectangle in the same run; headless at most 2 x a memcpy of its bytes.
// Under X11 run it as  LUMETRA_DISPLAY=x11 xvfb-run -s "-screen 0 1920x1080x24"
// build/bin/bench_system The bare XGetImage is the peer's figure, taken straight from Xlib as a
// peer program would.
#include "imaging/win/BufferedImage.h"
#include "imaging/win/PlatformHooks.h"
#include "platform/system/monitor/win/Monitor.h"
#include "platform/system/win/RunningInstance.h"

#include <windows.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1920, kHeight = 1080;
constexpr int64_t kBytes = int64_t{kWidth} * kHeight * 4;

void BM_FindOtherInstanceProcess(benchmark::State& state) {
  for (auto _ : state) {
    uint32_t pid = 0;
    benchmark::DoNotOptimize(s::system::win::findOtherInstanceProcess(&pid));
  }
}
BENCHMARK(BM_FindOtherInstanceProcess)->Unit(benchmark::kMillisecond);

bool underX11() {
  const char* display = std::getenv("LUMETRA_DISPLAY");
  return display != nullptr && std::string(display) == "x11";
}

// A visible window over the whole primary screen, so a capture has pixels to read.
HWND screenWindow() {
  static HWND s_window = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = u"CaptureBench";
    wc.hbrBackground = CreateSolidBrush(RGB(30, 120, 200));
    RegisterClassExW(&wc);
    HWND hwnd = CreateWindowExW(0, u"CaptureBench", u"", WS_POPUP | WS_VISIBLE, 0, 0, kWidth,
                                kHeight, nullptr, nullptr, nullptr, nullptr);
    UpdateWindow(hwnd);
    MSG msg;
    for (int i = 0; i < 50; ++i) {
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      Sleep(10);
    }
    return hwnd;
  }();
  return s_window;
}

void BM_CaptureScreenRect(benchmark::State& state) {
  s::image::installPlatformHooks();
  screenWindow();
  for (auto _ : state) {
    s::image::win::BufferedImage* image =
        s::system::monitor::win::captureScreenRect(0, 0, kWidth, kHeight);
    if (image == nullptr) {
      state.SkipWithError("nothing captured");
      break;
    }
    image->release();
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
  state.SetLabel(underX11() ? "x11" : "headless");
}
BENCHMARK(BM_CaptureScreenRect)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BareXGetImage(benchmark::State& state) {
  if (!underX11()) {
    state.SkipWithError("needs LUMETRA_DISPLAY=x11 and an X server");
    return;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    state.SkipWithError("no X server");
    return;
  }
  for (auto _ : state) {
    XImage* image =
        XGetImage(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    benchmark::DoNotOptimize(image);
    if (image != nullptr) XDestroyImage(image);
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
  XCloseDisplay(display);
}
BENCHMARK(BM_BareXGetImage)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MemcpyOfTheScreensBytes(benchmark::State& state) {
  std::vector<uint8_t> from(static_cast<size_t>(kBytes), 7), to(static_cast<size_t>(kBytes));
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}
BENCHMARK(BM_MemcpyOfTheScreensBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
