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

// The clipboard's contents, kept within this process: other programs neither see what is put
// here nor give anything to it. One window (or thread, for a null window) has it open at a time.
BOOL WINAPI OpenClipboard(HWND owner);
BOOL WINAPI CloseClipboard(void);
/// Frees what the clipboard holds and makes the window that opened it the owner.
BOOL WINAPI EmptyClipboard(void);
/// The clipboard takes the block (GlobalAlloc) and frees it when emptied; answers the block.
HANDLE WINAPI SetClipboardData(UINT format, HANDLE data);
/// The block the clipboard holds in this format (still the clipboard's), or null.
HANDLE WINAPI GetClipboardData(UINT format);
BOOL WINAPI IsClipboardFormatAvailable(UINT format);
HWND WINAPI GetClipboardOwner(void);
BOOL WINAPI ChangeClipboardChain(HWND remove, HWND next);

#ifdef __cplusplus
}
#endif
