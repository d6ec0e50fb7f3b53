// Clipboard formats and the clipboard viewer chain. There is no system-wide chain on the
// displays the layer drives, so joining it fails and no window is ever told of clipboard changes.
// Left out: the clipboard's own contents (drag and drop hands data over without it), the chain
// itself, WM_DRAWCLIPBOARD and WM_CHANGECBCHAIN.
#include "winapi/user32/Window.h"

extern "C" UINT WINAPI RegisterClipboardFormatW(LPCWSTR name) { return winapi::registeredNameId(name); }

extern "C" HWND WINAPI SetClipboardViewer(HWND) {
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return nullptr;
}

extern "C" BOOL WINAPI ChangeClipboardChain(HWND, HWND) {
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return FALSE;
}
