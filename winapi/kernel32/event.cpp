// Events: waitable objects that a thread signals for others, under the dispatcher like threads.
// Left out: names (nothing shares an event between processes: a name is refused with
// ERROR_NOT_SUPPORTED), PulseEvent (its wake-ups are unreliable on Windows itself).
#include <windows.h>

#include "winapi/base/handle.h"

#include <memory>

namespace winapi {
namespace {

class EventObject final : public KernelObject {
 public:
  EventObject(bool manualReset, bool signalled) : m_manualReset(manualReset), m_signalled(signalled) {}

  bool isWaitable() const override { return true; }
  bool isSignaled(DWORD) const override { return m_signalled; }
  // An auto-reset event lets one wait through and is reset by it.
  bool satisfyWait(DWORD) override {
    if (!m_manualReset) m_signalled = false;
    return false;
  }

  void set(bool signalled) {
    bool raised = false;
    {
      std::lock_guard guard(dispatcherLock());
      raised = signalled && !m_signalled;
      m_signalled = signalled;
    }
    // Only a change to signalled can end a wait; the dispatcher wakes every waiter.
    if (raised) notifyDispatcher();
  }

 private:
  const bool m_manualReset;
  bool m_signalled;  // guarded by the dispatcher lock
};

BOOL setEvent(HANDLE handle, bool signalled) {
  std::shared_ptr<EventObject> event = lookupHandleAs<EventObject>(handle);
  if (event == nullptr) return FALSE;
  event->set(signalled);
  return TRUE;
}

}  // namespace
}  // namespace winapi

extern "C" HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCWSTR name) {
  if (name != nullptr) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  return winapi::insertHandle(std::make_shared<winapi::EventObject>(manualReset != FALSE, initialState != FALSE));
}

extern "C" BOOL WINAPI SetEvent(HANDLE event) { return winapi::setEvent(event, true); }

extern "C" BOOL WINAPI ResetEvent(HANDLE event) { return winapi::setEvent(event, false); }
