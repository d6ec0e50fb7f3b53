// Shell information about files: type names and shell attributes.
#pragma once

#include <windows.h>

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

#ifdef __cplusplus
extern "C" {
#endif

// Type names are the shell's own texts ("File folder", "MP3 File", "Application"). There is no
// system image list: with SHGFI_SYSICONINDEX the index is 0 and the answer names no list.
// Icons themselves (SHGFI_ICON, SHGFI_ICONLOCATION), executable types and item id lists are
// refused with 0.
DWORD_PTR WINAPI SHGetFileInfoW(LPCWSTR path, DWORD fileAttributes, SHFILEINFOW* info, UINT infoSize, UINT flags);

#ifdef __cplusplus
}
#endif
