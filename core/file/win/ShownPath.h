// Paths in the form a person reads them.
#pragma once

#include "core/str/strbuffer/StrBuffer.h"

#include <windows.h>

namespace s::file::win {

/// Appends `path` to `out` as the person at this system knows it ("/home/ann/Music" for the
/// program's "Z:\home\ann\Music"), for every text that shows a path; the path kept in settings
/// or handed to file calls stays in the program's form. A null path appends nothing. Returns
/// `out`. Any thread may call it.
str::strbuffer::StrBuffer* appendShownPath(str::strbuffer::StrBuffer* out, const WCHAR* path);

}  // namespace s::file::win
