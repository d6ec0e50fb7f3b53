// The group-box drawers on a white canvas: the basic frame's lines, corners and caption gap, the
// thin one's bands and stepped corners at scales 1 and 2 with the gap of an empty caption, the
// caption text in its colour with the context restored, fonts taking over the caption settings,
// colour setters, reset after reuse, and empty rectangles; the toolkit's group box painted by
// its own basic drawer.
#include "skin/drawer/groupbox/win/Basic.h"
#include "skin/drawer/groupbox/win/Thin.h"

#include "gui/win/Box.h"
#include "gui/win/Font.h"
#include "gui/win/GroupBox.h"
#include "gui/win/Window.h"
#include "skin/DefaultDrawers.h"
#include "skin/drawer/tests/DrawerPage.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using lumetra::skintest::AtScale;
using lumetra::skintest::Page;
using s::gui::win::Font;

const COLORREF kFrame = RGB(208, 208, 191);

template <class Drawer>
class GroupBoxDrawer : public testing::Test {
 protected:
  void SetUp() override { drawer = Drawer::take(); }
  void TearDown() override { drawer->release(); }
  Drawer* drawer = nullptr;
};

using Basic = GroupBoxDrawer<s::gui::drawer::groupbox::win::Basic>;
using Thin = GroupBoxDrawer<s::gui::drawer::groupbox::win::Thin>;

TEST_F(Basic, TheTopLineLeavesTheCaptionGapOpen) {
  Page page(100, 50);
  drawer->paint(&page.dc, 0, 0, 100, 50, nullptr, nullptr, 40, 14);
  for (int x = 0; x < 100; ++x) {
    const bool line = (x >= 2 && x <= 6) || (x >= 51 && x <= 97);
    EXPECT_EQ(page.color(x, 0) == kFrame, line) << "x " << x;
  }
  // Cut corners: two-pixel pieces and single pixels step the frame round each corner.
  EXPECT_TRUE(page.isPaper(0, 0));
  EXPECT_TRUE(page.isPaper(0, 1));
  EXPECT_EQ(page.color(1, 1), kFrame);
  EXPECT_EQ(page.color(2, 1), kFrame);
  EXPECT_EQ(page.color(1, 2), kFrame);
  EXPECT_EQ(page.color(0, 2), kFrame);
  EXPECT_EQ(page.color(98, 1), kFrame);
  EXPECT_EQ(page.color(98, 2), kFrame);
  EXPECT_EQ(page.color(99, 47), kFrame);
  EXPECT_TRUE(page.isPaper(99, 48));
  EXPECT_EQ(page.color(97, 48), kFrame);
  EXPECT_EQ(page.color(1, 47), kFrame);
  for (int x = 2; x < 98; ++x) EXPECT_EQ(page.color(x, 49), kFrame) << "bottom at x " << x;
  EXPECT_TRUE(page.isPaper(0, 49));
  EXPECT_TRUE(page.isPaper(50, 25)) << "the inside stays untouched";
  EXPECT_EQ(page.count(kFrame), 5 + 47 + 96 + 2 * 46 + 4 * 2 + 4);
}

TEST_F(Basic, TheCaptionIsDrawnInItsFontAndTheContextRestored) {
  Font font;
  drawer->applyToFonts(&font, nullptr);
  EXPECT_EQ(font.getTextColor(), RGB(0, 70, 213)) << "the caption colour came to the font";
  Page page(100, 40);
  drawer->paint(&page.dc, 0, 0, 100, 40, u"Drop Box", &font, 40, 14);
  EXPECT_PAINTED(page.canvas, 0xc4e22779cbad377cull, "groupbox_basic_caption");
  EXPECT_GT(page.count(RGB(0, 70, 213)), 10);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 100; ++x) {
      if (page.color(x, y) == RGB(0, 70, 213)) {
        EXPECT_GE(x, 9);
        EXPECT_LT(x, 49);
        EXPECT_LT(y, 14);
      }
    }
  }
  EXPECT_EQ(GetBkMode(page.dc.m_hDC), OPAQUE);
  EXPECT_EQ(GetTextColor(page.dc.m_hDC), RGB(0, 0, 0));
  EXPECT_EQ(GetCurrentObject(page.dc.m_hDC, OBJ_FONT), GetStockObject(SYSTEM_FONT));
}

TEST_F(Basic, ColoursAndResetAfterReuse) {
  EXPECT_EQ(std::u16string(drawer->getClassName()), u"s_gui_drawer_groupbox_win_Basic");
  EXPECT_EQ(drawer->getFrameRed(), 208);
  EXPECT_EQ(drawer->getFrameGreen(), 208);
  EXPECT_EQ(drawer->getFrameBlue(), 191);
  EXPECT_EQ(drawer->setFrameColor(300, 155, 156), 44);
  EXPECT_EQ(drawer->getFrameColor(), RGB(44, 155, 156));
  drawer->getFontSetting()->setTextColor(1, 2, 3);
  EXPECT_EQ(drawer->getDisabledFontSetting()->getTextColor(), RGB(161, 161, 146));
  drawer->release();
  drawer = s::gui::drawer::groupbox::win::Basic::take();
  EXPECT_EQ(drawer->getFrameColor(), kFrame);
  EXPECT_EQ(drawer->getFontSetting()->getTextColor(), RGB(0, 70, 213));
  Page page(40, 40);
  drawer->paint(&page.dc, 0, 0, 0, 40, u"x", nullptr, 10, 10);
  drawer->paint(&page.dc, 0, 20, 40, 20, u"x", nullptr, 10, 10);
  EXPECT_TRUE(page.blank());
}

TEST_F(Thin, BandsAndCornerSquaresByScale) {
  const uint64_t hashes[2] = {0xc7a5702b90e6eebbull, 0x9c61b99fd7b272b3ull};
  for (uint32_t s : {1u, 2u}) {
    AtScale scale(s);
    Page page(80, 50);
    drawer->paint(&page.dc, 0, 0, 80, 50, nullptr, nullptr, 30, 14);
    EXPECT_PAINTED(page.canvas, hashes[s - 1], "groupbox_thin_s" + std::to_string(s));
    const int band = s == 1 ? 2 : 4;
    for (int y = 0; y < band; ++y) {
      EXPECT_EQ(page.color(79 - band + 1, 25), kFrame);
      EXPECT_EQ(page.color(40, 49 - y), kFrame) << "bottom band, scale " << s;
      EXPECT_EQ(page.color(y, 25), kFrame) << "left band, scale " << s;
    }
    EXPECT_TRUE(page.isPaper(band, 25));
    EXPECT_TRUE(page.isPaper(0, 0));
  }
  AtScale scale(1);
  Page page(40, 40);
  drawer->paint(&page.dc, 0, 0, 40, 40, nullptr, nullptr, 30, 14);
  EXPECT_EQ(page.color(1, 1), kFrame) << "the 2 x 2 corner square";
  EXPECT_EQ(page.color(2, 2), kFrame);
  EXPECT_TRUE(page.isPaper(3, 3));
}

TEST_F(Thin, AnEmptyCaptionLeavesAGapOfFourPixelsAtScaleOne) {
  {
    AtScale scale(1);
    Page page(60, 30);
    drawer->paint(&page.dc, 0, 0, 60, 30, nullptr, nullptr, 0, 14);
    for (int x = 0; x < 60; ++x) {
      const bool gap = x >= 7 && x <= 10;
      const bool edge = x < 2 || x > 57;
      if (!edge) {
        EXPECT_EQ(page.isPaper(x, 0), gap) << "x " << x;
      }
    }
  }
  AtScale scale(2);
  Page page(80, 40);
  drawer->paint(&page.dc, 0, 0, 80, 40, nullptr, nullptr, 0, 14);
  EXPECT_EQ(page.color(13, 0), kFrame);
  EXPECT_TRUE(page.isPaper(14, 0));
  EXPECT_TRUE(page.isPaper(21, 0));
  EXPECT_EQ(page.color(22, 0), kFrame);
}

TEST_F(Thin, CaptionAtNineTimesTheScaleAndResetAfterReuse) {
  EXPECT_EQ(std::u16string(drawer->getClassName()), u"s_gui_drawer_groupbox_win_Thin");
  AtScale scale(2);
  Font font;
  drawer->applyToFonts(&font, nullptr);
  Page page(120, 40);
  drawer->paint(&page.dc, 0, 0, 120, 40, u"Group", &font, 50, 14);
  EXPECT_GT(page.count(RGB(0, 70, 213)), 10);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 18; ++x) {
      EXPECT_NE(page.color(x, y), RGB(0, 70, 213)) << "nothing of the caption before 9 s";
    }
  }
  drawer->setFrameColor(1, 2, 3);
  drawer->release();
  drawer = s::gui::drawer::groupbox::win::Thin::take();
  EXPECT_EQ(drawer->getFrameRed(), 208);
  EXPECT_EQ(drawer->getFrameBlue(), 191);
}

TEST(GroupBoxWidget, PaintsItsFrameAndCaptionWithItsOwnBasicDrawer) {
  s::skin::installDefaultDrawers();
  s::gui::win::Window* window = s::gui::win::Window::take();
  window->setBounds(50, 50, 300, 200);
  window->show(true, false);
  s::gui::win::Box* root = s::gui::win::Box::take();
  root->setFullSize();
  window->add(root);
  s::gui::win::GroupBox* group = s::gui::win::makeDropBox(100, 100);
  group->setText(u"Drop Box");
  root->add(group);
  ASSERT_NE(dynamic_cast<s::gui::drawer::groupbox::win::Basic*>(group->getDrawer()), nullptr);
  group->repaint();
  winapi::PixelBuffer picture;
  ASSERT_TRUE(winapi::HeadlessDriver::current()->capture(window->getHandle(), &picture));
  RECT frame;
  GetWindowRect(window->getHandle(), &frame);
  POINT corner{0, 0};
  ClientToScreen(group->GetSafeHwnd(), &corner);
  auto at = [&](int x, int y) {
    const uint32_t argb = picture.row(corner.y - frame.top + y)[corner.x - frame.left + x];
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
  };
  const int half = group->getCaptionHeight() / 2;
  EXPECT_EQ(at(0, half + 5), kFrame) << "the left frame line";
  EXPECT_EQ(at(group->getWidth() - 1, half + 5), kFrame) << "the right frame line";
  EXPECT_EQ(at(4, half), kFrame) << "the top line before the caption";
  EXPECT_NE(at(group->getCaptionWidth() / 2 + 9, half), kFrame) << "the caption breaks the line";
  bool captionColour = false;
  for (int x = 9; x < 9 + group->getCaptionWidth() && !captionColour; ++x) {
    for (int y = 0; y < group->getCaptionHeight(); ++y) {
      captionColour = captionColour || at(x, y) == RGB(0, 70, 213);
    }
  }
  EXPECT_TRUE(captionColour) << "the caption is written in the drawer's caption colour";
  window->release();
}

}  // namespace
