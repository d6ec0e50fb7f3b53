// The move-or-size loop that stands in for the window manager's own: under the headless driver,
// and on X11 when no window manager offers _NET_WM_MOVERESIZE.
#include "winapi/user32/MoveSize.h"

#include <algorithm>

namespace winapi {
namespace {

/// The WMSZ_ edge of a border hit code; 0 for the caption (a move) and for anything else.
UINT edgeOf(int hitCode) {
  switch (hitCode) {
    case HTLEFT: return WMSZ_LEFT;
    case HTRIGHT: return WMSZ_RIGHT;
    case HTTOP: return WMSZ_TOP;
    case HTTOPLEFT: return WMSZ_TOPLEFT;
    case HTTOPRIGHT: return WMSZ_TOPRIGHT;
    case HTBOTTOM: return WMSZ_BOTTOM;
    case HTBOTTOMLEFT: return WMSZ_BOTTOMLEFT;
    case HTBOTTOMRIGHT: return WMSZ_BOTTOMRIGHT;
    default: return 0;
  }
}

/// The start rectangle with the edges of `edge` (all of them for a move) shifted by `dx`, `dy`;
/// a dragged edge stops at the opposite one.
RECT proposedRect(const RECT& start, UINT edge, int dx, int dy) {
  RECT r = start;
  if (edge == 0) {
    OffsetRect(&r, dx, dy);
    return r;
  }
  if (edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT) {
    r.left = std::min(start.left + dx, start.right);
  }
  if (edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT) {
    r.right = std::max(start.right + dx, start.left);
  }
  if (edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT) {
    r.top = std::min(start.top + dy, start.bottom);
  }
  if (edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT) {
    r.bottom = std::max(start.bottom + dy, start.top);
  }
  return r;
}

void place(HWND hwnd, const RECT& r, bool sizing) {
  SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE | (sizing ? 0 : SWP_NOSIZE));
}

}  // namespace

void runMoveSizeLoop(HWND hwnd, int hitCode, POINT screen) {
  const UINT edge = edgeOf(hitCode);
  if (hitCode != HTCAPTION && edge == 0) return;
  if (GetKeyState(VK_LBUTTON) >= 0 || !IsWindow(hwnd)) return;
  RECT start;
  GetWindowRect(hwnd, &start);
  const bool sizing = edge != 0;
  SendMessageW(hwnd, WM_ENTERSIZEMOVE, 0, 0);
  SetCapture(hwnd);
  bool cancelled = false;
  bool quit = false;
  WPARAM quitCode = 0;
  for (;;) {
    // Someone else took the pointer (or the window went): the loop has nothing left to follow.
    if (!IsWindow(hwnd) || GetCapture() != hwnd) break;
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      // A release that went elsewhere still ends the loop once everything before it is seen.
      if (GetKeyState(VK_LBUTTON) >= 0) break;
      WaitMessage();
      continue;
    }
    if (msg.message == WM_QUIT) {
      quit = true;
      quitCode = msg.wParam;
      break;
    }
    if (msg.message == WM_MOUSEMOVE && msg.hwnd == hwnd) {
      RECT proposed = proposedRect(start, edge, msg.pt.x - screen.x, msg.pt.y - screen.y);
      SendMessageW(hwnd, sizing ? WM_SIZING : WM_MOVING, edge, reinterpret_cast<LPARAM>(&proposed));
      place(hwnd, proposed, sizing);
      continue;
    }
    if (msg.message == WM_LBUTTONUP || msg.message == WM_NCLBUTTONUP) break;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
      cancelled = true;
      break;
    }
    // The pointer and the keyboard belong to the loop while it runs.
    if ((msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) ||
        (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCMBUTTONDBLCLK) || msg.message == WM_KEYDOWN ||
        msg.message == WM_KEYUP || msg.message == WM_CHAR) {
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (IsWindow(hwnd)) {
    if (cancelled) place(hwnd, start, sizing);
    if (GetCapture() == hwnd) ReleaseCapture();
    SendMessageW(hwnd, WM_EXITSIZEMOVE, 0, 0);
  }
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
}

}  // namespace winapi
