// The Win32 version query. Status: GetVersionExW (both record sizes). The layer always reports
// its true version; there is no compatibility mode to lie to old programs.
#include <windows.h>

#include "winapi/ntdll/version.h"

extern "C" BOOL WINAPI GetVersionExW(LPOSVERSIONINFOW info) {
  if (!winapi::fillVersionRecord(info)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  return TRUE;
}
