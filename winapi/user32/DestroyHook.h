// What the areas above the window system keep per window and forget when it goes: they add a hook
// the window system calls for each window leaving its table. Offered by user32 to the areas
// above it (shell32 forgets a window's notification-area icons this way).
#pragma once

#include <windows.h>

namespace winapi {

/// Called for each window as it leaves the window table (its children first), under the window
/// system's lock: a hook forgets what it keeps for the window and sends it no message.
using DestroyHook = void (*)(HWND hwnd);
/// Adds a hook for the rest of the process (one added again still runs once). Any thread.
void addDestroyHook(DestroyHook hook);

}  // namespace winapi
