// The interface of the global-address finder: the machine's address as a web service sees it,
// asked for on a worker thread and retried while offline.
#pragma once

#include "core/base/IObject.h"
#include "core/str/IStr.h"
#include "core/thread/IPoolable.h"
#include "core/thread/ITask.h"

namespace s::system::network {

/// The finder. `reset` is at once the interface's "search again" and the pool's reset: it stops
/// a search, forgets the address and lets the next `start` search afresh.
class IGipFinder : public base::IObject, public virtual thread::IPoolable, public thread::ITask {
 public:
  virtual void start() = 0;
  virtual void stop(bool wait) = 0;
  void reset() override = 0;
  virtual bool isFound() = 0;
  /// Sets `text` to the address; false (and `text` untouched) while none is found.
  virtual bool getAddress(str::IStr* text) = 0;
};

}  // namespace s::system::network
