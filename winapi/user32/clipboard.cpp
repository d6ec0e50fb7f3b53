// The clipboard viewer chain. There is no system-wide chain on the displays the layer drives, so
// joining it fails and no window is ever told of clipboard changes.
// Left out: the chain itself, WM_DRAWCLIPBOARD and WM_CHANGECBCHAIN.
#include <windows.h>

extern "C" HWND WINAPI SetClipboardViewer(HWND) {
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return nullptr;
}

extern "C" BOOL WINAPI ChangeClipboardChain(HWND, HWND) {
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return FALSE;
}
