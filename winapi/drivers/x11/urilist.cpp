// Reading a dropped text/uri-list: file URIs of this machine become Windows paths.
#include "winapi/drivers/x11/urilist.h"

#include "winapi/kernel32/unixpath.h"

#include <unistd.h>

#include <climits>

namespace winapi::x11 {
namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The host part of a file URI names the machine the file lives on; only files of this one can
// be opened here.
bool isThisMachine(std::string_view host) {
  if (host.empty() || equalsIgnoringCase(host, "localhost")) return true;
  static const std::string self = [] {
    char name[HOST_NAME_MAX + 1] = {};
    return gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
  }();
  return !self.empty() && equalsIgnoringCase(host, self);
}

}  // namespace

bool uriToWindowsPath(std::string_view uri, std::u16string* out) {
  // The scheme is case-insensitive.
  if (uri.size() < 5 || !equalsIgnoringCase(uri.substr(0, 5), "file:")) return false;
  std::string_view rest = uri.substr(5);
  if (rest.substr(0, 2) == "//") {
    size_t slash = rest.find('/', 2);
    if (slash == std::string_view::npos || !isThisMachine(rest.substr(2, slash - 2))) return false;
    rest = rest.substr(slash);
  }
  if (rest.empty() || rest[0] != '/') return false;
  std::string bytes;
  bytes.reserve(rest.size());
  for (size_t i = 0; i < rest.size(); ++i) {
    char c = rest[i];
    if (c == '%' && i + 2 < rest.size() && hexValue(rest[i + 1]) >= 0 && hexValue(rest[i + 2]) >= 0) {
      char decoded = static_cast<char>(hexValue(rest[i + 1]) * 16 + hexValue(rest[i + 2]));
      // An escaped "/" is part of a name, and no name here can hold one, nor a NUL.
      if (decoded == '/' || decoded == '\0') return false;
      bytes.push_back(decoded);
      i += 2;
    } else {
      if (c == '\0') return false;
      // An escape that is not one stays as it stands, as file managers write such names.
      bytes.push_back(c);
    }
    if (bytes.back() == '\\') return false;
  }
  // The POSIX path takes its Windows form where every path from the system does.
  *out = paths::toWindows(bytes);
  return true;
}

std::vector<std::u16string> parseUriList(std::string_view text) {
  std::vector<std::u16string> files;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::u16string path;
    // Comment lines and addresses other than files are not dropped files.
    if (!line.empty() && line[0] != '#' && uriToWindowsPath(line, &path)) files.push_back(std::move(path));
    start = end + 1;
  }
  return files;
}

}  // namespace winapi::x11
