// File handles: CreateFileW and the calls on an open file.
// Left out: share modes (accepted, not enforced: POSIX has none), overlapped input and output
// (refused), FILE_FLAG_NO_BUFFERING (accepted; the page cache stays in use).
#include <windows.h>
#include <winseam.h>

#include "winapi/kernel32/filetime.h"
#include "winapi/kernel32/handle.h"
#include "winapi/kernel32/posixfile.h"
#include "winapi/kernel32/unixpath.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace winapi {
namespace {

class FileObject : public KernelObject {
 public:
  FileObject(int fd, std::string path, bool canRead, bool canWrite, bool deleteOnClose)
      : m_fd(fd), m_path(std::move(path)), m_canRead(canRead), m_canWrite(canWrite), m_deleteOnClose(deleteOnClose) {}
  ~FileObject() override {
    close(m_fd);
    if (m_deleteOnClose) unlink(m_path.c_str());
  }
  int fd() const { return m_fd; }
  const std::string& path() const { return m_path; }
  bool canRead() const { return m_canRead; }
  bool canWrite() const { return m_canWrite; }

 private:
  int m_fd;
  std::string m_path;
  bool m_canRead;
  bool m_canWrite;
  bool m_deleteOnClose;
};

BOOL failWith(DWORD error) {
  SetLastError(error);
  return FALSE;
}

std::shared_ptr<FileObject> fileOf(HANDLE handle) { return lookupHandleAs<FileObject>(handle); }

// The open file of a handle and its status; null with the last error set on failure.
std::shared_ptr<FileObject> statusOf(HANDLE handle, const void* out, struct stat* status) {
  std::shared_ptr<FileObject> file = fileOf(handle);
  if (file == nullptr) return nullptr;
  if (out == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (fstat(file->fd(), status) != 0) {
    SetLastError(files::errorFromErrno(errno));
    return nullptr;
  }
  return file;
}

BOOL WINAPI realWriteFile(HANDLE handle, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
  if (written != nullptr) *written = 0;
  std::shared_ptr<FileObject> file = fileOf(handle);
  if (file == nullptr) return FALSE;
  if (overlapped != nullptr || written == nullptr || (buffer == nullptr && size > 0))
    return failWith(ERROR_INVALID_PARAMETER);
  if (!file->canWrite()) return failWith(ERROR_ACCESS_DENIED);
  const char* data = static_cast<const char*>(buffer);
  DWORD done = 0;
  while (done < size) {
    ssize_t n = write(file->fd(), data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      *written = done;  // as on Windows, a failed write reports what did reach the file
      return failWith(files::errorFromErrno(errno));
    }
    done += static_cast<DWORD>(n);
  }
  *written = done;
  return TRUE;
}

std::atomic<seam::WriteFileFunction> s_writeFile{&realWriteFile};

// Opens with the disposition's rules; *existed tells whether the file was there before.
int openWithDisposition(const std::string& path, int accessFlags, DWORD disposition, mode_t mode, bool* existed) {
  *existed = false;
  switch (disposition) {
    case CREATE_NEW: return open(path.c_str(), accessFlags | O_CREAT | O_EXCL, mode);
    case OPEN_EXISTING: *existed = true; return open(path.c_str(), accessFlags);
    case TRUNCATE_EXISTING: *existed = true; return open(path.c_str(), accessFlags | O_TRUNC);
    case OPEN_ALWAYS:
    case CREATE_ALWAYS: {
      int truncate = disposition == CREATE_ALWAYS ? O_TRUNC : 0;
      // Try the existing file first, then create it; repeat if another process raced us.
      for (int attempt = 0; attempt < 8; ++attempt) {
        int fd = open(path.c_str(), accessFlags | truncate);
        if (fd >= 0) {
          *existed = true;
          return fd;
        }
        if (errno != ENOENT) return -1;
        fd = open(path.c_str(), accessFlags | O_CREAT | O_EXCL, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
      }
      return -1;
    }
    default: errno = EINVAL; return -1;
  }
}

}  // namespace

namespace seam {
WriteFileFunction replaceWriteFile(WriteFileFunction replacement) {
  return s_writeFile.exchange(replacement != nullptr ? replacement : &realWriteFile);
}
}  // namespace seam

}  // namespace winapi

using winapi::failWith;
using winapi::FileObject;

extern "C" HANDLE WINAPI CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD, LPSECURITY_ATTRIBUTES,
                                     DWORD disposition, DWORD flagsAndAttributes, HANDLE) {
  std::string path;
  if (!winapi::paths::toUnix(fileName, path)) return INVALID_HANDLE_VALUE;
  if ((flagsAndAttributes & FILE_FLAG_OVERLAPPED) != 0 || disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  bool all = (desiredAccess & GENERIC_ALL) != 0;
  bool canRead = all || (desiredAccess & GENERIC_READ) != 0;
  bool canWrite = all || (desiredAccess & GENERIC_WRITE) != 0;
  if (disposition == TRUNCATE_EXISTING && !canWrite) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  int accessFlags = canWrite ? (canRead ? O_RDWR : O_WRONLY) : O_RDONLY;
  // Non-blocking only while opening: a named pipe would otherwise hold the caller until a
  // writer appears.
  accessFlags |= O_CLOEXEC | O_NONBLOCK;
  if ((flagsAndAttributes & FILE_FLAG_WRITE_THROUGH) != 0) accessFlags |= O_DSYNC;
  bool backupSemantics = (flagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS) != 0;
  // A handle that only asks about the file (no read or write access) needs no permission to read.
  if (!canRead && !canWrite) accessFlags = O_PATH | O_CLOEXEC;
  mode_t mode = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;

  bool existed = false;
  int fd = winapi::openWithDisposition(path, accessFlags, disposition, mode, &existed);
  if (fd < 0 && errno == EISDIR && backupSemantics && disposition == OPEN_EXISTING) {
    // POSIX opens folders only for reading; that handle still sets the folder's times.
    fd = winapi::openWithDisposition(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK, disposition, mode, &existed);
  }
  if (fd < 0) {
    DWORD error = errno == EEXIST ? ERROR_FILE_EXISTS : winapi::files::errorForPath(errno, path);
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  struct stat status;
  bool isFolder = fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
  // Folders open only for backup semantics, as on Windows. Pipes and sockets are no files
  // Windows would know by a path, and reading one could wait for ever.
  if ((isFolder && !backupSemantics) || S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)) {
    close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  if ((accessFlags & O_PATH) == 0) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if ((flagsAndAttributes & FILE_FLAG_SEQUENTIAL_SCAN) != 0) posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  if ((flagsAndAttributes & FILE_FLAG_RANDOM_ACCESS) != 0) posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
  bool deleteOnClose = (flagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) != 0;
  HANDLE handle = winapi::insertHandle(std::make_shared<FileObject>(fd, path, canRead, canWrite, deleteOnClose));
  // Windows reports an existing file that OPEN_ALWAYS or CREATE_ALWAYS opened.
  bool reportsExisting = disposition == OPEN_ALWAYS || disposition == CREATE_ALWAYS;
  SetLastError(reportsExisting && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

extern "C" BOOL WINAPI ReadFile(HANDLE handle, LPVOID buffer, DWORD size, LPDWORD bytesRead, LPOVERLAPPED overlapped) {
  if (bytesRead != nullptr) *bytesRead = 0;
  std::shared_ptr<FileObject> file = winapi::fileOf(handle);
  if (file == nullptr) return FALSE;
  if (overlapped != nullptr || bytesRead == nullptr || (buffer == nullptr && size > 0)) {
    return failWith(ERROR_INVALID_PARAMETER);
  }
  if (!file->canRead()) return failWith(ERROR_ACCESS_DENIED);
  // A file read returns everything asked for unless the end comes first.
  char* data = static_cast<char*>(buffer);
  DWORD done = 0;
  while (done < size) {
    ssize_t n = read(file->fd(), data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      *bytesRead = done;
      return failWith(winapi::files::errorFromErrno(errno));
    }
    if (n == 0) break;
    done += static_cast<DWORD>(n);
  }
  *bytesRead = done;
  return TRUE;
}

extern "C" BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
  return winapi::s_writeFile.load()(handle, buffer, size, written, overlapped);
}

extern "C" BOOL WINAPI SetFilePointerEx(HANDLE handle, LARGE_INTEGER distance, PLARGE_INTEGER newPointer,
                                        DWORD moveMethod) {
  std::shared_ptr<FileObject> file = winapi::fileOf(handle);
  if (file == nullptr) return FALSE;
  int whence = moveMethod == FILE_BEGIN     ? SEEK_SET
               : moveMethod == FILE_CURRENT ? SEEK_CUR
               : moveMethod == FILE_END     ? SEEK_END
                                            : -1;
  if (whence < 0) return failWith(ERROR_INVALID_PARAMETER);
  off_t base = 0;
  if (whence != SEEK_SET) {
    base = lseek(file->fd(), 0, whence);
    if (base < 0) return failWith(winapi::files::errorFromErrno(errno));
  }
  if (base + distance.QuadPart < 0) return failWith(ERROR_NEGATIVE_SEEK);
  off_t position = lseek(file->fd(), base + distance.QuadPart, SEEK_SET);
  if (position < 0) return failWith(winapi::files::errorFromErrno(errno));
  if (newPointer != nullptr) newPointer->QuadPart = position;
  return TRUE;
}

extern "C" BOOL WINAPI FlushFileBuffers(HANDLE handle) {
  std::shared_ptr<FileObject> file = winapi::fileOf(handle);
  if (file == nullptr) return FALSE;
  if (!file->canWrite()) return failWith(ERROR_ACCESS_DENIED);
  if (fsync(file->fd()) != 0 && errno != EINVAL) return failWith(winapi::files::errorFromErrno(errno));
  return TRUE;
}

extern "C" BOOL WINAPI SetEndOfFile(HANDLE handle) {
  std::shared_ptr<FileObject> file = winapi::fileOf(handle);
  if (file == nullptr) return FALSE;
  if (!file->canWrite()) return failWith(ERROR_ACCESS_DENIED);
  off_t position = lseek(file->fd(), 0, SEEK_CUR);
  if (position < 0 || ftruncate(file->fd(), position) != 0) return failWith(winapi::files::errorFromErrno(errno));
  return TRUE;
}

extern "C" BOOL WINAPI GetFileSizeEx(HANDLE handle, PLARGE_INTEGER size) {
  struct stat status;
  if (winapi::statusOf(handle, size, &status) == nullptr) return FALSE;
  size->QuadPart = status.st_size;
  return TRUE;
}

extern "C" BOOL WINAPI GetFileInformationByHandle(HANDLE handle, LPBY_HANDLE_FILE_INFORMATION information) {
  struct stat status;
  std::shared_ptr<FileObject> file = winapi::statusOf(handle, information, &status);
  if (file == nullptr) return FALSE;
  winapi::files::Times times = winapi::files::timesOf(file->fd(), "", status);
  information->dwFileAttributes = winapi::files::attributesOf(status, winapi::files::lastName(file->path()), nullptr);
  information->ftCreationTime = times.creation;
  information->ftLastAccessTime = times.lastAccess;
  information->ftLastWriteTime = times.lastWrite;
  information->dwVolumeSerialNumber = static_cast<DWORD>(status.st_dev);
  information->nFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(status.st_size) >> 32);
  information->nFileSizeLow = static_cast<DWORD>(status.st_size);
  information->nNumberOfLinks = static_cast<DWORD>(status.st_nlink);
  information->nFileIndexHigh = static_cast<DWORD>(static_cast<uint64_t>(status.st_ino) >> 32);
  information->nFileIndexLow = static_cast<DWORD>(status.st_ino);
  return TRUE;
}

extern "C" BOOL WINAPI SetFileTime(HANDLE handle, const FILETIME* creationTime, const FILETIME* lastAccessTime,
                                   const FILETIME* lastWriteTime) {
  std::shared_ptr<FileObject> file = winapi::fileOf(handle);
  if (file == nullptr) return FALSE;
  (void)creationTime;  // this system keeps no settable creation time
  auto toTimespec = [](const FILETIME* time) {
    struct timespec out {};
    if (time == nullptr) {
      out.tv_nsec = UTIME_OMIT;
      return out;
    }
    const int64_t ticks =
        static_cast<int64_t>((static_cast<uint64_t>(time->dwHighDateTime) << 32) | time->dwLowDateTime) -
        winapi::filetime::kUnixEpoch;
    out.tv_sec = ticks / winapi::filetime::kTicksPerSecond;
    out.tv_nsec = (ticks % winapi::filetime::kTicksPerSecond) * 100;
    if (out.tv_nsec < 0) {
      out.tv_nsec += 1000000000;
      --out.tv_sec;
    }
    return out;
  };
  const struct timespec times[2] = {toTimespec(lastAccessTime), toTimespec(lastWriteTime)};
  if (futimens(file->fd(), times) != 0) return failWith(winapi::files::errorFromErrno(errno));
  return TRUE;
}

extern "C" DWORD WINAPI GetFinalPathNameByHandleW(HANDLE handle, LPWSTR path, DWORD size, DWORD) {
  std::shared_ptr<FileObject> file = winapi::fileOf(handle);
  if (file == nullptr) return 0;
  char target[4096];
  const std::string link = "/proc/self/fd/" + std::to_string(file->fd());
  const ssize_t got = readlink(link.c_str(), target, sizeof target - 1);
  if (got <= 0) {
    SetLastError(winapi::files::errorFromErrno(errno));
    return 0;
  }
  const std::u16string text = winapi::paths::toWindows(std::string_view(target, static_cast<size_t>(got)));
  if (path == nullptr || size <= text.size()) return static_cast<DWORD>(text.size() + 1);
  std::char_traits<char16_t>::copy(path, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}
