// Tick counts from the layer's clock; system time and FILETIME conversions from the wall clock.
// FILETIME counts 100-nanosecond intervals since 1601-01-01 00:00 UTC.
// The wall clock has a test seam; GetSystemTime and GetLocalTime read it too.
#include <windows.h>
#include <winseam.h>

#include "winapi/base/filetime.h"
#include "winapi/kernel32/clock.h"

#include <time.h>

#include <atomic>

namespace {

constexpr ULONGLONG kEpochDifference = winapi::filetime::kUnixEpoch;
constexpr ULONGLONG kTicksPerSecond = winapi::filetime::kTicksPerSecond;

ULONGLONG fileTimeNow() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return kEpochDifference + static_cast<ULONGLONG>(ts.tv_sec) * kTicksPerSecond +
         static_cast<ULONGLONG>(ts.tv_nsec) / 100ULL;
}

void toFileTime(ULONGLONG value, LPFILETIME ft) {
  ft->dwLowDateTime = static_cast<DWORD>(value);
  ft->dwHighDateTime = static_cast<DWORD>(value >> 32);
}

void fillSystemTime(const struct tm& t, WORD millis, LPSYSTEMTIME st) {
  st->wYear = static_cast<WORD>(t.tm_year + 1900);
  st->wMonth = static_cast<WORD>(t.tm_mon + 1);
  st->wDayOfWeek = static_cast<WORD>(t.tm_wday);
  st->wDay = static_cast<WORD>(t.tm_mday);
  st->wHour = static_cast<WORD>(t.tm_hour);
  st->wMinute = static_cast<WORD>(t.tm_min);
  st->wSecond = static_cast<WORD>(t.tm_sec);
  st->wMilliseconds = millis;
}

}  // namespace

extern "C" DWORD WINAPI GetTickCount(void) { return static_cast<DWORD>(winapi::clock::now()); }

extern "C" ULONGLONG WINAPI GetTickCount64(void) { return winapi::clock::now(); }

extern "C" BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count) {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  count->QuadPart = static_cast<LONGLONG>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
  return TRUE;
}

extern "C" BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
  frequency->QuadPart = 1000000000LL;
  return TRUE;
}

namespace {
void WINAPI realGetSystemTimeAsFileTime(LPFILETIME time) { toFileTime(fileTimeNow(), time); }
std::atomic<winapi::seam::SystemTimeFunction> s_systemTime{&realGetSystemTimeAsFileTime};

// The wall clock as seconds since 1970 and milliseconds.
void nowUnix(time_t* seconds, WORD* millis) {
  FILETIME ft;
  s_systemTime.load()(&ft);
  ULONGLONG value = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  LONGLONG sinceUnix = static_cast<LONGLONG>(value - kEpochDifference);
  *seconds = static_cast<time_t>(sinceUnix / static_cast<LONGLONG>(kTicksPerSecond));
  *millis = static_cast<WORD>(sinceUnix % static_cast<LONGLONG>(kTicksPerSecond) / 10000);
}
}  // namespace

namespace winapi::seam {
SystemTimeFunction replaceGetSystemTimeAsFileTime(SystemTimeFunction replacement) {
  return s_systemTime.exchange(replacement != nullptr ? replacement : &realGetSystemTimeAsFileTime);
}
}  // namespace winapi::seam

extern "C" void WINAPI GetSystemTimeAsFileTime(LPFILETIME time) { s_systemTime.load()(time); }

extern "C" void WINAPI GetSystemTime(LPSYSTEMTIME time) {
  time_t seconds;
  WORD millis;
  nowUnix(&seconds, &millis);
  struct tm t {};
  gmtime_r(&seconds, &t);
  fillSystemTime(t, millis, time);
}

extern "C" void WINAPI GetLocalTime(LPSYSTEMTIME time) {
  time_t seconds;
  WORD millis;
  nowUnix(&seconds, &millis);
  struct tm t {};
  localtime_r(&seconds, &t);
  fillSystemTime(t, millis, time);
}

extern "C" BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* st, LPFILETIME ft) {
  if (st == nullptr || ft == nullptr || st->wMonth < 1 || st->wMonth > 12 || st->wDay < 1 || st->wDay > 31 ||
      st->wHour > 23 || st->wMinute > 59 || st->wSecond > 59 || st->wMilliseconds > 999 || st->wYear < 1601 ||
      st->wYear > 30827) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  struct tm t {};
  t.tm_year = st->wYear - 1900;
  t.tm_mon = st->wMonth - 1;
  t.tm_mday = st->wDay;
  t.tm_hour = st->wHour;
  t.tm_min = st->wMinute;
  t.tm_sec = st->wSecond;
  time_t seconds = timegm(&t);
  // timegm normalises an impossible date (30 February); Windows refuses it.
  if (t.tm_mday != st->wDay || t.tm_mon != st->wMonth - 1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  LONGLONG ticks = static_cast<LONGLONG>(seconds) * static_cast<LONGLONG>(kTicksPerSecond) +
                   static_cast<LONGLONG>(st->wMilliseconds) * 10000LL + static_cast<LONGLONG>(kEpochDifference);
  toFileTime(static_cast<ULONGLONG>(ticks), ft);
  return TRUE;
}

extern "C" BOOL WINAPI FileTimeToSystemTime(const FILETIME* ft, LPSYSTEMTIME st) {
  if (ft == nullptr || st == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ULONGLONG value = (static_cast<ULONGLONG>(ft->dwHighDateTime) << 32) | ft->dwLowDateTime;
  if (value >= 0x8000000000000000ULL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  LONGLONG sinceUnix = static_cast<LONGLONG>(value) - static_cast<LONGLONG>(kEpochDifference);
  LONGLONG seconds = sinceUnix / static_cast<LONGLONG>(kTicksPerSecond);
  LONGLONG rest = sinceUnix % static_cast<LONGLONG>(kTicksPerSecond);
  if (rest < 0) {
    rest += static_cast<LONGLONG>(kTicksPerSecond);
    --seconds;
  }
  time_t secs = static_cast<time_t>(seconds);
  struct tm t {};
  gmtime_r(&secs, &t);
  fillSystemTime(t, static_cast<WORD>(rest / 10000), st);
  return TRUE;
}
