// The class-constant default hash.
#include "core/base/IObject.h"

namespace s::base {

uint32_t IObject::hashCode() const {
  // FNV-1a over the class name: the same for every object of a class, different between classes.
  uint32_t h = 2166136261u;
  for (const WCHAR* p = getClassName(); *p != 0; ++p) {
    h = (h ^ *p) * 16777619u;
  }
  return h;
}

}  // namespace s::base
