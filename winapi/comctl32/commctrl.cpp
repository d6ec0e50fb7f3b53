// The common controls' initialisation: the control classes are system classes of the window
// system, and a request makes the groups it names available to CreateWindowExW.
// Left out on purpose: every group's classes but the progress bar's and the track bar's (the
// program uses no other).
#include <windows.h>
#include <commctrl.h>

#include "winapi/user32/Controls.h"

namespace {
// Every class group the library knows.
constexpr DWORD kKnownClasses = 0xFFFF;
}  // namespace

extern "C" BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
  if (init == nullptr || init->dwSize != sizeof(INITCOMMONCONTROLSEX) || (init->dwICC & ~kKnownClasses) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  winapi::enableCommonControls(init->dwICC, {&winapi::progressProc, &winapi::trackbarProc});
  return TRUE;
}

extern "C" void WINAPI InitCommonControls(void) {
  winapi::enableCommonControls(ICC_WIN95_CLASSES, {&winapi::progressProc, &winapi::trackbarProc});
}
