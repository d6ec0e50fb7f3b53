// The moments the program's start-up reaches its steps.
#include "app/win/StartUpTimes.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <utility>

namespace s::app::win {

namespace {

std::atomic<int64_t> s_times[static_cast<int32_t>(StartUpStep::Count)];

/// The actions waiting for their steps, under their lock.
struct Waiting {
  std::mutex lock;
  std::function<void()> actions[static_cast<int32_t>(StartUpStep::Count)];
};

// Never destroyed: a step may be reached by a thread that outlives main.
Waiting& waiting() {
  static auto* actions = new Waiting;
  return *actions;
}

}  // namespace

void markStartUp(StartUpStep step) {
  const int32_t index = static_cast<int32_t>(step);
  if (index < 0 || index >= static_cast<int32_t>(StartUpStep::Count)) {
    return;
  }
  // steady_clock is the monotonic clock on this system.
  const int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count();
  s_times[index].store(now, std::memory_order_release);
  std::function<void()> action;
  {
    std::lock_guard<std::mutex> guard(waiting().lock);
    action = std::exchange(waiting().actions[index], nullptr);
  }
  if (action) {
    action();
  }
}

void whenStartUpReaches(StartUpStep step, std::function<void()> action) {
  const int32_t index = static_cast<int32_t>(step);
  if (index < 0 || index >= static_cast<int32_t>(StartUpStep::Count)) {
    return;
  }
  std::lock_guard<std::mutex> guard(waiting().lock);
  waiting().actions[index] = std::move(action);
}

int64_t startUpTime(StartUpStep step) {
  const int32_t index = static_cast<int32_t>(step);
  if (index < 0 || index >= static_cast<int32_t>(StartUpStep::Count)) {
    return 0;
  }
  return s_times[index].load(std::memory_order_acquire);
}

const char* startUpStepName(StartUpStep step) {
  switch (step) {
    case StartUpStep::Entry: return "entry";
    case StartUpStep::Hooks: return "hooks";
    case StartUpStep::Resources: return "resources";
    case StartUpStep::LanguagePack: return "language pack";
    case StartUpStep::SkinPictures: return "skin pictures";
    case StartUpStep::Registry: return "registry";
    case StartUpStep::WindowDescription: return "window description";
    case StartUpStep::InstanceCheck: return "instance check";
    case StartUpStep::WidgetTree: return "widget tree";
    case StartUpStep::FirstLayout: return "first layout";
    case StartUpStep::FirstPaint: return "first paint";
    case StartUpStep::Count: break;
  }
  return "";
}

}  // namespace s::app::win
