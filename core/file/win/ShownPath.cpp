#include "core/file/win/ShownPath.h"

#include <windows.h>
#include <shlwapi.h>

#include <string>

namespace s::file::win {

str::strbuffer::StrBuffer* appendShownPath(str::strbuffer::StrBuffer* out, const WCHAR* path) {
  if (path == nullptr) {
    return out;
  }
  const DWORD needed = ::PathDisplayFormW(path, nullptr, 0);
  if (needed == 0) {
    return out;
  }
  std::u16string shown(needed, u'\0');
  const DWORD length = ::PathDisplayFormW(path, shown.data(), needed);
  shown.resize(length < needed ? length : 0);
  return out->append(shown.c_str());
}

}  // namespace s::file::win
