// The disposer that frees plain memory blocks.
#pragma once

#include "core/base/IDestructor.h"

namespace s::cleaner {

/// Disposes of a block from malloc by a plain free; no destructor runs.
class CleanerRawObject final : public base::IDestructor {
 public:
  /// The shared instance, built on first use by any thread and kept for the life of the process.
  static CleanerRawObject* instance();
  void destruct(void*& ref) override;
};

}  // namespace s::cleaner
