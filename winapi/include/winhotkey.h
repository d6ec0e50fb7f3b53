// Global atoms and system-wide hot keys.
#pragma once

#include <winnt.h>
#include <windef.h>

// Hot key modifiers of RegisterHotKey and of WM_HOTKEY's low word of lparam.
#define MOD_ALT 0x0001
#define MOD_CONTROL 0x0002
#define MOD_SHIFT 0x0004
#define MOD_WIN 0x0008
#define MOD_NOREPEAT 0x4000

// The wparam of WM_HOTKEY for the system's own snapshot keys.
#define IDHOT_SNAPDESKTOP (-2)
#define IDHOT_SNAPWINDOW (-1)

#define ERROR_HOTKEY_ALREADY_REGISTERED 1409L
#define ERROR_HOTKEY_NOT_REGISTERED 1419L

// Integer atoms are below MAXINTATOM; string atoms take 0xC000 to 0xFFFF.
#define MAXINTATOM 0xC000
#define MAKEINTATOM(i) ((LPWSTR)((ULONG_PTR)((WORD)(i))))

#ifdef __cplusplus
extern "C" {
#endif

// The process's atom table: string atoms are counted references to a name compared ignoring
// case (at most 255 units); "#123" and MAKEINTATOM(123) name the integer atom 123, which needs
// no table entry. GlobalDeleteAtom answers 0 once it dropped a reference, else the atom.
ATOM WINAPI GlobalAddAtomW(LPCWSTR name);
ATOM WINAPI GlobalFindAtomW(LPCWSTR name);
ATOM WINAPI GlobalDeleteAtom(ATOM atom);
UINT WINAPI GlobalGetAtomNameW(ATOM atom, LPWSTR buffer, int size);

// A hot key is a key with its modifiers, grabbed for the whole display: its presses become
// WM_HOTKEY (wparam id, lparam MAKELPARAM(modifiers, vk)) posted to hwnd, or to the calling
// thread when hwnd is null, wherever the focus is. A combination that any program already holds
// fails with ERROR_HOTKEY_ALREADY_REGISTERED. hwnd must belong to the calling thread.
BOOL WINAPI RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT vk);
BOOL WINAPI UnregisterHotKey(HWND hwnd, int id);

#ifdef __cplusplus
}
#endif
