// The common controls' initialisation. The control classes are system classes of the window
// system, registered with it once per process, so a program's request only needs checking.
#include <windows.h>
#include <commctrl.h>

namespace {
// Every class group the library knows.
constexpr DWORD kKnownClasses = 0xFFFF;
}  // namespace

extern "C" BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
  if (init == nullptr || init->dwSize != sizeof(INITCOMMONCONTROLSEX) || (init->dwICC & ~kKnownClasses) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}

extern "C" void WINAPI InitCommonControls(void) {}
