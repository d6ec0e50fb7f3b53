// A per-thread hook through which the framework attaches its window objects to windows as
// they are made, before any message reaches them. Internal to the layer.
#pragma once

#include <windows.h>

namespace winapi {

/// Called with the handle of each window the calling thread creates, before its first message.
using CreationHook = void (*)(HWND hwnd, void* context);
/// Sets (or with null clears) the calling thread's hook.
void setCreationHook(CreationHook hook, void* context);

}  // namespace winapi
