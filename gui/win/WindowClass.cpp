// The library's window class and its procedure.
#include "gui/win/WindowClass.h"

#include <atomic>
#include <mutex>

namespace s::gui::win {

namespace {

std::atomic<bool> s_registered{false};

/// The header that leads every WM_NOTIFY record.
struct NotifyHeader {
  HWND from;
  UINT_PTR id;
  UINT code;
};

// Notification codes of the controls whose notifications are reflected.
constexpr int kCustomDraw = -12;
constexpr int kItemChanging = -100;
constexpr int kItemChanged = -101;
constexpr int kColumnClick = -108;
constexpr int kBeginDrag = -109;
constexpr int kOwnerDataStateChanged = -115;
constexpr int kEndLabelEdit = -176;
constexpr int kHeaderBeginDrag = -310;
constexpr int kHeaderEndDrag = -311;
constexpr int kTabSelectionChanged = -551;

/// The private message a WM_NOTIFY code is reflected as, or 0.
UINT reflectedNotify(int code) {
  switch (code) {
    case kCustomDraw: return WM_APP + 14;
    case kItemChanging: return WM_APP + 19;
    case kItemChanged: return WM_APP + 6;
    case kColumnClick: return WM_APP + 13;
    case kBeginDrag: return WM_APP + 8;
    case kOwnerDataStateChanged: return WM_APP + 7;
    case kEndLabelEdit: return WM_APP + 9;
    case kHeaderBeginDrag: return WM_APP + 17;
    case kHeaderEndDrag: return WM_APP + 18;
    case kTabSelectionChanged: return WM_APP + 11;
    default: return 0;
  }
}

/// The private message a WM_COMMAND notification code is reflected as, or 0.
UINT reflectedCommand(WORD code) {
  switch (code) {
    case 0: return WM_APP + 4;       // BN_CLICKED, STN_CLICKED
    case 1: return WM_APP + 10;      // CBN_SELCHANGE
    case 5: return WM_APP + 5;       // BN_DOUBLECLICKED
    case 7: return WM_APP + 15;      // CBN_DROPDOWN (and BN_KILLFOCUS)
    case 8: return WM_APP + 16;      // CBN_CLOSEUP
    case 0x200: return WM_APP + 21;  // EN_KILLFOCUS
    case 0x300: return WM_APP + 12;  // EN_CHANGE
    default: return 0;
  }
}

bool isColorMessage(UINT message) {
  return message == WM_CTLCOLOR || (message >= WM_CTLCOLOREDIT && message <= WM_CTLCOLORSTATIC);
}

}  // namespace

bool registerWindowClass() {
  static std::mutex s_lock;
  std::lock_guard<std::mutex> guard(s_lock);
  if (s_registered) {
    return true;
  }
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_GLOBALCLASS;
  wc.lpfnWndProc = &windowProc;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = kWindowClassName;
  if (::RegisterClassExW(&wc) == 0) {
    ::MessageBoxW(nullptr, u"Window Registration Failed!", u"Error!", MB_ICONWARNING);
    return false;
  }
  s_registered = true;
  return true;
}

void reportCreationFailure() {
  ::MessageBoxW(nullptr, u"Window Creation Failed!", u"Error!", MB_ICONWARNING);
}

bool isShiftDown() {
  return ::GetAsyncKeyState(VK_LSHIFT) < 0 || ::GetAsyncKeyState(VK_RSHIFT) < 0;
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (isColorMessage(message)) {
    return ::SendMessageW(reinterpret_cast<HWND>(lParam), WM_APP + 3, wParam, lParam);
  }
  switch (message) {
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NotifyHeader*>(lParam);
      const UINT reflected =
          header != nullptr ? reflectedNotify(static_cast<int>(header->code)) : 0;
      if (reflected == 0) {
        break;
      }
      const LRESULT answer = ::SendMessageW(header->from, reflected, wParam, lParam);
      const int code = static_cast<int>(header->code);
      return code == kItemChanged || code == kBeginDrag || code == kOwnerDataStateChanged ? 0
                                                                                          : answer;
    }
    case WM_COMMAND: {
      const UINT reflected = reflectedCommand(HIWORD(wParam));
      if (reflected == 0 || lParam == 0) {
        break;
      }
      ::SendMessageW(reinterpret_cast<HWND>(lParam), reflected, wParam, lParam);
      return 0;
    }
    case WM_HSCROLL:
      if (lParam != 0) {
        ::SendMessageW(reinterpret_cast<HWND>(lParam), message, wParam, lParam);
      }
      break;
    case WM_SETCURSOR:
      if (::DefWindowProcW(hwnd, message, wParam, lParam) != 0) {
        return 1;
      }
      ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
      return 0;
    case WM_INITMENU:
    case WM_LBUTTONDOWN:
      // Windows activates a frame on every click in it; the window reports each one (event 6).
      ::SendMessageW(hwnd, WM_ACTIVATE, WA_CLICKACTIVE, 0);
      break;
    case WM_INITMENUPOPUP: {
      // A drop-down names the window that wants to hear of its opening (the menu bar that
      // opened it) in its menu data. The window itself is not told a second time.
      MENUINFO info{};
      info.cbSize = sizeof info;
      info.fMask = MIM_MENUDATA;
      if (::GetMenuInfo(reinterpret_cast<HMENU>(wParam), &info) && info.dwMenuData != 0) {
        const HWND target = reinterpret_cast<HWND>(info.dwMenuData);
        if (target != hwnd && ::IsWindow(target)) {
          ::SendMessageW(target, message, wParam, lParam);
        }
      }
      break;
    }
    case WM_APP + 1: return ::DefWindowProcW(hwnd, WM_CLOSE, 0, 0);
    default: break;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace s::gui::win
