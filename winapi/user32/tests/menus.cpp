// Menu objects through the API itself: items appended, inserted, modified, deleted and removed by
// command and by position, marks and states, item information and strings, sub-menus found by
// command and by their handle, the menu's own data, and stale handles failing without effect.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <thread>

namespace {

std::u16string textOf(HMENU menu, UINT item, UINT flags) {
  char16_t buffer[64] = {};
  int n = GetMenuStringW(menu, item, buffer, 64, flags);
  return std::u16string(buffer, static_cast<size_t>(n > 0 ? n : 0));
}

}  // namespace

TEST(MenuLayout, RecordsHaveTheirWindowsSizes) {
  EXPECT_EQ(sizeof(MENUITEMINFOW), 80u);
  EXPECT_EQ(offsetof(MENUITEMINFOW, hSubMenu), 24u);
  EXPECT_EQ(offsetof(MENUITEMINFOW, dwItemData), 48u);
  EXPECT_EQ(offsetof(MENUITEMINFOW, dwTypeData), 56u);
  EXPECT_EQ(offsetof(MENUITEMINFOW, cch), 64u);
  EXPECT_EQ(offsetof(MENUITEMINFOW, hbmpItem), 72u);
  EXPECT_EQ(sizeof(MENUINFO), 40u);
  EXPECT_EQ(offsetof(MENUINFO, hbrBack), 16u);
  EXPECT_EQ(offsetof(MENUINFO, dwMenuData), 32u);
  EXPECT_EQ(sizeof(TPMPARAMS), 20u);
  EXPECT_EQ(offsetof(TPMPARAMS, rcExclude), 4u);
}

TEST(MenuModel, ItemsByPositionAndByCommand) {
  HMENU menu = CreatePopupMenu();
  HMENU sub = CreatePopupMenu();
  ASSERT_TRUE(AppendMenuW(menu, MF_STRING, 10, u"&Open\tCtrl+O"));
  ASSERT_TRUE(AppendMenuW(menu, MF_SEPARATOR, 0, nullptr));
  ASSERT_TRUE(AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), u"&Recent"));
  ASSERT_TRUE(AppendMenuW(sub, MF_STRING, 20, u"one"));
  ASSERT_TRUE(AppendMenuW(sub, MF_STRING, 21, u"two"));
  // Before position 0, and before the command 21 inside the sub-menu.
  ASSERT_TRUE(InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, 5, u"First"));
  ASSERT_TRUE(InsertMenuW(menu, 21, MF_BYCOMMAND | MF_STRING, 19, u"between"));
  // A position past the end appends.
  ASSERT_TRUE(InsertMenuW(menu, 99, MF_BYPOSITION | MF_STRING, 30, u"Last"));
  EXPECT_EQ(GetMenuItemCount(menu), 5);
  EXPECT_EQ(GetMenuItemCount(sub), 3);
  EXPECT_EQ(GetMenuItemID(menu, 0), 5u);
  EXPECT_EQ(GetMenuItemID(menu, 1), 10u);
  EXPECT_EQ(GetMenuItemID(menu, 3), static_cast<UINT>(-1)) << "a sub-menu's entry has no command";
  EXPECT_EQ(GetMenuItemID(menu, 4), 30u);
  EXPECT_EQ(GetMenuItemID(menu, 5), static_cast<UINT>(-1));
  EXPECT_EQ(GetSubMenu(menu, 3), sub);
  EXPECT_EQ(GetSubMenu(menu, 1), nullptr);
  EXPECT_EQ(GetMenuItemID(sub, 1), 19u);
  EXPECT_EQ(textOf(menu, 10, MF_BYCOMMAND), u"&Open\tCtrl+O") << "texts come back as given";
  EXPECT_EQ(textOf(menu, 19, MF_BYCOMMAND), u"between") << "by command reaches into sub-menus";
  EXPECT_EQ(GetMenuStringW(menu, 10, nullptr, 0, MF_BYCOMMAND), 12);
  char16_t small[4];
  EXPECT_EQ(GetMenuStringW(menu, 10, small, 4, MF_BYCOMMAND), 3);
  EXPECT_EQ(std::u16string(small), u"&Op");

  ASSERT_TRUE(ModifyMenuW(menu, 20, MF_BYCOMMAND | MF_STRING, 22, u"uno"));
  EXPECT_EQ(GetMenuItemID(sub, 0), 22u);
  EXPECT_EQ(textOf(sub, 0, MF_BYPOSITION), u"uno");

  // DeleteMenu destroys the sub-menu it takes out; RemoveMenu leaves it to the caller.
  HMENU kept = CreatePopupMenu();
  ASSERT_TRUE(AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(kept), u"Kept"));
  ASSERT_TRUE(RemoveMenu(menu, 5, MF_BYPOSITION));
  EXPECT_TRUE(IsMenu(kept));
  ASSERT_TRUE(DeleteMenu(menu, 3, MF_BYPOSITION));
  EXPECT_FALSE(IsMenu(sub));
  EXPECT_EQ(GetMenuItemCount(menu), 4);
  ASSERT_TRUE(DeleteMenu(menu, 30, MF_BYCOMMAND));
  SetLastError(0);
  EXPECT_FALSE(DeleteMenu(menu, 30, MF_BYCOMMAND));
  EXPECT_FALSE(DeleteMenu(menu, 7, MF_BYPOSITION));
  EXPECT_EQ(GetMenuItemCount(menu), 3);
  EXPECT_TRUE(DestroyMenu(kept));
  EXPECT_TRUE(DestroyMenu(menu));
}

TEST(MenuModel, ChecksRadioMarksAndEnabling) {
  HMENU menu = CreatePopupMenu();
  for (UINT id = 1; id <= 4; ++id) AppendMenuW(menu, MF_STRING, id, u"item");
  AppendMenuW(menu, MF_STRING | MF_GRAYED | MF_CHECKED, 9, u"greyed");
  // Both calls answer the previous state, -1 for an item that is not there.
  EXPECT_EQ(CheckMenuItem(menu, 2, MF_BYCOMMAND | MF_CHECKED), static_cast<DWORD>(MF_UNCHECKED));
  EXPECT_EQ(CheckMenuItem(menu, 2, MF_BYCOMMAND | MF_UNCHECKED), static_cast<DWORD>(MF_CHECKED));
  EXPECT_EQ(CheckMenuItem(menu, 77, MF_BYCOMMAND | MF_CHECKED), static_cast<DWORD>(-1));
  EXPECT_EQ(EnableMenuItem(menu, 4, MF_BYPOSITION | MF_ENABLED), static_cast<BOOL>(MF_GRAYED));
  EXPECT_EQ(EnableMenuItem(menu, 4, MF_BYPOSITION | MF_GRAYED), static_cast<BOOL>(MF_ENABLED));
  EXPECT_EQ(EnableMenuItem(menu, 77, MF_BYCOMMAND | MF_GRAYED), -1);
  EXPECT_EQ(GetMenuState(menu, 9, MF_BYCOMMAND), static_cast<UINT>(MF_GRAYED | MF_CHECKED));

  CheckMenuItem(menu, 1, MF_BYCOMMAND | MF_CHECKED);
  ASSERT_TRUE(CheckMenuRadioItem(menu, 0, 3, 2, MF_BYPOSITION));
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_STATE;
  for (UINT pos = 0; pos < 4; ++pos) {
    ASSERT_TRUE(GetMenuItemInfoW(menu, pos, TRUE, &info));
    bool marked = pos == 2;
    EXPECT_EQ((info.fState & MFS_CHECKED) != 0, marked) << pos;
    EXPECT_EQ((info.fType & MFT_RADIOCHECK) != 0, marked) << pos;
  }
  // By command the group lies between the positions of the two commands.
  ASSERT_TRUE(CheckMenuRadioItem(menu, 1, 4, 4, MF_BYCOMMAND));
  EXPECT_EQ(GetMenuState(menu, 2, MF_BYPOSITION) & MF_CHECKED, 0u);
  EXPECT_EQ(GetMenuState(menu, 3, MF_BYPOSITION) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  EXPECT_FALSE(CheckMenuRadioItem(menu, 0, 1, 3, MF_BYPOSITION)) << "the mark must fall inside the group";
  DestroyMenu(menu);
}

TEST(MenuModel, SubMenuHandleNamesItsEntry) {
  HMENU menu = CreatePopupMenu();
  HMENU sub = CreatePopupMenu();
  AppendMenuW(sub, MF_STRING, 31, u"inner");
  AppendMenuW(sub, MF_STRING, 32, u"other");
  AppendMenuW(menu, MF_STRING, 1, u"plain");
  AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), u"Sub");
  const UINT byHandle = static_cast<UINT>(reinterpret_cast<UINT_PTR>(sub));
  // Greying the entry through the handle keeps the same sub-menu alive.
  ASSERT_TRUE(
      ModifyMenuW(menu, byHandle, MF_BYCOMMAND | MF_POPUP | MF_GRAYED, reinterpret_cast<UINT_PTR>(sub), u"Sub"));
  EXPECT_TRUE(IsMenu(sub));
  EXPECT_EQ(GetSubMenu(menu, 1), sub);
  UINT state = GetMenuState(menu, 1, MF_BYPOSITION);
  EXPECT_TRUE(state & MF_POPUP);
  EXPECT_TRUE(state & MF_GRAYED);
  EXPECT_EQ(state >> 8, 2u) << "a sub-menu's state carries its item count";
  EXPECT_EQ(EnableMenuItem(menu, byHandle, MF_BYCOMMAND | MF_ENABLED), static_cast<BOOL>(MF_GRAYED));
  // Commands inside the sub-menu are reached from the top menu.
  EXPECT_EQ(CheckMenuItem(menu, 32, MF_BYCOMMAND | MF_CHECKED), static_cast<DWORD>(MF_UNCHECKED));
  EXPECT_EQ(GetMenuState(sub, 1, MF_BYPOSITION), static_cast<UINT>(MF_CHECKED));
  // Replacing the entry with a plain item takes the old sub-menu with it.
  ASSERT_TRUE(ModifyMenuW(menu, 1, MF_BYPOSITION | MF_STRING, 2, u"now plain"));
  EXPECT_FALSE(IsMenu(sub));
  DestroyMenu(menu);
}

TEST(MenuModel, ItemInformationAndMenuData) {
  HMENU menu = CreatePopupMenu();
  MENUITEMINFOW in{};
  in.cbSize = sizeof in;
  in.fMask = MIIM_STRING | MIIM_ID | MIIM_DATA | MIIM_STATE | MIIM_FTYPE;
  in.fType = MFT_STRING | MFT_RADIOCHECK;
  in.fState = MFS_CHECKED;
  in.wID = 77;
  in.dwItemData = 0x1234567890ull;
  in.dwTypeData = const_cast<LPWSTR>(u"Seventy-seven");
  ASSERT_TRUE(InsertMenuItemW(menu, 0, TRUE, &in));
  ASSERT_TRUE(AppendMenuW(menu, MF_OWNERDRAW, 78, reinterpret_cast<LPCWSTR>(0x55)));

  MENUITEMINFOW out{};
  out.cbSize = sizeof out;
  out.fMask = MIIM_STRING | MIIM_ID | MIIM_DATA | MIIM_STATE | MIIM_FTYPE;
  ASSERT_TRUE(GetMenuItemInfoW(menu, 77, FALSE, &out));
  EXPECT_EQ(out.cch, 13u) << "without a buffer the length comes back";
  char16_t buffer[6];
  out.dwTypeData = buffer;
  out.cch = 6;
  ASSERT_TRUE(GetMenuItemInfoW(menu, 0, TRUE, &out));
  EXPECT_EQ(std::u16string(buffer), u"Seven");
  EXPECT_EQ(out.cch, 5u);
  EXPECT_EQ(out.wID, 77u);
  EXPECT_EQ(out.dwItemData, 0x1234567890ull);
  EXPECT_EQ(out.fState, static_cast<UINT>(MFS_CHECKED));
  EXPECT_EQ(out.fType, static_cast<UINT>(MFT_RADIOCHECK));

  // An owner-drawn item keeps the value given as its text as item data.
  MENUITEMINFOW drawn{};
  drawn.cbSize = sizeof drawn;
  drawn.fMask = MIIM_DATA | MIIM_FTYPE;
  ASSERT_TRUE(GetMenuItemInfoW(menu, 78, FALSE, &drawn));
  EXPECT_EQ(drawn.dwItemData, 0x55u);
  EXPECT_TRUE(drawn.fType & MFT_OWNERDRAW);

  MENUITEMINFOW change{};
  change.cbSize = sizeof change;
  change.fMask = MIIM_STATE;
  change.fState = MFS_GRAYED;
  ASSERT_TRUE(SetMenuItemInfoW(menu, 77, FALSE, &change));
  EXPECT_EQ(GetMenuState(menu, 77, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
  change.cbSize = 12;
  SetLastError(0);
  EXPECT_FALSE(SetMenuItemInfoW(menu, 77, FALSE, &change));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  MENUINFO mi{};
  mi.cbSize = sizeof mi;
  mi.fMask = MIM_MENUDATA;
  mi.dwMenuData = 0xBEEF;
  ASSERT_TRUE(SetMenuInfo(menu, &mi));
  MENUINFO back{};
  back.cbSize = sizeof back;
  back.fMask = MIM_MENUDATA;
  ASSERT_TRUE(GetMenuInfo(menu, &back));
  EXPECT_EQ(back.dwMenuData, 0xBEEFu);
  DestroyMenu(menu);
}

TEST(MenuModel, StaleHandlesFailWithoutTouchingAnything) {
  HMENU menu = CreatePopupMenu();
  HMENU sub = CreatePopupMenu();
  AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), u"Sub");
  ASSERT_TRUE(DestroyMenu(menu));
  EXPECT_FALSE(IsMenu(sub)) << "a menu goes with its sub-menus";
  // Destroying again, as an owner of the sub-menu would, fails cleanly.
  SetLastError(0);
  EXPECT_FALSE(DestroyMenu(sub));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MENU_HANDLE));
  SetLastError(0);
  EXPECT_FALSE(DestroyMenu(menu));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MENU_HANDLE));

  // A new menu never takes a dead one's handle, so the old handle still names nothing.
  HMENU fresh = CreatePopupMenu();
  AppendMenuW(fresh, MF_STRING, 1, u"alive");
  EXPECT_NE(fresh, menu);
  EXPECT_NE(fresh, sub);
  SetLastError(0);
  EXPECT_FALSE(AppendMenuW(menu, MF_STRING, 2, u"lost"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MENU_HANDLE));
  EXPECT_EQ(GetMenuItemCount(menu), -1);
  EXPECT_EQ(CheckMenuItem(menu, 1, MF_CHECKED), static_cast<DWORD>(-1));
  EXPECT_FALSE(AppendMenuW(fresh, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), u"dead sub-menu"));
  EXPECT_EQ(GetMenuItemCount(fresh), 1);
  EXPECT_FALSE(IsMenu(nullptr));
  DestroyMenu(fresh);
}

TEST(MenuModel, MenusBuiltOnAnotherThreadServeThisOne) {
  HMENU menu = nullptr;
  std::thread builder([&] {
    menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 300, u"Browse");
  });
  builder.join();
  EXPECT_EQ(GetMenuItemID(menu, 0), 300u);
  EXPECT_TRUE(DestroyMenu(menu));
}
