// A read-only byte stream over the elements of a collection.
#include "core/col/CollectionInputStream.h"

#include "core/col/IteratorBase.h"

#include <cstring>

namespace s::col {

CollectionInputStream::~CollectionInputStream() { close(); }

void CollectionInputStream::attach(IEnumerable* source, uint32_t elementSize) {
  close();
  m_source = source;
  m_elementSize = elementSize;
}

bool CollectionInputStream::read(void* buffer, uint32_t size, uint32_t* got) {
  uint32_t delivered = 0;
  if (m_source != nullptr && m_elementSize != 0) {
    if (m_iterator == nullptr) {
      m_iterator = m_source->iterator();
    }
    auto* out = static_cast<unsigned char*>(buffer);
    while (m_iterator != nullptr && delivered + m_elementSize <= kChunk &&
           delivered + m_elementSize <= size && m_iterator->hasNext()) {
      std::memcpy(out + delivered, m_iterator->next(), m_elementSize);
      delivered += m_elementSize;
    }
  }
  if (got != nullptr) {
    *got = delivered;
  }
  return delivered != 0;
}

bool CollectionInputStream::close() {
  if (m_iterator != nullptr) {
    m_iterator->dispose();
    m_iterator = nullptr;
  }
  return true;
}

void CollectionInputStream::resetStream() {
  close();
  m_source = nullptr;
  m_elementSize = 0;
}

void CollectionInputStream::dispose() {
  close();
  release();
}

}  // namespace s::col
