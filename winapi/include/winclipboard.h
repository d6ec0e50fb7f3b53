// The clipboard viewer chain. The layer has no system-wide chain to join: SetClipboardViewer
// answers null with ERROR_CALL_NOT_IMPLEMENTED and ChangeClipboardChain FALSE, and no
// WM_DRAWCLIPBOARD is ever generated.
#pragma once

#include <winnt.h>
#include <windef.h>

#ifdef __cplusplus
extern "C" {
#endif

HWND WINAPI SetClipboardViewer(HWND viewer);
BOOL WINAPI ChangeClipboardChain(HWND remove, HWND next);

#ifdef __cplusplus
}
#endif
