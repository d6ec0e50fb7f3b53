// The root of comparison: three-way comparison, equality and hashing, each in a plain and an
// ignore-case form.
#pragma once

#include <cstdint>

namespace s::base {

class IComparator;

/// Something that compares with other objects. The defaults here give identity semantics: an
/// object equals only itself and orders by its address (unsigned); the ignore-case forms fall back
/// to the plain ones. Classes with a value (texts, arrays) override them.
///
/// A comparator, when given, decides instead; it receives the addresses of the two object pointers
/// (a `const IComparable* const*` each), as comparators always receive element addresses.
class IComparable {
 public:
  virtual ~IComparable() = default;

  /// Negative, 0 or positive as this object orders before, with or after `other`.
  virtual int32_t compareTo(const IComparable* other,
                            const IComparator* comparator = nullptr) const;
  virtual int32_t compareToIgnoreCase(const IComparable* other,
                                      const IComparator* comparator = nullptr) const;
  virtual bool equals(const IComparable* other, const IComparator* comparator = nullptr) const;
  virtual bool equalsIgnoreCase(const IComparable* other,
                                const IComparator* comparator = nullptr) const;
  /// Objects that are equal hash equally.
  virtual uint32_t hashCode() const = 0;
  virtual uint32_t hashCodeIgnoreCase() const;
};

}  // namespace s::base
