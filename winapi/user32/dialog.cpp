// The dialog manager's keyboard navigation for any window: IsDialogMessageW moves the focus
// with Tab and Shift+Tab over WS_TABSTOP windows (descending into WS_EX_CONTROLPARENT
// containers; an edit reached so has its text selected), with the arrow keys within a WS_GROUP
// group, and to the control of a mnemonic ("&" letter of a caption, with Alt or alone where the
// focused control takes no characters); shows the keyboard cues on the first keyboard
// navigation, turns Enter into a click of the default button (the focused one, the one
// DM_GETDEFID names, else IDOK) and Escape into IDCANCEL, and dispatches every other message of
// the window's tree itself. A window that answers WM_GETDLGCODE with DLGC_WANTALLKEYS
// (DLGC_WANTTAB for Tab, DLGC_WANTARROWS for the arrows, DLGC_WANTCHARS for bare letters) keeps
// its keys.
#include "winapi/user32/Window.h"

#include "winapi/base/ascii.h"
#include "winapi/user32/Dialogs.h"

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

bool usable(HWND h) {
  DWORD style = static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE));
  return (style & WS_VISIBLE) && !(style & WS_DISABLED);
}

// Every control of the dialog in tab order, containers' children in their place.
void collectControls(HWND parent, std::vector<HWND>& out) {
  std::vector<HWND> children;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(parent);
    if (w == nullptr) return;
    children = w->children;
  }
  for (HWND h : children) {
    if (GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) {
      collectControls(h, out);
    } else {
      out.push_back(h);
    }
  }
}

// The letter after a single "&" of a caption, folded to upper case; 0 for none.
char16_t mnemonicOf(HWND h) {
  WCHAR name[16];
  if (GetClassNameW(h, name, 16) == 6 && ascii::equalsIgnoreCase(std::u16string_view(name), u"Static") &&
      (GetWindowLongPtrW(h, GWL_STYLE) & SS_NOPREFIX)) {
    return 0;
  }
  int length = GetWindowTextLengthW(h);
  if (length <= 0) return 0;
  std::u16string text(static_cast<size_t>(length) + 1, u'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(h, text.data(), length + 1)));
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != u'&') continue;
    if (text[i + 1] == u'&') {
      ++i;
      continue;
    }
    return ascii::toUpper(text[i + 1]);
  }
  return 0;
}

void focusFromKeyboard(HWND dialog, HWND control) {
  SetFocus(control);
  if (SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(control, EM_SETSEL, 0, -1);
  followDefaultMark(dialog);
}

// Acts on the control whose caption has this mnemonic, searching on from the focus; false when
// none has it.
bool pressMnemonic(HWND dialog, char16_t ch) {
  char16_t key = ascii::toUpper(ch);
  std::vector<HWND> controls;
  collectControls(dialog, controls);
  if (controls.empty()) return false;
  auto focus = std::find(controls.begin(), controls.end(), GetFocus());
  size_t from = focus == controls.end() ? 0 : static_cast<size_t>(focus - controls.begin()) + 1;
  for (size_t k = 0; k < controls.size(); ++k) {
    size_t i = (from + k) % controls.size();
    HWND h = controls[i];
    if (!usable(h) || mnemonicOf(h) != key) continue;
    LRESULT code = SendMessageW(h, WM_GETDLGCODE, 0, 0);
    if (code & DLGC_STATIC) {
      // A label's mnemonic reaches the control after it, the one it names.
      for (size_t j = 1; j < controls.size(); ++j) {
        HWND next = controls[(i + j) % controls.size()];
        if (!usable(next) || (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_STATIC)) continue;
        focusFromKeyboard(dialog, next);
        return true;
      }
      return true;
    }
    if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
      SendMessageW(h, BM_CLICK, 0, 0);
    } else {
      focusFromKeyboard(dialog, h);
      if (code & (DLGC_BUTTON | DLGC_RADIOBUTTON)) SendMessageW(h, BM_CLICK, 0, 0);
    }
    return true;
  }
  return false;
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

extern "C" HWND WINAPI GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
  if (!IsWindow(dialog)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  HWND parent = control != nullptr ? GetParent(control) : nullptr;
  if (control == nullptr || parent == nullptr || (parent != dialog && !IsChild(dialog, parent))) return control;
  std::vector<HWND> siblings;
  for (HWND c = GetWindow(parent, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) siblings.push_back(c);
  auto at = std::find(siblings.begin(), siblings.end(), control);
  if (at == siblings.end()) return control;
  auto grouped = [](HWND h) { return (GetWindowLongPtrW(h, GWL_STYLE) & WS_GROUP) != 0; };
  // The group: from the nearest sibling with WS_GROUP at or before the control to the next one.
  size_t i = static_cast<size_t>(at - siblings.begin());
  size_t first = i;
  while (first > 0 && !grouped(siblings[first])) --first;
  size_t last = i + 1;
  while (last < siblings.size() && !grouped(siblings[last])) ++last;
  size_t n = last - first;
  for (size_t step = 1; step < n; ++step) {
    size_t k = previous ? first + (i - first + n - step) % n : first + (i - first + step) % n;
    if (usable(siblings[k])) return siblings[k];
  }
  return control;
}

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
  if (msg->message == WM_CHAR || msg->message == WM_SYSCHAR) {
    bool alt = msg->message == WM_SYSCHAR || GetKeyState(VK_MENU) < 0;
    LRESULT code = SendMessageW(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
    auto ch = static_cast<char16_t>(msg->wParam);
    if (ch > u' ' && !(code & DLGC_WANTALLKEYS) && (alt || !(code & DLGC_WANTCHARS))) {
      // Alt with a letter nobody has is still the dialog's key; a bare letter goes on.
      if (pressMnemonic(dialog, ch) || alt) return TRUE;
    }
  }
  if (msg->message == WM_KEYDOWN) {
    LRESULT code = SendMessageW(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
    if (!(code & DLGC_WANTALLKEYS)) {
      switch (msg->wParam) {
        case VK_TAB:
          if (code & DLGC_WANTTAB) break;
          showKeyboardCues(dialog);
          {
            HWND next = GetNextDlgTabItem(dialog, GetFocus(), GetKeyState(VK_SHIFT) < 0);
            if (next != nullptr) focusFromKeyboard(dialog, next);
          }
          return TRUE;
        case VK_F4:
          // Alt+F4 closes a dialog of ours as its close box would; the display's window manager
          // does that for the program's own windows.
          if (GetKeyState(VK_MENU) < 0 && isDialogFrame(dialog)) {
            PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            return TRUE;
          }
          break;
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: {
          if (code & DLGC_WANTARROWS) break;
          showKeyboardCues(dialog);
          HWND focus = GetFocus();
          if (focus == nullptr || !IsChild(dialog, focus)) break;
          HWND next = GetNextDlgGroupItem(dialog, focus, msg->wParam == VK_LEFT || msg->wParam == VK_UP);
          if (next != nullptr && next != focus) {
            focusFromKeyboard(dialog, next);
            // An arrow onto a radio button chooses it, as a click would.
            if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) SendMessageW(next, BM_CLICK, 0, 0);
          }
          return TRUE;
        }
        case VK_MENU: showKeyboardCues(dialog); break;
        case VK_RETURN: pressEnter(dialog, msg->hwnd, code); return TRUE;
        case VK_ESCAPE: SendMessageW(dialog, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(GetFocus())); return TRUE;
        default: break;
      }
    }
  }
  TranslateMessage(msg);
  DispatchMessageW(msg);
  // A click or the program may have moved the focus: the default mark follows it.
  if (IsWindow(dialog)) followDefaultMark(dialog);
  return TRUE;
}
