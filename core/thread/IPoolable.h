// Objects that come from a class pool and go back to it.
#pragma once

namespace s::thread {

/// A pooled object. Its users never delete it: they take it from its class's pool (`take`) and
/// give it back with `release`, after which they must not touch it. `reset` restores the defaults
/// (giving owned sub-objects back to their pools); the pool runs it on the way in, and the
/// constructor leaves an object in the same state, so new and reused objects start alike.
///
/// Classes derive from it virtually: a class that is also a stream reaches it more than once, and
/// must still have one `release` and one `reset`.
class IPoolable {
 public:
  virtual ~IPoolable() = default;
  virtual void release() = 0;
  virtual void reset() = 0;
};

}  // namespace s::thread
