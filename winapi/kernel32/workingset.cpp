// SetProcessWorkingSetSize: the one request a Linux process can honour, giving unused memory
// back to the system.
// Left out: minimum and maximum working-set limits (Linux keeps no such limits per process).
#include <windows.h>

#include <malloc.h>

#include <cstdint>

extern "C" BOOL WINAPI SetProcessWorkingSetSize(HANDLE process, SIZE_T minimum, SIZE_T maximum) {
  if (process != GetCurrentProcess()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (minimum != SIZE_MAX || maximum != SIZE_MAX) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  // The heap's free pages go back to the system; what is in use stays where it is.
  malloc_trim(0);
  return TRUE;
}
