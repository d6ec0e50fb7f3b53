// The operating-system version query.
#include "platform/system/win/OsVersion.h"

#include <winternl.h>

#include <cstring>
#include <mutex>

namespace s::system::win {

int32_t osMajor = 0;
int32_t osMinor = 0;
int32_t osBuild = 0;
bool osIsNt = false;
bool osAtLeast60 = false;
bool osAbove60 = false;
bool osAtLeast10 = false;
WCHAR osServicePack[kServicePackUnits] = {};
std::atomic<bool> osQueried{false};

thread::ObjLocker& versionLock() {
  static thread::ObjLocker* const s_lock = new thread::ObjLocker();
  return *s_lock;
}

void getRtlVersion(OSVERSIONINFOW* record) {
  std::memset(record, 0, sizeof(*record));
  record->dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
  using RtlGetVersionFunction = NTSTATUS(NTAPI*)(PRTL_OSVERSIONINFOW);
  HMODULE ntdll = GetModuleHandleW(u"ntdll.dll");
  auto rtlGetVersion = ntdll == nullptr
                           ? nullptr
                           : reinterpret_cast<RtlGetVersionFunction>(
                                 reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
  if (rtlGetVersion == nullptr || rtlGetVersion(record) != STATUS_SUCCESS) {
    std::memset(record, 0, sizeof(*record));
  }
}

VersionFlags versionFlagsOf(int32_t major, int32_t minor) {
  return {major > 6 || (major == 6 && minor >= 0), major > 6 || (major == 6 && minor >= 1),
          major >= 10};
}

void queryWindowsVersion() {
  std::lock_guard<thread::ObjLocker> guard(versionLock());
  if (osQueried.load(std::memory_order_relaxed)) {
    return;
  }
  OSVERSIONINFOW record;
  getRtlVersion(&record);
  if (record.dwMajorVersion == 0 && record.dwMinorVersion == 0 && record.dwBuildNumber == 0) {
    std::memset(&record, 0, sizeof(record));
    record.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    if (!GetVersionExW(&record)) {
      std::memset(&record, 0, sizeof(record));
    }
  }
  osMajor = static_cast<int32_t>(record.dwMajorVersion);
  osMinor = static_cast<int32_t>(record.dwMinorVersion);
  osBuild = static_cast<int32_t>(record.dwBuildNumber);
  osIsNt = record.dwPlatformId == VER_PLATFORM_WIN32_NT;
  const VersionFlags flags = versionFlagsOf(osMajor, osMinor);
  osAtLeast60 = flags.atLeast60;
  osAbove60 = flags.above60;
  osAtLeast10 = flags.atLeast10;
  // The record's text may lack its terminator; the copy stops at the record's end and always
  // ends with one.
  constexpr size_t kRecordUnits = sizeof(record.szCSDVersion) / sizeof(WCHAR);
  size_t units = 0;
  while (units < kRecordUnits - 1 && record.szCSDVersion[units] != 0) {
    ++units;
  }
  if (units != 0) {
    std::memcpy(osServicePack, record.szCSDVersion, units * sizeof(WCHAR));
    osServicePack[units] = 0;
  }
  osQueried.store(true, std::memory_order_release);
}

}  // namespace s::system::win
