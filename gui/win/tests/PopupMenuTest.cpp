// Popup menus: the records against the native menu they build, searches that recurse and those
// that do not, radio marks, marks and greyed entries kept through a language change, and choices
// reaching the menu that the window holds (context, tray and frame menus).
#include "gui/win/PopupMenu.h"
#include "gui/win/tests/BoxTestSupport.h"
#include "gui/win/tests/Listener.h"
#include "gui/win/tests/TestLanguages.h"

#include "gui/menuitem/MenuItem.h"
#include "platform/lang/Localizer.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

using lumetra::testgui::englishAndGerman;
using lumetra::testgui::Listener;
using lumetra::testgui::settle;
using lumetra::testgui::ShownWindow;
using lumetra::testgui::waitFor;
using s::gui::menuitem::MenuItem;
using s::gui::win::PopupMenu;
using s::gui::win::Window;

winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }

MenuItem* entry(int32_t id, const char16_t* text, bool checked = false) {
  MenuItem* item = MenuItem::take();
  item->commandId = id;
  item->text->assign(text);
  item->checked = checked;
  return item;
}

MenuItem* separator() {
  MenuItem* item = MenuItem::take();
  item->separator = true;
  return item;
}

PopupMenu* menuOf(std::initializer_list<int32_t> ids, const char16_t* title = u"Menu") {
  PopupMenu* menu = PopupMenu::take();
  menu->setTitle(title);
  for (int32_t id : ids) {
    menu->add(id < 0 ? separator() : entry(id, u"item"));
  }
  return menu;
}

UINT nativeState(PopupMenu* menu, UINT id) {
  return GetMenuState(menu->GetSafeHmenu(), id, MF_BYCOMMAND);
}

std::u16string nativeText(HMENU menu, UINT item, UINT flags = MF_BYCOMMAND) {
  WCHAR text[64] = {};
  GetMenuStringW(menu, item, text, 64, flags);
  return text;
}

bool radioMarked(PopupMenu* menu, UINT position) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_STATE;
  GetMenuItemInfoW(menu->GetSafeHmenu(), position, TRUE, &info);
  return (info.fType & MFT_RADIOCHECK) != 0 && (info.fState & MFS_CHECKED) != 0;
}

TEST(PopupMenuRecords, OnlyContainsAndTheMarkOperationsLookIntoSubMenus) {
  PopupMenu* top = menuOf({1, -1, 2});
  PopupMenu* sub = menuOf({10}, u"Sub");
  PopupMenu* deeper = menuOf({20}, u"Deeper");
  sub->addSubMenu(deeper);
  top->addSubMenu(sub);

  EXPECT_TRUE(top->contains(20));
  EXPECT_FALSE(top->contains(-1)) << "a separator reports no id";
  EXPECT_EQ(top->getItem(10), nullptr);
  EXPECT_FALSE(top->indexOf(10, nullptr));
  int32_t index = -1;
  EXPECT_TRUE(top->indexOf(2, &index));
  EXPECT_EQ(index, 2) << "the separator counts as an item";
  EXPECT_EQ(top->getCount(), 4);
  EXPECT_EQ(GetMenuItemCount(top->GetSafeHmenu()), 4);

  EXPECT_TRUE(top->setChecked(20, true));
  EXPECT_TRUE(top->isChecked(20));
  EXPECT_TRUE(deeper->getItem(20)->checked);
  EXPECT_EQ(nativeState(deeper, 20) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  // The same state again is accepted without touching the entry.
  CheckMenuItem(deeper->GetSafeHmenu(), 20, MF_BYCOMMAND | MF_UNCHECKED);
  EXPECT_TRUE(top->setChecked(20, true));
  EXPECT_EQ(nativeState(deeper, 20) & MF_CHECKED, 0u);
  EXPECT_FALSE(top->setChecked(99, true));

  EXPECT_TRUE(top->setEnabled(10, false));
  EXPECT_EQ(nativeState(sub, 10) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
  top->setSubMenuEnabled(sub, false);
  const UINT subEntry = static_cast<UINT>(reinterpret_cast<UINT_PTR>(sub->GetSafeHmenu()));
  EXPECT_NE(GetMenuState(top->GetSafeHmenu(), subEntry, MF_BYCOMMAND) & MF_GRAYED, 0u);
  EXPECT_EQ(GetSubMenu(top->GetSafeHmenu(), 3), sub->GetSafeHmenu()) << "the entry keeps its menu";
  EXPECT_EQ(nativeText(top->GetSafeHmenu(), 3, MF_BYPOSITION), u"Sub");
  top->release();
}

TEST(PopupMenuRecords, RemovalsKeepRecordsAndEntriesInStep) {
  PopupMenu* menu = menuOf({1, 2, 3});
  int marker = 0;
  menu->getItem(2)->userObject = &marker;
  EXPECT_FALSE(menu->removeAt(3));
  EXPECT_FALSE(menu->removeAt(-1));
  EXPECT_EQ(menu->getCount(), 3);
  EXPECT_EQ(GetMenuItemCount(menu->GetSafeHmenu()), 3) << "a position outside changes nothing";

  menu->insert(1, entry(7, u"seven"));
  EXPECT_EQ(GetMenuItemID(menu->GetSafeHmenu(), 1), 7u);
  EXPECT_EQ(menu->getItemAt(1)->commandId, 7);
  EXPECT_TRUE(menu->removeByObject(&marker));
  EXPECT_FALSE(menu->removeById(2));
  EXPECT_TRUE(menu->removeById(1));
  EXPECT_EQ(menu->getCount(), 2);
  EXPECT_EQ(GetMenuItemID(menu->GetSafeHmenu(), 0), 7u);
  EXPECT_EQ(GetMenuItemID(menu->GetSafeHmenu(), 1), 3u);
  menu->release();
}

TEST(PopupMenuRecords, RemoveAllAndReleaseDestroyEveryNativeMenu) {
  PopupMenu* top = menuOf({1});
  PopupMenu* sub = menuOf({10});
  top->addSubMenu(sub);
  const HMENU subHandle = sub->GetSafeHmenu();
  top->removeAll();
  EXPECT_EQ(top->getCount(), 0);
  EXPECT_EQ(GetMenuItemCount(top->GetSafeHmenu()), 0);
  EXPECT_FALSE(IsMenu(subHandle));

  top->addSubMenu(menuOf({11}));
  const HMENU topHandle = top->GetSafeHmenu();
  top->release();
  EXPECT_FALSE(IsMenu(topHandle));
  PopupMenu* again = menuOf({1});
  EXPECT_NE(again->GetSafeHmenu(), topHandle) << "a pooled menu makes a new native menu";
  SetLastError(0);
  EXPECT_FALSE(AppendMenuW(topHandle, MF_STRING, 5, u"stale"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MENU_HANDLE));
  again->release();
}

TEST(PopupMenuMarks, RadioMarksFollowThePositionGiven) {
  PopupMenu* menu = menuOf({1, 2, -1, 3, 4});
  menu->add(entry(5, u"check item", true));
  menu->checkRadioAt(1);
  EXPECT_TRUE(radioMarked(menu, 1));
  EXPECT_NE(nativeState(menu, 5) & MF_CHECKED, 0u) << "a check item of the menu keeps its mark";
  EXPECT_TRUE(menu->getItem(2)->radioChecked);
  EXPECT_FALSE(menu->getItem(1)->radioChecked);
  EXPECT_TRUE(menu->checkRadioById(4));
  EXPECT_FALSE(radioMarked(menu, 1));
  EXPECT_TRUE(radioMarked(menu, 4));
  EXPECT_FALSE(menu->getItem(2)->radioChecked);
  EXPECT_FALSE(menu->checkRadioById(99));
  EXPECT_TRUE(menu->getItem(4)->radioChecked) << "an unknown id changes nothing";

  menu->checkRadioRange(3, 3, 5);
  EXPECT_NE(nativeState(menu, 5) & MF_CHECKED, 0u);
  EXPECT_TRUE(menu->getItem(3)->radioChecked);
  EXPECT_FALSE(menu->getItem(4)->radioChecked);
  EXPECT_TRUE(radioMarked(menu, 3));

  menu->checkRadioAt(-1);
  for (int32_t id : {1, 2, 3, 4}) {
    EXPECT_FALSE(menu->getItem(id)->radioChecked) << id;
  }
  EXPECT_FALSE(radioMarked(menu, 3)) << "the marks go with the records";
  menu->release();
}

s::lang::Localizer* twoLanguages() {
  return englishAndGerman(
      u"<entry id=\"600\"><eng>View</eng><deu>Ansicht</deu></entry>"
      u"<entry id=\"601\"><eng>Top</eng><deu>Oben</deu></entry>"
      u"<entry id=\"602\"><eng>Small</eng><deu>Klein</deu></entry>"
      u"<entry id=\"603\"><eng>Large</eng><deu>Gross</deu></entry>");
}

MenuItem* translated(s::lang::Localizer* localizer, int32_t textId, int32_t id) {
  MenuItem* item = MenuItem::take();
  item->localizer = localizer;
  item->setTextId(textId);
  item->commandId = id;
  return item;
}

TEST(PopupMenuLanguage, TextsChangeWhileMarksAndGreyedEntriesStay) {
  s::lang::Localizer* localizer = twoLanguages();
  PopupMenu* top = PopupMenu::take();
  top->setLocalizer(localizer);
  PopupMenu* view = PopupMenu::take();
  view->setLocalizer(localizer);
  view->setTitleId(600);
  MenuItem* onTop = translated(localizer, 601, 100);
  onTop->checked = true;
  view->add(onTop);
  view->add(translated(localizer, 602, 110));
  view->add(translated(localizer, 603, 120));
  view->add(entry(130, u"fixed", true));
  view->checkRadioAt(2);
  view->setEnabled(110, false);
  top->addSubMenu(view);
  EXPECT_EQ(nativeText(top->GetSafeHmenu(), 0, MF_BYPOSITION), u"View");

  localizer->selectLanguage(u"German");
  EXPECT_EQ(nativeText(top->GetSafeHmenu(), 0, MF_BYPOSITION), u"Ansicht");
  EXPECT_EQ(nativeText(view->GetSafeHmenu(), 100), u"Oben");
  EXPECT_EQ(nativeText(view->GetSafeHmenu(), 120), u"Gross");
  EXPECT_NE(nativeState(view, 100) & MF_CHECKED, 0u);
  EXPECT_TRUE(radioMarked(view, 2));
  EXPECT_NE(nativeState(view, 110) & MF_GRAYED, 0u) << "a disabled entry stays disabled";

  EXPECT_EQ(nativeText(view->GetSafeHmenu(), 130), u"fixed");

  // Rewriting one text keeps its mark as well.
  EXPECT_TRUE(top->setText(130, u"Always on top"));
  EXPECT_EQ(nativeText(view->GetSafeHmenu(), 130), u"Always on top");
  EXPECT_NE(nativeState(view, 130) & MF_CHECKED, 0u);
  EXPECT_TRUE(top->setTextId(130, 602));
  EXPECT_EQ(nativeText(view->GetSafeHmenu(), 130), u"Klein");
  EXPECT_NE(nativeState(view, 130) & MF_CHECKED, 0u);
  top->release();
  localizer->selectLanguage(u"English");
  localizer->release();
}

// Choices through the window.

TEST(WindowMenus, TheContextMenuOpensOnTheRightButtonAndItsTopMenuReportsAChoice) {
  ShownWindow window;
  PopupMenu* context = menuOf({1, 2});
  PopupMenu* sub = menuOf({30, 31}, u"More");
  context->addSubMenu(sub);
  std::atomic<int> opened{0};
  Listener openListener([&](int32_t id) { opened += id == Window::kContextMenu ? 1 : 0; });
  window->addContextMenuListener(&openListener);
  std::atomic<int32_t> chosen{-1};
  Listener selection([&](int32_t) { chosen = context->getSelectedId(); });
  context->addSelectionListener(&selection);
  window->setContextMenu(context, true);

  headless().scriptMenuItem(31);
  headless().moveMouse(300, 250);
  headless().pressButton(WM_RBUTTONDOWN);
  headless().releaseButton(WM_RBUTTONUP);
  ASSERT_TRUE(waitFor([&] { return chosen.load() == 31; }));
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(sub->getSelectedId(), -1) << "the menu the window holds reports it";

  headless().scriptCancel();
  headless().pressButton(WM_RBUTTONDOWN);
  headless().releaseButton(WM_RBUTTONUP);
  ASSERT_TRUE(waitFor([&] { return opened.load() == 2; }));
  settle(window->getHandle());
  EXPECT_EQ(headless().scriptedAnswers(), 0u);
  EXPECT_EQ(context->getSelectedId(), 31);
}

std::atomic<int> g_initMenuPopups{0};

LRESULT CALLBACK countInitMenuPopup(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITMENUPOPUP) {
    ++g_initMenuPopups;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST(WindowMenus, TheOpeningOfAMenuReachesTheWindowItsMenuDataNames) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = countInitMenuPopup;
  wc.lpszClassName = u"InitMenuPopupCounter";
  RegisterClassExW(&wc);
  const HWND listener = CreateWindowExW(0, u"InitMenuPopupCounter", u"", WS_POPUP, 0, 0, 10, 10,
                                        nullptr, nullptr, nullptr, nullptr);
  ShownWindow window;
  PopupMenu* context = menuOf({1});
  MENUINFO info{};
  info.cbSize = sizeof info;
  info.fMask = MIM_MENUDATA;
  info.dwMenuData = reinterpret_cast<ULONG_PTR>(listener);
  SetMenuInfo(context->GetSafeHmenu(), &info);
  window->setContextMenu(context, true);
  headless().scriptCancel();
  headless().moveMouse(300, 250);
  headless().pressButton(WM_RBUTTONDOWN);
  headless().releaseButton(WM_RBUTTONUP);
  // The UI thread sends to this thread's window: answer its sends while waiting.
  waitFor([] {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageW(&msg);
    }
    return g_initMenuPopups != 0;
  });
  EXPECT_EQ(g_initMenuPopups, 1);
  DestroyWindow(listener);
}

TEST(WindowMenus, TheTrayMenuOpensFromTheIcon) {
  headless().setTrayPresent(true);
  ShownWindow window;
  window->setTrayIcon(true);
  PopupMenu* tray = menuOf({5, 6});
  std::atomic<int32_t> chosen{-1};
  Listener selection([&](int32_t) { chosen = tray->getSelectedId(); });
  tray->addSelectionListener(&selection);
  std::atomic<int> opened{0};
  Listener openListener([&](int32_t) { ++opened; });
  window->addTrayMenuListener(&openListener);
  window->setTrayMenu(tray);

  headless().scriptMenuItem(6);
  ASSERT_TRUE(headless().trayInput(window->getHandle(), 0, WM_RBUTTONDOWN));
  ASSERT_TRUE(waitFor([&] { return chosen.load() == 6; }));
  EXPECT_EQ(opened, 1);
}

TEST(WindowMenus, TheFrameMenuShowsAsTheBarAndCarriesOutItsCommands) {
  ShownWindow window;
  const HWND frame = window->getHandle();
  RECT before;
  GetClientRect(frame, &before);
  PopupMenu* bar = PopupMenu::take();
  PopupMenu* file = menuOf({40, 41}, u"File");
  bar->addSubMenu(file);
  std::atomic<int32_t> chosen{-1};
  Listener selection([&](int32_t) { chosen = bar->getSelectedId(); });
  bar->addSelectionListener(&selection);
  window->setMenu(bar);
  EXPECT_EQ(GetMenu(frame), bar->GetSafeHmenu());
  RECT after;
  GetClientRect(frame, &after);
  EXPECT_EQ(after.bottom, before.bottom - GetSystemMetrics(SM_CYMENU));

  // A click on the band's first entry opens its drop-down, where the script chooses.
  POINT client{0, 0};
  ClientToScreen(frame, &client);
  headless().scriptMenuItem(41);
  headless().click(client.x + 8, client.y - GetSystemMetrics(SM_CYMENU) / 2 - 2);
  ASSERT_TRUE(waitFor([&] { return chosen.load() == 41; }));

  // A control's notification with the same id is not a menu command.
  chosen = -1;
  SendMessageW(frame, WM_COMMAND, MAKEWPARAM(40, 0), reinterpret_cast<LPARAM>(frame));
  EXPECT_EQ(chosen, -1);
  SendMessageW(frame, WM_COMMAND, MAKEWPARAM(40, 0), 0);
  EXPECT_EQ(chosen, 40);

  const HMENU fileHandle = file->GetSafeHmenu();
  window->setMenu(nullptr);
  EXPECT_EQ(GetMenu(frame), nullptr);
  EXPECT_FALSE(IsMenu(fileHandle)) << "a replaced menu is the window's to give back";
}

TEST(WindowMenus, ReleasingTheWindowGivesBackTheMenusItOwns) {
  PopupMenu* frameMenu = menuOf({1});
  PopupMenu* tray = menuOf({2});
  PopupMenu* owned = menuOf({3});
  PopupMenu* lent = menuOf({4});
  const HMENU handles[] = {frameMenu->GetSafeHmenu(), tray->GetSafeHmenu(), owned->GetSafeHmenu()};
  {
    ShownWindow window;
    window->setMenu(frameMenu);
    window->setTrayMenu(tray);
    window->setContextMenu(owned, true);
    window->setContextMenu(lent, false);
    EXPECT_FALSE(IsMenu(handles[2])) << "an owned context menu replaced is given back";
  }
  for (HMENU handle : handles) {
    EXPECT_FALSE(IsMenu(handle));
  }
  EXPECT_TRUE(IsMenu(lent->GetSafeHmenu()));
  lent->release();
}

}  // namespace
