// Snapshots of the system's processes and of one process's modules.
// A process snapshot lists every process of /proc in ascending id order; a module snapshot
// holds one module, the process's executable file.
#pragma once

#include <windef.h>
#include <winnt.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TH32CS_SNAPHEAPLIST 0x00000001
#define TH32CS_SNAPPROCESS 0x00000002
#define TH32CS_SNAPTHREAD 0x00000004
#define TH32CS_SNAPMODULE 0x00000008
#define TH32CS_SNAPMODULE32 0x00000010

#define MAX_MODULE_NAME32 255

typedef struct tagPROCESSENTRY32W {
  DWORD dwSize;  // set to sizeof(PROCESSENTRY32W) before the first call
  DWORD cntUsage;
  DWORD th32ProcessID;
  ULONG_PTR th32DefaultHeapID;
  DWORD th32ModuleID;
  DWORD cntThreads;
  DWORD th32ParentProcessID;
  LONG pcPriClassBase;
  DWORD dwFlags;
  WCHAR szExeFile[MAX_PATH];  // the executable's file name, without its folder
} PROCESSENTRY32W, *PPROCESSENTRY32W, *LPPROCESSENTRY32W;

typedef struct tagMODULEENTRY32W {
  DWORD dwSize;  // set to sizeof(MODULEENTRY32W) before the first call
  DWORD th32ModuleID;
  DWORD th32ProcessID;
  DWORD GlblcntUsage;
  DWORD ProccntUsage;
  BYTE* modBaseAddr;
  DWORD modBaseSize;
  HMODULE hModule;
  WCHAR szModule[MAX_MODULE_NAME32 + 1];
  WCHAR szExePath[MAX_PATH];  // the full path, in the Z:\ form
} MODULEENTRY32W, *PMODULEENTRY32W, *LPMODULEENTRY32W;

// TH32CS_SNAPPROCESS, or TH32CS_SNAPMODULE of one process (0: this one). A module snapshot of
// a process that does not exist fails with ERROR_INVALID_PARAMETER, of one whose executable
// cannot be read with ERROR_ACCESS_DENIED. Failure answers INVALID_HANDLE_VALUE; the handle
// is closed with CloseHandle.
HANDLE WINAPI CreateToolhelp32Snapshot(DWORD flags, DWORD processId);
// ERROR_NO_MORE_FILES after the last entry; ERROR_BAD_LENGTH when dwSize is too small.
BOOL WINAPI Process32FirstW(HANDLE snapshot, LPPROCESSENTRY32W entry);
BOOL WINAPI Process32NextW(HANDLE snapshot, LPPROCESSENTRY32W entry);
// A path that does not fit MAX_PATH units fails with ERROR_INSUFFICIENT_BUFFER: a cut path
// would name another file.
BOOL WINAPI Module32FirstW(HANDLE snapshot, LPMODULEENTRY32W entry);
BOOL WINAPI Module32NextW(HANDLE snapshot, LPMODULEENTRY32W entry);

#ifdef __cplusplus
}
#endif
