// The imaging calls the icon archive makes.
#include "platform/archive/icon/IconImaging.h"

#include <atomic>

namespace s::archive::icon {

namespace {

IconImaging s_calls;
std::atomic<bool> s_installed{false};

}  // namespace

void setIconImaging(const IconImaging& calls) {
  s_calls = calls;
  s_installed.store(true, std::memory_order_release);
}

const IconImaging* getIconImaging() {
  return s_installed.load(std::memory_order_acquire) ? &s_calls : nullptr;
}

}  // namespace s::archive::icon
