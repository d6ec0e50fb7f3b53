// A pool of plain records.
#include "platform/thread/PoolerBase.h"

#include "core/col/array/ArrayP.h"

#include <mutex>

namespace s::thread {

PoolerBase::PoolerBase() : m_free(new col::_array::ArrayP()) {}

PoolerBase::~PoolerBase() { delete m_free; }

uint32_t PoolerBase::getObjectSize(void*) const { return 1024; }

void* PoolerBase::take() {
  {
    std::lock_guard<ObjLocker> guard(m_lock);
    const uint32_t count = m_free == nullptr ? 0 : m_free->getCount();
    if (count != 0) {
      void* object = m_free->getItems()[count - 1];
      m_free->removeLast(1);
      if (m_accounting) {
        const uint32_t size = getObjectSize(object);
        m_bytesHeld = size > m_bytesHeld ? 0 : m_bytesHeld - size;
      }
      return object;
    }
  }
  return generate();
}

void PoolerBase::giveBack(void* object, int32_t size) {
  if (object == nullptr) {
    return;
  }
  {
    std::lock_guard<ObjLocker> guard(m_lock);
    if (m_free != nullptr && m_free->getCount() <= m_maxCount) {
      const uint32_t bytes = size < 0 ? getObjectSize(object) : static_cast<uint32_t>(size);
      if (!m_accounting) {
        resetObject(object);
        m_free->push(object);
        return;
      }
      if (bytes <= m_maxObjectSize && m_bytesHeld + bytes <= m_maxBytes) {
        resetObject(object);
        m_free->push(object);
        m_bytesHeld += bytes;
        return;
      }
    }
  }
  destroyObject(object);
}

void PoolerBase::destruct(void*& ref) {
  if (ref != nullptr) {
    giveBack(ref, -1);
    ref = nullptr;
  }
}

void PoolerBase::disposeAll() {
  std::lock_guard<ObjLocker> guard(m_lock);
  if (m_free == nullptr) {
    return;
  }
  void** items = m_free->getItems();
  for (uint32_t i = 0, n = m_free->getCount(); i < n; ++i) {
    destroyObject(items[i]);
  }
  m_free->clear();
  delete m_free;
  m_free = nullptr;
  m_bytesHeld = 0;
}

uint32_t PoolerBase::getFreeCount() {
  std::lock_guard<ObjLocker> guard(m_lock);
  return m_free == nullptr ? 0 : m_free->getCount();
}

}  // namespace s::thread
