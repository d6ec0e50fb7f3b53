// The user's folders as the XDG user directories name them, in the program's Windows form.
#pragma once

#include <string>

namespace winapi::paths {

/// The user's desktop folder in the Windows form: XDG_DESKTOP_DIR of
/// $XDG_CONFIG_HOME/user-dirs.dirs (default ~/.config), else $HOME/Desktop; empty without a home.
std::u16string desktopFolder();

}  // namespace winapi::paths
