// Internal to kernel32: the file copy under CopyFileW and the copying road of MoveFileExW.
#pragma once

#include <string>

namespace winapi::files {

/// Copies the file `from` (a link followed) to `to` with its mode and times; a failure sets the
/// last error and leaves no target. `targetName` is the Windows name given to the step seam.
bool copyFile(const std::string& from, const std::string& to, bool failIfExists, const char16_t* targetName);

}  // namespace winapi::files
