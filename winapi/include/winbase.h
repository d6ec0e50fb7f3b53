// Kernel base services: last error, critical sections, sleeping, ticks and system time.
#pragma once

#include <winnt.h>
#include <windef.h>

#include <cstdarg>

#ifdef __cplusplus
extern "C" {
#endif

DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD code);

// System message texts. The layer's table holds short texts of its own for the error and status
// codes its calls report; other codes fail with ERROR_MR_MID_NOT_FOUND. Texts end with "\r\n".
#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_STRING 0x00000400
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FF

DWORD WINAPI FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPWSTR buffer, DWORD size,
                            va_list* arguments);

// Local memory: fixed blocks only (LMEM_FIXED, optionally LMEM_ZEROINIT).
typedef HANDLE HLOCAL;
#define LMEM_FIXED 0x0000
#define LMEM_MOVEABLE 0x0002
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes);
HLOCAL WINAPI LocalFree(HLOCAL memory);

// The working set: (SIZE_T)-1 for both sizes asks to give unused memory back to the system,
// which is done with the heap's free pages; other limits are refused (ERROR_NOT_SUPPORTED).
// Only the current process (GetCurrentProcess()) may be named.
BOOL WINAPI SetProcessWorkingSetSize(HANDLE process, SIZE_T minimum, SIZE_T maximum);

// The CPUs the process may run on and those the system has, one bit each for CPUs 0 to 63 (CPUs
// past those cannot be named). Only the current process (GetCurrentProcess()) may be named.
BOOL WINAPI GetProcessAffinityMask(HANDLE process, DWORD_PTR* processMask, DWORD_PTR* systemMask);

// Replaces each %NAME% of the process environment by its value (names compared ignoring case);
// an unknown name stays as written. Answers the units needed, NUL included.
DWORD WINAPI ExpandEnvironmentStringsW(LPCWSTR source, LPWSTR destination, DWORD size);

// A critical section is recursive: the owning thread may enter it again, and must leave it
// as often as it entered. The opaque block has the size the structure has on 64-bit Windows.
typedef struct _RTL_CRITICAL_SECTION {
  alignas(8) unsigned char Opaque[40];
} RTL_CRITICAL_SECTION, CRITICAL_SECTION, *PCRITICAL_SECTION, *LPCRITICAL_SECTION;

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION cs);
BOOL WINAPI InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION cs, DWORD spinCount);
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION cs);
BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION cs);
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION cs);
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION cs);

#define INFINITE 0xFFFFFFFF

void WINAPI Sleep(DWORD milliseconds);

typedef struct _SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *PSECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

BOOL WINAPI CloseHandle(HANDLE handle);

// Waits. A thread handle is signalled once its thread has ended. Time-outs run on the clock of
// GetTickCount64. A wait that takes a mutex whose owner ended without releasing it answers
// WAIT_ABANDONED_0 and the mutex's index.
#define MAXIMUM_WAIT_OBJECTS 64
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_ABANDONED 0x00000080L
#define WAIT_ABANDONED_0 0x00000080L
#define WAIT_FAILED 0xFFFFFFFF
DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds);
DWORD WINAPI WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);

// Events: a manual-reset event stays signalled until ResetEvent; an auto-reset one lets one wait
// through and resets itself. Unnamed only: a name fails with ERROR_NOT_SUPPORTED.
HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState, LPCWSTR name);
BOOL WINAPI SetEvent(HANDLE event);
BOOL WINAPI ResetEvent(HANDLE event);

// Mutexes: a thread owns one as often as its waits took it, until as many ReleaseMutex calls
// (by that thread only: ERROR_NOT_OWNER) give it back; a thread that ends owning one abandons
// it. A named mutex is one object for every process of the user on the same display, so a
// process that ends owning it abandons it too. A name is case-sensitive, at most MAX_PATH units
// long, and may begin with "Local\"; "Global\" names fail with ERROR_NOT_SUPPORTED, names with
// another "\" with ERROR_PATH_NOT_FOUND, and an empty name makes an unnamed mutex. When the
// name was open already anywhere, CreateMutexW answers that object with ERROR_ALREADY_EXISTS and
// leaves its ownership as it was; else it sets the last error to 0.
HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCWSTR name);
BOOL WINAPI ReleaseMutex(HANDLE mutex);

// Threads run on POSIX threads. A thread can suspend only itself (a parked wait that
// ResumeThread ends) or add to the count of a thread that is already suspended; suspending a
// running thread from outside fails with ERROR_NOT_SUPPORTED. No thread is ever terminated.
typedef DWORD(WINAPI* PTHREAD_START_ROUTINE)(LPVOID parameter);
typedef PTHREAD_START_ROUTINE LPTHREAD_START_ROUTINE;

#define CREATE_SUSPENDED 0x00000004
#define STACK_SIZE_PARAM_IS_A_RESERVATION 0x00010000
#define STILL_ACTIVE 259L

#define THREAD_PRIORITY_IDLE (-15)
#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_TIME_CRITICAL 15
#define THREAD_PRIORITY_ERROR_RETURN 0x7FFFFFFF

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                           LPVOID parameter, DWORD creationFlags, LPDWORD threadId);
DWORD WINAPI ResumeThread(HANDLE thread);
DWORD WINAPI SuspendThread(HANDLE thread);
BOOL WINAPI GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
DWORD WINAPI GetThreadId(HANDLE thread);
// Priorities are nice values relative to the process's: lowering works for everyone,
// raising needs the privilege to do so and otherwise fails with ERROR_PRIVILEGE_NOT_HELD.
BOOL WINAPI SetThreadPriority(HANDLE thread, int priority);
int WINAPI GetThreadPriority(HANDLE thread);

HANDLE WINAPI GetCurrentThread(void);
HANDLE WINAPI GetCurrentProcess(void);
DWORD WINAPI GetCurrentThreadId(void);
DWORD WINAPI GetCurrentProcessId(void);

// Other processes, by id. OpenProcess answers a handle for any running process of this user
// (ERROR_INVALID_PARAMETER when there is no such process; ERROR_ACCESS_DENIED for more than
// the query rights to another user's); the handle is closed with CloseHandle and cannot be
// waited for here.
#define PROCESS_TERMINATE 0x0001
#define PROCESS_VM_READ 0x0010
#define PROCESS_QUERY_INFORMATION 0x0400
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
#define PROCESS_ALL_ACCESS (STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0xFFFF)
HANDLE WINAPI OpenProcess(DWORD access, BOOL inheritHandle, DWORD processId);

typedef struct _FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
} FILETIME, *PFILETIME, *LPFILETIME;

typedef struct _SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
} SYSTEMTIME, *PSYSTEMTIME, *LPSYSTEMTIME;

// Milliseconds since the system started (a monotonic clock); the 32-bit form wraps after 49.7 days.
DWORD WINAPI GetTickCount(void);
ULONGLONG WINAPI GetTickCount64(void);
BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency);

// A time zone as Windows describes it (172 bytes).
typedef struct _TIME_ZONE_INFORMATION {
  LONG Bias;
  WCHAR StandardName[32];
  SYSTEMTIME StandardDate;
  LONG StandardBias;
  WCHAR DaylightName[32];
  SYSTEMTIME DaylightDate;
  LONG DaylightBias;
} TIME_ZONE_INFORMATION, *PTIME_ZONE_INFORMATION, *LPTIME_ZONE_INFORMATION;

// The wall clock in UTC, and in the local time zone.
void WINAPI GetSystemTime(LPSYSTEMTIME time);
void WINAPI GetLocalTime(LPSYSTEMTIME time);
void WINAPI GetSystemTimeAsFileTime(LPFILETIME time);
BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime);
BOOL WINAPI FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime);

// Run-time libraries: LoadLibraryW(u"name.dll") loads libname.so, first beside the program,
// then from the system's library path; modules the layer provides itself ("ntdll.dll" and the
// like) load as built-in modules whose entry points are the layer's own functions.
typedef INT_PTR(WINAPI* FARPROC)(void);
HMODULE WINAPI LoadLibraryW(LPCWSTR fileName);
BOOL WINAPI FreeLibrary(HMODULE module);
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName);
HMODULE WINAPI GetModuleHandleW(LPCWSTR moduleName);
DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);

// Memory pages: committed read and write pages only, released whole.
#define MEM_COMMIT 0x00001000
#define MEM_RESERVE 0x00002000
#define MEM_RELEASE 0x00008000
#define PAGE_READWRITE 0x04
LPVOID WINAPI VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protect);
BOOL WINAPI VirtualFree(LPVOID address, SIZE_T size, DWORD freeType);

// Global memory blocks, as the clipboard and drag and drop hand data over. A fixed block's
// handle is its address; a movable block's handle is locked to reach its bytes, and a movable
// block of size 0 has none (GlobalLock answers null).
typedef HANDLE HGLOBAL;
#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes);
LPVOID WINAPI GlobalLock(HGLOBAL block);
/// TRUE while the block stays locked; FALSE with NO_ERROR once unlocked, or with ERROR_NOT_LOCKED.
BOOL WINAPI GlobalUnlock(HGLOBAL block);
/// The size asked for at allocation; 0 with ERROR_INVALID_HANDLE for a handle that is none.
SIZE_T WINAPI GlobalSize(HGLOBAL block);
/// Null once freed; the handle back with ERROR_INVALID_HANDLE for a handle that is none.
HGLOBAL WINAPI GlobalFree(HGLOBAL block);

#ifdef __cplusplus
}
#endif
