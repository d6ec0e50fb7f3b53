// Speed of the widget drawers, each painting a 300 x 200 rectangle of a 32-bit memory context
// with a warm glyph cache, beside a plain FillRect of the same rectangle (the floor). Target:
// every drawer under 20 us. The thin drawers paint their own sizes, each beside a fill of that
// size: a 75 x 23 button with a five-letter label at most 25 us; "#X", "#Check" or "#Down" in a
// 14-pixel box at most 5 us; the 362-pixel hue gradient at most 60 us; a 17 x 300 scroll bar at
// most 15 us.
#include "gui/win/Font.h"
#include "platform/system/win/OsVersion.h"
#include "skin/drawer/ColorConversion.h"
#include "skin/drawer/border/win/Plain.h"
#include "skin/drawer/border/win/Thin.h"
#include "skin/drawer/border/win/UnderWindowMenu.h"
#include "skin/drawer/button/win/Thin.h"
#include "skin/drawer/combo/win/Thin.h"
#include "skin/drawer/groupbox/win/Basic.h"
#include "skin/drawer/listbox/win/Basic.h"
#include "skin/drawer/menu/win/Basic.h"
#include "skin/drawer/scrollbar/win/Thin.h"
#include "skin/drawer/slider/win/Thin.h"
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
// The surface holds the largest rectangle painted (the 362-pixel gradient, the 300-pixel bar).
constexpr int kSurfaceWidth = 400;
constexpr int kSurfaceHeight = 320;

/// A 32-bit memory context of 400 x 320 pixels to paint into.
class Surface {
 public:
  Surface() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kSurfaceWidth;
    info.bmiHeader.biHeight = -kSurfaceHeight;
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

/// The floor: a plain fill of a width x height rectangle (arguments 0 and 1).
void plainFill(benchmark::State& state) {
  Surface surface;
  HBRUSH brush = CreateSolidBrush(RGB(200, 200, 200));
  const RECT r{0, 0, static_cast<LONG>(state.range(0)), static_cast<LONG>(state.range(1))};
  for (auto _ : state) {
    FillRect(surface.dc.m_hDC, &r, brush);
  }
  DeleteObject(brush);
}
BENCHMARK(plainFill)
    ->Args({kWidth, kHeight})
    ->Args({75, 23})
    ->Args({14, 14})
    ->Args({362, 20})
    ->Args({17, 300});

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

void thinButton(benchmark::State& state) {
  Surface surface;
  auto* button = drawer::button::win::Thin::createWithColor(17, 17, 17);
  Font font;
  for (auto _ : state) {
    button->paint(&surface.dc, 0, 0, 75, 23, 1, u"Close", true, &font, true, false, true);
  }
  button->release();
}
BENCHMARK(thinButton);

void glyph(benchmark::State& state) {
  static const WCHAR* const kNames[] = {u"#X", u"#Check", u"#Down"};
  Surface surface;
  auto* button = drawer::button::win::Thin::createWithColor(17, 17, 17);
  const WCHAR* name = kNames[state.range(0)];
  for (auto _ : state) {
    benchmark::DoNotOptimize(button->paintGlyph(&surface.dc, 0, 0, 14, 14, name, 0, 0, 0));
  }
  button->release();
}
BENCHMARK(glyph)->Arg(0)->Arg(1)->Arg(2);

void hueGradient(benchmark::State& state) {
  Surface surface;
  auto* slider = drawer::slider::win::Thin::take();
  for (auto _ : state) {
    slider->paint(&surface.dc, 0, 0, 362, 20, 0, 359, 120, false, 0, true, false, 0, 2, 100, 100);
  }
  slider->release();
}
BENCHMARK(hueGradient);

void scrollBar(benchmark::State& state) {
  Surface surface;
  auto* bar = drawer::scrollbar::win::Thin::take();
  for (auto _ : state) {
    bar->paint(&surface.dc, 0, 0, 17, 300, 1, 100, 20, 30, false, 0, 1, 0, false, 0, 0, 0);
  }
  bar->release();
}
BENCHMARK(scrollBar);

}  // namespace
