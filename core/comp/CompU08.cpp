// The shared comparator of unsigned bytes.
#include "core/comp/CompU08.h"

namespace s::comp {

CompU08* CompU08::instance() {
  static CompU08* const s_instance = new CompU08();
  return s_instance;
}

}  // namespace s::comp
