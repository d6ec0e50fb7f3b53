// Files, folders and volumes. Paths are Windows paths: drive Z: is the POSIX root, "\\?\"
// prefixes are accepted, names are UTF-8 on disk. Attributes come from the file system:
// directory, read-only (no write bit for the owner), hidden (a name that begins with "."),
// reparse point (a symbolic link), device (a pipe, socket or device node); plain files without
// any of these read as FILE_ATTRIBUTE_NORMAL. A name whose links loop fails with
// ERROR_CANT_RESOLVE_FILENAME.
#pragma once

#include <winnt.h>
#include <windef.h>
#include <winbase.h>

#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004

#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5

#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_SYSTEM 0x00000004
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_DEVICE 0x00000040
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_TEMPORARY 0x00000100
#define FILE_ATTRIBUTE_SPARSE_FILE 0x00000200
#define FILE_ATTRIBUTE_REPARSE_POINT 0x00000400
#define FILE_ATTRIBUTE_COMPRESSED 0x00000800
#define FILE_ATTRIBUTE_OFFLINE 0x00001000
#define FILE_ATTRIBUTE_NOT_CONTENT_INDEXED 0x00002000
#define FILE_ATTRIBUTE_ENCRYPTED 0x00004000
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)

#define FILE_FLAG_WRITE_THROUGH 0x80000000UL
#define FILE_FLAG_OVERLAPPED 0x40000000UL
#define FILE_FLAG_NO_BUFFERING 0x20000000UL
#define FILE_FLAG_RANDOM_ACCESS 0x10000000UL
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000UL
#define FILE_FLAG_DELETE_ON_CLOSE 0x04000000UL
#define FILE_FLAG_BACKUP_SEMANTICS 0x02000000UL

#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_COPY_ALLOWED 0x00000002
#define MOVEFILE_DELAY_UNTIL_REBOOT 0x00000004
#define MOVEFILE_WRITE_THROUGH 0x00000008

// Flags of ReplaceFileW.
#define REPLACEFILE_WRITE_THROUGH 0x00000001
#define REPLACEFILE_IGNORE_MERGE_ERRORS 0x00000002
#define REPLACEFILE_IGNORE_ACL_ERRORS 0x00000004

#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

#define IO_REPARSE_TAG_SYMLINK 0xA000000CUL

// Volume flags reported by GetVolumeInformationW.
#define FILE_CASE_SENSITIVE_SEARCH 0x00000001
#define FILE_CASE_PRESERVED_NAMES 0x00000002
#define FILE_UNICODE_ON_DISK 0x00000004
#define FILE_READ_ONLY_VOLUME 0x00080000

typedef struct _OVERLAPPED {
  ULONG_PTR Internal;
  ULONG_PTR InternalHigh;
  union {
    struct {
      DWORD Offset;
      DWORD OffsetHigh;
    };
    PVOID Pointer;
  };
  HANDLE hEvent;
} OVERLAPPED, *LPOVERLAPPED;

typedef struct _WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;  // the reparse tag of a reparse point
  DWORD dwReserved1;
  WCHAR cFileName[MAX_PATH];
  WCHAR cAlternateFileName[14];
} WIN32_FIND_DATAW, *PWIN32_FIND_DATAW, *LPWIN32_FIND_DATAW;

typedef struct _BY_HANDLE_FILE_INFORMATION {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD dwVolumeSerialNumber;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD nNumberOfLinks;
  DWORD nFileIndexHigh;
  DWORD nFileIndexLow;
} BY_HANDLE_FILE_INFORMATION, *PBY_HANDLE_FILE_INFORMATION, *LPBY_HANDLE_FILE_INFORMATION;

typedef enum _GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard, GetFileExMaxInfoLevel } GET_FILEEX_INFO_LEVELS;

typedef struct _WIN32_FILE_ATTRIBUTE_DATA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
} WIN32_FILE_ATTRIBUTE_DATA, *LPWIN32_FILE_ATTRIBUTE_DATA;

// Information classes of SetFileInformationByHandle; FileRenameInfo and FileDispositionInfo are
// set here.
typedef enum _FILE_INFO_BY_HANDLE_CLASS {
  FileBasicInfo,
  FileStandardInfo,
  FileNameInfo,
  FileRenameInfo,
  FileDispositionInfo,
} FILE_INFO_BY_HANDLE_CLASS;

// TRUE deletes the file when its last handle closes (and when the process ends); FALSE keeps it.
typedef struct _FILE_DISPOSITION_INFO {
  BOOLEAN DeleteFile;
} FILE_DISPOSITION_INFO, *PFILE_DISPOSITION_INFO;

// A name of FileNameLength bytes follows the record; the caller allocates room for it.
typedef struct _FILE_RENAME_INFO {
  BOOLEAN ReplaceIfExists;
  HANDLE RootDirectory;
  DWORD FileNameLength;
  WCHAR FileName[1];
} FILE_RENAME_INFO, *PFILE_RENAME_INFO;

#ifdef __cplusplus
extern "C" {
#endif

// Share modes are accepted and not enforced: POSIX files have none. CREATE_NEW with
// FILE_ATTRIBUTE_TEMPORARY and FILE_FLAG_DELETE_ON_CLOSE makes a new temporary file in the
// folder of `fileName` that has no name there (or a hidden one, where the file system cannot
// do without) until SetFileInformationByHandle names it; closed before, or when the process
// ends, it is gone. Only a process killed with SIGKILL on such a file system leaves its hidden
// name behind.
HANDLE WINAPI CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                          DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
// Synchronous only: an OVERLAPPED record is refused with ERROR_INVALID_PARAMETER.
BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped);
BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED overlapped);
BOOL WINAPI SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER newPointer, DWORD moveMethod);
BOOL WINAPI FlushFileBuffers(HANDLE file);
BOOL WINAPI SetEndOfFile(HANDLE file);
BOOL WINAPI GetFileSizeEx(HANDLE file, PLARGE_INTEGER size);
BOOL WINAPI GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information);
// FileRenameInfo, without a root folder: the open file takes the name given (a bare name stays
// in the file's folder). Without ReplaceIfExists a file already there stays and the call fails
// with ERROR_ALREADY_EXISTS; with it, one rename replaces that file. A new temporary file
// (CREATE_NEW with FILE_ATTRIBUTE_TEMPORARY and FILE_FLAG_DELETE_ON_CLOSE) has no name until
// this call and is kept once it has one. FileDispositionInfo marks a file to be deleted when
// its handle closes, or the process ends, and clears that mark again (a new temporary file is
// kept by naming it: ERROR_NOT_SUPPORTED). Other classes: ERROR_NOT_SUPPORTED.
BOOL WINAPI SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS informationClass, LPVOID information,
                                       DWORD bufferSize);

DWORD WINAPI GetFileAttributesW(LPCWSTR fileName);
BOOL WINAPI GetFileAttributesExW(LPCWSTR fileName, GET_FILEEX_INFO_LEVELS level, LPVOID information);
// Only the read-only attribute can be changed. Hidden and system are refused unless the file
// already has that state; archive, normal, temporary and not-content-indexed have no storage
// here and change nothing.
BOOL WINAPI SetFileAttributesW(LPCWSTR fileName, DWORD attributes);

// Listings come sorted by name. "*" and "?" match as on Windows, ignoring the case of A-Z, and
// "*.*" matches names without a dot too.
HANDLE WINAPI FindFirstFileW(LPCWSTR fileName, LPWIN32_FIND_DATAW findData);
BOOL WINAPI FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW findData);
BOOL WINAPI FindClose(HANDLE find);

// The volume of any existing folder (a mount point here, not a drive).
BOOL WINAPI GetVolumeInformationW(LPCWSTR rootPathName, LPWSTR volumeName, DWORD volumeNameSize,
                                  LPDWORD volumeSerialNumber, LPDWORD maximumComponentLength, LPDWORD fileSystemFlags,
                                  LPWSTR fileSystemName, DWORD fileSystemNameSize);
BOOL WINAPI GetDiskFreeSpaceW(LPCWSTR rootPathName, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector,
                              LPDWORD numberOfFreeClusters, LPDWORD totalNumberOfClusters);
// The path the open file has now, links resolved, in the Z:\ form (the flags are not read: there
// is one way to name a file here).
DWORD WINAPI GetFinalPathNameByHandleW(HANDLE file, LPWSTR path, DWORD size, DWORD flags);
DWORD WINAPI GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart);

// Creating, deleting and moving by name. Security attributes are ignored (new folders get the
// process's default permissions).
BOOL WINAPI CreateDirectoryW(LPCWSTR pathName, LPSECURITY_ATTRIBUTES security);
BOOL WINAPI DeleteFileW(LPCWSTR fileName);
// An empty folder only: ERROR_DIR_NOT_EMPTY for one with entries, ERROR_DIRECTORY for a file or a
// symbolic link (DeleteFileW removes those).
BOOL WINAPI RemoveDirectoryW(LPCWSTR pathName);
// A move is one rename: atomic, also when it replaces a file (MOVEFILE_REPLACE_EXISTING); with
// MOVEFILE_WRITE_THROUGH it is on the disk when the call returns. With MOVEFILE_COPY_ALLOWED a
// file moves to another file system by copy and delete (mode and times kept); a folder cannot,
// as on Windows (ERROR_NOT_SAME_DEVICE). Nothing is deleted or moved at the next start here:
// MOVEFILE_DELAY_UNTIL_REBOOT is refused.
BOOL WINAPI MoveFileExW(LPCWSTR existingFileName, LPCWSTR newFileName, DWORD flags);
// The bytes, the mode (so read-only stays read-only) and the access and last write times; a
// link is followed. ERROR_FILE_EXISTS with failIfExists, ERROR_ACCESS_DENIED onto a read-only
// file; a copy that fails half-way leaves no target.
BOOL WINAPI CopyFileW(LPCWSTR existingFileName, LPCWSTR newFileName, BOOL failIfExists);
// Access and last write times (null keeps one); the creation time cannot be set on this system
// and is left as it is. Folders open for it with FILE_FLAG_BACKUP_SEMANTICS.
BOOL WINAPI SetFileTime(HANDLE file, const FILETIME* creationTime, const FILETIME* lastAccessTime,
                        const FILETIME* lastWriteTime);
// Puts `replacementFileName` in the place of `replacedFileName` with one rename, after giving it
// the replaced file's permissions, its owner where the user may set it, and its extended
// attributes (ACLs included); a symbolic link stays a link and its target is replaced. With a
// backup name the replaced file is kept under it. Across file systems it fails with
// ERROR_UNABLE_TO_MOVE_REPLACEMENT and changes nothing; a missing replaced file fails with
// ERROR_FILE_NOT_FOUND. REPLACEFILE_WRITE_THROUGH puts the data and the rename on the disk.
BOOL WINAPI ReplaceFileW(LPCWSTR replacedFileName, LPCWSTR replacementFileName, LPCWSTR backupFileName,
                         DWORD replaceFlags, LPVOID exclude, LPVOID reserved);

// The temporary folder: $TMPDIR, else /tmp, in the Z:\ form with its final "\". The length
// without the NUL, or the size needed with it when the buffer is too small.
DWORD WINAPI GetTempPathW(DWORD bufferLength, LPWSTR buffer);
// "<path>\<first three units of prefix><four hexadecimal digits>.tmp" into a buffer of MAX_PATH
// units. With `unique` 0 a free number is found and the file created exclusively (the next
// number on a collision, ERROR_FILE_EXISTS when all are taken); otherwise the name of that
// number is made and nothing is created. Answers the number, 0 on failure.
UINT WINAPI GetTempFileNameW(LPCWSTR pathName, LPCWSTR prefixString, UINT unique, LPWSTR tempFileName);

#ifdef __cplusplus
}
#endif
