// The menu bar of SetMenu: a band of SM_CYMENU pixels under the caption, in the layer's non-client
// area, outside the client rectangle. The entry under the pointer is raised, the open one sunken;
// a press opens an entry's popup below it in the menu loop, which slides to the neighbours; F10
// and Alt with a mnemonic open it from the keyboard.
// Left out: bars that wrap onto several lines (entries past the right end are not shown) and
// right-justified entries.
#include <windows.h>

#include "winapi/user32/Menu.h"
#include "winapi/user32/Window.h"

#include <map>

namespace winapi {
namespace {

constexpr int kEntryPadding = 8;  // each side of an entry's text

// The entry drawn hot, per window; guarded by menuLock.
std::map<HWND, int>& hotEntries() {
  static auto* m = new std::map<HWND, int>;
  return *m;
}

struct BarState {
  HMENU menu = nullptr;
  RECT band{};     // window coordinates
  POINT origin{};  // screen position of the window's corner
};

bool barState(HWND hwnd, BarState* out) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = findWindow(hwnd);
  if (w == nullptr || !w->isTopLevel() || w->menu == nullptr || !IsMenu(w->menu)) return false;
  RECT frame = (w->style & WS_MINIMIZE) ? RECT{0, 0, 0, 0} : displayDriver().frameInsets(w->style, w->exStyle);
  int width = w->window.right - w->window.left;
  out->menu = w->menu;
  out->band = RECT{frame.left, frame.top, width - frame.right, frame.top + GetSystemMetrics(SM_CYMENU)};
  out->origin = windowOrigin(w);
  return true;
}

// Entries in window coordinates, with their texts.
std::vector<std::pair<RECT, MenuItem>> entriesOf(const BarState& bar) {
  std::vector<MenuItem> items;
  {
    std::lock_guard<std::recursive_mutex> guard(menuLock());
    Menu* m = findMenu(bar.menu);
    if (m != nullptr) items = m->items;
  }
  std::vector<std::pair<RECT, MenuItem>> out;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, menuFont());
  int x = bar.band.left;
  for (MenuItem& item : items) {
    // A separator takes no room in the bar; it keeps its place so entries stay menu positions.
    if (item.type & MFT_SEPARATOR) {
      out.emplace_back(RECT{x, bar.band.top, x, bar.band.bottom}, std::move(item));
      continue;
    }
    RECT calc{0, 0, 0, 0};
    DrawTextW(dc, item.text.c_str(), static_cast<int>(item.text.size()), &calc, DT_SINGLELINE | DT_CALCRECT);
    int w = calc.right - calc.left + 2 * kEntryPadding;
    out.emplace_back(RECT{x, bar.band.top, x + w, bar.band.bottom}, std::move(item));
    x += w;
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  return out;
}

int entryAt(const BarState& bar, POINT screen) {
  POINT p{screen.x - bar.origin.x, screen.y - bar.origin.y};
  auto entries = entriesOf(bar);
  for (size_t i = 0; i < entries.size(); ++i) {
    if (PtInRect(&entries[i].first, p)) return static_cast<int>(i);
  }
  return -1;
}

void setHot(HWND hwnd, int entry) {
  {
    std::lock_guard<std::recursive_mutex> guard(menuLock());
    auto& hot = hotEntries();
    auto it = hot.find(hwnd);
    int was = it != hot.end() ? it->second : -1;
    if (was == entry) return;
    if (entry < 0) {
      hot.erase(hwnd);
    } else {
      hot[hwnd] = entry;
    }
  }
  RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
}

}  // namespace

bool menuBarBand(HWND hwnd, RECT* band) {
  BarState bar;
  if (!barState(hwnd, &bar)) return false;
  *band = bar.band;
  return true;
}

void barEntryRects(HWND hwnd, std::vector<RECT>* rects) {
  rects->clear();
  BarState bar;
  if (!barState(hwnd, &bar)) return;
  for (auto& entry : entriesOf(bar)) {
    RECT r = entry.first;
    OffsetRect(&r, bar.origin.x, bar.origin.y);
    rects->push_back(r);
  }
}

void paintMenuBar(HWND hwnd, HDC dc, const RECT& band) {
  BarState bar;
  if (!barState(hwnd, &bar)) return;
  FillRect(dc, &band, GetSysColorBrush(COLOR_MENU));
  int open = barEntryOpen(hwnd);
  int hot = -1;
  {
    std::lock_guard<std::recursive_mutex> guard(menuLock());
    auto it = hotEntries().find(hwnd);
    if (it != hotEntries().end()) hot = it->second;
  }
  HGDIOBJ oldFont = SelectObject(dc, menuFont());
  int oldMode = SetBkMode(dc, TRANSPARENT);
  auto entries = entriesOf(bar);
  for (size_t i = 0; i < entries.size(); ++i) {
    RECT r = entries[i].first;
    if (r.left >= band.right) break;
    const MenuItem& item = entries[i].second;
    bool greyed = (item.state & (MF_GRAYED | MF_DISABLED)) != 0;
    RECT text = r;
    if (static_cast<int>(i) == open) {
      DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
      OffsetRect(&text, 1, 1);
    } else if (static_cast<int>(i) == hot && open < 0 && !greyed) {
      DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
    }
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_CENTER | (open >= 0 ? 0u : static_cast<UINT>(DT_HIDEPREFIX));
    if (greyed) {
      RECT shadow = text;
      OffsetRect(&shadow, 1, 1);
      SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
      DrawTextW(dc, item.text.c_str(), static_cast<int>(item.text.size()), &shadow, format);
    }
    SetTextColor(dc, GetSysColor(greyed ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
    DrawTextW(dc, item.text.c_str(), static_cast<int>(item.text.size()), &text, format);
  }
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldFont);
}

void menuBarHover(HWND hwnd, POINT screen) {
  BarState bar;
  if (!barState(hwnd, &bar)) return;
  setHot(hwnd, entryAt(bar, screen));
}

void trackMenuBarAt(HWND hwnd, POINT screen) {
  BarState bar;
  if (!barState(hwnd, &bar)) return;
  int entry = entryAt(bar, screen);
  if (entry < 0) return;
  setHot(hwnd, -1);
  trackBar(hwnd, bar.menu, entry, false);
}

bool trackMenuBarByKey(HWND hwnd, char16_t mnemonic) {
  BarState bar;
  if (!barState(hwnd, &bar)) return false;
  auto entries = entriesOf(bar);
  int entry = mnemonic == 0 && !entries.empty() ? 0 : -1;
  for (size_t i = 0; i < entries.size() && entry < 0; ++i) {
    if (!(entries[i].second.type & MFT_SEPARATOR) && mnemonicOf(entries[i].second.text) == mnemonic) {
      entry = static_cast<int>(i);
    }
  }
  if (entry < 0) return false;
  trackBar(hwnd, bar.menu, entry, true);
  return true;
}

}  // namespace winapi

using namespace winapi;

extern "C" BOOL WINAPI SetMenu(HWND hwnd, HMENU menu) {
  if (menu != nullptr && !IsMenu(menu)) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  HMENU old = nullptr;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = windowOrError(hwnd);
    if (w == nullptr) return FALSE;
    if (w->isChild()) {
      SetLastError(ERROR_CHILD_WINDOW_NOMENU);
      return FALSE;
    }
    old = w->menu;
    w->menu = menu;
  }
  {
    std::lock_guard<std::recursive_mutex> guard(menuLock());
    Menu* was = findMenu(old);
    if (was != nullptr && was->barOwner == hwnd) was->barOwner = nullptr;
    Menu* now = findMenu(menu);
    if (now != nullptr) now->barOwner = hwnd;
    hotEntries().erase(hwnd);
  }
  // The band joins or leaves the non-client area: the client rectangle changes with it.
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  return TRUE;
}

extern "C" HMENU WINAPI GetMenu(HWND hwnd) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = windowOrError(hwnd);
  if (w == nullptr) return nullptr;
  // A child window's "menu" is its identifier, as CreateWindowExW took it.
  if (w->isChild()) return reinterpret_cast<HMENU>(w->id);
  return w->menu;
}

extern "C" BOOL WINAPI DrawMenuBar(HWND hwnd) {
  RECT band;
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!menuBarBand(hwnd, &band)) return TRUE;
  return RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
}
