// Disposal of an object held by a reference.
#pragma once

namespace s::base {

/// Disposes of the object that `ref` holds, when it is not null, and sets `ref` to null. What
/// disposal means is the implementation's: a virtual delete, a plain free, or a return to a pool.
/// Arrays use it as their element disposer; the reference is then the element's slot.
class IDestructor {
 public:
  virtual ~IDestructor() = default;
  virtual void destruct(void*& ref) = 0;
};

}  // namespace s::base
