// A pool of plain records (no class tail), recycled instead of freed.
#pragma once

#include "core/base/IDestructor.h"
#include "core/base/IGenerator.h"
#include "core/base/IObject.h"
#include "core/base/NamedClass.h"
#include "core/thread/ObjLocker.h"

#include <cstdint>

namespace s::col::_array {
class ArrayP;
}

namespace s::thread {

/// A pool of records of one kind that a subclass makes (`generate`), resets and destroys. `take`
/// pops the record given back last, or generates one outside the lock. `giveBack` resets the
/// record and keeps it while the free list holds no more than maxCount (1000) records before the
/// push, so up to 1001 are kept; otherwise it destroys the record outside the lock. With
/// accounting on, a record is also kept only when its size is at most maxObjectSize (1024 bytes)
/// and the bytes held stay within maxBytes (102,400).
///
/// As an IDestructor it is the element disposer of arrays of its records. Any thread may take
/// and give back; the lock is held only for the free list.
class PoolerBase : public base::IObject, public base::IGenerator, public base::IDestructor {
 public:
  PoolerBase();
  /// Frees the free list's storage; the records on it are the subclass's to destroy
  /// (`disposeAll`), since only it knows how.
  ~PoolerBase() override;
  PoolerBase(const PoolerBase&) = delete;
  PoolerBase& operator=(const PoolerBase&) = delete;

  const WCHAR* getClassName() const override { return u"s_thread_PoolerBase"; }
  /// Pools are not copied: null.
  base::IObject* newInstance() const override { return nullptr; }

  /// The size of a record in bytes, as accounting counts it.
  virtual uint32_t getObjectSize(void* object) const;
  /// Takes a record back; `size` -1 means `getObjectSize`. Null is ignored.
  virtual void giveBack(void* object, int32_t size = -1);
  /// A free record or a newly generated one.
  virtual void* take();
  /// Restores a record to its fresh state before it is kept.
  virtual void resetObject(void* object) = 0;
  /// Frees a record and nulls the reference.
  virtual void destroyObject(void*& object) = 0;
  /// Gives back the record `ref` holds and clears `ref`.
  void destruct(void*& ref) override;

  /// Destroys every free record and deletes the free list.
  void disposeAll();
  /// Records held free right now.
  uint32_t getFreeCount();
  void setAccounting(bool on) { m_accounting = on; }
  uint32_t getBytesHeld() const { return m_bytesHeld; }

 protected:
  ObjLocker m_lock;
  col::_array::ArrayP* m_free;
  uint32_t m_maxCount = 1000;
  uint32_t m_maxObjectSize = 1024;
  uint32_t m_maxBytes = 102400;
  uint32_t m_bytesHeld = 0;
  bool m_accounting = false;
};

}  // namespace s::thread
