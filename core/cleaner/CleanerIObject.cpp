// The disposer that deletes library objects.
#include "core/cleaner/CleanerIObject.h"

#include "core/base/IObject.h"

namespace s::cleaner {

CleanerIObject* CleanerIObject::instance() {
  static CleanerIObject* const s_instance = new CleanerIObject();
  return s_instance;
}

void CleanerIObject::destruct(void*& ref) {
  if (ref != nullptr) {
    delete static_cast<base::IObject*>(ref);
    ref = nullptr;
  }
}

}  // namespace s::cleaner
