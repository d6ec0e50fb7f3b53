// The shared comparator of unsigned bytes.
#pragma once

#include "core/base/IComparator.h"
#include "core/base/IObject.h"
#include "core/base/NamedClass.h"

namespace s::comp {

/// Compares the unsigned bytes at two addresses (unsigned order).
/// One shared instance serves every array of the type; `newInstance` makes a separate one.
class CompU08 final : public base::IObject, public base::IComparator {
  S_NAMED_CLASS(CompU08, u"s_comp_CompU08")

  /// The shared instance, built on first use by any thread and kept for the life of the process.
  static CompU08* instance();
  int32_t compare(const void* a, const void* b) const override {
    const uint8_t x = *static_cast<const uint8_t*>(a);
    const uint8_t y = *static_cast<const uint8_t*>(b);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
};

}  // namespace s::comp
