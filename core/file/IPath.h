// The interface of a file-system path: its parts, the questions about what it names, and the
// texts and paths derived from it.
#pragma once

#include "core/base/IObject.h"
#include "core/file/IFileInputStream.h"
#include "core/file/IFileOutputStream.h"

#include <cstdint>

namespace s::str::strbuffer {
class StrBuffer;
}
namespace s::str::strarray {
class StrArray;
}
namespace s::col::_array {
class ArrayP;
class ArrayU08;
}  // namespace s::col::_array

namespace s::file {

class IPathArray;

/// A file-system path (s::file::win::PathWin is the implementation; its header holds the
/// contract). Text results point into the path's own buffers; operations named `new...` return
/// pooled paths and `copy...` with a null `out` pooled texts, which the caller releases.
/// Listings, file operations, whole-file input and output and shortcuts join this interface
/// with their own areas.
class IPath : public base::IObject {
 public:
  /// Diagnostic hook; does nothing observable.
  virtual void dump() = 0;
  /// Empties every part and cache; the path is then not valid.
  virtual void clear() = 0;
  virtual bool isValid() const = 0;
  virtual bool isAbsolute() const = 0;
  virtual bool exists() = 0;
  virtual bool isNtfs() = 0;
  virtual bool isFat() = 0;
  virtual uint32_t getAttributes() = 0;
  virtual bool addAttributes(uint32_t bits) = 0;
  virtual bool setAttributes(uint32_t value) = 0;
  virtual bool isReadable() = 0;
  virtual bool isWritable() = 0;
  virtual bool isReadWritable() = 0;
  virtual bool isDirectory() = 0;
  virtual bool isEmptyDirectory() = 0;
  virtual bool isFile() = 0;
  virtual bool isStream() const = 0;
  virtual bool isHidden() = 0;
  virtual bool isSystem() = 0;
  virtual bool isArchive() = 0;
  virtual bool isExe() = 0;
  virtual bool isShortcut() = 0;
  virtual bool isInternetShortcut() = 0;
  virtual bool isFolderShortcut() = 0;
  virtual bool isUncPath() const = 0;
  virtual const WCHAR* getUncServer() = 0;
  virtual bool isDriveOnly() const = 0;
  virtual bool hasDriveLetter() const = 0;
  virtual WCHAR getDriveLetter() const = 0;
  virtual bool isSameVolume(const WCHAR* pathText) = 0;
  virtual const WCHAR* toRelativePath(const WCHAR* pathText, bool asFolder) = 0;
  virtual const WCHAR* toAbsolutePath(const WCHAR* relativeText, bool asFolder) = 0;
  virtual const WCHAR* getFullPath() = 0;
  virtual const WCHAR* getLongPath() = 0;
  virtual uint32_t getLength() const = 0;
  virtual const WCHAR* getRoot() = 0;
  virtual const WCHAR* getExtension() = 0;
  virtual int64_t getSize(bool folderMode, bool descend, uint32_t* fileCount, uint32_t* folderCount,
                          bool countFiles) = 0;
  virtual int64_t getSizeOnDisk() = 0;
  virtual void setCachedSize(int64_t size) = 0;
  virtual int64_t getCreationTime(bool refresh) = 0;
  virtual int64_t getLastAccessTime(bool refresh) = 0;
  virtual int64_t getLastWriteTime(bool refresh) = 0;
  virtual bool setFileTimes(int64_t creation, int64_t lastAccess, int64_t lastWrite, bool forNormal,
                            bool forReadOnly, bool forHidden, bool forSystem, bool recursive) = 0;
  virtual bool setReadable() = 0;
  virtual bool setWritable(bool writable) = 0;
  virtual bool makeWritable() = 0;
  virtual bool hide() = 0;

  // File operations: false when nothing was done. Operations on a full path of three units or
  // fewer (a drive root) refuse.
  virtual bool renameTo(const WCHAR* newPathText) = 0;
  virtual bool scrambleName(int32_t times, str::strbuffer::StrBuffer* outPath,
                            bool restoreAttributes) = 0;
  virtual bool createDirectory(bool notify) = 0;
  virtual bool createFile(bool notify) = 0;
  virtual bool createParentDirectories() = 0;
  virtual bool remove(bool notify, bool orAtRestart) = 0;
  virtual bool removeOnReboot() = 0;
  virtual bool moveToRecycleBin(bool confirm, bool notify) = 0;
  virtual bool copyTo(const WCHAR* targetText, bool overwrite) = 0;
  virtual bool moveTo(const WCHAR* targetText, bool replace, bool notify) = 0;

  // Shortcut files.
  virtual bool createShortcut(const WCHAR* shortcutText, bool overwrite,
                              const WCHAR* arguments) = 0;
  virtual bool createInternetShortcut(const WCHAR* url, bool overwrite) = 0;

  // Derived texts: each copy operation fills `out` (a new pooled text when null; emptied first
  // unless `append`) and returns it; each get operation is its copy into the work text.
  virtual str::strbuffer::StrBuffer* copyFullPath(str::strbuffer::StrBuffer* out, bool append) = 0;
  virtual str::strbuffer::StrBuffer* copyFullPathWithSlash(str::strbuffer::StrBuffer* out,
                                                           bool append) = 0;
  virtual const WCHAR* getFullPathWithSlash() = 0;
  virtual IPath* newFolderPath() = 0;
  virtual str::strbuffer::StrBuffer* copyFolder(str::strbuffer::StrBuffer* out, bool append) = 0;
  virtual const WCHAR* getFolder() = 0;
  virtual str::strbuffer::StrBuffer* copyFolderNoSlash(str::strbuffer::StrBuffer* out,
                                                       bool append) = 0;
  virtual const WCHAR* getFolderNoSlash() = 0;
  virtual str::strbuffer::StrBuffer* copyFileName(str::strbuffer::StrBuffer* out, bool append) = 0;
  virtual const WCHAR* getFileName() = 0;
  virtual str::strbuffer::StrBuffer* copyTitle(str::strbuffer::StrBuffer* out, bool append) = 0;
  virtual const WCHAR* getTitle() = 0;
  virtual str::strbuffer::StrBuffer* copyExtension(str::strbuffer::StrBuffer* out, bool append) = 0;
  virtual const WCHAR* getExtensionCopy() = 0;
  virtual str::strbuffer::StrBuffer* copyExtensionNoDot(str::strbuffer::StrBuffer* out,
                                                        bool append) = 0;
  virtual const WCHAR* getExtensionNoDot() = 0;
  virtual str::strbuffer::StrBuffer* copyShellTypeName(str::strbuffer::StrBuffer* out,
                                                       bool append) = 0;
  virtual const WCHAR* getShellTypeName() = 0;
  virtual str::strbuffer::StrBuffer* copySizeText(str::strbuffer::StrBuffer* out, bool append) = 0;
  virtual const WCHAR* getSizeText() = 0;
  virtual str::strbuffer::StrBuffer* copyInternetShortcutTarget(str::strbuffer::StrBuffer* out,
                                                                bool append) = 0;
  virtual const WCHAR* getInternetShortcutTarget() = 0;
  virtual str::strbuffer::StrBuffer* copyFolderShortcutTarget(str::strbuffer::StrBuffer* out,
                                                              bool append) = 0;
  virtual const WCHAR* getFolderShortcutTarget() = 0;

  // Derived paths.
  virtual IPath* newChild(const WCHAR* name) = 0;
  virtual IPath* newWithNewExtension(const WCHAR* extension) = 0;
  virtual IPath* newWithSuffix(const WCHAR* suffix) = 0;
  virtual IPath* newUniqueSibling() = 0;
  virtual IPath* newUniqueSiblingPlainNumber() = 0;
  virtual IPath* newParent() = 0;
  virtual IPath* newShortcutTarget() = 0;
  virtual IPath* newFolderShortcutTarget() = 0;

  // Listings (new lists and arrays unless one is given; the caller releases them).
  virtual IPath* newAdjacentFile(bool next, const str::strarray::StrArray* extensions, bool sort,
                                 bool wrap) = 0;
  virtual bool hasChildren(bool includeHidden) = 0;
  virtual str::strarray::StrArray* listAll(bool fullPaths, bool includeHidden) = 0;
  virtual str::strarray::StrArray* listFolders(bool fullPaths, bool includeHidden) = 0;
  virtual str::strarray::StrArray* listFiles(bool fullPaths, bool includeHidden) = 0;
  virtual col::_array::ArrayP* collectAll(bool includeHidden, bool recursive,
                                          col::_array::ArrayP* out) = 0;
  virtual col::_array::ArrayP* collectFolders(bool includeHidden, bool recursive,
                                              col::_array::ArrayP* out) = 0;
  virtual col::_array::ArrayP* collectFiles(bool includeHidden, bool recursive,
                                            col::_array::ArrayP* out) = 0;
  virtual IPathArray* collectAllToPathArray(bool includeHidden, bool recursive,
                                            IPathArray* out) = 0;
  virtual IPathArray* collectFoldersToPathArray(bool includeHidden, bool recursive,
                                                IPathArray* out) = 0;
  virtual IPathArray* collectFilesToPathArray(bool includeHidden, bool recursive,
                                              IPathArray* out) = 0;
  virtual col::_array::ArrayP* listStreams(col::_array::ArrayP* out) = 0;
  virtual col::_array::ArrayP* findMatchingFiles(bool includeHidden, bool recursive,
                                                 col::_array::ArrayP* out) = 0;
  virtual col::_array::ArrayP* findMatchingEntries(bool includeHidden, bool recursive,
                                                   col::_array::ArrayP* out) = 0;

  // Whole-file input and output: new pooled streams, returned whether or not they opened.
  virtual IFileInputStream* openInputStream() = 0;
  virtual IFileOutputStream* openOutputStream(bool append) = 0;
  virtual bool readAllInto(col::_array::ArrayU08* bytes) = 0;
  virtual bool writeBytes(const col::_array::ArrayU08* bytes, bool append) = 0;
  virtual bool writeText(const str::strbuffer::StrBuffer* text, bool append) = 0;
  virtual void removeStreams(bool recursive) = 0;
  virtual bool probeExclusiveAccess(int32_t passes, bool restoreAttributes, void* buffer,
                                    uint32_t bufferSize) = 0;

  virtual bool hasExtension(const WCHAR* extension) const = 0;
  virtual IPath* setPath(const str::strbuffer::StrBuffer* text) = 0;
  virtual IPath* setPathText(const WCHAR* text) = 0;
};

}  // namespace s::file
