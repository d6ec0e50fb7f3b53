// Speed of the widget drawers, each painting a 300 x 200 rectangle of a 32-bit memory context
// with a warm glyph cache, beside a plain FillRect of the same rectangle (the floor). Target:
// every drawer under 20 us.
#include "gui/win/Font.h"
#include "platform/system/win/OsVersion.h"
#include "skin/drawer/ColorConversion.h"
#include "skin/drawer/border/win/Plain.h"
#include "skin/drawer/border/win/Thin.h"
#include "skin/drawer/border/win/UnderWindowMenu.h"
#include "skin/drawer/combo/win/Thin.h"
#include "skin/drawer/groupbox/win/Basic.h"
#include "skin/drawer/listbox/win/Basic.h"
#include "skin/drawer/menu/win/Basic.h"
#include "skin/drawer/statusbar/win/Basic.h"
#include "skin/drawer/statusbar/win/BasicResizer.h"

#include <windows.h>
#include <afxwin.h>

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

using s::gui::win::Font;
namespace drawer = s::gui::drawer;

constexpr int kWidth = 300;
constexpr int kHeight = 200;

/// A 32-bit memory context of 300 x 200 pixels to paint into.
class Surface {
 public:
  Surface() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
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

void plainFill(benchmark::State& state) {
  Surface surface;
  HBRUSH brush = CreateSolidBrush(RGB(200, 200, 200));
  const RECT r{0, 0, kWidth, kHeight};
  for (auto _ : state) {
    FillRect(surface.dc.m_hDC, &r, brush);
  }
  DeleteObject(brush);
}
BENCHMARK(plainFill);

void underWindowMenu(benchmark::State& state) {
  Surface surface;
  auto* line = drawer::border::win::UnderWindowMenu::take();
  for (auto _ : state) {
    line->paint(&surface.dc, 0, 0, kWidth, kHeight);
  }
  line->release();
}
BENCHMARK(underWindowMenu);

void plainBorder(benchmark::State& state) {
  Surface surface;
  auto* border = drawer::border::win::Plain::take();
  border->setColor(145, 155, 156);
  for (auto _ : state) {
    border->paint(&surface.dc, 0, 0, kWidth, kHeight);
  }
  border->release();
}
BENCHMARK(plainBorder);

/// The thin border in its busiest case, the hot look with rounded corners (arg 0: style 2 at
/// scale 1; every style paints a few dozen fills at most).
void thinBorder(benchmark::State& state) {
  Surface surface;
  auto* border = drawer::border::win::Thin::take();
  const auto style = static_cast<int32_t>(state.range(0));
  for (auto _ : state) {
    border->paint(&surface.dc, 0, 0, kWidth, kHeight, 0, style, 120, 140, 160);
  }
  border->release();
}
BENCHMARK(thinBorder)->Arg(0)->Arg(1)->Arg(2);

void groupBoxBasic(benchmark::State& state) {
  Surface surface;
  auto* box = drawer::groupbox::win::Basic::take();
  Font font;
  box->applyToFonts(&font, nullptr);
  for (auto _ : state) {
    box->paint(&surface.dc, 0, 0, kWidth, kHeight, u"Drop Box", &font, 44, 13);
  }
  box->release();
}
BENCHMARK(groupBoxBasic);

void comboThin(benchmark::State& state) {
  Surface surface;
  auto* combo = drawer::combo::win::Thin::take();
  Font font;
  combo->applyToFonts(&font, nullptr);
  for (auto _ : state) {
    combo->paint(&surface.dc, 0, 0, kWidth, kHeight, 1, u"Volume", &font, true);
  }
  combo->release();
}
BENCHMARK(comboThin);

/// The main window's bar: four entries, the second one hot.
void menuBasicBar(benchmark::State& state) {
  Surface surface;
  auto* menu = drawer::menu::win::Basic::take();
  Font font, hot;
  menu->applyToFonts(&font, &hot);
  const WCHAR* entries[4] = {u"File", u"View", u"Language", u"About"};
  RECT rects[4];
  int32_t minW = 0, minH = 0, prefW = 0, prefH = 0;
  menu->layout(nullptr, entries, rects, 4, &font, minW, minH, prefW, prefH, 6, 3, false);
  for (auto _ : state) {
    menu->paint(&surface.dc, 0, 0, kWidth, kHeight, entries, rects, 4, &font, &hot, 6, 3, 1, false,
                false, false, false);
  }
  menu->release();
}
BENCHMARK(menuBasicBar);

void menuBasicLayout(benchmark::State& state) {
  auto* menu = drawer::menu::win::Basic::take();
  Font font;
  const WCHAR* entries[4] = {u"File", u"View", u"Language", u"About"};
  RECT rects[4];
  int32_t minW = 0, minH = 0, prefW = 0, prefH = 0;
  for (auto _ : state) {
    menu->layout(nullptr, entries, rects, 4, &font, minW, minH, prefW, prefH, 6, 3, false);
  }
  menu->release();
}
BENCHMARK(menuBasicLayout);

/// The status bar with its gradient (as before Windows 6.0) and its grip: the most it paints.
void statusBarBasic(benchmark::State& state) {
  Surface surface;
  s::system::win::queryWindowsVersion();
  const bool saved = s::system::win::osAtLeast60;
  s::system::win::osAtLeast60 = false;
  auto* bar = drawer::statusbar::win::Basic::take();
  bar->setPaintBackground(true);
  bar->setShowGrip(true);
  for (auto _ : state) {
    bar->paint(&surface.dc, 0, 0, kWidth, kHeight);
  }
  bar->release();
  s::system::win::osAtLeast60 = saved;
}
BENCHMARK(statusBarBasic);

void statusBarResizer(benchmark::State& state) {
  Surface surface;
  auto* grip = drawer::statusbar::win::BasicResizer::take();
  for (auto _ : state) {
    grip->paint(&surface.dc, 0, 0, kWidth, kHeight);
  }
  grip->release();
}
BENCHMARK(statusBarResizer);

/// A list row with every part: tree glyph, check mark and text, selected.
void listBoxRow(benchmark::State& state) {
  Surface surface;
  auto* list = drawer::listbox::win::Basic::createWithSystemColors();
  Font font, selected;
  list->applyToFonts(&font, &selected);
  int32_t l = 0, t = 0, r = 0, b = 0;
  for (auto _ : state) {
    list->paintBackground(&surface.dc, 0, 0, kWidth, kHeight);
    list->paintRow(&surface.dc, nullptr, 0, 0, kWidth, kHeight, 0, true, true, false, false, 0, 0,
                   false, u"A row of the list", &font, &selected, 1, true, true, 2, nullptr, false,
                   true, -1, -1, l, t, r, b);
  }
  list->release();
}
BENCHMARK(listBoxRow);

/// The slider's hue gradient needs one conversion per column: 300 of them.
void hsvColumns(benchmark::State& state) {
  int32_t red = 0, green = 0, blue = 0;
  for (auto _ : state) {
    for (int x = 0; x < kWidth; ++x) {
      drawer::hsvToRgb(x * 359 / (kWidth - 1), 100, 100, red, green, blue);
      benchmark::DoNotOptimize(red + green + blue);
    }
  }
}
BENCHMARK(hsvColumns);

}  // namespace
