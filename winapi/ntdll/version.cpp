// The operating-system version: Windows NT 6.1, build 7601, Service Pack 1, a workstation.
// Status: RtlGetVersion, and the record filling that GetVersionExW shares.
#include "winapi/ntdll/version.h"

#include <windows.h>
#include <winternl.h>

#include <cstring>

namespace winapi {

bool fillVersionRecord(OSVERSIONINFOW* info) {
  if (info == nullptr) return false;
  DWORD size = info->dwOSVersionInfoSize;
  if (size != sizeof(OSVERSIONINFOW) && size != sizeof(OSVERSIONINFOEXW)) return false;
  std::memset(reinterpret_cast<BYTE*>(info) + sizeof(DWORD), 0, size - sizeof(DWORD));
  // 6.1 is what the program was built against: 6.0 or later skips the per-language resource
  // enumeration, and 6.1 or later enables the hot-key flags it uses.
  info->dwMajorVersion = 6;
  info->dwMinorVersion = 1;
  info->dwBuildNumber = 7601;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  static const char16_t kServicePack[] = u"Service Pack 1";
  std::memcpy(info->szCSDVersion, kServicePack, sizeof(kServicePack));
  if (size == sizeof(OSVERSIONINFOEXW)) {
    auto* extended = reinterpret_cast<OSVERSIONINFOEXW*>(info);
    extended->wServicePackMajor = 1;
    extended->wServicePackMinor = 0;
    extended->wSuiteMask = VER_SUITE_SINGLEUSERTS;
    extended->wProductType = VER_NT_WORKSTATION;
  }
  return true;
}

}  // namespace winapi

extern "C" NTSTATUS NTAPI RtlGetVersion(PRTL_OSVERSIONINFOW info) {
  return winapi::fillVersionRecord(info) ? STATUS_SUCCESS : STATUS_INVALID_PARAMETER;
}
