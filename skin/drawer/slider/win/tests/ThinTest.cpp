// The thin slider drawer: the hue gradient's end columns, linear gradients, thumb places with a
// minimum other than 0 and with an empty span, the fill band, two thumbs and disabled colours.
#include "skin/drawer/slider/win/Thin.h"

#include "winapi/testsupport/PaintCheck.h"

#include <windows.h>
#include <afxwin.h>

#include <gtest/gtest.h>

namespace {

using s::gui::drawer::slider::win::Thin;

class Page {
 public:
  Page(int width, int height) : canvas(width, height) {
    canvas.fill(0xFFFFFFFF);
    dc.Attach(canvas.dc());
  }
  ~Page() { dc.Detach(); }
  uint32_t rgb(int x, int y) const { return canvas.at(x, y) & 0xFFFFFF; }
  /// The first column, from the left, whose middle pixel has `color`; -1 when none.
  int firstColumn(uint32_t color, int y) const {
    for (int x = 0; x < canvas.width(); ++x) {
      if (rgb(x, y) == color) return x;
    }
    return -1;
  }
  Canvas canvas;
  CDC dc;
};

class SliderDrawer : public testing::Test {
 protected:
  void SetUp() override { drawer = Thin::take(); }
  void TearDown() override { drawer->release(); }
  Thin* drawer = nullptr;
};

TEST_F(SliderDrawer, HueGradientRunsFromZeroAtTheFirstColumnTo358AtTheLast) {
  drawer->setStyle(0);  // no frame and no thumbs, so every column shows
  Page page(362, 20);
  // The thumb sits at the far end, away from the first and last columns checked.
  drawer->paint(&page.dc, 0, 0, 362, 20, 0, 100, 50, false, 0, true, false, 0, 2, 100, 100);
  EXPECT_EQ(page.rgb(1, 10), 0xFF0000u);  // hue 0: red
  // Hue 358 at x = 360: red with a little blue.
  const uint32_t last = page.rgb(360, 10);
  EXPECT_EQ(last >> 16, 0xFFu);
  EXPECT_EQ((last >> 8) & 0xFF, 0u);
  EXPECT_GT(last & 0xFF, 0u);
  EXPECT_LT(last & 0xFF, 0x10u);
  EXPECT_EQ(page.rgb(0, 10), 0xFFFFFFu);
  EXPECT_EQ(page.rgb(361, 10), 0xFFFFFFu);
  // The thumb's own columns are skipped.
  EXPECT_EQ(page.rgb(176, 10), 0xFFFFFFu);

  EXPECT_EQ(Thin::gradientColor(1, 0, 10, 0x0000FF, 0xFF0000), 0x0000FFu);
  EXPECT_EQ(Thin::gradientColor(1, 10, 10, 0x0000FF, 0xFF0000), 0xFF0000u);
  EXPECT_EQ(Thin::gradientColor(7, 10, 10, 0, 0), 0xFFFFFFu);   // lightness 100
  EXPECT_EQ(Thin::gradientColor(4, 0, 10, 0, 100), 0x000000u);  // value 0
}

TEST_F(SliderDrawer, ThumbsAndFillCountFromTheMinimum) {
  drawer->setThumbColor(0, 0, 200);
  drawer->setFillColor(200, 0, 0);
  auto thumbAt = [&](int minimum, int maximum, int value) {
    Page page(110, 20);
    drawer->paint(&page.dc, 0, 0, 110, 20, minimum, maximum, value, false, minimum, true, false, 0,
                  0, 0, 0);
    // The first lit column after the track frame's left edge: the thumb's left edge, or its
    // right edge (x 9) when the left one lies on the frame.
    int x = 1;
    while (x < 109 && page.rgb(x, 10) == 0xFFFFFFu) ++x;
    return x;
  };
  EXPECT_EQ(thumbAt(50, 150, 50), 9);
  EXPECT_EQ(thumbAt(50, 150, 150), 100);
  EXPECT_EQ(thumbAt(50, 150, 100), 50);
  EXPECT_EQ(thumbAt(7, 7, 7), 9);        // an empty span puts the thumb at the start
  EXPECT_EQ(thumbAt(0, 100, 500), 100);  // values beyond the maximum stay on the track

  // The fill band from the minimum starts at x = 1 and ends at the thumb.
  Page page(110, 20);
  drawer->paint(&page.dc, 0, 0, 110, 20, 50, 150, 100, true, 50, true, false, 0, 0, 0, 0);
  EXPECT_EQ(page.firstColumn(0xC80000, 10), 1);
  EXPECT_EQ(page.rgb(49, 10), 0xC80000u);
  // From above the minimum it starts at its own place.
  Page above(110, 20);
  drawer->paint(&above.dc, 0, 0, 110, 20, 0, 100, 80, true, 50, true, false, 0, 0, 0, 0);
  EXPECT_EQ(above.firstColumn(0xC80000, 10), 55);
  // Two thumbs: the band lies between them.
  Page two(110, 20);
  drawer->paint(&two.dc, 0, 0, 110, 20, 0, 100, 20, true, 0, true, true, 80, 0, 0, 0);
  EXPECT_EQ(two.firstColumn(0xC80000, 10), 30);
  EXPECT_EQ(two.rgb(79, 10), 0xC80000u);
}

TEST_F(SliderDrawer, DisabledSlidersTakeTheDisabledColour) {
  drawer->setFillColor(200, 0, 0);
  drawer->setDisabledColor(0, 200, 0);
  Page page(110, 20);
  drawer->paint(&page.dc, 0, 0, 110, 20, 0, 100, 50, true, 0, false, false, 0, 0, 0, 0);
  EXPECT_EQ(page.rgb(10, 10), 0x00C800u);
  EXPECT_EQ(page.rgb(0, 10), 0x00C800u);  // the flat track frame too
  EXPECT_EQ(page.firstColumn(0xC80000, 10), -1);
  EXPECT_EQ(drawer->getFillRed(), 200);
}

}  // namespace
