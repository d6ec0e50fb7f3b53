// What display drivers tell the hot-key table: a grabbed key was pressed.
#pragma once

#include <windows.h>

namespace winapi {

/// A press of a grabbed key (modifiers MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN); repeat marks
/// an auto-repeated press. Posts WM_HOTKEY to whoever registered it; true when someone had.
/// Safe to call from any thread.
bool hotKeyPressed(UINT modifiers, UINT vk, bool repeat);
/// Whether this process holds the combination.
bool hotKeyRegistered(UINT modifiers, UINT vk);
/// A window that goes away gives its hot keys back.
void forgetHotKeysOf(HWND hwnd);

}  // namespace winapi
