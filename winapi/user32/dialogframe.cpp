// The dialog frame "#32770" and the modal loop of the layer's dialogs (message boxes and the
// common dialogs): DefDlgProcW with DWLP_DLGPROC and DWLP_MSGRESULT, the default button
// (DM_GETDEFID, DM_SETDEFID, the BS_DEFPUSHBUTTON mark following the focus), WM_NEXTDLGCTL,
// the focus kept across activation, and a loop that runs re-entrantly on any thread.
// Left out: dialog templates (DialogBoxParamW, CreateDialogParamW): the layer's dialogs are
// built in code, and the program builds none from templates.
#include <windows.h>

#include "winapi/user32/Dialogs.h"
#include "winapi/user32/Window.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace winapi {
namespace {

struct DialogState {
  bool modal = false;
  bool ended = false;
  INT_PTR result = 0;
  int defId = IDOK;
  HWND savedFocus = nullptr;
  HWND lastFocus = nullptr;
};

std::mutex& statesLock() {
  static auto* m = new std::mutex;
  return *m;
}

std::map<HWND, DialogState>& states() {
  static auto* s = new std::map<HWND, DialogState>;
  return *s;
}

template <typename Fn>
auto withState(HWND dialog, Fn fn) {
  std::lock_guard<std::mutex> guard(statesLock());
  return fn(states()[dialog]);
}

LRESULT dialogCode(HWND hwnd) { return hwnd != nullptr ? SendMessageW(hwnd, WM_GETDLGCODE, 0, 0) : 0; }

bool isPushButton(LRESULT code) { return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0; }

void markButton(HWND button, bool isDefault) {
  LRESULT code = dialogCode(button);
  if (!isPushButton(code)) return;
  if (((code & DLGC_DEFPUSHBUTTON) != 0) == isDefault) return;
  DWORD style = static_cast<DWORD>(GetWindowLongPtrW(button, GWL_STYLE));
  style = (style & ~static_cast<DWORD>(BS_TYPEMASK)) | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
  SendMessageW(button, BM_SETSTYLE, style, TRUE);
}

// The control that gets the focus first: the first tab stop, an edit's text selected whole.
void focusControl(HWND dialog, HWND control) {
  if (control == nullptr) return;
  SetFocus(control);
  if (dialogCode(control) & DLGC_HASSETSEL) SendMessageW(control, EM_SETSEL, 0, -1);
  followDefaultMark(dialog);
}

// INT_PTR answers of a dialog procedure that are the message's result itself, not a "handled" flag.
bool answersDirectly(UINT message) {
  switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_INITDIALOG:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON: return true;
    default: return false;
  }
}

}  // namespace

bool isDialogFrame(HWND hwnd) {
  WCHAR name[16];
  return hwnd != nullptr && GetClassNameW(hwnd, name, 16) == 6 && std::u16string_view(name) == u"#32770";
}

void followDefaultMark(HWND dialog) {
  if (!isDialogFrame(dialog)) return;
  HWND focus = GetFocus();
  if (focus != nullptr && !IsChild(dialog, focus)) return;
  bool changed = withState(dialog, [focus](DialogState& s) {
    bool moved = s.lastFocus != focus;
    s.lastFocus = focus;
    return moved;
  });
  if (!changed) return;
  int defId = withState(dialog, [](DialogState& s) { return s.defId; });
  HWND defButton = defId != 0 ? GetDlgItem(dialog, defId) : nullptr;
  bool focusIsPush = isPushButton(dialogCode(focus));
  // Only one button shows the mark: the focused push button, else the default one.
  std::vector<HWND> controls;
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) controls.push_back(c);
  for (HWND c : controls) markButton(c, focusIsPush ? c == focus : c == defButton);
}

void centreWindow(HWND hwnd, const RECT& over) {
  RECT r;
  GetWindowRect(hwnd, &r);
  int width = r.right - r.left, height = r.bottom - r.top;
  int x = over.left + ((over.right - over.left) - width) / 2;
  int y = over.top + ((over.bottom - over.top) - height) / 2;
  RECT placed{x, y, x + width, y + height};
  MONITORINFO info{};
  info.cbSize = sizeof info;
  RECT work = kDefaultScreen;
  if (GetMonitorInfoW(MonitorFromRect(&placed, MONITOR_DEFAULTTONEAREST), &info)) work = info.rcWork;
  // Fully inside the work area; a dialog larger than it keeps its top-left corner visible.
  x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - width));
  y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - height));
  SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND createDialogFrame(HWND owner, LPCWSTR caption, DWORD style, DWORD exStyle, int clientWidth, int clientHeight,
                       DLGPROC proc) {
  // The frame paints around its controls, never over them.
  style = (style | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS | WS_CLIPCHILDREN) &
          ~static_cast<DWORD>(WS_VISIBLE);
  exStyle |= WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  RECT r{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&r, style, FALSE, exStyle);
  HWND top = owner != nullptr ? GetAncestor(owner, GA_ROOT) : nullptr;
  HWND dialog = CreateWindowExW(exStyle, u"#32770", caption, style, 0, 0, r.right - r.left, r.bottom - r.top, top,
                                nullptr, nullptr, nullptr);
  if (dialog == nullptr) return nullptr;
  SetWindowLongPtrW(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
  return dialog;
}

INT_PTR runModalDialog(HWND dialog, const ModalOptions& options) {
  if (!IsWindow(dialog)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  withState(dialog, [](DialogState& s) { s.modal = true; });
  HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
  if (SendMessageW(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), options.initParam) != 0) {
    focusControl(dialog, first);
  }
  withState(dialog, [](DialogState& s) { s.savedFocus = GetFocus(); });

  HWND owner = GetWindow(dialog, GW_OWNER);
  RECT over{};
  if (owner == nullptr || !IsWindowVisible(owner) || IsIconic(owner) || !GetWindowRect(owner, &over)) {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &over, 0);
  }
  centreWindow(dialog, over);
  // A dialog must stay above an owner kept on top, or it would open out of sight behind it.
  bool topmost = options.topmost || (owner != nullptr && (GetWindowLongPtrW(owner, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
  if (topmost) SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  std::vector<HWND> disabled;
  for (HWND h : options.disable) {
    if (h != dialog && IsWindow(h) && IsWindowEnabled(h)) {
      EnableWindow(h, FALSE);
      disabled.push_back(h);
    }
  }
  ShowWindow(dialog, SW_SHOWNORMAL);
  HWND focus = withState(dialog, [](DialogState& s) { return s.savedFocus; });
  if (focus != nullptr && IsWindow(focus) && GetFocus() != focus) SetFocus(focus);

  INT_PTR result = 0;
  bool quit = false;
  int quitCode = 0;
  for (;;) {
    bool ended = withState(dialog, [&result](DialogState& s) {
      result = s.result;
      return s.ended;
    });
    if (ended || !IsWindow(dialog)) break;
    MSG msg;
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      quit = true;
      quitCode = static_cast<int>(msg.wParam);
      result = options.quitResult;
      break;
    }
    if (got < 0) break;
    if (!IsDialogMessageW(dialog, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  // The owner comes back before the dialog goes, so the activation falls to it and not to
  // whatever window happens to be next.
  for (HWND h : disabled) {
    if (IsWindow(h)) EnableWindow(h, TRUE);
  }
  if (IsWindow(dialog)) {
    if (owner != nullptr && IsWindow(owner) && GetActiveWindow() == dialog) SetActiveWindow(owner);
    DestroyWindow(dialog);
  }
  {
    std::lock_guard<std::mutex> guard(statesLock());
    states().erase(dialog);
  }
  // WM_QUIT ends every loop on the way out, so it is posted again for the next one.
  if (quit) PostQuitMessage(quitCode);
  return result;
}

}  // namespace winapi

using namespace winapi;

extern "C" LRESULT WINAPI DefDlgProcW(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtrW(dialog, DWLP_DLGPROC));
  if (proc != nullptr) {
    INT_PTR handled = proc(dialog, message, wParam, lParam);
    if (handled != 0) return answersDirectly(message) ? handled : GetWindowLongPtrW(dialog, DWLP_MSGRESULT);
  }
  switch (message) {
    case WM_CLOSE: {
      // The close box means Cancel; a dialog whose Cancel button is disabled cannot be closed.
      HWND cancel = GetDlgItem(dialog, IDCANCEL);
      if (cancel != nullptr && !IsWindowEnabled(cancel)) return 0;
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), reinterpret_cast<LPARAM>(cancel));
      return 0;
    }
    case DM_GETDEFID: {
      int id = withState(dialog, [](DialogState& s) { return s.defId; });
      return id != 0 ? static_cast<LRESULT>(MAKELONG(id, DC_HASDEFID)) : 0;
    }
    case DM_SETDEFID: {
      withState(dialog, [wParam](DialogState& s) {
        s.defId = static_cast<int>(wParam);
        s.lastFocus = reinterpret_cast<HWND>(-1);  // marks are laid again
      });
      followDefaultMark(dialog);
      return TRUE;
    }
    case WM_NEXTDLGCTL: {
      HWND next = lParam != 0 ? reinterpret_cast<HWND>(wParam) : GetNextDlgTabItem(dialog, GetFocus(), wParam != 0);
      if (next != nullptr && IsChild(dialog, next)) focusControl(dialog, next);
      return 0;
    }
    case WM_ACTIVATE:
      // The focus leaves with the activation and comes back to the same control.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(dialog, focus))
          withState(dialog, [focus](DialogState& s) { s.savedFocus = focus; });
      } else {
        HWND saved = withState(dialog, [](DialogState& s) { return s.savedFocus; });
        if (saved != nullptr && IsWindow(saved) && IsChild(dialog, saved)) {
          SetFocus(saved);
        } else {
          focusControl(dialog, GetNextDlgTabItem(dialog, nullptr, FALSE));
        }
      }
      return 0;
    case WM_NCDESTROY: {
      bool modal = withState(dialog, [](DialogState& s) { return s.modal; });
      // A modal dialog's state is its loop's until the loop ends.
      if (!modal) {
        std::lock_guard<std::mutex> guard(statesLock());
        states().erase(dialog);
      }
      return DefWindowProcW(dialog, message, wParam, lParam);
    }
    default: return DefWindowProcW(dialog, message, wParam, lParam);
  }
}

extern "C" BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
  if (!IsWindow(dialog)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  withState(dialog, [result](DialogState& s) {
    s.ended = true;
    s.result = result;
  });
  // The loop may be waiting for a message: this one wakes it.
  PostMessageW(dialog, WM_NULL, 0, 0);
  return TRUE;
}

extern "C" LRESULT WINAPI SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr ? SendMessageW(control, message, wParam, lParam) : 0;
}

extern "C" BOOL WINAPI SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr ? SetWindowTextW(control, text) : FALSE;
}

extern "C" UINT WINAPI GetDlgItemTextW(HWND dialog, int id, LPWSTR text, int maxCount) {
  if (text != nullptr && maxCount > 0) text[0] = 0;
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr ? static_cast<UINT>(GetWindowTextW(control, text, maxCount)) : 0;
}
