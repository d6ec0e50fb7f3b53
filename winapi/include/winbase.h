// Kernel base services: last error, critical sections, sleeping, ticks and system time.
#pragma once

#include <winnt.h>
#include <windef.h>

#ifdef __cplusplus
extern "C" {
#endif

DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD code);

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

// The wall clock in UTC, and in the local time zone.
void WINAPI GetSystemTime(LPSYSTEMTIME time);
void WINAPI GetLocalTime(LPSYSTEMTIME time);
void WINAPI GetSystemTimeAsFileTime(LPFILETIME time);
BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime);
BOOL WINAPI FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime);

#ifdef __cplusplus
}
#endif
