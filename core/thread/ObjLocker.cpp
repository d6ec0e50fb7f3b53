// The lock with an optional owned object.
#include "core/thread/ObjLocker.h"

#include <cstdlib>

namespace s::thread {

ObjLocker::ObjLocker() { InitializeCriticalSection(&m_section); }

ObjLocker::ObjLocker(void* object, DeleterFunction deleterFunction,
                     base::IDestructor* deleterObject)
    : m_object(object), m_deleterFunction(deleterFunction), m_deleterObject(deleterObject) {
  InitializeCriticalSection(&m_section);
}

ObjLocker::~ObjLocker() {
  if (m_object != nullptr) {
    if (m_deleterFunction != nullptr) {
      m_deleterFunction(m_object);
    } else if (m_deleterObject != nullptr) {
      m_deleterObject->destruct(m_object);
    } else {
      std::free(m_object);
    }
    m_object = nullptr;
  }
  DeleteCriticalSection(&m_section);
}

}  // namespace s::thread
