// The reusable worker thread.
#pragma once

#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "core/thread/ITask.h"
#include "core/thread/IThread.h"

#include <windows.h>

#include <cstdint>
#include <memory>

namespace s::thread::win {

/// A worker that owns one operating-system thread for its whole life and runs an ITask on it:
/// once, a number of times or without end, back-to-back (mode 0), with a pause after each run
/// (mode 1) or at a fixed period measured from the start of each run (mode 2). No wait follows
/// the last run. The task runs outside the worker's lock, so every control operation stays
/// responsive during a run; a stop takes effect after the run in progress.
///
/// The worker parks on a condition whenever it has no work; a start sets the work and wakes it
/// under the same lock, so no start is ever lost. A `stopRepeating` during a pause or a period
/// lets it run out (so `stopAndWait` returns once the worker is past it); pauses, periods and
/// delays end early only when an exit is requested, so `shutdown` and destruction never wait
/// one out. They and the time-out of `waitUntilIdleOrRestart` run on the system's tick clock
/// (GetTickCount64's), which tests stop and move instead of waiting.
///
/// The control block keeps no "alive" mark (set by the worker each time it takes the lock,
/// cleared by each start): nothing would read it. Whether the worker took up its work shows in
/// `isIdle`, whether its task hangs in the timeout of `waitUntilIdleOrRestart`, and whether its
/// thread has ended in the thread handle, which `waitForExit` waits on, so a thread that ended
/// without passing through its routine's last step is still seen to have ended.
///
/// Failure: when no operating-system thread can be made, the worker stays idle, starts answer
/// false (each start tries to make the thread again), and the waits return at once. A task that
/// hangs is never killed: `waitUntilIdleOrRestart` abandons its thread (which ends when the task
/// returns, its result ignored) and carries on with a fresh thread and control block at the
/// remembered priority. Whoever owns an abandoned task keeps it alive until it returns.
///
/// Threads: any thread may call the control operations; the waits return at once when called
/// on the worker itself. Pooled (capacity 1000): giving it back stops its work and parks it, and
/// a later `take` reuses the same thread. Destroying it shuts the thread down.
class Thread final : public IThread, public virtual IPoolable, public ITask {
  S_POOLED_CLASS(Thread, u"s_thread_win_Thread")

  /// The modes of repetition.
  enum Mode : int32_t { kBackToBack = 0, kPause = 1, kPeriod = 2 };

  Thread();
  ~Thread() override;
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  /// Stops the work (waiting for a run in progress), priority normal, parked and idle, no run
  /// function.
  void reset() override;

  /// The operating-system thread id; 0 when there is no thread.
  uint32_t getThreadId() override { return m_threadId; }
  /// Each start sets the task (not owned; null runs nothing) and its repetition, clears a
  /// pending delay, and wakes the worker; false when there is no thread to run it.
  bool start(ITask* task) override { return startWork(task, 1, kBackToBack, 0); }
  bool startRepeated(ITask* task, int32_t count) override {
    return startWork(task, count, kBackToBack, 0);
  }
  bool startRepeatedWithPause(ITask* task, int32_t count, int32_t pauseMs) override {
    return startWork(task, count, kPause, pauseMs);
  }
  bool startRepeatedAtRate(ITask* task, int32_t count, int32_t periodMs) override {
    return startWork(task, count, kPeriod, periodMs);
  }
  bool startForever(ITask* task) override { return startWork(task, -1, kBackToBack, 0); }
  bool startForeverWithPause(ITask* task, int32_t pauseMs) override {
    return startWork(task, -1, kPause, pauseMs);
  }
  bool startForeverAtRate(ITask* task, int32_t periodMs) override {
    return startWork(task, -1, kPeriod, periodMs);
  }
  /// No work left (the worker parks).
  bool isIdle() override;
  /// Until the worker is idle, without limit.
  void waitUntilIdle() override;
  /// Waits at most `timeoutMs` for the worker to become idle; true when it did. Otherwise the
  /// busy thread is abandoned and a fresh, parked one takes its place (false).
  bool waitUntilIdleOrRestart(uint32_t timeoutMs) override;
  /// No more runs after the one in progress (and its pause, when one has begun).
  void stopRepeating() override;
  void stopAndWait() override;
  /// Until the operating-system thread has ended (after `requestExit`), however it ended.
  void waitForExit() override;
  /// The thread leaves after the run in progress.
  void requestExit() override;
  void shutdown() override;
  /// One wait of `ms` before the worker's next step; it does not wake a parked worker.
  void delay(int32_t ms) override;
  /// Lets a suspended worker go on.
  void resume() override;
  /// Parks the worker at its next step (at once when it is idle) until `resume` or a start.
  void suspend() override;
  /// The thread's priority (THREAD_PRIORITY_...); the remembered one when there is no thread.
  int32_t getPriority() override;
  /// Sets and remembers the priority, reapplied to a fresh thread. Raising it may need a
  /// privilege (false then; the value is remembered all the same).
  bool setPriority(int32_t priority) override;
  void setRunFunction(RunFunction function) override { m_runFunction = function; }
  /// Calls the run function, so a worker can be handed itself as its task.
  void run() override;

  struct Control;

 private:
  bool startWork(ITask* task, int32_t count, int32_t mode, int32_t interval);
  /// Makes a fresh operating-system thread with a fresh control block, parked and idle.
  bool startThread();
  /// Whether the current thread is the worker's own.
  bool onWorker() const;

  uint32_t m_threadId = 0;
  HANDLE m_handle = nullptr;
  std::shared_ptr<Control> m_control;
  int32_t m_priority = THREAD_PRIORITY_NORMAL;
  RunFunction m_runFunction = nullptr;
};

}  // namespace s::thread::win
