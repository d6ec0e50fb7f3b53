// Conversion between Windows paths and POSIX paths, and the full-path normalisation that
// Windows applies to every path it is given.
// Left out: the stripping of trailing dots and spaces from names (POSIX names may end in them,
// and stripping would make such files unreachable) and device paths such as "\\.\COM1".
#include "winapi/base/unixpath.h"

#include <windows.h>

#include "winapi/base/utf8.h"

#include <unistd.h>

#include <vector>

namespace winapi::paths {
namespace {

bool isSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// A "\" inside a POSIX name, carried as the escape of its byte: as itself it would split the name
// in two and name another file. The encoder's escape policy turns it back into the byte.
constexpr char16_t kEscapedBackslash = 0xDC00 + u'\\';

bool isLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool isDrive(std::u16string_view p) { return p.size() >= 2 && p[1] == u':' && isLetter(p[0]); }

bool isDriveZ(std::u16string_view p) { return isDrive(p) && (p[0] == u'z' || p[0] == u'Z'); }

bool hasLongPrefix(std::u16string_view p) { return p.substr(0, 4) == u"\\\\?\\"; }

// The current folder in Windows form ("Z:\home\ann").
std::u16string currentFolder() {
  std::vector<char> buffer(256);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return u"Z:\\";
    buffer.resize(buffer.size() * 2);
  }
  return toWindows(buffer.data());
}

// root ends with "\"; the components of rest are appended with "." and ".." resolved. ".."
// never climbs above the root.
std::u16string resolve(std::u16string root, std::u16string_view rest) {
  std::vector<std::u16string_view> parts;
  size_t i = 0;
  while (i < rest.size()) {
    size_t end = i;
    while (end < rest.size() && !isSeparator(rest[end])) ++end;
    std::u16string_view part = rest.substr(i, end - i);
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(part);
    }
    i = end + 1;
  }
  std::u16string out = std::move(root);
  for (size_t k = 0; k < parts.size(); ++k) {
    if (k > 0) out += u'\\';
    out += parts[k];
  }
  if (!parts.empty() && !rest.empty() && isSeparator(rest.back())) out += u'\\';
  return out;
}

}  // namespace

std::u16string fullPath(std::u16string_view p) {
  if (hasLongPrefix(p)) return std::u16string(p);
  if (p.size() >= 2 && isSeparator(p[0]) && isSeparator(p[1])) {
    // \\server\share\rest: the server and share are the root.
    size_t server = 2;
    size_t serverEnd = server;
    while (serverEnd < p.size() && !isSeparator(p[serverEnd])) ++serverEnd;
    std::u16string root = u"\\\\" + std::u16string(p.substr(server, serverEnd - server)) + u"\\";
    if (serverEnd >= p.size()) return root.substr(0, root.size() - 1);
    size_t shareEnd = serverEnd + 1;
    while (shareEnd < p.size() && !isSeparator(p[shareEnd])) ++shareEnd;
    root += p.substr(serverEnd + 1, shareEnd - serverEnd - 1);
    if (shareEnd >= p.size()) return root;
    return resolve(root + u"\\", p.substr(shareEnd + 1));
  }
  if (isDrive(p)) {
    std::u16string drive(p.substr(0, 2));
    if (p.size() >= 3 && isSeparator(p[2])) return resolve(drive + u"\\", p.substr(3));
    // "Z:name" is relative to the current folder of that drive; other drives have only a root.
    if (isDriveZ(p)) return resolve(u"Z:\\", currentFolder().substr(3) + u"\\" + std::u16string(p.substr(2)));
    return resolve(drive + u"\\", p.substr(2));
  }
  if (!p.empty() && isSeparator(p[0])) return resolve(u"Z:\\", p.substr(1));
  return resolve(u"Z:\\", currentFolder().substr(3) + u"\\" + std::u16string(p));
}

bool toUnix(std::u16string_view path, std::string& out) {
  if (path.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  std::u16string full;
  if (hasLongPrefix(path)) {
    // The long form is taken literally, as Windows takes it: no normalisation.
    std::u16string_view rest = path.substr(4);
    if (rest.substr(0, 4) == u"UNC\\") {
      SetLastError(ERROR_BAD_NETPATH);
      return false;
    }
    full = rest;
  } else {
    full = fullPath(path);
  }
  if (full.size() >= 2 && isSeparator(full[0]) && isSeparator(full[1])) {
    SetLastError(ERROR_BAD_NETPATH);
    return false;
  }
  if (!isDriveZ(full) || (full.size() > 2 && !isSeparator(full[2]))) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  std::u16string posix = u"/";
  if (full.size() > 3) posix.append(full, 3, std::u16string::npos);
  for (char16_t& c : posix) {
    if (c == u'\\') c = u'/';
  }
  if (!utf8::toUtf8(posix, out, utf8::Invalid::Escape)) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  return true;
}

bool toUnix(const char16_t* path, std::string& out) {
  if (path == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  return toUnix(std::u16string_view(path), out);
}

std::u16string toWindows(std::string_view unixPath) {
  std::u16string text = nameToWindows(unixPath);
  for (char16_t& c : text) {
    if (c == u'\\') {
      c = kEscapedBackslash;
    } else if (c == u'/') {
      c = u'\\';
    }
  }
  if (!text.empty() && text[0] == u'\\') text.insert(0, u"Z:");
  return text;
}

std::u16string displayForm(std::u16string_view path) {
  std::u16string_view p = path;
  if (hasLongPrefix(p)) {
    p = p.substr(4);
    if (p.substr(0, 4) == u"UNC\\") return std::u16string(path);
  }
  std::u16string text;
  if (isDriveZ(p)) {
    text = p.size() > 2 && isSeparator(p[2]) ? std::u16string(p) : fullPath(p);
    text.erase(0, 2);
  } else if (isDrive(p) || (p.size() >= 2 && isSeparator(p[0]) && isSeparator(p[1]))) {
    return std::u16string(path);
  } else {
    text = p;
  }
  for (char16_t& c : text) {
    if (c == u'\\') c = u'/';
  }
  // The escapes of undecodable bytes become those bytes, and they in turn the replacement
  // character: a lone surrogate has no picture, and the person reads where a byte was lost.
  std::string bytes;
  if (!utf8::toUtf8(text, bytes, utf8::Invalid::Escape)) utf8::toUtf8(text, bytes, utf8::Invalid::Replace);
  std::u16string out;
  utf8::toUtf16(bytes, out, utf8::Invalid::Replace);
  return out;
}

std::u16string nameToWindows(std::string_view name) {
  std::u16string text;
  utf8::toUtf16(name, text, utf8::Invalid::Escape);
  return text;
}

}  // namespace winapi::paths
