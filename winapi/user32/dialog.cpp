// The dialog manager's keyboard navigation for any window: IsDialogMessageW moves the focus
// with Tab and Shift+Tab over WS_TABSTOP windows (descending into WS_EX_CONTROLPARENT
// containers), shows the keyboard cues on the first keyboard navigation, turns Enter into a
// click of the default button (the focused one, the one DM_GETDEFID names, else IDOK) and Escape
// into IDCANCEL, and dispatches every
// other message of the window's tree itself. A window that answers WM_GETDLGCODE with
// DLGC_WANTALLKEYS (or DLGC_WANTTAB for Tab) keeps its keys.
// Left out on purpose: arrow-key movement inside radio groups and mnemonic keys.
#include "winapi/user32/Window.h"

#include <algorithm>

namespace winapi {
namespace {

void collectTabStops(HWND parent, std::vector<HWND>& out) {
  std::vector<HWND> children;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(parent);
    if (w == nullptr) return;
    children = w->children;
  }
  for (HWND h : children) {
    DWORD style = static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE));
    DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(h, GWL_EXSTYLE));
    if (!(style & WS_VISIBLE) || (style & WS_DISABLED)) continue;
    if (exStyle & WS_EX_CONTROLPARENT) {
      collectTabStops(h, out);
    } else if (style & WS_TABSTOP) {
      out.push_back(h);
    }
  }
}

// Keyboard navigation shows the focus and accelerator cues of the whole window.
void showKeyboardCues(HWND dialog) {
  SendMessageW(dialog, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
}

// Enter clicks the focused push button when it is a default one, else the dialog's default
// button, else it means IDOK. A default button that is disabled takes the Enter with it: the
// dialog would otherwise run the command of a button the user cannot press.
void pressEnter(HWND dialog, HWND focus, LRESULT focusCode) {
  if (focusCode & DLGC_DEFPUSHBUTTON) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED), reinterpret_cast<LPARAM>(focus));
    return;
  }
  LRESULT defId = SendMessageW(dialog, DM_GETDEFID, 0, 0);
  if (HIWORD(defId) == DC_HASDEFID) {
    HWND button = GetDlgItem(dialog, LOWORD(defId));
    if (button != nullptr && !IsWindowEnabled(button)) return;
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(LOWORD(defId), BN_CLICKED), reinterpret_cast<LPARAM>(button));
    return;
  }
  SendMessageW(dialog, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetFocus()));
}

}  // namespace
}  // namespace winapi

using namespace winapi;

extern "C" HWND WINAPI GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
  if (!IsWindow(dialog)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  std::vector<HWND> stops;
  collectTabStops(dialog, stops);
  if (stops.empty()) return control;
  auto it = std::find(stops.begin(), stops.end(), control);
  if (it == stops.end()) return previous ? stops.back() : stops.front();
  size_t i = static_cast<size_t>(it - stops.begin());
  size_t n = stops.size();
  return previous ? stops[(i + n - 1) % n] : stops[(i + 1) % n];
}

extern "C" BOOL WINAPI IsDialogMessageW(HWND dialog, LPMSG msg) {
  if (msg == nullptr || dialog == nullptr) return FALSE;
  if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
  if (msg->message == WM_KEYDOWN) {
    LRESULT code = SendMessageW(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
    if (!(code & DLGC_WANTALLKEYS)) {
      switch (msg->wParam) {
        case VK_TAB:
          if (code & DLGC_WANTTAB) break;
          showKeyboardCues(dialog);
          {
            HWND next = GetNextDlgTabItem(dialog, GetFocus(), GetKeyState(VK_SHIFT) < 0);
            if (next != nullptr) SetFocus(next);
          }
          return TRUE;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
          if (!(code & DLGC_WANTARROWS)) showKeyboardCues(dialog);
          break;
        case VK_MENU: showKeyboardCues(dialog); break;
        case VK_RETURN: pressEnter(dialog, msg->hwnd, code); return TRUE;
        case VK_ESCAPE: SendMessageW(dialog, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(GetFocus())); return TRUE;
        default: break;
      }
    }
  }
  TranslateMessage(msg);
  DispatchMessageW(msg);
  return TRUE;
}
