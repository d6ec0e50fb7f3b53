// The collection interface.
#pragma once

#include "core/base/IObject.h"

namespace s::col {

/// A collection of elements; the arrays are the library's collections.
class ICollection : public base::IObject {
 public:
  /// The name the collection reports for itself (the arrays answer their class name).
  virtual const WCHAR* getCollectionName() const = 0;
};

}  // namespace s::col
