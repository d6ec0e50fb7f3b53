// Message boxes: MessageBoxW, its type flags and answers, and the test seam that stands in for it.
#pragma once

#include <winnt.h>
#include <windef.h>

// Buttons.
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_CANCELTRYCONTINUE 0x00000006L
#define MB_TYPEMASK 0x0000000FL
// Icons.
#define MB_ICONHAND 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONASTERISK 0x00000040L
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_ICONMASK 0x000000F0L
// The button that has the focus first.
#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_DEFBUTTON3 0x00000200L
#define MB_DEFMASK 0x00000F00L
// Modality.
#define MB_APPLMODAL 0x00000000L
#define MB_SYSTEMMODAL 0x00001000L
#define MB_TASKMODAL 0x00002000L
#define MB_MODEMASK 0x00003000L
// Placement.
#define MB_SETFOREGROUND 0x00010000L
#define MB_TOPMOST 0x00040000L

// Answers: the button that closed the box.
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7
#define IDTRYAGAIN 10
#define IDCONTINUE 11

// The last error of a box whose type names no button set.
#define ERROR_INVALID_MSGBOX_STYLE 1158L

#ifdef __cplusplus
extern "C" {
#endif

/// Shows `text` under `caption` ("Error" when null) and answers the button that closed the box.
int WINAPI MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

#ifdef __cplusplus
}

namespace winapi::seam {

// Message boxes: a replacement can record what was shown and answer any button, so a test reads
// a message without anyone closing a box.
using MessageBoxFunction = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT);
MessageBoxFunction replaceMessageBoxW(MessageBoxFunction replacement);

}  // namespace winapi::seam
#endif
