// The thin window drawer: what it paints after a reset and after colours are set, the shading
// runs of its corner styles, and the shapes of the regions it makes.
#include "skin/drawer/window/win/Thin.h"

#include "winapi/testsupport/PaintCheck.h"

#include <windows.h>
#include <afxwin.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using s::gui::drawer::window::win::Thin;

constexpr uint32_t kPaper = 0xFF00FF00;

class Page {
 public:
  Page(int width, int height) : canvas(width, height) {
    canvas.fill(kPaper);
    dc.Attach(canvas.dc());
  }
  ~Page() { dc.Detach(); }
  uint32_t rgb(int x, int y) const { return canvas.at(x, y) & 0xFFFFFF; }
  /// One row as text: 'B' border grey, 'W' the background, '.' untouched, '?' anything else.
  std::string row(int y, uint32_t border, uint32_t background) const {
    std::string out;
    for (int x = 0; x < canvas.width(); ++x) {
      const uint32_t c = canvas.at(x, y);
      out += c == kPaper                    ? '.'
             : (c & 0xFFFFFF) == border     ? 'B'
             : (c & 0xFFFFFF) == background ? 'W'
                                            : '?';
    }
    return out;
  }
  Canvas canvas;
  CDC dc;
};

class WindowDrawer : public testing::Test {
 protected:
  void SetUp() override { drawer = Thin::take(); }
  void TearDown() override { drawer->release(); }
  Thin* drawer = nullptr;
};

constexpr uint32_t kGrey = 0x787878;

TEST_F(WindowDrawer, ResetPaintsOnlyTheGreyFrameAndEmptyRectanglesNothing) {
  drawer->setBackgroundColor(1, 2, 3);
  drawer->setTopCornerStyle(2);
  drawer->release();
  drawer = Thin::take();  // the same object back from the pool, reset
  Page page(10, 6);
  drawer->paint(&page.dc, 0, 0, 0, 6);
  drawer->paint(&page.dc, 0, 0, 10, 0);
  EXPECT_EQ(page.row(0, kGrey, 0), "..........");
  drawer->paint(&page.dc, 0, 0, 10, 6);
  EXPECT_EQ(page.row(0, kGrey, 0), "BBBBBBBBBB");
  for (int y = 1; y < 5; ++y) EXPECT_EQ(page.row(y, kGrey, 0), "B........B") << y;
  EXPECT_EQ(page.row(5, kGrey, 0), "BBBBBBBBBB");
  EXPECT_FALSE(drawer->getThemeSystemFont(nullptr));
}

TEST_F(WindowDrawer, BackgroundIsPaintedOnceAColourIsSet) {
  EXPECT_EQ(drawer->setBackgroundColor(300, 20, 5), 44);
  EXPECT_EQ(drawer->getBackgroundColor(), 0x05142Cu);
  EXPECT_EQ(drawer->setBorderColor(1, 2, 3), 1);
  Page page(6, 4);
  drawer->paint(&page.dc, 0, 0, 6, 4);
  EXPECT_EQ(page.row(0, 0x010203, 0x2C1405), "BBBBBB");
  EXPECT_EQ(page.row(1, 0x010203, 0x2C1405), "BWWWWB");

  Thin* made = Thin::createWithColors(10, 20, 30, 40, 50, 60);
  EXPECT_EQ(made->getBorderRed() * 10000 + made->getBorderGreen() * 100 + made->getBorderBlue(),
            102030);
  EXPECT_EQ(made->getBackgroundRed(), 40);
  EXPECT_EQ(made->getBackgroundGreen(), 50);
  EXPECT_EQ(made->getBackgroundBlue(), 60);
  EXPECT_FALSE(made->isBackgroundTransparent());
  made->release();
}

TEST_F(WindowDrawer, CornerStylesShadeTheirRuns) {
  {
    // Style 1 on top only: two 2-pixel runs on the second row; the bottom stays plain.
    drawer->setTopCornerStyle(1);
    Page page(8, 6);
    drawer->paint(&page.dc, 0, 0, 8, 6);
    EXPECT_EQ(page.row(1, kGrey, 0), "BB....BB");
    EXPECT_EQ(page.row(4, kGrey, 0), "B......B");
  }
  {
    // Style 2 at both ends: rows of 5, 3, 2, 2, 1 at the top; the bottom right middle rows
    // start one pixel further left than a mirror would.
    drawer->setTopCornerStyle(2);
    drawer->setBottomCornerStyle(2);
    Page page(14, 14);
    drawer->paint(&page.dc, 0, 0, 14, 14);
    EXPECT_EQ(page.row(1, kGrey, 0), "BBBBB....BBBBB");
    EXPECT_EQ(page.row(2, kGrey, 0), "BBB........BBB");
    EXPECT_EQ(page.row(3, kGrey, 0), "BB..........BB");
    EXPECT_EQ(page.row(5, kGrey, 0), "B............B");
    EXPECT_EQ(page.row(8, kGrey, 0), "B............B");
    EXPECT_EQ(page.row(9, kGrey, 0), "BB..........BB");
    EXPECT_EQ(page.row(10, kGrey, 0), "BB.........BBB");
    EXPECT_EQ(page.row(11, kGrey, 0), "BBB.......BBBB");
    EXPECT_EQ(page.row(12, kGrey, 0), "BBBBB....BBBBB");
  }
  {
    // Mixed: style 1 wins, so a style-2 bottom is not shaded.
    drawer->setTopCornerStyle(1);
    drawer->setBottomCornerStyle(2);
    Page page(8, 8);
    drawer->paint(&page.dc, 0, 0, 8, 8);
    EXPECT_EQ(page.row(1, kGrey, 0), "BB....BB");
    EXPECT_EQ(page.row(6, kGrey, 0), "B......B");
  }
}

bool inside(HRGN region, int x, int y) { return PtInRegion(region, x, y) != FALSE; }

TEST_F(WindowDrawer, RegionsAreOnePixelLargerAndRoundedByStyle) {
  HRGN plain = drawer->createRegion(0, 0, 100, 50);
  ASSERT_NE(plain, nullptr);
  HRGN expected = CreateRectRgn(0, 0, 101, 51);
  EXPECT_TRUE(EqualRgn(plain, expected));
  DeleteObject(expected);
  DeleteObject(plain);

  // Style 1 on top, style 2 below: rounded with the 5 x 5 ellipse at the top, square below.
  drawer->setTopCornerStyle(1);
  drawer->setBottomCornerStyle(2);
  HRGN mixed = drawer->createRegion(0, 0, 100, 50);
  ASSERT_NE(mixed, nullptr);
  EXPECT_FALSE(inside(mixed, 0, 0));
  EXPECT_FALSE(inside(mixed, 100, 0));
  EXPECT_TRUE(inside(mixed, 3, 0));
  EXPECT_TRUE(inside(mixed, 0, 50));
  EXPECT_TRUE(inside(mixed, 100, 50));
  RECT box;
  GetRgnBox(mixed, &box);
  EXPECT_EQ(box.right, 101);
  EXPECT_EQ(box.bottom, 51);
  DeleteObject(mixed);

  // Both style 2: the 11 x 11 ellipse cuts every corner deeper than style 1 does.
  drawer->setTopCornerStyle(2);
  drawer->setBottomCornerStyle(2);
  HRGN round = drawer->createRegion(0, 0, 100, 50);
  ASSERT_NE(round, nullptr);
  for (auto [x, y] : {std::pair{1, 1}, {99, 1}, {1, 49}, {99, 49}})
    EXPECT_FALSE(inside(round, x, y)) << x << "," << y;
  EXPECT_TRUE(inside(round, 50, 0));
  EXPECT_TRUE(inside(round, 0, 25));
  DeleteObject(round);

  // Top style 2 with a square bottom: the bottom band is joined back.
  drawer->setBottomCornerStyle(0);
  HRGN top = drawer->createRegion(0, 0, 100, 50);
  EXPECT_FALSE(inside(top, 1, 1));
  EXPECT_TRUE(inside(top, 0, 50));
  DeleteObject(top);

  // Any other style value makes no region.
  drawer->setTopCornerStyle(3);
  drawer->setBottomCornerStyle(3);
  EXPECT_EQ(drawer->createRegion(0, 0, 100, 50), nullptr);
}

}  // namespace
