// Questions about files and folders by name: attributes, listings, volumes, full paths.
// Left out: volume labels (POSIX volumes have none at this level: the name is empty), short
// 8.3 names (never made), and matching wildcards against short names.
#include <windows.h>

#include "winapi/base/ascii.h"
#include "winapi/base/debug.h"
#include "winapi/base/handle.h"
#include "winapi/base/unixpath.h"
#include "winapi/base/utf8.h"
#include "winapi/kernel32/posixfile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace winapi {
namespace {

BOOL failWith(DWORD error) {
  SetLastError(error);
  return FALSE;
}

char16_t fold(char16_t c) { return winapi::ascii::toUpper(c); }

// Windows wildcard matching: "*" any run, "?" any one unit, A-Z compared ignoring case.
bool matches(std::u16string_view pattern, std::u16string_view name) {
  size_t p = 0, n = 0, starP = std::u16string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || fold(pattern[p]) == fold(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      starP = p++;
      starN = n;
    } else if (starP != std::u16string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

bool matchesPattern(std::u16string_view pattern, std::u16string_view name) {
  // "*.*" has always meant every name, also names without a dot.
  if (pattern == u"*.*" || pattern == u"*") return true;
  return matches(pattern, name);
}

// One entry of a listing as FindFirstFileW and FindNextFileW report it. Its name, already cut to
// what cFileName holds, lives in the listing's shared text: a listing of a large folder keeps a
// few dozen bytes an entry instead of a whole WIN32_FIND_DATAW.
struct FoundEntry {
  DWORD attributes = 0;
  DWORD reparseTag = 0;
  FILETIME creation{};
  FILETIME lastAccess{};
  FILETIME lastWrite{};
  uint64_t size = 0;
  size_t nameAt = 0;
  size_t nameUnits = 0;
};

// The entry of `path` (relative to folderFd as in fstatat) whose last name is `name`, from its
// lstat record and times.
FoundEntry describe(int folderFd, const char* path, std::string_view name, const struct stat& status,
                    const files::Times& times) {
  FoundEntry entry;
  struct stat target;
  bool isLink = S_ISLNK(status.st_mode);
  bool hasTarget = isLink && fstatat(folderFd, path, &target, 0) == 0;
  entry.attributes = files::attributesOf(status, name, hasTarget ? &target : nullptr);
  entry.creation = times.creation;
  entry.lastAccess = times.lastAccess;
  entry.lastWrite = times.lastWrite;
  // A link's own size means nothing to Windows callers; folders have none either.
  entry.size = isLink || S_ISDIR(status.st_mode) ? 0 : static_cast<uint64_t>(status.st_size);
  if (isLink) entry.reparseTag = IO_REPARSE_TAG_SYMLINK;
  return entry;
}

void toFindData(const FoundEntry& entry, const char16_t* name, WIN32_FIND_DATAW& data) {
  std::memset(&data, 0, sizeof data);
  data.dwFileAttributes = entry.attributes;
  data.ftCreationTime = entry.creation;
  data.ftLastAccessTime = entry.lastAccess;
  data.ftLastWriteTime = entry.lastWrite;
  data.nFileSizeHigh = static_cast<DWORD>(entry.size >> 32);
  data.nFileSizeLow = static_cast<DWORD>(entry.size);
  data.dwReserved0 = entry.reparseTag;
  std::memcpy(data.cFileName, name, entry.nameUnits * sizeof(char16_t));
  data.cFileName[entry.nameUnits] = 0;
}

// The lstat record and times of `path` relative to `fd`: one statx call tells both where the
// file system answers every field, else lstat and the birth time asked apart, as for any path.
// False when the entry is gone.
bool statEntry(int fd, const char* path, struct stat& status, files::Times& times) {
  constexpr unsigned kNeeded = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_ATIME | STATX_MTIME;
  struct statx extended;
  if (statx(fd, path, AT_SYMLINK_NOFOLLOW, kNeeded | STATX_BTIME, &extended) == 0 &&
      (extended.stx_mask & kNeeded) == kNeeded) {
    std::memset(&status, 0, sizeof status);
    status.st_mode = extended.stx_mode;
    status.st_size = static_cast<off_t>(extended.stx_size);
    status.st_atim.tv_sec = extended.stx_atime.tv_sec;
    status.st_atim.tv_nsec = extended.stx_atime.tv_nsec;
    status.st_mtim.tv_sec = extended.stx_mtime.tv_sec;
    status.st_mtim.tv_nsec = extended.stx_mtime.tv_nsec;
    times.lastAccess = files::toFileTime(status.st_atim);
    times.lastWrite = files::toFileTime(status.st_mtim);
    times.creation = times.lastWrite;
    if ((extended.stx_mask & STATX_BTIME) != 0) {
      struct timespec birth {};
      birth.tv_sec = extended.stx_btime.tv_sec;
      birth.tv_nsec = extended.stx_btime.tv_nsec;
      times.creation = files::toFileTime(birth);
    }
    return true;
  }
  if (fstatat(fd, path, &status, AT_SYMLINK_NOFOLLOW) != 0) return false;
  times = files::timesOf(fd, path, status);
  return true;
}

// A listing's entries and their names, each name followed by a NUL.
struct Listing {
  std::vector<FoundEntry> entries;
  std::u16string names;

  void add(FoundEntry entry, std::u16string_view name) {
    entry.nameAt = names.size();
    entry.nameUnits = std::min<size_t>(name.size(), MAX_PATH - 1);
    names.append(name.substr(0, entry.nameUnits));
    names.push_back(0);
    entries.push_back(entry);
  }
};

class FindObject : public KernelObject {
 public:
  explicit FindObject(Listing listing) : m_listing(std::move(listing)) {}
  bool closableByCloseHandle() const override { return false; }
  bool next(WIN32_FIND_DATAW* data) {
    std::lock_guard guard(m_lock);
    if (m_next >= m_listing.entries.size()) return false;
    const FoundEntry& entry = m_listing.entries[m_next++];
    toFindData(entry, m_listing.names.data() + entry.nameAt, *data);
    return true;
  }

 private:
  std::mutex m_lock;
  Listing m_listing;
  size_t m_next = 0;
};

bool hasWildcard(std::u16string_view text) { return text.find_first_of(u"*?") != std::u16string_view::npos; }

// The sort key Windows listings follow: names compared with A-Z folded to upper case.
bool nameLess(const char16_t* a, const char16_t* b) {
  for (size_t i = 0;; ++i) {
    char16_t x = fold(a[i]), y = fold(b[i]);
    if (x != y || x == 0) return x < y;
  }
}

// The file-system name of a statfs magic number.
const char16_t* fileSystemName(long type, uint64_t bytes) {
  switch (static_cast<unsigned long>(type)) {
    case 0x4d44:  // msdos and vfat
      return bytes > (uint64_t{2} << 30) ? u"FAT32" : u"FAT";
    case 0x5346544e:  // ntfs
    case 0x7366746e:  // ntfs3
      return u"NTFS";
    case 0x2011BAB0: return u"exFAT";
    case 0xEF53: return u"ext4";
    case 0x9123683E: return u"btrfs";
    case 0x58465342: return u"xfs";
    case 0x01021994: return u"tmpfs";
    case 0x794c7630: return u"overlay";
    case 0x6969: return u"NFS";
    case 0xFF534D42:
    case 0xFE534D42: return u"CIFS";
    case 0x65735546: return u"fuse";
    case 0x2fc12fc1: return u"zfs";
    case 0xF2F52010: return u"f2fs";
    case 0x9660: return u"CDFS";
    case 0x15013346: return u"UDF";
    default: return u"unknown";
  }
}

// The folder a volume query names: any existing folder; no name means the current folder.
bool volumeFolder(LPCWSTR root, std::string& out) {
  if (root == nullptr) {
    out = ".";
    return true;
  }
  return paths::toUnix(root, out);
}

bool copyText(const char16_t* text, LPWSTR buffer, DWORD size) {
  size_t length = std::char_traits<char16_t>::length(text);
  if (buffer == nullptr) return true;
  if (length >= size) return false;
  std::memcpy(buffer, text, (length + 1) * sizeof(char16_t));
  return true;
}

}  // namespace

bool files::matchesWildcard(std::u16string_view pattern, std::u16string_view name) {
  return matchesPattern(pattern, name);
}

}  // namespace winapi

using winapi::failWith;

extern "C" DWORD WINAPI GetFileAttributesW(LPCWSTR fileName) {
  std::string path;
  if (!winapi::paths::toUnix(fileName, path)) return INVALID_FILE_ATTRIBUTES;
  struct stat status;
  if (lstat(path.c_str(), &status) != 0) {
    winapi::files::failFromErrno(path);
    return INVALID_FILE_ATTRIBUTES;
  }
  struct stat target;
  bool hasTarget = S_ISLNK(status.st_mode) && stat(path.c_str(), &target) == 0;
  return winapi::files::attributesOf(status, winapi::files::lastName(path), hasTarget ? &target : nullptr);
}

extern "C" BOOL WINAPI GetFileAttributesExW(LPCWSTR fileName, GET_FILEEX_INFO_LEVELS level, LPVOID information) {
  if (level != GetFileExInfoStandard || information == nullptr) return failWith(ERROR_INVALID_PARAMETER);
  std::string path;
  if (!winapi::paths::toUnix(fileName, path)) return FALSE;
  struct stat status;
  if (lstat(path.c_str(), &status) != 0) return winapi::files::failFromErrno(path);
  const winapi::FoundEntry found = winapi::describe(AT_FDCWD, path.c_str(), winapi::files::lastName(path), status,
                                                    winapi::files::timesOf(AT_FDCWD, path.c_str(), status));
  auto* data = static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(information);
  data->dwFileAttributes = found.attributes;
  data->ftCreationTime = found.creation;
  data->ftLastAccessTime = found.lastAccess;
  data->ftLastWriteTime = found.lastWrite;
  data->nFileSizeHigh = static_cast<DWORD>(found.size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(found.size);
  return TRUE;
}

extern "C" BOOL WINAPI SetFileAttributesW(LPCWSTR fileName, DWORD attributes) {
  std::string path;
  if (!winapi::paths::toUnix(fileName, path)) return FALSE;
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return winapi::files::failFromErrno(path);
  // Hidden is the leading dot of the name and system does not exist here: a request that
  // would change either cannot be honoured.
  bool hidden = winapi::files::lastName(path).substr(0, 1) == ".";
  if (((attributes & FILE_ATTRIBUTE_HIDDEN) != 0) != hidden || (attributes & FILE_ATTRIBUTE_SYSTEM) != 0 ||
      (attributes & (FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_ENCRYPTED | FILE_ATTRIBUTE_COMPRESSED)) != 0) {
    FIXME(Kernel32, "attributes 0x%lx: only read-only can change", static_cast<unsigned long>(attributes));
    return failWith(ERROR_NOT_SUPPORTED);
  }
  mode_t mode = status.st_mode & 07777;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  } else {
    mode |= S_IWUSR;
  }
  if (mode != (status.st_mode & 07777) && chmod(path.c_str(), mode) != 0) return winapi::files::failFromErrno(path);
  return TRUE;
}

extern "C" HANDLE WINAPI FindFirstFileW(LPCWSTR fileName, LPWIN32_FIND_DATAW findData) {
  if (fileName == nullptr || findData == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::u16string_view text(fileName);
  size_t slash = text.find_last_of(u"\\/");
  std::u16string pattern(slash == std::u16string_view::npos ? text : text.substr(slash + 1));
  std::u16string folder(slash == std::u16string_view::npos ? u"." : text.substr(0, slash + 1));
  if (pattern.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::string unixFolder;
  if (!winapi::paths::toUnix(folder.c_str(), unixFolder)) return INVALID_HANDLE_VALUE;

  winapi::Listing listing;
  int folderFd = open(unixFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd < 0) {
    SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : winapi::files::errorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  if (!winapi::hasWildcard(pattern)) {
    // A plain name: that one entry, found directly.
    std::string name;
    struct stat status;
    if (winapi::utf8::toUtf8(pattern, name, winapi::utf8::Invalid::Escape) &&
        fstatat(folderFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
      listing.add(winapi::describe(folderFd, name.c_str(), name, status,
                                   winapi::files::timesOf(folderFd, name.c_str(), status)),
                  pattern);
    }
  } else {
    DIR* dir = fdopendir(dup(folderFd));
    if (dir == nullptr) {
      close(folderFd);
      SetLastError(winapi::files::errorFromErrno(errno));
      return INVALID_HANDLE_VALUE;
    }
    while (struct dirent* entry = readdir(dir)) {
      // A name inside a folder is a one-name path: a "\" in it stays part of it.
      std::u16string name = winapi::paths::toWindows(entry->d_name);
      if (!winapi::matchesPattern(pattern, name)) continue;
      struct stat status;
      winapi::files::Times times;
      // An entry that vanished since it was read is not listed.
      if (!winapi::statEntry(folderFd, entry->d_name, status, times)) continue;
      listing.add(winapi::describe(folderFd, entry->d_name, entry->d_name, status, times), name);
    }
    closedir(dir);
    const char16_t* names = listing.names.data();
    std::sort(listing.entries.begin(), listing.entries.end(),
              [names](const winapi::FoundEntry& a, const winapi::FoundEntry& b) {
                return winapi::nameLess(names + a.nameAt, names + b.nameAt);
              });
  }
  close(folderFd);
  if (listing.entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto find = std::make_shared<winapi::FindObject>(std::move(listing));
  find->next(findData);
  SetLastError(ERROR_SUCCESS);
  return winapi::insertHandle(find);
}

extern "C" BOOL WINAPI FindNextFileW(HANDLE handle, LPWIN32_FIND_DATAW findData) {
  std::shared_ptr<winapi::FindObject> find = winapi::lookupHandleAs<winapi::FindObject>(handle);
  if (find == nullptr) return FALSE;
  if (findData == nullptr) return failWith(ERROR_INVALID_PARAMETER);
  if (!find->next(findData)) return failWith(ERROR_NO_MORE_FILES);
  return TRUE;
}

extern "C" BOOL WINAPI FindClose(HANDLE handle) {
  return winapi::removeHandleOf<winapi::FindObject>(handle) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI GetVolumeInformationW(LPCWSTR rootPathName, LPWSTR volumeName, DWORD volumeNameSize,
                                             LPDWORD volumeSerialNumber, LPDWORD maximumComponentLength,
                                             LPDWORD fileSystemFlags, LPWSTR fileSystemName, DWORD fileSystemNameSize) {
  std::string folder;
  if (!winapi::volumeFolder(rootPathName, folder)) return FALSE;
  struct statfs volume;
  struct stat status;
  if (statfs(folder.c_str(), &volume) != 0 || stat(folder.c_str(), &status) != 0) {
    return winapi::files::failFromErrno(folder);
  }
  if (!S_ISDIR(status.st_mode)) return failWith(ERROR_DIRECTORY);
  uint64_t bytes = static_cast<uint64_t>(volume.f_blocks) * static_cast<uint64_t>(volume.f_bsize);
  if (!winapi::copyText(u"", volumeName, volumeNameSize) ||
      !winapi::copyText(winapi::fileSystemName(volume.f_type, bytes), fileSystemName, fileSystemNameSize)) {
    return failWith(ERROR_BAD_LENGTH);
  }
  if (volumeSerialNumber != nullptr) *volumeSerialNumber = static_cast<DWORD>(status.st_dev);
  if (maximumComponentLength != nullptr) *maximumComponentLength = static_cast<DWORD>(volume.f_namelen);
  if (fileSystemFlags != nullptr) {
    *fileSystemFlags = FILE_CASE_SENSITIVE_SEARCH | FILE_CASE_PRESERVED_NAMES | FILE_UNICODE_ON_DISK |
                       ((volume.f_flags & ST_RDONLY) != 0 ? FILE_READ_ONLY_VOLUME : 0);
  }
  return TRUE;
}

extern "C" BOOL WINAPI GetDiskFreeSpaceW(LPCWSTR rootPathName, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector,
                                         LPDWORD numberOfFreeClusters, LPDWORD totalNumberOfClusters) {
  std::string folder;
  if (!winapi::volumeFolder(rootPathName, folder)) return FALSE;
  struct statvfs volume;
  if (statvfs(folder.c_str(), &volume) != 0) return winapi::files::failFromErrno(folder);
  // The allocation unit is the fragment size; it is told as 512-byte sectors where it divides.
  uint64_t unit = volume.f_frsize != 0 ? volume.f_frsize : volume.f_bsize;
  uint64_t sector = unit % 512 == 0 ? 512 : unit;
  auto clamp = [](uint64_t v) { return static_cast<DWORD>(std::min<uint64_t>(v, 0xFFFFFFFFu)); };
  if (sectorsPerCluster != nullptr) *sectorsPerCluster = clamp(unit / sector);
  if (bytesPerSector != nullptr) *bytesPerSector = clamp(sector);
  if (numberOfFreeClusters != nullptr) *numberOfFreeClusters = clamp(volume.f_bavail);
  if (totalNumberOfClusters != nullptr) *totalNumberOfClusters = clamp(volume.f_blocks);
  return TRUE;
}

extern "C" DWORD WINAPI GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart) {
  if (fileName == nullptr || *fileName == 0) {
    SetLastError(ERROR_INVALID_NAME);
    return 0;
  }
  std::u16string full = winapi::paths::fullPath(fileName);
  if (buffer == nullptr || full.size() >= bufferLength) return static_cast<DWORD>(full.size() + 1);
  std::memcpy(buffer, full.c_str(), (full.size() + 1) * sizeof(char16_t));
  if (filePart != nullptr) {
    size_t slash = full.find_last_of(u'\\');
    *filePart = slash == std::u16string::npos || slash + 1 == full.size() ? nullptr : buffer + slash + 1;
  }
  return static_cast<DWORD>(full.size());
}
