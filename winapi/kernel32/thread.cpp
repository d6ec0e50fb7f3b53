// Threads over POSIX threads: creation (optionally suspended), the suspend count as a parked
// wait, exit codes, ids, priorities as nice values, and the waits on every waitable object.
// Left out on purpose: TerminateThread and suspending a running thread from outside (neither
// can be done safely; a thread that will not stop is abandoned), ExitThread (nothing calls it),
// alertable waits (nothing queues APCs).
#include "winapi/base/debug.h"
#include "winapi/base/handle.h"
#include "winapi/base/threadid.h"
#include "winapi/kernel32/clock.h"

#include <winseam.h>

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <optional>

namespace winapi {
namespace {

// The process's own nice value: thread priorities are relative to it, as Windows thread
// priorities are relative to the process's priority class.
int processNice() {
  static const int nice = [] {
    errno = 0;
    int value = getpriority(PRIO_PROCESS, static_cast<id_t>(getpid()));
    return errno == 0 ? value : 0;
  }();
  return nice;
}

struct PriorityLevel {
  int windows;
  int niceOffset;
};
constexpr PriorityLevel kPriorityLevels[] = {
    {THREAD_PRIORITY_IDLE, 19},           {THREAD_PRIORITY_LOWEST, 10},       {THREAD_PRIORITY_BELOW_NORMAL, 5},
    {THREAD_PRIORITY_NORMAL, 0},          {THREAD_PRIORITY_ABOVE_NORMAL, -5}, {THREAD_PRIORITY_HIGHEST, -10},
    {THREAD_PRIORITY_TIME_CRITICAL, -20},
};

// How long a wait on an object that changes in another process sleeps before it looks again:
// such a change notifies no one here, and a few milliseconds late is soon enough for a lock that
// another process held.
constexpr auto kLookAgain = std::chrono::milliseconds(5);

class ThreadObject : public KernelObject {
 public:
  explicit ThreadObject(DWORD suspendCount) : m_suspendCount(suspendCount) {}

  bool isWaitable() const override { return true; }
  bool isSignaled(DWORD) const override { return m_ended; }  // under the dispatcher lock

  DWORD id() const { return m_id.load(std::memory_order_acquire); }
  DWORD exitCode() const { return m_exitCode.load(std::memory_order_acquire); }

  // Runs on the new thread before its start routine: publishes the id, then stays parked
  // while the thread is suspended.
  void begin() {
    std::unique_lock guard(m_lock);
    m_id.store(currentThreadId(), std::memory_order_release);
    m_changed.notify_all();
    m_changed.wait(guard, [&] { return m_suspendCount == 0; });
  }

  void waitUntilStarted() {
    std::unique_lock guard(m_lock);
    m_changed.wait(guard, [&] { return m_id.load(std::memory_order_acquire) != 0; });
  }

  void end(DWORD exitCode) {
    m_exitCode.store(exitCode, std::memory_order_release);
    {
      std::lock_guard guard(dispatcherLock());
      m_ended = true;
    }
    notifyDispatcher();
  }

  bool hasEnded() {
    std::lock_guard guard(dispatcherLock());
    return m_ended;
  }

  // The caller's own thread parks until the count falls back to 0.
  DWORD suspendSelf() {
    std::unique_lock guard(m_lock);
    DWORD previous = m_suspendCount++;
    m_changed.wait(guard, [&] { return m_suspendCount == 0; });
    return previous;
  }

  // Another thread may only add to the count of a thread that is parked already.
  bool suspendParked(DWORD* previous) {
    std::lock_guard guard(m_lock);
    if (m_suspendCount == 0) return false;
    *previous = m_suspendCount++;
    return true;
  }

  DWORD resume() {
    std::lock_guard guard(m_lock);
    DWORD previous = m_suspendCount;
    if (m_suspendCount > 0 && --m_suspendCount == 0) m_changed.notify_all();
    return previous;
  }

  int priority() const { return m_priority.load(); }
  void rememberPriority(int priority) { m_priority.store(priority); }

 private:
  std::atomic<DWORD> m_id{0};
  std::atomic<DWORD> m_exitCode{STILL_ACTIVE};
  bool m_ended = false;  // guarded by the dispatcher lock
  std::mutex m_lock;
  std::condition_variable m_changed;
  DWORD m_suspendCount;
  std::atomic<int> m_priority{THREAD_PRIORITY_NORMAL};
};

// The object of the calling thread: the one CreateThread made, or one made on first use for
// threads the layer did not start (the main thread, threads of libraries).
thread_local std::shared_ptr<ThreadObject> t_self;

std::shared_ptr<ThreadObject> selfObject() {
  if (t_self == nullptr) {
    t_self = std::make_shared<ThreadObject>(0);
    t_self->begin();
  }
  return t_self;
}

const HANDLE kCurrentThread = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2));
const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));

std::shared_ptr<ThreadObject> threadOf(HANDLE handle) {
  if (handle == kCurrentThread) return selfObject();
  return lookupHandleAs<ThreadObject>(handle);
}

struct StartBlock {
  std::shared_ptr<ThreadObject> thread;
  LPTHREAD_START_ROUTINE start;
  LPVOID parameter;
};

void* threadMain(void* argument) {
  auto* block = static_cast<StartBlock*>(argument);
  std::shared_ptr<ThreadObject> self = block->thread;
  LPTHREAD_START_ROUTINE start = block->start;
  LPVOID parameter = block->parameter;
  delete block;
  t_self = self;
  self->begin();
  // The handle is signalled however the routine leaves, also when the thread is unwound.
  struct Ending {
    ThreadObject* thread;
    DWORD code = 0;
    ~Ending() { thread->end(code); }
  } ending{self.get()};
  ending.code = start(parameter);
  return nullptr;
}

HANDLE WINAPI realCreateThread(LPSECURITY_ATTRIBUTES, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                               DWORD creationFlags, LPDWORD threadId) {
  if (start == nullptr || (creationFlags & ~(CREATE_SUSPENDED | STACK_SIZE_PARAM_IS_A_RESERVATION)) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto thread = std::make_shared<ThreadObject>((creationFlags & CREATE_SUSPENDED) != 0 ? 1 : 0);
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  if (stackSize != 0) {
    long page = sysconf(_SC_PAGESIZE);
    size_t size = std::max<size_t>(stackSize, PTHREAD_STACK_MIN);
    size = (size + static_cast<size_t>(page) - 1) / static_cast<size_t>(page) * static_cast<size_t>(page);
    pthread_attr_setstacksize(&attributes, size);
  }
  auto* block = new StartBlock{thread, start, parameter};
  pthread_t posixThread;
  int error = pthread_create(&posixThread, &attributes, &threadMain, block);
  pthread_attr_destroy(&attributes);
  if (error != 0) {
    delete block;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  thread->waitUntilStarted();  // the id is known before CreateThread returns
  if (threadId != nullptr) *threadId = thread->id();
  return insertHandle(thread);
}

std::atomic<seam::CreateThreadFunction> s_createThread{&realCreateThread};

int niceFor(int priority) {
  for (const PriorityLevel& level : kPriorityLevels) {
    if (level.windows == priority) return std::clamp(processNice() + level.niceOffset, -20, 19);
  }
  return INT_MIN;
}

// Waits on the dispatcher until `deadline` (null: without one); a wait on an object that changes
// in another process (`elsewhere`) looks again after kLookAgain at the latest.
void waitForChange(std::unique_lock<std::mutex>& guard, bool elsewhere,
                   const std::chrono::steady_clock::time_point* deadline) {
  if (!elsewhere) {
    waitDispatcher(guard, deadline);
    return;
  }
  auto next = std::chrono::steady_clock::now() + kLookAgain;
  if (deadline != nullptr && *deadline < next) next = *deadline;
  waitDispatcher(guard, &next);
}

}  // namespace

namespace seam {
CreateThreadFunction replaceCreateThread(CreateThreadFunction replacement) {
  return s_createThread.exchange(replacement != nullptr ? replacement : &realCreateThread);
}
}  // namespace seam

}  // namespace winapi

using winapi::ThreadObject;

extern "C" HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                                      LPVOID parameter, DWORD creationFlags, LPDWORD threadId) {
  return winapi::s_createThread.load()(attributes, stackSize, start, parameter, creationFlags, threadId);
}

extern "C" DWORD WINAPI ResumeThread(HANDLE thread) {
  std::shared_ptr<ThreadObject> object = winapi::threadOf(thread);
  if (object == nullptr) return static_cast<DWORD>(-1);
  return object->resume();
}

extern "C" DWORD WINAPI SuspendThread(HANDLE thread) {
  std::shared_ptr<ThreadObject> object = winapi::threadOf(thread);
  if (object == nullptr) return static_cast<DWORD>(-1);
  if (object == winapi::selfObject()) return object->suspendSelf();
  DWORD previous = 0;
  if (object->suspendParked(&previous)) return previous;
  // A running thread cannot be stopped safely from outside: it might hold any lock.
  FIXME(Kernel32, "a running thread other than the caller cannot be suspended");
  SetLastError(ERROR_NOT_SUPPORTED);
  return static_cast<DWORD>(-1);
}

extern "C" BOOL WINAPI GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
  std::shared_ptr<ThreadObject> object = winapi::threadOf(thread);
  if (object == nullptr) return FALSE;
  if (exitCode == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *exitCode = object->exitCode();
  return TRUE;
}

extern "C" DWORD WINAPI GetThreadId(HANDLE thread) {
  std::shared_ptr<ThreadObject> object = winapi::threadOf(thread);
  return object == nullptr ? 0 : object->id();
}

extern "C" BOOL WINAPI SetThreadPriority(HANDLE thread, int priority) {
  std::shared_ptr<ThreadObject> object = winapi::threadOf(thread);
  if (object == nullptr) return FALSE;
  int nice = winapi::niceFor(priority);
  if (nice == INT_MIN) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (object->hasEnded()) {
    object->rememberPriority(priority);
    return TRUE;
  }
  // On Linux each thread has a nice value of its own, set through its thread id.
  if (setpriority(PRIO_PROCESS, static_cast<id_t>(object->id()), nice) != 0) {
    SetLastError(errno == EACCES || errno == EPERM ? ERROR_PRIVILEGE_NOT_HELD : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  object->rememberPriority(priority);
  return TRUE;
}

extern "C" int WINAPI GetThreadPriority(HANDLE thread) {
  std::shared_ptr<ThreadObject> object = winapi::threadOf(thread);
  if (object == nullptr) return THREAD_PRIORITY_ERROR_RETURN;
  if (object->hasEnded()) return object->priority();
  errno = 0;
  int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(object->id()));
  if (errno != 0) return object->priority();
  // The level whose nice value is nearest (a nice value set by others may lie between).
  int offset = nice - winapi::processNice();
  int best = THREAD_PRIORITY_NORMAL;
  int bestDistance = INT_MAX;
  for (const winapi::PriorityLevel& level : winapi::kPriorityLevels) {
    int distance = std::abs(level.niceOffset - offset);
    if (distance < bestDistance) {
      best = level.windows;
      bestDistance = distance;
    }
  }
  return best;
}

extern "C" HANDLE WINAPI GetCurrentThread(void) { return winapi::kCurrentThread; }

extern "C" HANDLE WINAPI GetCurrentProcess(void) { return winapi::kCurrentProcess; }

extern "C" DWORD WINAPI GetCurrentThreadId(void) { return winapi::currentThreadId(); }

extern "C" DWORD WINAPI GetCurrentProcessId(void) { return static_cast<DWORD>(getpid()); }

extern "C" BOOL WINAPI CloseHandle(HANDLE handle) {
  if (handle == winapi::kCurrentThread || handle == winapi::kCurrentProcess) return TRUE;
  auto closable = [](const winapi::KernelObject& object) { return object.closableByCloseHandle(); };
  return winapi::removeHandle(handle, closable) ? TRUE : FALSE;
}

extern "C" DWORD WINAPI WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || handles == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::shared_ptr<winapi::KernelObject> objects[MAXIMUM_WAIT_OBJECTS];
  bool elsewhere = false;
  for (DWORD i = 0; i < count; ++i) {
    objects[i] = handles[i] == winapi::kCurrentThread ? winapi::selfObject() : winapi::lookupHandle(handles[i]);
    if (objects[i] == nullptr || !objects[i]->isWaitable()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    elsewhere = elsewhere || objects[i]->changesElsewhere();
  }
  DWORD self = winapi::currentThreadId();
  // The time-out runs on the layer's clock: while a test holds it still, only moving it ends the
  // wait (every change of the clock notifies the dispatcher).
  const ULONGLONG deadline = winapi::clock::now() + milliseconds;
  std::optional<winapi::clock::TimedWait> timed;
  if (milliseconds != 0 && milliseconds != INFINITE) timed.emplace();
  std::unique_lock guard(winapi::dispatcherLock());
  for (;;) {
    if (waitAll) {
      bool all = true;
      for (DWORD i = 0; i < count && all; ++i) all = objects[i]->isSignaled(self);
      if (all) {
        bool abandoned = false;
        for (DWORD i = 0; i < count; ++i) abandoned = objects[i]->satisfyWait(self) || abandoned;
        return abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0;
      }
      for (DWORD i = 0; i < count; ++i) objects[i]->letGo(self);
    } else {
      for (DWORD i = 0; i < count; ++i) {
        if (objects[i]->isSignaled(self)) {
          return objects[i]->satisfyWait(self) ? WAIT_ABANDONED_0 + i : WAIT_OBJECT_0 + i;
        }
      }
    }
    if (milliseconds == 0) return WAIT_TIMEOUT;
    if (milliseconds == INFINITE) {
      winapi::waitForChange(guard, elsewhere, nullptr);
      continue;
    }
    const ULONGLONG now = winapi::clock::now();
    if (now >= deadline) {
      milliseconds = 0;  // one last look, then time out
      continue;
    }
    if (winapi::clock::stopped()) {
      winapi::waitForChange(guard, elsewhere, nullptr);
    } else {
      const auto realDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadline - now);
      winapi::waitForChange(guard, elsewhere, &realDeadline);
    }
  }
}

extern "C" DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}
