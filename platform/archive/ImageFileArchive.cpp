// What the icon-file and cursor-file archives share: the file's header and directory, entries
// loaded on demand, one-image extracts and whole files written back.
#include "platform/archive/ImageFileArchive.h"

#include "core/col/array/ArrayU08.h"
#include "core/file/IPath.h"
#include "core/file/win/FileInputStream.h"
#include "core/io/Io.h"
#include "platform/archive/dll/IArchive.h"

#include <windows.h>

#include <cstring>

namespace s::archive {

using col::_array::ArrayU08;

namespace {

uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void put16(ArrayU08* out, uint32_t value) {
  out->push(static_cast<uint8_t>(value));
  out->push(static_cast<uint8_t>(value >> 8));
}

void put32(ArrayU08* out, uint32_t value) {
  put16(out, value & 0xFFFF);
  put16(out, value >> 16);
}

int64_t fileSizeOf(const WCHAR* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) {
    return -1;
  }
  return static_cast<int64_t>(static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow);
}

}  // namespace

ImageFileArchive::ImageFileArchive(uint16_t fileType, base::IDestructor* entryPool)
    : m_fileType(fileType) {
  m_entries.setDisposer(entryPool);
}

ImageFileArchive::~ImageFileArchive() { close(); }

ImageFileEntry* ImageFileArchive::getEntry(int32_t index) const {
  return static_cast<ImageFileEntry*>(m_entries.getItems()[static_cast<uint32_t>(index)]);
}

void ImageFileArchive::close() {
  m_entries.freeAll();
  if (m_stream != nullptr) {
    m_stream->close();
    m_stream->release();
    m_stream = nullptr;
  }
  m_input = nullptr;
  m_open = false;
  m_openedFromFile = false;
  m_basePosition = 0;
  m_fileSize = 0;
  std::memset(m_header, 0, sizeof(m_header));
}

bool ImageFileArchive::loadFromGroupId(dll::IArchive* module, int32_t groupType, int32_t imageType,
                                       uint32_t id) {
  int32_t index = 0;
  return module != nullptr && module->findByTypeAndId(groupType, id, &index) &&
         loadFromGroup(module, index, imageType);
}

bool ImageFileArchive::loadFromGroupName(dll::IArchive* module, int32_t groupType,
                                         int32_t imageType, const WCHAR* name) {
  int32_t index = 0;
  return module != nullptr && module->findByTypeAndName(groupType, name, &index) &&
         loadFromGroup(module, index, imageType);
}

bool ImageFileArchive::loadFromGroup(dll::IArchive* module, int32_t index, int32_t imageType) {
  constexpr uint32_t kGroupRecord = 14;
  close();
  m_open = true;
  ArrayU08* group = ArrayU08::take();
  ArrayU08* image = ArrayU08::take();
  if (group != nullptr) {
    group->rewind();
  }
  const bool found = group != nullptr && image != nullptr &&
                     module->extractEntry(module->getEntry(index), group) &&
                     group->getCount() >= kHeaderSize;
  if (found) {
    const uint8_t* bytes = group->getItems();
    std::memcpy(m_header, bytes, kHeaderSize);
    const uint32_t count = get16(bytes + 4);
    // Records past the end of the group's bytes are not there to read.
    for (uint32_t i = 0; i < count && kHeaderSize + (i + 1) * kGroupRecord <= group->getCount();
         ++i) {
      const uint8_t* record = bytes + kHeaderSize + i * kGroupRecord;
      int32_t at = 0;
      image->setCount(0);
      image->rewind();
      if (module->findByTypeAndId(imageType, get16(record + 12), &at) &&
          module->extractEntry(module->getEntry(at), image)) {
        addGroupImage(record, image->getItems(), image->getCount());
      }
    }
  }
  if (image != nullptr) {
    image->release();
  }
  if (group != nullptr) {
    group->release();
  }
  return found;
}

bool ImageFileArchive::open(file::IPath* path) {
  close();
  if (path == nullptr || !path->exists() || path->isDirectory()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  m_fileSize = fileSizeOf(path->getLongPath());
  m_stream = file::win::FileInputStream::take();
  if (m_fileSize < 0 || m_stream == nullptr || !m_stream->open(path->getLongPath())) {
    const DWORD error = GetLastError();
    close();
    SetLastError(error);
    return false;
  }
  m_input = m_stream;
  m_open = true;
  m_openedFromFile = true;
  if (!readDirectory()) {
    close();
    SetLastError(ERROR_INVALID_DATA);
    return false;
  }
  return true;
}

bool ImageFileArchive::readDirectory() {
  if (m_input == nullptr || !m_input->seek(m_basePosition) ||
      m_basePosition + kHeaderSize > m_fileSize || !io::readFully(m_input, m_header, kHeaderSize)) {
    return false;
  }
  const uint32_t count = get16(m_header + 4);
  if (m_basePosition + kHeaderSize + int64_t{count} * ImageFileEntry::kRecordSize > m_fileSize) {
    return false;
  }
  m_entries.freeAll();
  for (uint32_t i = 0; i < count; ++i) {
    ImageFileEntry* entry = takeEntry();
    if (entry == nullptr) {
      return false;
    }
    entry->setPosition(m_input->getPosition());
    if (!io::readFully(m_input, entry->getRecord(), ImageFileEntry::kRecordSize)) {
      entry->release();
      return false;
    }
    fixRecord(entry);
    m_entries.push(entry);
  }
  return true;
}

bool ImageFileArchive::loadEntry(ImageFileEntry* entry) {
  return entry != nullptr && entry->loadData(m_input, m_basePosition, m_fileSize);
}

bool ImageFileArchive::extractEntry(IEntry* entry, io::IOutputStream* output) {
  auto* image = dynamic_cast<ImageFileEntry*>(entry);
  if (image == nullptr || output == nullptr || !loadEntry(image)) {
    return false;
  }
  ArrayU08* file = ArrayU08::take();
  put16(file, 0);
  put16(file, m_fileType);
  put16(file, 1);
  file->add(image->getRecord(), 12);
  put32(file, kHeaderSize + ImageFileEntry::kRecordSize);
  file->add(image->getBytes()->getItems(), image->getBytes()->getCount());
  const bool ok = io::writeFully(output, file->getItems(), file->getCount());
  file->release();
  return ok;
}

bool ImageFileArchive::writeFile(io::IOutputStream* output) {
  if (output == nullptr) {
    return false;
  }
  const uint32_t count = m_entries.getCount();
  if (count > 0xFFFF) {
    return false;
  }
  ArrayU08* file = ArrayU08::take();
  put16(file, 0);
  put16(file, m_fileType);
  put16(file, count);
  uint64_t offset = kHeaderSize + uint64_t{ImageFileEntry::kRecordSize} * count;
  bool ok = true;
  for (uint32_t i = 0; ok && i < count; ++i) {
    ImageFileEntry* entry = getEntry(static_cast<int32_t>(i));
    ok = loadEntry(entry);
    file->add(entry->getRecord(), 12);
    put32(file, static_cast<uint32_t>(offset));
    offset += entry->getBytes()->getCount();
  }
  ok = ok && offset <= UINT32_MAX;
  for (uint32_t i = 0; ok && i < count; ++i) {
    ArrayU08* bytes = getEntry(static_cast<int32_t>(i))->getBytes();
    file->add(bytes->getItems(), bytes->getCount());
  }
  ok = ok && io::writeFully(output, file->getItems(), file->getCount());
  file->release();
  return ok;
}

}  // namespace s::archive
