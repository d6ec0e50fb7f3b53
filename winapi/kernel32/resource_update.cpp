// Rewriting the resources of a module file.
// Status: BeginUpdateResourceW, UpdateResourceW, EndUpdateResourceW. The file is rewritten whole
// into a temporary file beside it, which then replaces it, so a crash leaves the old or the new
// file, never a mixture. Left out on purpose: files that a process is running (the system refuses
// to write them, as Windows does).
#include "winapi/base/handle.h"
#include "winapi/base/unixpath.h"
#include "winapi/kernel32/resource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using winapi::resources::ResourceEntry;

// An update in progress: the file and the resources it will hold. EndUpdateResourceW closes it.
class ResourceUpdate : public winapi::KernelObject {
 public:
  std::string path;
  std::vector<ResourceEntry> entries;
  bool closableByCloseHandle() const override { return false; }
};

DWORD errorOf(int error) {
  switch (error) {
    case ETXTBSY:  // a process runs the file
    case EBUSY: return ERROR_SHARING_VIOLATION;
    case EACCES:
    case EPERM:
    case EROFS: return ERROR_ACCESS_DENIED;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    default: return ERROR_WRITE_FAULT;
  }
}

bool fail(DWORD error) {
  SetLastError(error);
  return false;
}

// The file must be a regular file that this process may write and that no process runs: opening a
// running program for writing fails with ETXTBSY.
bool checkWritable(const std::string& path, struct stat& info) {
  if (stat(path.c_str(), &info) != 0) return fail(errorOf(errno));
  if (!S_ISREG(info.st_mode)) return fail(ERROR_ACCESS_DENIED);
  int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return fail(errorOf(errno));
  close(fd);
  return true;
}

bool writeAll(int fd, const uint8_t* bytes, size_t size) {
  while (size > 0) {
    ssize_t written = write(fd, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

// Copies the first `size` bytes of the file: the program part before the old container.
bool copyPrefix(const std::string& path, uint64_t size, int out) {
  int in = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  std::vector<uint8_t> buffer(1 << 16);
  bool ok = true;
  while (ok && size > 0) {
    ssize_t got = read(in, buffer.data(), std::min<uint64_t>(size, buffer.size()));
    if (got < 0 && errno == EINTR) continue;
    ok = got > 0 && writeAll(out, buffer.data(), static_cast<size_t>(got));
    if (ok) size -= static_cast<uint64_t>(got);
  }
  close(in);
  return ok;
}

bool replaceFile(const ResourceUpdate& update) {
  struct stat info;
  if (!checkWritable(update.path, info)) return false;
  // The file is read again: its program part may have changed since the update began.
  winapi::resources::FileResources current;
  winapi::resources::ReadStatus status = winapi::resources::readFile(update.path, current);
  if (status == winapi::resources::ReadStatus::Damaged) return fail(ERROR_BAD_EXE_FORMAT);
  if (status == winapi::resources::ReadStatus::IoError) return fail(ERROR_READ_FAULT);
  std::vector<uint8_t> container;
  if (!update.entries.empty()) {
    try {
      container = winapi::resources::serialize(update.entries);
    } catch (const std::exception&) {
      return fail(ERROR_NOT_ENOUGH_MEMORY);
    }
  }
  std::string temporary = update.path + ".update-XXXXXX";
  int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return fail(errorOf(errno));
  bool ok = copyPrefix(update.path, current.programSize, fd) && writeAll(fd, container.data(), container.size()) &&
            fchmod(fd, info.st_mode & 07777) == 0 && fsync(fd) == 0;
  int error = errno;
  ok = close(fd) == 0 && ok;
  if (ok && rename(temporary.c_str(), update.path.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    unlink(temporary.c_str());
    return fail(errorOf(error));
  }
  // The new name must reach the disk too, or a crash could bring the old file back.
  std::string folder = update.path.substr(0, update.path.find_last_of('/') + 1);
  int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return true;
}

}  // namespace

extern "C" {

HANDLE WINAPI BeginUpdateResourceW(LPCWSTR fileName, BOOL deleteExisting) {
  auto update = std::make_shared<ResourceUpdate>();
  struct stat info;
  if (!winapi::paths::toUnix(fileName, update->path) || !checkWritable(update->path, info)) {
    return nullptr;
  }
  winapi::resources::FileResources resources;
  switch (winapi::resources::readFile(update->path, resources)) {
    case winapi::resources::ReadStatus::Damaged:
      // Where a damaged container begins cannot be trusted, so nothing is rewritten.
      SetLastError(ERROR_BAD_EXE_FORMAT);
      return nullptr;
    case winapi::resources::ReadStatus::IoError: SetLastError(ERROR_READ_FAULT); return nullptr;
    default: break;
  }
  if (!deleteExisting) update->entries = std::move(resources.entries);
  return winapi::insertHandle(update);
}

BOOL WINAPI UpdateResourceW(HANDLE handle, LPCWSTR type, LPCWSTR name, WORD language, LPVOID data, DWORD size) {
  std::shared_ptr<ResourceUpdate> update = winapi::lookupHandleAs<ResourceUpdate>(handle);
  if (update == nullptr) return FALSE;
  if (type == nullptr || name == nullptr || (data == nullptr && size != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ResourceEntry entry;
  entry.type = winapi::resources::resourceIdOf(type);
  entry.name = winapi::resources::resourceIdOf(name);
  entry.language = language;
  auto& entries = update->entries;
  auto same = std::find_if(entries.begin(), entries.end(), [&](const ResourceEntry& e) {
    return e.type == entry.type && e.name == entry.name && e.language == entry.language;
  });
  if (same != entries.end()) entries.erase(same);
  if (data != nullptr) {  // no data deletes the resource
    const auto* bytes = static_cast<const uint8_t*>(data);
    entry.data.assign(bytes, bytes + size);
    entries.push_back(std::move(entry));
  }
  return TRUE;
}

BOOL WINAPI EndUpdateResourceW(HANDLE handle, BOOL discard) {
  std::shared_ptr<ResourceUpdate> update = winapi::lookupHandleAs<ResourceUpdate>(handle);
  if (update == nullptr) return FALSE;
  winapi::removeHandle(handle);  // the handle ends here, whatever the outcome
  return discard || replaceFile(*update) ? TRUE : FALSE;
}

}  // extern "C"
