// Shortcut files (".lnk" and ".url") and the user's desktop folder.
#pragma once

#include "core/str/strbuffer/StrBuffer.h"

#include <windows.h>

#include <cstdint>

namespace s::file::win {

/// A new text with the desktop folder's path (empty when it cannot be found); the caller
/// releases it.
str::strbuffer::StrBuffer* getDesktopPath();
/// The process's one text holding the desktop folder's path, filled on first use; not to be
/// released. Filling it twice from two threads gives the same text.
str::strbuffer::StrBuffer* getDesktopPathCached();

}  // namespace s::file::win
