// An icon file (.ico) as an archive of its images.
#include "platform/archive/icon/Archive.h"

#include "platform/ImagingHooks.h"
#include "platform/archive/dll/IArchive.h"
#include "platform/archive/dll/ResourceType.h"

#include <cstdlib>
#include <cstring>

namespace s::archive::icon {

Archive::Archive() : ImageFileArchive(1, &Entry::pool()) {}

bool Archive::findBestEntry(int32_t width, int32_t height, int32_t* index) {
  *index = 0;
  if (getEntryCount() == 0) {
    return false;
  }
  const int64_t wanted = int64_t{width} * height;
  int64_t bestDifference = 0;
  int32_t bestDistance = 0;
  for (int32_t i = 0; i < getEntryCount(); ++i) {
    const Entry* entry = getEntry(i);
    if (entry->getWidth() == width && entry->getHeight() == height && entry->getBitCount() == 32) {
      *index = i;
      return true;
    }
    const int64_t difference = std::llabs(int64_t{entry->getWidth()} * entry->getHeight() - wanted);
    const int32_t distance = std::abs(entry->getBitCount() - 32);
    if (i == 0 || difference < bestDifference ||
        (difference == bestDifference && distance < bestDistance)) {
      *index = i;
      bestDifference = difference;
      bestDistance = distance;
    }
  }
  return true;
}

image::win::BufferedImage* Archive::getEntryImage(int32_t index) {
  if (index < 0 || index >= getEntryCount() || !loadEntry(getEntry(index))) {
    return nullptr;
  }
  const platform::ImagingHooks* calls = platform::getImagingHooks();
  if (calls == nullptr || calls->decodeIconEntry == nullptr) {
    return nullptr;
  }
  return calls->decodeIconEntry(getEntry(index)->getBytes());
}

bool Archive::loadFromGroupIconId(dll::IArchive* module, uint32_t id) {
  return loadFromGroupId(module, dll::kGroupIcon, dll::kIcon, id);
}

bool Archive::loadFromGroupIconName(dll::IArchive* module, const WCHAR* name) {
  return loadFromGroupName(module, dll::kGroupIcon, dll::kIcon, name);
}

void Archive::addGroupImage(const uint8_t* record, const uint8_t* image, uint32_t size) {
  Entry* entry = Entry::take();
  if (entry == nullptr) {
    return;
  }
  std::memcpy(entry->getRecord(), record, 12);
  entry->setByteCount(size);
  entry->setBytes(image, size);
  addEntry(entry);
}

}  // namespace s::archive::icon
