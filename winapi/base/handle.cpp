// The handle table and the dispatcher. CloseHandle and the waits stand with the threads; the
// waitable objects are threads, events and mutexes.
#include "winapi/base/handle.h"

#include <shared_mutex>
#include <vector>

namespace winapi {
namespace {

struct HandleTable {
  std::shared_mutex lock;
  std::vector<std::shared_ptr<KernelObject>> slots;
  std::vector<size_t> free;
};

// Never destroyed: handles may be used from static destructors and from threads that outlive
// main.
HandleTable& table() {
  static HandleTable* t = new HandleTable;
  return *t;
}

struct Dispatcher {
  std::mutex lock;
  std::condition_variable changed;
};

Dispatcher& dispatcher() {
  static Dispatcher* d = new Dispatcher;
  return *d;
}

bool slotOf(HANDLE handle, size_t* slot) {
  auto value = reinterpret_cast<uintptr_t>(handle);
  if (value == 0 || value % 4 != 0 || value > (uintptr_t{1} << 40)) return false;
  *slot = value / 4 - 1;
  return true;
}

}  // namespace

HANDLE insertHandle(std::shared_ptr<KernelObject> object) {
  HandleTable& t = table();
  std::unique_lock guard(t.lock);
  size_t slot;
  if (!t.free.empty()) {
    slot = t.free.back();
    t.free.pop_back();
    t.slots[slot] = std::move(object);
  } else {
    slot = t.slots.size();
    t.slots.push_back(std::move(object));
  }
  return reinterpret_cast<HANDLE>((slot + 1) * 4);
}

std::shared_ptr<KernelObject> lookupHandle(HANDLE handle) {
  HandleTable& t = table();
  size_t slot;
  if (slotOf(handle, &slot)) {
    std::shared_lock guard(t.lock);
    if (slot < t.slots.size() && t.slots[slot] != nullptr) return t.slots[slot];
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}

bool removeHandle(HANDLE handle, bool (*accept)(const KernelObject&)) {
  HandleTable& t = table();
  std::shared_ptr<KernelObject> closing;  // destroyed after the table lock is left
  size_t slot;
  if (slotOf(handle, &slot)) {
    std::unique_lock guard(t.lock);
    if (slot < t.slots.size() && t.slots[slot] != nullptr && (accept == nullptr || accept(*t.slots[slot]))) {
      closing = std::move(t.slots[slot]);
      t.slots[slot] = nullptr;
      t.free.push_back(slot);
      return true;
    }
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

std::mutex& dispatcherLock() { return dispatcher().lock; }

void notifyDispatcher() { dispatcher().changed.notify_all(); }

bool waitDispatcher(std::unique_lock<std::mutex>& lock, const std::chrono::steady_clock::time_point* deadline) {
  if (deadline == nullptr) {
    dispatcher().changed.wait(lock);
    return true;
  }
  return dispatcher().changed.wait_until(lock, *deadline) == std::cv_status::no_timeout;
}

}  // namespace winapi
