// The user's runtime folder with one folder per display.
#include "winapi/base/displayfolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace winapi::session {

std::string displayFolderName(const char* chosen, const char* display) {
  // The headless driver's processes hand over to each other, as tests need.
  if (chosen != nullptr && std::strcmp(chosen, "headless") == 0) return "headless";
  std::string name = display != nullptr ? display : "";
  const size_t colon = name.rfind(':');
  const size_t dot = name.find('.', colon == std::string::npos ? 0 : colon);
  if (colon != std::string::npos && dot != std::string::npos) name.erase(dot);
  if (name.compare(0, 5, "unix:") == 0) name.erase(0, 4);
  std::string out = "x11-";
  for (char c : name)
    out.push_back(std::isalnum(static_cast<unsigned char>(c)) || c == ':' || c == '.' || c == '-' ? c : '_');
  return out;
}

const std::string& ownDisplayFolderName() {
  static const std::string name = displayFolderName(std::getenv("LUMETRA_DISPLAY"), std::getenv("DISPLAY"));
  return name;
}

std::string runtimeBase() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string base = runtime != nullptr && *runtime != 0 ? runtime : "/tmp/lumetra-" + std::to_string(getuid());
  mkdir(base.c_str(), 0700);
  std::string dir = base + "/lumetra-windows";
  mkdir(dir.c_str(), 0700);
  return dir;
}

std::string displayFolder() {
  std::string dir = runtimeBase() + "/" + ownDisplayFolderName();
  mkdir(dir.c_str(), 0700);
  return dir;
}

}  // namespace winapi::session
