// Comparison of two elements given by their addresses.
#pragma once

#include <cstdint>

namespace s::base {

/// Compares two elements of one type; `a` and `b` are the addresses of the elements, not the
/// elements themselves (for a pointer array: the addresses of two pointer slots). Comparators are
/// stateless and may be shared by any number of threads.
class IComparator {
 public:
  virtual ~IComparator() = default;
  /// -1, 0 or 1.
  virtual int32_t compare(const void* a, const void* b) const = 0;
  /// The same ignoring case; by default `compare`.
  virtual int32_t compareIgnoreCase(const void* a, const void* b) const { return compare(a, b); }
};

}  // namespace s::base
