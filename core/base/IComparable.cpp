// The identity defaults of comparison.
#include "core/base/IComparable.h"

#include "core/base/IComparator.h"

#include <cstdint>

namespace s::base {

int32_t IComparable::compareTo(const IComparable* other, const IComparator* comparator) const {
  if (comparator != nullptr) {
    const IComparable* self = this;
    return comparator->compare(&self, &other);
  }
  if (other == this) {
    return 0;
  }
  return reinterpret_cast<uintptr_t>(this) < reinterpret_cast<uintptr_t>(other) ? -1 : 1;
}

int32_t IComparable::compareToIgnoreCase(const IComparable* other,
                                         const IComparator* comparator) const {
  if (comparator != nullptr) {
    const IComparable* self = this;
    return comparator->compareIgnoreCase(&self, &other);
  }
  return compareTo(other, nullptr);
}

bool IComparable::equals(const IComparable* other, const IComparator* comparator) const {
  if (comparator != nullptr) {
    const IComparable* self = this;
    return comparator->compare(&self, &other) == 0;
  }
  return compareTo(other, nullptr) == 0;
}

bool IComparable::equalsIgnoreCase(const IComparable* other, const IComparator* comparator) const {
  if (comparator != nullptr) {
    const IComparable* self = this;
    return comparator->compareIgnoreCase(&self, &other) == 0;
  }
  return compareToIgnoreCase(other, nullptr) == 0;
}

uint32_t IComparable::hashCodeIgnoreCase() const { return hashCode(); }

}  // namespace s::base
