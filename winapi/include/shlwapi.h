// Shell light-weight utilities the program uses.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/// A size as the shell shows it: "532 bytes" below 1024, else three significant digits cut
/// (not rounded) in KB, MB, GB, TB, PB or EB: "1.50 MB", "15.2 KB", "152 KB". Cut to fit
/// `size` units; null when there is no room at all.
PWSTR WINAPI StrFormatByteSizeW(LONGLONG bytes, PWSTR buffer, UINT size);

#ifdef __cplusplus
}
#endif
