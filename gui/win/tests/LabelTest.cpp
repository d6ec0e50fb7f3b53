// The label on a real UI thread with a recording text drawer: text changes and their paints,
// temporary texts, the link's state machine and its shell open, hits falling through, the fit
// caches, derived fonts, hiding and texts set from a worker thread.
#include "gui/win/Label.h"
#include "gui/win/tests/BoxTestSupport.h"
#include "gui/win/tests/Listener.h"
#include "gui/win/tests/RecordingTextDrawer.h"

#include "gui/win/Box.h"

#include <windows.h>
#include <shlobj.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

using lumetra::testgui::Listener;
using lumetra::testgui::RecordingTextDrawer;
using lumetra::testgui::settle;
using lumetra::testgui::ShownWindow;
using lumetra::testgui::waitFor;
using s::gui::win::Box;
using s::gui::win::Label;

class LabelInBox : public testing::Test {
 protected:
  void SetUp() override {
    root = Box::take();
    root->setFullSize();
    window->add(root);
    label = Label::take();
    label->setDrawer(&drawer, false);
    label->setText(u"Ready", true);
    root->add(label);
    settle(window->getHandle());
  }
  HWND control() { return label->GetSafeHwnd(); }
  LPARAM at(int x, int y) { return MAKELPARAM(x, y); }
  /// A hit test at a point of the label, in screen coordinates as the system sends it.
  LRESULT hitTest() {
    const POINT corner = lumetra::testgui::screenCorner(control());
    return SendMessageW(control(), WM_NCHITTEST, 0, MAKELPARAM(corner.x + 3, corner.y + 3));
  }

  RecordingTextDrawer drawer;
  ShownWindow window;
  Box* root = nullptr;
  Label* label = nullptr;
};

TEST_F(LabelInBox, ANewTextWipesTheOldOneFirstAndSameTextChangesNothing) {
  ASSERT_TRUE(label->isCreated());
  EXPECT_EQ(label->getMinimumWidth(), 35) << "measured by the drawer";
  drawer.clear();
  EXPECT_FALSE(label->setText(u"Ready", true));
  EXPECT_TRUE(drawer.painted().empty()) << "the same text paints nothing";

  EXPECT_TRUE(label->setText(u"Done", true));
  const std::vector<std::u16string> painted = drawer.painted();
  ASSERT_GE(painted.size(), 2u);
  EXPECT_EQ(painted[0], u"") << "the old text is wiped first";
  EXPECT_EQ(painted.back(), u"Done");
  EXPECT_EQ(label->getMinimumWidth(), 28);
  EXPECT_EQ(std::u16string(label->getText()), u"Done");
}

TEST_F(LabelInBox, TextsSetFromAWorkerWaitForTheUiThread) {
  std::atomic<bool> changed{false};
  std::thread worker([&] { changed = label->setText(u"From the worker", true); });
  worker.join();
  EXPECT_TRUE(changed);
  EXPECT_EQ(std::u16string(label->getText()), u"From the worker");
  EXPECT_EQ(drawer.painted().back(), u"From the worker") << "painted before the call returned";
}

TEST_F(LabelInBox, TemporaryTextsGoBackToTheTextFromBeforeTheFirstOne) {
  label->showTextFor(u"Saved!", 40);
  EXPECT_EQ(std::u16string(label->getText()), u"Saved!");
  label->showTextFor(u"Saved again!", 40);
  EXPECT_TRUE(waitFor([&] { return std::u16string(label->getText()) == u"Ready"; }));
  // An empty text is a text to go back to as well.
  label->setText(u"", true);
  label->showTextFor(u"one", 40);
  label->showTextFor(u"two", 40);
  EXPECT_TRUE(waitFor([&] { return std::u16string(label->getText()).empty(); }))
      << "the first temporary text must not stay";
  label->showTextFor(u"three", 40);
  EXPECT_TRUE(waitFor([&] { return std::u16string(label->getText()).empty(); }))
      << "nothing of the earlier temporary texts stays saved";
}

std::vector<std::u16string> g_opened;
std::vector<std::u16string>* g_order = nullptr;

BOOL WINAPI recordOpen(SHELLEXECUTEINFOW* info) {
  g_opened.emplace_back(info->lpFile != nullptr ? info->lpFile : u"");
  if (g_order != nullptr) {
    g_order->emplace_back(u"open");
  }
  return TRUE;
}

TEST_F(LabelInBox, ALinkOpensItsTargetThenTellsItsListenersOnlyWhenReleasedOverIt) {
  auto previous = winapi::seam::replaceShellExecuteExW(&recordOpen);
  g_opened.clear();
  std::vector<std::u16string> order;
  g_order = &order;
  Listener clicks([&](int32_t id) { order.emplace_back(id == 1 ? u"click" : u"other"); });
  label->setClickable(true);
  label->setLinkTarget(u"https://example.org/");
  label->addClickListener(&clicks);

  EXPECT_EQ(hitTest(), HTCLIENT) << "a link takes hits";
  SendMessageW(control(), WM_MOUSEMOVE, 0, at(3, 3));
  EXPECT_EQ(label->getHoverState(), 1);
  EXPECT_EQ(label->getLinkHoverFont(), drawer.lastPaintFont()) << "the hover look";
  SendMessageW(control(), WM_LBUTTONDOWN, MK_LBUTTON, at(3, 3));
  EXPECT_EQ(label->getHoverState(), 2);
  SendMessageW(control(), WM_MOUSEMOVE, MK_LBUTTON, at(500, 3));
  EXPECT_EQ(label->getHoverState(), 0) << "pressed and outside";
  SendMessageW(control(), WM_MOUSEMOVE, MK_LBUTTON, at(3, 3));
  EXPECT_EQ(label->getHoverState(), 2) << "back in while pressed";
  SendMessageW(control(), WM_LBUTTONUP, 0, at(3, 3));
  const std::vector<std::u16string> expected{u"open", u"click"};
  EXPECT_EQ(order, expected);
  ASSERT_EQ(g_opened.size(), 1u);
  EXPECT_EQ(g_opened[0], u"https://example.org/");
  EXPECT_EQ(label->getHoverState(), 0);

  // Released outside: nothing opened, nobody told.
  order.clear();
  SendMessageW(control(), WM_LBUTTONDOWN, MK_LBUTTON, at(3, 3));
  SendMessageW(control(), WM_LBUTTONUP, 0, at(500, 3));
  EXPECT_TRUE(order.empty());
  // An empty target still tells the listeners.
  label->setLinkTarget(nullptr);
  SendMessageW(control(), WM_LBUTTONDOWN, MK_LBUTTON, at(3, 3));
  SendMessageW(control(), WM_LBUTTONUP, 0, at(3, 3));
  const std::vector<std::u16string> onlyClick{u"click"};
  EXPECT_EQ(order, onlyClick);
  EXPECT_EQ(g_opened.size(), 1u);
  g_order = nullptr;
  winapi::seam::replaceShellExecuteExW(previous);
}

TEST_F(LabelInBox, APlainLabelLetsHitsThroughAndIgnoresTheMouse) {
  EXPECT_EQ(hitTest(), HTTRANSPARENT);
  SendMessageW(control(), WM_MOUSEMOVE, 0, at(3, 3));
  SendMessageW(control(), WM_LBUTTONDOWN, MK_LBUTTON, at(3, 3));
  EXPECT_EQ(label->getHoverState(), 0);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(LabelInBox, FitsAreCachedPerWidthAndANegativeWidthFitsAsNone) {
  const int before = drawer.m_fits;
  label->setSizeWithinLimits(14, 100);
  EXPECT_EQ(label->getWidth(), 14);
  label->setSizeWithinLimits(14, 50);
  EXPECT_EQ(drawer.m_fits, before + 1) << "the second fit of the same width is cached";
  label->setSizeWithinLimits(-20, 10);
  EXPECT_EQ(label->getWidth(), 0);
  EXPECT_EQ(label->getHeight(), 13);
  label->setSizeWithinLimits(1 << 30, 10);
  EXPECT_EQ(label->getWidth(), 35) << "a huge width is measured, not cached";
  label->setText(u"Ready.", true);
  const int afterChange = drawer.m_fits;
  label->setSizeWithinLimits(14, 10);
  EXPECT_EQ(drawer.m_fits, afterChange + 1) << "a new text empties the caches";
}

TEST_F(LabelInBox, DerivedFontsAreMadeOnFirstNeedAndCompletedByTheDrawer) {
  const int completions = drawer.m_completions;
  label->setBold(true);
  s::gui::IFont* link = label->getLinkFont();
  ASSERT_NE(link, nullptr);
  EXPECT_TRUE(link->isBold()) << "a derived font copies the base font's boldness";
  EXPECT_EQ(drawer.m_completions, completions + 1);
  EXPECT_EQ(drawer.m_lastCompleted, 2) << "the base font and the one link font so far";
  EXPECT_EQ(label->getLinkFont(), link) << "made once";
  EXPECT_EQ(drawer.m_completions, completions + 1);

  label->setEllipsis(true);
  EXPECT_TRUE(link->isEndEllipsis()) << "the ellipsis reaches the fonts that exist";
  label->setMultiLine(true);
  label->setClickable(true);
  EXPECT_TRUE(label->getLinkPressedFont()->isWordWrap());
  label->setEnabled(false);
  label->repaint();
  EXPECT_EQ(drawer.lastPaintFont(), label->getDisabledFont());
}

TEST_F(LabelInBox, HidingParksTheControlFarAway) {
  label->setVisible(false);
  const POINT parked = lumetra::testgui::positionInParent(control());
  EXPECT_EQ(parked.x, -10000);
  EXPECT_EQ(parked.y, -10000);
  EXPECT_FALSE(IsWindowVisible(control()));
  label->setVisible(true);
  EXPECT_TRUE(IsWindowVisible(control()));
  EXPECT_GE(lumetra::testgui::positionInParent(control()).x, 0) << "placed by the relayout";
}

TEST(Label, WithoutAControlTextsAreStoredAndTemporaryTextsIgnored) {
  Label* label = s::gui::win::makeLabel(u"a", true, true, 0);
  EXPECT_TRUE(label->getFont()->isWordWrap());
  EXPECT_TRUE(label->getFont()->isEndEllipsis());
  label->showTextFor(u"b", 10);
  EXPECT_EQ(std::u16string(label->getText()), u"a");
  EXPECT_TRUE(label->setText(u"c", true));
  EXPECT_FALSE(label->setText(u"c", true));
  label->release();
  Label* reused = Label::take();
  EXPECT_EQ(std::u16string(reused->getText()), u"") << "reset empties the text";
  EXPECT_FALSE(reused->isClickable());
  reused->release();
}

}  // namespace
