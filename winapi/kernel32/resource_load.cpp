// LoadLibraryExW: modules opened as data files are the resource code's; every other load is the
// module loader's LoadLibraryW. FreeLibrary here is a weak stand-in that closes data-file modules
// only; the module loader's FreeLibrary replaces it and must close them through
// winapi::resources::closeDataFileModule.
// Status: LOAD_LIBRARY_AS_DATAFILE, LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE and
// LOAD_LIBRARY_AS_IMAGE_RESOURCE open any file's resources; other flags are ignored.
#include "winapi/kernel32/resource.h"

// Linked in with the module loader; until then only data files load.
extern "C" HMODULE WINAPI LoadLibraryW(LPCWSTR fileName) __attribute__((weak));

extern "C" HMODULE WINAPI LoadLibraryExW(LPCWSTR fileName, HANDLE file, DWORD flags) {
  if (file != nullptr || fileName == nullptr || *fileName == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (flags & (LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {
    return winapi::resources::openDataFileModule(fileName);
  }
  if (LoadLibraryW == nullptr) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  return LoadLibraryW(fileName);
}

extern "C" __attribute__((weak)) BOOL WINAPI FreeLibrary(HMODULE module) {
  if (winapi::resources::closeDataFileModule(module)) return TRUE;
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}
