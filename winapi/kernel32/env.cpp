// Environment strings. Status: ExpandEnvironmentStringsW over the process environment.
#include <windows.h>

#include "winapi/base/ascii.h"
#include "winapi/base/utf8.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

extern char** environ;

namespace {

// Windows names its variables ignoring case; POSIX does not. An exact match wins, then the first
// variable whose name matches ignoring case.
std::optional<std::u16string> lookUp(std::u16string_view name) {
  std::string key;
  winapi::utf8::toUtf8(name, key);
  if (key.find('=') != std::string::npos) return std::nullopt;
  std::u16string value;
  if (const char* found = std::getenv(key.c_str())) {
    winapi::utf8::toUtf16(found, value);
    return value;
  }
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const char* equals = std::strchr(*entry, '=');
    if (equals == nullptr || static_cast<size_t>(equals - *entry) != key.size()) continue;
    if (std::equal(key.begin(), key.end(), *entry,
                   [](char a, char b) { return winapi::ascii::toUpper(a) == winapi::ascii::toUpper(b); })) {
      winapi::utf8::toUtf16(equals + 1, value);
      return value;
    }
  }
  return std::nullopt;
}

std::u16string expand(std::u16string_view source) {
  std::u16string out;
  size_t i = 0;
  while (i < source.size()) {
    size_t open = source.find(u'%', i);
    if (open == std::u16string_view::npos) break;
    size_t close = source.find(u'%', open + 1);
    if (close == std::u16string_view::npos) break;
    out.append(source.substr(i, open - i));
    std::u16string_view name = source.substr(open + 1, close - open - 1);
    std::optional<std::u16string> value = name.empty() ? std::nullopt : lookUp(name);
    if (value) {
      out.append(*value);
    } else {
      out.append(source.substr(open, close - open + 1));  // an unknown name stays, with its marks
    }
    i = close + 1;
  }
  out.append(source.substr(std::min(i, source.size())));
  return out;
}

}  // namespace

extern "C" DWORD WINAPI ExpandEnvironmentStringsW(LPCWSTR source, LPWSTR destination, DWORD size) {
  if (source == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string expanded = expand(source);
  if (expanded.size() >= 0xFFFFFFFFu) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  DWORD needed = static_cast<DWORD>(expanded.size() + 1);
  if (destination != nullptr && size != 0) {
    // A buffer too small gets as much as fits, terminated, so it is always a text.
    size_t units = std::min<size_t>(expanded.size(), size - 1);
    std::memcpy(destination, expanded.data(), units * sizeof(WCHAR));
    destination[units] = 0;
  }
  return needed;
}
