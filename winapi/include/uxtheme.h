// Visual styles. The layer draws its controls in the classic look and has no theme engine, so no
// theme is ever active: a theme handle is never handed out.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef HANDLE HTHEME;

// The answer of a theme call given no theme data.
#ifndef E_HANDLE
#define E_HANDLE ((HRESULT)0x80070006L)
#endif

// The theme system fonts.
#define TMT_CAPTIONFONT 801
#define TMT_SMALLCAPTIONFONT 802
#define TMT_MENUFONT 803
#define TMT_STATUSFONT 804
#define TMT_MSGBOXFONT 805
#define TMT_ICONTITLEFONT 806

/// The theme data of a window class list; always null (no theme is active), with the last error
/// set to ERROR_NOT_SUPPORTED.
HTHEME WINAPI OpenThemeData(HWND hwnd, LPCWSTR classList);
/// Gives theme data back; S_OK (with none handed out there is nothing to free).
HRESULT WINAPI CloseThemeData(HTHEME theme);
/// A theme's system font; E_HANDLE, as there is no theme to read it from (`font` is untouched).
HRESULT WINAPI GetThemeSysFont(HTHEME theme, int fontId, LOGFONTW* font);

#ifdef __cplusplus
}
#endif
