// The interface of one entry of an archive.
#pragma once

#include "core/base/IObject.h"

#include <cstdint>

namespace s::archive {

/// One entry of an archive (a module resource, an image of an icon or cursor file). Entries
/// belong to their archive, which gives them back to their pool when it closes.
class IEntry : public base::IObject {
 public:
  /// The entry's data size in bytes.
  virtual uint64_t getSize() const = 0;
};

}  // namespace s::archive
