// The status-bar drawers on a white canvas: the basic bar's height by scale, its gradient rows and
// shaded corners only before Windows 6.0 and only when asked, its grip through the resizer; the
// resizer's dots; the thin bar that paints nothing at a fixed height; reset after reuse; the
// toolkit's status bar as high as these drawers say.
#include "skin/drawer/statusbar/win/Basic.h"
#include "skin/drawer/statusbar/win/BasicResizer.h"
#include "skin/drawer/statusbar/win/Thin.h"

#include "gui/win/StatusBar.h"
#include "gui/win/Window.h"
#include "platform/system/win/OsVersion.h"
#include "skin/DefaultDrawers.h"
#include "skin/drawer/tests/DrawerPage.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using lumetra::skintest::AtScale;
using lumetra::skintest::Page;
using s::gui::drawer::statusbar::win::Basic;
using s::gui::drawer::statusbar::win::BasicResizer;
using s::gui::drawer::statusbar::win::Thin;

/// Pretends to run on a system older (or not) than Windows 6.0 while it lives.
class OnSystem {
 public:
  explicit OnSystem(bool atLeast60) {
    s::system::win::queryWindowsVersion();
    m_saved = s::system::win::osAtLeast60;
    s::system::win::osAtLeast60 = atLeast60;
  }
  ~OnSystem() { s::system::win::osAtLeast60 = m_saved; }

 private:
  bool m_saved = false;
};

class StatusBarDrawer : public testing::Test {
 protected:
  void SetUp() override { drawer = Basic::take(); }
  void TearDown() override { drawer->release(); }
  Basic* drawer = nullptr;
};

TEST_F(StatusBarDrawer, HeightGrowsWithTheScale) {
  for (uint32_t s : {1u, 2u, 4u}) {
    AtScale scale(s);
    EXPECT_EQ(drawer->getHeight(), 23 * static_cast<int32_t>(s));
  }
}

TEST_F(StatusBarDrawer, OlderSystemsGetTheGradientWithShadedCorners) {
  OnSystem old(false);
  drawer->setPaintBackground(true);
  Page page(60, 23);
  drawer->paint(&page.dc, 0, 0, 60, 23);
  EXPECT_PAINTED(page.canvas, 0x3394d783df73934full, "statusbar_basic_gradient");
  // clang-format off
  const COLORREF rows[23] = {
      RGB(149, 147, 133), RGB(191, 189, 176), RGB(215, 212, 197), RGB(232, 229, 212),
      RGB(238, 235, 217), RGB(236, 233, 216), RGB(236, 233, 216), RGB(236, 233, 216),
      RGB(236, 233, 216), RGB(236, 233, 216), RGB(236, 233, 216), RGB(236, 233, 216),
      RGB(236, 233, 216), RGB(236, 233, 216), RGB(235, 232, 212), RGB(235, 232, 212),
      RGB(235, 232, 212), RGB(234, 230, 211), RGB(231, 228, 209), RGB(227, 225, 205),
      RGB(221, 219, 199), RGB(217, 214, 192), RGB(223, 220, 202),
  };
  // clang-format on
  for (int y = 0; y < 23; ++y) EXPECT_EQ(page.color(30, y), rows[y]) << "row " << y;
  const COLORREF row0[7] = {RGB(166, 164, 149), RGB(158, 155, 141), RGB(154, 151, 138),
                            RGB(154, 151, 138), RGB(154, 151, 138), RGB(151, 149, 136),
                            RGB(150, 147, 134)};
  const COLORREF row1[7] = {RGB(227, 228, 223), RGB(222, 223, 218), RGB(219, 220, 217),
                            RGB(219, 220, 217), RGB(219, 220, 217), RGB(217, 218, 215),
                            RGB(216, 217, 214)};
  for (int x = 0; x < 7; ++x) {
    EXPECT_EQ(page.color(x, 0), row0[x]) << "x " << x;
    EXPECT_EQ(page.color(59 - x, 0), row0[x]) << "mirrored x " << x;
    EXPECT_EQ(page.color(x, 1), row1[x]) << "x " << x;
    EXPECT_EQ(page.color(59 - x, 1), row1[x]) << "mirrored x " << x;
  }
  EXPECT_EQ(page.color(7, 0), rows[0]);
  EXPECT_EQ(page.color(52, 1), rows[1]);
  EXPECT_EQ(page.count(RGB(255, 255, 255)), 0) << "no grip unless asked";

  Page off(60, 23);
  drawer->setPaintBackground(false);
  drawer->paint(&off.dc, 0, 0, 60, 23);
  EXPECT_TRUE(off.blank()) << "the switch off paints nothing";
}

TEST_F(StatusBarDrawer, LaterSystemsPaintNoBackgroundWhateverTheSwitch) {
  OnSystem current(true);
  drawer->setPaintBackground(true);
  Page page(60, 23);
  drawer->paint(&page.dc, 0, 0, 60, 23);
  EXPECT_TRUE(page.blank());
  drawer->setShowGrip(true);
  drawer->paint(&page.dc, 0, 0, 60, 23);
  EXPECT_EQ(page.count(RGB(184, 181, 161)), 6 * 4) << "the grip still shows";
}

TEST_F(StatusBarDrawer, ShortBarsKeepTheirRowsInside) {
  OnSystem old(false);
  drawer->setPaintBackground(true);
  Page page(30, 12);
  drawer->paint(&page.dc, 0, 0, 30, 6);
  EXPECT_EQ(page.inked().bottom, 6);
  EXPECT_EQ(page.color(15, 5), RGB(223, 220, 202)) << "the last row keeps its colour";
  Page empty(30, 12);
  drawer->paint(&empty.dc, 0, 0, 30, 0);
  drawer->paint(&empty.dc, 10, 0, 10, 12);
  EXPECT_TRUE(empty.blank());
}

TEST_F(StatusBarDrawer, ResetTurnsBothSwitchesOff) {
  EXPECT_EQ(std::u16string(drawer->getClassName()), u"s_gui_drawer_statusbar_win_Basic");
  drawer->setShowGrip(true);
  drawer->setPaintBackground(true);
  drawer->release();
  drawer = Basic::take();
  EXPECT_FALSE(drawer->isShowGrip());
  EXPECT_FALSE(drawer->isPaintBackground());
}

TEST(StatusBarResizer, SixDotsInTheBottomRightCorner) {
  BasicResizer* resizer = BasicResizer::take();
  EXPECT_EQ(std::u16string(resizer->getClassName()), u"s_gui_drawer_statusbar_win_BasicResizer");
  Page page(30, 20);
  page.canvas.fill(0xFF404040u);
  resizer->paint(&page.dc, 0, 0, 30, 20);
  EXPECT_PAINTED(page.canvas, 0x5b1e0c15e603ead3ull, "statusbar_resizer");
  const COLORREF dot = RGB(184, 181, 161);
  const COLORREF white = RGB(255, 255, 255);
  const POINT at[6] = {{27, 9}, {27, 13}, {23, 13}, {27, 17}, {23, 17}, {19, 17}};
  for (const POINT& p : at) {
    EXPECT_EQ(page.color(p.x - 1, p.y - 1), dot);
    EXPECT_EQ(page.color(p.x, p.y), dot) << "the shade covers the white square's corner";
    EXPECT_EQ(page.color(p.x + 1, p.y + 1), white);
    EXPECT_EQ(page.color(p.x + 1, p.y), white);
    EXPECT_EQ(page.color(p.x, p.y + 1), white);
  }
  EXPECT_EQ(page.count(dot), 6 * 4);
  EXPECT_EQ(page.count(white), 6 * 3);
  EXPECT_EQ(page.color(29, 19), RGB(64, 64, 64)) << "the corner pixel itself stays free";
  EXPECT_EQ(page.color(17, 16), RGB(64, 64, 64));
  resizer->release();
}

TEST(StatusBarThin, PaintsNothingAndIsThirteenHighAtEveryScale) {
  Thin* thin = Thin::take();
  EXPECT_EQ(std::u16string(thin->getClassName()), u"s_gui_drawer_statusbar_win_Thin");
  for (uint32_t s : {1u, 2u, 4u}) {
    AtScale scale(s);
    EXPECT_EQ(thin->getHeight(), 13);
    Page page(40, 20);
    thin->paint(&page.dc, 0, 0, 40, 20);
    EXPECT_TRUE(page.blank());
  }
  EXPECT_EQ(thin->setColor(300, 1, 2), 44);
  EXPECT_EQ(thin->getColor(), RGB(44, 1, 2));
  thin->release();
  Thin* again = Thin::take();
  EXPECT_EQ(again->getColor(), RGB(255, 255, 255));
  again->release();
}

TEST(StatusBarWidget, IsAsHighAsTheBasicDrawerAtItsScaleAndAsTheThinOne) {
  s::skin::installDefaultDrawers();
  for (uint32_t s : {1u, 2u}) {
    AtScale scale(s);
    s::gui::win::Window* window = s::gui::win::Window::take();
    window->setBounds(50, 50, 300, 200);
    window->show(true, false);
    s::gui::win::StatusBar* bar = s::gui::win::makeStatusBar(2, 2);
    window->add(bar);
    EXPECT_NE(dynamic_cast<Basic*>(bar->getActiveDrawer()), nullptr) << "scale " << s;
    EXPECT_EQ(bar->getHeight(), static_cast<int32_t>(23 * s));
    RECT client;
    GetClientRect(window->getHandle(), &client);
    EXPECT_EQ(bar->getY(), client.bottom - static_cast<int32_t>(23 * s));
    bar->setDrawer(Thin::take(), true);
    EXPECT_EQ(bar->getHeight(), 13) << "the window lays the bar out again at the new height";
    EXPECT_EQ(bar->getY(), client.bottom - 13);
    window->release();
  }
}

}  // namespace
