// What the icon-file and cursor-file archives share: the file's header and directory, entries
// loaded on demand, one-image extracts and whole files written back.
#pragma once

#include "core/col/array/ArrayP.h"
#include "core/thread/IPoolable.h"
#include "platform/archive/IArchive.h"
#include "platform/archive/ImageFileEntry.h"

#include <cstdint>

namespace s::file::win {
class FileInputStream;
}
namespace s::archive::dll {
class IArchive;
}

namespace s::archive {

/// An icon or cursor file read as an archive: a 6-byte header (reserved, type, count), then one
/// 16-byte directory record per image, then the images at their offsets.
///
/// `open` reads the file read-only; a path that does not exist or cannot be opened, a header or
/// directory that does not fit the file make it fail and leave the archive closed. An image whose
/// bytes lie outside the file fails its own load (`extractEntry` false, no image) while the other
/// entries work. The archive owns its entries (given back to their pool on `close`) and the
/// stream `open` opened (disposed of by `close`). One thread at a time.
class ImageFileArchive : public IArchive, public virtual thread::IPoolable {
 public:
  static constexpr uint32_t kHeaderSize = 6;

  ~ImageFileArchive() override;
  void reset() override { close(); }

  int64_t getFileSize() const override { return m_fileSize; }
  int32_t getCount() const override { return getEntryCount(); }
  int32_t getEntryCount() const override { return static_cast<int32_t>(m_entries.getCount()); }
  ImageFileEntry* getEntry(int32_t index) const override;
  bool open(file::IPath* path) override;
  void close() override;
  /// Writes a file of this one image (its record's first 12 bytes, the image at offset 22).
  bool extractEntry(IEntry* entry, io::IOutputStream* output) override;
  /// Whether the archive was filled by `open` (from a file).
  bool isOpenedFromFile() const { return m_openedFromFile; }
  /// Always false: these archives hold no nested archives.
  bool isNested() const { return false; }

  /// Reads the header and the directory from the input at the base position; false when either
  /// does not fit the file.
  virtual bool readDirectory();
  const uint8_t* getHeader() const { return m_header; }
  /// The file type written by `extractEntry` and the whole-file writer: 1 icon, 2 cursor.
  uint16_t getFileType() const { return m_fileType; }
  /// Loads an entry's bytes when needed; false when they cannot be read.
  bool loadEntry(ImageFileEntry* entry);

 protected:
  ImageFileArchive(uint16_t fileType, base::IDestructor* entryPool);
  /// A new entry from the subclass's pool.
  virtual ImageFileEntry* takeEntry() = 0;
  /// Adjusts a record just read (cursors: a height of 0 takes the width).
  virtual void fixRecord(ImageFileEntry*) {}
  /// Header and records with offsets (the first 6 + 16 x count, each next adding the previous
  /// entry's byte count), then every entry's bytes; false when an entry cannot be loaded or the
  /// file would pass 4 GiB, and nothing is written then.
  bool writeFile(io::IOutputStream* output);
  /// Fills the archive from the module's group resource of `groupType` with this numeric or text
  /// name: its 6-byte header, then one 14-byte record per image (the first 12 bytes of a
  /// directory record and the 16-bit id of the image resource of `imageType`), each handed with
  /// its resource's bytes to `addGroupImage`. Records whose resource is missing are left out;
  /// false when there is no such group or it is shorter than a header.
  bool loadFromGroupId(dll::IArchive* module, int32_t groupType, int32_t imageType, uint32_t id);
  bool loadFromGroupName(dll::IArchive* module, int32_t groupType, int32_t imageType,
                         const WCHAR* name);
  /// Makes an entry of a group record and its image resource.
  virtual void addGroupImage(const uint8_t* record, const uint8_t* image, uint32_t size) = 0;
  void addEntry(ImageFileEntry* entry) { m_entries.push(entry); }

 private:
  uint16_t m_fileType;
  int64_t m_basePosition = 0;
  int64_t m_fileSize = 0;
  col::_array::ArrayP m_entries;
  bool loadFromGroup(dll::IArchive* module, int32_t index, int32_t imageType);

  bool m_open = false;
  bool m_openedFromFile = false;
  file::win::FileInputStream* m_stream = nullptr;
  io::IInputStream* m_input = nullptr;
  uint8_t m_header[kHeaderSize] = {};
};

}  // namespace s::archive
