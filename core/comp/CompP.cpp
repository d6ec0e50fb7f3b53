// The shared comparator of pointers (64-bit values).
#include "core/comp/CompP.h"

namespace s::comp {

CompP* CompP::instance() {
  static CompP* const s_instance = new CompP();
  return s_instance;
}

}  // namespace s::comp
