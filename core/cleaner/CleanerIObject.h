// The disposer that deletes library objects.
#pragma once

#include "core/base/IDestructor.h"

namespace s::cleaner {

/// Disposes of an s::base::IObject by its virtual destructor; the reference must hold the
/// object's IObject address. The usual element disposer of process-wide object lists.
class CleanerIObject final : public base::IDestructor {
 public:
  /// The shared instance, built on first use by any thread and kept for the life of the process.
  static CleanerIObject* instance();
  void destruct(void*& ref) override;
};

}  // namespace s::cleaner
