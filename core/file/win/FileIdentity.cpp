// File identity through the volume serial number and file index of an open handle.
#include "core/file/win/FileIdentity.h"

#include <windows.h>

namespace s::file::win {

namespace {

bool identify(const WCHAR* path, BY_HANDLE_FILE_INFORMATION* info) {
  if (path == nullptr || *path == 0) {
    return false;
  }
  // No access is asked: the handle only answers questions about the file, so a file that cannot
  // be read or written still has its identity. Folders need the backup-semantics flag to open.
  HANDLE handle = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    return false;
  }
  const BOOL ok = GetFileInformationByHandle(handle, info);
  CloseHandle(handle);
  return ok != FALSE;
}

}  // namespace

bool isSameFile(const WCHAR* first, const WCHAR* second) {
  BY_HANDLE_FILE_INFORMATION a = {};
  BY_HANDLE_FILE_INFORMATION b = {};
  return identify(first, &a) && identify(second, &b) &&
         a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

}  // namespace s::file::win
