// A pooled object held for the length of a scope: taken from its class pool (or handed over)
// on construction and given back on every way out of the scope.
#pragma once

#include <utility>

namespace s::thread {

/// Holds one object of a pooled class T (one with S_POOLED_CLASS's `take` and `release`) and
/// releases it when the holder goes out of scope.
///
///     Pooled<StrBuffer> text;                      // taken from StrBuffer's pool
///     Pooled<PathWin> child(path->newChild(name)); // handed over; may be null
///
/// Ownership: the holder owns the object until it is destroyed or `detach` hands the object on;
/// a null object is never released. Moving hands the object to the new holder. One thread uses
/// a holder, as it uses the object.
template <typename T>
class Pooled {
 public:
  Pooled() : m_object(T::take()) {}
  explicit Pooled(T* object) : m_object(object) {}
  ~Pooled() {
    if (m_object != nullptr) {
      m_object->release();
    }
  }
  Pooled(Pooled&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
  Pooled& operator=(Pooled&& other) noexcept {
    std::swap(m_object, other.m_object);
    return *this;
  }
  Pooled(const Pooled&) = delete;
  Pooled& operator=(const Pooled&) = delete;

  T* operator->() const { return m_object; }
  T& operator*() const { return *m_object; }
  T* get() const { return m_object; }
  explicit operator bool() const { return m_object != nullptr; }
  /// Hands the object to the caller, who releases it; the holder is empty afterwards.
  T* detach() { return std::exchange(m_object, nullptr); }

 private:
  T* m_object;
};

}  // namespace s::thread
