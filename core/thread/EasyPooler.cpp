// The class pool.
#include "core/thread/EasyPooler.h"

#include "core/col/array/ArrayP.h"

#include <algorithm>
#include <mutex>
#include <new>

namespace s::thread {

EasyPooler::EasyPooler(int32_t capacity, CreateFunction create, ObjectFunction destroy,
                       ObjectFunction reset)
    : m_free(new col::_array::ArrayP()),
      m_capacity(capacity),
      m_create(create),
      m_destroy(destroy),
      m_reset(reset) {}

EasyPooler::~EasyPooler() {
  void** items = m_free->getItems();
  for (uint32_t i = 0, n = m_free->getCount(); i < n; ++i) {
    m_destroy(items[i]);
  }
  m_free->clear();
  delete m_free;
}

base::IObject* EasyPooler::newInstance() const {
  return new (std::nothrow) EasyPooler(m_capacity, m_create, m_destroy, m_reset);
}

void* EasyPooler::take() {
  {
    std::lock_guard<ObjLocker> guard(m_lock);
    const uint32_t count = m_free->getCount();
    if (count != 0) {
      void* object = m_free->getItems()[count - 1];
      m_free->removeLast(1);
      return object;
    }
  }
  return m_create();
}

void EasyPooler::giveBack(void* object) {
  if (object == nullptr) {
    return;
  }
  // The reset runs outside the pool's lock: it gives back what the object holds to other pools
  // (an array of this class's objects, say), and holding this lock meanwhile would order the
  // pools' locks both ways between two threads. The place is reserved first, so a full pool
  // still destroys without a reset.
  bool keep = false;
  {
    std::lock_guard<ObjLocker> guard(m_lock);
    keep = m_free->getCount() + m_reserved < static_cast<uint32_t>(std::max(m_capacity, 0));
    if (keep) {
      ++m_reserved;
    }
  }
  if (!keep) {
    m_destroy(object);
    return;
  }
  m_reset(object);
  std::lock_guard<ObjLocker> guard(m_lock);
  --m_reserved;
  m_free->push(object);
}

void EasyPooler::destruct(void*& ref) {
  if (ref != nullptr) {
    giveBack(ref);
    ref = nullptr;
  }
}

uint32_t EasyPooler::getFreeCount() {
  std::lock_guard<ObjLocker> guard(m_lock);
  return m_free->getCount();
}

}  // namespace s::thread
