// A lock that may own one object: the library's process-wide locks and the lock of every pool.
#pragma once

#include "core/base/IDestructor.h"
#include "core/base/IObject.h"
#include "core/base/NamedClass.h"

#include <windows.h>

namespace s::thread {

/// A critical section, optionally with an object it owns. The lock is recursive (a thread may
/// enter it again) and works with std::lock_guard. When destroyed it disposes of the owned object:
/// through the deleter function when one is set, else through the deleter object's `destruct`,
/// else by a plain free; then it deletes the critical section.
///
/// Process-wide locks are ObjLockers in function-local statics; whoever uses the owned object
/// holds the lock meanwhile.
class ObjLocker final : public base::IObject {
  S_NAMED_CLASS(ObjLocker, u"s_thread_ObjLocker")

  using DeleterFunction = void (*)(void* object);

  ObjLocker();
  ObjLocker(void* object, DeleterFunction deleterFunction, base::IDestructor* deleterObject);
  ~ObjLocker() override;
  ObjLocker(const ObjLocker&) = delete;
  ObjLocker& operator=(const ObjLocker&) = delete;

  void lock() { EnterCriticalSection(&m_section); }
  void unlock() { LeaveCriticalSection(&m_section); }
  bool tryLock() { return TryEnterCriticalSection(&m_section) != FALSE; }

  /// The owned object, or null.
  void* getObject() const { return m_object; }

 private:
  void* m_object = nullptr;
  DeleterFunction m_deleterFunction = nullptr;
  base::IDestructor* m_deleterObject = nullptr;
  CRITICAL_SECTION m_section;
};

}  // namespace s::thread
