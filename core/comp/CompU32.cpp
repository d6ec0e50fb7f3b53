// The shared comparator of unsigned 32-bit values.
#include "core/comp/CompU32.h"

namespace s::comp {

CompU32* CompU32::instance() {
  static CompU32* const s_instance = new CompU32();
  return s_instance;
}

}  // namespace s::comp
