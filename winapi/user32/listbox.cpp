// The list box: the "ListBox" class and the combo box's drop list "ComboLBox", one procedure for
// both. Single selection, strings or item data, fixed or variable owner-drawn rows (WM_MEASUREITEM
// and WM_DRAWITEM to the owner), the LB_* messages the combo box forwards, LBN_SELCHANGE, a
// vertical scroll bar kept in step with the rows, the wheel, and the drop list's mouse handling
// under its capture (highlight by moving, choose by release or click, cancel by a click outside).
// Extended selection (LBS_EXTENDEDSEL): Shift and Ctrl with clicks and arrow keys, the caret and
// the anchor, LB_GETSEL, LB_SETSEL, LB_GETSELCOUNT, LB_GETSELITEMS and LB_SELITEMRANGEEX.
// LB_FINDSTRING and LB_FINDSTRINGEXACT (item data compared in a list without strings), and
// type-ahead: letters select the next row whose text begins with what was typed.
// Left out on purpose: LBS_MULTIPLESEL, LBS_WANTKEYBOARDINPUT (WM_VKEYTOITEM, WM_CHARTOITEM),
// LB_SELECTSTRING, sorting, tab stops, columns and horizontal scrolling (nothing calls them).
#include "winapi/user32/ComboList.h"

#include "winapi/user32/Controls.h"
#include "winapi/user32/ScrollBar.h"
#include "winapi/user32/Window.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <string_view>

namespace winapi {
namespace {

constexpr int kStateSlot = 0;  // the extra bytes hold the state pointer

ListState* stateOf(HWND hwnd) { return reinterpret_cast<ListState*>(GetWindowLongPtrW(hwnd, kStateSlot)); }

bool isDropList(const ListState* s) { return s->combo != nullptr; }

// Where owner-draw and colour messages go, with the control type and id they carry.
struct Owner {
  HWND target;
  HWND item;
  UINT type;
  UINT id;
};

Owner ownerOf(HWND hwnd, const ListState* s) {
  if (isDropList(s)) {
    return Owner{GetParent(s->combo), s->combo, ODT_COMBOBOX, static_cast<UINT>(GetWindowLongPtrW(s->combo, GWLP_ID))};
  }
  return Owner{GetParent(hwnd), hwnd, ODT_LISTBOX, static_cast<UINT>(GetWindowLongPtrW(hwnd, GWLP_ID))};
}

int clientHeight(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  return r.bottom - r.top;
}

int clientWidth(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  return r.right - r.left;
}

int maxTop(HWND hwnd, const ListState* s) {
  int count = static_cast<int>(s->items.size());
  if (count == 0) return 0;
  // The last top row that still fills the list: count back from the end while rows fit.
  int height = clientHeight(hwnd), used = 0, first = count;
  while (first > 0 && used + static_cast<int>(s->rowHeight(first - 1)) <= height) {
    used += static_cast<int>(s->rowHeight(first - 1));
    --first;
  }
  return std::min(first, count - 1);
}

void notifyOwner(HWND hwnd, const ListState* s, int code) {
  if (isDropList(s) || !(s->style & LBS_NOTIFY)) return;
  HWND parent = GetParent(hwnd);
  if (parent == nullptr) return;
  sendLocal(parent, WM_COMMAND, MAKEWPARAM(GetWindowLongPtrW(hwnd, GWLP_ID), code), reinterpret_cast<LPARAM>(hwnd));
}

UINT measure(HWND hwnd, ListState* s, UINT itemId, ULONG_PTR data) {
  Owner o = ownerOf(hwnd, s);
  MEASUREITEMSTRUCT mis{o.type, o.id, itemId, static_cast<UINT>(clientWidth(hwnd)), s->itemHeight, data};
  if (o.target != nullptr) sendLocal(o.target, WM_MEASUREITEM, o.id, reinterpret_cast<LPARAM>(&mis));
  // An answer below one pixel keeps the preset height.
  return mis.itemHeight >= 1 ? mis.itemHeight : s->itemHeight;
}

int insertItem(HWND hwnd, ListState* s, int index, LPARAM value) {
  int count = static_cast<int>(s->items.size());
  if (index == -1) index = count;
  if (index < 0 || index > count) return LB_ERR;
  ListItem item;
  if (s->hasStrings()) {
    if (value != 0) item.text = reinterpret_cast<LPCWSTR>(value);
  } else {
    // Without strings the value itself is the item's data, as on Windows.
    item.data = static_cast<ULONG_PTR>(value);
  }
  s->items.insert(s->items.begin() + index, std::move(item));
  if (s->variable())
    s->items[static_cast<size_t>(index)].height =
        measure(hwnd, s, static_cast<UINT>(index), s->items[static_cast<size_t>(index)].data);
  if (s->current >= index) ++s->current;
  updateListScrollBar(hwnd);
  InvalidateRect(hwnd, nullptr, TRUE);
  return index;
}

int deleteItem(HWND hwnd, ListState* s, int index) {
  int count = static_cast<int>(s->items.size());
  if (index < 0 || index >= count) return LB_ERR;
  s->items.erase(s->items.begin() + index);
  if (s->current == index) {
    s->current = -1;
  } else if (s->current > index) {
    --s->current;
  }
  s->top = std::clamp(s->top, 0, maxTop(hwnd, s));
  updateListScrollBar(hwnd);
  InvalidateRect(hwnd, nullptr, TRUE);
  return count - 1;
}

RECT rowRect(HWND hwnd, const ListState* s, int index) {
  int y = 0;
  if (index >= s->top) {
    for (int i = s->top; i < index; ++i) y += static_cast<int>(s->rowHeight(i));
  } else {
    for (int i = index; i < s->top; ++i) y -= static_cast<int>(s->rowHeight(i));
  }
  return RECT{0, y, clientWidth(hwnd), y + static_cast<int>(s->rowHeight(index))};
}

// The row at a client point, or -1 (below the last row, or outside the client area).
int rowAt(HWND hwnd, const ListState* s, POINT p) {
  if (p.x < 0 || p.y < 0 || p.x >= clientWidth(hwnd) || p.y >= clientHeight(hwnd)) return -1;
  int y = 0;
  for (int i = s->top; i < static_cast<int>(s->items.size()); ++i) {
    y += static_cast<int>(s->rowHeight(i));
    if (p.y < y) return i;
  }
  return -1;
}

void setCurrent(HWND hwnd, ListState* s, int index) {
  if (index == s->current) return;
  s->current = index;
  // A closed drop list has no height to scroll in; the combo box scrolls it as it opens.
  if (index >= 0 && (!isDropList(s) || IsWindowVisible(hwnd))) ensureVisible(hwnd, index);
  InvalidateRect(hwnd, nullptr, FALSE);
}

// Extended selection: only `first` to `last` (either order) selected, or added to the selection.
void selectRange(HWND hwnd, ListState* s, int first, int last, bool add) {
  if (first > last) std::swap(first, last);
  for (int i = 0; i < static_cast<int>(s->items.size()); ++i) {
    bool inside = i >= first && i <= last;
    if (inside || !add) s->items[static_cast<size_t>(i)].selected = inside;
  }
  InvalidateRect(hwnd, nullptr, FALSE);
}

// A click or a key moved the caret to `row` of an extended list: Shift selects from the anchor,
// Ctrl toggles the row with a click and only moves the caret with a key; alone, the row alone.
void extendedMove(HWND hwnd, ListState* s, int row, bool shift, bool control, bool click) {
  if (shift && s->anchor >= 0) {
    selectRange(hwnd, s, s->anchor, row, control);
  } else if (control && click) {
    s->items[static_cast<size_t>(row)].selected = !s->items[static_cast<size_t>(row)].selected;
    s->anchor = row;
  } else if (!control) {
    selectRange(hwnd, s, row, row, false);
    s->anchor = row;
  }
  s->current = -1;  // the caret always repaints
  setCurrent(hwnd, s, row);
  notifyOwner(hwnd, s, LBN_SELCHANGE);
}

// Rows are compared without case as Windows does, for every letter of the Basic Multilingual
// Plane, not only A-Z; the C.UTF-8 character classes know them whatever the process locale is.
char16_t folded(char16_t c) {
  static const locale_t s_utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  if (c < 0x80 || s_utf8 == static_cast<locale_t>(nullptr)) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
  }
  if (c >= 0xD800 && c <= 0xDFFF) return c;  // half of a pair: no case of its own
  const wint_t lower = towlower_l(static_cast<wint_t>(c), s_utf8);
  return lower <= 0xFFFF ? static_cast<char16_t>(lower) : c;
}

// Whether a row matches what LB_FINDSTRING(EXACT) looks for: its text beginning with (or equal
// to) `value` ignoring case, or, in a list without strings, its item data equal to `value`.
bool matches(const ListState* s, const ListItem& item, LPARAM value, bool exact) {
  if (!s->hasStrings()) return item.data == static_cast<ULONG_PTR>(value);
  const std::u16string_view want(reinterpret_cast<LPCWSTR>(value));
  const std::u16string& text = item.text;
  if (exact ? text.size() != want.size() : text.size() < want.size()) return false;
  for (size_t i = 0; i < want.size(); ++i) {
    if (folded(text[i]) != folded(want[i])) return false;
  }
  return true;
}

// The first matching row after `after`, going round from the last row to the top and on to
// `after` itself, as Windows searches; -1 (or an index past the end) searches from the top.
int findRow(const ListState* s, int after, LPARAM value, bool exact) {
  const int count = static_cast<int>(s->items.size());
  if (count == 0 || (s->hasStrings() && value == 0)) return LB_ERR;
  if (after < 0 || after >= count) after = -1;
  for (int i = 1; i <= count; ++i) {
    const int row = (after + i) % count;
    if (matches(s, s->items[static_cast<size_t>(row)], value, exact)) return row;
  }
  return LB_ERR;
}

// Letters typed less than this apart make one prefix; a longer pause starts a new one.
constexpr DWORD kTypeAheadPauseMs = 1000;

// Type-ahead: the next row whose text begins with the letters typed so far, from the row after
// the caret for a first letter (so it moves on) and from the caret itself for a longer prefix (so
// it may stay). One letter typed again and again steps through the rows that begin with it.
void typeAhead(HWND hwnd, ListState* s, char16_t c) {
  // Control characters (Ctrl+A's, Backspace's, Enter's) and the space are no row's first letter.
  if (c <= u' ' || !s->hasStrings() || s->items.empty()) return;
  const DWORD now = GetTickCount();
  if (now - s->typedAt > kTypeAheadPauseMs) s->typed.clear();
  s->typedAt = now;
  s->typed += c;
  if (s->typed.size() == 2 && folded(s->typed[0]) == folded(s->typed[1])) s->typed.resize(1);
  const int after = s->current < 0 ? -1 : s->current - (s->typed.size() == 1 ? 0 : 1);
  const int row = findRow(s, after, reinterpret_cast<LPARAM>(s->typed.c_str()), false);
  if (row < 0) return;
  if (s->extended()) {
    // Shift may be down for a capital letter: the row is chosen alone all the same.
    extendedMove(hwnd, s, row, false, false, false);
  } else if (row != s->current) {
    setCurrent(hwnd, s, row);
    notifyOwner(hwnd, s, LBN_SELCHANGE);
  }
}

HBRUSH colourBrush(HWND hwnd, const ListState* s, HDC dc) {
  HWND to = isDropList(s) ? s->combo : GetParent(hwnd);
  HBRUSH brush = nullptr;
  if (to != nullptr) {
    brush = reinterpret_cast<HBRUSH>(
        sendLocal(to, WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
  }
  if (brush == nullptr) {
    brush = reinterpret_cast<HBRUSH>(
        DefWindowProcW(hwnd, WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
  }
  return brush;
}

void paint(HWND hwnd, ListState* s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (dc == nullptr) return;
  HGDIOBJ oldFont = SelectObject(dc, s->font != nullptr ? s->font : GetStockObject(DEFAULT_GUI_FONT));
  HBRUSH brush = colourBrush(hwnd, s, dc);
  RECT client{0, 0, clientWidth(hwnd), clientHeight(hwnd)};
  FillRect(dc, &client, brush);
  Owner o = ownerOf(hwnd, s);
  bool enabled = IsWindowEnabled(isDropList(s) ? s->combo : hwnd) != FALSE;
  s->painting = true;
  int y = 0;
  for (int i = s->top; i < static_cast<int>(s->items.size()) && y < client.bottom; ++i) {
    RECT r{0, y, client.right, y + static_cast<int>(s->rowHeight(i))};
    y = r.bottom;
    RECT clip{};
    if (!IntersectRect(&clip, &r, &ps.rcPaint)) continue;
    bool selected = s->extended() ? s->items[static_cast<size_t>(i)].selected : i == s->current;
    if (s->ownerDraw()) {
      UINT state = 0;
      if (selected) state |= ODS_SELECTED;
      if (i == s->current) state |= ODS_FOCUS;
      if (!enabled) state |= ODS_DISABLED;
      DRAWITEMSTRUCT dis{o.type,
                         o.id,
                         static_cast<UINT>(i),
                         ODA_DRAWENTIRE,
                         state,
                         o.item,
                         dc,
                         r,
                         s->items[static_cast<size_t>(i)].data};
      if (o.target != nullptr) sendLocal(o.target, WM_DRAWITEM, o.id, reinterpret_cast<LPARAM>(&dis));
      continue;
    }
    COLORREF oldText = 0, oldBack = 0;
    if (selected) {
      FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
      oldText = SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
      oldBack = SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
    } else if (!enabled) {
      oldText = SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    }
    int oldMode = SetBkMode(dc, TRANSPARENT);
    RECT text{r.left + 2, r.top, r.right - 2, r.bottom};
    DrawTextW(dc, s->items[static_cast<size_t>(i)].text.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SetBkMode(dc, oldMode);
    if (selected) {
      SetTextColor(dc, oldText);
      SetBkColor(dc, oldBack);
      DrawFocusRect(dc, &r);
    } else if (!enabled) {
      SetTextColor(dc, oldText);
    }
  }
  s->painting = false;
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
  if (s->pendingTop >= 0) {
    // A top index set while the rows were drawn takes effect now, in a paint of its own.
    int top = s->pendingTop;
    s->pendingTop = -1;
    setTopIndex(hwnd, top);
  }
}

void scroll(HWND hwnd, ListState* s, int code) {
  int page = std::max(visibleRows(hwnd), 1);
  int top = s->top;
  switch (code) {
    case SB_LINEUP: --top; break;
    case SB_LINEDOWN: ++top; break;
    case SB_PAGEUP: top -= page; break;
    case SB_PAGEDOWN: top += page; break;
    case SB_TOP: top = 0; break;
    case SB_BOTTOM: top = static_cast<int>(s->items.size()); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO info{sizeof info, SIF_TRACKPOS | SIF_POS, 0, 0, 0, 0, 0};
      GetScrollInfo(hwnd, SB_VERT, &info);
      top = code == SB_THUMBTRACK ? info.nTrackPos : info.nPos;
      break;
    }
    default: return;
  }
  setTopIndex(hwnd, top);
}

// Mouse handling of an open drop list, which holds the capture: client coordinates may lie
// outside the list.
LRESULT dropListMouse(HWND hwnd, ListState* s, UINT message, WPARAM wParam, LPARAM lParam) {
  POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  if (isScrollTracking(hwnd)) {
    s->keepCapture = true;
    scrollTrackingMessage(hwnd, message, wParam, lParam);
    s->keepCapture = false;
    if (!isScrollTracking(hwnd) && IsWindowVisible(hwnd) && GetCapture() != hwnd) {
      s->keepCapture = true;
      SetCapture(hwnd);
      s->keepCapture = false;
    }
    return 0;
  }
  int row = rowAt(hwnd, s, p);
  switch (message) {
    case WM_MOUSEMOVE:
      if (row >= 0) setCurrent(hwnd, s, row);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      s->pressFromFace = false;
      if (row >= 0) {
        setCurrent(hwnd, s, row);
        return 0;
      }
      POINT screen = p;
      ClientToScreen(hwnd, &screen);
      if (sendLocal(hwnd, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)) == HTVSCROLL) {
        s->keepCapture = true;
        beginScrollTracking(hwnd, screen);
        s->keepCapture = false;
        return 0;
      }
      RECT window{};
      GetWindowRect(hwnd, &window);
      // A press on the list's frame does nothing; anywhere else (the face included) cancels.
      if (!PtInRect(&window, screen)) comboCancel(s->combo);
      return 0;
    }
    case WM_LBUTTONUP:
      if (row >= 0) {
        comboChoose(s->combo);
      }
      s->pressFromFace = false;
      return 0;
    default: return 0;
  }
}

}  // namespace

LRESULT CALLBACK listProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  ListState* s = stateOf(hwnd);
  if (s == nullptr && message != WM_NCCREATE) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
      auto* state = new ListState;
      state->style = static_cast<DWORD>(cs->style);
      // A drop list is made by its combo box, which passes itself as the creation parameter.
      state->combo = reinterpret_cast<HWND>(cs->lpCreateParams);
      HDC dc = GetDC(nullptr);
      HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
      TEXTMETRICW tm{};
      GetTextMetricsW(dc, &tm);
      SelectObject(dc, old);
      ReleaseDC(nullptr, dc);
      state->itemHeight = static_cast<UINT>(std::max<LONG>(tm.tmHeight, 1));
      SetWindowLongPtrW(hwnd, kStateSlot, reinterpret_cast<LONG_PTR>(state));
      return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    case WM_CREATE:
      if (s->ownerDraw() && !s->variable() && !isDropList(s)) s->itemHeight = measure(hwnd, s, 0, 0);
      updateListScrollBar(hwnd);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, kStateSlot, 0);
      delete s;
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_NCCALCSIZE:
      DefWindowProcW(hwnd, message, wParam, lParam);
      if (isDropList(s)) {
        // The drop list's 1-pixel frame lies outside its scroll bar.
        RECT* r = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
        if (r != nullptr && r->right - r->left >= 2 && r->bottom - r->top >= 2) InflateRect(r, -1, -1);
      }
      return 0;
    case WM_NCPAINT: {
      DefWindowProcW(hwnd, message, wParam, lParam);
      if (isDropList(s)) {
        RECT r{};
        GetWindowRect(hwnd, &r);
        OffsetRect(&r, -r.left, -r.top);
        HDC dc = GetWindowDC(hwnd);
        FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
        ReleaseDC(hwnd, dc);
      }
      return 0;
    }
    case WM_MOUSEACTIVATE:
      // The drop list never takes the activation from the window its combo box is in.
      if (isDropList(s)) return MA_NOACTIVATE;
      break;
    case WM_PAINT: paint(hwnd, s); return 0;
    case WM_ERASEBKGND: return 1;  // the paint fills the background with the colour message's brush
    case WM_SIZE:
      s->top = std::clamp(s->top, 0, maxTop(hwnd, s));
      updateListScrollBar(hwnd);
      return 0;
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->font);
    case WM_VSCROLL: scroll(hwnd, s, LOWORD(wParam)); return 0;
    case WM_MOUSEWHEEL: {
      UINT lines = 3;
      SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
      int notches = static_cast<SHORT>(HIWORD(wParam)) / WHEEL_DELTA;
      setTopIndex(hwnd, s->top - notches * static_cast<int>(lines));
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (isScrollTracking(hwnd)) {
        scrollTrackingMessage(hwnd, message, wParam, lParam);
        return 0;
      }
      if (isDropList(s) && !s->keepCapture && IsWindowVisible(hwnd)) comboCancel(s->combo);
      return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP: {
      if (isDropList(s)) return dropListMouse(hwnd, s, message, wParam, lParam);
      if (scrollTrackingMessage(hwnd, message, wParam, lParam)) return 0;
      if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
        SetFocus(hwnd);
        int row = rowAt(hwnd, s, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (row >= 0 && s->extended() && message == WM_LBUTTONDOWN) {
          extendedMove(hwnd, s, row, (wParam & MK_SHIFT) != 0, (wParam & MK_CONTROL) != 0, true);
        } else if (row >= 0 && row != s->current) {
          setCurrent(hwnd, s, row);
          notifyOwner(hwnd, s, LBN_SELCHANGE);
        }
        if (message == WM_LBUTTONDBLCLK && row >= 0) notifyOwner(hwnd, s, LBN_DBLCLK);
      }
      return 0;
    }
    case WM_KEYDOWN: {
      if (isDropList(s)) break;
      int count = static_cast<int>(s->items.size());
      if (count == 0) return 0;
      int page = std::max(visibleRows(hwnd) - 1, 1);
      int to = s->current;
      switch (wParam) {
        case VK_UP: to = std::max(to - 1, 0); break;
        case VK_DOWN: to = std::min(to + 1, count - 1); break;
        case VK_PRIOR: to = std::max(to - page, 0); break;
        case VK_NEXT: to = std::min(to + page, count - 1); break;
        case VK_HOME: to = 0; break;
        case VK_END: to = count - 1; break;
        default: return 0;
      }
      if (s->extended()) {
        to = std::max(to, 0);
        extendedMove(hwnd, s, to, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0, false);
      } else if (to != s->current) {
        setCurrent(hwnd, s, to);
        notifyOwner(hwnd, s, LBN_SELCHANGE);
      }
      return 0;
    }
    case WM_CHAR:
      if (isDropList(s)) break;
      typeAhead(hwnd, s, static_cast<char16_t>(wParam));
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS: notifyOwner(hwnd, s, LBN_SETFOCUS); return 0;
    case WM_KILLFOCUS: notifyOwner(hwnd, s, LBN_KILLFOCUS); return 0;

    case LB_ADDSTRING: return insertItem(hwnd, s, -1, lParam);
    case LB_INSERTSTRING: return insertItem(hwnd, s, static_cast<int>(wParam), lParam);
    case LB_DELETESTRING: return deleteItem(hwnd, s, static_cast<int>(wParam));
    case LB_RESETCONTENT:
      s->items.clear();
      s->current = -1;
      s->anchor = -1;
      s->top = 0;
      updateListScrollBar(hwnd);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case LB_GETCOUNT: return static_cast<LRESULT>(s->items.size());
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT: return findRow(s, static_cast<int>(wParam), lParam, message == LB_FINDSTRINGEXACT);
    case LB_SETCURSEL: {
      int index = static_cast<int>(wParam);
      if (index < -1 || index >= static_cast<int>(s->items.size())) {
        setCurrent(hwnd, s, -1);
        return LB_ERR;
      }
      setCurrent(hwnd, s, index);
      return index < 0 ? LB_ERR : index;
    }
    case LB_GETCURSEL: return s->current;
    case LB_GETCARETINDEX: return s->current;
    case LB_SETCARETINDEX:
      if (static_cast<size_t>(wParam) >= s->items.size()) return LB_ERR;
      setCurrent(hwnd, s, static_cast<int>(wParam));
      return 0;
    case LB_GETANCHORINDEX: return s->anchor;
    case LB_SETANCHORINDEX:
      if (static_cast<size_t>(wParam) >= s->items.size()) return LB_ERR;
      s->anchor = static_cast<int>(wParam);
      return 0;
    case LB_GETSEL: {
      size_t index = static_cast<size_t>(wParam);
      if (index >= s->items.size()) return LB_ERR;
      return s->extended() ? s->items[index].selected : static_cast<int>(index) == s->current;
    }
    case LB_SETSEL: {
      if (!s->extended()) return LB_ERR;
      int index = static_cast<int>(lParam);
      if (index == -1) {
        for (ListItem& item : s->items) item.selected = wParam != 0;
      } else if (index >= 0 && index < static_cast<int>(s->items.size())) {
        s->items[static_cast<size_t>(index)].selected = wParam != 0;
      } else {
        return LB_ERR;
      }
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    }
    case LB_SELITEMRANGEEX: {
      if (!s->extended() || s->items.empty()) return LB_ERR;
      // First above last deselects the range.
      int first = static_cast<int>(wParam), last = static_cast<int>(lParam);
      bool select = first <= last;
      int count = static_cast<int>(s->items.size());
      for (int i = std::max(std::min(first, last), 0); i <= std::min(std::max(first, last), count - 1); ++i) {
        s->items[static_cast<size_t>(i)].selected = select;
      }
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    }
    case LB_GETSELCOUNT: {
      if (!s->extended()) return LB_ERR;
      return std::count_if(s->items.begin(), s->items.end(), [](const ListItem& item) { return item.selected; });
    }
    case LB_GETSELITEMS: {
      if (!s->extended()) return LB_ERR;
      auto* out = reinterpret_cast<int*>(lParam);
      int n = 0, max = static_cast<int>(wParam);
      for (size_t i = 0; i < s->items.size() && n < max && out != nullptr; ++i) {
        if (s->items[i].selected) out[n++] = static_cast<int>(i);
      }
      return n;
    }
    case LB_GETITEMDATA:
    case LB_SETITEMDATA: {
      size_t index = static_cast<size_t>(wParam);
      if (index >= s->items.size()) return LB_ERR;
      if (message == LB_GETITEMDATA) return static_cast<LRESULT>(s->items[index].data);
      s->items[index].data = static_cast<ULONG_PTR>(lParam);
      return TRUE;
    }
    case LB_GETTEXT:
    case LB_GETTEXTLEN: {
      size_t index = static_cast<size_t>(wParam);
      if (index >= s->items.size()) return LB_ERR;
      if (!s->hasStrings()) {
        // A list without strings hands out the item data in their place, as Windows does.
        if (message == LB_GETTEXT && lParam != 0) *reinterpret_cast<ULONG_PTR*>(lParam) = s->items[index].data;
        return sizeof(ULONG_PTR);
      }
      const std::u16string& text = s->items[index].text;
      if (message == LB_GETTEXT) {
        if (lParam == 0) return LB_ERR;
        auto* out = reinterpret_cast<LPWSTR>(lParam);
        std::copy(text.begin(), text.end(), out);
        out[text.size()] = 0;
      }
      return static_cast<LRESULT>(text.size());
    }
    case LB_GETITEMHEIGHT: {
      if (!s->variable()) return s->itemHeight;
      size_t index = static_cast<size_t>(wParam);
      if (index >= s->items.size()) return s->items.empty() ? s->itemHeight : LB_ERR;
      return s->items[index].height;
    }
    case LB_SETITEMHEIGHT: {
      UINT height = LOWORD(lParam);
      if (height == 0 || height > 255) return LB_ERR;
      if (s->variable()) {
        size_t index = static_cast<size_t>(wParam);
        if (index >= s->items.size()) return LB_ERR;
        s->items[index].height = height;
      } else {
        s->itemHeight = height;
      }
      s->top = std::clamp(s->top, 0, maxTop(hwnd, s));
      updateListScrollBar(hwnd);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case LB_GETTOPINDEX: return s->top;
    case LB_SETTOPINDEX: {
      int index = static_cast<int>(wParam);
      if (index < 0 || (index >= static_cast<int>(s->items.size()) && !s->items.empty())) return LB_ERR;
      if (s->painting) {
        s->pendingTop = index;
        return 0;
      }
      setTopIndex(hwnd, index);
      return 0;
    }
    case LB_GETITEMRECT: {
      int index = static_cast<int>(wParam);
      if (index < 0 || index >= static_cast<int>(s->items.size()) || lParam == 0) return LB_ERR;
      *reinterpret_cast<RECT*>(lParam) = rowRect(hwnd, s, index);
      return 1;
    }
    case LB_ITEMFROMPOINT: {
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      int row = rowAt(hwnd, s, p);
      if (row >= 0) return row;
      // Outside the rows: the nearest row, with the high word set, as Windows answers.
      int count = static_cast<int>(s->items.size());
      int nearest = p.y < 0 ? s->top : std::max(count - 1, 0);
      return MAKELRESULT(nearest, 1);
    }
    default: break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool ListState::hasStrings() const {
  if (!ownerDraw()) return true;
  return (style & LBS_HASSTRINGS) != 0;
}

UINT ListState::rowHeight(int index) const {
  if (variable() && index >= 0 && static_cast<size_t>(index) < items.size())
    return items[static_cast<size_t>(index)].height;
  return itemHeight;
}

ListState* listState(HWND list) { return IsWindow(list) ? stateOf(list) : nullptr; }

int visibleRows(HWND list) {
  ListState* s = listState(list);
  if (s == nullptr) return 0;
  int height = clientHeight(list), used = 0, rows = 0;
  for (int i = s->top; i < static_cast<int>(s->items.size()); ++i) {
    used += static_cast<int>(s->rowHeight(i));
    if (used > height) break;
    ++rows;
  }
  if (s->items.empty() && s->itemHeight > 0) rows = height / static_cast<int>(s->itemHeight);
  return std::max(rows, 1);
}

int rowsHeight(HWND list, int first, int count) {
  ListState* s = listState(list);
  if (s == nullptr) return 0;
  int height = 0;
  for (int i = first; i < first + count; ++i) height += static_cast<int>(s->rowHeight(i));
  return height;
}

void ensureVisible(HWND list, int index) {
  ListState* s = listState(list);
  if (s == nullptr || index < 0) return;
  if (index < s->top) {
    setTopIndex(list, index);
    return;
  }
  RECT r = rowRect(list, s, index);
  if (r.bottom <= clientHeight(list)) return;
  // Scroll down until the row's bottom fits.
  int top = s->top, bottom = r.bottom;
  while (top < index && bottom > clientHeight(list)) {
    bottom -= static_cast<int>(s->rowHeight(top));
    ++top;
  }
  setTopIndex(list, top);
}

void setTopIndex(HWND list, int index) {
  ListState* s = listState(list);
  if (s == nullptr) return;
  int top = std::clamp(index, 0, maxTop(list, s));
  if (top != s->top) {
    s->top = top;
    InvalidateRect(list, nullptr, TRUE);
  }
  SetScrollPos(list, SB_VERT, s->top, TRUE);
}

void updateListScrollBar(HWND list) {
  ListState* s = listState(list);
  if (s == nullptr || !(s->style & WS_VSCROLL)) return;
  int count = static_cast<int>(s->items.size());
  // The page is the rows that fit; a list whose rows all fit hides its bar.
  int page = 0, used = 0;
  for (int i = 0; i < count; ++i) {
    used += static_cast<int>(s->rowHeight(i));
    if (used > clientHeight(list)) break;
    ++page;
  }
  SCROLLINFO info{sizeof info,
                  SIF_RANGE | SIF_PAGE | SIF_POS,
                  0,
                  std::max(count - 1, 0),
                  static_cast<UINT>(std::max(page, 1)),
                  s->top,
                  0};
  if (count == 0) info.nPage = 1;
  SetScrollInfo(list, SB_VERT, &info, TRUE);
}

}  // namespace winapi
