// A cursor file (.cur) as an archive of its images.
#include "platform/archive/cur/Archive.h"

#include "platform/archive/dll/IArchive.h"
#include "platform/archive/dll/ResourceType.h"

#include <cstring>

namespace s::archive::cur {

namespace {

constexpr uint32_t kHotspotSize = 4;

}  // namespace

Archive::Archive() : ImageFileArchive(2, &Entry::pool()) {}

void Archive::fixRecord(ImageFileEntry* entry) {
  uint8_t* record = entry->getRecord();
  if (record[1] == 0) {
    record[1] = record[0];
  }
}

bool Archive::loadFromGroupCursorId(dll::IArchive* module, uint32_t id) {
  return loadFromGroupId(module, dll::kGroupCursor, dll::kCursor, id);
}

bool Archive::loadFromGroupCursorName(dll::IArchive* module, const WCHAR* name) {
  return loadFromGroupName(module, dll::kGroupCursor, dll::kCursor, name);
}

void Archive::addGroupImage(const uint8_t* source, const uint8_t* image, uint32_t size) {
  if (size < kHotspotSize) {
    return;
  }
  Entry* entry = Entry::take();
  if (entry == nullptr) {
    return;
  }
  uint8_t* record = entry->getRecord();
  record[0] = source[0];
  record[1] = source[1] != 0 ? source[1] : source[0];
  std::memcpy(record + 4, image, kHotspotSize);
  entry->setByteCount(size - kHotspotSize);
  entry->setBytes(image + kHotspotSize, size - kHotspotSize);
  addEntry(entry);
}

}  // namespace s::archive::cur
