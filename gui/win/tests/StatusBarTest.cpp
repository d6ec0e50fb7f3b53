// The status bar: the usual tree of makeStatusBar, its height from the drawer and width from the
// parent, its place along the window's bottom, the back buffer's reuse, painting around its
// children, clicks passing through its surface, the grip sizing the window, hiding, detaching
// and skin changes.
#include "gui/win/StatusBar.h"
#include "gui/win/tests/BoxTestSupport.h"
#include "gui/win/tests/Listener.h"

#include "core/thread/ClassTail.h"
#include "gui/app/AppHooks.h"
#include "gui/drawer/DefaultDrawers.h"
#include "gui/drawer/statusbar/IBasic.h"
#include "gui/drawer/tests/TestSkin.h"
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "imaging/win/BufferedImage.h"

#include <windows.h>
#include <afxwin.h>

#include <gtest/gtest.h>

#include <atomic>

namespace {

using lumetra::testgui::screenCorner;
using lumetra::testgui::screenPixel;
using lumetra::testgui::settle;
using lumetra::testgui::ShownWindow;
using s::gui::win::Box;
using s::gui::win::Button;
using s::gui::win::StatusBar;

constexpr COLORREF kBarPaint = RGB(200, 0, 0);

/// A status-bar drawer of a chosen height that fills what it paints and counts its paints.
class RecordingStatusBarDrawer final : public s::gui::drawer::statusbar::IBasic {
  S_POOLED_CLASS(RecordingStatusBarDrawer, u"RecordingStatusBarDrawer")
  RecordingStatusBarDrawer() = default;
  void reset() override {
    m_height = 23;
    m_showGrip = true;
    m_paintBackground = true;
  }
  void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) override {
    dc->FillSolidRect(left, top, right - left, bottom - top, kBarPaint);
    ++m_paints;
  }
  int32_t getHeight() override { return m_height; }
  void setShowGrip(bool on) override { m_showGrip = on; }
  void setPaintBackground(bool on) override { m_paintBackground = on; }

  int32_t m_height = 23;
  bool m_showGrip = true;
  bool m_paintBackground = true;
  std::atomic<int> m_paints{0};
};

class Scale2 : public s::app::IAppHooks {
 public:
  uint32_t getDisplayScale() override { return 2; }
};

winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }

class StatusBarInWindow : public testing::Test {
 protected:
  void SetUp() override {
    s::gui::drawer::DefaultDrawers drawers;
    drawers.takeStatusBar = [] {
      return static_cast<s::gui::drawer::statusbar::IBasic*>(RecordingStatusBarDrawer::take());
    };
    m_previous = s::gui::drawer::setDefaultDrawers(drawers);
    root = Box::take();
    root->setFullSize();
    window->add(root);
  }
  void TearDown() override { s::gui::drawer::setDefaultDrawers(m_previous); }

  StatusBar* addBar() {
    StatusBar* bar = s::gui::win::makeStatusBar(2, 2);
    window->add(bar);
    return bar;
  }
  static RecordingStatusBarDrawer* drawerOf(StatusBar* bar) {
    return dynamic_cast<RecordingStatusBarDrawer*>(bar->getDefaultDrawer());
  }
  static Button* gripOf(StatusBar* bar) {
    auto* content = dynamic_cast<Box*>(bar->getContent());
    auto* gripBox = dynamic_cast<Box*>(content->getChild(1));
    return dynamic_cast<Button*>(gripBox->getChild(0));
  }
  RECT clientRect() {
    RECT r;
    GetClientRect(window->getHandle(), &r);
    return r;
  }

  ShownWindow window;
  Box* root = nullptr;

 private:
  s::gui::drawer::DefaultDrawers m_previous;
};

TEST(StatusBarTree, MakeStatusBarBuildsTheItemBoxBesideTheGripBox) {
  Scale2 scale2;
  s::app::IAppHooks* previous = s::app::setAppHooks(&scale2);
  StatusBar* bar = s::gui::win::makeStatusBar(3, 4);
  auto* content = dynamic_cast<Box*>(bar->getContent());
  ASSERT_NE(content, nullptr);
  EXPECT_EQ(bar->getChildCount(), 1);
  EXPECT_EQ(bar->getChild(0), content);
  ASSERT_EQ(content->getChildCount(), 2);
  EXPECT_EQ(content->getChild(0), bar->getItemBox()) << "widgets go first, the grip last";
  auto* gripBox = dynamic_cast<Box*>(content->getChild(1));
  ASSERT_NE(gripBox, nullptr);
  ASSERT_EQ(gripBox->getChildCount(), 1);
  auto* grip = dynamic_cast<Button*>(gripBox->getChild(0));
  ASSERT_NE(grip, nullptr);
  EXPECT_EQ(std::u16string(grip->getText()), u"#Resizer");
  EXPECT_EQ(grip->getMinimumWidth(), 24) << "12 pixels times the display scale";
  EXPECT_EQ(grip->getMinimumHeight(), 24);
  EXPECT_TRUE(grip->isEnabled());

  Box* label = Box::take();
  bar->add(label);
  EXPECT_EQ(bar->getItemBox()->getChildCount(), 1);
  EXPECT_EQ(bar->getItemBox()->getChild(0), label);
  EXPECT_EQ(bar->getChildCount(), 1) << "added widgets stay out of the bar's own children";

  bar->setRightInsetEnabled(true);
  EXPECT_TRUE(bar->isRightInsetEnabled());
  bar->setExtraFlag(false);
  EXPECT_FALSE(bar->isExtraFlag());
  bar->release();
  StatusBar* again = StatusBar::take();
  EXPECT_EQ(again->getContent(), nullptr) << "the content went back with the bar";
  EXPECT_TRUE(again->isExtraFlag());
  EXPECT_FALSE(again->isRightInsetEnabled());
  again->release();
  s::app::setAppHooks(previous);
}

TEST(StatusBarTree, ABarMadeBeforeTheDefaultDrawersTakesItsDrawerOnceTheyAreThere) {
  const s::gui::drawer::DefaultDrawers previous =
      s::gui::drawer::setDefaultDrawers(s::gui::drawer::DefaultDrawers{});
  StatusBar* bar = StatusBar::create();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->getActiveDrawer(), nullptr) << "nothing to take yet";
  s::gui::drawer::DefaultDrawers drawers;
  drawers.takeStatusBar = [] {
    return static_cast<s::gui::drawer::statusbar::IBasic*>(RecordingStatusBarDrawer::take());
  };
  s::gui::drawer::setDefaultDrawers(drawers);
  auto* drawer = dynamic_cast<RecordingStatusBarDrawer*>(bar->getActiveDrawer());
  ASSERT_NE(drawer, nullptr);
  EXPECT_EQ(bar->getDefaultDrawer(), drawer);
  EXPECT_FALSE(drawer->m_showGrip) << "set up as a fresh bar's drawer is";
  EXPECT_FALSE(drawer->m_paintBackground);
  delete bar;
  s::gui::drawer::setDefaultDrawers(previous);
}

TEST_F(StatusBarInWindow, LiesAlongTheWindowsBottomAsHighAsItsDrawerSays) {
  StatusBar* bar = addBar();
  ASSERT_TRUE(bar->hasHandle());
  EXPECT_EQ(bar->getParent(), window.window);
  EXPECT_EQ(window->getChildCount(), 1) << "the bar is not one of the laid-out children";
  RecordingStatusBarDrawer* drawer = drawerOf(bar);
  ASSERT_NE(drawer, nullptr);
  EXPECT_FALSE(drawer->m_showGrip) << "the grip button paints the dots, not the drawer";
  EXPECT_FALSE(drawer->m_paintBackground);
  bar->setDefaultDrawerOption();
  EXPECT_TRUE(drawer->m_paintBackground);

  const RECT client = clientRect();
  EXPECT_EQ(bar->getMinimumHeight(), 23);
  EXPECT_EQ(bar->getMaximumHeight(), 23);
  EXPECT_EQ(bar->getMaximumWidth(), client.right);
  EXPECT_EQ(bar->getX(), 0);
  EXPECT_EQ(bar->getY(), client.bottom - 23);
  EXPECT_EQ(bar->getWidth(), client.right);
  EXPECT_EQ(bar->getHeight(), 23);
  EXPECT_EQ(window->getClientHeight(), client.bottom - 23);
  EXPECT_EQ(root->getHeight(), client.bottom - 23) << "the children fill what lies above it";

  // The grip sits in the bar's bottom right corner.
  const POINT barCorner = screenCorner(bar->GetSafeHwnd());
  const POINT gripCorner = screenCorner(gripOf(bar)->GetSafeHwnd());
  EXPECT_EQ(gripCorner.x - barCorner.x, client.right - 12);
  EXPECT_EQ(gripCorner.y - barCorner.y, 23 - 12);

  // Another height from the drawer moves the bar when the window lays out again.
  drawer->m_height = 13;
  window->relayout();
  EXPECT_EQ(bar->getY(), client.bottom - 13);
  EXPECT_EQ(bar->getHeight(), 13);

  window->setSize(500, 400);
  settle(window->getHandle());
  const RECT bigger = clientRect();
  EXPECT_EQ(bar->getY(), bigger.bottom - 13);
  EXPECT_EQ(bar->getWidth(), bigger.right);
  // The drawer stays with the bar, which the next test may take from the pool.
  drawer->m_height = 23;
}

TEST_F(StatusBarInWindow, ItsOwnSurfaceLetsClicksThroughWhileTheGripKeepsItsOwn) {
  StatusBar* bar = addBar();
  const POINT corner = screenCorner(bar->GetSafeHwnd());
  const LRESULT onSurface =
      SendMessageW(bar->GetSafeHwnd(), WM_NCHITTEST, 0, MAKELPARAM(corner.x + 5, corner.y + 5));
  EXPECT_EQ(onSurface, HTTRANSPARENT);
  HWND grip = gripOf(bar)->GetSafeHwnd();
  const POINT gripCorner = screenCorner(grip);
  EXPECT_NE(SendMessageW(grip, WM_NCHITTEST, 0, MAKELPARAM(gripCorner.x + 3, gripCorner.y + 3)),
            HTTRANSPARENT);
  EXPECT_NE(SendMessageW(bar->GetSafeHwnd(), WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS, 0);

  // A click between the bar's children reaches the window itself.
  std::atomic<int> presses{0};
  lumetra::testgui::Listener listener([&](int32_t) { ++presses; });
  window->addLeftButtonDownListener(&listener);
  headless().click(corner.x + 40, corner.y + 5);
  EXPECT_TRUE(lumetra::testgui::waitFor([&] { return presses.load() == 1; }));
}

TEST_F(StatusBarInWindow, DraggingTheGripSizesTheWindowWithoutDrift) {
  window->setResizable(true);
  StatusBar* bar = addBar();
  settle(window->getHandle());
  const int32_t width = window->getWidth();
  const int32_t height = window->getHeight();
  const POINT grip = screenCorner(gripOf(bar)->GetSafeHwnd());
  headless().moveMouse(grip.x + 6, grip.y + 6);
  settle(window->getHandle());
  headless().pressButton(WM_LBUTTONDOWN);
  settle(window->getHandle());
  for (int step = 1; step <= 10; ++step) {
    headless().moveMouse(grip.x + 6 + 4 * step, grip.y + 6 + 3 * step);
    // Each move is taken before the next, as a user's pointer gives them one by one.
    lumetra::testgui::waitFor([&] { return window->getWidth() == width + 4 * step; });
    settle(window->getHandle());
  }
  headless().releaseButton(WM_LBUTTONUP);
  // The injected input reaches the UI thread after the calls return.
  lumetra::testgui::waitFor([&] { return window->getWidth() == width + 40; });
  settle(window->getHandle());
  EXPECT_EQ(window->getWidth(), width + 40);
  EXPECT_EQ(window->getHeight(), height + 30);
  EXPECT_EQ(bar->getY(), clientRect().bottom - bar->getHeight()) << "the bar follows the size";
}

TEST_F(StatusBarInWindow, TheBackBufferIsKeptUntilTheBarShrinksBelowSeventyPercent) {
  window->setSize(600, 300);
  StatusBar* bar = addBar();
  bar->repaint();
  s::image::win::BufferedImage* first = bar->getOwnBackBuffer();
  ASSERT_NE(first, nullptr);
  const int32_t wide = first->getCapacityWidth();
  EXPECT_EQ(wide, bar->getWidth());

  bar->setFixedWidth(wide * 8 / 10);
  window->relayout();
  bar->repaint();
  EXPECT_EQ(bar->getOwnBackBuffer()->getCapacityWidth(), wide) << "80 % keeps the buffer";

  bar->setFixedWidth(wide / 2);
  window->relayout();
  bar->repaint();
  EXPECT_EQ(bar->getOwnBackBuffer()->getCapacityWidth(), wide / 2)
      << "below 70 % a buffer of the exact size is taken";

  bar->setFixedWidth(wide / 2 + 40);
  window->relayout();
  bar->repaint();
  EXPECT_GE(bar->getOwnBackBuffer()->getCapacityWidth(), wide / 2 + 40) << "too small: it grows";
}

TEST_F(StatusBarInWindow, PaintsItsDrawerAroundChildrenWhosePixelsSurvive) {
  StatusBar* bar = addBar();
  Box* coloured = Box::take();
  coloured->setBackgroundColor(0, 150, 0, false);
  coloured->setFixedWidth(40, false);
  coloured->setFixedHeight(15, false);
  bar->add(coloured);
  settle(window->getHandle());
  RecordingStatusBarDrawer* drawer = drawerOf(bar);
  const int before = drawer->m_paints;
  bar->repaint();
  EXPECT_GT(drawer->m_paints, before);
  const POINT corner = screenCorner(bar->GetSafeHwnd());
  const POINT child = screenCorner(coloured->GetSafeHwnd());
  EXPECT_EQ(screenPixel(window->getHandle(), child.x + 3, child.y + 3), RGB(0, 150, 0))
      << "the bar's repaint leaves its children's pixels alone";
  const RECT client = clientRect();
  EXPECT_EQ(screenPixel(window->getHandle(), corner.x + client.right - 30, corner.y + 1), kBarPaint)
      << "the transparent boxes show the bar's drawer";
}

TEST_F(StatusBarInWindow, AHiddenBarWaitsFarAwayAndGivesItsRoomBack) {
  StatusBar* bar = addBar();
  const RECT client = clientRect();
  bar->setVisible(false);
  EXPECT_FALSE(IsWindowVisible(bar->GetSafeHwnd()));
  EXPECT_EQ(bar->getX(), -10000);
  EXPECT_EQ(bar->getY(), 10000);
  EXPECT_FALSE(bar->getContent()->isVisible());
  EXPECT_EQ(window->getClientHeight(), client.bottom);
  window->relayout();
  EXPECT_EQ(root->getHeight(), client.bottom);
  bar->setVisible(true);
  EXPECT_TRUE(IsWindowVisible(bar->GetSafeHwnd()));
  EXPECT_EQ(bar->getY(), client.bottom - 23);

  // Removed, the bar goes back with its window and leaves all the room to the children.
  const HWND native = bar->GetSafeHwnd();
  window->remove(bar, true);
  EXPECT_FALSE(IsWindow(native));
  EXPECT_EQ(window->getClientHeight(), client.bottom);
  EXPECT_EQ(root->getHeight(), client.bottom);
}

TEST_F(StatusBarInWindow, FollowsTheSkinAndLeavesTheSkinnerWhenDetached) {
  using s::gui::drawer::test::TestSkin;
  using s::gui::drawer::test::TestSkinner;
  RecordingStatusBarDrawer* thin = RecordingStatusBarDrawer::take();
  thin->m_height = 13;
  TestSkin* skin = TestSkin::take();
  skin->setStatusBarDrawer(thin);
  TestSkinner* skinner = TestSkinner::take();
  skinner->select(skin);
  window->setSkinner(skinner);
  StatusBar* bar = addBar();
  EXPECT_EQ(bar->getActiveDrawer(), thin) << "attached under a skinner, the skin's drawer paints";
  EXPECT_TRUE(skinner->isListening(bar));
  EXPECT_EQ(bar->getHeight(), 13);
  skinner->select(nullptr);
  EXPECT_EQ(bar->getActiveDrawer(), bar->getDefaultDrawer());
  EXPECT_EQ(bar->getHeight(), 23) << "the window lays the bar out again at the new height";
  skinner->select(skin);
  EXPECT_EQ(bar->getActiveDrawer(), thin);

  const HWND native = bar->GetSafeHwnd();
  bar->setParent(nullptr);
  EXPECT_FALSE(IsWindow(native));
  EXPECT_FALSE(skinner->isListening(bar));
  bar->setParent(nullptr);
  EXPECT_EQ(bar->getParent(), nullptr) << "detaching twice is harmless";
  window->setSkinner(nullptr);
  skinner->release();
  skin->release();
  thin->release();
}

}  // namespace
