// Shell information about files (type names and shell attributes) and notification-area icons.
#pragma once

#include <windows.h>
#include <guiddef.h>

// Icons belong to the window system; only the handle type is needed here.
struct HICON__;
typedef struct HICON__* HICON;

typedef struct _SHFILEINFOW {
  HICON hIcon;
  int iIcon;
  DWORD dwAttributes;
  WCHAR szDisplayName[MAX_PATH];
  WCHAR szTypeName[80];
} SHFILEINFOW;

#define SHGFI_ICON 0x000000100
#define SHGFI_DISPLAYNAME 0x000000200
#define SHGFI_TYPENAME 0x000000400
#define SHGFI_ATTRIBUTES 0x000000800
#define SHGFI_ICONLOCATION 0x000001000
#define SHGFI_EXETYPE 0x000002000
#define SHGFI_SYSICONINDEX 0x000004000
#define SHGFI_LINKOVERLAY 0x000008000
#define SHGFI_SELECTED 0x000010000
#define SHGFI_ATTR_SPECIFIED 0x000020000
#define SHGFI_LARGEICON 0x000000000
#define SHGFI_SMALLICON 0x000000001
#define SHGFI_OPENICON 0x000000002
#define SHGFI_SHELLICONSIZE 0x000000004
#define SHGFI_PIDL 0x000000008
#define SHGFI_USEFILEATTRIBUTES 0x000000010

// Shell attributes reported with SHGFI_ATTRIBUTES.
#define SFGAO_CANCOPY 0x00000001L
#define SFGAO_CANMOVE 0x00000002L
#define SFGAO_CANLINK 0x00000004L
#define SFGAO_CANRENAME 0x00000010L
#define SFGAO_CANDELETE 0x00000020L
#define SFGAO_LINK 0x00010000L
#define SFGAO_READONLY 0x00040000L
#define SFGAO_HIDDEN 0x00080000L
#define SFGAO_STREAM 0x00400000L
#define SFGAO_FILESYSANCESTOR 0x10000000L
#define SFGAO_FOLDER 0x20000000L
#define SFGAO_FILESYSTEM 0x40000000L

// Notification-area icons.
#define NIM_ADD 0x00000000
#define NIM_MODIFY 0x00000001
#define NIM_DELETE 0x00000002
#define NIM_SETFOCUS 0x00000003
#define NIM_SETVERSION 0x00000004
#define NIF_MESSAGE 0x00000001
#define NIF_ICON 0x00000002
#define NIF_TIP 0x00000004
#define NIF_STATE 0x00000008
#define NIF_INFO 0x00000010
#define NIF_GUID 0x00000020
#define NIF_SHOWTIP 0x00000080

typedef struct _NOTIFYICONDATAW {
  DWORD cbSize;
  HWND hWnd;
  UINT uID;
  UINT uFlags;
  UINT uCallbackMessage;
  HICON hIcon;
  WCHAR szTip[128];
  DWORD dwState;
  DWORD dwStateMask;
  WCHAR szInfo[256];
  union {
    UINT uTimeout;
    UINT uVersion;
  };
  WCHAR szInfoTitle[64];
  DWORD dwInfoFlags;
  GUID guidItem;
  HICON hBalloonIcon;
} NOTIFYICONDATAW, *PNOTIFYICONDATAW;

#ifdef __cplusplus
extern "C" {
#endif

// An icon in the notification area, known by its window and id. NIM_ADD fails when no
// notification area runs (and for an icon that is already there); NIM_MODIFY and NIM_DELETE fail
// for an unknown icon. Mouse input over the icon is posted to the window as its callback message
// (wparam = id, lparam = WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MOUSEMOVE, ...). Balloons, states,
// focus and versions are refused with FALSE. An icon goes away with its window.
BOOL WINAPI Shell_NotifyIconW(DWORD message, PNOTIFYICONDATAW data);

// Type names are the shell's own texts ("File folder", "MP3 File", "Application"). There is no
// system image list: with SHGFI_SYSICONINDEX the index is 0 and the answer names no list.
// Icons themselves (SHGFI_ICON, SHGFI_ICONLOCATION), executable types and item id lists are
// refused with 0.
DWORD_PTR WINAPI SHGetFileInfoW(LPCWSTR path, DWORD fileAttributes, SHFILEINFOW* info, UINT infoSize, UINT flags);

#ifdef __cplusplus
}
#endif
