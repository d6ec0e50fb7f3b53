// The C run-time's wide file calls over POSIX, and the path split and composition.
// Status: access, permissions, status, creation by name, descriptor reads, writes, seeks, commits
// and lengths, path split and composition.
// Left out: text-mode translation (files are binary), share modes (accepted, not enforced).
#include <crtfile.h>
#include <windows.h>

#include "winapi/base/ascii.h"
#include "winapi/base/filetime.h"
#include "winapi/base/unixpath.h"
#include "winapi/kernel32/posixfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

// The POSIX path, or false with errno set as the run-time sets it.
bool unixPathOf(const WCHAR* path, std::string& out) {
  if (path == nullptr) {
    errno = EINVAL;
    return false;
  }
  if (!winapi::paths::toUnix(path, out)) {
    errno = GetLastError() == ERROR_INVALID_PARAMETER ? EINVAL : ENOENT;
    return false;
  }
  return true;
}

bool hasExecutableExtension(const std::string& path) {
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return false;
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = winapi::ascii::toLower(c);
  return ext == "exe" || ext == "com" || ext == "bat" || ext == "cmd";
}

size_t length(const WCHAR* text) { return text == nullptr ? 0 : std::char_traits<char16_t>::length(text); }

// Copies `count` units of `from` into `to` of `size` units; false when they do not fit.
bool put(WCHAR* to, size_t size, const WCHAR* from, size_t count) {
  if (to == nullptr) return true;
  if (count >= size) return false;
  std::memcpy(to, from, count * sizeof(WCHAR));
  to[count] = 0;
  return true;
}

}  // namespace

extern "C" int _waccess(const WCHAR* path, int mode) {
  std::string unixPath;
  if (!unixPathOf(path, unixPath)) return -1;
  if (mode != 0 && mode != 2 && mode != 4 && mode != 6) {
    errno = EINVAL;
    return -1;
  }
  struct stat status;
  if (stat(unixPath.c_str(), &status) != 0) return -1;
  // Write access needs the owner's write bit (the file is not read-only) and the system's
  // consent; a privileged user would otherwise see every read-only file as writable.
  if ((mode & 2) != 0 && (status.st_mode & S_IWUSR) == 0) {
    errno = EACCES;
    return -1;
  }
  int wanted = ((mode & 2) != 0 ? W_OK : 0) | ((mode & 4) != 0 ? R_OK : 0);
  return access(unixPath.c_str(), wanted == 0 ? F_OK : wanted) == 0 ? 0 : -1;
}

extern "C" int _wchmod(const WCHAR* path, int mode) {
  std::string unixPath;
  if (!unixPathOf(path, unixPath)) return -1;
  struct stat status;
  if (stat(unixPath.c_str(), &status) != 0) return -1;
  mode_t permissions = status.st_mode & 07777;
  if ((mode & _S_IWRITE) != 0) {
    permissions |= S_IWUSR;
  } else {
    permissions &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  }
  return chmod(unixPath.c_str(), permissions) == 0 ? 0 : -1;
}

extern "C" int _wstat64(const WCHAR* path, struct _stat64* out) {
  std::string unixPath;
  if (out == nullptr) {
    errno = EINVAL;
    return -1;
  }
  if (!unixPathOf(path, unixPath)) return -1;
  struct stat status;
  if (stat(unixPath.c_str(), &status) != 0) return -1;
  std::memset(out, 0, sizeof *out);
  unsigned mode = S_ISDIR(status.st_mode) ? _S_IFDIR | _S_IEXEC : _S_IFREG;
  mode |= _S_IREAD;
  if ((status.st_mode & S_IWUSR) != 0) mode |= _S_IWRITE;
  if (!S_ISDIR(status.st_mode) && hasExecutableExtension(unixPath)) mode |= _S_IEXEC;
  // The run-time repeats the owner's permissions for group and others.
  mode |= (mode & 0700) >> 3 | (mode & 0700) >> 6;
  out->st_mode = static_cast<uint16_t>(mode);
  out->st_dev = out->st_rdev = 25;  // drive Z:
  out->st_nlink = 1;
  out->st_size = S_ISDIR(status.st_mode) ? 0 : status.st_size;
  winapi::files::Times times = winapi::files::timesOf(AT_FDCWD, unixPath.c_str(), status);
  auto seconds = [](const FILETIME& t) {
    int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    return ticks / winapi::filetime::kTicksPerSecond - winapi::filetime::kUnixEpochSeconds;
  };
  out->st_atime = seconds(times.lastAccess);
  out->st_mtime = seconds(times.lastWrite);
  out->st_ctime = seconds(times.creation);
  return 0;
}

extern "C" int _wmkdir(const WCHAR* path) {
  std::string unixPath;
  if (!unixPathOf(path, unixPath)) return -1;
  return mkdir(unixPath.c_str(), 0777) == 0 ? 0 : -1;
}

extern "C" errno_t _wsopen_s(int* fd, const WCHAR* path, int openFlags, int, int permission) {
  if (fd == nullptr) return EINVAL;
  *fd = -1;
  if ((openFlags & _O_TEXT) != 0) return errno = EINVAL;
  std::string unixPath;
  if (!unixPathOf(path, unixPath)) return errno;
  int flags = O_CLOEXEC;
  switch (openFlags & 3) {
    case _O_WRONLY: flags |= O_WRONLY; break;
    case _O_RDWR: flags |= O_RDWR; break;
    default: flags |= O_RDONLY;
  }
  if ((openFlags & _O_APPEND) != 0) flags |= O_APPEND;
  if ((openFlags & _O_CREAT) != 0) flags |= O_CREAT;
  if ((openFlags & _O_TRUNC) != 0) flags |= O_TRUNC;
  if ((openFlags & _O_EXCL) != 0) flags |= O_EXCL;
  mode_t mode = (permission & _S_IWRITE) != 0 ? 0666 : 0444;
  int opened = open(unixPath.c_str(), flags, mode);
  if (opened < 0) return errno;
  *fd = opened;
  return 0;
}

extern "C" int _close(int fd) { return close(fd) == 0 ? 0 : -1; }

extern "C" int64_t _lseeki64(int fd, int64_t offset, int origin) {
  if (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END) {
    errno = EINVAL;
    return -1;
  }
  const off_t at = lseek(fd, offset, origin);
  return at < 0 ? -1 : at;
}

extern "C" int _read(int fd, void* buffer, unsigned int count) {
  if (count > INT_MAX) count = INT_MAX;
  for (;;) {
    const ssize_t got = read(fd, buffer, count);
    if (got >= 0) return static_cast<int>(got);
    if (errno != EINTR) return -1;
  }
}

extern "C" int _write(int fd, const void* buffer, unsigned int count) {
  if (count > INT_MAX) {
    errno = EINVAL;
    return -1;
  }
  const char* from = static_cast<const char*>(buffer);
  unsigned int done = 0;
  while (done < count) {
    const ssize_t put = write(fd, from + done, count - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (put == 0) {
      errno = ENOSPC;
      return -1;
    }
    done += static_cast<unsigned int>(put);
  }
  return static_cast<int>(done);
}

extern "C" int _commit(int fd) { return fsync(fd) == 0 ? 0 : -1; }

extern "C" int64_t _filelengthi64(int fd) {
  struct stat status;
  if (fstat(fd, &status) != 0) return -1;
  return status.st_size;
}

extern "C" errno_t _wsplitpath_s(const WCHAR* path, WCHAR* drive, size_t driveSize, WCHAR* dir, size_t dirSize,
                                 WCHAR* fname, size_t fnameSize, WCHAR* ext, size_t extSize) {
  if (path == nullptr || (drive == nullptr) != (driveSize == 0) || (dir == nullptr) != (dirSize == 0) ||
      (fname == nullptr) != (fnameSize == 0) || (ext == nullptr) != (extSize == 0)) {
    return errno = EINVAL;
  }
  size_t total = length(path);
  size_t start = total >= 2 && path[1] == u':' ? 2 : 0;
  size_t nameStart = start;
  for (size_t i = start; i < total; ++i) {
    if (path[i] == u'\\' || path[i] == u'/') nameStart = i + 1;
  }
  size_t dot = total;
  for (size_t i = nameStart; i < total; ++i) {
    if (path[i] == u'.') dot = i;
  }
  bool fits = put(drive, driveSize, path, start) && put(dir, dirSize, path + start, nameStart - start) &&
              put(fname, fnameSize, path + nameStart, dot - nameStart) && put(ext, extSize, path + dot, total - dot);
  if (!fits) {
    for (WCHAR* part : {drive, dir, fname, ext}) {
      if (part != nullptr) part[0] = 0;
    }
    return errno = ERANGE;
  }
  return 0;
}

extern "C" errno_t _wmakepath_s(WCHAR* path, size_t size, const WCHAR* drive, const WCHAR* dir, const WCHAR* fname,
                                const WCHAR* ext) {
  if (path == nullptr || size == 0) return errno = EINVAL;
  std::u16string out;
  if (length(drive) > 0) {
    out += drive[0];
    out += u':';
  }
  if (length(dir) > 0) {
    out += dir;
    if (out.back() != u'\\' && out.back() != u'/') out += u'\\';
  }
  if (fname != nullptr) out += fname;
  if (length(ext) > 0) {
    if (ext[0] != u'.') out += u'.';
    out += ext;
  }
  if (!put(path, size, out.data(), out.size())) {
    path[0] = 0;
    return errno = ERANGE;
  }
  return 0;
}
