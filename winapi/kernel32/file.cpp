// File handles: CreateFileW and the calls on an open file.
// A new temporary file (CREATE_NEW with FILE_ATTRIBUTE_TEMPORARY and FILE_FLAG_DELETE_ON_CLOSE)
// has no name at all until SetFileInformationByHandle gives it one (an O_TMPFILE file in the
// folder of the name it was created with), so no other program sees it half-written and a
// process that ends any way leaves nothing. Where the file system cannot make such a file it
// gets a hidden name beside that name (".NAME.XXXXXX"), which every failure and every end of
// the process but SIGKILL removes. Giving such a file its name ends its delete on close: that
// rename is how a finished temporary is kept, whereas Windows would still delete it.
// What WriteFile puts in a file goes to the disk behind the writer, every 4 MiB, as Windows'
// cache manager writes behind: a later FlushFileBuffers then waits for the last few MiB only,
// not for everything the file ever received.
// Left out: share modes (accepted, not enforced: POSIX has none), overlapped input and output
// (refused), FILE_FLAG_NO_BUFFERING (accepted; the page cache stays in use), opening a new
// temporary file again by its name (it has none), and every information class of
// SetFileInformationByHandle but FileRenameInfo and FileDispositionInfo.
#include <windows.h>
#include <winseam.h>

#include "winapi/base/filetime.h"
#include "winapi/base/handle.h"
#include "winapi/base/unixpath.h"
#include "winapi/kernel32/posixfile.h"
#include "winapi/kernel32/unfinished.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <mutex>

namespace winapi {
namespace {

std::atomic<bool> s_unnamedRefused{false};

/// How a file is bound to its name.
enum class Naming {
  /// An ordinary file under its name.
  kNamed,
  /// A new temporary file without a name (O_TMPFILE); `path` is the name it was created with.
  kUnnamed,
  /// A new temporary file under a hidden name, listed for removal until it takes its own.
  kHidden,
};

class FileObject : public KernelObject {
 public:
  FileObject(int fd, std::string path, bool canRead, bool canWrite, bool deleteOnClose, Naming naming,
             files::UnfinishedSlot* slot)
      : m_fd(fd),
        m_path(std::move(path)),
        m_canRead(canRead),
        m_canWrite(canWrite),
        m_deleteOnClose(deleteOnClose),
        m_naming(naming),
        m_slot(slot) {}
  ~FileObject() override {
    close(m_fd);
    if (m_deleteOnClose && m_naming != Naming::kUnnamed) unlink(m_path.c_str());
    files::dropUnfinished(m_slot);
  }
  int fd() const { return m_fd; }
  std::string path() const {
    std::lock_guard guard(m_lock);
    return m_path;
  }
  bool canRead() const { return m_canRead; }
  bool canWrite() const { return m_canWrite; }
  /// Gives the file the name `target` (replacing a file there only with `replace`); false with
  /// errno set when it cannot.
  bool rename(const std::string& target, bool replace);
  /// Marks the file to be deleted on close, or keeps it; false with errno set when it cannot.
  bool setDeleteOnClose(bool on);
  /// Counts `bytes` just written and, every kWriteBehindBytes, starts writing what was written
  /// to the disk without waiting for it.
  void writeBehind(DWORD bytes);

 private:
  const int m_fd;
  mutable std::mutex m_lock;  // guards the naming, which any thread holding the handle may change
  std::string m_path;
  const bool m_canRead;
  const bool m_canWrite;
  bool m_deleteOnClose;
  Naming m_naming;
  files::UnfinishedSlot* m_slot;
  /// Bytes written since the disk was last asked to take them.
  std::atomic<uint64_t> m_notWrittenBehind{0};
};

/// 4 MiB: a few milliseconds of a disk's writing, and a system call per 64 writes of a 64 KiB
/// buffer.
constexpr uint64_t kWriteBehindBytes = 4 << 20;

void FileObject::writeBehind(DWORD bytes) {
  if (m_notWrittenBehind.fetch_add(bytes, std::memory_order_relaxed) + bytes < kWriteBehindBytes) return;
  m_notWrittenBehind.store(0, std::memory_order_relaxed);
  // Asks for the whole file: pages already on their way or clean are passed over, and a writer
  // that went back to rewrite a header is covered too. It only starts the writing, and a file
  // that cannot take it (a pipe) refuses it; either way nothing else depends on it.
  sync_file_range(m_fd, 0, 0, SYNC_FILE_RANGE_WRITE);
}

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
  file->writeBehind(done);
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

// ".NAME.XXXXXX" in the folder of `target`: hidden, telling which file it stands for, and cut
// (at a character's start) to fit the 255 bytes of a file name.
std::string hiddenBeside(const std::string& target) {
  static std::atomic<uint64_t> s_counter{0};
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  const size_t slash = target.find_last_of('/');
  std::string name = target.substr(slash + 1);
  constexpr size_t kRoom = 255 - 8;
  if (name.size() > kRoom) {
    size_t cut = kRoom;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  struct timespec now {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  uint64_t mix = (s_counter.fetch_add(1) + 1) * 0x9E3779B97F4A7C15ULL;
  mix ^= static_cast<uint64_t>(now.tv_nsec) ^ (static_cast<uint64_t>(getpid()) << 32);
  std::string hidden = target.substr(0, slash + 1) + "." + name + ".";
  for (int i = 0; i < 6; ++i, mix /= sizeof kLetters - 1) hidden += kLetters[mix % (sizeof kLetters - 1)];
  return hidden;
}

// Makes a file under a new hidden name beside `target` through `make` (false with errno set,
// EEXIST for a name already taken), listed for removal before it exists. The name goes to
// `*hidden`; null with errno set on failure.
template <typename Make>
files::UnfinishedSlot* makeHidden(const std::string& target, std::string* hidden, Make make) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    *hidden = hiddenBeside(target);
    files::UnfinishedSlot* slot = files::reserveUnfinished(hidden->c_str());
    if (slot == nullptr) return nullptr;
    if (make(*hidden)) {
      files::armUnfinished(slot);
      return slot;
    }
    const int error = errno;
    files::dropUnfinished(slot);
    errno = error;
    if (error != EEXIST) return nullptr;
  }
  errno = EEXIST;
  return nullptr;
}

// Gives the unnamed file `fd` the name `target`; a file already there stays (EEXIST).
bool linkUnnamed(int fd, const std::string& target) {
  char link[32];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  if (linkat(AT_FDCWD, link, AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
  // Without /proc only a privileged process can link a descriptor itself.
  if (errno != ENOENT || access("/proc/self/fd", F_OK) == 0) return false;
  return linkat(fd, "", AT_FDCWD, target.c_str(), AT_EMPTY_PATH) == 0;
}

// A rename that never replaces a file (EEXIST).
bool renameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without that rename: a second name, then the first one goes. One without
  // links either cannot promise to leave a file alone, and the rename is refused.
  if (link(from.c_str(), to.c_str()) != 0) {
    if (errno == EPERM) errno = EOPNOTSUPP;
    return false;
  }
  unlink(from.c_str());
  return true;
}

bool FileObject::rename(const std::string& target, bool replace) {
  std::lock_guard guard(m_lock);
  if (m_naming == Naming::kUnnamed) {
    if (!replace) {
      if (!linkUnnamed(m_fd, target)) return false;
    } else {
      // No call links a file over another: it takes a hidden name beside the target first, and
      // one rename puts it in place.
      std::string hidden;
      files::UnfinishedSlot* slot =
          makeHidden(target, &hidden, [this](const std::string& name) { return linkUnnamed(m_fd, name); });
      if (slot == nullptr) return false;
      const bool moved = ::rename(hidden.c_str(), target.c_str()) == 0;
      const int error = errno;
      if (!moved) unlink(hidden.c_str());
      files::dropUnfinished(slot);
      errno = error;
      if (!moved) return false;
    }
  } else if (replace ? ::rename(m_path.c_str(), target.c_str()) != 0 : !renameNoReplace(m_path, target)) {
    return false;
  }
  m_path = target;
  if (m_naming != Naming::kNamed) {
    // The temporary has its name now, and is kept.
    m_naming = Naming::kNamed;
    m_deleteOnClose = false;
    files::dropUnfinished(m_slot);
    m_slot = nullptr;
  } else if (m_slot != nullptr) {
    // A file to be deleted on close goes under its new name.
    files::UnfinishedSlot* renamed = files::reserveUnfinished(target.c_str());
    files::armUnfinished(renamed);
    files::dropUnfinished(m_slot);
    m_slot = renamed;
  }
  return true;
}

bool FileObject::setDeleteOnClose(bool on) {
  std::lock_guard guard(m_lock);
  if (m_naming != Naming::kNamed) {
    // A new temporary file is kept by giving it its name.
    if (on) return true;
    errno = EOPNOTSUPP;
    return false;
  }
  if (on == m_deleteOnClose) return true;
  if (on) {
    files::UnfinishedSlot* slot = files::reserveUnfinished(m_path.c_str());
    if (slot == nullptr) return false;
    files::armUnfinished(slot);
    m_slot = slot;
  } else {
    files::dropUnfinished(m_slot);
    m_slot = nullptr;
  }
  m_deleteOnClose = on;
  return true;
}

// A new temporary file that is to take the name `path`: without a name in that folder, or under
// a hidden one where the file system cannot make such a file.
HANDLE createTemporary(const std::string& path, int accessFlags, mode_t mode, bool canRead) {
  struct stat status;
  if (lstat(path.c_str(), &status) == 0) {
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
  }
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  if (!s_unnamedRefused.load()) {
    const int fd = open(folder.c_str(), O_TMPFILE | accessFlags, mode);
    if (fd >= 0) {
      return insertHandle(std::make_shared<FileObject>(fd, path, canRead, true, true, Naming::kUnnamed, nullptr));
    }
    // EOPNOTSUPP: a file system without unnamed files; EISDIR: a kernel without them.
    if (errno != EOPNOTSUPP && errno != EISDIR) {
      SetLastError(files::errorForPath(errno, path));
      return INVALID_HANDLE_VALUE;
    }
  }
  int fd = -1;
  std::string hidden;
  files::UnfinishedSlot* slot = makeHidden(path, &hidden, [&](const std::string& name) {
    fd = open(name.c_str(), accessFlags | O_CREAT | O_EXCL, mode);
    return fd >= 0;
  });
  if (slot == nullptr) {
    SetLastError(files::errorForPath(errno, path));
    return INVALID_HANDLE_VALUE;
  }
  return insertHandle(std::make_shared<FileObject>(fd, hidden, canRead, true, true, Naming::kHidden, slot));
}

}  // namespace

namespace seam {
WriteFileFunction replaceWriteFile(WriteFileFunction replacement) {
  return s_writeFile.exchange(replacement != nullptr ? replacement : &realWriteFile);
}
bool refuseUnnamedFiles(bool refused) { return s_unnamedRefused.exchange(refused); }
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
  const bool deleteOnClose = (flagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) != 0;
  if (deleteOnClose && (flagsAndAttributes & FILE_ATTRIBUTE_TEMPORARY) != 0 && disposition == CREATE_NEW && canWrite) {
    return winapi::createTemporary(path, accessFlags & ~O_NONBLOCK, mode, canRead);
  }

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
  // As on Windows, a file to be deleted on close goes however the process ends.
  winapi::files::UnfinishedSlot* slot = deleteOnClose ? winapi::files::reserveUnfinished(path.c_str()) : nullptr;
  winapi::files::armUnfinished(slot);
  HANDLE handle = winapi::insertHandle(
      std::make_shared<FileObject>(fd, path, canRead, canWrite, deleteOnClose, winapi::Naming::kNamed, slot));
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

extern "C" BOOL WINAPI SetFileInformationByHandle(HANDLE handle, FILE_INFO_BY_HANDLE_CLASS informationClass,
                                                  LPVOID information, DWORD size) {
  std::shared_ptr<FileObject> file = winapi::fileOf(handle);
  if (file == nullptr) return FALSE;
  if (information == nullptr) return failWith(ERROR_INVALID_PARAMETER);
  if (informationClass == FileDispositionInfo) {
    if (size < sizeof(FILE_DISPOSITION_INFO)) return failWith(ERROR_INVALID_PARAMETER);
    if (!file->setDeleteOnClose(static_cast<const FILE_DISPOSITION_INFO*>(information)->DeleteFile != FALSE)) {
      return failWith(winapi::files::errorFromErrno(errno));
    }
    return TRUE;
  }
  if (informationClass != FileRenameInfo) return failWith(ERROR_NOT_SUPPORTED);
  constexpr DWORD kNameAt = offsetof(FILE_RENAME_INFO, FileName);
  const auto* rename = static_cast<const FILE_RENAME_INFO*>(information);
  if (size < kNameAt || rename->FileNameLength % sizeof(WCHAR) != 0 || rename->FileNameLength > size - kNameAt) {
    return failWith(ERROR_INVALID_PARAMETER);
  }
  if (rename->RootDirectory != nullptr) return failWith(ERROR_NOT_SUPPORTED);
  std::u16string name(rename->FileName, rename->FileNameLength / sizeof(WCHAR));
  while (!name.empty() && name.back() == 0) name.pop_back();
  if (name.empty()) return failWith(ERROR_INVALID_PARAMETER);
  // A bare name renames the file within its folder, as on Windows.
  if (name.find_first_of(u"\\/:") == std::u16string::npos) {
    const std::string current = file->path();
    name = winapi::paths::toWindows(current.substr(0, current.find_last_of('/') + 1)) + name;
  }
  std::string target;
  if (!winapi::paths::toUnix(name, target)) return FALSE;
  if (!file->rename(target, rename->ReplaceIfExists != FALSE)) {
    const int error = errno;
    return failWith(error == EEXIST ? ERROR_ALREADY_EXISTS : winapi::files::errorForPath(error, target));
  }
  return TRUE;
}
