// The folder that processes of the same user on the same display share: published windows and
// their sockets (user32) and named kernel objects (kernel32) live in it, so only processes of
// that user on that display find each other there.
#pragma once

#include <string>

namespace winapi::session {

/// The display a process started for `chosen` (LUMETRA_DISPLAY) and `display` (DISPLAY) shows
/// its windows on, as a folder name: "headless" for the headless driver, else "x11-" and the X
/// display without its screen number (":0.0" and ":0" are one display), its characters kept to
/// a safe set.
std::string displayFolderName(const char* chosen, const char* display);

/// The name of this process's display folder, from its environment at the first call.
const std::string& ownDisplayFolderName();

/// The user's folder that holds one folder per display: lumetra-windows in $XDG_RUNTIME_DIR
/// (or in /tmp/lumetra-UID without one), made with mode 0700 when missing.
std::string runtimeBase();

/// This display's folder inside runtimeBase(), made with mode 0700 when missing.
std::string displayFolder();

}  // namespace winapi::session
