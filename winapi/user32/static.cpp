// The "Static" system class: text controls in the classic look, with SS_NOTIFY's notifications
// and the hit-test fall-through of statics without it.
// Left out on purpose: icons, bitmaps, frames and rectangles (SS_ICON, SS_BITMAP, SS_*FRAME,
// SS_*RECT), owner drawing, SS_PATHELLIPSIS and SS_WORDELLIPSIS.
#include "winapi/user32/Controls.h"

#include <string>

namespace winapi {
namespace {

struct StaticState {
  HFONT font = nullptr;
};

StaticState* stateOf(HWND hwnd) { return reinterpret_cast<StaticState*>(GetWindowLongPtrW(hwnd, 0)); }

DWORD styleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)); }

void repaint(HWND hwnd) {
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
}

UINT textFormat(HWND hwnd, DWORD style) {
  UINT format = DT_EXPANDTABS;
  switch (style & SS_TYPEMASK) {
    case SS_CENTER: format |= DT_CENTER | DT_WORDBREAK; break;
    case SS_RIGHT: format |= DT_RIGHT | DT_WORDBREAK; break;
    case SS_LEFTNOWORDWRAP: format |= DT_LEFT; break;
    case SS_SIMPLE: format = DT_LEFT | DT_SINGLELINE; break;
    default: format |= DT_LEFT | DT_WORDBREAK; break;
  }
  if (style & SS_CENTERIMAGE) format = (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
  if (style & SS_ENDELLIPSIS) format = (format & ~DT_WORDBREAK) | DT_END_ELLIPSIS;
  if (style & SS_EDITCONTROL) format |= DT_EDITCONTROL;
  if (style & SS_NOPREFIX) {
    format |= DT_NOPREFIX;
  } else if (uiStateOf(hwnd) & UISF_HIDEACCEL) {
    format |= DT_HIDEPREFIX;
  }
  return format;
}

bool isTextStyle(DWORD style) {
  DWORD type = style & SS_TYPEMASK;
  return type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP;
}

void paint(HWND hwnd, HDC dc, const StaticState& s) {
  DWORD style = styleOf(hwnd);
  RECT client;
  GetClientRect(hwnd, &client);
  HBRUSH brush = controlBrush(hwnd, WM_CTLCOLORSTATIC, dc);
  // A NULL_BRUSH paints nothing, which leaves the parent's pixels under the text.
  if (brush != nullptr) FillRect(dc, &client, brush);
  if (!isTextStyle(style)) return;
  int n = GetWindowTextLengthW(hwnd);
  if (n <= 0) return;
  std::u16string text(static_cast<size_t>(n) + 1, u'\0');
  n = GetWindowTextW(hwnd, text.data(), n + 1);
  HGDIOBJ oldFont = SelectObject(dc, s.font != nullptr ? s.font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
  COLORREF oldColor = GetTextColor(dc);
  if (!IsWindowEnabled(hwnd)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  DrawTextW(dc, text.c_str(), n, &client, textFormat(hwnd, style));
  SetTextColor(dc, oldColor);
  SelectObject(dc, oldFont);
}

}  // namespace

LRESULT CALLBACK staticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  StaticState* s = stateOf(hwnd);
  if (s == nullptr && message != WM_NCCREATE) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(new StaticState));
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, 0, 0);
      delete s;
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_NCHITTEST:
      // Without SS_NOTIFY a click goes to whatever lies below.
      if (!(styleOf(hwnd) & SS_NOTIFY)) return HTTRANSPARENT;
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_GETDLGCODE: return DLGC_STATIC;
    case WM_LBUTTONDOWN:
      if (styleOf(hwnd) & SS_NOTIFY) notifyParent(hwnd, STN_CLICKED);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (styleOf(hwnd) & SS_NOTIFY) notifyParent(hwnd, STN_DBLCLK);
      return 0;
    case WM_ENABLE:
      if (styleOf(hwnd) & SS_NOTIFY) notifyParent(hwnd, wParam ? STN_ENABLE : STN_DISABLE);
      repaint(hwnd);
      return 0;
    case WM_SETTEXT: {
      LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
      repaint(hwnd);
      return result;
    }
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) repaint(hwnd);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->font);
    case WM_UPDATEUISTATE: {
      LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
      if (!(styleOf(hwnd) & SS_NOPREFIX)) repaint(hwnd);
      return result;
    }
    case WM_ERASEBKGND: return 1;  // painting fills the control itself
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      paint(hwnd, dc, *s);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_PRINTCLIENT: paint(hwnd, reinterpret_cast<HDC>(wParam), *s); return 0;
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace winapi
