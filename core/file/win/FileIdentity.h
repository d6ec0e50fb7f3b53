// Whether two paths name one file: by the file's identity, not by the text of its names.
#pragma once

#include <winnt.h>

namespace s::file::win {

/// True when both paths open (links followed) and lead to the same file: the same volume serial
/// number and file index. Two names of one file (a symbolic link, a hard link, "a\..\b", another
/// spelling of a path) are one file; a path that does not exist is no other file. A writer must
/// ask this before it creates its output, since creating empties the file it names. Any thread.
bool isSameFile(const WCHAR* first, const WCHAR* second);

}  // namespace s::file::win
