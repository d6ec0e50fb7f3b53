// Handles of other processes, shared by the areas that act on a process by its handle.
#pragma once

#include <windows.h>

#include <string>

namespace winapi {

/// The process id behind a handle from OpenProcess, or this process's for GetCurrentProcess();
/// false with ERROR_INVALID_HANDLE for anything else.
bool processIdOfHandle(HANDLE process, DWORD* processId);

/// Whether a process with this id runs (a zombie that has not been reaped still counts).
bool processRuns(DWORD processId);

/// The POSIX path of a process's executable file; false with ERROR_INVALID_PARAMETER when
/// there is no such process, ERROR_ACCESS_DENIED when its link cannot be read.
bool processExecutable(DWORD processId, std::string* path);

}  // namespace winapi
