// National-language services: code pages and the conversions between them and UTF-16.
#pragma once

#include <winnt.h>

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_MACCP 2
#define CP_THREAD_ACP 3
#define CP_SYMBOL 42
#define CP_UTF7 65000
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_COMPOSITE 0x00000002
#define MB_USEGLYPHCHARS 0x00000004
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_COMPOSITECHECK 0x00000200
#define WC_DISCARDNS 0x00000010
#define WC_SEPCHARS 0x00000020
#define WC_DEFAULTCHAR 0x00000040
#define WC_ERR_INVALID_CHARS 0x00000080
#define WC_NO_BEST_FIT_CHARS 0x00000400

// Flags of EnumSystemCodePagesW: both report the code pages the layer can convert.
#define CP_INSTALLED 0x00000001
#define CP_SUPPORTED 0x00000002

#ifdef __cplusplus
extern "C" {
#endif

typedef BOOL(CALLBACK* CODEPAGE_ENUMPROCW)(LPWSTR codePageNumberText);

// The user's interface language, from the locale of the environment (LC_ALL, LC_MESSAGES, LANG);
// English (United States) when none is set or it is "C" or "POSIX".
LANGID WINAPI GetUserDefaultUILanguage(void);

UINT WINAPI GetACP(void);
UINT WINAPI GetOEMCP(void);
BOOL WINAPI IsValidCodePage(UINT codePage);
BOOL WINAPI EnumSystemCodePagesW(CODEPAGE_ENUMPROCW callback, DWORD flags);

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceBytes, LPWSTR destination,
                               int destinationUnits);
int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceUnits, LPSTR destination,
                               int destinationBytes, LPCSTR defaultChar, LPBOOL usedDefaultChar);

#ifdef __cplusplus
}
#endif
