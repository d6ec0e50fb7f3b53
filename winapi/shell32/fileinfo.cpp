// SHGetFileInfoW: type names, display names and shell attributes of files and folders.
#include <shellapi.h>

#include "winapi/base/ascii.h"

#include <cstring>
#include <string>

namespace {

constexpr UINT kSupported = SHGFI_DISPLAYNAME | SHGFI_TYPENAME | SHGFI_ATTRIBUTES | SHGFI_SYSICONINDEX |
                            SHGFI_USEFILEATTRIBUTES | SHGFI_LARGEICON | SHGFI_SMALLICON | SHGFI_OPENICON |
                            SHGFI_SHELLICONSIZE | SHGFI_LINKOVERLAY | SHGFI_SELECTED;

std::u16string_view nameOf(std::u16string_view path) {
  while (path.size() > 1 && (path.back() == u'\\' || path.back() == u'/')) path.remove_suffix(1);
  size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

bool equalsIgnoreCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (winapi::ascii::toUpper(a[i]) != winapi::ascii::toUpper(b[i])) return false;
  }
  return true;
}

// The shell's name for a kind of file: a few kinds have names of their own; any other
// extension is named after itself ("MP3 File"), and a name without one is a "File".
std::u16string typeName(std::u16string_view name, DWORD attributes) {
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return u"File folder";
  size_t dot = name.find_last_of(u'.');
  if (dot == std::u16string_view::npos || dot + 1 == name.size()) return u"File";
  std::u16string_view ext = name.substr(dot + 1);
  if (equalsIgnoreCase(ext, u"exe")) return u"Application";
  if (equalsIgnoreCase(ext, u"lnk")) return u"Shortcut";
  if (equalsIgnoreCase(ext, u"url")) return u"Internet Shortcut";
  std::u16string out;
  for (char16_t c : ext) out += winapi::ascii::toUpper(c);
  return out + u" File";
}

DWORD shellAttributes(DWORD attributes) {
  DWORD out = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK | SFGAO_CANRENAME | SFGAO_CANDELETE | SFGAO_FILESYSTEM;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    out |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR;
  } else {
    out |= SFGAO_STREAM;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) out |= SFGAO_LINK;
  if ((attributes & FILE_ATTRIBUTE_HIDDEN) != 0) out |= SFGAO_HIDDEN;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) out |= SFGAO_READONLY;
  return out;
}

void copyInto(WCHAR* to, size_t capacity, std::u16string_view text) {
  size_t n = text.size() < capacity ? text.size() : capacity - 1;
  std::memcpy(to, text.data(), n * sizeof(WCHAR));
  to[n] = 0;
}

}  // namespace

extern "C" DWORD_PTR WINAPI SHGetFileInfoW(LPCWSTR path, DWORD fileAttributes, SHFILEINFOW* info, UINT infoSize,
                                           UINT flags) {
  if (path == nullptr || (flags & ~kSupported) != 0) return 0;
  if (info != nullptr && infoSize < sizeof(SHFILEINFOW)) return 0;
  DWORD attributes = fileAttributes;
  if ((flags & SHGFI_USEFILEATTRIBUTES) == 0) {
    attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
  }
  if (info == nullptr) return 1;
  std::u16string_view name = nameOf(path);
  if ((flags & SHGFI_TYPENAME) != 0) copyInto(info->szTypeName, 80, typeName(name, attributes));
  if ((flags & SHGFI_DISPLAYNAME) != 0) copyInto(info->szDisplayName, MAX_PATH, name);
  if ((flags & SHGFI_ATTRIBUTES) != 0) info->dwAttributes = shellAttributes(attributes);
  if ((flags & SHGFI_SYSICONINDEX) != 0) info->iIcon = 0;
  return 1;
}
