// Speed of texts: the basic text drawer painting a 20-character line with a warm glyph cache,
// plain and outlined, measuring it as one text and as lines of a wrapping font, a font's style
// code changed (its native font rebuilt) before each paint, and a font's text height. Targets:
// 150,000 plain paints, 25,000 outlined paints, 150,000 measurements and 75,000 wrapped
// line measurements per second; 100,000 style changes with a paint per second; a text height in
// at most 5 us.
#include "gui/win/Font.h"
#include "skin/drawer/text/win/Basic.h"

#include <windows.h>
#include <afxwin.h>

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

using s::gui::drawer::text::win::Basic;
using s::gui::win::Font;

constexpr const WCHAR kLine[] = u"Twenty characters ok";

/// A 32-bit memory context of 300 x 40 pixels to paint into.
class Surface {
 public:
  Surface() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 300;
    info.bmiHeader.biHeight = -40;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc.CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    m_bitmap = CreateDIBSection(dc.m_hDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_old = dc.SelectObject(m_bitmap);
  }
  ~Surface() {
    dc.SelectObject(m_old);
    DeleteObject(m_bitmap);
  }
  CDC dc;

 private:
  HBITMAP m_bitmap = nullptr;
  HGDIOBJ m_old = nullptr;
};

void paintLine(benchmark::State& state, int32_t effect) {
  Surface surface;
  Basic* drawer = Basic::take();
  Font font;
  font.setTextEffect(effect);
  drawer->paint(&surface.dc, 0, 0, 300, 40, kLine, &font);
  for (auto _ : state) {
    drawer->paint(&surface.dc, 0, 0, 300, 40, kLine, &font);
  }
  state.SetItemsProcessed(state.iterations());
  drawer->release();
}

void TextDrawerPaintPlain(benchmark::State& state) { paintLine(state, 0); }
BENCHMARK(TextDrawerPaintPlain)->Unit(benchmark::kMicrosecond);

void TextDrawerPaintOutlined(benchmark::State& state) { paintLine(state, 1); }
BENCHMARK(TextDrawerPaintOutlined)->Unit(benchmark::kMicrosecond);

void TextDrawerMeasureText(benchmark::State& state) {
  Surface surface;
  Basic* drawer = Basic::take();
  Font font;
  int32_t width = 0;
  int32_t height = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        drawer->measureText(&surface.dc, 0, 0, 300, 40, kLine, &font, width, height));
  }
  state.SetItemsProcessed(state.iterations());
  drawer->release();
}
BENCHMARK(TextDrawerMeasureText)->Unit(benchmark::kMicrosecond);

void TextDrawerMeasureWrappedLines(benchmark::State& state) {
  Surface surface;
  Basic* drawer = Basic::take();
  Font font;
  font.setWordWrap(true);
  int32_t minimumWidth = 0, minimumHeight = 0, preferredWidth = 0, preferredHeight = 0;
  for (auto _ : state) {
    drawer->measureLines(&surface.dc, kLine, &font, minimumWidth, minimumHeight, preferredWidth,
                         preferredHeight);
    benchmark::DoNotOptimize(minimumWidth);
  }
  state.SetItemsProcessed(state.iterations());
  drawer->release();
}
BENCHMARK(TextDrawerMeasureWrappedLines)->Unit(benchmark::kMicrosecond);

void FontStyleChangeAndPaint(benchmark::State& state) {
  Surface surface;
  Basic* drawer = Basic::take();
  Font font;
  int32_t code = 0;
  for (auto _ : state) {
    code = code == 0 ? 100 : 0;
    font.setStyleCode(code);
    drawer->paint(&surface.dc, 0, 0, 300, 40, kLine, &font);
  }
  state.SetItemsProcessed(state.iterations());
  drawer->release();
}
BENCHMARK(FontStyleChangeAndPaint)->Unit(benchmark::kMicrosecond);

void FontTextHeight(benchmark::State& state) {
  Font font;
  for (auto _ : state) {
    benchmark::DoNotOptimize(font.getTextHeight());
  }
}
BENCHMARK(FontTextHeight)->Unit(benchmark::kMicrosecond);

}  // namespace
