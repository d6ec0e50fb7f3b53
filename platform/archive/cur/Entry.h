// One image of a cursor file, as an entry of the cursor archive.
#pragma once

#include "core/thread/ClassTail.h"
#include "platform/archive/ImageFileEntry.h"

namespace s::archive::cur {

/// A cursor image's directory record (the hot spot in bytes 4 to 7) and its bytes. Pooled
/// (capacity 1000); its archive gives it back.
class Entry final : public ImageFileEntry {
  S_POOLED_CLASS(Entry, u"s_archive_cur_Entry")

  Entry() = default;

  int32_t getHotspotX() const { return get16(4); }
  int32_t getHotspotY() const { return get16(6); }
};

}  // namespace s::archive::cur
