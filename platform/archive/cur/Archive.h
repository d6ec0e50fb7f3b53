// A cursor file (.cur) as an archive of its images.
#pragma once

#include "core/thread/ClassTail.h"
#include "platform/archive/ImageFileArchive.h"
#include "platform/archive/cur/Entry.h"

#include <windows.h>

#include <cstdint>

namespace s::archive::dll {
class IArchive;
}

namespace s::archive::cur {

/// The images of a cursor file, read from the file by `open` or from a group-cursor resource of
/// a module by the loaders, and written back as a whole cursor file. A directory record whose
/// height is 0 takes the width. Pooled (capacity 1000); `reset` is `close`. One thread at a time.
class Archive final : public ImageFileArchive {
  S_POOLED_CLASS(Archive, u"s_archive_cur_Archive")

  Archive();

  Entry* getEntry(int32_t index) const override {
    return static_cast<Entry*>(ImageFileArchive::getEntry(index));
  }
  /// The whole cursor file; false when an entry's bytes cannot be read.
  bool writeCur(io::IOutputStream* output) { return writeFile(output); }
  /// Fills the archive from the module's group-cursor resource of this id or name and the
  /// cursor resources it names, each of which carries its hot spot before its image (those
  /// missing or too short for a hot spot are left out); false when there is no such group.
  bool loadFromGroupCursorId(dll::IArchive* module, uint32_t id);
  bool loadFromGroupCursorName(dll::IArchive* module, const WCHAR* name);

 private:
  ImageFileEntry* takeEntry() override { return Entry::take(); }
  void fixRecord(ImageFileEntry* entry) override;
  /// The group keeps 16-bit sizes with the height doubled; the file keeps a width and a height
  /// byte, then colours and reserved (0), then the hot spot, which the cursor resource carries
  /// before its image. A resource too short for a hot spot is left out.
  void addGroupImage(const uint8_t* record, const uint8_t* image, uint32_t size) override;
};

}  // namespace s::archive::cur
