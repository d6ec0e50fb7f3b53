// The reusable worker thread: a parked operating-system thread and its control block.
#include "core/thread/win/Thread.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace s::thread::win {

/// What the worker and its owner share. The worker's routine holds a reference of its own, so
/// an abandoned thread keeps its block after the owner has moved on to a fresh one.
struct Thread::Control {
  Control()
      : exitEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        idleEvent(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}
  ~Control() {
    CloseHandle(exitEvent);
    CloseHandle(idleEvent);
  }
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  std::mutex lock;
  /// Notified on every change: new work, a stop, an exit request, the worker becoming idle.
  std::condition_variable changed;
  /// The two states that waits with a time-out look for, also as events, so those waits run on
  /// the system's tick clock (GetTickCount64's): set once an exit is requested, and set exactly
  /// while the worker is idle. Both change only under `lock`, with the flags below.
  HANDLE exitEvent;
  HANDLE idleEvent;
  int32_t delay = 0;
  ITask* task = nullptr;
  int32_t remaining = 0;
  int32_t mode = kBackToBack;
  int32_t interval = 0;
  bool idle = true;
  bool held = false;
  bool exitRequested = false;
  bool exited = false;
};

namespace {

using Control = Thread::Control;
using Lock = std::unique_lock<std::mutex>;

void setIdle(Control& control, bool idle) {
  control.idle = idle;
  if (idle) {
    SetEvent(control.idleEvent);
  } else {
    ResetEvent(control.idleEvent);
  }
}

void askToExit(Control& control) {
  control.exitRequested = true;
  SetEvent(control.exitEvent);
}

// Waits `ms` on the tick clock with the lock let go; only an exit request ends it early.
void pause(Control& control, Lock& lock, int64_t ms) {
  if (ms <= 0) {
    return;
  }
  lock.unlock();
  WaitForSingleObject(control.exitEvent, static_cast<DWORD>(std::min<int64_t>(ms, INFINITE - 1)));
  lock.lock();
}

DWORD WINAPI routine(LPVOID parameter) {
  auto* handed = static_cast<std::shared_ptr<Control>*>(parameter);
  std::shared_ptr<Control> control = std::move(*handed);
  delete handed;
  Control& c = *control;
  Lock lock(c.lock);
  while (!c.exitRequested) {
    if (c.delay > 0) {
      const int32_t ms = c.delay;
      c.delay = 0;
      pause(c, lock, ms);
    } else if (!c.held && c.remaining != 0) {
      if (c.remaining != -1) {
        --c.remaining;
      }
      ITask* task = c.task;
      const int32_t remaining = c.remaining;
      const int32_t mode = c.mode;
      const int32_t interval = c.interval;
      lock.unlock();
      const ULONGLONG started = GetTickCount64();
      if (task != nullptr) {
        task->run();
      }
      lock.lock();
      if (mode != Thread::kBackToBack && remaining != 0) {
        // A period counts from the start of the run: a run that took the whole period or
        // longer is followed by the next at once. A stop lets the pause run out, so whoever
        // waits for the worker to be idle finds it past its pause; only an exit cuts it short.
        const int64_t wait = mode == Thread::kPause ? interval
                                                    : static_cast<int64_t>(started + interval) -
                                                          static_cast<int64_t>(GetTickCount64());
        pause(c, lock, wait);
      }
    } else {
      if (c.remaining == 0 && !c.idle) {
        setIdle(c, true);
        c.changed.notify_all();
      }
      // Checking for work and parking is one step under the lock: a start cannot slip between.
      // A stop that came before the work began also wakes it, to tell that it is idle.
      c.changed.wait(lock, [&] {
        return c.exitRequested || (!c.held && c.remaining != 0) || (c.remaining == 0 && !c.idle);
      });
    }
  }
  c.exited = true;
  setIdle(c, true);
  c.changed.notify_all();
  return 0;
}

}  // namespace

Thread::Thread() { startThread(); }

Thread::~Thread() {
  if (m_handle != nullptr) {
    shutdown();
    CloseHandle(m_handle);
  }
}

bool Thread::startThread() {
  m_threadId = 0;
  m_handle = nullptr;
  m_control = std::make_shared<Control>();
  if (m_control->exitEvent == nullptr || m_control->idleEvent == nullptr) {
    return false;
  }
  auto* handed = new std::shared_ptr<Control>(m_control);
  DWORD id = 0;
  HANDLE handle = CreateThread(nullptr, 0, &routine, handed, CREATE_SUSPENDED, &id);
  if (handle == nullptr) {
    delete handed;
    return false;
  }
  m_handle = handle;
  m_threadId = id;
  SetThreadPriority(handle, m_priority);
  ResumeThread(handle);  // it runs on until it parks, idle
  return true;
}

bool Thread::onWorker() const { return m_threadId != 0 && GetCurrentThreadId() == m_threadId; }

bool Thread::startWork(ITask* task, int32_t count, int32_t mode, int32_t interval) {
  bool gone = false;
  if (m_handle != nullptr) {
    std::lock_guard guard(m_control->lock);
    gone = m_control->exitRequested;
  }
  if (m_handle == nullptr || gone) {
    // No thread, or one that is leaving: try a fresh one.
    if (m_handle != nullptr) {
      CloseHandle(m_handle);
    }
    if (!startThread()) {
      return false;
    }
  }
  {
    std::lock_guard guard(m_control->lock);
    m_control->task = task;
    m_control->remaining = count;
    m_control->mode = mode;
    m_control->interval = interval;
    m_control->delay = 0;
    setIdle(*m_control, count == 0);
    m_control->exited = false;
  }
  resume();
  return true;
}

bool Thread::isIdle() {
  std::lock_guard guard(m_control->lock);
  return m_control->idle;
}

void Thread::waitUntilIdle() {
  if (onWorker()) {
    return;
  }
  std::shared_ptr<Control> control = m_control;
  Lock lock(control->lock);
  control->changed.wait(lock, [&] { return control->idle; });
}

bool Thread::waitUntilIdleOrRestart(uint32_t timeoutMs) {
  if (onWorker()) {
    return false;
  }
  {
    std::shared_ptr<Control> control = m_control;
    WaitForSingleObject(control->idleEvent, timeoutMs);
    Lock lock(control->lock);
    if (control->idle) {
      return true;
    }
    // Killing the thread could leave any lock it holds taken for good. It is left to end on its
    // own: it leaves as soon as its task returns, and nothing it does after that is looked at.
    askToExit(*control);
    control->remaining = 0;
    control->task = nullptr;
    control->changed.notify_all();
  }
  if (m_handle != nullptr) {
    CloseHandle(m_handle);
  }
  startThread();
  return false;
}

void Thread::stopRepeating() {
  {
    std::lock_guard guard(m_control->lock);
    m_control->remaining = 0;
    m_control->changed.notify_all();
  }
  resume();
}

void Thread::stopAndWait() {
  stopRepeating();
  waitUntilIdle();
}

void Thread::waitForExit() {
  if (m_handle == nullptr || onWorker()) {
    return;
  }
  // The handle is signalled when the thread has ended, however it ended.
  do {
    resume();
  } while (WaitForSingleObject(m_handle, 100) == WAIT_TIMEOUT);
}

void Thread::requestExit() {
  {
    std::lock_guard guard(m_control->lock);
    askToExit(*m_control);
    m_control->changed.notify_all();
  }
  resume();
}

void Thread::shutdown() {
  requestExit();
  waitForExit();
}

void Thread::delay(int32_t ms) {
  std::lock_guard guard(m_control->lock);
  m_control->delay = ms;
}

void Thread::resume() {
  std::lock_guard guard(m_control->lock);
  m_control->held = false;
  m_control->changed.notify_all();
}

void Thread::suspend() {
  std::lock_guard guard(m_control->lock);
  m_control->held = true;
}

int32_t Thread::getPriority() {
  if (m_handle == nullptr) {
    return m_priority;
  }
  const int priority = GetThreadPriority(m_handle);
  return priority == THREAD_PRIORITY_ERROR_RETURN ? m_priority : priority;
}

bool Thread::setPriority(int32_t priority) {
  m_priority = priority;
  return m_handle != nullptr && SetThreadPriority(m_handle, priority);
}

void Thread::run() {
  if (m_runFunction != nullptr) {
    m_runFunction();
  }
}

void Thread::reset() {
  if (!isIdle()) {
    stopAndWait();
  }
  if (!setPriority(THREAD_PRIORITY_NORMAL) && m_handle != nullptr &&
      GetThreadPriority(m_handle) != THREAD_PRIORITY_NORMAL) {
    // Raising a lowered thread back may need a privilege; a fresh thread starts at normal.
    shutdown();
    CloseHandle(m_handle);
    startThread();
  }
  suspend();
  {
    std::lock_guard guard(m_control->lock);
    setIdle(*m_control, true);
  }
  m_runFunction = nullptr;
}

}  // namespace s::thread::win
