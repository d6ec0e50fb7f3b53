// The stream views of texts and arrays.
#include "core/io/MemoryStreams.h"

#include <algorithm>
#include <cstring>

namespace s::io {

bool MemoryStreams::read(void* buffer, uint32_t size, uint32_t* got) {
  uint32_t n = 0;
  const uint64_t used = usedBytes();
  const bool ok = size == 0 || m_position < used;
  if (size != 0 && m_position < used) {
    n = static_cast<uint32_t>(std::min<uint64_t>(size, used - m_position));
    std::memcpy(buffer, streamBlock() + m_position, n);
    m_position += n;
  }
  if (got != nullptr) {
    *got = n;
  }
  return ok;
}

bool MemoryStreams::write(const void* data, uint32_t size, uint32_t* written) {
  const uint64_t end = static_cast<uint64_t>(m_position) + size;
  if (end > UINT32_MAX) {
    if (written != nullptr) {
      *written = 0;
    }
    return false;
  }
  streamEnsure(static_cast<uint32_t>((end >> m_shift) + 1));
  if (size != 0) {
    std::memcpy(streamBlock() + m_position, data, size);
  }
  m_position = static_cast<uint32_t>(end);
  const uint32_t whole = m_position >> m_shift;
  if (whole > streamCount()) {
    streamSetCount(whole);
  }
  if (written != nullptr) {
    *written = size;
  }
  return true;
}

bool MemoryStreams::close() {
  m_position = 0;
  return true;
}

bool MemoryStreams::rewind() {
  m_position = 0;
  return true;
}

int64_t MemoryStreams::seekToEnd() {
  m_position = static_cast<uint32_t>(usedBytes());
  return m_position;
}

bool MemoryStreams::seek(int64_t position) {
  m_position = static_cast<uint32_t>(position);
  return true;
}

int64_t MemoryStreams::seekFromEnd(int64_t distance) {
  m_position = static_cast<uint32_t>(usedBytes() - distance);
  return m_position;
}

bool MemoryStreams::skip(int64_t n) {
  m_position = static_cast<uint32_t>(m_position + n);
  return true;
}

bool MemoryStreams::skipBack(int64_t n) {
  m_position = static_cast<uint32_t>(m_position - n);
  return true;
}

}  // namespace s::io
