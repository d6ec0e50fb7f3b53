// The C run-time's wide file calls the program uses: access tests, permissions, file status,
// folder and file creation by name, descriptor reads, writes and seeks, and the split and
// composition of path texts. Paths are Windows paths as in the file API (drive Z: is the POSIX
// root); errors are reported in errno.
#pragma once

#include <winnt.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>

typedef int errno_t;
typedef int64_t __time64_t;

// Access modes of _waccess.
#define _A_EXIST 0
#define _A_WRITE 2
#define _A_READ 4

// Permission and type bits of _wchmod and _wstat64.
#define _S_IFMT 0xF000
#define _S_IFDIR 0x4000
#define _S_IFREG 0x8000
#define _S_IREAD 0x0100
#define _S_IWRITE 0x0080
#define _S_IEXEC 0x0040

// Flags of _wsopen_s. Files are always binary: text-mode translation is refused.
#define _O_RDONLY 0x0000
#define _O_WRONLY 0x0001
#define _O_RDWR 0x0002
#define _O_APPEND 0x0008
#define _O_CREAT 0x0100
#define _O_TRUNC 0x0200
#define _O_EXCL 0x0400
#define _O_TEXT 0x4000
#define _O_BINARY 0x8000
#define _SH_DENYRW 0x10
#define _SH_DENYWR 0x20
#define _SH_DENYRD 0x30
#define _SH_DENYNO 0x40

// Buffer sizes of the path split, terminator included.
#define _MAX_DRIVE 3
#define _MAX_DIR 256
#define _MAX_FNAME 256
#define _MAX_EXT 256

// The run-time's own status record, not the system's, which only the layer's sources see.
// A source that also reads the system's <sys/stat.h>, before or after this header, gets the
// names st_atime, st_mtime and st_ctime as macros for st_atim.tv_sec and its siblings. Each
// time field is therefore reachable by both spellings: as itself, and as the tv_sec of a
// record that shares its storage. The record keeps the Windows layout either way.
struct _crt_time_field {
  __time64_t tv_sec;
};

#pragma push_macro("st_atime")
#pragma push_macro("st_mtime")
#pragma push_macro("st_ctime")
#undef st_atime
#undef st_mtime
#undef st_ctime
struct _stat64 {
  uint32_t st_dev;  // the drive number: 25 for Z:
  uint16_t st_ino;
  uint16_t st_mode;
  int16_t st_nlink;
  int16_t st_uid;
  int16_t st_gid;
  uint32_t st_rdev;
  int64_t st_size;
  union {
    __time64_t st_atime;
    struct _crt_time_field st_atim;
  };
  union {
    __time64_t st_mtime;
    struct _crt_time_field st_mtim;
  };
  union {
    __time64_t st_ctime;  // the creation time, as on Windows
    struct _crt_time_field st_ctim;
  };
};
#pragma pop_macro("st_ctime")
#pragma pop_macro("st_mtime")
#pragma pop_macro("st_atime")

#ifdef __cplusplus
extern "C" {
#endif

/// 0 when the path exists and allows the access (0 existence, 2 write, 4 read, 6 both);
/// -1 with errno ENOENT, EACCES or EINVAL otherwise. A read-only file is not writable, also
/// for a privileged user.
int _waccess(const WCHAR* path, int mode);
/// _S_IWRITE makes the file writable by its owner; without it every write permission goes.
int _wchmod(const WCHAR* path, int mode);
/// Follows symbolic links. 0, or -1 with errno.
int _wstat64(const WCHAR* path, struct _stat64* status);
int _wmkdir(const WCHAR* path);
/// The descriptor it answers is the system's own file descriptor, usable by libraries that take
/// one (libid3tag's id3_file_fdopen among them) and valid until `_close`.
errno_t _wsopen_s(int* fd, const WCHAR* path, int openFlags, int shareFlags, int permission);
int _close(int fd);
/// The new position, or -1 with errno (EBADF, EINVAL for a negative position).
int64_t _lseeki64(int fd, int64_t offset, int origin);
/// Bytes read (0 at the end), or -1 with errno.
int _read(int fd, void* buffer, unsigned int count);
/// Bytes written, or -1 with errno (ENOSPC for a full disk). A short count is retried until all
/// is written or an error stops it.
int _write(int fd, const void* buffer, unsigned int count);
/// Puts the file's data on the disk; 0, or -1 with errno.
int _commit(int fd);
/// The file's length in bytes, or -1 with errno.
int64_t _filelengthi64(int fd);

/// Splits at the drive (a second unit ":"), the last "\" or "/", and the last "." of the name.
/// A null part with size 0 is skipped. EINVAL for a null path or an inconsistent buffer,
/// ERANGE when a part does not fit (every part is then empty).
errno_t _wsplitpath_s(const WCHAR* path, WCHAR* drive, size_t driveSize, WCHAR* dir, size_t dirSize, WCHAR* fname,
                      size_t fnameSize, WCHAR* ext, size_t extSize);
/// Joins the parts, adding ":" after a lone drive letter, "\" after a folder that lacks one
/// and "." before an extension that lacks one.
errno_t _wmakepath_s(WCHAR* path, size_t size, const WCHAR* drive, const WCHAR* dir, const WCHAR* fname,
                     const WCHAR* ext);

#ifdef __cplusplus
}
#endif
