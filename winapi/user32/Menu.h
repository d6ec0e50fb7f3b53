// The menu model shared by the menu calls, the tracking loop and the menu bar. Internal to the
// layer.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

namespace winapi {

struct MenuItem {
  UINT type = MFT_STRING;  // MFT_* bits
  UINT state = 0;          // MFS_* bits
  UINT id = 0;
  HMENU subMenu = nullptr;
  ULONG_PTR data = 0;
  std::u16string text;
  // Owner-drawn items are measured once, before their first showing.
  bool measured = false;
  UINT ownerWidth = 0, ownerHeight = 0;
};

/// A menu. Menus are process-wide: every field is guarded by menuLock(), which is never held
/// while a message is sent.
struct Menu {
  HMENU handle = nullptr;
  bool popup = false;
  std::vector<MenuItem> items;
  ULONG_PTR menuData = 0;
  DWORD helpId = 0;
  HBRUSH background = nullptr;
  HWND barOwner = nullptr;  // the window showing it as its menu bar
};

std::recursive_mutex& menuLock();
/// The menu behind a handle (under menuLock), or null; menuOrError also sets
/// ERROR_INVALID_MENU_HANDLE.
Menu* findMenu(HMENU handle);
Menu* menuOrError(HMENU handle);

/// Where an item is: its menu and index. MF_BYCOMMAND looks through sub-menus depth first and
/// also finds the entry of a sub-menu by the sub-menu's handle.
struct ItemRef {
  Menu* menu = nullptr;
  size_t index = 0;
  MenuItem* item() const { return &menu->items[index]; }
};
bool findItem(Menu* menu, UINT item, UINT flags, ItemRef* out);

// The menu bar of a top-level window (menu_bar.cpp).
/// The band in window coordinates; false when the window shows no menu bar.
bool menuBarBand(HWND hwnd, RECT* band);
void paintMenuBar(HWND hwnd, HDC windowDc, const RECT& band);
/// A press on the band at a screen point opens the entry there.
void trackMenuBarAt(HWND hwnd, POINT screen);
/// F10, or Alt with a mnemonic (0 for none): opens the bar from the keyboard; false when the
/// window has no bar or no entry has that mnemonic.
bool trackMenuBarByKey(HWND hwnd, char16_t mnemonic);
/// The screen rectangles of the bar's entries, left to right (empty without a bar).
void barEntryRects(HWND hwnd, std::vector<RECT>* rects);
/// The pointer moved over the non-client area: the entry under it is drawn hot.
void menuBarHover(HWND hwnd, POINT screen);

// The tracking loop (menu_track.cpp).
/// Tracks a menu bar entry: the bar's entries slide with the pointer and Left and Right.
void trackBar(HWND owner, HMENU bar, int entry, bool byKeys);
/// The bar entry the running loop has open, or -1 (to draw it sunken).
int barEntryOpen(HWND owner);

// The classic look shared by popups and the bar (menu_paint.cpp).
HFONT menuFont();
/// The mnemonic of an item text: the letter after a single '&', folded to upper case; 0 for none.
char16_t mnemonicOf(const std::u16string& text);

}  // namespace winapi
