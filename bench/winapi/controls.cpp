// The native controls' painting and the progress bar's cheap position updates, headless at
// 96 DPI with a warm glyph cache: WM_PAINT of each control at its usual size (target: at most
// 50 us each) and PBM_SETPOS that leaves the drawn bar unchanged on the owning thread (target: at
// least 1,000,000 per second, invalidating nothing). Run with LUMETRA_DISPLAY=headless.
// Measured on the 8-core AMD EPYC build machine under a load of about 40 (CPU time): push
// button 21 us, check box 20 us, radio button 27 us, static 20 us, progress bar 11 us;
// PBM_SETPOS 1.3 us (750,000 per second), the same as a send that only answers (PBM_GETPOS), so
// the send itself is what stands between this and the target. A 200 x 32 track bar with ticks
// (target: at most 20 us): 7.4 us under a load of about 4.
#include <windows.h>
#include <commctrl.h>

#include <benchmark/benchmark.h>

namespace {

HWND parent() {
  static HWND w = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = u"BenchControls";
    RegisterClassExW(&wc);
    INITCOMMONCONTROLSEX init{sizeof init, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&init);
    HWND h = CreateWindowExW(0, u"BenchControls", u"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                             400, 300, nullptr, nullptr, nullptr, nullptr);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    return h;
  }();
  return w;
}

// Invalidates the control and runs its WM_PAINT, as a repaint after a state change does.
void paintControl(benchmark::State& state, const char16_t* cls, DWORD style, int width, int height,
                  const char16_t* text, WPARAM position = 0) {
  HWND h = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 10, 10, width, height,
                           parent(), nullptr, nullptr, nullptr);
  if (position != 0) SendMessageW(h, PBM_SETPOS, position, 0);
  if (style == BS_AUTOCHECKBOX || style == BS_AUTORADIOBUTTON)
    SendMessageW(h, BM_SETCHECK, BST_CHECKED, 0);
  UpdateWindow(h);
  for (auto _ : state) {
    InvalidateRect(h, nullptr, FALSE);
    UpdateWindow(h);
  }
  DestroyWindow(h);
}

void BM_PaintPushButton(benchmark::State& state) {
  paintControl(state, u"Button", BS_DEFPUSHBUTTON, 100, 23, u"Advanced Options >>");
}
void BM_PaintCheckBox(benchmark::State& state) {
  paintControl(state, u"Button", BS_AUTOCHECKBOX, 120, 17, u"Keep on Top");
}
void BM_PaintRadioButton(benchmark::State& state) {
  paintControl(state, u"Button", BS_AUTORADIOBUTTON, 120, 17, u"Mono");
}
void BM_PaintStatic(benchmark::State& state) {
  paintControl(state, u"Static", SS_LEFT, 200, 13, u"Converting track 3 of 12");
}
void BM_PaintProgressBar(benchmark::State& state) {
  paintControl(state, PROGRESS_CLASSW, 0, 100, 16, nullptr, 37);
}

// A conversion's per-block report: the position moves within one chunk, so nothing repaints.
void BM_SetPosUnchanged(benchmark::State& state) {
  HWND h = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, 10, 10, 100, 16,
                           parent(), nullptr, nullptr, nullptr);
  SendMessageW(h, PBM_SETRANGE32, 0, 1000000);
  WPARAM pos = 500000;
  SendMessageW(h, PBM_SETPOS, pos, 0);
  UpdateWindow(h);
  for (auto _ : state) {
    SendMessageW(h, PBM_SETPOS, pos, 0);
    pos = pos == 500000 ? 500001 : 500000;
  }
  RECT update;
  if (GetUpdateRect(h, &update, FALSE))
    state.SkipWithError("PBM_SETPOS invalidated an unchanged bar");
  state.SetItemsProcessed(state.iterations());
  DestroyWindow(h);
}

// The cost of a send that does nothing but answer, to tell the send from PBM_SETPOS's own work.
void BM_GetPos(benchmark::State& state) {
  HWND h = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, 10, 10, 100, 16,
                           parent(), nullptr, nullptr, nullptr);
  for (auto _ : state) benchmark::DoNotOptimize(SendMessageW(h, PBM_GETPOS, 0, 0));
  state.SetItemsProcessed(state.iterations());
  DestroyWindow(h);
}

// A 200 x 32 track bar with ticks every 10.
void BM_PaintTrackbar(benchmark::State& state) {
  INITCOMMONCONTROLSEX init{sizeof init, ICC_BAR_CLASSES};
  InitCommonControlsEx(&init);
  HWND h =
      CreateWindowExW(0, TRACKBAR_CLASSW, nullptr, WS_CHILD | WS_VISIBLE | TBS_TOP | TBS_AUTOTICKS,
                      10, 10, 200, 32, parent(), nullptr, nullptr, nullptr);
  SendMessageW(h, TBM_SETTICFREQ, 10, 0);
  SendMessageW(h, TBM_SETPOS, TRUE, 35);
  UpdateWindow(h);
  for (auto _ : state) {
    InvalidateRect(h, nullptr, FALSE);
    UpdateWindow(h);
  }
  DestroyWindow(h);
}

BENCHMARK(BM_PaintPushButton);
BENCHMARK(BM_GetPos);
BENCHMARK(BM_PaintCheckBox);
BENCHMARK(BM_PaintRadioButton);
BENCHMARK(BM_PaintStatic);
BENCHMARK(BM_PaintProgressBar);
BENCHMARK(BM_SetPosUnchanged);
BENCHMARK(BM_PaintTrackbar);

}  // namespace
