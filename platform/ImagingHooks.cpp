// The table of imaging calls that platform makes.
#include "platform/ImagingHooks.h"

#include <atomic>

namespace s::platform {

namespace {

ImagingHooks s_hooks;
std::atomic<bool> s_installed{false};

}  // namespace

void setImagingHooks(const ImagingHooks& hooks) {
  s_hooks = hooks;
  s_installed.store(true, std::memory_order_release);
}

const ImagingHooks* getImagingHooks() {
  return s_installed.load(std::memory_order_acquire) ? &s_hooks : nullptr;
}

}  // namespace s::platform
