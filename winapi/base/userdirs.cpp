// The user's folders as the XDG user directories name them.
#include "winapi/base/userdirs.h"

#include "winapi/base/unixpath.h"

#include <cstdlib>
#include <fstream>
#include <string>

namespace winapi::paths {
namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

// The value of XDG_DESKTOP_DIR as xdg-user-dir reads it: a quoted "$HOME/..." or absolute path;
// anything else is no value.
bool readDesktopLine(const std::string& line, const std::string& home, std::string& out) {
  size_t at = line.find_first_not_of(" \t");
  if (at == std::string::npos || line.compare(at, 15, "XDG_DESKTOP_DIR") != 0) return false;
  at = line.find_first_not_of(" \t", at + 15);
  if (at == std::string::npos || line[at] != '=') return false;
  at = line.find_first_not_of(" \t", at + 1);
  if (at == std::string::npos || line[at] != '"') return false;
  const size_t end = line.find('"', at + 1);
  if (end == std::string::npos) return false;
  std::string value = line.substr(at + 1, end - at - 1);
  if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/')) {
    if (home.empty()) return false;
    value = home + value.substr(5);
  } else if (value.empty() || value[0] != '/') {
    return false;
  }
  while (value.size() > 1 && value.back() == '/') value.pop_back();
  out = value;
  return true;
}

}  // namespace

std::u16string desktopFolder() {
  const std::string home = environment("HOME");
  std::string config = environment("XDG_CONFIG_HOME");
  if (config.empty() || config[0] != '/') config = home.empty() ? std::string() : home + "/.config";
  std::string desktop;
  if (!config.empty()) {
    std::ifstream dirs(config + "/user-dirs.dirs");
    std::string line;
    std::string value;
    while (std::getline(dirs, line)) {
      if (!line.empty() && line[0] == '#') continue;
      if (readDesktopLine(line, home, value)) desktop = value;  // the last one counts, as in a shell
    }
  }
  if (desktop.empty() && !home.empty()) desktop = home + "/Desktop";
  return desktop.empty() ? std::u16string() : winapi::paths::toWindows(desktop);
}

}  // namespace winapi::paths
