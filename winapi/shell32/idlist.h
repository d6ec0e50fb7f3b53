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

/// The user's desktop folder in the Windows form: XDG_DESKTOP_DIR of
/// $XDG_CONFIG_HOME/user-dirs.dirs (default ~/.config), else $HOME/Desktop; empty without a home.
std::u16string desktopFolder();

}  // namespace winapi::shell
