// The library's file-system path: a pooled path text split into its parts, with the questions
// about the file or folder it names and the texts and paths derived from it.
#pragma once

#include "core/col/array/ArrayP.h"
#include "core/col/array/ArrayU08.h"
#include "core/file/IPath.h"
#include "core/file/IPathArray.h"
#include "core/file/win/FileInputStream.h"
#include "core/file/win/FileOutputStream.h"
#include "core/str/strarray/StrArray.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <cstdint>

namespace s::file::win {

/// A path in the Windows form the whole program uses ("Z:\home\ann\a.mp3"; the layer maps
/// drive Z: to the POSIX root). `setPath` turns "/" into "\", drops trailing "\" and splits the
/// rest into drive ("C:"), folder ("\music\", with both slashes), title ("a") and extension
/// (".mp3"; for a stream path "file.txt:name" also the ":name"). A part longer than 779 units
/// makes the path not valid. The working form given to file calls is the long form
/// ("\\?\" or "\\?\UNC\" + path) when the full path has 250 units or more, else the full path;
/// the run-time calls (access tests, permissions, status) always get the full path.
///
/// Caches: the attribute word, the status record (size and three times in seconds since
/// 1970-01-01 UTC), the file-system kind, the root and the size on disk are read at most once
/// per `setPath`; only the time getters can be told to refresh. A missing path has no
/// attributes: every attribute test answers false for it, and attributes cannot be added to it.
///
/// Texts: `get...` results point into this path's buffers and stay valid until the next call
/// that writes the same buffer (all text forms share one work text). `copy...(null, ...)` and
/// `new...` results come from their pools; the caller releases them.
///
/// This system has no named streams: "b.txt:meta" is a stream path by its text (`isStream`), but
/// its size and times, unless a listing set the size, are those of the file of that name.
///
/// Pooled (capacity 1000); `reset` is `clear`, which keeps the buffers' memory. One thread at a
/// time uses a path; paths on different threads are independent.
class PathWin final : public IPath, public virtual thread::IPoolable {
  S_POOLED_CLASS(PathWin, u"s_file_win_PathWin")

  /// File-system kinds (`isFat`, `isNtfs`).
  enum FileSystemKind : int32_t {
    kUnread = -1,
    kOther = 0,
    kFat = 1,
    kFat32 = 2,
    kVfat = 3,
    kNtfs = 4,
    kHpfs = 5
  };
  /// Full paths of this many units or more are given to file calls in their long form.
  static constexpr uint32_t kLongFormFrom = 250;
  /// Units of the split and composition buffers, terminator included.
  static constexpr uint32_t kPartUnits = 780;

  PathWin();
  ~PathWin() override;
  PathWin(const PathWin&) = delete;
  PathWin& operator=(const PathWin&) = delete;

  void reset() override { clear(); }

  /// Paths compare and hash by their full paths, as texts do.
  int32_t compareTo(const base::IComparable* other,
                    const base::IComparator* comparator = nullptr) const override;
  int32_t compareToIgnoreCase(const base::IComparable* other,
                              const base::IComparator* comparator = nullptr) const override;
  bool equals(const base::IComparable* other,
              const base::IComparator* comparator = nullptr) const override;
  bool equalsIgnoreCase(const base::IComparable* other,
                        const base::IComparator* comparator = nullptr) const override;
  uint32_t hashCode() const override { return m_fullPath->hashCode(); }
  uint32_t hashCodeIgnoreCase() const override { return m_fullPath->hashCodeIgnoreCase(); }

  void dump() override {}
  void clear() override;
  bool isValid() const override { return m_valid; }
  bool isAbsolute() const override { return m_valid && (hasDriveLetter() || isUncPath()); }
  bool exists() override;
  bool isNtfs() override { return readFileSystemKind() == kNtfs; }
  bool isFat() override;
  /// The attribute word; INVALID_FILE_ATTRIBUTES when the path names nothing.
  uint32_t getAttributes() override;
  bool addAttributes(uint32_t bits) override;
  bool setAttributes(uint32_t value) override;
  bool isReadable() override { return accessTest(4); }
  bool isWritable() override { return accessTest(2); }
  bool isReadWritable() override { return accessTest(6); }
  bool isDirectory() override { return hasAttribute(0x10); }
  /// A directory without any entry (hidden ones count).
  bool isEmptyDirectory() override;
  bool isFile() override;
  bool isStream() const override { return m_isStream; }
  bool isHidden() override { return hasAttribute(0x2); }
  bool isSystem() override { return hasAttribute(0x4); }
  bool isArchive() override { return hasAttribute(0x20); }
  bool isExe() override { return isFile() && m_extension->endsWithIgnoreCase(u".exe"); }
  bool isShortcut() override { return isFile() && m_extension->endsWithIgnoreCase(u".lnk"); }
  bool isInternetShortcut() override {
    return isFile() && m_extension->endsWithIgnoreCase(u".url");
  }
  /// A folder holding a file "target.lnk" whose target is an existing folder.
  bool isFolderShortcut() override;
  /// More than two units, "\\" or "//" first, and a third unit that is no separator.
  bool isUncPath() const override;
  /// The units after the first two up to the next "\" (empty for two units or fewer).
  const WCHAR* getUncServer() override;
  bool isDriveOnly() const override;
  bool hasDriveLetter() const override;
  /// The first unit of the full path (0 when it is empty).
  WCHAR getDriveLetter() const override;
  /// Both with drive letters: the same letter, as written (case-sensitive); both UNC: the same
  /// server ignoring case; else false.
  bool isSameVolume(const WCHAR* pathText) override;
  /// `pathText` relative to this folder (asFolder, or an existing directory) or to this path's
  /// folder: "..\" once per level that the text leaves. Another volume: the text unchanged.
  const WCHAR* toRelativePath(const WCHAR* pathText, bool asFolder) override;
  /// `relativeText` joined to this folder (as above), each "..\" (or "../") at the start of the
  /// text removing one level. An absolute text, or one that climbs above the root: unchanged.
  const WCHAR* toAbsolutePath(const WCHAR* relativeText, bool asFolder) override;
  const WCHAR* getFullPath() override { return m_fullPath->getCStr(); }
  /// The working form: the long form when there is one, else the full path.
  const WCHAR* getLongPath() override;
  uint32_t getLength() const override { return m_fullPath->getLength(); }
  /// "C:\" for a drive path, "\\server\share\" for a UNC path; cached.
  const WCHAR* getRoot() override;
  const WCHAR* getExtension() override { return m_extension->getCStr(); }
  /// Bytes: a file's size (0 for a missing path, and for a folder unless `folderMode`). In
  /// folder mode a folder sums its files (when `countFiles`) and, with `descend`, its
  /// sub-folders' whole contents at any depth, counting into the optional counters. Symbolic
  /// links to folders are never followed.
  int64_t getSize(bool folderMode, bool descend, uint32_t* fileCount, uint32_t* folderCount,
                  bool countFiles) override;
  /// The size rounded up to whole clusters of the volume (at least 512 bytes); cached.
  int64_t getSizeOnDisk() override;
  void setCachedSize(int64_t size) override { m_streamSize = size; }
  /// Seconds since 1970-01-01 UTC; 0 for a missing path.
  int64_t getCreationTime(bool refresh) override;
  int64_t getLastAccessTime(bool refresh) override;
  int64_t getLastWriteTime(bool refresh) override;
  /// Sets the times (seconds since 1970; a negative one is kept) when the flag of the path's
  /// class (system, else hidden, else read-only, else normal) is set, first on a folder's
  /// entries when `recursive`. True when nothing was asked for this class; false when the
  /// times could not be set. The creation time cannot be set on this system.
  bool setFileTimes(int64_t creation, int64_t lastAccess, int64_t lastWrite, bool forNormal,
                    bool forReadOnly, bool forHidden, bool forSystem, bool recursive) override;
  /// Read and write when the path is writable now, else read-only.
  bool setReadable() override;
  bool setWritable(bool writable) override;
  bool makeWritable() override { return setWritable(true); }
  /// Hidden cannot be set on this system (a hidden name begins with "."): false unless hidden.
  bool hide() override { return addAttributes(0x2); }

  /// Renames to a path that does not exist yet; this object keeps naming the old path.
  bool renameTo(const WCHAR* newPathText) override;
  /// Renames the file or folder `times` times to random names of the same length (dots kept;
  /// names under three units grow by "__"), leaving the last name in `outPath` when given; true
  /// when at least one rename succeeded.
  bool scrambleName(int32_t times, str::strbuffer::StrBuffer* outPath,
                    bool restoreAttributes) override;
  /// Makes the folder, and its missing parents when the first try fails; false when it exists.
  bool createDirectory(bool notify) override;
  /// Makes a new empty file (parents too); false when it exists.
  bool createFile(bool notify) override;
  /// True when the parent folder exists or could be made.
  bool createParentDirectories() override;
  /// Deletes a file (made writable when it is read-only) or a folder with its contents; true
  /// for a missing path. A symbolic link inside a folder is removed itself, never its target.
  /// Nothing is deleted at the next start here: `orAtRestart` changes nothing.
  bool remove(bool notify, bool orAtRestart) override;
  /// Nothing is deleted at the next start on this system: false.
  bool removeOnReboot() override;
  /// Sends the file or folder to the Recycle Bin (the Trash), asking first when `confirm`; true
  /// when it went. A recycle that cannot be done leaves it where it is.
  bool moveToRecycleBin(bool confirm, bool notify) override;
  /// Copies a file (parents of the target made), or a folder entry by entry; never into itself.
  bool copyTo(const WCHAR* targetText, bool overwrite) override;
  /// Moves a file or folder; a file also to another file system.
  bool moveTo(const WCHAR* targetText, bool replace, bool notify) override;

  /// Writes a shortcut to this existing path at `shortcutText` (".lnk" added unless it ends so,
  /// ignoring case), replacing a file there only with `overwrite`; `arguments` may be null. A
  /// shortcut as the target is copied, not wrapped.
  bool createShortcut(const WCHAR* shortcutText, bool overwrite, const WCHAR* arguments) override;
  /// Makes this path an Internet shortcut (".url") to `url`, replacing a file only with
  /// `overwrite`.
  bool createInternetShortcut(const WCHAR* url, bool overwrite) override;

  str::strbuffer::StrBuffer* copyFullPath(str::strbuffer::StrBuffer* out, bool append) override;
  str::strbuffer::StrBuffer* copyFullPathWithSlash(str::strbuffer::StrBuffer* out,
                                                   bool append) override;
  const WCHAR* getFullPathWithSlash() override;
  /// The containing folder as a path; null for a drive alone or when it is not valid.
  PathWin* newFolderPath() override;
  /// Drive and folder, ending in "\".
  str::strbuffer::StrBuffer* copyFolder(str::strbuffer::StrBuffer* out, bool append) override;
  const WCHAR* getFolder() override;
  str::strbuffer::StrBuffer* copyFolderNoSlash(str::strbuffer::StrBuffer* out,
                                               bool append) override;
  const WCHAR* getFolderNoSlash() override;
  str::strbuffer::StrBuffer* copyFileName(str::strbuffer::StrBuffer* out, bool append) override;
  const WCHAR* getFileName() override;
  str::strbuffer::StrBuffer* copyTitle(str::strbuffer::StrBuffer* out, bool append) override;
  const WCHAR* getTitle() override;
  str::strbuffer::StrBuffer* copyExtension(str::strbuffer::StrBuffer* out, bool append) override;
  const WCHAR* getExtensionCopy() override;
  str::strbuffer::StrBuffer* copyExtensionNoDot(str::strbuffer::StrBuffer* out,
                                                bool append) override;
  const WCHAR* getExtensionNoDot() override;
  /// The shell's type name ("MP3 File", "File folder").
  str::strbuffer::StrBuffer* copyShellTypeName(str::strbuffer::StrBuffer* out,
                                               bool append) override;
  const WCHAR* getShellTypeName() override;
  /// The size as the shell shows it ("1.50 MB"); nothing for a folder.
  str::strbuffer::StrBuffer* copySizeText(str::strbuffer::StrBuffer* out, bool append) override;
  const WCHAR* getSizeText() override;
  /// The address of this existing ".url" file (nothing appended for any other path).
  str::strbuffer::StrBuffer* copyInternetShortcutTarget(str::strbuffer::StrBuffer* out,
                                                        bool append) override;
  const WCHAR* getInternetShortcutTarget() override;
  /// The target folder of this folder shortcut; for anything else `out` is left as it is (new
  /// and empty when null), and the get form is empty.
  str::strbuffer::StrBuffer* copyFolderShortcutTarget(str::strbuffer::StrBuffer* out,
                                                      bool append) override;
  const WCHAR* getFolderShortcutTarget() override;

  /// Full path + "\" + name.
  PathWin* newChild(const WCHAR* name) override;
  /// Folder + title + `extension` (given with its dot).
  PathWin* newWithNewExtension(const WCHAR* extension) override;
  /// Folder + title + suffix + extension; for an existing directory folder + name + suffix.
  PathWin* newWithSuffix(const WCHAR* suffix) override;
  /// This path when it does not exist, else the first free "title (n).ext" (n = 1, 2, ...);
  /// for a directory "name (n)".
  PathWin* newUniqueSibling() override;
  /// As newUniqueSibling with the number appended directly ("song2.mp3").
  PathWin* newUniqueSiblingPlainNumber() override;
  /// The path of the folder (the parent of "C:\a" is "C:", and of "C:" "C:" again).
  PathWin* newParent() override;
  /// The target of this ".lnk" file; empty and not valid when it does not resolve.
  PathWin* newShortcutTarget() override;
  /// The target of this folder shortcut; empty and not valid for anything else.
  PathWin* newFolderShortcutTarget() override;

  // Listings. Entries come in the file system's order; "." and "..", and links (reparse points)
  // are never listed. Without `includeHidden`, what the user's Explorer settings hide is left
  // out (hidden entries, whose names begin with "."; protected system entries). A recursive
  // collection puts each folder before its contents. Arrays made here have the PathWin pool as
  // their element disposer; lists and arrays given are appended to.

  /// The next (or previous) file of this file's folder by name (names sorted when `sort`), of
  /// the given extensions when a list is given, wrapping round when `wrap`; null when there is
  /// none or the folder holds fewer than two.
  PathWin* newAdjacentFile(bool next, const str::strarray::StrArray* extensions, bool sort,
                           bool wrap) override;
  bool hasChildren(bool includeHidden) override;
  /// Names, or full paths when `fullPaths`.
  str::strarray::StrArray* listAll(bool fullPaths, bool includeHidden) override;
  str::strarray::StrArray* listFolders(bool fullPaths, bool includeHidden) override;
  str::strarray::StrArray* listFiles(bool fullPaths, bool includeHidden) override;
  col::_array::ArrayP* collectAll(bool includeHidden, bool recursive,
                                  col::_array::ArrayP* out) override;
  col::_array::ArrayP* collectFolders(bool includeHidden, bool recursive,
                                      col::_array::ArrayP* out) override;
  /// Files only; a recursive collection walks the folders that pass the filters.
  col::_array::ArrayP* collectFiles(bool includeHidden, bool recursive,
                                    col::_array::ArrayP* out) override;
  /// As the collect operations, into a PathArray (a new one when `out` is null).
  IPathArray* collectAllToPathArray(bool includeHidden, bool recursive, IPathArray* out) override;
  IPathArray* collectFoldersToPathArray(bool includeHidden, bool recursive,
                                        IPathArray* out) override;
  IPathArray* collectFilesToPathArray(bool includeHidden, bool recursive, IPathArray* out) override;
  /// This system has no named streams: the array stays as it was given (or new and empty).
  col::_array::ArrayP* listStreams(col::_array::ArrayP* out) override;
  /// This path as a wildcard pattern ("*" and "?", A-Z ignoring case): matching files (with
  /// folders too for `findMatchingEntries`), this folder's before its sub-folders' when
  /// `recursive`.
  col::_array::ArrayP* findMatchingFiles(bool includeHidden, bool recursive,
                                         col::_array::ArrayP* out) override;
  col::_array::ArrayP* findMatchingEntries(bool includeHidden, bool recursive,
                                           col::_array::ArrayP* out) override;

  /// A stream on the full path (parents made first for output); the caller disposes of it.
  FileInputStream* openInputStream() override;
  FileOutputStream* openOutputStream(bool append) override;
  /// The whole file into `bytes` (emptied first); true when every byte was read.
  bool readAllInto(col::_array::ArrayU08* bytes) override;
  /// True when the file opened (parents made) and every byte reached it.
  bool writeBytes(const col::_array::ArrayU08* bytes, bool append) override;
  /// The text as UTF-8, without a byte-order mark or terminator.
  bool writeText(const str::strbuffer::StrBuffer* text, bool append) override;
  /// Whether the file (each file of a folder) opens for reading and writing. Share modes are not
  /// enforced here, so another program's open does not show.
  bool probeExclusiveAccess(int32_t passes, bool restoreAttributes, void* buffer,
                            uint32_t bufferSize) override;
  /// Named streams do not exist here: nothing to remove.
  void removeStreams(bool recursive) override;

  /// The extension equals `extension` ignoring case.
  bool hasExtension(const WCHAR* extension) const override;
  PathWin* setPath(const str::strbuffer::StrBuffer* text) override;
  PathWin* setPathText(const WCHAR* text) override;

  /// New pooled paths: of a text; of a + b (no separator added); of folder + "\" + name; of
  /// folder + "\" + name + ".lnk".
  static PathWin* newFromText(const WCHAR* text);
  static PathWin* newFromConcatenation(const WCHAR* a, const WCHAR* b);
  static PathWin* newFromFolderAndName(const WCHAR* folder, const WCHAR* name);
  static PathWin* newShortcutPathIn(const WCHAR* folder, const WCHAR* name);

 private:
  struct Status {
    int64_t size = 0;
    int64_t lastAccess = 0;
    int64_t lastWrite = 0;
    int64_t creation = 0;
  };

  static const PathWin* comparablePath(const base::IComparable* other,
                                       const base::IComparator* comparator);
  /// Takes the given text as the path: valid when not empty, then split.
  PathWin* takeGivenText();
  void split();
  bool hasAttribute(uint32_t bit);
  bool accessTest(int mode) const;
  int32_t readFileSystemKind();
  void readStatus();
  /// The base folder of the relative-path operations, ending in a separator.
  void copyBase(str::strbuffer::StrBuffer* out, bool asFolder);
  bool chmodTo(bool writable);
  /// A sibling "stem + before + n + after + extension" for n = 1, 2, ... that does not exist.
  PathWin* newUniqueSibling(const WCHAR* before, const WCHAR* after);
  enum class Kind { All, Folders, Files };
  /// The one enumeration under every listing: calls `take` with each entry that passes the
  /// filters (its find record) until it answers false; recursion is the caller's.
  template <typename Take>
  void enumerate(Kind kind, bool includeHidden, Take&& take);
  void collectInto(Kind kind, bool includeHidden, bool recursive, col::_array::ArrayP* out);
  str::strarray::StrArray* listNames(Kind kind, bool fullPaths, bool includeHidden);
  void findMatching(bool folders, bool includeHidden, bool recursive, col::_array::ArrayP* out);
  /// A full path of three units or fewer: a drive root, which no operation changes.
  bool isGuarded() const { return m_fullPath->getLength() <= 3; }
  /// Folder-mode size of this folder.
  int64_t sumFolder(bool descend, uint32_t* fileCount, uint32_t* folderCount, bool countFiles);
  static str::strbuffer::StrBuffer* outText(str::strbuffer::StrBuffer* out, bool append);

  friend int32_t compareByFullPath(const void* a, const void* b, void* user);
  friend int32_t compareByExtension(const void* a, const void* b, void* user);

  str::strbuffer::StrBuffer* m_work;
  str::strbuffer::StrBuffer* m_given;
  str::strbuffer::StrBuffer* m_drive;
  str::strbuffer::StrBuffer* m_root;
  str::strbuffer::StrBuffer* m_folder;
  str::strbuffer::StrBuffer* m_longForm;
  Status m_status;
  int64_t m_sizeOnDisk = -1;
  bool m_statusRead = false;
  bool m_valid = false;
  bool m_isStream = false;
  int64_t m_streamSize = -1;
  bool m_attributesRead = false;
  uint32_t m_attributes = 0;
  int32_t m_fileSystemKind = kUnread;
  str::strbuffer::StrBuffer* m_extension;
  str::strbuffer::StrBuffer* m_fullPath;
  str::strbuffer::StrBuffer* m_title;
};

/// A new empty file "NEW" + four hex digits + ".tmp" in the temporary folder, as a new path;
/// empty and not valid when none could be made.
PathWin* newTempFilePath();

/// Whether the user's Explorer shows hidden entries ("Hidden" not 2; default shown) and
/// protected system entries ("ShowSuperHidden" not 0; default not), read from the registry on
/// every call.
bool isExplorerShowingHidden();
bool isExplorerShowingSuperHidden();
/// The root of the Windows folder's volume; "C:\" here, where there is no Windows folder.
const WCHAR* getSystemDriveRoot();
/// A new path of the Windows folder: empty and not valid here.
PathWin* getWindowsFolder();
/// Whether ntdll offers the native file functions of the stream listing (it does not here).
bool loadNtFileFunctions();
/// Asks for the backup privilege once per process; answers `loadNtFileFunctions`.
bool enableBackupPrivilege();

/// One named stream of a FILE_STREAM_INFORMATION buffer: its name as stored (":name:$DATA")
/// and its size.
struct StreamRecord {
  const WCHAR* name;
  uint32_t nameUnits;
  int64_t size;
};
/// Walks the stream records of a buffer of `bytes` bytes, calling `visit` for each record with
/// a name, in order; stops at a record that would leave the buffer. Returns the records seen.
uint32_t walkStreamRecords(const void* buffer, uint32_t bytes,
                           void (*visit)(const StreamRecord&, void* user), void* user);

/// Tells the shell that `fullPath` was made or removed (SHCNE_CREATE, SHCNE_MKDIR, SHCNE_DELETE or
/// SHCNE_RMDIR).
void notifyShellChange(int32_t event, const WCHAR* fullPath);

/// Sort comparisons of two paths (the elements of a pointer sort, PathWin pointers): full paths
/// (extensions) compared ignoring case over the shorter length, then the shorter first.
int32_t compareByFullPath(const void* a, const void* b, void* user);
int32_t compareByExtension(const void* a, const void* b, void* user);

}  // namespace s::file::win
