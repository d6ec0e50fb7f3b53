// The shared comparator of signed bytes.
#include "core/comp/CompS08.h"

namespace s::comp {

CompS08* CompS08::instance() {
  static CompS08* const s_instance = new CompS08();
  return s_instance;
}

}  // namespace s::comp
