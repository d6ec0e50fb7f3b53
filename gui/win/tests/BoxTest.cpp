// The drop box in a shown window: sizes and insets, the arrangements, bounds before creation,
// hiding and parking, click-through and hover, painting over the parent's pixels, wheel routing,
// nested layouts, file drops and a refused creation.
#include "gui/win/Box.h"
#include "gui/win/tests/BoxTestSupport.h"
#include "gui/win/tests/Listener.h"

#include "core/file/win/PathArray.h"
#include "gui/layout/FlowH.h"
#include "gui/tests/FakeComponent.h"
#include "gui/win/ChildWindow.h"
#include "testlib/TempDir.h"

#include <windows.h>
#include <winmsgbox.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

using lumetra::testgui::Listener;
using lumetra::testgui::positionInParent;
using lumetra::testgui::screenCorner;
using lumetra::testgui::screenPixel;
using lumetra::testgui::settle;
using lumetra::testgui::ShownWindow;
using lumetra::testgui::waitFor;
using s::gui::win::Box;

winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }

/// A box of a fixed size (no parent relayout asked).
Box* fixedBox(int32_t width, int32_t height) {
  Box* box = Box::take();
  box->setFixedWidth(width, false);
  box->setFixedHeight(height, false);
  return box;
}

/// The window's content: one box filling its client area.
Box* fillWindow(ShownWindow& window) {
  Box* root = Box::take();
  root->setFullSize();
  window->add(root);
  return root;
}

std::vector<std::u16string> droppedNames(Box* box) {
  std::vector<std::u16string> names;
  s::file::win::PathArray* paths = box->getDroppedPaths();
  for (int32_t i = 0; i < paths->getCount(); ++i) {
    names.emplace_back(paths->getAt(i)->getFullPath());
  }
  return names;
}

TEST(Box, SizeQueriesFollowFixedSizesInsetsAndFloors) {
  Box* box = Box::take();
  box->setFixedWidth(200, false);
  box->setHorizontalInsets(10);
  EXPECT_EQ(box->getMinimumWidth(), 200);
  EXPECT_EQ(box->getMaximumWidth(), 200);
  EXPECT_EQ(box->getMinimumClientWidth(), 180);
  EXPECT_EQ(box->getMaximumClientWidth(), 180);
  box->setFullSize();
  EXPECT_EQ(box->getMaximumWidth(), 200) << "a fixed width wins over the percent";
  box->setWidth(200);
  EXPECT_EQ(box->getClientWidth(), 180);
  box->setClientWidth(50);
  EXPECT_EQ(box->getWidth(), 70);

  box->setFixedWidth(-1, false);
  box->setWidthPercent(-1, false);
  EXPECT_EQ(box->getMinimumWidth(), 20) << "empty content plus the insets";
  box->setMinimumWidth(120);
  EXPECT_EQ(box->getMinimumWidth(), 120) << "the floor raises the minimum";
  box->setMinimumWidth(5);
  EXPECT_EQ(box->getMinimumWidth(), 20) << "a floor below the content changes nothing";
  box->setZeroMinimumWidth(true);
  box->setVerticalInsets(4);
  box->setZeroMinimumHeight(true);
  EXPECT_EQ(box->getMinimumWidth(), 0);
  EXPECT_EQ(box->getMinimumHeight(), 0);
  EXPECT_EQ(box->getMinimumClientHeight(), 0);
  EXPECT_EQ(box->getMaximumHeight(), 8);
  box->release();
}

TEST(Box, PercentSizesFollowTheParentsContentAndRelayoutIt) {
  ShownWindow window;
  Box* root = fillWindow(window);
  const int32_t clientWidth = window->getClientWidth();
  EXPECT_EQ(root->getWidth(), clientWidth);
  EXPECT_EQ(root->getHeight(), window->getClientHeight());

  root->setHorizontal();
  Box* half = Box::take();
  half->setWidthPercent(50, false);
  half->setFixedHeight(20, false);
  root->add(half);
  EXPECT_EQ(half->getMaximumWidth(), (clientWidth * 50 + 50) / 100) << "rounded, not truncated";
  EXPECT_EQ(half->getWidth(), half->getMaximumWidth());
  half->setFixedWidth(30, true);
  EXPECT_EQ(half->getWidth(), 30) << "the parent laid out again after the change";
}

TEST(Box, ChildrenSitInsideTheInsets) {
  ShownWindow window;
  Box* root = fillWindow(window);
  root->setInsets(5);
  Box* child = fixedBox(40, 30);
  root->add(child);
  EXPECT_EQ(child->getX(), 0);
  EXPECT_EQ(child->getY(), 0);
  const POINT native = positionInParent(child->GetSafeHwnd());
  EXPECT_EQ(native.x, 5);
  EXPECT_EQ(native.y, 5);

  root->setLeftInset(12);
  const POINT moved = positionInParent(child->GetSafeHwnd());
  EXPECT_EQ(moved.x, 12) << "an inset change moves the children at once";
  EXPECT_EQ(moved.y, 5);
  EXPECT_EQ(root->getClientWidth(), root->getWidth() - 17);
}

TEST(Box, ArrangementsPlaceChildrenByTheLayoutRoutines) {
  struct Case {
    void (Box::*arrange)();
    int32_t arrangement;
    std::vector<POINT> expected;
  };
  // Three 50 x 20 children in a 120-wide box with gaps of 4.
  const std::vector<Case> cases = {
      {&Box::setHorizontal, 0, {{0, 0}, {54, 0}, {108, 0}}},
      {&Box::setVertical, 1, {{0, 0}, {0, 24}, {0, 48}}},
      {&Box::setFlow, 2, {{0, 0}, {54, 0}, {0, 24}}},
      {&Box::setPile, 3, {{0, 0}, {0, 0}, {0, 0}}},
  };
  for (const Case& c : cases) {
    ShownWindow window;
    Box* root = fillWindow(window);
    root->setHorizontal();
    Box* box = Box::take();
    (box->*c.arrange)();
    box->setHorizontalGap(4);
    box->setVerticalGap(4);
    box->setFixedWidth(120, false);
    box->setFixedHeight(100, false);
    root->add(box);
    for (int i = 0; i < 3; ++i) {
      box->add(fixedBox(50, 20));
    }
    box->doLayout();
    EXPECT_EQ(box->getArrangement(), c.arrangement);
    for (int i = 0; i < 3; ++i) {
      const POINT native = positionInParent(s::gui::win::nativeHandleOf(box->getChild(i)));
      EXPECT_EQ(native.x, c.expected[i].x) << "arrangement " << c.arrangement << " child " << i;
      EXPECT_EQ(native.y, c.expected[i].y) << "arrangement " << c.arrangement << " child " << i;
    }
  }
}

TEST(Box, ANewBoxLaysOutAsAColumnThoughItReportsTheSharedFlow) {
  Box* box = Box::take();
  EXPECT_EQ(box->getArrangement(), 1);
  EXPECT_EQ(box->getLayout(), s::gui::layout::FlowH::getShared());
  box->release();
}

TEST(Box, LayoutWithoutChildrenStillReportsAndClearsTheContent) {
  Box* box = Box::take();
  std::atomic<int> laidOut{0};
  Listener listener([&](int32_t id) { laidOut += id == Box::kLaidOut ? 1 : 0; });
  box->addLayoutListener(&listener);
  box->doLayout();
  EXPECT_EQ(laidOut, 1);
  EXPECT_EQ(box->getMinimumWidth(), 0);
  EXPECT_EQ(box->getMinimumHeight(), 0);
  EXPECT_EQ(box->getMaximumWidth(), 0);
  EXPECT_EQ(box->getMaximumHeight(), 0);
  box->release();
}

TEST(Box, ALayoutMayNestOnceButNotDeeper) {
  Box* box = Box::take();
  int calls = 0;
  struct Reentrant : s::gui::events::IEventListener {
    Box* box;
    int* calls;
    void onEvent(s::base::IObject*, int32_t) override {
      ++*calls;
      if (*calls < 10) {
        box->doLayout();
      }
    }
  } again;
  again.box = box;
  again.calls = &calls;
  box->addLayoutListener(&again);
  box->doLayout();
  // The outer layout's listener starts a second one, whose listener's third is dropped.
  EXPECT_EQ(calls, 2);
  box->release();
}

TEST(Box, BoundsGivenBeforeCreationApplyWhenTheWindowIsMade) {
  ShownWindow window;
  Box* root = fillWindow(window);
  root->setLayout(nullptr);
  Box* child = Box::take();
  std::atomic<int> boundsEvents{0};
  Listener listener([&](int32_t id) { boundsEvents += id == Box::kBoundsChanged ? 1 : 0; });
  child->addBoundsListener(&listener);
  child->setBounds(7, 9, 33, 21);
  EXPECT_EQ(boundsEvents, 1);
  EXPECT_FALSE(child->hasHandle());
  // A pile leaves a child of fixed size where the layout puts it; read the native bounds right
  // after creation instead, before any layout: the child's own creation applies them.
  child->setFixedWidth(33, false);
  child->setFixedHeight(21, false);
  root->setPile();
  root->add(child);
  ASSERT_TRUE(child->hasHandle());
  RECT r;
  GetWindowRect(child->GetSafeHwnd(), &r);
  EXPECT_EQ(r.right - r.left, 33);
  EXPECT_EQ(r.bottom - r.top, 21);
}

TEST(Box, HidingParksTheBoxAndHidesItsChildren) {
  ShownWindow window;
  Box* root = fillWindow(window);
  Box* box = fixedBox(100, 80);
  root->add(box);
  Box* inner = fixedBox(20, 20);
  box->add(inner);
  ASSERT_TRUE(IsWindowVisible(inner->GetSafeHwnd()));

  box->setVisible(false);
  EXPECT_FALSE(box->isVisible());
  EXPECT_FALSE(IsWindowVisible(box->GetSafeHwnd()));
  EXPECT_EQ(box->getX(), -10000);
  EXPECT_EQ(box->getY(), 10000);
  const POINT parked = positionInParent(box->GetSafeHwnd());
  EXPECT_EQ(parked.x, -10000);
  EXPECT_EQ(parked.y, 10000);
  EXPECT_FALSE(inner->isVisible());

  box->setVisible(true, false);
  EXPECT_TRUE(IsWindowVisible(box->GetSafeHwnd()));
  EXPECT_FALSE(inner->isVisible()) << "no cascade: the children stay hidden";
  EXPECT_EQ(box->getX(), 0) << "the parent's layout placed it again";
  box->setVisible(false);
  box->setVisible(true);
  EXPECT_TRUE(inner->isVisible());
  EXPECT_TRUE(IsWindowVisible(inner->GetSafeHwnd()));

  box->setVisibilityLocked(true);
  box->setVisible(false);
  EXPECT_TRUE(box->isVisible()) << "a locked box keeps its visibility";
}

TEST(Box, ShowOnlyAndShowOnlyParked) {
  ShownWindow window;
  Box* root = fillWindow(window);
  Box* pages = fixedBox(200, 100);
  root->add(pages);
  std::vector<Box*> page;
  for (int i = 0; i < 3; ++i) {
    page.push_back(fixedBox(50, 20));
    pages->add(page.back());
  }
  pages->showOnly(1);
  EXPECT_FALSE(page[0]->isVisible());
  EXPECT_TRUE(page[1]->isVisible());
  EXPECT_FALSE(page[2]->isVisible());
  pages->showOnly(7);
  EXPECT_FALSE(page[1]->isVisible()) << "an index past the end hides them all";

  pages->showOnlyParked(2);
  EXPECT_TRUE(page[2]->isVisible());
  page[0]->setVisible(true);
  EXPECT_FALSE(page[0]->isVisible()) << "a parked box is locked hidden";
  pages->doLayout();
  const POINT shown = positionInParent(page[2]->GetSafeHwnd());
  EXPECT_LT(shown.y, 100) << "the shown page has no parking offset";
  pages->showOnlyParked(0);
  EXPECT_TRUE(page[0]->isVisible()) << "showing unlocks it";
  EXPECT_FALSE(page[2]->isVisible());
}

TEST(Box, ClicksFallThroughUntilSomeoneListens) {
  ShownWindow window;
  Box* root = fillWindow(window);
  Box* box = fixedBox(100, 80);
  root->add(box);
  const POINT corner = screenCorner(box->GetSafeHwnd());
  const LPARAM at = MAKELPARAM(corner.x + 10, corner.y + 10);
  EXPECT_EQ(SendMessageW(box->GetSafeHwnd(), WM_NCHITTEST, 0, at), HTTRANSPARENT);

  std::atomic<int> windowClicks{0};
  Listener onWindow([&](int32_t) { ++windowClicks; });
  window->addLeftButtonDownListener(&onWindow);
  headless().click(corner.x + 10, corner.y + 10);
  EXPECT_TRUE(waitFor([&] { return windowClicks.load() > 0; }))
      << "the click went through both boxes to the window";

  std::atomic<int> boxClicks{0};
  Listener onBox([&](int32_t id) { boxClicks += id == Box::kClicked ? 1 : 0; });
  box->addClickListener(&onBox);
  EXPECT_EQ(SendMessageW(box->GetSafeHwnd(), WM_NCHITTEST, 0, at), HTCLIENT);
  headless().click(corner.x + 10, corner.y + 10);
  EXPECT_TRUE(waitFor([&] { return boxClicks.load() == 1; }));
  EXPECT_EQ(SendMessageW(box->GetSafeHwnd(), WM_ERASEBKGND, 0, 0), 1);
  EXPECT_EQ(SendMessageW(box->GetSafeHwnd(), WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS,
            DLGC_WANTALLKEYS);
}

TEST(Box, HoverPaintsItsColourWhileTheMouseIsInside) {
  ShownWindow window;
  Box* root = fillWindow(window);
  Box* box = fixedBox(100, 80);
  box->setBackgroundColor(0, 0, 255, false);
  box->setHoverColor(0, 255, 0);
  Listener onBox([](int32_t) {});
  box->addClickListener(&onBox);
  root->add(box);
  const HWND top = window->getHandle();
  const POINT corner = screenCorner(box->GetSafeHwnd());
  EXPECT_TRUE(
      waitFor([&] { return screenPixel(top, corner.x + 5, corner.y + 5) == RGB(0, 0, 255); }));

  headless().moveMouse(corner.x + 20, corner.y + 20);
  EXPECT_TRUE(waitFor([&] { return GetCapture() == box->GetSafeHwnd(); }));
  EXPECT_TRUE(
      waitFor([&] { return screenPixel(top, corner.x + 5, corner.y + 5) == RGB(0, 255, 0); }));

  headless().moveMouse(corner.x + 300, corner.y + 150);
  EXPECT_TRUE(waitFor([&] { return GetCapture() == nullptr; }));
  EXPECT_TRUE(
      waitFor([&] { return screenPixel(top, corner.x + 5, corner.y + 5) == RGB(0, 0, 255); }));
}

TEST(Box, ATransparentBoxShowsItsParentsPixels) {
  ShownWindow window;
  window->setBackgroundColor(200, 10, 10, true);
  Box* root = fillWindow(window);
  Box* outer = fixedBox(200, 150);
  outer->setBackgroundColor(10, 150, 10, false);
  root->add(outer);
  Box* inner = fixedBox(60, 40);
  outer->add(inner);
  const HWND top = window->getHandle();
  const POINT rootCorner = screenCorner(root->GetSafeHwnd());
  const POINT innerCorner = screenCorner(inner->GetSafeHwnd());
  window->repaint();
  EXPECT_TRUE(waitFor([&] {
    return screenPixel(top, rootCorner.x + 300, rootCorner.y + 200) == RGB(200, 10, 10);
  })) << "the transparent root shows the window's colour";
  EXPECT_TRUE(waitFor([&] {
    return screenPixel(top, innerCorner.x + 3, innerCorner.y + 3) == RGB(10, 150, 10);
  })) << "the transparent inner box shows the opaque outer one";
  EXPECT_NE(inner->getBackBuffer(nullptr, nullptr), nullptr)
      << "its children find the outer box's buffer";
}

TEST(Box, PaintListenersMayPaintTheWholeBox) {
  ShownWindow window;
  Box* root = fillWindow(window);
  Box* box = fixedBox(100, 80);
  box->setBackgroundColor(0, 0, 255, false);
  std::atomic<int> painting{0};
  std::atomic<bool> hadDc{false};
  struct Painter : s::gui::events::IEventListener {
    Box* box = nullptr;
    std::atomic<int>* count = nullptr;
    std::atomic<bool>* hadDc = nullptr;
    void onEvent(s::base::IObject*, int32_t) override {
      ++*count;
      HDC dc = box->getPaintDC();
      *hadDc = dc != nullptr;
      RECT all{0, 0, 100, 80};
      HBRUSH yellow = CreateSolidBrush(RGB(255, 255, 0));
      FillRect(dc, &all, yellow);
      DeleteObject(yellow);
      box->setPainted();
    }
  } painter;
  painter.box = box;
  painter.count = &painting;
  painter.hadDc = &hadDc;
  box->addPaintListener(&painter);
  root->add(box);
  box->repaint();
  const POINT corner = screenCorner(box->GetSafeHwnd());
  EXPECT_TRUE(waitFor([&] {
    return screenPixel(window->getHandle(), corner.x + 5, corner.y + 5) == RGB(255, 255, 0);
  })) << "the listener's painting stays: the box painted nothing over it";
  EXPECT_GT(painting, 0);
  EXPECT_TRUE(hadDc);
  EXPECT_EQ(box->getPaintDC(), nullptr) << "only while listeners run";
}

TEST(Box, TheWheelGoesToTheInnermostContainerThatTakesIt) {
  ShownWindow window;
  Box* root = fillWindow(window);
  Box* outer = fixedBox(200, 150);
  root->add(outer);
  Box* inner = fixedBox(60, 40);
  outer->add(inner);
  std::atomic<int> innerWheels{0};
  Listener onInner([&](int32_t id) { innerWheels += id == Box::kMouseWheel ? 1 : 0; });
  inner->addMouseWheelListener(&onInner);
  std::atomic<int> windowWheels{0};
  Listener onWindow([&](int32_t) { ++windowWheels; });
  window->addMouseWheelListener(&onWindow);

  const POINT in = screenCorner(inner->GetSafeHwnd());
  EXPECT_EQ(SendMessageW(outer->GetSafeHwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA),
                         MAKELPARAM(in.x + 5, in.y + 5)),
            1)
      << "taken by a child";
  EXPECT_EQ(innerWheels, 1);
  EXPECT_GT(inner->getWheelLines(), 0);
  SendMessageW(outer->GetSafeHwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA),
               MAKELPARAM(in.x + 5, in.y + 5));
  EXPECT_EQ(innerWheels, 2);
  EXPECT_LT(inner->getWheelLines(), 0) << "towards the user";

  // Outside the inner box nobody listens: the owner window hears it.
  const POINT out = screenCorner(outer->GetSafeHwnd());
  SendMessageW(outer->GetSafeHwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA),
               MAKELPARAM(out.x + 150, out.y + 120));
  EXPECT_EQ(innerWheels, 2);
  EXPECT_TRUE(waitFor([&] { return windowWheels.load() == 1; }));
  // A point outside the box itself is nobody's.
  SendMessageW(inner->GetSafeHwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA),
               MAKELPARAM(out.x + 150, out.y + 120));
  EXPECT_EQ(innerWheels, 2);
}

class BoxDrops : public testing::Test {
 protected:
  void SetUp() override {
    root = fillWindow(window);
    box = fixedBox(200, 150);
    box->setAcceptFiles(true);
    box->addDropListener(&listener);
    root->add(box);
    corner = screenCorner(box->GetSafeHwnd());
  }
  /// Drops `files` on the box and waits for its event.
  void drop(std::vector<std::u16string> files) {
    const int before = drops;
    ASSERT_TRUE(headless().dropFiles(corner.x + 10, corner.y + 10, std::move(files)));
    ASSERT_TRUE(waitFor([&] { return drops.load() > before; }));
  }

  ShownWindow window;
  Box* root = nullptr;
  Box* box = nullptr;
  POINT corner{0, 0};
  std::atomic<int> drops{0};
  Listener listener{[this](int32_t id) { drops += id == Box::kFilesDropped ? 1 : 0; }};
};

TEST_F(BoxDrops, NamesArriveWholeInOrderAndASecondDropReplacesTheFirst) {
  lumetra::testlib::TempDir dir;
  const std::u16string folder = dir.windowsPath("songs");
  const std::u16string longName = u"Z:\\tmp\\" + std::u16string(300, u'x') + u".mp3";
  drop({u"Z:\\tmp\\a b.mp3", folder, longName});
  EXPECT_EQ(droppedNames(box), (std::vector<std::u16string>{u"Z:\\tmp\\a b.mp3", folder, longName}))
      << "a folder is one entry; a long name is not cut";

  drop({u"Z:\\tmp\\second.wav"});
  EXPECT_EQ(droppedNames(box), std::vector<std::u16string>{u"Z:\\tmp\\second.wav"});
}

TEST_F(BoxDrops, AnEmptyDropEmptiesTheListAndStillReports) {
  drop({u"Z:\\tmp\\a.mp3"});
  drop({});
  EXPECT_EQ(box->getDroppedPaths()->getCount(), 0);
  EXPECT_EQ(drops, 2);
}

TEST_F(BoxDrops, ABoxThatStopsAcceptingGetsNoDrops) {
  box->setAcceptFiles(false);
  headless().dropFiles(corner.x + 10, corner.y + 10, {u"Z:\\tmp\\a.mp3"});
  settle(window->getHandle());
  settle(box->GetSafeHwnd());
  EXPECT_EQ(drops, 0);
  EXPECT_EQ(box->getDroppedPaths()->getCount(), 0);
}

std::atomic<int> g_messageBoxes{0};
std::u16string g_lastMessage;

int WINAPI recordMessageBox(HWND, LPCWSTR text, LPCWSTR, UINT) {
  ++g_messageBoxes;
  g_lastMessage = text;
  return IDOK;
}

TEST(Box, ARefusedCreationTellsTheUserOncePerAttempt) {
  auto previous = winapi::seam::replaceMessageBoxW(&recordMessageBox);
  g_messageBoxes = 0;
  // A parent without a native window: a child window cannot be made in it.
  lumetra::testgui::Fake parent(0, 100, 0, 100);
  Box* box = Box::take();
  box->setParent(&parent);
  EXPECT_FALSE(box->hasHandle());
  EXPECT_EQ(g_messageBoxes, 1);
  EXPECT_EQ(g_lastMessage, u"Window Creation Failed!");
  box->setParent(&parent);
  EXPECT_EQ(g_messageBoxes, 2);
  box->setParent(nullptr);
  box->setParent(nullptr);
  EXPECT_EQ(box->getParent(), nullptr) << "detaching twice is harmless";
  box->release();
  winapi::seam::replaceMessageBoxW(previous);
}

TEST(Box, MakeBoxAppliesWhatItIsGiven) {
  Box* box = s::gui::win::makeBox(0, 50.9, -1, 1, 5, 3, 0, 6, 2);
  EXPECT_EQ(box->getArrangement(), 0);
  EXPECT_EQ(box->getMinimumWidth(), 12) << "horizontal insets as a pair";
  EXPECT_EQ(box->getMinimumHeight(), 4) << "vertical insets as a pair";
  box->setFixedWidth(-1, false);
  box->release();

  Box* plain = s::gui::win::makeBox(9, -1, -1, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(plain->getArrangement(), 1) << "an unknown arrangement keeps the column";
  plain->release();
}

TEST(Box, AReleasedBoxComesBackEmptyAndDetached) {
  ShownWindow window;
  Box* root = fillWindow(window);
  Box* box = fixedBox(50, 50);
  box->setInsets(3);
  box->setBackgroundColor(1, 2, 3, false);
  root->add(box);
  box->add(fixedBox(10, 10));
  const HWND handle = box->GetSafeHwnd();
  root->remove(box, true);
  EXPECT_FALSE(IsWindow(handle)) << "its window went with it";
  Box* again = Box::take();
  EXPECT_EQ(again->getChildCount(), 0);
  EXPECT_EQ(again->getParent(), nullptr);
  EXPECT_TRUE(again->isParentBackground());
  EXPECT_EQ(again->getMinimumWidth(), 0);
  EXPECT_EQ(again->getArrangement(), 1);
  again->release();
}

}  // namespace
