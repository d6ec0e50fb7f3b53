// An icon file (.ico) as an archive of its images.
#pragma once

#include "core/thread/ClassTail.h"
#include "platform/archive/ImageFileArchive.h"
#include "platform/archive/icon/Entry.h"

#include <windows.h>

#include <cstdint>

namespace s::image::win {
class BufferedImage;
}
namespace s::archive::dll {
class IArchive;
}

namespace s::archive::icon {

/// The images of an icon file, read from the file by `open` or from a group-icon resource of a
/// module by the loaders, searched by size, decoded, and written back as a whole icon file.
/// Pooled (capacity 1000); `reset` is `close`. One thread at a time.
class Archive final : public ImageFileArchive {
  S_POOLED_CLASS(Archive, u"s_archive_icon_Archive")

  Archive();

  Entry* getEntry(int32_t index) const override {
    return static_cast<Entry*>(ImageFileArchive::getEntry(index));
  }
  /// The whole icon file; false when an entry's bytes cannot be read.
  bool writeIco(io::IOutputStream* output) { return writeFile(output); }
  /// The entry that best fits width x height: the first of exactly that size at 32 bits, else
  /// the one whose area differs least (on a tie, the bit count nearer 32; else the earlier).
  /// Sizes stored as 0 count as 256. False, index 0, without entries.
  bool findBestEntry(int32_t width, int32_t height, int32_t* index);
  /// The entry's image decoded into a new pooled buffer (the caller releases it); null when the
  /// entry cannot be loaded or decoded.
  image::win::BufferedImage* getEntryImage(int32_t index);
  /// Fills the archive from the module's group-icon resource of this id or name and the icon
  /// resources it names (those missing are left out); false when there is no such group.
  bool loadFromGroupIconId(dll::IArchive* module, uint32_t id);
  bool loadFromGroupIconName(dll::IArchive* module, const WCHAR* name);

 private:
  ImageFileEntry* takeEntry() override { return Entry::take(); }
  /// The record as it stands, its byte count the resource's real size.
  void addGroupImage(const uint8_t* record, const uint8_t* image, uint32_t size) override;
};

}  // namespace s::archive::icon
