// Shortcut files (".lnk" and ".url") and the user's desktop folder.
#pragma once

#include "core/str/strbuffer/StrBuffer.h"

#include <windows.h>

#include <cstdint>

namespace s::file::win {

// The shortcut functions work through the shell's COM objects, starting COM on the calling
// thread when it has not been (it is never stopped here). Any thread may call them.

/// Writes a shortcut at `shortcut` to the existing `target`, its working folder the target's
/// folder; `arguments` may be null. A target that is itself a shortcut file is copied there
/// instead. True when the file was written.
bool createShortcut(const WCHAR* target, const WCHAR* shortcut, const WCHAR* arguments);
/// A new text with the target of the shortcut file, in its long form; empty when the file is
/// no shortcut or names nothing. The caller releases it.
str::strbuffer::StrBuffer* resolveShortcut(const WCHAR* shortcut);
/// Writes an Internet shortcut file at `path` for `url`.
bool createInternetShortcut(const WCHAR* url, const WCHAR* path);
/// A new text with the address an Internet shortcut file holds (empty on failure); the caller
/// releases it.
str::strbuffer::StrBuffer* resolveInternetShortcut(const WCHAR* path);
/// The long form of an existing path (each component as the file system spells it) into `out`
/// (may be null); its length in units, 0 when the path or its long form does not exist.
uint32_t expandLongPathName(const WCHAR* shortPath, str::strbuffer::StrBuffer* out);

/// A new text with the desktop folder's path (empty when it cannot be found); the caller
/// releases it.
str::strbuffer::StrBuffer* getDesktopPath();
/// The process's one text holding the desktop folder's path, filled on first use; not to be
/// released. Filling it twice from two threads gives the same text.
str::strbuffer::StrBuffer* getDesktopPathCached();

}  // namespace s::file::win
