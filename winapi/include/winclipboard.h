// Clipboard formats and the clipboard viewer chain. The layer has no system-wide chain to join:
// SetClipboardViewer answers null with ERROR_CALL_NOT_IMPLEMENTED and ChangeClipboardChain
// FALSE, and no WM_DRAWCLIPBOARD is ever generated.
#pragma once

#include <winnt.h>
#include <windef.h>

#ifdef __cplusplus
extern "C" {
#endif

// Standard clipboard formats.
#define CF_TEXT 1
#define CF_UNICODETEXT 13
#define CF_HDROP 15

/// The format of a name: the same number for every spelling of the name (A-Z folded), from
/// 0xC000 on, shared with RegisterWindowMessageW as on Windows; 0 for a null or empty name.
UINT WINAPI RegisterClipboardFormatW(LPCWSTR name);

HWND WINAPI SetClipboardViewer(HWND viewer);
BOOL WINAPI ChangeClipboardChain(HWND remove, HWND next);

#ifdef __cplusplus
}
#endif
