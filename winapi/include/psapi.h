// Process status queries.
#pragma once

#include <windef.h>
#include <winnt.h>

#ifdef __cplusplus
extern "C" {
#endif

// The image file of a process (opened with PROCESS_QUERY_INFORMATION or
// PROCESS_QUERY_LIMITED_INFORMATION) in the Z:\ form: the layer has no volume device names.
// Answers the units written without the terminator; 0 with the error otherwise, and
// ERROR_INSUFFICIENT_BUFFER when the path does not fit.
DWORD WINAPI GetProcessImageFileNameW(HANDLE process, LPWSTR fileName, DWORD size);

#ifdef __cplusplus
}
#endif
