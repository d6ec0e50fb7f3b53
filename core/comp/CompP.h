// The shared comparator of pointers (64-bit values).
#pragma once

#include "core/base/IComparator.h"
#include "core/base/IObject.h"
#include "core/base/NamedClass.h"

namespace s::comp {

/// Compares the pointers (64-bit values) at two addresses (unsigned order).
/// One shared instance serves every array of the type; `newInstance` makes a separate one.
class CompP final : public base::IObject, public base::IComparator {
  S_NAMED_CLASS(CompP, u"s_comp_CompP")

  /// The shared instance, built on first use by any thread and kept for the life of the process.
  static CompP* instance();
  int32_t compare(const void* a, const void* b) const override {
    const uint64_t x = *static_cast<const uint64_t*>(a);
    const uint64_t y = *static_cast<const uint64_t*>(b);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
};

}  // namespace s::comp
