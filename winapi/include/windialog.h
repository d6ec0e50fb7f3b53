// Dialogs: the dialog class "#32770", its procedure and window longs, the default button
// messages and ending a modal dialog.
#pragma once

#include <winnt.h>
#include <windef.h>

// The default push button of a dialog.
#ifndef DM_GETDEFID
#define DM_GETDEFID (WM_USER + 0)
#define DM_SETDEFID (WM_USER + 1)
#define DC_HASDEFID 0x534B
#endif

// Messages whose dialog-procedure answer is the message's result itself.
#ifndef WM_VKEYTOITEM
#define WM_VKEYTOITEM 0x002E
#define WM_CHARTOITEM 0x002F
#endif
#ifndef WM_QUERYDRAGICON
#define WM_QUERYDRAGICON 0x0037
#endif
#ifndef WM_COMPAREITEM
#define WM_COMPAREITEM 0x0039
#endif

// Window longs of a dialog, at the offsets of its extra bytes.
#define DWLP_MSGRESULT 0
#define DWLP_DLGPROC 8
#define DWLP_USER 16
#define DLGWINDOWEXTRA 30

typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);

#ifdef __cplusplus
extern "C" {
#endif

/// The dialog class's procedure: it runs the dialog's DWLP_DLGPROC first and does the rest itself
/// (WM_CLOSE becomes IDCANCEL, the default button messages, the focus kept across activation).
LRESULT WINAPI DefDlgProcW(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
/// Ends a modal dialog with `result`: its loop returns it once the current message is handled.
BOOL WINAPI EndDialog(HWND dialog, INT_PTR result);
/// Sends a control of a dialog a message.
LRESULT WINAPI SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
/// The next (or previous) control of `control`'s group: the run of siblings from the one with
/// WS_GROUP up to the next one with it, wrapping, skipping hidden and disabled controls.
HWND WINAPI GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);
BOOL WINAPI SetDlgItemTextW(HWND dialog, int id, LPCWSTR text);
UINT WINAPI GetDlgItemTextW(HWND dialog, int id, LPWSTR text, int maxCount);

#ifdef __cplusplus
}
#endif
