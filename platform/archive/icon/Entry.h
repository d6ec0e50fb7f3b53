// One image of an icon file, as an entry of the icon archive.
#pragma once

#include "core/thread/ClassTail.h"
#include "platform/archive/ImageFileEntry.h"

namespace s::image::ico {
class IIconImage;
}

namespace s::archive::icon {

/// An icon image's directory record (planes and bit count in bytes 4 to 7) and its bytes, a
/// bitmap with its AND mask or a PNG stream. Pooled (capacity 1000); its archive gives it back.
class Entry final : public ImageFileEntry {
  S_POOLED_CLASS(Entry, u"s_archive_icon_Entry")

  Entry() = default;

  int32_t getPlanes() const { return get16(4); }
  int32_t getBitCount() const { return get16(6); }
  /// A pooled icon image read from the loaded bytes (the caller releases it); null when they are
  /// not loaded, cannot be decoded, or imaging has not installed its calls.
  image::ico::IIconImage* createIconImage();
};

}  // namespace s::archive::icon
