// Shell light-weight utilities the program uses, and the shown form of a path.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/// A size as the shell shows it: "532 bytes" below 1024, else three significant digits cut
/// (not rounded) in KB, MB, GB, TB, PB or EB: "1.50 MB", "15.2 KB", "152 KB". Cut to fit
/// `size` units; null when there is no room at all.
PWSTR WINAPI StrFormatByteSizeW(LONGLONG bytes, PWSTR buffer, UINT size);

/// The layer's own call, which Windows does not need: a path as the person at this system knows
/// it, for every text that shows one. A path on drive Z: comes in its POSIX form
/// ("Z:\home\ann\Music" is "/home/ann/Music"), a relative one with "/" between its names, and a
/// byte of a name that is not UTF-8 as U+FFFD; a path on another drive or a UNC path as it is.
/// The path itself is neither resolved nor checked (an empty one is an empty text). Returns the
/// units written without the NUL; when `size` units cannot hold the text and its NUL, the units
/// needed with the NUL and nothing is written, as GetFullPathNameW answers. A null path is 0
/// with ERROR_INVALID_PARAMETER.
DWORD WINAPI PathDisplayFormW(LPCWSTR path, LPWSTR buffer, DWORD size);

#ifdef __cplusplus
}
#endif
