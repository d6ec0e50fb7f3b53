// A window and its skinner: the window borrows the current skin's window drawer, takes the new
// one after a skin change, records the skin's name, and stops listening when it goes back to its
// pool or changes skinners. Every drawer interface is included here so that each one compiles.
#include "gui/drawer/tests/TestSkin.h"

#include "core/thread/ClassTail.h"
#include "gui/app/IAppWindow.h"
#include "gui/drawer/IBorder.h"
#include "gui/drawer/IButton.h"
#include "gui/drawer/ICheckBox.h"
#include "gui/drawer/ICombo.h"
#include "gui/drawer/ICounter.h"
#include "gui/drawer/IGroupBox.h"
#include "gui/drawer/IImage.h"
#include "gui/drawer/IListBox.h"
#include "gui/drawer/IListHeader.h"
#include "gui/drawer/IMenu.h"
#include "gui/drawer/IRadioButton.h"
#include "gui/drawer/IScrollBar.h"
#include "gui/drawer/ISlider.h"
#include "gui/drawer/IStatusBar.h"
#include "gui/drawer/ITabBox.h"
#include "gui/drawer/IText.h"
#include "gui/drawer/IWindow.h"
#include "gui/drawer/border/IPlain.h"
#include "gui/drawer/border/IThin.h"
#include "gui/drawer/border/IUnderWindowMenu.h"
#include "gui/drawer/button/IThin.h"
#include "gui/drawer/checkbox/IThin.h"
#include "gui/drawer/combo/IThin.h"
#include "gui/drawer/counter/IBasic.h"
#include "gui/drawer/groupbox/IBasic.h"
#include "gui/drawer/groupbox/IThin.h"
#include "gui/drawer/image/IBasic.h"
#include "gui/drawer/listbox/IBasic.h"
#include "gui/drawer/listbox/IThin.h"
#include "gui/drawer/listheader/IThin.h"
#include "gui/drawer/menu/IBasic.h"
#include "gui/drawer/radiobutton/IThin.h"
#include "gui/drawer/scrollbar/IThin.h"
#include "gui/drawer/slider/IThin.h"
#include "gui/drawer/statusbar/IBasic.h"
#include "gui/drawer/statusbar/IBasicResizer.h"
#include "gui/drawer/statusbar/IThin.h"
#include "gui/drawer/tabbox/IThin.h"
#include "gui/drawer/text/IBasic.h"
#include "gui/drawer/window/IThin.h"
#include "gui/win/Window.h"

#include <windows.h>
#include <afxwin.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

namespace {

using s::gui::drawer::test::TestSkin;
using s::gui::drawer::test::TestSkinner;
using s::gui::win::Window;

/// A window drawer that counts its paints and the times it went back to its pool.
class CountingDrawer final : public s::gui::drawer::IWindow {
  S_POOLED_CLASS(CountingDrawer, u"CountingDrawer", 0)

  CountingDrawer() = default;
  void reset() override {}
  void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) override {
    ++paints;
    dc->FillSolidRect(left, top, right - left, bottom - top, RGB(1, 2, 3));
  }
  HRGN createRegion(int32_t, int32_t, int32_t, int32_t) override { return nullptr; }
  std::atomic<int> paints{0};
};

/// The part of a settings record that a skinned window writes: the skin's name.
class SkinRecord final : public s::app::IAppWindow {
  S_POOLED_CLASS(SkinRecord, u"SkinRecord")

  SkinRecord() = default;
  void reset() override {}
  s::app::win::AppBase* getAppBase() override { return nullptr; }
  const WCHAR* getName() override { return u"SkinnedWindow"; }
  const WCHAR* makeSettingsKey(const WCHAR*) override { return u""; }
  int32_t getTitleTextId() override { return -1; }
  s::lang::Localizer* getLocalizer() override { return nullptr; }
  bool hasSkinner() override { return skinner != nullptr; }
  s::gui::drawer::ISkinner* getSkinner() override { return skinner; }
  const WCHAR* getSkinName() override { return skinName.c_str(); }
  void setSkinName(const WCHAR* name) override { skinName = name; }
  bool hasPosition() override { return false; }
  void setBounds(int32_t, int32_t, int32_t, int32_t) override {}
  void setSize(int32_t, int32_t) override {}
  void deleteBounds() override {}
  bool hasX() override { return false; }
  int32_t getX() override { return 0; }
  void setX(int32_t) override {}
  bool hasY() override { return false; }
  int32_t getY() override { return 0; }
  void setY(int32_t) override {}
  bool isWidthValid() override { return true; }
  bool hasWidth() override { return false; }
  int32_t getWidth() override { return 300; }
  void setWidth(int32_t) override {}
  bool isHeightValid() override { return true; }
  bool hasHeight() override { return false; }
  int32_t getHeight() override { return 200; }
  void setHeight(int32_t) override {}
  bool isEasyDrag() override { return false; }
  void setEasyDrag(bool) override {}
  bool isMaximized() override { return false; }
  void setMaximized(bool) override {}
  bool isKeepOnTop() override { return false; }
  void setKeepOnTop(bool) override {}
  bool isCloseOnMClick() override { return false; }
  bool isIconizeOnMClick() override { return false; }
  const WCHAR* getOnMClick() override { return u""; }
  void setOnMClick(const WCHAR*) override {}
  void checkForUpdate(s::gui::IWindow*) override {}
  void beginTaskbarProgress(s::gui::IWindow*) override {}
  void setTaskbarProgress(s::gui::IWindow*, int32_t, int32_t) override {}
  void endTaskbarProgress(s::gui::IWindow*) override {}

  s::gui::drawer::ISkinner* skinner = nullptr;
  std::u16string skinName;
};

class SkinContract : public testing::Test {
 protected:
  void SetUp() override {
    first.setName(u"First");
    first.setWindowDrawer(&firstDrawer);
    second.setName(u"Second");
    second.setWindowDrawer(&secondDrawer);
    skinner.select(&first);
  }
  CountingDrawer firstDrawer;
  CountingDrawer secondDrawer;
  TestSkin first;
  TestSkin second;
  TestSkinner skinner;
};

TEST_F(SkinContract, AWindowPaintsWithTheCurrentSkinsDrawerAndFollowsAChange) {
  Window* window = Window::take();
  window->setBounds(50, 50, 300, 200);
  window->setSkinner(&skinner);
  EXPECT_TRUE(window->hasSkinner());
  EXPECT_EQ(window->getSkinner(), &skinner);
  EXPECT_TRUE(skinner.isListening(window));
  window->show(true, false);
  EXPECT_GT(firstDrawer.paints, 0) << "the first skin's window drawer paints the window";

  skinner.select(&second);
  EXPECT_GT(secondDrawer.paints, 0) << "a skin change repaints with the new skin's drawer";
  const int firstPaints = firstDrawer.paints;
  RedrawWindow(window->getHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(firstDrawer.paints, firstPaints) << "the old skin's drawer is no longer used";

  window->release();
  EXPECT_FALSE(skinner.isListening(window)) << "a released window leaves the skinner's list";
  // Both drawers were borrowed: neither went back to a pool (whose capacity 0 would delete it).
  skinner.select(&first);
  EXPECT_EQ(first.getWindowDrawer(), &firstDrawer);
}

TEST_F(SkinContract, TheSettingsRecordKeepsTheCurrentSkinsName) {
  SkinRecord record;
  record.skinner = &skinner;
  Window* window = Window::take();
  window->applySettings(&record, false);
  EXPECT_EQ(window->getSkinner(), &skinner);
  EXPECT_EQ(record.skinName, u"First");
  skinner.select(&second);
  EXPECT_EQ(record.skinName, u"Second");
  window->release();
}

TEST_F(SkinContract, AnotherSkinnerReplacesTheFirstOne) {
  TestSkinner other;
  TestSkin third;
  CountingDrawer thirdDrawer;
  third.setWindowDrawer(&thirdDrawer);
  other.select(&third);

  Window* window = Window::take();
  window->setSkinner(&skinner);
  window->setSkinner(&other);
  EXPECT_FALSE(skinner.isListening(window));
  EXPECT_TRUE(other.isListening(window));
  window->setSkinner(nullptr);
  EXPECT_FALSE(other.isListening(window));
  EXPECT_FALSE(window->hasSkinner());
  window->release();
}

TEST_F(SkinContract, ASkinnerWithoutACurrentSkinLendsNoDrawer) {
  TestSkinner empty;
  Window* window = Window::take();
  window->setSkinner(&empty);
  EXPECT_TRUE(empty.isListening(window));
  empty.select(nullptr);
  window->show(true, false);
  EXPECT_EQ(firstDrawer.paints, 0);
  window->release();
}

}  // namespace
