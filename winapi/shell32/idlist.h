// Internal to shell32: the layer's item id lists, one item that holds a path in the program's
// Windows form, allocated with the task allocator.
#pragma once

#include <shlobj.h>

#include <string>

namespace winapi::shell {

/// A new list naming `path`; null when out of memory.
PIDLIST_ABSOLUTE makeIdList(std::u16string_view path);
/// The path a list names; false for a list of another form.
bool pathOfIdList(PCIDLIST_ABSOLUTE idList, std::u16string& path);

}  // namespace winapi::shell
