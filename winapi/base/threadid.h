// The id of the calling thread as the layer knows it everywhere: GetCurrentThreadId, the
// window system's queues and the debug channels' lines all name a thread by it.
#pragma once

#include <windows.h>

namespace winapi {

/// The system's id of the calling thread (its task id), read once per thread.
DWORD currentThreadId();

}  // namespace winapi
