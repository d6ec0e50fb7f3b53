// Internal to the layer's file calls (kernel32, msvcrt, shell32): POSIX errors as Windows
// errors, and file status as Windows attributes and times.
#pragma once

#include <windows.h>

#include <sys/stat.h>

#include <string>
#include <string_view>

namespace winapi::files {

/// The Windows error for an errno value.
DWORD errorFromErrno(int error);

/// As errorFromErrno, but a missing file tells apart a missing name (ERROR_FILE_NOT_FOUND)
/// and a missing folder on the way (ERROR_PATH_NOT_FOUND), as Windows does.
DWORD errorForPath(int error, const std::string& unixPath);

/// Sets the last error from errno (and the path) and answers false.
bool failFromErrno(const std::string& unixPath = {});

/// The attribute word of a file given its lstat record and its name. `linkTarget` is the
/// stat record of a symbolic link's target (null when it has none).
DWORD attributesOf(const struct stat& status, std::string_view name, const struct stat* linkTarget);

/// Times of a file: creation is the birth time where the file system keeps it, else the last
/// write time.
struct Times {
  FILETIME creation;
  FILETIME lastAccess;
  FILETIME lastWrite;
};
/// `fd` with `path` relative to it as in fstatat (AT_FDCWD for plain paths; an empty path with
/// an fd answers for the fd itself). Does not follow a final symbolic link.
Times timesOf(int fd, const char* path, const struct stat& status);

FILETIME toFileTime(const struct timespec& time);

/// The last component of a POSIX path.
std::string_view lastName(std::string_view unixPath);

/// Makes a rename or a new entry beside `path` durable: its folder's entry list goes to the disk.
bool syncFolderOf(const std::string& path);

/// Whether `name` matches a Windows wildcard pattern ("*", "?", A-Z ignoring case; "*.*" every
/// name), as FindFirstFileW matches.
bool matchesWildcard(std::u16string_view pattern, std::u16string_view name);

}  // namespace winapi::files
