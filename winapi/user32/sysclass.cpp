// The table of the layer's system classes: the native controls that every process has without
// registering them, and the helpers the controls share.
// Left out on purpose: classes whose controls the program never creates.
#include "winapi/user32/Controls.h"
#include "winapi/user32/Dialogs.h"
#include "winapi/user32/Window.h"

#include <commctrl.h>

#include <atomic>

namespace winapi {
namespace {

// The window's control state lives behind one pointer in the window's extra bytes.
constexpr int kStatePointer = sizeof(LONG_PTR);

std::atomic<DWORD> s_commonControls{0};
std::atomic<WNDPROC> s_progressProc{nullptr};
std::atomic<WNDPROC> s_trackbarProc{nullptr};

// The common controls' classes call comctl32's procedures, which it gave before any of their
// windows could be made (the classes are found only once their group is enabled).
LRESULT CALLBACK progressForward(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return s_progressProc.load()(hwnd, message, wParam, lParam);
}
LRESULT CALLBACK trackbarForward(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return s_trackbarProc.load()(hwnd, message, wParam, lParam);
}

}  // namespace

const std::vector<SystemClassEntry>& systemClassTable() {
  static const std::vector<SystemClassEntry> table = {
      {u"Button", CS_DBLCLKS | CS_PARENTDC, buttonProc, kStatePointer, 0, 0},
      {u"Static", CS_DBLCLKS | CS_PARENTDC, staticProc, kStatePointer, 0, 0},
      {PROGRESS_CLASSW, CS_HREDRAW | CS_VREDRAW, progressForward, kStatePointer, 0, ICC_PROGRESS_CLASS},
      {TRACKBAR_CLASSW, CS_DBLCLKS, trackbarForward, kStatePointer, 0, ICC_BAR_CLASSES},
      {u"Edit", CS_DBLCLKS, editProc, kStatePointer, 0, 0},
      {u"ComboBox", CS_DBLCLKS | CS_PARENTDC, comboProc, kStatePointer, 0, 0},
      {u"ComboLBox", CS_DBLCLKS | CS_SAVEBITS, listProc, kStatePointer, 0, 0},
      {u"ListBox", CS_DBLCLKS, listProc, kStatePointer, 0, 0},
      {u"#32770", CS_DBLCLKS | CS_SAVEBITS, DefDlgProcW, kDialogWindowExtra, COLOR_BTNFACE + 1, 0},
  };
  return table;
}

void enableCommonControls(DWORD groups, const CommonControlProcs& procs) {
  s_progressProc.store(procs.progress);
  s_trackbarProc.store(procs.trackbar);
  s_commonControls.fetch_or(groups);
}

bool commonControlsEnabled(DWORD groups) { return (s_commonControls.load() & groups) == groups; }

void notifyParent(HWND control, WORD code) {
  HWND parent = GetParent(control);
  if (parent == nullptr) return;
  SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code), reinterpret_cast<LPARAM>(control));
}

HBRUSH controlBrush(HWND control, UINT message, HDC dc) {
  HWND parent = GetParent(control);
  if (parent == nullptr)
    return reinterpret_cast<HBRUSH>(
        DefWindowProcW(control, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
  auto brush = reinterpret_cast<HBRUSH>(
      SendMessageW(parent, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
  if (brush == nullptr) {
    brush = reinterpret_cast<HBRUSH>(
        DefWindowProcW(parent, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
  }
  return brush;
}

WORD uiStateOf(HWND hwnd) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = findWindow(hwnd);
  return w == nullptr ? 0 : w->uiState;
}

}  // namespace winapi
