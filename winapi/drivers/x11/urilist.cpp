// Reading a dropped text/uri-list: file URIs become Windows paths (those of other machines UNC
// paths); and the address of a dragged link.
#include "winapi/drivers/x11/urilist.h"

#include "winapi/base/unixpath.h"
#include "winapi/base/utf8.h"

#include <unistd.h>

#include <cctype>
#include <climits>

namespace winapi::x11 {
namespace {

// Calls take(uri) for each URI of a text/uri-list in order, while it answers true: one URI per
// line, lines ended by CRLF or LF; empty lines and comments ("#") are skipped.
template <typename Take>
void forEachUri(std::string_view text, Take take) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && line[0] != '#' && !take(line)) return;
    start = end + 1;
  }
}

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

// Appends the Windows form of a part of a file URI (its host or its path), %-escapes decoded. An
// escaped "/" and a NUL cannot be part of a name here, and no file has them: each stands as the
// escape of its byte, which no file call accepts (ERROR_INVALID_NAME), so the entry names no file
// (never the one that cutting or splitting the name would name) and still arrives with its name.
void appendPart(std::u16string& out, std::string_view part) {
  std::string bytes;
  auto endRun = [&out, &bytes] {
    std::u16string run = paths::toWindows(bytes);
    // A run that starts at a separator goes on a path begun before it: it gets no drive.
    if (!bytes.empty() && bytes[0] == '/' && !out.empty()) run.erase(0, 2);
    out += run;
    bytes.clear();
  };
  auto impossible = [&](char byte) {
    endRun();
    out += static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(byte));
  };
  for (size_t i = 0; i < part.size(); ++i) {
    char c = part[i];
    if (c == '%' && i + 2 < part.size() && hexValue(part[i + 1]) >= 0 && hexValue(part[i + 2]) >= 0) {
      char decoded = static_cast<char>(hexValue(part[i + 1]) * 16 + hexValue(part[i + 2]));
      i += 2;
      if (decoded == '/' || decoded == '\0') {
        impossible(decoded);
      } else {
        bytes.push_back(decoded);
      }
    } else if (c == '\0') {
      impossible(c);
    } else {
      // An escape that is not one stays as it stands, as file managers write such names.
      bytes.push_back(c);
    }
  }
  endRun();
}

}  // namespace

bool uriToWindowsPath(std::string_view uri, std::u16string* out) {
  // The scheme is case-insensitive.
  if (uri.size() < 5 || !equalsIgnoringCase(uri.substr(0, 5), "file:")) return false;
  std::string_view rest = uri.substr(5);
  std::u16string path;
  if (rest.substr(0, 2) == "//") {
    size_t slash = rest.find('/', 2);
    if (slash == std::string_view::npos) return false;
    std::string_view host = rest.substr(2, slash - 2);
    // "?" and "." name no machine: as hosts they would begin the long and the device forms of a
    // path ("\\?\Z:\x" names a file here).
    if (host == "?" || host == ".") return false;
    // A file of another machine is its share there, as Windows names it (\\host\share\x): a
    // path no file call here opens, so it is reported as not found, by its name.
    if (!isThisMachine(host)) {
      path = u"\\\\";
      appendPart(path, host);
    }
    rest = rest.substr(slash);
  }
  if (rest.empty() || rest[0] != '/') return false;
  appendPart(path, rest);
  *out = std::move(path);
  return true;
}

std::vector<std::u16string> parseUriList(std::string_view text) {
  std::vector<std::u16string> files;
  forEachUri(text, [&files](std::string_view uri) {
    std::u16string path;
    // Addresses other than files are not dropped files.
    if (uriToWindowsPath(uri, &path)) files.push_back(std::move(path));
    return true;
  });
  return files;
}

std::string firstUri(std::string_view text) {
  std::string first;
  forEachUri(text, [&first](std::string_view uri) {
    first = uri;
    return false;
  });
  return first;
}

bool isFileUri(std::string_view uri) {
  static constexpr std::string_view kScheme = "file:";
  if (uri.size() < kScheme.size()) return false;
  for (size_t i = 0; i < kScheme.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(uri[i])) != kScheme[i]) return false;
  }
  return true;
}

namespace {

// The first line, without its line end and without NULs that end the text early.
std::u16string firstLine(std::u16string text) {
  size_t end = text.find_first_of(u"\r\n");
  if (end != std::u16string::npos) text.resize(end);
  size_t nul = text.find(u'\0');
  if (nul != std::u16string::npos) text.resize(nul);
  return text;
}

}  // namespace

std::u16string linkFromUtf16(std::string_view bytes) {
  bool swap = false;
  if (bytes.size() >= 2) {
    auto b0 = static_cast<unsigned char>(bytes[0]), b1 = static_cast<unsigned char>(bytes[1]);
    char16_t mark = static_cast<char16_t>(b0 | (b1 << 8));
    if (mark == 0xFEFF || mark == 0xFFFE) {
      swap = mark == 0xFFFE;
      bytes.remove_prefix(2);
    }
  }
  std::u16string text(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    auto lo = static_cast<unsigned char>(bytes[2 * i]), hi = static_cast<unsigned char>(bytes[2 * i + 1]);
    text[i] = swap ? static_cast<char16_t>((lo << 8) | hi) : static_cast<char16_t>(lo | (hi << 8));
  }
  return firstLine(std::move(text));
}

std::u16string linkFromUtf8(std::string_view bytes) {
  std::u16string text;
  utf8::toUtf16(bytes, text);
  return firstLine(std::move(text));
}

}  // namespace winapi::x11
