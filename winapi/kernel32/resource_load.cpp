// LoadLibraryExW: modules opened as data files are the resource code's; every other load is the
// module loader's LoadLibraryW.
// Status: LOAD_LIBRARY_AS_DATAFILE, LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE and
// LOAD_LIBRARY_AS_IMAGE_RESOURCE open any file's resources; other flags are ignored.
#include "winapi/kernel32/resource.h"

extern "C" HMODULE WINAPI LoadLibraryExW(LPCWSTR fileName, HANDLE file, DWORD flags) {
  if (file != nullptr || fileName == nullptr || *fileName == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (flags & (LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {
    return winapi::resources::openDataFileModule(fileName);
  }
  return LoadLibraryW(fileName);
}
