// POSIX errors and file status in their Windows form.
#include "winapi/kernel32/posixfile.h"

#include "winapi/base/filetime.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace winapi::files {

DWORD errorFromErrno(int error) {
  switch (error) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    // Windows's answer for a name whose links lead round in a circle.
    case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EROFS: return ERROR_WRITE_PROTECT;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case ENOSYS:
    case EOPNOTSUPP: return ERROR_NOT_SUPPORTED;
    default: return ERROR_GEN_FAILURE;
  }
}

DWORD errorForPath(int error, const std::string& unixPath) {
  if (error != ENOENT || unixPath.empty()) return errorFromErrno(error);
  size_t slash = unixPath.find_last_of('/');
  if (slash == std::string::npos) return ERROR_FILE_NOT_FOUND;
  std::string folder = slash == 0 ? "/" : unixPath.substr(0, slash);
  struct stat status;
  bool folderExists = stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
  return folderExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

bool failFromErrno(const std::string& unixPath) {
  SetLastError(errorForPath(errno, unixPath));
  return false;
}

DWORD attributesOf(const struct stat& status, std::string_view name, const struct stat* linkTarget) {
  DWORD attributes = 0;
  const struct stat& effective = linkTarget != nullptr ? *linkTarget : status;
  if (S_ISLNK(status.st_mode)) attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  if (S_ISDIR(effective.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  // Pipes, sockets and devices are no files that hold data: Windows keeps this bit for devices.
  if (S_ISFIFO(effective.st_mode) || S_ISSOCK(effective.st_mode) || S_ISCHR(effective.st_mode) ||
      S_ISBLK(effective.st_mode)) {
    attributes |= FILE_ATTRIBUTE_DEVICE;
  }
  // Windows's read-only attribute is the owner's missing write permission here.
  if ((effective.st_mode & S_IWUSR) == 0 && !S_ISLNK(status.st_mode)) attributes |= FILE_ATTRIBUTE_READONLY;
  if (!name.empty() && name[0] == '.' && name != "." && name != "..") attributes |= FILE_ATTRIBUTE_HIDDEN;
  return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

FILETIME toFileTime(const struct timespec& time) {
  int64_t ticks =
      static_cast<int64_t>(time.tv_sec) * filetime::kTicksPerSecond + time.tv_nsec / 100 + filetime::kUnixEpoch;
  if (ticks < 0) ticks = 0;  // before 1601: the earliest time a FILETIME holds
  FILETIME out;
  out.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks));
  out.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
  return out;
}

Times timesOf(int fd, const char* path, const struct stat& status) {
  Times times;
  times.lastAccess = toFileTime(status.st_atim);
  times.lastWrite = toFileTime(status.st_mtim);
  times.creation = times.lastWrite;
  struct statx extended;
  int flags = AT_SYMLINK_NOFOLLOW | (path[0] == 0 ? AT_EMPTY_PATH : 0);
  if (statx(fd, path, flags, STATX_BTIME, &extended) == 0 && (extended.stx_mask & STATX_BTIME) != 0) {
    struct timespec birth {};
    birth.tv_sec = extended.stx_btime.tv_sec;
    birth.tv_nsec = extended.stx_btime.tv_nsec;
    times.creation = toFileTime(birth);
  }
  return times;
}

std::string_view lastName(std::string_view unixPath) {
  while (unixPath.size() > 1 && unixPath.back() == '/') unixPath.remove_suffix(1);
  size_t slash = unixPath.find_last_of('/');
  return slash == std::string_view::npos ? unixPath : unixPath.substr(slash + 1);
}

bool syncFolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0;
  close(fd);
  return synced;
}

}  // namespace winapi::files
