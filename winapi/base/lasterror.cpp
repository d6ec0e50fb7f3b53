// The per-thread last error code.
#include <windows.h>

static thread_local DWORD t_lastError = ERROR_SUCCESS;

extern "C" DWORD WINAPI GetLastError(void) { return t_lastError; }

extern "C" void WINAPI SetLastError(DWORD code) { t_lastError = code; }
