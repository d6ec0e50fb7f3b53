// Kernel objects behind HANDLE values, shared by the layer's areas: the handle table, and the
// dispatcher through which every wait (WaitForSingleObject, WaitForMultipleObjects, and any
// area's own waits, such as a message queue's) sees objects become signalled.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace winapi {

/// Base of everything a HANDLE can name. The table holds one reference per open handle; a
/// caller that looked a handle up holds another, so closing a handle while another thread
/// uses it is safe.
class KernelObject {
 public:
  virtual ~KernelObject() = default;

  /// Whether the object can be waited for at all.
  virtual bool isWaitable() const { return false; }
  /// Asked under the dispatcher lock: would a wait by this thread be satisfied now?
  virtual bool isSignaled(DWORD /*threadId*/) const { return false; }
  /// Called under the dispatcher lock when a wait is satisfied by this object (an auto-reset
  /// object resets itself here, a mutex takes its new owner). Nothing for threads. True when
  /// the wait takes an abandoned mutex.
  virtual bool satisfyWait(DWORD /*threadId*/) { return false; }
  /// Called under the dispatcher lock on each object of a wait for all of them that found them
  /// not all signalled: an object that took hold of something to answer isSignaled lets go of it.
  virtual void letGo(DWORD /*threadId*/) {}
  /// Whether its signal state can change in another process, which notifies no wait here: a
  /// wait on it looks again every few milliseconds.
  virtual bool changesElsewhere() const { return false; }
  /// False for objects that have a close call of their own (a search handle is closed by
  /// FindClose, never by CloseHandle).
  virtual bool closableByCloseHandle() const { return true; }
};

/// Enters the object into the table and returns its new handle (never null, never
/// INVALID_HANDLE_VALUE, a multiple of 4 as on Windows).
HANDLE insertHandle(std::shared_ptr<KernelObject> object);

/// The object of a handle, or null with ERROR_INVALID_HANDLE set.
std::shared_ptr<KernelObject> lookupHandle(HANDLE handle);

/// The object of a handle when it is a T, else null with ERROR_INVALID_HANDLE set.
template <typename T>
std::shared_ptr<T> lookupHandleAs(HANDLE handle) {
  std::shared_ptr<T> object = std::dynamic_pointer_cast<T>(lookupHandle(handle));
  if (object == nullptr) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}

/// Removes a handle; false with ERROR_INVALID_HANDLE when it names nothing, or an object that
/// `accept` (when given) refuses. The test and the removal are one step under the table lock.
bool removeHandle(HANDLE handle, bool (*accept)(const KernelObject&) = nullptr);
/// Removes only an object of kind T (FindClose closes no file).
template <typename T>
bool removeHandleOf(HANDLE handle) {
  return removeHandle(handle, [](const KernelObject& object) { return dynamic_cast<const T*>(&object) != nullptr; });
}

/// The dispatcher: one lock over the signal state of every waitable object, and one condition
/// that is notified whenever any of them may have become signalled.
std::mutex& dispatcherLock();
/// Call after changing signal state (with or without the dispatcher lock held).
void notifyDispatcher();
/// Waits on the dispatcher condition; returns false when the deadline passed. `deadline` of
/// nullptr waits without limit.
bool waitDispatcher(std::unique_lock<std::mutex>& lock, const std::chrono::steady_clock::time_point* deadline);

}  // namespace winapi
