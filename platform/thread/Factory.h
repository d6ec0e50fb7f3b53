// The record pool that disposes of its free records when it goes.
#pragma once

#include "platform/thread/PoolerBase.h"

namespace s::thread {

/// A PoolerBase whose destructor destroys the free records. Subclasses that destroy records
/// themselves must run `disposeAll` in their own destructor, while their `destroyObject` still
/// exists.
class Factory : public PoolerBase {
 public:
  Factory() = default;
  ~Factory() override { disposeAll(); }
  const WCHAR* getClassName() const override { return u"s_thread_Factory"; }
};

}  // namespace s::thread
