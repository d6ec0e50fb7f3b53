// Copying files, and moves between file systems by copy and delete.
// Status: CopyFileW (a clone, else copy_file_range, else a read and write loop; mode and last
// write time kept, as Windows keeps the attributes and the time), the copying road of MoveFileExW.
// Left out on purpose: progress callbacks and cancelling (CopyFileExW), and moving folders between
// file systems, which Windows refuses too.
#include <windows.h>

#include "winapi/base/unixpath.h"
#include "winapi/kernel32/copyfile.h"
#include "winapi/kernel32/posixfile.h"

#include <winseam.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <vector>

namespace {

BOOL WINAPI realCopyStep(LPCWSTR, ULONGLONG, ULONGLONG) { return TRUE; }

std::atomic<winapi::seam::CopyFileStepFunction> s_copyStep{&realCopyStep};

bool failWith(DWORD error) {
  SetLastError(error);
  return false;
}

// The read and write road, in blocks; each block is reported to the step seam.
bool copyByBlocks(int from, int to, off_t total, const char16_t* target, bool reportSteps) {
  std::vector<char> block(reportSteps ? 65536 : 1 << 20);
  ULONGLONG done = 0;
  for (;;) {
    ssize_t got = read(from, block.data(), block.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return winapi::files::failFromErrno();
    if (got == 0) return true;
    for (ssize_t put = 0; put < got;) {
      ssize_t n = write(to, block.data() + put, static_cast<size_t>(got - put));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return winapi::files::failFromErrno();
      put += n;
    }
    done += static_cast<ULONGLONG>(got);
    if (reportSteps && !s_copyStep.load()(target, done, static_cast<ULONGLONG>(total))) return false;
  }
}

// Data from `from` to `to`: a clone where the file system shares blocks, else the kernel's copy,
// else blocks. A replaced step seam always takes the block road, so it sees every block.
bool copyData(int from, int to, off_t total, const char16_t* target) {
  const bool reportSteps = s_copyStep.load() != &realCopyStep;
  if (!reportSteps) {
    if (ioctl(to, FICLONE, from) == 0) return true;
    off_t left = total;
    bool kernelCopies = true;
    while (left > 0) {
      ssize_t n = copy_file_range(from, nullptr, to, nullptr, static_cast<size_t>(left), 0);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        if (left == total && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
          kernelCopies = false;  // nothing copied yet: the block road takes over
          break;
        }
        return winapi::files::failFromErrno();
      }
      if (n == 0) break;  // the source shrank under us: what is there is copied
      left -= n;
    }
    if (kernelCopies) {
      // A file that grew while it was copied gets the rest by blocks.
      return left > 0 || copyByBlocks(from, to, total, target, false);
    }
  }
  return copyByBlocks(from, to, total, target, reportSteps);
}

}  // namespace

namespace winapi::seam {
CopyFileStepFunction replaceCopyFileStep(CopyFileStepFunction replacement) {
  return s_copyStep.exchange(replacement != nullptr ? replacement : &realCopyStep);
}
}  // namespace winapi::seam

namespace winapi::files {

bool copyFile(const std::string& from, const std::string& to, bool failIfExists, const char16_t* targetName) {
  const int source = open(from.c_str(), O_RDONLY | O_CLOEXEC);  // a link is followed, as on Windows
  if (source < 0) return failFromErrno(from);
  struct stat status;
  if (fstat(source, &status) != 0 || S_ISDIR(status.st_mode)) {
    close(source);
    return failWith(ERROR_ACCESS_DENIED);
  }
  struct stat existing;
  if (stat(to.c_str(), &existing) == 0) {
    if (failIfExists) {
      close(source);
      return failWith(ERROR_FILE_EXISTS);
    }
    // Windows does not write over a read-only file, nor over a folder.
    if (S_ISDIR(existing.st_mode) || (existing.st_mode & S_IWUSR) == 0) {
      close(source);
      return failWith(ERROR_ACCESS_DENIED);
    }
    if (existing.st_dev == status.st_dev && existing.st_ino == status.st_ino) {
      close(source);
      return failWith(ERROR_SHARING_VIOLATION);  // a file copied onto itself
    }
  }
  const int target =
      open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (failIfExists ? O_EXCL : 0), S_IRUSR | S_IWUSR);
  if (target < 0) {
    const int error = errno;
    close(source);
    if (error == EEXIST) return failWith(ERROR_FILE_EXISTS);
    return failWith(error == ENOENT ? ERROR_PATH_NOT_FOUND : errorFromErrno(error));
  }
  bool copied = copyData(source, target, status.st_size, targetName);
  DWORD error = copied ? ERROR_SUCCESS : GetLastError();
  if (copied) {
    const struct timespec times[2] = {status.st_atim, status.st_mtim};
    copied = fchmod(target, status.st_mode & 07777) == 0 && futimens(target, times) == 0;
    if (!copied) error = errorFromErrno(errno);
  }
  if (close(target) != 0 && copied) {
    copied = false;
    error = errorFromErrno(errno);
  }
  close(source);
  if (!copied) {
    // No partial target is left behind.
    unlink(to.c_str());
    return failWith(error);
  }
  return true;
}

}  // namespace winapi::files

extern "C" BOOL WINAPI CopyFileW(LPCWSTR existingFileName, LPCWSTR newFileName, BOOL failIfExists) {
  std::string from;
  std::string to;
  if (!winapi::paths::toUnix(existingFileName, from) || !winapi::paths::toUnix(newFileName, to)) return FALSE;
  return winapi::files::copyFile(from, to, failIfExists != FALSE, newFileName) ? TRUE : FALSE;
}
