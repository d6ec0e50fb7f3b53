// DefWindowProcW: the default handling of every message a window procedure leaves alone. It
// computes and paints the non-client frame (the caption only where the driver leaves the frame
// to the layer, as the headless driver does), hit-tests it, erases with the class brush, keeps
// the window text and icons, turns WM_WINDOWPOSCHANGED into WM_MOVE and WM_SIZE, closes on
// WM_CLOSE, and passes cursor, activation, wheel and context-menu requests to the parent.
// The menu bar's band is hit-tested, painted and opened here; its menus live in menu_bar.cpp.
// Left out on purpose: the system menu.
#include "winapi/user32/Menu.h"
#include "winapi/user32/MoveSize.h"
#include "winapi/user32/ScrollBar.h"
#include "winapi/user32/Window.h"

#include <algorithm>

namespace winapi {
namespace {

int hitTest(HWND hwnd, POINT screen) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = findWindow(hwnd);
  if (w == nullptr) return HTNOWHERE;
  POINT o = windowOrigin(w);
  int width = w->window.right - w->window.left, height = w->window.bottom - w->window.top;
  int x = screen.x - o.x, y = screen.y - o.y;
  if (x < 0 || y < 0 || x >= width || y >= height) return HTNOWHERE;
  RECT client{w->client.left - w->window.left, w->client.top - w->window.top, w->client.right - w->window.left,
              w->client.bottom - w->window.top};
  if (PtInRect(&client, POINT{x, y})) return HTCLIENT;
  if (pointOnVerticalBar(w, POINT{x, y})) return HTVSCROLL;
  if (w->style & WS_MINIMIZE) return HTCAPTION;
  RECT frame = w->isTopLevel() ? displayDriver().frameInsets(w->style, w->exStyle) : RECT{0, 0, 0, 0};
  int border = frame.left;
  if ((w->style & WS_THICKFRAME) && border > 0) {
    int corner = GetSystemMetrics(SM_CYCAPTION);
    bool left = x < border, right = x >= width - border, top = y < border, bottom = y >= height - border;
    if (top && (left || x < corner)) return HTTOPLEFT;
    if (top && (right || x >= width - corner)) return HTTOPRIGHT;
    if (bottom && (left || x < corner)) return HTBOTTOMLEFT;
    if (bottom && (right || x >= width - corner)) return HTBOTTOMRIGHT;
    if (left && (y < corner)) return HTTOPLEFT;
    if (left && y >= height - corner) return HTBOTTOMLEFT;
    if (right && y < corner) return HTTOPRIGHT;
    if (right && y >= height - corner) return HTBOTTOMRIGHT;
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
    if (top) return HTTOP;
    if (bottom) return HTBOTTOM;
  }
  RECT band;
  if (menuBarBand(hwnd, &band) && PtInRect(&band, POINT{x, y})) return HTMENU;
  if ((w->style & WS_CAPTION) == WS_CAPTION && frame.top > frame.left && y >= frame.left && y < frame.top) {
    int button = frame.top - frame.left;
    if ((w->style & WS_SYSMENU) && x >= width - frame.right - button) return HTCLOSE;
    return HTCAPTION;
  }
  return HTBORDER;
}

// The keyboard cues after a WM_CHANGEUISTATE or WM_UPDATEUISTATE request. UIS_INITIALIZE hides
// them: the layer does not track whether the last input came from the mouse or the keyboard.
WORD changedUiState(WORD state, WPARAM request) {
  WORD flags = HIWORD(request) & (UISF_HIDEFOCUS | UISF_HIDEACCEL | UISF_ACTIVE);
  switch (LOWORD(request)) {
    case UIS_SET:
    case UIS_INITIALIZE: return static_cast<WORD>(state | flags);
    case UIS_CLEAR: return static_cast<WORD>(state & ~flags);
    default: return state;
  }
}

void paintFrame(HWND hwnd) {
  RECT insets, frame;
  bool active, topLevel;
  DWORD style, exStyle;
  std::u16string title;
  int width, height;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr) return;
    insets = RECT{w->client.left - w->window.left, w->client.top - w->window.top, w->window.right - w->client.right,
                  w->window.bottom - w->client.bottom};
    topLevel = w->isTopLevel();
    frame = topLevel ? displayDriver().frameInsets(w->style, w->exStyle) : RECT{0, 0, 0, 0};
    active = GetActiveWindow() == hwnd;
    style = w->style;
    exStyle = w->exStyle;
    title = w->text;
    width = w->window.right - w->window.left;
    height = w->window.bottom - w->window.top;
  }
  if (insets.left == 0 && insets.top == 0 && insets.right == 0 && insets.bottom == 0) return;
  HDC dc = GetWindowDC(hwnd);
  RECT r{0, 0, width, height};
  if (frame.left > 0 || frame.top > 0) {
    // The layer's own frame: border, then the caption with the title.
    HBRUSH border = GetSysColorBrush(active ? COLOR_ACTIVEBORDER : COLOR_INACTIVEBORDER);
    RECT outer = r;
    for (int i = 0; i < frame.left; ++i) {
      FrameRect(dc, &outer, i == 0 ? GetSysColorBrush(COLOR_WINDOWFRAME) : border);
      InflateRect(&outer, -1, -1);
    }
    if (frame.top > frame.left) {
      RECT caption{frame.left, frame.left, width - frame.right, frame.top};
      FillRect(dc, &caption, GetSysColorBrush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
      HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"Segoe UI");
      HGDIOBJ old = SelectObject(dc, font);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
      RECT text{caption.left + 6, caption.top, caption.right - 6, caption.bottom};
      if (style & WS_SYSMENU) {
        // The close button: a cross in a square at the right end.
        int size = caption.bottom - caption.top - 4;
        RECT box{caption.right - size - 2, caption.top + 2, caption.right - 2, caption.bottom - 2};
        DrawEdge(dc, &box, EDGE_RAISED, BF_RECT | BF_MIDDLE);
        SelectObject(dc, old);
        HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNTEXT));
        HGDIOBJ oldPen = SelectObject(dc, pen);
        int m = size / 4;
        for (int k = 0; k < 2; ++k) {
          MoveToEx(dc, box.left + m + k, box.top + m, nullptr);
          LineTo(dc, box.right - m + k, box.bottom - m);
          MoveToEx(dc, box.right - m - 1 + k, box.top + m, nullptr);
          LineTo(dc, box.left + m - 1 + k, box.bottom - m);
        }
        SelectObject(dc, oldPen);
        DeleteObject(pen);
        SelectObject(dc, font);
        text.right = box.left - 4;
      }
      DrawTextW(dc, title.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
      SelectObject(dc, old);
      DeleteObject(font);
    }
    r = RECT{frame.left, frame.top, width - frame.right, height - frame.bottom};
  } else if (!topLevel) {
    int border = 0;
    if (style & WS_THICKFRAME) {
      border = GetSystemMetrics(SM_CXFRAME);
    } else if (style & WS_DLGFRAME) {
      border = GetSystemMetrics(SM_CXDLGFRAME);
    } else if (style & WS_BORDER) {
      border = 1;
    }
    RECT outer = r;
    for (int i = 0; i < border; ++i) {
      FrameRect(dc, &outer, GetSysColorBrush(i == 0 ? COLOR_WINDOWFRAME : COLOR_BTNFACE));
      InflateRect(&outer, -1, -1);
    }
    r = outer;
  }
  RECT band;
  if (topLevel && menuBarBand(hwnd, &band)) paintMenuBar(hwnd, dc, band);
  if (exStyle & WS_EX_CLIENTEDGE) DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  if (exStyle & WS_EX_STATICEDGE) DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  paintScrollBars(hwnd, dc);
  ReleaseDC(hwnd, dc);
}

LRESULT sizeAndMove(HWND hwnd, const WINDOWPOS* wp) {
  RECT client;
  DWORD style;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr) return 0;
    client = w->client;
    style = w->style;
  }
  if (!(wp->flags & SWP_NOMOVE)) sendLocal(hwnd, WM_MOVE, 0, MAKELPARAM(client.left, client.top));
  if (!(wp->flags & SWP_NOSIZE) || (wp->flags & SWP_FRAMECHANGED)) {
    WPARAM kind = (style & WS_MINIMIZE) ? SIZE_MINIMIZED : (style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
    sendLocal(hwnd, WM_SIZE, kind, MAKELPARAM(client.right - client.left, client.bottom - client.top));
  }
  return 0;
}

// The frame shows a new state or title; the client area is not repainted for it.
void invalidateFrameOnly(HWND hwnd) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = findWindow(hwnd);
  if (w == nullptr) return;
  RECT client{w->client.left - w->window.left, w->client.top - w->window.top, w->client.right - w->window.left,
              w->client.bottom - w->window.top};
  Region frame(RECT{0, 0, w->window.right - w->window.left, w->window.bottom - w->window.top});
  frame.subtract(client);
  if (!frame.isEmpty()) invalidateWindow(w, &frame, RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
}

HWND parentOf(HWND hwnd) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = findWindow(hwnd);
  return w != nullptr && w->isChild() ? w->parent : nullptr;
}

}  // namespace
}  // namespace winapi

using namespace winapi;

extern "C" LRESULT WINAPI DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE: return TRUE;
    case WM_NCCALCSIZE: {
      RECT insets;
      {
        std::lock_guard<std::recursive_mutex> guard(userLock());
        Window* w = findWindow(hwnd);
        if (w == nullptr) return 0;
        insets = defaultNonClient(w);
        w->nonClientByDefault = true;
      }
      RECT* r = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
      if (r == nullptr) return 0;
      r->left += insets.left;
      r->top += insets.top;
      r->right -= insets.right;
      r->bottom -= insets.bottom;
      if (r->right < r->left) r->right = r->left;
      if (r->bottom < r->top) r->bottom = r->top;
      return 0;
    }
    case WM_NCHITTEST: return hitTest(hwnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_NCPAINT: paintFrame(hwnd); return 0;
    case WM_NCACTIVATE: invalidateFrameOnly(hwnd); return TRUE;
    case WM_SETREDRAW: {
      // Switching redrawing back on repaints nothing by itself: the window's own repaint shows
      // what changed meanwhile, once.
      std::lock_guard<std::recursive_mutex> guard(userLock());
      Window* w = findWindow(hwnd);
      if (w != nullptr) w->redrawOff = wParam == FALSE;
      notePaintChange();
      return 0;
    }
    case WM_ERASEBKGND: {
      HBRUSH brush = reinterpret_cast<HBRUSH>(GetClassLongPtrW(hwnd, GCLP_HBRBACKGROUND));
      if (brush == nullptr) return 0;
      RECT r;
      GetClientRect(hwnd, &r);
      FillRect(reinterpret_cast<HDC>(wParam), &r, brush);
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      if (BeginPaint(hwnd, &ps) != nullptr) EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_SETTEXT: {
      NativeWindow native = 0;
      std::u16string text;
      bool top = false;
      {
        std::lock_guard<std::recursive_mutex> guard(userLock());
        Window* w = findWindow(hwnd);
        if (w == nullptr) return FALSE;
        w->text = lParam != 0 ? reinterpret_cast<const char16_t*>(lParam) : u"";
        native = w->native;
        text = w->text;
        top = w->isTopLevel();
      }
      if (native != 0) displayDriver().setTitle(native, text);
      if (top) {
        invalidateFrameOnly(hwnd);
        publishWindows();
      }
      return TRUE;
    }
    case WM_GETTEXT: {
      auto* out = reinterpret_cast<char16_t*>(lParam);
      if (out == nullptr || wParam == 0) return 0;
      std::lock_guard<std::recursive_mutex> guard(userLock());
      Window* w = findWindow(hwnd);
      if (w == nullptr) return 0;
      size_t n = std::min(w->text.size(), static_cast<size_t>(wParam) - 1);
      std::copy(w->text.begin(), w->text.begin() + static_cast<ptrdiff_t>(n), out);
      out[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: {
      std::lock_guard<std::recursive_mutex> guard(userLock());
      Window* w = findWindow(hwnd);
      return w != nullptr ? static_cast<LRESULT>(w->text.size()) : 0;
    }
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE: sendLocal(hwnd, WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); break;
        case SC_MAXIMIZE: ShowWindow(hwnd, SW_MAXIMIZE); break;
        case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); break;
        default: break;
      }
      return 0;
    case WM_NCMOUSEMOVE: menuBarHover(hwnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // A press of Alt shows the keyboard cues of the whole window, as Windows does.
      if (wParam == VK_MENU) {
        SendMessageW(hwnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
      }
      // The menu bar from the keyboard: F10, or Alt with an entry's mnemonic.
      if (wParam == VK_F10 || (GetKeyState(VK_MENU) < 0 && wParam >= 'A' && wParam <= 'Z')) {
        trackMenuBarByKey(GetAncestor(hwnd, GA_ROOT), wParam == VK_F10 ? 0 : static_cast<char16_t>(wParam));
      }
      return 0;
    case WM_NCLBUTTONDOWN: {
      if (wParam == HTMENU) {
        trackMenuBarAt(hwnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
      }
      if (wParam == HTCLOSE) return 0;
      if (wParam == HTVSCROLL) {
        beginScrollTracking(hwnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
      }
      if (wParam == HTCAPTION || (wParam >= HTLEFT && wParam <= HTBOTTOMRIGHT)) {
        HWND top = GetAncestor(hwnd, GA_ROOT);
        NativeWindow native = 0;
        {
          std::lock_guard<std::recursive_mutex> guard(userLock());
          Window* w = findWindow(top);
          if (w != nullptr) native = w->native;
        }
        const POINT screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (native != 0 && !displayDriver().beginMoveResize(native, static_cast<int>(wParam), screen)) {
          runMoveSizeLoop(top, static_cast<int>(wParam), screen);
        }
      }
      return 0;
    }
    case WM_NCLBUTTONUP:
      if (wParam == HTCLOSE) PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, lParam);
      return 0;
    case WM_NCLBUTTONDBLCLK:
      if (wParam == HTCAPTION && (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_MAXIMIZEBOX)) {
        ShowWindow(hwnd, IsZoomed(hwnd) ? SW_RESTORE : SW_MAXIMIZE);
      }
      return 0;
    case WM_WINDOWPOSCHANGED: return sizeAndMove(hwnd, reinterpret_cast<const WINDOWPOS*>(lParam));
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !IsIconic(hwnd)) SetFocus(hwnd);
      return 0;
    case WM_SETCURSOR: {
      HWND parent = parentOf(hwnd);
      if (parent != nullptr && sendLocal(parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
      int hit = static_cast<SHORT>(LOWORD(lParam));
      // The pointer left the menu bar: its hot entry goes flat again.
      if (hit != HTMENU && parent == nullptr) menuBarHover(hwnd, POINT{-32768, -32768});
      LPCWSTR shape = nullptr;
      switch (hit) {
        case HTLEFT:
        case HTRIGHT: shape = IDC_SIZEWE; break;
        case HTTOP:
        case HTBOTTOM: shape = IDC_SIZENS; break;
        case HTTOPLEFT:
        case HTBOTTOMRIGHT: shape = IDC_SIZENWSE; break;
        case HTTOPRIGHT:
        case HTBOTTOMLEFT: shape = IDC_SIZENESW; break;
        case HTCLIENT: {
          HCURSOR cursor = reinterpret_cast<HCURSOR>(GetClassLongPtrW(hwnd, GCLP_HCURSOR));
          if (cursor != nullptr) {
            SetCursor(cursor);
            return TRUE;
          }
          return FALSE;
        }
        default: shape = IDC_ARROW; break;
      }
      SetCursor(LoadCursorW(nullptr, shape));
      return TRUE;
    }
    case WM_MOUSEACTIVATE: {
      HWND parent = parentOf(hwnd);
      if (parent != nullptr) {
        LRESULT r = sendLocal(parent, WM_MOUSEACTIVATE, wParam, lParam);
        if (r != 0) return r;
      }
      return MA_ACTIVATE;
    }
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
    case WM_CONTEXTMENU: {
      HWND parent = parentOf(hwnd);
      if (parent != nullptr) return sendLocal(parent, message, wParam, lParam);
      return 0;
    }
    case WM_SETICON: {
      HICON previous = nullptr, big = nullptr, small = nullptr;
      NativeWindow native = 0;
      {
        std::lock_guard<std::recursive_mutex> guard(userLock());
        Window* w = findWindow(hwnd);
        if (w == nullptr) return 0;
        HICON& slot = wParam == ICON_BIG ? w->iconBig : w->iconSmall;
        previous = slot;
        slot = reinterpret_cast<HICON>(lParam);
        big = w->iconBig;
        small = w->iconSmall;
        native = w->native;
      }
      if (native != 0) {
        int width = 0, height = 0;
        std::vector<uint32_t> pixels;
        if (iconPixels(big != nullptr ? big : small, &width, &height, &pixels)) {
          displayDriver().setIcon(native, width, height, pixels);
        } else {
          displayDriver().setIcon(native, 0, 0, {});
        }
      }
      return reinterpret_cast<LRESULT>(previous);
    }
    case WM_GETICON: {
      std::lock_guard<std::recursive_mutex> guard(userLock());
      Window* w = findWindow(hwnd);
      if (w == nullptr) return 0;
      return reinterpret_cast<LRESULT>(wParam == ICON_BIG ? w->iconBig : w->iconSmall);
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      bool field = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(field ? COLOR_WINDOW : COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(field ? COLOR_WINDOW : COLOR_BTNFACE));
    }
    case WM_QUERYENDSESSION: return TRUE;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: scrollTrackingMessage(hwnd, message, wParam, lParam); return 0;
    case WM_NCDESTROY: forgetScrollBars(hwnd); return 0;
    case WM_CHANGEUISTATE: {
      // A change goes up to the top-level window, which applies it to its whole tree.
      HWND parent = nullptr;
      WORD current = 0;
      {
        std::lock_guard<std::recursive_mutex> guard(userLock());
        Window* w = findWindow(hwnd);
        if (w == nullptr) return 0;
        if (w->isChild()) parent = w->parent;
        current = w->uiState;
      }
      if (parent != nullptr) return SendMessageW(parent, WM_CHANGEUISTATE, wParam, lParam);
      if (changedUiState(current, wParam) != current) SendMessageW(hwnd, WM_UPDATEUISTATE, wParam, lParam);
      return 0;
    }
    case WM_UPDATEUISTATE: {
      std::vector<HWND> children;
      {
        std::lock_guard<std::recursive_mutex> guard(userLock());
        Window* w = findWindow(hwnd);
        if (w == nullptr) return 0;
        w->uiState = changedUiState(w->uiState, wParam);
        children = w->children;
      }
      for (HWND child : children) SendMessageW(child, WM_UPDATEUISTATE, wParam, lParam);
      return 0;
    }
    case WM_QUERYUISTATE: {
      std::lock_guard<std::recursive_mutex> guard(userLock());
      Window* w = findWindow(hwnd);
      return w == nullptr ? 0 : w->uiState;
    }
    default: return 0;
  }
}
