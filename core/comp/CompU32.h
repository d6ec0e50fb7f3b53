// The shared comparator of unsigned 32-bit values.
#pragma once

#include "core/base/IComparator.h"
#include "core/base/IObject.h"
#include "core/base/NamedClass.h"

namespace s::comp {

/// Compares the unsigned 32-bit values at two addresses (unsigned order).
/// One shared instance serves every array of the type; `newInstance` makes a separate one.
class CompU32 final : public base::IObject, public base::IComparator {
  S_NAMED_CLASS(CompU32, u"s_comp_CompU32")

  /// The shared instance, built on first use by any thread and kept for the life of the process.
  static CompU32* instance();
  int32_t compare(const void* a, const void* b) const override {
    const uint32_t x = *static_cast<const uint32_t*>(a);
    const uint32_t y = *static_cast<const uint32_t*>(b);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
};

}  // namespace s::comp
