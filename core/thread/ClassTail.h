// The tail every library class carries: its class-name text and `newInstance`, and for pooled
// classes the class pool with `pool`, `take`, `create` and `release`. Written once here, so it is
// identical in every class.
//
// A pooled class:
//
//     class StrBuffer final : public IStr, ... {
//       S_POOLED_CLASS(StrBuffer, u"s_str_strbuffer_StrBuffer")
//       ...
//     };
//
// gives
//   static EasyPooler& pool();   the class pool, built on first use by any thread, never destroyed
//   static StrBuffer* take();    the object given back last, or a new one (null when out of memory)
//   static StrBuffer* create();  a new object in its reset state (null when out of memory)
//   void release() override;     gives this object back to the pool, which resets it or, when the
//                                pool already holds `capacity` free objects, deletes it
//   getClassName() override      the text given
//   newInstance() override       take()
//
// The capacity is 1000 unless a third argument says otherwise: `S_POOLED_CLASS(Foo,
// u"s_area_Foo", 0)` for objects that are never reused (windows), 10000 for hash-table nodes.
// The class must derive from s::base::IObject and (virtually) from s::thread::IPoolable, have a
// default constructor that leaves the reset state, and implement `reset()`. The pool holds and
// hands out the object as its own class's pointer; an element disposer that is the pool must
// receive that same address (for classes whose first base is IObject, their IObject address).
//
// A class that is not pooled names itself with S_NAMED_CLASS (core/base/NamedClass.h).
//
// The macro opens a `public:` section; put it first in the class body.
#pragma once

#include "core/base/NamedClass.h"
#include "core/thread/EasyPooler.h"

#include <new>

namespace s::thread {

/// The capacity of a class pool: 1000 unless the class says otherwise.
constexpr int32_t poolCapacity(int32_t capacity = 1000) { return capacity; }

}  // namespace s::thread

#define S_POOLED_CLASS(Class, nameText, ...)                                               \
 public:                                                                                   \
  static ::s::thread::EasyPooler& pool() {                                                 \
    /* Never destroyed: objects may still be released while the process exits. */          \
    static ::s::thread::EasyPooler* const s_pool = new ::s::thread::EasyPooler(            \
        ::s::thread::poolCapacity(__VA_ARGS__), []() -> void* { return Class::create(); }, \
        [](void* object) { delete static_cast<Class*>(object); },                          \
        [](void* object) { static_cast<Class*>(object)->reset(); });                       \
    return *s_pool;                                                                        \
  }                                                                                        \
  static Class* take() { return static_cast<Class*>(pool().take()); }                      \
  static Class* create() { return new (::std::nothrow) Class(); }                          \
  void release() override { pool().giveBack(static_cast<Class*>(this)); }                  \
  const WCHAR* getClassName() const override { return nameText; }                          \
  ::s::base::IObject* newInstance() const override { return take(); }
