// The combo box ("ComboBox") of the drop-down-list kind: the face (a sunken field with the drop
// button), the drop list ("ComboLBox", listbox.cpp) that keeps the items, the CB_* messages,
// notifications to the parent, the owner-draw protocol (WM_MEASUREITEM at creation and per added
// row, WM_DRAWITEM for the field and the rows), the mouse, the keyboard and the wheel.
// Left out on purpose: the kinds with an edit field (CBS_SIMPLE, CBS_DROPDOWN), sorting and the
// edit messages; nothing calls them, and CreateWindowExW answers them as drop-down lists.
#include <windows.h>

#include "winapi/user32/ComboList.h"
#include "winapi/user32/Controls.h"
#include "winapi/user32/ScrollBar.h"
#include "winapi/user32/Window.h"

#include <algorithm>

namespace winapi {
namespace {

constexpr int kStateSlot = 0;
// The drop list shows 30 rows before it scrolls, Windows' default for CB_SETMINVISIBLE.
constexpr int kDefaultMinVisible = 30;
constexpr int kEdge = 2;  // the sunken edge
constexpr int kGap = 1;   // between the edge and the selection field

struct ComboState {
  DWORD style = 0;
  HWND list = nullptr;
  HFONT font = nullptr;
  int selected = -1;
  bool dropped = false;
  bool focused = false;
  bool pressed = false;  // the drop button is shown pressed while the mouse holds the open list
  int droppedWidth = 0;
  int minVisible = kDefaultMinVisible;
  UINT fieldHeight = 13;  // what WM_MEASUREITEM answered for the field, before the face was sized
  int wheel = 0;          // wheel delta left over from a partial notch
};

ComboState* stateOf(HWND hwnd) { return reinterpret_cast<ComboState*>(GetWindowLongPtrW(hwnd, kStateSlot)); }

bool ownerDraw(const ComboState* s) { return (s->style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0; }

RECT clientRect(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  return r;
}

RECT buttonRect(HWND hwnd) {
  RECT c = clientRect(hwnd);
  int width = GetSystemMetrics(SM_CXVSCROLL);
  RECT b{c.right - kEdge - width, c.top + kEdge, c.right - kEdge, c.bottom - kEdge};
  if (b.left < c.left + kEdge) b.left = c.left + kEdge;
  if (b.bottom < b.top) b.bottom = b.top;
  return b;
}

RECT fieldRect(HWND hwnd) {
  RECT c = clientRect(hwnd);
  RECT b = buttonRect(hwnd);
  RECT f{c.left + kEdge + kGap, c.top + kEdge + kGap, b.left - kGap, c.bottom - kEdge - kGap};
  if (f.right < f.left) f.right = f.left;
  if (f.bottom < f.top) f.bottom = f.top;
  return f;
}

void notify(HWND hwnd, int code) {
  HWND parent = GetParent(hwnd);
  if (parent == nullptr) return;
  sendLocal(parent, WM_COMMAND, MAKEWPARAM(GetWindowLongPtrW(hwnd, GWLP_ID), code), reinterpret_cast<LPARAM>(hwnd));
}

int itemCount(const ComboState* s) { return static_cast<int>(sendLocal(s->list, LB_GETCOUNT, 0, 0)); }

// Where the drop list goes on the screen: below the face, or above it when the work area has no
// room below; never outside the work area.
RECT dropRect(HWND hwnd, ComboState* s) {
  RECT face{};
  GetWindowRect(hwnd, &face);
  int count = itemCount(s);
  int rows = std::max(std::min(count, s->minVisible), 1);
  int height = 2;  // the list's frame
  ListState* ls = listState(s->list);
  if (ls != nullptr && count > 0) {
    // The rows that show from the list's current top (variable rows each have their height).
    int first = std::clamp(ls->top, 0, std::max(count - rows, 0));
    height += rowsHeight(s->list, first, rows);
  } else {
    height += static_cast<int>(ls != nullptr ? ls->itemHeight : 13);
  }
  int width = std::max<int>(face.right - face.left, s->droppedWidth);
  MONITORINFO mi{sizeof mi, {}, {}, 0};
  GetMonitorInfoW(MonitorFromRect(&face, MONITOR_DEFAULTTONEAREST), &mi);
  RECT work = mi.rcWork;
  height = std::min<int>(height, work.bottom - work.top);
  const int below = static_cast<int>(work.bottom - face.bottom);
  const int above = static_cast<int>(face.top - work.top);
  if (ls != nullptr && count > 0 && height > below && height > above) {
    // Neither side has room for every row: the list takes the larger side with as many whole
    // rows as fit there, so it never covers the face, where the press that opened it is released.
    const int room = std::max(below, above);
    int first = std::clamp(ls->top, 0, std::max(count - rows, 0));
    while (rows > 1 && 2 + rowsHeight(s->list, first, rows) > room) {
      --rows;
    }
    height = std::min<int>(height, 2 + rowsHeight(s->list, first, rows));
  }
  int y = face.bottom;
  if (y + height > work.bottom && face.top - height >= work.top) {
    y = face.top - height;
  } else if (y + height > work.bottom) {
    y = work.bottom - height;
  }
  int x = std::clamp<int>(face.left, work.left, std::max<int>(work.left, work.right - width));
  return RECT{x, y, x + width, y + height};
}

void redrawFace(HWND hwnd) { InvalidateRect(hwnd, nullptr, FALSE); }

void openList(HWND hwnd, ComboState* s, bool byMouse) {
  if (s->dropped || !IsWindowEnabled(hwnd)) return;
  // What the CBN_DROPDOWN handler sets (the dropped width, item heights) holds for this opening.
  notify(hwnd, CBN_DROPDOWN);
  if (!IsWindow(hwnd) || s->dropped) return;
  ListState* ls = listState(s->list);
  if (ls == nullptr) return;
  ls->current = s->selected;
  RECT r = dropRect(hwnd, s);
  s->dropped = true;
  s->pressed = byMouse;
  ls->pressFromFace = byMouse;
  SetWindowPos(s->list, HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOACTIVATE | SWP_SHOWWINDOW);
  updateListScrollBar(s->list);
  if (s->selected >= 0) ensureVisible(s->list, s->selected);
  InvalidateRect(s->list, nullptr, TRUE);
  ls->keepCapture = true;
  SetCapture(s->list);
  ls->keepCapture = false;
  redrawFace(hwnd);
}

void closeList(HWND hwnd, ComboState* s, bool choose) {
  if (!s->dropped) return;
  s->dropped = false;
  s->pressed = false;
  ListState* ls = listState(s->list);
  int chosen = ls != nullptr ? ls->current : s->selected;
  if (ls != nullptr) {
    ls->keepCapture = true;
    if (GetCapture() == s->list) ReleaseCapture();
    ls->keepCapture = false;
    ls->pressFromFace = false;
  }
  ShowWindow(s->list, SW_HIDE);
  redrawFace(hwnd);
  if (choose) {
    if (chosen != s->selected) {
      s->selected = chosen;
      notify(hwnd, CBN_SELCHANGE);
    }
    notify(hwnd, CBN_SELENDOK);
  } else {
    if (ls != nullptr) ls->current = s->selected;
    notify(hwnd, CBN_SELENDCANCEL);
  }
  if (IsWindow(hwnd)) notify(hwnd, CBN_CLOSEUP);
}

// A change of the closed face's selection by keys or the wheel.
void moveSelection(HWND hwnd, ComboState* s, int to) {
  int count = itemCount(s);
  if (count == 0) return;
  to = std::clamp(to, 0, count - 1);
  if (to == s->selected) return;
  s->selected = to;
  sendLocal(s->list, LB_SETCURSEL, static_cast<WPARAM>(to), 0);
  redrawFace(hwnd);
  notify(hwnd, CBN_SELCHANGE);
}

void moveHighlight(ComboState* s, int to) {
  int count = itemCount(s);
  ListState* ls = listState(s->list);
  if (count == 0 || ls == nullptr) return;
  sendLocal(s->list, LB_SETCURSEL, static_cast<WPARAM>(std::clamp(to, 0, count - 1)), 0);
}

bool keyDown(HWND hwnd, ComboState* s, WPARAM vk, bool alt) {
  if (vk == VK_F1 + 3 || (alt && (vk == VK_DOWN || vk == VK_UP))) {
    if (s->dropped) {
      closeList(hwnd, s, true);
    } else {
      openList(hwnd, s, false);
    }
    return true;
  }
  int count = itemCount(s);
  int page = std::max(visibleRows(s->list) - 1, 1);
  int from = s->dropped ? (listState(s->list) != nullptr ? listState(s->list)->current : -1) : s->selected;
  int to;
  switch (vk) {
    case VK_UP: to = from - 1; break;
    case VK_DOWN: to = from + 1; break;
    case VK_PRIOR: to = from - page; break;
    case VK_NEXT: to = from + page; break;
    case VK_HOME: to = 0; break;
    case VK_END: to = count - 1; break;
    case VK_RETURN:
      if (s->dropped) closeList(hwnd, s, true);
      return s->dropped;
    case VK_ESCAPE:
      if (s->dropped) closeList(hwnd, s, false);
      return true;
    default: return false;
  }
  if (from < 0 && (vk == VK_UP || vk == VK_DOWN)) to = 0;
  if (s->dropped) {
    moveHighlight(s, to);
  } else {
    moveSelection(hwnd, s, to);
  }
  return true;
}

void paintFace(HWND hwnd, ComboState* s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (dc == nullptr) return;
  bool enabled = IsWindowEnabled(hwnd) != FALSE;
  HWND parent = GetParent(hwnd);
  HGDIOBJ oldFont = SelectObject(dc, s->font != nullptr ? s->font : GetStockObject(DEFAULT_GUI_FONT));
  UINT colourMessage = enabled ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC;
  HBRUSH brush = nullptr;
  if (parent != nullptr) {
    brush = reinterpret_cast<HBRUSH>(
        sendLocal(parent, colourMessage, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
  }
  if (brush == nullptr) {
    brush = reinterpret_cast<HBRUSH>(
        DefWindowProcW(hwnd, colourMessage, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
  }
  RECT c = clientRect(hwnd);
  RECT inside = c;
  DrawEdge(dc, &inside, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  RECT button = buttonRect(hwnd);
  RECT back{inside.left, inside.top, button.left, inside.bottom};
  FillRect(dc, &back, brush);
  paintArrowButton(dc, button, false, s->pressed, !enabled);
  RECT field = fieldRect(hwnd);
  // The focused, closed field shows as selected, as Windows draws it.
  bool highlighted = s->focused && !s->dropped && enabled;
  if (ownerDraw(s)) {
    UINT state = ODS_COMBOBOXEDIT;
    if (highlighted) state |= ODS_SELECTED | ODS_FOCUS;
    if (!enabled) state |= ODS_DISABLED;
    ULONG_PTR data = s->selected >= 0 ? static_cast<ULONG_PTR>(sendLocal(s->list, LB_GETITEMDATA, s->selected, 0)) : 0;
    UINT id = static_cast<UINT>(GetWindowLongPtrW(hwnd, GWLP_ID));
    DRAWITEMSTRUCT dis{ODT_COMBOBOX, id, static_cast<UINT>(s->selected), ODA_DRAWENTIRE, state, hwnd, dc, field, data};
    // The owner draws inside the field only: a long entry stops short of the arrow button.
    int saved = SaveDC(dc);
    IntersectClipRect(dc, field.left, field.top, field.right, field.bottom);
    if (parent != nullptr) sendLocal(parent, WM_DRAWITEM, id, reinterpret_cast<LPARAM>(&dis));
    RestoreDC(dc, saved);
  } else {
    std::u16string text;
    ListState* ls = listState(s->list);
    if (ls != nullptr && s->selected >= 0 && static_cast<size_t>(s->selected) < ls->items.size()) {
      text = ls->items[static_cast<size_t>(s->selected)].text;
    }
    if (highlighted) {
      FillRect(dc, &field, GetSysColorBrush(COLOR_HIGHLIGHT));
      SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else if (!enabled) {
      SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    }
    SetBkMode(dc, TRANSPARENT);
    RECT t{field.left + 1, field.top, field.right - 1, field.bottom};
    DrawTextW(dc, text.c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (highlighted) DrawFocusRect(dc, &field);
  }
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

LRESULT forwardToList(ComboState* s, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT r = sendLocal(s->list, message, wParam, lParam);
  return r;
}

}  // namespace

LRESULT CALLBACK comboProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  ComboState* s = stateOf(hwnd);
  if (s == nullptr && message != WM_NCCREATE) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
      auto* state = new ComboState;
      // Every kind is a drop-down list here: the kinds with an edit field are not built.
      state->style = (static_cast<DWORD>(cs->style) & ~0x3u) | CBS_DROPDOWNLIST;
      SetWindowLongPtrW(hwnd, kStateSlot, reinterpret_cast<LONG_PTR>(state));
      {
        // The scroll bar a combo box is made with belongs to its list, as on Windows; the face
        // has none.
        std::lock_guard<std::recursive_mutex> guard(userLock());
        Window* w = findWindow(hwnd);
        if (w != nullptr) w->style &= ~static_cast<DWORD>(WS_VSCROLL | WS_HSCROLL);
      }
      return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    case WM_CREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
      DWORD listStyle = WS_POPUP | WS_VSCROLL | LBS_COMBOBOX;
      if (s->style & CBS_OWNERDRAWFIXED) listStyle |= LBS_OWNERDRAWFIXED;
      if (s->style & CBS_OWNERDRAWVARIABLE) listStyle |= LBS_OWNERDRAWVARIABLE;
      if (s->style & CBS_HASSTRINGS) listStyle |= LBS_HASSTRINGS;
      s->list = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, u"ComboLBox", nullptr, listStyle, 0, 0, cs->cx, 0,
                                hwnd, nullptr, cs->hInstance, hwnd);
      if (s->list == nullptr) return -1;
      ListState* ls = listState(s->list);
      if (ownerDraw(s)) {
        // The field first (itemID -1), then the rows of a fixed-height list (itemID 0).
        UINT id = static_cast<UINT>(GetWindowLongPtrW(hwnd, GWLP_ID));
        UINT preset = ls->itemHeight;
        MEASUREITEMSTRUCT mis{ODT_COMBOBOX, id, static_cast<UINT>(-1), static_cast<UINT>(cs->cx), preset, 0};
        sendLocal(cs->hwndParent, WM_MEASUREITEM, id, reinterpret_cast<LPARAM>(&mis));
        s->fieldHeight = mis.itemHeight >= 1 ? mis.itemHeight : preset;
        if (!(s->style & CBS_OWNERDRAWVARIABLE)) {
          MEASUREITEMSTRUCT rows{ODT_COMBOBOX, id, 0, static_cast<UINT>(cs->cx), preset, 0};
          sendLocal(cs->hwndParent, WM_MEASUREITEM, id, reinterpret_cast<LPARAM>(&rows));
          ls->itemHeight = rows.itemHeight >= 1 ? rows.itemHeight : preset;
        }
      }
      return 0;
    }
    case WM_DESTROY:
      if (s->list != nullptr) {
        if (GetCapture() == s->list) ReleaseCapture();
        DestroyWindow(s->list);
        s->list = nullptr;
      }
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, kStateSlot, 0);
      delete s;
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_PAINT: paintFace(hwnd, s); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wParam);
      sendLocal(s->list, WM_SETFONT, wParam, 0);
      if (LOWORD(lParam)) redrawFace(hwnd);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->font);
    case WM_ENABLE:
      if (!wParam) closeList(hwnd, s, false);
      redrawFace(hwnd);
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS | (s->dropped ? DLGC_WANTALLKEYS : 0);
    case WM_SETFOCUS:
      s->focused = true;
      redrawFace(hwnd);
      notify(hwnd, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s->focused = false;
      closeList(hwnd, s, false);
      redrawFace(hwnd);
      if (IsWindow(hwnd)) notify(hwnd, CBN_KILLFOCUS);
      return 0;
    case WM_CANCELMODE: closeList(hwnd, s, false); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!IsWindowEnabled(hwnd)) return 0;
      if (GetFocus() != hwnd) SetFocus(hwnd);
      if (!IsWindow(hwnd)) return 0;
      if (s->dropped) {
        closeList(hwnd, s, false);
      } else {
        openList(hwnd, s, true);
      }
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      if (!IsWindowEnabled(hwnd)) return 0;
      bool alt = message == WM_SYSKEYDOWN || GetKeyState(VK_MENU) < 0;
      if (keyDown(hwnd, s, wParam, alt)) return 0;
      break;
    }
    case WM_MOUSEWHEEL: {
      if (!IsWindowEnabled(hwnd)) return 0;
      if (s->dropped) return sendLocal(s->list, WM_MOUSEWHEEL, wParam, lParam);
      if (!s->focused) return 0;
      s->wheel += static_cast<SHORT>(HIWORD(wParam));
      int notches = s->wheel / WHEEL_DELTA;
      s->wheel -= notches * WHEEL_DELTA;
      if (notches != 0) moveSelection(hwnd, s, (s->selected < 0 ? 0 : s->selected) - notches);
      return 0;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      // The list's colour message goes on to the parent, which picks the colours of both.
      HWND parent = GetParent(hwnd);
      LRESULT r = parent != nullptr ? sendLocal(parent, message, wParam, lParam) : 0;
      return r != 0 ? r : DefWindowProcW(hwnd, message, wParam, lParam);
    }

    case CB_ADDSTRING:
    case CB_INSERTSTRING: {
      LRESULT r = message == CB_ADDSTRING ? forwardToList(s, LB_ADDSTRING, 0, lParam)
                                          : forwardToList(s, LB_INSERTSTRING, wParam, lParam);
      if (r >= 0 && s->selected >= r) {
        ++s->selected;
        sendLocal(s->list, LB_SETCURSEL, static_cast<WPARAM>(s->selected), 0);
      }
      if (r >= 0 && s->dropped) updateListScrollBar(s->list);
      return r < 0 ? CB_ERR : r;
    }
    case CB_DELETESTRING: {
      int index = static_cast<int>(wParam);
      LRESULT r = forwardToList(s, LB_DELETESTRING, wParam, 0);
      if (r < 0) return CB_ERR;
      if (s->selected == index) {
        s->selected = -1;
      } else if (s->selected > index) {
        --s->selected;
      }
      sendLocal(s->list, LB_SETCURSEL, static_cast<WPARAM>(s->selected), 0);
      redrawFace(hwnd);
      return r;
    }
    case CB_RESETCONTENT:
      forwardToList(s, LB_RESETCONTENT, 0, 0);
      s->selected = -1;
      redrawFace(hwnd);
      return CB_OKAY;
    case CB_GETCOUNT: return forwardToList(s, LB_GETCOUNT, 0, 0);
    case CB_SETCURSEL: {
      // Silent, as on Windows: a program's own change sends no CBN_SELCHANGE.
      int index = static_cast<int>(wParam);
      if (index < -1 || index >= itemCount(s)) index = -1;
      s->selected = index;
      sendLocal(s->list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
      redrawFace(hwnd);
      return index < 0 ? CB_ERR : index;
    }
    case CB_GETCURSEL: return s->selected;
    case CB_GETITEMDATA: return forwardToList(s, LB_GETITEMDATA, wParam, 0);
    case CB_SETITEMDATA: return forwardToList(s, LB_SETITEMDATA, wParam, lParam) < 0 ? CB_ERR : TRUE;
    case CB_GETLBTEXT: return forwardToList(s, LB_GETTEXT, wParam, lParam);
    case CB_GETLBTEXTLEN: return forwardToList(s, LB_GETTEXTLEN, wParam, 0);
    case CB_GETITEMHEIGHT: {
      if (static_cast<int>(wParam) == -1) {
        RECT f = fieldRect(hwnd);
        // A face not sized yet reports the height its owner asked for.
        return f.bottom > f.top ? f.bottom - f.top : static_cast<LRESULT>(s->fieldHeight);
      }
      LRESULT r = forwardToList(s, LB_GETITEMHEIGHT, wParam, 0);
      return r < 0 ? CB_ERR : r;
    }
    case CB_SETITEMHEIGHT: {
      if (static_cast<int>(wParam) == -1) {
        UINT height = LOWORD(lParam);
        if (height == 0 || height > 255) return CB_ERR;
        s->fieldHeight = height;
        // The face grows or shrinks to fit the field, as Windows resizes it; a later layout may
        // size it again.
        RECT w{};
        GetWindowRect(hwnd, &w);
        SetWindowPos(hwnd, nullptr, 0, 0, w.right - w.left, static_cast<int>(height) + 2 * (kEdge + kGap),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        redrawFace(hwnd);
        return CB_OKAY;
      }
      LRESULT r = forwardToList(s, LB_SETITEMHEIGHT, wParam, lParam);
      return r < 0 ? CB_ERR : CB_OKAY;
    }
    case CB_SETDROPPEDWIDTH: {
      int width = static_cast<int>(wParam);
      if (width < 0) return CB_ERR;
      s->droppedWidth = width;
      RECT w{};
      GetWindowRect(hwnd, &w);
      return std::max<int>(width, w.right - w.left);
    }
    case CB_GETDROPPEDWIDTH: {
      RECT w{};
      GetWindowRect(hwnd, &w);
      return std::max<int>(s->droppedWidth, w.right - w.left);
    }
    case CB_GETTOPINDEX: return forwardToList(s, LB_GETTOPINDEX, 0, 0);
    case CB_SETTOPINDEX: return forwardToList(s, LB_SETTOPINDEX, wParam, 0) < 0 ? CB_ERR : CB_OKAY;
    case CB_SHOWDROPDOWN:
      if (wParam) {
        openList(hwnd, s, false);
      } else {
        closeList(hwnd, s, false);
      }
      return TRUE;
    case CB_GETDROPPEDSTATE: return s->dropped ? TRUE : FALSE;
    case CB_GETDROPPEDCONTROLRECT: {
      if (lParam == 0) return CB_ERR;
      RECT r{};
      if (s->dropped) {
        GetWindowRect(s->list, &r);
      } else {
        r = dropRect(hwnd, s);
      }
      *reinterpret_cast<RECT*>(lParam) = r;
      return TRUE;
    }
    case CB_SETMINVISIBLE: {
      int rows = static_cast<int>(wParam);
      if (rows < 1) return FALSE;
      s->minVisible = rows;
      return TRUE;
    }
    case CB_GETMINVISIBLE: return s->minVisible;
    default: break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void comboChoose(HWND combo) {
  ComboState* s = IsWindow(combo) ? stateOf(combo) : nullptr;
  if (s != nullptr) closeList(combo, s, true);
}

void comboCancel(HWND combo) {
  ComboState* s = IsWindow(combo) ? stateOf(combo) : nullptr;
  if (s != nullptr) closeList(combo, s, false);
}

}  // namespace winapi

using namespace winapi;

extern "C" BOOL WINAPI GetComboBoxInfo(HWND combo, PCOMBOBOXINFO info) {
  if (info == nullptr || info->cbSize != sizeof(COMBOBOXINFO)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = windowOrError(combo);
    if (w == nullptr) return FALSE;
    if (w->cls == nullptr || w->cls->info.lpfnWndProc != comboProc) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
  }
  if (!ownedByCurrentThread(combo)) {
    return static_cast<BOOL>(runOnOwner(combo, [=]() -> LRESULT { return GetComboBoxInfo(combo, info); }));
  }
  ComboState* s = stateOf(combo);
  if (s == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  info->rcItem = fieldRect(combo);
  info->rcButton = buttonRect(combo);
  info->stateButton = s->pressed ? STATE_SYSTEM_PRESSED : 0;
  info->hwndCombo = combo;
  info->hwndItem = combo;  // a drop-down list has no edit field
  info->hwndList = s->list;
  return TRUE;
}
