// The border drawers on a white canvas: the thin border's looks, corner styles and layouts by
// scale (hashes, with the designed colours checked at the edges and corners), shading off, look 3
// without its bottom, clamping, nothing outside the rectangle; the plain frame and the line under
// the menu bar; empty rectangles; reset values after reuse.
#include "skin/drawer/border/win/Plain.h"
#include "skin/drawer/border/win/Thin.h"
#include "skin/drawer/border/win/UnderWindowMenu.h"
#include "skin/drawer/tests/DrawerPage.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using lumetra::skintest::AtScale;
using lumetra::skintest::Page;
using s::gui::drawer::border::win::Plain;
using s::gui::drawer::border::win::Thin;
using s::gui::drawer::border::win::UnderWindowMenu;

class ThinBorder : public testing::Test {
 protected:
  void SetUp() override { border = Thin::take(); }
  void TearDown() override { border->release(); }
  Thin* border = nullptr;
};

// The base colour of most cases and its derived colours, worked out by hand: 100 x 1.05 = 105,
// 200 x 1.15 = 230 (exactly, not 229.99...), and so on; the greys come from red (x 0.9) and blue (x
// 0.85).
constexpr int kR = 200, kG = 100, kB = 40;
const COLORREF kBase = RGB(200, 100, 40);
const COLORREF kL1 = RGB(210, 105, 42);
const COLORREF kL2 = RGB(230, 115, 46);
const COLORREF kD1 = RGB(190, 95, 38);
const COLORREF kD2 = RGB(180, 90, 36);
const COLORREF kD3 = RGB(170, 85, 34);
const COLORREF kD4 = RGB(140, 70, 28);
const COLORREF kD5 = RGB(100, 50, 20);
const COLORREF kD6 = RGB(90, 45, 18);
const COLORREF kG1 = RGB(180, 180, 180);
const COLORREF kG2 = RGB(34, 34, 34);

TEST_F(ThinBorder, EveryLookStyleAndLayoutPaintsItsFills) {
  // One hash per look (0 to 3) and style (0 to 2), at scale 1 and at scale 2.
  const uint64_t hashes[2][4][3] = {
      {{0x970c21b48d789effull, 0x2593f7427b962a51ull, 0x423706bd503acd80ull},
       {0x5531316dc3e53afeull, 0x77bee7fc59106d93ull, 0xb8ac1553444a3e3aull},
       {0x013e396762b91630ull, 0x2e32647c1374e853ull, 0x1b8fb1faf4178001ull},
       {0x0cd86689e087c613ull, 0x338c45f27e97a303ull, 0x2d8560feee031bf0ull}},
      {{0x5e1a970275e4b7f3ull, 0x19ae1afe04fca11bull, 0x498f63b37adc1f91ull},
       {0x060f255f93459d13ull, 0xfc300ff78e76c240ull, 0x00b9d1f3123d7dabull},
       {0x1228223e0bed7c73ull, 0xdcd2821fbcf99436ull, 0xb9c7f38ffa63df53ull},
       {0xd05d02c5d6a53c73ull, 0xf8887a0398360dfaull, 0x4d3e05d743ea266bull}},
  };
  for (int size = 0; size < 2; ++size) {
    AtScale scale(size == 0 ? 1 : 2);
    for (int look = 0; look < 4; ++look) {
      for (int style = 0; style < 3; ++style) {
        Page page(40, 30);
        border->paint(&page.dc, 5, 4, 35, 26, look, style, kR, kG, kB);
        EXPECT_PAINTED(page.canvas, hashes[size][look][style],
                       "border_thin_s" + std::to_string(size + 1) + "_look" + std::to_string(look) +
                           "_style" + std::to_string(style));
      }
    }
  }
}

TEST_F(ThinBorder, EdgeColoursFollowTheLook) {
  AtScale scale(1);
  struct Case {
    int look;
    COLORREF top, right, bottom, left;
  };
  const Case cases[] = {
      {1, kL1, kD2, kD3, kBase}, {2, kD3, kBase, kL1, kD2}, {0, kL2, kD4, kD5, kL1}};
  for (const Case& c : cases) {
    Page page(30, 20);
    border->paint(&page.dc, 0, 0, 30, 20, c.look, 0, kR, kG, kB);
    EXPECT_EQ(page.color(15, 0), c.top) << "look " << c.look;
    EXPECT_EQ(page.color(29, 10), c.right) << "look " << c.look;
    EXPECT_EQ(page.color(15, 19), c.bottom) << "look " << c.look;
    EXPECT_EQ(page.color(0, 10), c.left) << "look " << c.look;
    EXPECT_EQ(page.color(0, 0), c.left) << "the left band is painted last, over the top one";
    EXPECT_TRUE(page.isPaper(1, 1));
  }
  // The rounded style's right and bottom edges take their own colours.
  Page rounded(30, 20);
  border->paint(&rounded.dc, 0, 0, 30, 20, 1, 2, kR, kG, kB);
  EXPECT_EQ(rounded.color(29, 10), kG1);
  EXPECT_EQ(rounded.color(15, 19), kG2);
  Page pushed(30, 20);
  border->paint(&pushed.dc, 0, 0, 30, 20, 2, 2, kR, kG, kB);
  EXPECT_EQ(pushed.color(29, 10), kBase);
  EXPECT_EQ(pushed.color(15, 19), kL1);
}

TEST_F(ThinBorder, CornersOfTheSmallAndLargeLayouts) {
  {
    AtScale scale(1);
    Page cut(20, 20);
    border->paint(&cut.dc, 0, 0, 20, 20, 1, 1, kR, kG, kB);
    EXPECT_TRUE(cut.isPaper(0, 0));
    EXPECT_EQ(cut.color(1, 0), kL1);
    EXPECT_EQ(cut.color(0, 1), kBase);
    EXPECT_TRUE(cut.isPaper(19, 19));
    Page round(20, 20);
    border->paint(&round.dc, 0, 0, 20, 20, 1, 2, kR, kG, kB);
    EXPECT_TRUE(round.isPaper(1, 0));
    EXPECT_EQ(round.color(1, 1), kL1);
    EXPECT_EQ(round.color(18, 1), kG1);
    EXPECT_EQ(round.color(18, 18), kG2);
    EXPECT_EQ(round.color(1, 18), kBase);
    // The hot look lights the ends of the edges and recolours the corner pixels.
    Page hot(20, 20);
    border->paint(&hot.dc, 0, 0, 20, 20, 0, 2, kR, kG, kB);
    EXPECT_EQ(hot.color(2, 0), kL2);
    EXPECT_EQ(hot.color(17, 0), kL1);
    EXPECT_EQ(hot.color(19, 2), kD1);
    EXPECT_EQ(hot.color(19, 17), kD5);
    EXPECT_EQ(hot.color(2, 19), kD4);
    EXPECT_EQ(hot.color(17, 19), kD6);
    EXPECT_EQ(hot.color(0, 17), kD3);
    EXPECT_EQ(hot.color(1, 1), kL2);
    EXPECT_EQ(hot.color(18, 1), kD1);
    EXPECT_EQ(hot.color(18, 18), kD4);
    EXPECT_EQ(hot.color(1, 18), kD3);
  }
  AtScale scale(2);
  Page round(30, 30);
  border->paint(&round.dc, 0, 0, 30, 30, 1, 2, kR, kG, kB);
  EXPECT_TRUE(round.isPaper(0, 0));
  EXPECT_TRUE(round.isPaper(2, 0)) << "the top band starts 4 pixels in";
  EXPECT_EQ(round.color(4, 0), kL1);
  EXPECT_EQ(round.color(1, 3), kL1) << "the steps of the top left corner";
  EXPECT_EQ(round.color(3, 1), kL1);
  EXPECT_EQ(round.color(26, 27), kG2);
  EXPECT_EQ(round.color(0, 4), kBase);
  Page cut(30, 30);
  border->paint(&cut.dc, 0, 0, 30, 30, 0, 1, kR, kG, kB);
  EXPECT_EQ(cut.color(2, 0), kL2) << "2 x 2 highlights in the large layout";
  EXPECT_EQ(cut.color(3, 1), kL2);
  EXPECT_EQ(cut.color(26, 0), kL1);
  EXPECT_EQ(cut.color(26, 28), kD6);
  EXPECT_EQ(cut.color(28, 26), kD5);
  EXPECT_EQ(cut.color(28, 2), kD1);
}

TEST_F(ThinBorder, ShadingOffPaintsEveryEdgeInTheBaseColour) {
  border->setShaded(false);
  const COLORREF grey = RGB(120, 120, 120);
  for (uint32_t s : {1u, 2u}) {
    AtScale scale(s);
    for (int look = 0; look < 4; ++look) {
      for (int style = 0; style < 3; ++style) {
        Page page(30, 24);
        border->paint(&page.dc, 2, 2, 28, 22, look, style, 120, 120, 120);
        const int painted = 30 * 24 - page.count(RGB(255, 255, 255));
        EXPECT_GT(painted, 0);
        EXPECT_EQ(page.count(grey), painted) << "look " << look << " style " << style;
      }
    }
  }
  border->release();
  border = Thin::take();
  EXPECT_TRUE(border->isShaded()) << "a drawer from the pool shades again";
}

TEST_F(ThinBorder, LookThreeLeavesTheBottomOut) {
  for (uint32_t s : {1u, 2u, 4u}) {
    AtScale scale(s);
    const int bands = static_cast<int>(s);
    Page square(40, 30);
    border->paint(&square.dc, 0, 0, 40, 30, 3, 0, kR, kG, kB);
    for (int y = 30 - bands; y < 30; ++y) {
      EXPECT_FALSE(square.isPaper(0, y));
      EXPECT_FALSE(square.isPaper(39, y));
      EXPECT_TRUE(square.isPaper(20, y)) << "scale " << s << " row " << y;
      EXPECT_TRUE(square.isPaper(bands, y)) << "only the ends of the side bands";
    }
    for (int style = 1; style < 3; ++style) {
      Page page(40, 30);
      border->paint(&page.dc, 0, 0, 40, 30, 3, style, kR, kG, kB);
      for (int x = 0; x < 40; ++x) {
        EXPECT_TRUE(page.isPaper(x, 29)) << "scale " << s << " style " << style << " x " << x;
      }
      Page normal(40, 30);
      border->paint(&normal.dc, 0, 0, 40, 30, 1, style, kR, kG, kB);
      for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 40; ++x) {
          ASSERT_EQ(page.rgb(x, y), normal.rgb(x, y)) << "look 3's top is look 1's";
        }
      }
    }
  }
}

TEST_F(ThinBorder, BandsGrowWithTheScaleAndStayInside) {
  AtScale scale(4);
  Page page(40, 30);
  border->paint(&page.dc, 4, 3, 36, 27, 1, 0, kR, kG, kB);
  EXPECT_EQ(page.color(20, 3), kL1);
  EXPECT_EQ(page.color(20, 6), kL1);
  EXPECT_TRUE(page.isPaper(20, 7));
  EXPECT_EQ(page.color(32, 15), kD2);
  EXPECT_TRUE(page.isPaper(31, 15));
  for (uint32_t s : {1u, 2u, 4u}) {
    AtScale at(s);
    for (int look = 0; look < 4; ++look) {
      for (int style = 0; style < 3; ++style) {
        Page inside(40, 30);
        border->paint(&inside.dc, 4, 3, 36, 27, look, style, kR, kG, kB);
        const RECT box = inside.inked();
        EXPECT_GE(box.left, 4);
        EXPECT_GE(box.top, 3);
        EXPECT_LE(box.right, 36);
        EXPECT_LE(box.bottom, 27) << "scale " << s << " look " << look << " style " << style;
      }
    }
  }
}

TEST_F(ThinBorder, BrightChannelsClampAndUnknownLooksPaintNothing) {
  AtScale scale(1);
  Page page(20, 20);
  border->paint(&page.dc, 0, 0, 20, 20, 0, 0, 250, 100, 20);
  EXPECT_EQ(page.color(10, 0), RGB(255, 115, 23)) << "L2: 250 x 1.15 stays at 255";
  Page normal(20, 20);
  border->paint(&normal.dc, 0, 0, 20, 20, 1, 0, 250, 100, 20);
  EXPECT_EQ(normal.color(10, 0), RGB(255, 105, 21)) << "L1: 250 x 1.05 stays at 255";

  Page nothing(20, 20);
  border->paint(&nothing.dc, 0, 0, 20, 20, 4, 0, kR, kG, kB);
  border->paint(&nothing.dc, 0, 0, 20, 20, -1, 0, kR, kG, kB);
  border->paint(&nothing.dc, 0, 0, 20, 20, 1, 3, kR, kG, kB);
  border->paint(&nothing.dc, 5, 0, 5, 20, 1, 0, kR, kG, kB);
  border->paint(&nothing.dc, 0, 9, 20, 3, 1, 1, kR, kG, kB);
  EXPECT_TRUE(nothing.blank());
}

TEST(PlainBorder, BlackUntilColouredAndBackAfterReuse) {
  Plain* plain = Plain::take();
  EXPECT_EQ(std::u16string(plain->getClassName()), u"s_gui_drawer_border_win_Plain");
  Page page(12, 8);
  plain->paint(&page.dc, 0, 0, 12, 8);
  EXPECT_EQ(page.count(RGB(0, 0, 0)), 2 * 12 + 2 * 6);
  EXPECT_TRUE(page.isPaper(1, 1));
  EXPECT_EQ(plain->setColor(300, 155, 156), 44) << "the low 8 bits of 300";
  Page coloured(12, 8);
  plain->paint(&coloured.dc, 0, 0, 12, 8);
  EXPECT_EQ(coloured.color(11, 7), RGB(44, 155, 156));
  EXPECT_EQ(coloured.color(0, 7), RGB(44, 155, 156));
  Page empty(12, 8);
  plain->paint(&empty.dc, 0, 0, 0, 8);
  plain->paint(&empty.dc, 0, 8, 12, 8);
  EXPECT_TRUE(empty.blank());
  plain->release();
  Plain* again = Plain::take();
  EXPECT_EQ(again->getColor(), RGB(0, 0, 0));
  again->release();
}

TEST(UnderWindowMenuBorder, ADarkLineOverAWhiteOne) {
  UnderWindowMenu* line = UnderWindowMenu::take();
  EXPECT_EQ(std::u16string(line->getClassName()), u"s_gui_drawer_border_win_UnderWindowMenu");
  Page page(30, 6);
  page.canvas.fill(0xFF808080u);
  line->paint(&page.dc, 0, 0, 30, 6);
  for (int x = 0; x < 30; ++x) {
    EXPECT_EQ(page.color(x, 0), RGB(172, 168, 153));
    EXPECT_EQ(page.color(x, 1), RGB(255, 255, 255));
    EXPECT_EQ(page.color(x, 2), RGB(128, 128, 128));
  }
  Page empty(30, 6);
  line->paint(&empty.dc, 0, 0, 30, 0);
  EXPECT_TRUE(empty.blank());
  line->release();
}

}  // namespace
