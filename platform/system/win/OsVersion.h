// The operating-system version, queried once per process and read everywhere after.
#pragma once

#include "core/thread/ObjLocker.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace s::system::win {

/// The version values: zero or false until `queryWindowsVersion` has run, then fixed for the life
/// of the process. Users call `queryWindowsVersion` when `osQueried` is false and then read the
/// values directly, from any thread and without a lock: `osQueried` is published last, so a
/// thread that sees it set sees every value.
extern int32_t osMajor;
extern int32_t osMinor;
extern int32_t osBuild;
/// The platform is the NT platform (platform id 2).
extern bool osIsNt;
/// 6.0 or later.
extern bool osAtLeast60;
/// 6.1 or later.
extern bool osAbove60;
/// 10.0 or later.
extern bool osAtLeast10;
/// The service-pack text of the version record, NUL-terminated ("" when there is none).
constexpr uint32_t kServicePackUnits = 256;
extern WCHAR osServicePack[kServicePackUnits];
extern std::atomic<bool> osQueried;

/// The lock under which the query runs, built on first use and kept for the life of the process.
thread::ObjLocker& versionLock();

/// Fills `record` (its size field is set here, 276 bytes) through RtlGetVersion, looked up in the
/// loaded "ntdll.dll"; when the module or the entry point is missing or the call fails, the record
/// is all zero.
void getRtlVersion(OSVERSIONINFOW* record);

/// Fills the values above once, whichever thread asks first; later calls do nothing. Falls back to
/// GetVersionExW when RtlGetVersion answers no version.
void queryWindowsVersion();

/// The three threshold flags for a version, as the query sets them.
struct VersionFlags {
  bool atLeast60;
  bool above60;
  bool atLeast10;
};
VersionFlags versionFlagsOf(int32_t major, int32_t minor);

}  // namespace s::system::win
