// Creating, deleting and moving files and folders by name.
// Status: CreateDirectoryW, RemoveDirectoryW, DeleteFileW, MoveFileExW (plain and replacing moves,
// write-through).
// Left out on purpose: security attributes of new folders, moving folders between file systems
// and moves delayed until a reboot, which answer their failure.
#include <windows.h>

#include "winapi/base/unixpath.h"
#include "winapi/kernel32/copyfile.h"
#include "winapi/kernel32/posixfile.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

BOOL failWith(DWORD error) {
  SetLastError(error);
  return FALSE;
}

}  // namespace

extern "C" BOOL WINAPI CreateDirectoryW(LPCWSTR pathName, LPSECURITY_ATTRIBUTES) {
  std::string path;
  if (!winapi::paths::toUnix(pathName, path)) return FALSE;
  if (mkdir(path.c_str(), 0777) == 0) return TRUE;
  // A missing folder on the way is a missing path, whatever the last name.
  return failWith(errno == ENOENT ? ERROR_PATH_NOT_FOUND : winapi::files::errorFromErrno(errno));
}

extern "C" BOOL WINAPI DeleteFileW(LPCWSTR fileName) {
  std::string path;
  if (!winapi::paths::toUnix(fileName, path)) return FALSE;
  struct stat status;
  if (lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
    return failWith(ERROR_ACCESS_DENIED);  // folders are not files, as on Windows
  }
  if (unlink(path.c_str()) == 0) return TRUE;
  return winapi::files::failFromErrno(path);
}

extern "C" BOOL WINAPI RemoveDirectoryW(LPCWSTR pathName) {
  std::string path;
  if (!winapi::paths::toUnix(pathName, path)) return FALSE;
  struct stat status;
  if (lstat(path.c_str(), &status) != 0) return winapi::files::failFromErrno(path);
  // A file, or a symbolic link (which DeleteFileW removes), is no folder to remove.
  if (!S_ISDIR(status.st_mode)) return failWith(ERROR_DIRECTORY);
  if (rmdir(path.c_str()) == 0) return TRUE;
  return failWith(errno == ENOTEMPTY || errno == EEXIST ? ERROR_DIR_NOT_EMPTY : winapi::files::errorFromErrno(errno));
}

extern "C" BOOL WINAPI MoveFileExW(LPCWSTR existingFileName, LPCWSTR newFileName, DWORD flags) {
  if (newFileName == nullptr || (flags & MOVEFILE_DELAY_UNTIL_REBOOT) != 0) {
    return failWith(ERROR_INVALID_PARAMETER);
  }
  std::string from;
  std::string to;
  if (!winapi::paths::toUnix(existingFileName, from) || !winapi::paths::toUnix(newFileName, to)) {
    return FALSE;
  }
  struct stat source;
  if (lstat(from.c_str(), &source) != 0) return winapi::files::failFromErrno(from);
  if ((flags & MOVEFILE_REPLACE_EXISTING) != 0) {
    // Windows replaces files only, never a folder.
    struct stat target;
    const bool exists = lstat(to.c_str(), &target) == 0;
    if (exists && S_ISDIR(target.st_mode)) return failWith(ERROR_ACCESS_DENIED);
    // Windows does not replace a read-only file.
    if (exists && !S_ISLNK(target.st_mode) && (target.st_mode & S_IWUSR) == 0) return failWith(ERROR_ACCESS_DENIED);
    if (rename(from.c_str(), to.c_str()) != 0) {
      if (errno != EXDEV) return winapi::files::failFromErrno(to);
      if ((flags & MOVEFILE_COPY_ALLOWED) == 0 || S_ISDIR(source.st_mode)) return failWith(ERROR_NOT_SAME_DEVICE);
      if (!winapi::files::copyFile(from, to, false, newFileName)) return FALSE;
      if (unlink(from.c_str()) != 0) return winapi::files::failFromErrno(from);
    }
  } else if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
    if (errno != EXDEV) return winapi::files::failFromErrno(to);
    if ((flags & MOVEFILE_COPY_ALLOWED) == 0 || S_ISDIR(source.st_mode)) return failWith(ERROR_NOT_SAME_DEVICE);
    if (!winapi::files::copyFile(from, to, true, newFileName)) {
      if (GetLastError() == ERROR_FILE_EXISTS) SetLastError(ERROR_ALREADY_EXISTS);
      return FALSE;
    }
    if (unlink(from.c_str()) != 0) return winapi::files::failFromErrno(from);
  }
  if ((flags & MOVEFILE_WRITE_THROUGH) != 0 && !winapi::files::syncFolderOf(to)) {
    return winapi::files::failFromErrno(to);
  }
  return TRUE;
}
