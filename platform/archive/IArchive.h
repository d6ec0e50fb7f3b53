// The interface of an archive: a container of entries read from one source file.
#pragma once

#include "core/base/IObject.h"
#include "platform/archive/IEntry.h"

#include <cstdint>

namespace s::file {
class IPath;
}
namespace s::io {
class IOutputStream;
}

namespace s::archive {

/// A container of entries read from one source: the resources of a program or library file, an
/// icon file or a cursor file. An archive is closed after construction and after `close`; `open`
/// reads the source's directory. It is used by one thread at a time.
class IArchive : public base::IObject {
 public:
  /// The source file's size in bytes, taken at `open` (0 when closed).
  virtual int64_t getFileSize() const = 0;
  /// The number of entries (the same as `getEntryCount`).
  virtual int32_t getCount() const = 0;
  virtual int32_t getEntryCount() const = 0;
  /// The entry at `index` (not checked), owned by the archive.
  virtual IEntry* getEntry(int32_t index) const = 0;
  /// Opens the source and reads its directory; false, and the archive closed, on failure.
  virtual bool open(file::IPath* path) = 0;
  /// Releases the source and gives every entry back.
  virtual void close() = 0;
  /// Writes the entry's bytes to `output`; false when they cannot be read or written.
  virtual bool extractEntry(IEntry* entry, io::IOutputStream* output) = 0;
};

}  // namespace s::archive
