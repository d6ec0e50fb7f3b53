// Painting speed: BitBlt SRCCOPY and the ExtTextOutW ETO_OPAQUE fill of a 1920 x 1080 surface
// against memcpy of the same bytes, and DrawTextW of a 20-character line with a warm glyph
// cache. Targets: the blit and the fill at no less than half of memcpy's bandwidth; 100,000
// lines of text per second or more.
// Layout of child windows: one layout (every child moved and sized once) and one repaint of a
// shown window with 30 and with 1,000 children. Target: 1,000 children laid out and repainted in
// 30 ms or less, and 30 children as fast as before (about 0.5 ms for the layout and the
// repaint together).
#include <windows.h>

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 1920, kHeight = 1080;
constexpr int64_t kBytes = int64_t{kWidth} * kHeight * 4;

struct Surface {
  explicit Surface(int width = kWidth, int height = kHeight) {
    BITMAPINFO info{};
    info.bmiHeader =
        BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    old = SelectObject(dc, bitmap);
  }
  ~Surface() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
  void* bits = nullptr;
};

void Memcpy1080p(benchmark::State& state) {
  std::vector<uint32_t> from(kWidth * kHeight, 0x12345678), to(kWidth * kHeight);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), static_cast<size_t>(kBytes));
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}
BENCHMARK(Memcpy1080p);

void BitBltSrcCopy1080p(benchmark::State& state) {
  Surface from, to;
  for (auto _ : state) {
    BitBlt(to.dc, 0, 0, kWidth, kHeight, from.dc, 0, 0, SRCCOPY);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}
BENCHMARK(BitBltSrcCopy1080p);

void ExtTextOutOpaqueFill1080p(benchmark::State& state) {
  Surface to;
  RECT all{0, 0, kWidth, kHeight};
  SetBkColor(to.dc, RGB(240, 240, 240));
  for (auto _ : state) {
    ExtTextOutW(to.dc, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}
BENCHMARK(ExtTextOutOpaqueFill1080p);

void DrawTextLineWarmCache(benchmark::State& state) {
  Surface to(400, 40);
  LOGFONTW lf{};
  lf.lfHeight = -13;
  lf.lfWeight = FW_NORMAL;
  std::memcpy(lf.lfFaceName, u"MS Shell Dlg 2", sizeof(u"MS Shell Dlg 2"));
  HFONT font = CreateFontIndirectW(&lf);
  SelectObject(to.dc, font);
  SetBkMode(to.dc, TRANSPARENT);
  const char16_t* line = u"Converting track 12.";  // 20 characters
  RECT r{0, 0, 400, 40};
  DrawTextW(to.dc, line, 20, &r, DT_SINGLELINE | DT_NOPREFIX);  // warms the glyph cache
  for (auto _ : state) {
    RECT each = r;
    DrawTextW(to.dc, line, 20, &each, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
  SelectObject(to.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(font);
}
BENCHMARK(DrawTextLineWarmCache);

LRESULT CALLBACK childProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    FillRect(dc, &r, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// A shown 1000 x 800 window with `count` children in a grid of 20-pixel cells.
struct ChildWindows {
  explicit ChildWindows(int count) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = childProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = u"BenchChild";
    RegisterClassExW(&wc);
    top = CreateWindowExW(0, u"BenchChild", u"Bench",
                          WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 1000, 800,
                          nullptr, nullptr, nullptr, nullptr);
    for (int i = 0; i < count; ++i) {
      children.push_back(CreateWindowExW(0, u"BenchChild", u"", WS_CHILD | WS_VISIBLE, 0, 0, 18, 18,
                                         top, nullptr, nullptr, nullptr));
    }
    layout(0);
    pump();
  }
  ~ChildWindows() { DestroyWindow(top); }
  // Columns of 40 cells; `shift` moves every child, so each layout changes every bound.
  void layout(int shift) {
    for (size_t i = 0; i < children.size(); ++i) {
      int x = static_cast<int>(i % 40) * 24 + shift, y = static_cast<int>(i / 40) * 24;
      SetWindowPos(children[i], nullptr, x, y, 20, 20, SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  void repaint() {
    RedrawWindow(top, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
  static void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  HWND top;
  std::vector<HWND> children;
};

void ChildLayout(benchmark::State& state) {
  ChildWindows w(static_cast<int>(state.range(0)));
  int shift = 0;
  for (auto _ : state) {
    w.layout(++shift & 1);
    ChildWindows::pump();
  }
}
BENCHMARK(ChildLayout)->Arg(30)->Arg(1000)->Unit(benchmark::kMillisecond);

void ChildRepaint(benchmark::State& state) {
  ChildWindows w(static_cast<int>(state.range(0)));
  for (auto _ : state) w.repaint();
}
BENCHMARK(ChildRepaint)->Arg(30)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
