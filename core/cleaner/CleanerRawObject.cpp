// The disposer that frees plain memory blocks.
#include "core/cleaner/CleanerRawObject.h"

#include <cstdlib>

namespace s::cleaner {

CleanerRawObject* CleanerRawObject::instance() {
  static CleanerRawObject* const s_instance = new CleanerRawObject();
  return s_instance;
}

void CleanerRawObject::destruct(void*& ref) {
  if (ref != nullptr) {
    std::free(ref);
    ref = nullptr;
  }
}

}  // namespace s::cleaner
