// The version the layer reports, shared by RtlGetVersion and GetVersionExW.
#pragma once

#include <winversion.h>

namespace winapi {

/// Fills a version record whose size field names OSVERSIONINFOW or OSVERSIONINFOEXW; answers false
/// for any other size, leaving the record untouched.
bool fillVersionRecord(OSVERSIONINFOW* info);

}  // namespace winapi
