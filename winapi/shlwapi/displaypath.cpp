// PathDisplayFormW: the one conversion behind every path the layer and the program show a person.
#include <shlwapi.h>

#include "winapi/base/unixpath.h"

#include <string>

extern "C" DWORD WINAPI PathDisplayFormW(LPCWSTR path, LPWSTR buffer, DWORD size) {
  if (path == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::u16string shown = winapi::paths::displayForm(path);
  if (buffer == nullptr || shown.size() >= size) return static_cast<DWORD>(shown.size() + 1);
  shown.copy(buffer, shown.size());
  buffer[shown.size()] = 0;
  return static_cast<DWORD>(shown.size());
}
