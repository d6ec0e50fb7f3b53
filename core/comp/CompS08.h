// The shared comparator of signed bytes.
#pragma once

#include "core/base/IComparator.h"
#include "core/base/IObject.h"
#include "core/base/NamedClass.h"

namespace s::comp {

/// Compares the signed bytes at two addresses (signed order).
/// One shared instance serves every array of the type; `newInstance` makes a separate one.
class CompS08 final : public base::IObject, public base::IComparator {
  S_NAMED_CLASS(CompS08, u"s_comp_CompS08")

  /// The shared instance, built on first use by any thread and kept for the life of the process.
  static CompS08* instance();
  int32_t compare(const void* a, const void* b) const override {
    const int8_t x = *static_cast<const int8_t*>(a);
    const int8_t y = *static_cast<const int8_t*>(b);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
};

}  // namespace s::comp
