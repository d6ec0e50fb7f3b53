// The application hooks in force.
#include "gui/app/AppHooks.h"

#include <atomic>

namespace s::app {

namespace {

IAppHooks& defaults() {
  static IAppHooks* const s_defaults = new IAppHooks();
  return *s_defaults;
}

std::atomic<IAppHooks*> s_hooks{nullptr};

}  // namespace

IAppHooks& appHooks() {
  IAppHooks* hooks = s_hooks.load(std::memory_order_acquire);
  return hooks != nullptr ? *hooks : defaults();
}

IAppHooks* setAppHooks(IAppHooks* hooks) { return s_hooks.exchange(hooks); }

}  // namespace s::app
