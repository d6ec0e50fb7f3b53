// The menu bar: hit testing (combo style, the last entry at the right, clicks falling through
// between entries), the press and release state machine with its reopen guard, drop-downs opened
// below their entries and slid between by the pointer, choices and language changes.
#include "gui/win/MenuEx.h"
#include "gui/win/tests/BoxTestSupport.h"
#include "gui/win/tests/Listener.h"
#include "gui/win/tests/TestLanguages.h"

#include "core/thread/ClassTail.h"
#include "gui/drawer/IMenu.h"
#include "gui/menuitem/MenuItem.h"
#include "gui/win/Box.h"
#include "gui/win/PopupMenu.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

namespace {

using lumetra::testgui::englishAndGerman;
using lumetra::testgui::idle;
using lumetra::testgui::Listener;
using lumetra::testgui::settle;
using lumetra::testgui::ShownWindow;
using lumetra::testgui::waitFor;
using s::gui::menuitem::MenuItem;
using s::gui::win::Box;
using s::gui::win::MenuEx;
using s::gui::win::PopupMenu;

winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }

/// Lays entries out 10 pixels a character plus the spacing, 14 plus the spacing high, and counts
/// its paints with the hot entry it was given.
class GridMenuDrawer final : public s::gui::drawer::IMenu {
  S_POOLED_CLASS(GridMenuDrawer, u"GridMenuDrawer")
  GridMenuDrawer() = default;
  void reset() override {}

  void paint(CDC*, int32_t, int32_t, int32_t, int32_t, const WCHAR* const*, const RECT*, int32_t,
             s::gui::IFont*, s::gui::IFont*, int32_t, int32_t, int32_t hotIndex, bool pressed, bool,
             bool, bool) override {
    ++paints;
    lastHot = hotIndex;
    lastPressed = pressed;
  }
  void applyToFonts(s::gui::IFont*, s::gui::IFont*) override {}
  void layout(HWND, const WCHAR* const* entries, RECT* rectangles, int32_t count, s::gui::IFont*,
              int32_t& minimumWidth, int32_t& minimumHeight, int32_t& preferredWidth,
              int32_t& preferredHeight, int32_t ph, int32_t pv, bool comboMode) override {
    minimumWidth = 0;
    for (int32_t i = 0; i < count; ++i) {
      const auto width = static_cast<int32_t>(10 * std::u16string(entries[i]).size()) + 2 * ph;
      rectangles[i] = RECT{minimumWidth, 0, minimumWidth + width, 14 + 2 * pv};
      minimumWidth += width;
    }
    minimumHeight = 14 + 2 * pv + (comboMode ? 4 : 0);
    minimumWidth += comboMode ? 15 : 0;
    preferredWidth = minimumWidth;
    preferredHeight = minimumHeight;
  }
  s::gui::IFontSetting* getFontSetting() override { return nullptr; }
  s::gui::IFontSetting* getSelectedFontSetting() override { return nullptr; }
  s::gui::drawer::ICombo* getComboDrawer() override { return nullptr; }

  std::atomic<int> paints{0};
  std::atomic<int> lastHot{-2};
  std::atomic<bool> lastPressed{false};
};

MenuItem* entry(int32_t id, const char16_t* text) {
  MenuItem* item = MenuItem::take();
  item->commandId = id;
  item->text->assign(text);
  return item;
}

PopupMenu* dropDown(const char16_t* title, int32_t firstId) {
  PopupMenu* menu = PopupMenu::take();
  menu->setTitle(title);
  menu->add(entry(firstId, u"one"));
  menu->add(entry(firstId + 1, u"two"));
  return menu;
}

/// A shown window holding a bar of File, View (drop-downs) and Go (command 900) at the top of
/// its box, 300 pixels wide.
class MenuBar : public testing::Test {
 protected:
  void SetUp() override {
    root = Box::take();
    root->setFullSize();
    window->add(root);
    bar = MenuEx::take();
    bar->setDrawer(&drawer, false);
    bar->addMenu(dropDown(u"File", 40));
    bar->addMenu(dropDown(u"View", 50));
    bar->addItem(entry(900, u"Go"));
    bar->addSelectionListener(&selection);
    bar->addOpenListener(&opening);
    bar->setFixedWidth(300);
  }
  void attach() {
    root->add(bar);
    ASSERT_TRUE(waitFor([&] { return bar->GetSafeHwnd() != nullptr; }));
    bar->setBounds(0, 0, 300, 20);
    settle(window->getHandle());
  }
  void TearDown() override {
    headless().runClock();
    headless().clearAnswers();
  }
  /// The screen point in the middle of an entry (the last one moved right when asked).
  POINT middleOf(int32_t index, bool atRight = false) {
    RECT window;
    GetWindowRect(bar->GetSafeHwnd(), &window);
    RECT r = bar->getEntryRect(index);
    if (atRight) {
      OffsetRect(&r, bar->getWidth() - r.right, 0);
    }
    return POINT{window.left + (r.left + r.right) / 2, window.top + (r.top + r.bottom) / 2};
  }
  void pointAt(POINT p) {
    headless().moveMouse(p.x, p.y);
    ASSERT_TRUE(waitFor([&] {
      POINT now{};
      GetCursorPos(&now);
      return now.x == p.x && now.y == p.y;
    }));
  }
  /// The visible menu window of a running loop, or null.
  static HWND openMenu() {
    HWND menu = FindWindowW(u"#32768", nullptr);
    return menu != nullptr && IsWindowVisible(menu) ? menu : nullptr;
  }

  // The drawer and the listeners are declared first so that they outlive the window, whose
  // thread may still paint the bar or tell it of events while the window goes.
  GridMenuDrawer drawer;
  std::atomic<int32_t> selected{-1};
  std::atomic<int> opened{0};
  MenuEx* bar = nullptr;
  Listener selection{[this](int32_t) { selected = bar->getSelectedId(); }};
  Listener opening{[this](int32_t id) { opened += id == 1 ? 1 : 0; }};
  ShownWindow window;
  Box* root = nullptr;
};

TEST_F(MenuBar, HitsEntriesOnlyAndLetsClicksBetweenThemThrough) {
  attach();
  const HWND handle = bar->GetSafeHwnd();
  pointAt(middleOf(1));
  EXPECT_EQ(bar->hitTest(), 1);
  POINT p = middleOf(1);
  EXPECT_EQ(SendMessageW(handle, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), HTCLIENT);
  RECT window;
  GetWindowRect(handle, &window);
  pointAt(POINT{window.right - 3, p.y});
  EXPECT_EQ(bar->hitTest(), -1);
  EXPECT_EQ(SendMessageW(handle, WM_NCHITTEST, 0, MAKELPARAM(window.right - 3, p.y)),
            HTTRANSPARENT);

  bar->setLastEntryAtRight(true);
  EXPECT_EQ(bar->hitTest(), 2) << "the last entry stands against the right edge";
  pointAt(middleOf(2));
  EXPECT_EQ(bar->hitTest(), -1) << "and no longer where it was laid out";

  bar->setComboStyle(true);
  pointAt(POINT{window.right - 3, window.bottom - 2});
  EXPECT_EQ(bar->hitTest(), 0) << "in combo style the whole bar is the first entry";
  pointAt(POINT{window.right + 5, p.y});
  EXPECT_EQ(bar->hitTest(), -1);
}

TEST_F(MenuBar, APressOpensTheDropDownBelowItsEntryAndTellsTheOpenListenersFirst) {
  attach();
  headless().scriptRun();
  pointAt(middleOf(1));
  headless().pressButton(WM_LBUTTONDOWN);
  ASSERT_TRUE(waitFor([] { return openMenu() != nullptr; }));
  EXPECT_EQ(opened, 1);
  EXPECT_TRUE(bar->isDropDownOpen());
  RECT menu, window;
  GetWindowRect(openMenu(), &menu);
  GetWindowRect(bar->GetSafeHwnd(), &window);
  const RECT entryRect = bar->getEntryRect(1);
  EXPECT_EQ(menu.left, window.left + entryRect.left);
  EXPECT_EQ(menu.top, window.top + entryRect.bottom);
  EXPECT_EQ(drawer.lastHot, 1);

  headless().releaseButton(WM_LBUTTONUP);
  PostMessageW(openMenu(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(waitFor([&] { return !bar->isDropDownOpen(); }));
  settle(bar->GetSafeHwnd());
  EXPECT_EQ(bar->getHotIndex(), -1);
  EXPECT_FALSE(bar->isPressed()) << "the loop took the release; the press is over";
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(MenuBar, TheLastEntryAtTheRightOpensItsDropDownThere) {
  bar->addMenu(dropDown(u"Help", 70));
  bar->setLastEntryAtRight(true);
  attach();
  headless().scriptRun();
  pointAt(middleOf(3, true));
  headless().pressButton(WM_LBUTTONDOWN);
  ASSERT_TRUE(waitFor([] { return openMenu() != nullptr; }));
  RECT menu, window;
  GetWindowRect(openMenu(), &menu);
  GetWindowRect(bar->GetSafeHwnd(), &window);
  const RECT help = bar->getEntryRect(3);
  EXPECT_EQ(menu.left, window.right - (help.right - help.left));
  EXPECT_EQ(menu.top, window.top + help.bottom);
  headless().releaseButton(WM_LBUTTONUP);
  PostMessageW(openMenu(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(waitFor([&] { return !bar->isDropDownOpen(); }));
}

TEST_F(MenuBar, APressSoonAfterAClosingOpensNothingAndALaterOneOpens) {
  // The tick clock stands still but for the test's moves.
  constexpr ULONGLONG kStart = 10'000'000'000;
  headless().setClock(kStart);
  attach();
  pointAt(middleOf(0));
  headless().scriptCancel();
  headless().click(middleOf(0).x, middleOf(0).y);
  ASSERT_TRUE(waitFor([&] { return opened.load() == 1 && !bar->isDropDownOpen(); }));
  EXPECT_EQ(bar->getLastCloseTime(), static_cast<int64_t>(kStart));

  headless().advanceClock(MenuEx::kReopenGuardMs);
  headless().click(middleOf(0).x, middleOf(0).y);
  ASSERT_TRUE(idle(bar->GetSafeHwnd()));
  EXPECT_EQ(opened, 1) << "the press that closed the drop-down opens nothing";

  headless().advanceClock(1);
  headless().click(middleOf(0).x, middleOf(0).y);
  ASSERT_TRUE(waitFor([&] { return opened.load() == 2 && !bar->isDropDownOpen(); }));
  EXPECT_EQ(bar->getLastCloseTime(), static_cast<int64_t>(kStart + MenuEx::kReopenGuardMs + 1));

  // A clock set back leaves the last closing in the future: the guard does not hold for that.
  headless().setClock(kStart - 3'600'000);
  settle(bar->GetSafeHwnd());
  headless().click(middleOf(1).x, middleOf(1).y);
  ASSERT_TRUE(waitFor([&] { return opened.load() == 3; }));
}

TEST_F(MenuBar, ACommandEntryFiresOnReleaseOverItOnly) {
  attach();
  pointAt(middleOf(2));
  headless().pressButton(WM_LBUTTONDOWN);
  ASSERT_TRUE(waitFor([&] { return bar->isPressed(); }));
  EXPECT_EQ(selected, -1) << "not on the press";
  headless().releaseButton(WM_LBUTTONUP);
  ASSERT_TRUE(waitFor([&] { return selected.load() == 900; }));
  EXPECT_FALSE(bar->isDropDownOpen());
  EXPECT_EQ(opened, 0);

  selected = -1;
  headless().pressButton(WM_LBUTTONDOWN);
  RECT window;
  GetWindowRect(bar->GetSafeHwnd(), &window);
  pointAt(POINT{window.right - 3, middleOf(2).y});
  headless().releaseButton(WM_LBUTTONUP);
  ASSERT_TRUE(waitFor([&] { return !bar->isPressed(); }));
  EXPECT_EQ(selected, -1) << "released elsewhere";
  EXPECT_EQ(bar->getHotIndex(), -1);
}

TEST_F(MenuBar, TheOpenDropDownSlidesToTheNextAndOntoACommandEntry) {
  attach();
  headless().scriptRun();
  headless().scriptRun();
  pointAt(middleOf(0));
  headless().pressButton(WM_LBUTTONDOWN);
  ASSERT_TRUE(waitFor([] { return openMenu() != nullptr; }));
  headless().releaseButton(WM_LBUTTONUP);
  const HWND first = openMenu();

  // No click: the 10 ms timer sees the pointer on View.
  pointAt(middleOf(1));
  ASSERT_TRUE(waitFor([&] { return opened.load() == 2 && openMenu() != nullptr; }));
  EXPECT_EQ(bar->getHotIndex(), 1);
  EXPECT_FALSE(IsWindow(first)) << "the first drop-down closed";
  RECT menu, window;
  GetWindowRect(openMenu(), &menu);
  GetWindowRect(bar->GetSafeHwnd(), &window);
  EXPECT_EQ(menu.left, window.left + bar->getEntryRect(1).left);

  pointAt(middleOf(2));
  ASSERT_TRUE(waitFor([] { return FindWindowW(u"#32768", nullptr) == nullptr; }));
  ASSERT_TRUE(waitFor([&] { return bar->getHotIndex() == 2; }));
  EXPECT_EQ(opened, 2);
  EXPECT_TRUE(bar->isDropDownOpen()) << "the bar stays in menu mode on the command entry";
  EXPECT_EQ(selected, -1);
}

TEST_F(MenuBar, ACommandChosenInADropDownReachesTheBarsListeners) {
  PopupMenu* view = dropDown(u"Tools", 60);
  std::atomic<int> viewHeard{0};
  Listener viewListener([&](int32_t) { ++viewHeard; });
  view->addSelectionListener(&viewListener);
  bar->addMenu(view);
  attach();
  headless().scriptMenuItem(61);
  headless().click(middleOf(3).x, middleOf(3).y);
  ASSERT_TRUE(waitFor([&] { return selected.load() == 61; }));
  EXPECT_EQ(viewHeard, 0) << "the bar owns the popup: its listeners hear the choice";
  EXPECT_TRUE(bar->contains(41));
  EXPECT_TRUE(bar->contains(900));
  EXPECT_FALSE(bar->contains(42));
}

TEST(MenuBarLanguage, ALanguageChangeReadsTheTextsAgainAndTellsTheLanguageListeners) {
  s::lang::Localizer* localizer = englishAndGerman(
      u"<entry id=\"609\"><eng>View</eng><deu>Ansicht</deu></entry>"
      u"<entry id=\"701\"><eng>About</eng><deu>Info</deu></entry>");
  {
    ShownWindow window;
    window->setLocalizer(localizer);
    Box* root = Box::take();
    window->add(root);
    GridMenuDrawer drawer;
    MenuEx* bar = MenuEx::take();
    bar->setDrawer(&drawer, false);
    PopupMenu* view = PopupMenu::take();
    view->setLocalizer(localizer);
    view->setTitleId(609);
    view->add(entry(60, u"x"));
    bar->addMenu(view);
    MenuItem* about = MenuItem::take();
    about->localizer = localizer;
    about->setTextId(701);
    about->commandId = 70;
    bar->addItem(about);
    std::atomic<int> told{0};
    Listener language([&](int32_t id) { told += id == 0 ? 1 : 0; });
    bar->addLanguageListener(&language);
    root->add(bar);
    ASSERT_TRUE(waitFor([&] { return bar->GetSafeHwnd() != nullptr; }));
    EXPECT_EQ(std::u16string(bar->getEntryText(0)), u"View");
    const LONG englishRight = bar->getEntryRect(1).right;

    localizer->selectLanguage(u"German");
    EXPECT_EQ(std::u16string(bar->getEntryText(0)), u"Ansicht");
    EXPECT_EQ(std::u16string(bar->getEntryText(1)), u"Info");
    EXPECT_EQ(told, 1);
    EXPECT_EQ(bar->getEntryRect(1).right, englishRight + 30 - 10) << "measured again";
    root->remove(bar, true);
  }
  localizer->release();
}

}  // namespace
