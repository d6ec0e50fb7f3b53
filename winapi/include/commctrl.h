// The common controls library: its initialisation. The control classes themselves register with
// the window system as system classes, so initialising only checks the request.
#pragma once

#include <winnt.h>
#include <windef.h>

typedef struct tagINITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;

#define ICC_LISTVIEW_CLASSES 0x00000001
#define ICC_TREEVIEW_CLASSES 0x00000002
#define ICC_BAR_CLASSES 0x00000004
#define ICC_TAB_CLASSES 0x00000008
#define ICC_UPDOWN_CLASS 0x00000010
#define ICC_PROGRESS_CLASS 0x00000020
#define ICC_HOTKEY_CLASS 0x00000040
#define ICC_ANIMATE_CLASS 0x00000080
#define ICC_WIN95_CLASSES 0x000000FF
#define ICC_DATE_CLASSES 0x00000100
#define ICC_USEREX_CLASSES 0x00000200
#define ICC_COOL_CLASSES 0x00000400
#define ICC_INTERNET_CLASSES 0x00000800
#define ICC_PAGESCROLLER_CLASS 0x00001000
#define ICC_NATIVEFNTCTL_CLASS 0x00002000
#define ICC_STANDARD_CLASSES 0x00004000
#define ICC_LINK_CLASS 0x00008000

#ifdef __cplusplus
extern "C" {
#endif

/// TRUE for a structure of sizeof(INITCOMMONCONTROLSEX) naming only known classes; otherwise
/// FALSE with ERROR_INVALID_PARAMETER.
BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* init);
void WINAPI InitCommonControls(void);

#ifdef __cplusplus
}
#endif
