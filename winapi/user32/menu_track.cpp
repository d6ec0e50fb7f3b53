// TrackPopupMenu(Ex) and EndMenu: the modal menu loop on the calling thread, with its "#32768"
// popup windows drawn in the classic look. The loop keeps dispatching the thread's other
// messages (timers, paints, posted messages) and answers messages sent from other threads. The
// menu bar of SetMenu is tracked by the same loop, sliding between its entries.
// Under the headless driver the loop takes the next scripted menu answer: an item, cancel, or a
// real run on injected input; without one it cancels at once.
// Left out: menu animation, scrolling of menus taller than the work area, and WM_MENUCHAR.
#include <windows.h>

#include "winapi/gdi32/DisplayDriver.h"
#include "winapi/user32/Menu.h"
#include "winapi/user32/Window.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <optional>

namespace winapi {
namespace {

// Geometry of the classic look, at 96 DPI.
constexpr int kEdge = 3;          // the raised 2-pixel edge and 1 pixel of menu colour inside it
constexpr int kMarkColumn = 17;   // check and radio marks
constexpr int kArrowColumn = 17;  // the sub-menu arrow
constexpr int kAccelGap = 12;     // at least this between the widest text and the accelerators
constexpr int kSeparatorHeight = 9;
constexpr int kRowPadding = 6;  // a row is the text height and this
// Hovering over a sub-menu's entry opens it after this long (the layer's clock).
constexpr UINT kHoverDelay = 400;
constexpr UINT_PTR kHoverTimer = 0x7E01;

struct Level {
  HMENU menu = nullptr;
  HWND window = nullptr;
  RECT bounds{};                // screen
  std::vector<RECT> rows;       // client coordinates
  std::vector<MenuItem> items;  // as measured
  int highlight = -1;
  int textWidth = 0;
};

struct Tracker {
  HWND owner = nullptr;
  UINT flags = 0;
  bool notify = true;
  // The menu bar being tracked, or none for a popup menu.
  HMENU bar = nullptr;
  int barEntry = -1;
  std::vector<RECT> barRects;  // screen
  std::vector<Level> levels;
  bool done = false;
  std::optional<UINT> choice;
  bool quit = false;
  WPARAM quitCode = 0;
  bool keys = false;  // opened or moved by keys: mnemonics are underlined
  int hoverLevel = -1, hoverRow = -1;
  std::optional<MSG> pressOutside;
  bool grabbed = false;
};

thread_local Tracker* t_tracker = nullptr;

std::vector<MenuItem> snapshot(HMENU menu) {
  std::lock_guard<std::recursive_mutex> guard(menuLock());
  Menu* m = findMenu(menu);
  return m != nullptr ? m->items : std::vector<MenuItem>{};
}

void storeMeasure(HMENU menu, size_t index, UINT width, UINT height) {
  std::lock_guard<std::recursive_mutex> guard(menuLock());
  Menu* m = findMenu(menu);
  if (m == nullptr || index >= m->items.size()) return;
  m->items[index].measured = true;
  m->items[index].ownerWidth = width;
  m->items[index].ownerHeight = height;
}

// The text with its '&' prefixes taken out ("&&" stays one '&'), and the accelerator part.
void splitText(const std::u16string& text, std::u16string* label, std::u16string* accel) {
  size_t tab = text.find(u'\t');
  std::u16string left = text.substr(0, tab);
  if (accel != nullptr) *accel = tab == std::u16string::npos ? std::u16string() : text.substr(tab + 1);
  label->clear();
  for (size_t i = 0; i < left.size(); ++i) {
    if (left[i] == u'&' && i + 1 < left.size()) ++i;
    label->push_back(left[i]);
  }
}

int textWidth(HDC dc, const std::u16string& text) {
  SIZE size{0, 0};
  if (!text.empty()) GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

bool selectable(const MenuItem& item) { return !(item.type & MFT_SEPARATOR); }
bool choosable(const MenuItem& item) { return selectable(item) && !(item.state & (MF_GRAYED | MF_DISABLED)); }

// Asks the owner for the size of owner-drawn items not measured yet.
void measureOwnerDrawn(Tracker& t, HMENU menu) {
  std::vector<MenuItem> items = snapshot(menu);
  for (size_t i = 0; i < items.size(); ++i) {
    if (!(items[i].type & MFT_OWNERDRAW) || items[i].measured) continue;
    MEASUREITEMSTRUCT mi{};
    mi.CtlType = ODT_MENU;
    mi.itemID = items[i].id;
    mi.itemData = items[i].data;
    mi.itemHeight = static_cast<UINT>(GetSystemMetrics(SM_CYMENU));
    sendLocal(t.owner, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mi));
    storeMeasure(menu, i, mi.itemWidth, mi.itemHeight);
  }
}

void layout(Tracker& t, Level& level) {
  measureOwnerDrawn(t, level.menu);
  level.items = snapshot(level.menu);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, menuFont());
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  const int rowHeight = tm.tmHeight + kRowPadding;
  int widest = 0, widestAccel = 0;
  for (const MenuItem& item : level.items) {
    if (item.type & MFT_SEPARATOR) continue;
    if (item.type & MFT_OWNERDRAW) {
      widest = std::max(widest, static_cast<int>(item.ownerWidth));
      continue;
    }
    std::u16string label, accel;
    splitText(item.text, &label, &accel);
    widest = std::max(widest, textWidth(dc, label));
    widestAccel = std::max(widestAccel, textWidth(dc, accel));
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  level.textWidth = widest;
  int content = kMarkColumn + widest + (widestAccel > 0 ? kAccelGap + widestAccel : 0) + kArrowColumn;
  int width = 2 * kEdge + content;
  level.rows.clear();
  int y = kEdge;
  for (const MenuItem& item : level.items) {
    int h = (item.type & MFT_SEPARATOR)   ? kSeparatorHeight
            : (item.type & MFT_OWNERDRAW) ? static_cast<int>(item.ownerHeight)
                                          : rowHeight;
    level.rows.push_back(RECT{kEdge, y, width - kEdge, y + h});
    y += h;
  }
  level.bounds = RECT{0, 0, width, y + kEdge};
}

RECT workAreaAt(POINT p) {
  MONITORINFO mi{sizeof(MONITORINFO), {}, {}, 0};
  GetMonitorInfoW(MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST), &mi);
  return mi.rcWork;
}

// Keeps a rectangle of the given size inside the work area, starting from x, y.
RECT clampInto(const RECT& work, int x, int y, int w, int h) {
  x = std::max<int>(work.left, std::min<int>(x, work.right - w));
  y = std::max<int>(work.top, std::min<int>(y, work.bottom - h));
  return RECT{x, y, x + w, y + h};
}

// The top popup at the point, aligned by the TPM_* flags, flipped over the point where it would
// leave the work area, then shifted inside it; it avoids the excluded rectangle where one is given.
RECT placeTop(int x, int y, int w, int h, UINT flags, const RECT* exclude) {
  RECT work = workAreaAt(POINT{x, y});
  int left = (flags & TPM_RIGHTALIGN) ? x - w : (flags & TPM_CENTERALIGN) ? x - w / 2 : x;
  int top = (flags & TPM_BOTTOMALIGN) ? y - h : (flags & TPM_VCENTERALIGN) ? y - h / 2 : y;
  if (left + w > work.right && x - w >= work.left) left = x - w;
  if (left < work.left && x + w <= work.right) left = x;
  if (top + h > work.bottom && y - h >= work.top) top = y - h;
  if (top < work.top && y + h <= work.bottom) top = y;
  RECT r = clampInto(work, left, top, w, h);
  RECT overlap;
  if (exclude != nullptr && IntersectRect(&overlap, &r, exclude)) {
    if (flags & TPM_VERTICAL) {
      r = clampInto(work, r.left, exclude->bottom + h <= work.bottom ? exclude->bottom : exclude->top - h, w, h);
    } else {
      r = clampInto(work, exclude->right + w <= work.right ? exclude->right : exclude->left - w, r.top, w, h);
    }
  }
  return r;
}

// clang-format off
// The 7 x 7 tick of the check box, one entry per column: its top row (each column is 3 high).
constexpr int kTickTop[7] = {2, 3, 4, 3, 2, 1, 0};
// clang-format on

void fillPixels(HDC dc, int x, int y, int w, int h, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  RECT r{x, y, x + w, y + h};
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void paintCheck(HDC dc, const RECT& column, COLORREF colour) {
  int x = column.left + (kMarkColumn - 7) / 2, y = column.top + (column.bottom - column.top - 7) / 2;
  for (int i = 0; i < 7; ++i) fillPixels(dc, x + i, y + kTickTop[i], 1, 3, colour);
}

void paintRadio(HDC dc, const RECT& column, COLORREF colour) {
  // A 5 x 5 dot with its corners cut.
  int x = column.left + (kMarkColumn - 5) / 2, y = column.top + (column.bottom - column.top - 5) / 2;
  fillPixels(dc, x + 1, y, 3, 5, colour);
  fillPixels(dc, x, y + 1, 5, 3, colour);
}

void paintArrow(HDC dc, const RECT& row, COLORREF colour) {
  // A 4 x 7 triangle pointing right.
  int x = row.right - kArrowColumn + (kArrowColumn - 4) / 2, y = row.top + (row.bottom - row.top - 7) / 2;
  for (int i = 0; i < 4; ++i) fillPixels(dc, x + i, y + i, 1, 7 - 2 * i, colour);
}

void drawLabel(HDC dc, const std::u16string& text, RECT r, UINT format, COLORREF colour) {
  SetTextColor(dc, colour);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
}

void paintRow(Tracker& t, Level& level, HDC dc, size_t index) {
  const MenuItem& item = level.items[index];
  RECT row = level.rows[index];
  bool hot = static_cast<int>(index) == level.highlight;
  bool greyed = (item.state & (MF_GRAYED | MF_DISABLED)) != 0;
  if (item.type & MFT_SEPARATOR) {
    int mid = row.top + (row.bottom - row.top) / 2 - 1;
    fillPixels(dc, row.left, mid, row.right - row.left, 1, GetSysColor(COLOR_3DSHADOW));
    fillPixels(dc, row.left, mid + 1, row.right - row.left, 1, GetSysColor(COLOR_3DHILIGHT));
    return;
  }
  if (item.type & MFT_OWNERDRAW) {
    DRAWITEMSTRUCT di{};
    di.CtlType = ODT_MENU;
    di.itemID = item.id;
    di.itemAction = ODA_DRAWENTIRE;
    di.itemState = (hot ? ODS_SELECTED : 0) | (greyed ? ODS_GRAYED | ODS_DISABLED : 0) |
                   ((item.state & MF_CHECKED) ? ODS_CHECKED : 0);
    di.hwndItem = reinterpret_cast<HWND>(level.menu);
    di.hDC = dc;
    di.rcItem = row;
    di.itemData = item.data;
    int saved = SaveDC(dc);
    sendLocal(t.owner, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&di));
    RestoreDC(dc, saved);
    return;
  }
  if (hot) FillRect(dc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
  COLORREF colour = hot ? GetSysColor(COLOR_HIGHLIGHTTEXT) : GetSysColor(COLOR_MENUTEXT);
  if (greyed && hot) colour = GetSysColor(COLOR_GRAYTEXT);
  RECT mark{row.left, row.top, row.left + kMarkColumn, row.bottom};
  if (item.state & MF_CHECKED) {
    if (greyed && !hot) {
      if (item.type & MFT_RADIOCHECK) {
        paintRadio(dc, RECT{mark.left + 1, mark.top + 1, mark.right + 1, mark.bottom + 1},
                   GetSysColor(COLOR_3DHILIGHT));
      } else {
        paintCheck(dc, RECT{mark.left + 1, mark.top + 1, mark.right + 1, mark.bottom + 1},
                   GetSysColor(COLOR_3DHILIGHT));
      }
    }
    COLORREF markColour = greyed ? GetSysColor(COLOR_GRAYTEXT) : colour;
    if (item.type & MFT_RADIOCHECK) {
      paintRadio(dc, mark, markColour);
    } else {
      paintCheck(dc, mark, markColour);
    }
  }
  size_t tab = item.text.find(u'\t');
  std::u16string label = item.text.substr(0, tab);
  std::u16string accel = tab == std::u16string::npos ? std::u16string() : item.text.substr(tab + 1);
  UINT format = DT_SINGLELINE | DT_VCENTER | (t.keys ? 0u : static_cast<UINT>(DT_HIDEPREFIX));
  RECT text{row.left + kMarkColumn, row.top, row.right - kArrowColumn, row.bottom};
  if (greyed && !hot) {
    // Embossed: the highlight colour one pixel right and down under the grey text.
    RECT shadow{text.left + 1, text.top + 1, text.right + 1, text.bottom + 1};
    drawLabel(dc, label, shadow, format, GetSysColor(COLOR_3DHILIGHT));
    if (!accel.empty()) drawLabel(dc, accel, shadow, format | DT_RIGHT | DT_NOPREFIX, GetSysColor(COLOR_3DHILIGHT));
    colour = GetSysColor(COLOR_GRAYTEXT);
  }
  drawLabel(dc, label, text, format, colour);
  if (!accel.empty()) drawLabel(dc, accel, text, format | DT_RIGHT | DT_NOPREFIX, colour);
  if (item.subMenu != nullptr) paintArrow(dc, row, greyed && !hot ? GetSysColor(COLOR_GRAYTEXT) : colour);
}

void paintLevel(Tracker& t, Level& level, HDC dc) {
  RECT all{0, 0, level.bounds.right - level.bounds.left, level.bounds.bottom - level.bounds.top};
  HBRUSH back = nullptr;
  {
    std::lock_guard<std::recursive_mutex> guard(menuLock());
    Menu* m = findMenu(level.menu);
    if (m != nullptr) back = m->background;
  }
  FillRect(dc, &all, back != nullptr ? back : GetSysColorBrush(COLOR_MENU));
  DrawEdge(dc, &all, EDGE_RAISED, BF_RECT);
  HGDIOBJ oldFont = SelectObject(dc, menuFont());
  int oldMode = SetBkMode(dc, TRANSPARENT);
  COLORREF oldColour = GetTextColor(dc);
  for (size_t i = 0; i < level.items.size() && i < level.rows.size(); ++i) paintRow(t, level, dc, i);
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldFont);
}

Level* levelOfWindow(Tracker& t, HWND hwnd) {
  for (Level& level : t.levels) {
    if (level.window == hwnd) return &level;
  }
  return nullptr;
}

LRESULT CALLBACK menuWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Tracker* t = t_tracker;
  switch (message) {
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      Level* level = t != nullptr ? levelOfWindow(*t, hwnd) : nullptr;
      if (level != nullptr) paintLevel(*t, *level, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_CLOSE:
    case WM_CANCELMODE:
      // Closing the menu window ends the loop; the loop destroys its windows itself.
      if (t != nullptr) t->done = true;
      return 0;
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

void registerMenuClass() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_SAVEBITS | CS_DROPSHADOW;
    wc.lpfnWndProc = menuWindowProc;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = u"#32768";
    RegisterClassExW(&wc);
  });
}

HWND makeMenuWindow(Tracker& t) {
  registerMenuClass();
  return CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, u"#32768", nullptr, WS_POPUP, 0, 0, 1, 1,
                         t.owner, nullptr, nullptr, nullptr);
}

void showLevel(Tracker& t, Level& level) {
  RECT& b = level.bounds;
  SetWindowPos(level.window, HWND_TOPMOST, b.left, b.top, b.right - b.left, b.bottom - b.top,
               SWP_NOACTIVATE | SWP_SHOWWINDOW);
  if (!t.grabbed && &level == &t.levels.front()) {
    NativeWindow native = 0;
    {
      std::lock_guard<std::recursive_mutex> guard(userLock());
      Window* w = findWindow(level.window);
      if (w != nullptr) native = w->native;
    }
    t.grabbed = native != 0 && displayDriver().grabInput(native);
  }
  UpdateWindow(level.window);
}

void redraw(Level& level) {
  if (level.window != nullptr) {
    InvalidateRect(level.window, nullptr, FALSE);
    UpdateWindow(level.window);
  }
}

void sendMenuSelect(Tracker& t, Level& level, int row, bool byMouse) {
  if (!t.notify || row < 0 || static_cast<size_t>(row) >= level.items.size()) return;
  const MenuItem& item = level.items[static_cast<size_t>(row)];
  UINT flags = MF_HILITE | (byMouse ? MF_MOUSESELECT : 0) | (item.state & (MF_CHECKED | MF_GRAYED | MF_DISABLED)) |
               (item.type & MFT_OWNERDRAW);
  UINT id = item.id;
  if (item.subMenu != nullptr) {
    flags |= MF_POPUP;
    id = static_cast<UINT>(row);
  }
  sendLocal(t.owner, WM_MENUSELECT, MAKEWPARAM(id, flags), reinterpret_cast<LPARAM>(level.menu));
}

void setHighlight(Tracker& t, size_t levelIndex, int row, bool byMouse) {
  Level& level = t.levels[levelIndex];
  if (level.highlight == row) return;
  level.highlight = row;
  redraw(t.levels[levelIndex]);
  sendMenuSelect(t, t.levels[levelIndex], row, byMouse);
}

void closeLevel(Tracker& t) {
  Level level = std::move(t.levels.back());
  t.levels.pop_back();
  if (level.window != nullptr) {
    KillTimer(level.window, kHoverTimer);
    DestroyWindow(level.window);
  }
  if (t.notify) sendLocal(t.owner, WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(level.menu), 0);
}

void closeAbove(Tracker& t, size_t keep) {
  while (t.levels.size() > keep) closeLevel(t);
}

int firstSelectable(const Level& level, int from, int step) {
  int n = static_cast<int>(level.items.size());
  for (int k = 0; k < n; ++k) {
    int i = ((from + step * (k + 1)) % n + n) % n;
    if (selectable(level.items[static_cast<size_t>(i)])) return i;
  }
  return -1;
}

// Opens a popup level: the top one at the point, a sub-menu beside its entry.
bool openLevel(Tracker& t, HMENU menu, int fromRow, POINT at, const RECT* exclude, bool byKeys) {
  // The window exists, hidden, before WM_INITMENUPOPUP, so its handler can find the menu window.
  Level level;
  level.menu = menu;
  level.window = makeMenuWindow(t);
  if (t.notify) {
    sendLocal(t.owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(fromRow < 0 ? 0 : fromRow, FALSE));
  }
  if (!IsMenu(menu) || t.done) {
    DestroyWindow(level.window);
    if (t.notify) sendLocal(t.owner, WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    return false;
  }
  layout(t, level);
  int w = level.bounds.right, h = level.bounds.bottom;
  if (t.levels.empty() || fromRow < 0) {
    level.bounds = placeTop(at.x, at.y, w, h, t.flags, exclude);
  } else {
    const Level& parent = t.levels.back();
    const RECT& row = parent.rows[static_cast<size_t>(fromRow)];
    RECT work = workAreaAt(POINT{parent.bounds.right, parent.bounds.top + row.top});
    // Right of the entry, overlapping the parent's edge; left of the parent where there is no room.
    int x = parent.bounds.right - kEdge;
    if (x + w > work.right) x = parent.bounds.left - w + kEdge;
    level.bounds = clampInto(work, x, parent.bounds.top + row.top - kEdge, w, h);
  }
  if (byKeys) level.highlight = firstSelectable(level, -1, 1);
  t.levels.push_back(std::move(level));
  showLevel(t, t.levels.back());
  if (byKeys) sendMenuSelect(t, t.levels.back(), t.levels.back().highlight, false);
  return true;
}

void openSubMenu(Tracker& t, size_t levelIndex, int row, bool byKeys) {
  closeAbove(t, levelIndex + 1);
  Level& level = t.levels[levelIndex];
  if (row < 0 || static_cast<size_t>(row) >= level.items.size()) return;
  const MenuItem& item = level.items[static_cast<size_t>(row)];
  if (item.subMenu == nullptr || (item.state & (MF_GRAYED | MF_DISABLED))) return;
  KillTimer(level.window, kHoverTimer);
  openLevel(t, item.subMenu, row, POINT{0, 0}, nullptr, byKeys);
}

bool subMenuOpenFrom(const Tracker& t, size_t levelIndex, int row) {
  return t.levels.size() > levelIndex + 1 && t.levels[levelIndex].highlight == row;
}

void choose(Tracker& t, const MenuItem& item) {
  if (!choosable(item) || item.subMenu != nullptr) return;
  t.choice = item.id;
  t.done = true;
}

// The bar's entries (slide to a neighbour with the pointer or Left and Right).
void openBarEntry(Tracker& t, int entry, bool byKeys) {
  closeAbove(t, 0);
  t.barEntry = entry;
  RedrawWindow(t.owner, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOCHILDREN);
  std::vector<MenuItem> entries = snapshot(t.bar);
  if (entry < 0 || static_cast<size_t>(entry) >= entries.size()) return;
  const MenuItem& item = entries[static_cast<size_t>(entry)];
  if (t.notify)
    sendLocal(
        t.owner, WM_MENUSELECT,
        MAKEWPARAM(item.subMenu != nullptr ? entry : item.id, MF_HILITE | (item.subMenu != nullptr ? MF_POPUP : 0)),
        reinterpret_cast<LPARAM>(t.bar));
  if (item.subMenu == nullptr || (item.state & (MF_GRAYED | MF_DISABLED))) return;
  const RECT& r = t.barRects[static_cast<size_t>(entry)];
  openLevel(t, item.subMenu, entry, POINT{r.left, r.bottom}, &r, byKeys);
  // The bar's drop-downs hang below their entry: the exclusion keeps them off the bar.
}

int barEntryAt(const Tracker& t, POINT p) {
  for (size_t i = 0; i < t.barRects.size(); ++i) {
    if (PtInRect(&t.barRects[i], p)) return static_cast<int>(i);
  }
  return -1;
}

bool hitLevel(Tracker& t, POINT p, size_t* levelIndex, int* row) {
  for (size_t k = t.levels.size(); k-- > 0;) {
    Level& level = t.levels[k];
    if (!PtInRect(&level.bounds, p)) continue;
    *levelIndex = k;
    *row = -1;
    POINT c{p.x - level.bounds.left, p.y - level.bounds.top};
    for (size_t i = 0; i < level.rows.size(); ++i) {
      if (PtInRect(&level.rows[i], c)) *row = static_cast<int>(i);
    }
    return true;
  }
  return false;
}

void mouseMove(Tracker& t, POINT p) {
  size_t k;
  int row;
  if (hitLevel(t, p, &k, &row)) {
    Level& level = t.levels[k];
    if (row >= 0 && !selectable(level.items[static_cast<size_t>(row)])) row = -1;
    if (row == level.highlight) {
      // Back on the entry of the open sub-menu: whatever the sub-menu highlighted stays.
      return;
    }
    if (t.levels.size() > k + 1) closeAbove(t, k + 1);
    setHighlight(t, k, row, true);
    if (row >= 0 && level.items[static_cast<size_t>(row)].subMenu != nullptr) {
      t.hoverLevel = static_cast<int>(k);
      t.hoverRow = row;
      SetTimer(t.levels[k].window, kHoverTimer, kHoverDelay, nullptr);
    }
    return;
  }
  int entry = t.bar != nullptr ? barEntryAt(t, p) : -1;
  if (entry >= 0 && entry != t.barEntry) {
    openBarEntry(t, entry, false);
    return;
  }
  // Off every popup: the innermost one loses its highlight unless it leads to an open sub-menu.
  if (!t.levels.empty()) setHighlight(t, t.levels.size() - 1, -1, true);
}

bool buttonCounts(const Tracker& t, UINT message) {
  if (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP) return true;
  return (t.flags & TPM_RIGHTBUTTON) && (message == WM_RBUTTONDOWN || message == WM_RBUTTONUP);
}

void mouseButton(Tracker& t, const MSG& msg) {
  POINT p = msg.pt;
  bool down = msg.message == WM_LBUTTONDOWN || msg.message == WM_RBUTTONDOWN || msg.message == WM_MBUTTONDOWN;
  size_t k;
  int row;
  if (hitLevel(t, p, &k, &row)) {
    if (row < 0 || !buttonCounts(t, msg.message)) return;
    const MenuItem item = t.levels[k].items[static_cast<size_t>(row)];
    if (!selectable(item)) return;
    if (item.subMenu != nullptr) {
      if (!subMenuOpenFrom(t, k, row)) {
        setHighlight(t, k, row, true);
        openSubMenu(t, k, row, false);
      }
      return;
    }
    if (!down) choose(t, item);
    return;
  }
  int entry = t.bar != nullptr ? barEntryAt(t, p) : -1;
  if (entry >= 0) {
    if (!down) {
      std::vector<MenuItem> entries = snapshot(t.bar);
      if (static_cast<size_t>(entry) < entries.size() && entries[static_cast<size_t>(entry)].subMenu == nullptr) {
        choose(t, entries[static_cast<size_t>(entry)]);
      }
      return;
    }
    // A press on the open entry closes its drop-down, as a second click on a bar entry does.
    if (entry == t.barEntry) {
      t.done = true;
    } else {
      openBarEntry(t, entry, false);
    }
    return;
  }
  if (down) {
    // A press outside every popup ends the menu and still reaches the window under the pointer.
    t.pressOutside = msg;
    t.done = true;
  }
}

// Mnemonic letters: a single match is chosen (or opens its sub-menu), several are cycled.
void mnemonic(Tracker& t, char16_t ch) {
  if (t.levels.empty()) return;
  size_t k = t.levels.size() - 1;
  Level& level = t.levels[k];
  char16_t wanted = (ch >= u'a' && ch <= u'z') ? static_cast<char16_t>(ch - 32) : ch;
  std::vector<int> hits;
  for (size_t i = 0; i < level.items.size(); ++i) {
    if (selectable(level.items[i]) && mnemonicOf(level.items[i].text) == wanted) hits.push_back(static_cast<int>(i));
  }
  if (hits.empty()) return;
  if (hits.size() == 1) {
    int row = hits[0];
    setHighlight(t, k, row, false);
    const MenuItem item = t.levels[k].items[static_cast<size_t>(row)];
    if (item.subMenu != nullptr) {
      openSubMenu(t, k, row, true);
    } else {
      choose(t, item);
    }
    return;
  }
  auto next = std::upper_bound(hits.begin(), hits.end(), level.highlight);
  setHighlight(t, k, next != hits.end() ? *next : hits.front(), false);
}

void keyDown(Tracker& t, UINT vk) {
  t.keys = true;
  for (Level& level : t.levels) redraw(level);
  if (vk == VK_MENU || vk == VK_F10) {
    t.done = true;
    return;
  }
  if (t.levels.empty()) {
    if (t.bar == nullptr) return;
    int count = static_cast<int>(t.barRects.size());
    if (count == 0) return;
    if (vk == VK_LEFT || vk == VK_RIGHT) {
      openBarEntry(t, ((t.barEntry + (vk == VK_LEFT ? -1 : 1)) % count + count) % count, true);
    } else if (vk == VK_DOWN || vk == VK_RETURN) {
      openBarEntry(t, t.barEntry, true);
    } else if (vk == VK_ESCAPE) {
      t.done = true;
    }
    return;
  }
  size_t k = t.levels.size() - 1;
  Level& level = t.levels[k];
  switch (vk) {
    case VK_UP:
    case VK_DOWN: {
      int from = level.highlight < 0 ? (vk == VK_DOWN ? -1 : 0) : level.highlight;
      int row = firstSelectable(level, from, vk == VK_DOWN ? 1 : -1);
      setHighlight(t, k, row, false);
      break;
    }
    case VK_RIGHT: {
      int row = level.highlight;
      if (row >= 0 && level.items[static_cast<size_t>(row)].subMenu != nullptr &&
          choosable(level.items[static_cast<size_t>(row)])) {
        openSubMenu(t, k, row, true);
      } else if (t.bar != nullptr && !t.barRects.empty()) {
        openBarEntry(t, (t.barEntry + 1) % static_cast<int>(t.barRects.size()), true);
      }
      break;
    }
    case VK_LEFT:
      if (k > 0) {
        closeLevel(t);
      } else if (t.bar != nullptr && !t.barRects.empty()) {
        int count = static_cast<int>(t.barRects.size());
        openBarEntry(t, ((t.barEntry - 1) % count + count) % count, true);
      }
      break;
    case VK_RETURN: {
      int row = level.highlight;
      if (row < 0) break;
      const MenuItem item = level.items[static_cast<size_t>(row)];
      if (item.subMenu != nullptr) {
        openSubMenu(t, k, row, true);
      } else {
        choose(t, item);
      }
      break;
    }
    case VK_ESCAPE:
      if (k > 0) {
        closeLevel(t);
      } else {
        t.done = true;
      }
      break;
    default: break;
  }
}

void hoverTimer(Tracker& t, HWND hwnd) {
  KillTimer(hwnd, kHoverTimer);
  if (t.hoverLevel < 0 || static_cast<size_t>(t.hoverLevel) >= t.levels.size()) return;
  size_t k = static_cast<size_t>(t.hoverLevel);
  if (t.levels[k].window != hwnd || t.levels[k].highlight != t.hoverRow) return;
  if (t.levels.size() == k + 1) openSubMenu(t, k, t.hoverRow, false);
}

bool ownWindow(const Tracker& t, HWND hwnd) {
  for (const Level& level : t.levels) {
    if (level.window == hwnd) return true;
  }
  return false;
}

bool isMouseMessage(UINT m) {
  return (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) || (m >= WM_NCMOUSEMOVE && m <= WM_NCMBUTTONDBLCLK);
}

void runLoop(Tracker& t) {
  if (!t.levels.empty()) SetCapture(t.levels.front().window);
  while (!t.done) {
    // A popup whose menu went away while it opened has nothing left to track.
    if (!IsWindow(t.owner) || (t.levels.empty() && t.bar == nullptr)) break;
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (t.done) break;
      WaitMessage();
      continue;
    }
    if (msg.message == WM_QUIT) {
      t.quit = true;
      t.quitCode = msg.wParam;
      break;
    }
    // The pointer belongs to the menu while it tracks, whoever takes the capture meanwhile.
    if (!t.levels.empty() && GetCapture() != t.levels.front().window) SetCapture(t.levels.front().window);
    if (isMouseMessage(msg.message)) {
      if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) {
        mouseMove(t, msg.pt);
      } else if (msg.message != WM_MOUSEWHEEL && msg.message != WM_MOUSEHWHEEL) {
        MSG button = msg;
        if (button.message <= WM_NCMBUTTONDBLCLK) button.message = button.message - WM_NCMOUSEMOVE + WM_MOUSEMOVE;
        if (button.message == WM_LBUTTONDBLCLK || button.message == WM_RBUTTONDBLCLK ||
            button.message == WM_MBUTTONDBLCLK) {
          button.message -= WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
        }
        mouseButton(t, button);
      }
      continue;
    }
    switch (msg.message) {
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
        TranslateMessage(&msg);
        keyDown(t, static_cast<UINT>(msg.wParam));
        continue;
      case WM_CHAR:
      case WM_SYSCHAR:
        t.keys = true;
        mnemonic(t, static_cast<char16_t>(msg.wParam));
        continue;
      case WM_KEYUP:
      case WM_SYSKEYUP: continue;
      case WM_TIMER:
        if (msg.wParam == kHoverTimer && ownWindow(t, msg.hwnd)) {
          hoverTimer(t, msg.hwnd);
          continue;
        }
        break;
      default: break;
    }
    DispatchMessageW(&msg);
  }
}

bool pathTo(HMENU menu, UINT id, std::vector<size_t>& path, int depth) {
  Menu* m = findMenu(menu);
  if (m == nullptr || depth > 32) return false;
  for (size_t i = 0; i < m->items.size(); ++i) {
    const MenuItem& item = m->items[i];
    path.push_back(i);
    if (item.subMenu == nullptr && selectable(item) && item.id == id) return true;
    if (item.subMenu != nullptr && pathTo(item.subMenu, id, path, depth + 1)) return true;
    path.pop_back();
  }
  return false;
}

// A scripted choice: the messages run as if the user had walked to the item and chosen it.
void runScripted(Tracker& t, UINT id) {
  std::vector<size_t> path;
  {
    std::lock_guard<std::recursive_mutex> guard(menuLock());
    if (!pathTo(t.levels.front().menu, id, path, 0)) path.clear();
  }
  if (path.empty()) {
    std::fprintf(stderr, "menu: no item %u in this menu; the menu is cancelled\n", id);
    return;
  }
  for (size_t depth = 0; depth < path.size() && !t.done; ++depth) {
    Level& level = t.levels.back();
    int row = static_cast<int>(path[depth]);
    if (static_cast<size_t>(row) >= level.items.size()) return;
    level.highlight = row;
    sendMenuSelect(t, level, row, false);
    const MenuItem item = level.items[static_cast<size_t>(row)];
    if (depth + 1 == path.size()) {
      if (!choosable(item)) std::fprintf(stderr, "menu: item %u is greyed; the menu is cancelled\n", id);
      choose(t, item);
      return;
    }
    if (!choosable(item)) return;
    if (t.notify) {
      sendLocal(t.owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(item.subMenu), MAKELPARAM(row, FALSE));
    }
    Level sub;
    sub.menu = item.subMenu;
    sub.items = snapshot(item.subMenu);
    t.levels.push_back(std::move(sub));
  }
}

// Puts a press that ended the menu back at the head of the input, for the window under it.
void requeuePress(const MSG& press) {
  HWND top = nullptr;
  std::shared_ptr<ThreadQueue> queue;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = windowAtPoint(press.pt);
    if (w == nullptr) return;
    top = w->handle;
    queue = w->queue;
  }
  WPARAM keys = heldMouseKeys();
  if (press.message == WM_LBUTTONDOWN || press.message == WM_NCLBUTTONDOWN) keys |= MK_LBUTTON;
  if (press.message == WM_RBUTTONDOWN || press.message == WM_NCRBUTTONDOWN) keys |= MK_RBUTTON;
  if (press.message == WM_MBUTTONDOWN || press.message == WM_NCMBUTTONDOWN) keys |= MK_MBUTTON;
  RawInput raw{RawInput::Kind::Mouse, top, press.message, press.pt, 0, 0, 0, press.time, {}, keys};
  {
    std::lock_guard<std::mutex> guard(queue->lock);
    queue->input.push_front(std::move(raw));
  }
  queue->notify();
}

BOOL track(HMENU menu, UINT flags, int x, int y, HWND owner, const RECT* exclude, HMENU bar, int barEntry,
           bool byKeys) {
  if (!IsMenu(menu)) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  DWORD ownerThread = GetWindowThreadProcessId(owner, nullptr);
  if (!IsWindow(owner) || ownerThread != GetCurrentThreadId()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (t_tracker != nullptr) {
    SetLastError(ERROR_POPUP_ALREADY_ACTIVE);
    return FALSE;
  }
  ModalAnswer answer = displayDriver().takeModalAnswer(ModalAnswer::Kind::Menu);
  Tracker t;
  t.owner = owner;
  t.flags = flags;
  t.notify = !(flags & TPM_NONOTIFY);
  t.bar = bar;
  t.keys = byKeys;
  if (bar != nullptr) {
    barEntryRects(owner, &t.barRects);
  }
  t_tracker = &t;
  HMENU first = bar != nullptr ? bar : menu;
  if (t.notify) {
    sendLocal(owner, WM_ENTERMENULOOP, bar == nullptr ? TRUE : FALSE, 0);
    sendLocal(owner, WM_INITMENU, reinterpret_cast<WPARAM>(first), 0);
  }
  if (answer.kind == ModalAnswer::Kind::Run) {
    if (bar != nullptr) {
      openBarEntry(t, barEntry, byKeys);
    } else {
      openLevel(t, menu, -1, POINT{x, y}, exclude, byKeys);
    }
    runLoop(t);
  } else {
    // A scripted loop keeps its menu window hidden; its handlers still find it.
    Level level;
    level.menu = menu;
    level.window = makeMenuWindow(t);
    if (t.notify) {
      sendLocal(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu),
                MAKELPARAM(barEntry < 0 ? 0 : barEntry, FALSE));
    }
    level.items = snapshot(menu);
    t.levels.push_back(std::move(level));
    if (answer.kind == ModalAnswer::Kind::Menu) runScripted(t, static_cast<UINT>(answer.value));
  }
  std::vector<HMENU> closing;
  while (!t.levels.empty()) {
    Level level = std::move(t.levels.back());
    t.levels.pop_back();
    if (level.window != nullptr) {
      KillTimer(level.window, kHoverTimer);
      if (GetCapture() == level.window) ReleaseCapture();
      DestroyWindow(level.window);
    }
    closing.push_back(level.menu);
  }
  if (t.grabbed) displayDriver().ungrabInput();
  t_tracker = nullptr;
  if (bar != nullptr) {
    t.barEntry = -1;
    RedrawWindow(owner, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
  }
  if (t.notify && IsWindow(owner)) {
    sendLocal(owner, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    for (HMENU m : closing) sendLocal(owner, WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(m), 0);
    sendLocal(owner, WM_EXITMENULOOP, bar == nullptr ? TRUE : FALSE, 0);
  }
  if (t.pressOutside) requeuePress(*t.pressOutside);
  if (t.quit) PostQuitMessage(static_cast<int>(t.quitCode));
  if (t.choice && (flags & TPM_RETURNCMD)) return static_cast<BOOL>(*t.choice);
  if (t.choice && IsWindow(owner)) PostMessageW(owner, WM_COMMAND, MAKEWPARAM(*t.choice, 0), 0);
  if (flags & TPM_RETURNCMD) return 0;
  return TRUE;
}

}  // namespace

HFONT menuFont() {
  // "MS Shell Dlg 2" at 8 points, 96 DPI; made once and kept for the process.
  static HFONT font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"MS Shell Dlg 2");
  return font;
}

char16_t mnemonicOf(const std::u16string& text) {
  for (size_t i = 0; i + 1 < text.size() && text[i] != u'\t'; ++i) {
    if (text[i] != u'&') continue;
    char16_t c = text[i + 1];
    if (c == u'&') {
      ++i;
      continue;
    }
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  }
  return 0;
}

void trackBar(HWND owner, HMENU bar, int entry, bool byKeys) {
  std::vector<MenuItem> entries = snapshot(bar);
  if (entry < 0 || static_cast<size_t>(entry) >= entries.size()) return;
  HMENU popup = entries[static_cast<size_t>(entry)].subMenu;
  track(popup != nullptr ? popup : bar, TPM_LEFTALIGN | TPM_TOPALIGN, 0, 0, owner, nullptr, bar, entry, byKeys);
}

int barEntryOpen(HWND owner) {
  Tracker* t = t_tracker;
  return t != nullptr && t->owner == owner && t->bar != nullptr ? t->barEntry : -1;
}

}  // namespace winapi

using namespace winapi;

extern "C" BOOL WINAPI TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  return track(menu, flags, x, y, owner, nullptr, nullptr, -1, false);
}

extern "C" BOOL WINAPI TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS params) {
  if (params != nullptr && params->cbSize != sizeof(TPMPARAMS)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return track(menu, flags, x, y, owner, params != nullptr ? &params->rcExclude : nullptr, nullptr, -1, false);
}

extern "C" BOOL WINAPI EndMenu(void) {
  if (t_tracker != nullptr) t_tracker->done = true;
  return TRUE;
}
