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
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_NO_BEST_FIT_CHARS 0x00000400
#define WC_ERR_INVALID_CHARS 0x00000080

#ifdef __cplusplus
extern "C" {
#endif

UINT WINAPI GetACP(void);
UINT WINAPI GetOEMCP(void);
BOOL WINAPI IsValidCodePage(UINT codePage);

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceBytes,
                               LPWSTR destination, int destinationUnits);
int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceUnits,
                               LPSTR destination, int destinationBytes, LPCSTR defaultChar,
                               LPBOOL usedDefaultChar);

#ifdef __cplusplus
}
#endif
