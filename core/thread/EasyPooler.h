// The class pool: a lock, a stack of free objects, a capacity and the class's create, destroy
// and reset functions.
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

/// The pool of one class (see core/thread/ClassTail.h for the functions every pooled class gets).
///
/// `take` pops the object given back last, or, when none is free, creates one outside the lock.
/// `giveBack` deletes the object when `capacity` objects are already free (or promised);
/// otherwise it promises the object a place, resets it outside the lock (a reset may give
/// objects back to other pools) and pushes it, so free objects are always in their reset state.
/// Objects are handled as the class's own pointer, passed as void*.
/// Any thread may take and give back; the lock is held only to pop or push.
/// The destructor deletes the free objects, bottom of the stack first. A class pool itself is
/// never destroyed; pools made directly (as tests make them) are.
class EasyPooler final : public base::IObject, public base::IGenerator, public base::IDestructor {
 public:
  using CreateFunction = void* (*)();
  using ObjectFunction = void (*)(void* object);

  EasyPooler(int32_t capacity, CreateFunction create, ObjectFunction destroy, ObjectFunction reset);
  ~EasyPooler() override;
  EasyPooler(const EasyPooler&) = delete;
  EasyPooler& operator=(const EasyPooler&) = delete;

  const WCHAR* getClassName() const override { return u"s_thread_EasyPooler"; }
  /// A new, empty pool with the same capacity and functions; the caller deletes it.
  base::IObject* newInstance() const override;

  /// A free object or a new one; null only when creating fails.
  void* take();
  void* generate() override { return take(); }
  /// Takes `object` back (reset and kept, or destroyed when the pool is full); null is ignored.
  void giveBack(void* object);
  /// Gives the object `ref` holds back, when there is one, and clears `ref`: a pool serves as the
  /// element disposer of an array that holds its objects.
  void destruct(void*& ref) override;

  int32_t getCapacity() const { return m_capacity; }
  /// Objects held free right now.
  uint32_t getFreeCount();

 private:
  ObjLocker m_lock;
  col::_array::ArrayP* m_free;
  int32_t m_capacity;
  CreateFunction m_create;
  ObjectFunction m_destroy;
  ObjectFunction m_reset;
  uint32_t m_reserved = 0;  // places promised to objects being reset
};

}  // namespace s::thread
