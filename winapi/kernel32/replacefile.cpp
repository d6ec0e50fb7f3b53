// Replacing a file by another one in a single step.
// Status: ReplaceFileW with the replaced file's permissions, owner and extended attributes
// carried over, an optional backup name and write-through.
// Left out: the exclude and reserved arguments, which Windows itself leaves unused.
#include <windows.h>

#include "winapi/base/unixpath.h"
#include "winapi/kernel32/posixfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

BOOL failWith(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// Attributes that only a privileged process may set (security labels) are the system's to give;
// their absence is no reason to keep the old content.
bool ignorableAttributeError(int error) { return error == EPERM || error == ENOTSUP || error == EACCES; }

// Gives the replacement every extended attribute of the replaced file (ACLs live there too).
bool copyAttributes(const std::string& from, int to) {
  ssize_t size = listxattr(from.c_str(), nullptr, 0);
  if (size < 0) return errno == ENOTSUP;
  std::vector<char> names(static_cast<size_t>(size));
  size = listxattr(from.c_str(), names.data(), names.size());
  if (size < 0) return errno == ENOTSUP;
  std::vector<char> value;
  for (ssize_t at = 0; at < size;) {
    const char* name = names.data() + at;
    at += static_cast<ssize_t>(std::char_traits<char>::length(name)) + 1;
    ssize_t length = getxattr(from.c_str(), name, nullptr, 0);
    if (length < 0) return false;
    value.resize(static_cast<size_t>(length));
    length = getxattr(from.c_str(), name, value.data(), value.size());
    if (length < 0) return false;
    if (fsetxattr(to, name, value.data(), static_cast<size_t>(length), 0) != 0 && !ignorableAttributeError(errno)) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" BOOL WINAPI ReplaceFileW(LPCWSTR replacedFileName, LPCWSTR replacementFileName, LPCWSTR backupFileName,
                                    DWORD replaceFlags, LPVOID, LPVOID) {
  if (replacedFileName == nullptr || replacementFileName == nullptr) return failWith(ERROR_INVALID_PARAMETER);
  std::string replacedPath;
  std::string replacement;
  std::string backup;
  if (!winapi::paths::toUnix(replacedFileName, replacedPath) ||
      !winapi::paths::toUnix(replacementFileName, replacement)) {
    return FALSE;
  }
  if (backupFileName != nullptr && !winapi::paths::toUnix(backupFileName, backup)) return FALSE;
  // A symbolic link stays a link: the file it names is the one replaced.
  char resolved[PATH_MAX];
  if (realpath(replacedPath.c_str(), resolved) == nullptr) return winapi::files::failFromErrno(replacedPath);
  const std::string replaced = resolved;
  struct stat old;
  struct stat fresh;
  if (stat(replaced.c_str(), &old) != 0) return winapi::files::failFromErrno(replaced);
  if (!S_ISREG(old.st_mode)) return failWith(ERROR_ACCESS_DENIED);
  if ((old.st_mode & S_IWUSR) == 0) return failWith(ERROR_ACCESS_DENIED);  // read-only, as on Windows
  if (lstat(replacement.c_str(), &fresh) != 0) return winapi::files::failFromErrno(replacement);
  if (!S_ISREG(fresh.st_mode)) return failWith(ERROR_ACCESS_DENIED);
  if (old.st_dev != fresh.st_dev) return failWith(ERROR_UNABLE_TO_MOVE_REPLACEMENT);

  const int fd = open(replacement.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return winapi::files::failFromErrno(replacement);
  const bool ignoreAcl = (replaceFlags & (REPLACEFILE_IGNORE_ACL_ERRORS | REPLACEFILE_IGNORE_MERGE_ERRORS)) != 0;
  bool merged = copyAttributes(replaced, fd) || ignoreAcl;
  // The owner where the user may set it; the group alone when only that is allowed.
  if (merged && fchown(fd, old.st_uid, old.st_gid) != 0) {
    (void)fchown(fd, static_cast<uid_t>(-1), old.st_gid);
  }
  // After the owner: a change of owner clears the set-user-id bits.
  merged = merged && fchmod(fd, old.st_mode & 07777) == 0;
  if (merged && (replaceFlags & REPLACEFILE_WRITE_THROUGH) != 0) merged = fsync(fd) == 0;
  close(fd);
  if (!merged) return failWith(ERROR_UNABLE_TO_MOVE_REPLACEMENT);

  if (!backup.empty()) {
    if ((unlink(backup.c_str()) != 0 && errno != ENOENT) || link(replaced.c_str(), backup.c_str()) != 0) {
      return failWith(ERROR_UNABLE_TO_REMOVE_REPLACED);
    }
  }
  if (rename(replacement.c_str(), replaced.c_str()) != 0) {
    return failWith(errno == EXDEV ? ERROR_UNABLE_TO_MOVE_REPLACEMENT : winapi::files::errorFromErrno(errno));
  }
  if ((replaceFlags & REPLACEFILE_WRITE_THROUGH) != 0 && !winapi::files::syncFolderOf(replaced)) {
    return winapi::files::failFromErrno(replaced);
  }
  return TRUE;
}
