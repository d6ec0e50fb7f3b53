// What the entries of icon and cursor files share: the directory record and the image's bytes.
#include "platform/archive/ImageFileEntry.h"

#include "core/io/IInputStream.h"
#include "core/io/Io.h"

#include <cstring>

namespace s::archive {

void ImageFileEntry::reset() {
  m_position = 0;
  std::memset(m_record, 0, sizeof(m_record));
  m_bytes.freeAll();
  m_loaded = false;
}

void ImageFileEntry::setByteCount(uint32_t count) {
  for (int b = 0; b < 4; ++b) {
    m_record[8 + b] = static_cast<uint8_t>(count >> (8 * b));
  }
}

void ImageFileEntry::setBytes(const uint8_t* data, uint32_t size) {
  m_bytes.setCount(0);
  m_bytes.add(data, size);
  m_bytes.rewind();
  m_loaded = true;
}

bool ImageFileEntry::loadData(io::IInputStream* input, int64_t base, int64_t fileSize) {
  if (m_loaded) {
    return true;
  }
  const int64_t start = base + getOffset();
  if (input == nullptr || start + int64_t{getByteCount()} > fileSize || !input->seek(start)) {
    return false;
  }
  m_bytes.setCount(getByteCount());
  if (!io::readFully(input, m_bytes.getItems(), getByteCount())) {
    m_bytes.setCount(0);
    return false;
  }
  m_bytes.rewind();
  m_loaded = true;
  return true;
}

}  // namespace s::archive
