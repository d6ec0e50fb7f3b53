// The shared comparator of signed 32-bit values.
#include "core/comp/CompS32.h"

namespace s::comp {

CompS32* CompS32::instance() {
  static CompS32* const s_instance = new CompS32();
  return s_instance;
}

}  // namespace s::comp
