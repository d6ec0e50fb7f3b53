// Message queues: one per thread, with posted messages, messages sent from other threads,
// raw input, the quit flag and timers; GetMessageW and PeekMessageW take them in the order
// sent, posted, quit, input, paint, timer. A window procedure runs only on its owner thread:
// SendMessageW to another thread's window queues the message there and waits, and while it
// waits the sender handles messages sent to itself, so two threads that send to each other do
// not deadlock. SendMessageTimeoutW bounds the wait and knows hung threads (no look into their
// queue for 5 seconds while not waiting for messages). Waiting threads sleep on their queue's
// condition; only where the process may run on more than one CPU does a wait spin first, for a
// few tens of microseconds, while the thread it waits for runs and its last waits were as short.
// Left out on purpose: message hooks, journal playback, and broadcasting to HWND_BROADCAST.
#include "winapi/user32/Window.h"

#include "winapi/base/ascii.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>

namespace winapi {

namespace {

// A thread waiting for an answer spins about as long as the receiver's wake-up on another CPU
// costs on a loaded machine, and only while its answers come that soon. A thread waiting for the
// next message spins only while they come within a few microseconds of its answers: a longer
// spin would take a CPU from the work that makes them, where the process has more of it than CPUs.
constexpr auto kAnswerSpin = std::chrono::microseconds(50);
constexpr auto kIdleSpin = std::chrono::microseconds(15);
constexpr int64_t kNsPerUs = 1000;

/// Whether this process may run on more than one CPU. With one, the thread waited for cannot run
/// while the waiting one spins, so every spin only delays the answer. Read once.
bool severalCpus() {
  static const bool several = [] {
    cpu_set_t set;
    CPU_ZERO(&set);
    return sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 1;
  }();
  return several;
}

/// Marks the queue's thread asleep in the way given while `wait` runs, then awake, with the moment.
template <class Wait>
void sleepIn(ThreadQueue& queue, QueueSleep how, Wait wait) {
  queue.sleep.store(how, std::memory_order_relaxed);
  wait();
  queue.sleep.store(QueueSleep::Awake, std::memory_order_relaxed);
  queue.resumedAt.store(steadyNs(), std::memory_order_relaxed);
}

/// Whether the queue's thread runs or was woken to run.
bool running(const ThreadQueue& queue) {
  const QueueSleep now = queue.sleep.load(std::memory_order_relaxed);
  return now == QueueSleep::Awake || now == QueueSleep::Woken;
}

/// Spins until `queue` is notified after the count `seen`, for at most `spin` and only while
/// `other`, the thread waited for, runs; true when it was notified. While `other` was woken but
/// has no CPU yet, the spin gives its CPU away between looks: a woken thread is often queued on
/// the CPU of the thread that woke it. Called without the queue's lock, before a wait under it.
bool spinForSignal(const ThreadQueue& queue, uint64_t seen, const ThreadQueue& other, std::chrono::microseconds spin) {
  const auto until = std::chrono::steady_clock::now() + spin;
  for (;;) {
    for (int i = 0; i < 16; ++i) {
      if (queue.signals.load(std::memory_order_acquire) != seen) return true;
#if defined(__x86_64__) || defined(__i386__)
      __builtin_ia32_pause();
#endif
    }
    const QueueSleep state = other.sleep.load(std::memory_order_relaxed);
    if (state == QueueSleep::Woken) {
      sched_yield();
    } else if (state != QueueSleep::Awake) {
      return false;
    }
    if (std::chrono::steady_clock::now() >= until) return false;
  }
}

constexpr ULONGLONG kHungMs = 5000;

struct QueueRegistry {
  std::mutex lock;
  std::map<DWORD, std::weak_ptr<ThreadQueue>> queues;
};

QueueRegistry& registry() {
  static auto* r = new QueueRegistry;
  return *r;
}

void shutdownQueue(const std::shared_ptr<ThreadQueue>& q);

// Ends a thread's queue when the thread ends.
struct QueueHolder {
  std::shared_ptr<ThreadQueue> queue;
  ~QueueHolder() {
    if (queue) shutdownQueue(queue);
  }
};

thread_local QueueHolder t_holder;

void completeSent(const std::shared_ptr<SentMessage>& m, LRESULT result, bool failed) {
  if (!m->sender) return;
  {
    std::lock_guard<std::mutex> guard(m->sender->lock);
    if (m->done) return;
    m->result = result;
    m->failed = failed;
    m->done = true;
  }
  m->sender->notify();
}

// Runs one message sent to this thread; false when none waits.
bool processOneSent(ThreadQueue& q) {
  std::shared_ptr<SentMessage> m;
  {
    std::lock_guard<std::mutex> guard(q.lock);
    if (q.sent.empty()) return false;
    m = q.sent.front();
    q.sent.pop_front();
    q.receiving.push_back(m);
  }
  if (m->sender) q.lastSender = m->sender;
  LRESULT result = 0;
  bool failed = false;
  if (m->call) {
    result = m->call();
  } else if (IsWindow(m->hwnd)) {
    result = callWindowProc(m->hwnd, m->message, m->wParam, m->lParam);
  } else {
    failed = true;
  }
  {
    std::lock_guard<std::mutex> guard(q.lock);
    q.receiving.pop_back();
  }
  completeSent(m, result, failed);
  return true;
}

// The windows a window filter takes in: the window and its descendants. Made before the
// queue's lock is taken, since the window tree's lock comes first.
std::vector<HWND> filterWindows(HWND filter) {
  std::vector<HWND> out;
  if (filter == nullptr || filter == reinterpret_cast<HWND>(-1)) return out;
  std::lock_guard<std::recursive_mutex> guard(userLock());
  std::vector<HWND> pending{filter};
  while (!pending.empty()) {
    HWND h = pending.back();
    pending.pop_back();
    out.push_back(h);
    if (Window* w = findWindow(h)) pending.insert(pending.end(), w->children.begin(), w->children.end());
  }
  return out;
}

bool windowMatches(HWND hwnd, HWND filter, const std::vector<HWND>& allowed) {
  if (filter == nullptr) return true;
  if (filter == reinterpret_cast<HWND>(-1)) return hwnd == nullptr;
  return std::find(allowed.begin(), allowed.end(), hwnd) != allowed.end();
}

bool messageMatches(const MSG& msg, HWND filter, const std::vector<HWND>& allowed, UINT first, UINT last) {
  if (first != 0 || last != 0) {
    if (msg.message < first || msg.message > last) return false;
  }
  return windowMatches(msg.hwnd, filter, allowed);
}

bool rangeHas(UINT message, UINT first, UINT last) {
  return (first == 0 && last == 0) || (message >= first && message <= last);
}

void fillTimeAndPos(MSG* msg) {
  msg->time = static_cast<DWORD>(clockMs());
  POINT p{0, 0};
  displayDriver().cursorPos(&p);
  msg->pt = p;
}

// The heart of GetMessageW and PeekMessageW.
BOOL takeMessage(MSG* msg, HWND filter, UINT first, UINT last, UINT remove, bool wait) {
  std::shared_ptr<ThreadQueue> q = currentQueue();
  for (;;) {
    q->lastPump = steadyMs();
    while (processOneSent(*q)) {
    }
    std::vector<HWND> allowed = filterWindows(filter);
    std::unique_lock<std::mutex> lock(q->lock);
    for (auto it = q->posted.begin(); it != q->posted.end(); ++it) {
      if (!messageMatches(*it, filter, allowed, first, last)) continue;
      *msg = *it;
      if (remove & PM_REMOVE) q->posted.erase(it);
      q->last = *msg;
      return TRUE;
    }
    if (q->quit && rangeHas(WM_QUIT, first, last)) {
      *msg = MSG{};
      msg->message = WM_QUIT;
      msg->wParam = static_cast<WPARAM>(q->quitCode);
      fillTimeAndPos(msg);
      if (remove & PM_REMOVE) q->quit = false;
      return TRUE;
    }
    if (!q->input.empty()) {
      RawInput raw = std::move(q->input.front());
      q->input.pop_front();
      lock.unlock();
      MSG converted{};
      if (translateRawInput(*q, raw, &converted)) {
        std::lock_guard<std::mutex> again(q->lock);
        q->posted.push_front(converted);
      }
      continue;
    }
    int paintsSeen = q->paintsPending;
    lock.unlock();

    if (rangeHas(WM_PAINT, first, last)) {
      HWND paint = nextWindowToPaint(*q);
      if (paint != nullptr && windowMatches(paint, filter, allowed)) {
        *msg = MSG{};
        msg->hwnd = paint;
        msg->message = WM_PAINT;
        fillTimeAndPos(msg);
        q->last = *msg;
        return TRUE;
      }
    }

    ULONGLONG now = clockMs();
    ULONGLONG nextDue = ~0ULL;
    lock.lock();
    if (rangeHas(WM_TIMER, first, last)) {
      for (Timer& t : q->timers) {
        if (!windowMatches(t.hwnd, filter, allowed)) continue;
        if (t.due <= now) {
          *msg = MSG{};
          msg->hwnd = t.hwnd;
          msg->message = WM_TIMER;
          msg->wParam = t.id;
          msg->lParam = reinterpret_cast<LPARAM>(t.proc);
          fillTimeAndPos(msg);
          // A late timer fires once, not once per missed interval.
          if (remove & PM_REMOVE) t.due = now + std::max<UINT>(t.interval, 1);
          q->last = *msg;
          return TRUE;
        }
        nextDue = std::min(nextDue, t.due);
      }
    }
    lock.unlock();
    presentDirtySurfaces(*q);
    if (!wait) return FALSE;

    lock.lock();
    if (!q->sent.empty() || !q->posted.empty() || q->quit || !q->input.empty() || q->paintsPending != paintsSeen) {
      continue;
    }
    q->waitingForMessages = true;
    const uint64_t seen = q->signals.load(std::memory_order_acquire);
    lock.unlock();
    // A spin pays while messages come in a burst from a thread that runs: one that sends again
    // within microseconds of taking its answer.
    const int64_t began = steadyNs();
    std::shared_ptr<ThreadQueue> sender = severalCpus() ? q->lastSender.lock() : nullptr;
    const bool signalled =
        sender != nullptr && q->idleSpinPays && running(*sender) && spinForSignal(*q, seen, *sender, kIdleSpin);
    lock.lock();
    if (signalled || !q->sent.empty() || !q->posted.empty() || q->quit || !q->input.empty() ||
        q->paintsPending != paintsSeen) {
      q->waitingForMessages = false;
      continue;
    }
    sleepIn(*q, QueueSleep::Asleep, [&] {
      if (nextDue == ~0ULL || displayDriver().manualClock()) {
        q->wake.wait(lock);
      } else {
        ULONGLONG delay = nextDue > now ? nextDue - now : 0;
        q->wake.wait_for(lock, std::chrono::milliseconds(delay));
      }
    });
    q->waitingForMessages = false;
    // The sender's own time between messages: from its answer, or from its wake-up where it
    // slept meanwhile, to its next message.
    if (sender != nullptr) {
      const int64_t from = std::max(began, sender->resumedAt.load(std::memory_order_relaxed));
      const int64_t gap = q->signalledAt.load(std::memory_order_relaxed) - from;
      q->idleSpinPays = gap >= 0 && gap < kIdleSpin.count() * kNsPerUs;
    }
  }
}

void shutdownQueue(const std::shared_ptr<ThreadQueue>& q) {
  std::deque<std::shared_ptr<SentMessage>> pending;
  {
    std::lock_guard<std::mutex> guard(q->lock);
    q->alive = false;
    pending.swap(q->sent);
  }
  for (auto& m : pending) completeSent(m, 0, true);
  // The windows of an ending thread go with it, without messages: the thread can no longer
  // run their procedures.
  for (HWND h : windowsOfThread(q->threadId)) destroyWindowSilently(h);
  std::lock_guard<std::mutex> guard(registry().lock);
  registry().queues.erase(q->threadId);
}

}  // namespace

std::shared_ptr<ThreadQueue> currentQueue() {
  if (!t_holder.queue) {
    auto q = std::make_shared<ThreadQueue>();
    q->threadId = currentThreadId();
    q->lastPump = steadyMs();
    t_holder.queue = q;
    std::lock_guard<std::mutex> guard(registry().lock);
    registry().queues[q->threadId] = q;
  }
  return t_holder.queue;
}

std::shared_ptr<ThreadQueue> queueOfThread(DWORD threadId) {
  std::lock_guard<std::mutex> guard(registry().lock);
  auto it = registry().queues.find(threadId);
  return it == registry().queues.end() ? nullptr : it->second.lock();
}

ULONGLONG steadyMs() {
  using namespace std::chrono;
  return static_cast<ULONGLONG>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

ULONGLONG clockMs() { return displayDriver().now(); }

bool ownedByCurrentThread(HWND hwnd) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = findWindow(hwnd);
  return w != nullptr && w->threadId == currentThreadId();
}

void wakeOwner(Window* w) {
  if (w == nullptr || !w->queue) return;
  {
    std::lock_guard<std::mutex> guard(w->queue->lock);
    ++w->queue->paintsPending;
  }
  w->queue->notify();
}

LRESULT callWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC proc = nullptr;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr) return 0;
    proc = w->proc;
  }
  return proc != nullptr ? proc(hwnd, message, wParam, lParam) : DefWindowProcW(hwnd, message, wParam, lParam);
}

namespace {

// Queues a message for another thread and waits for its answer. timeout is in milliseconds
// (INFINITE: no limit); flags are the SMTO_ flags.
LRESULT sendAndWait(const std::shared_ptr<ThreadQueue>& target, std::shared_ptr<SentMessage> m, UINT flags,
                    UINT timeout, bool* ok) {
  std::shared_ptr<ThreadQueue> self = currentQueue();
  m->sender = self;
  {
    std::lock_guard<std::mutex> guard(target->lock);
    if (!target->alive) {
      *ok = false;
      return 0;
    }
    if ((flags & SMTO_ABORTIFHUNG) && !target->waitingForMessages && steadyMs() - target->lastPump > kHungMs) {
      SetLastError(ERROR_TIMEOUT);
      *ok = false;
      return 0;
    }
    target->sent.push_back(m);
  }
  target->notify();
  ULONGLONG start = steadyMs();
  const int64_t sentAt = steadyNs();
  for (;;) {
    if (!(flags & SMTO_BLOCK)) {
      while (processOneSent(*self)) {
      }
    }
    std::unique_lock<std::mutex> lock(self->lock);
    if (m->done) {
      self->answerSpinPays =
          self->signalledAt.load(std::memory_order_relaxed) - sentAt < kAnswerSpin.count() * kNsPerUs;
      *ok = !m->failed;
      if (m->failed) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return m->result;
    }
    if (!(flags & SMTO_BLOCK) && !self->sent.empty()) continue;
    self->lastPump = steadyMs();
    ULONGLONG elapsed = steadyMs() - start;
    if (timeout != INFINITE && elapsed >= timeout) {
      bool hung = !target->waitingForMessages && steadyMs() - target->lastPump > kHungMs;
      if (!(flags & SMTO_NOTIMEOUTIFNOTHUNG) || hung) {
        // The receiver may still answer later; the message counts as done, so its answer
        // then goes nowhere.
        m->done = true;
        SetLastError(ERROR_TIMEOUT);
        *ok = false;
        return 0;
      }
    }
    ULONGLONG slice =
        timeout == INFINITE
            ? 1000
            : std::max<ULONGLONG>(1, std::min<ULONGLONG>(timeout - std::min<ULONGLONG>(elapsed, timeout), 1000));
    const uint64_t seen = self->signals.load(std::memory_order_acquire);
    lock.unlock();
    // The receiver runs (or was woken by the message and will run soon) unless it sleeps, in a
    // send of its own that leaves sent messages waiting or after answering.
    const bool signalled =
        self->answerSpinPays && severalCpus() && running(*target) && spinForSignal(*self, seen, *target, kAnswerSpin);
    lock.lock();
    if (signalled || m->done || (!(flags & SMTO_BLOCK) && !self->sent.empty())) continue;
    sleepIn(*self, (flags & SMTO_BLOCK) ? QueueSleep::AsleepIgnoringSends : QueueSleep::Asleep,
            [&] { self->wake.wait_for(lock, std::chrono::milliseconds(slice)); });
  }
}

}  // namespace

LRESULT sendLocal(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<ThreadQueue> target;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = windowOrError(hwnd);
    if (w == nullptr) return 0;
    if (w->threadId == currentThreadId()) {
      target = nullptr;
    } else {
      target = w->queue;
    }
  }
  if (!target) return callWindowProc(hwnd, message, wParam, lParam);
  auto m = std::make_shared<SentMessage>();
  m->hwnd = hwnd;
  m->message = message;
  m->wParam = wParam;
  m->lParam = lParam;
  bool ok = true;
  return sendAndWait(target, std::move(m), SMTO_NORMAL, INFINITE, &ok);
}

LRESULT runOnOwner(HWND hwnd, std::function<LRESULT()> fn) {
  std::shared_ptr<ThreadQueue> target;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = windowOrError(hwnd);
    if (w == nullptr) return 0;
    if (w->threadId != currentThreadId()) target = w->queue;
  }
  if (!target) return fn();
  auto m = std::make_shared<SentMessage>();
  m->hwnd = hwnd;
  m->call = std::move(fn);
  bool ok = true;
  return sendAndWait(target, std::move(m), SMTO_NORMAL, INFINITE, &ok);
}

void postToOwner(HWND hwnd, std::function<void()> fn) {
  std::shared_ptr<ThreadQueue> target;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr) return;
    target = w->queue;
  }
  auto m = std::make_shared<SentMessage>();
  m->hwnd = hwnd;
  m->call = [fn = std::move(fn)]() -> LRESULT {
    fn();
    return 0;
  };
  {
    std::lock_guard<std::mutex> guard(target->lock);
    if (!target->alive) return;
    target->sent.push_back(std::move(m));
  }
  target->notify();
}

void setTimerForCurrentThread(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  std::shared_ptr<ThreadQueue> q = currentQueue();
  std::lock_guard<std::mutex> guard(q->lock);
  // Windows raises elapse times below 10 ms to 10 ms.
  UINT interval = std::max<UINT>(elapse, 10);
  ULONGLONG due = clockMs() + interval;
  for (Timer& t : q->timers) {
    if (t.hwnd == hwnd && t.id == id) {
      t.interval = interval;
      t.due = due;
      t.proc = proc;
      return;
    }
  }
  q->timers.push_back(Timer{hwnd, id, interval, due, proc});
}

void killTimersOf(ThreadQueue& q, HWND hwnd) {
  std::lock_guard<std::mutex> guard(q.lock);
  q.timers.erase(std::remove_if(q.timers.begin(), q.timers.end(), [&](const Timer& t) { return t.hwnd == hwnd; }),
                 q.timers.end());
  q.posted.erase(std::remove_if(q.posted.begin(), q.posted.end(), [&](const MSG& m) { return m.hwnd == hwnd; }),
                 q.posted.end());
}

void wakeAllQueues() {
  std::vector<std::shared_ptr<ThreadQueue>> all;
  {
    std::lock_guard<std::mutex> guard(registry().lock);
    for (auto& entry : registry().queues) {
      if (auto q = entry.second.lock()) all.push_back(q);
    }
  }
  for (auto& q : all) {
    {
      std::lock_guard<std::mutex> guard(q->lock);
      ++q->paintsPending;
    }
    q->notify();
  }
}

bool postRawInput(HWND top, RawInput raw) {
  std::shared_ptr<ThreadQueue> target;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(top);
    if (w == nullptr) return false;
    target = w->queue;
  }
  raw.top = top;
  {
    std::lock_guard<std::mutex> guard(target->lock);
    if (!target->alive) return false;
    target->input.push_back(std::move(raw));
  }
  target->notify();
  return true;
}

}  // namespace winapi

using namespace winapi;

extern "C" BOOL WINAPI GetMessageW(LPMSG msg, HWND hwnd, UINT first, UINT last) {
  if (msg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  takeMessage(msg, hwnd, first, last, PM_REMOVE, true);
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

extern "C" BOOL WINAPI PeekMessageW(LPMSG msg, HWND hwnd, UINT first, UINT last, UINT remove) {
  if (msg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return takeMessage(msg, hwnd, first, last, remove, false);
}

extern "C" BOOL WINAPI WaitMessage(void) {
  std::shared_ptr<ThreadQueue> q = currentQueue();
  while (processOneSent(*q)) {
  }
  presentDirtySurfaces(*q);
  std::unique_lock<std::mutex> lock(q->lock);
  if (!q->posted.empty() || q->quit || !q->input.empty() || !q->sent.empty()) return TRUE;
  int paintsSeen = q->paintsPending;
  ULONGLONG nextDue = ~0ULL;
  for (const Timer& t : q->timers) nextDue = std::min(nextDue, t.due);
  lock.unlock();
  if (nextWindowToPaint(*q) != nullptr) return TRUE;
  ULONGLONG now = clockMs();
  if (nextDue <= now) return TRUE;
  lock.lock();
  if (q->paintsPending != paintsSeen) return TRUE;
  q->waitingForMessages = true;
  sleepIn(*q, QueueSleep::Asleep, [&] {
    if (nextDue == ~0ULL || displayDriver().manualClock()) {
      q->wake.wait(lock);
    } else {
      q->wake.wait_for(lock, std::chrono::milliseconds(nextDue - now));
    }
  });
  q->waitingForMessages = false;
  return TRUE;
}

extern "C" LRESULT WINAPI DispatchMessageW(const MSG* msg) {
  if (msg == nullptr) return 0;
  if (msg->message == WM_TIMER && msg->lParam != 0) {
    reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, static_cast<DWORD>(clockMs()));
    return 0;
  }
  if (msg->hwnd == nullptr) return 0;
  unsigned invalidations = 0;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = windowOrError(msg->hwnd);
    if (w == nullptr) return 0;
    // A window procedure runs only on the thread that owns the window.
    if (w->threadId != currentThreadId()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return 0;
    }
    invalidations = w->invalidations;
  }
  LRESULT result = callWindowProc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
  if (msg->message == WM_PAINT) {
    // A procedure that left WM_PAINT without BeginPaint would get it again for ever; the
    // region is validated for it, as Windows does.
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(msg->hwnd);
    if (w != nullptr && w->invalidations == invalidations && (!w->update.isEmpty() || w->internalPaint)) {
      w->update.clear();
      w->internalPaint = false;
      w->eraseNeeded = false;
      w->frameNeeded = false;
    }
  }
  return result;
}

extern "C" BOOL WINAPI PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (hwnd == nullptr) return PostThreadMessageW(currentThreadId(), message, wParam, lParam);
  std::shared_ptr<ThreadQueue> target;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = windowOrError(hwnd);
    if (w == nullptr) return FALSE;
    target = w->queue;
  }
  MSG m{hwnd, message, wParam, lParam, static_cast<DWORD>(clockMs()), POINT{0, 0}};
  {
    std::lock_guard<std::mutex> guard(target->lock);
    if (!target->alive) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    target->posted.push_back(m);
  }
  target->notify();
  return TRUE;
}

extern "C" BOOL WINAPI PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<ThreadQueue> target = threadId == currentThreadId() ? currentQueue() : queueOfThread(threadId);
  if (!target) {
    SetLastError(ERROR_INVALID_THREAD_ID);  // the thread has no message queue
    return FALSE;
  }
  MSG m{nullptr, message, wParam, lParam, static_cast<DWORD>(clockMs()), POINT{0, 0}};
  {
    std::lock_guard<std::mutex> guard(target->lock);
    if (!target->alive) {
      SetLastError(ERROR_INVALID_THREAD_ID);
      return FALSE;
    }
    target->posted.push_back(m);
  }
  target->notify();
  return TRUE;
}

extern "C" void WINAPI PostQuitMessage(int exitCode) {
  std::shared_ptr<ThreadQueue> q = currentQueue();
  {
    std::lock_guard<std::mutex> guard(q->lock);
    q->quit = true;
    q->quitCode = exitCode;
  }
  q->notify();
}

extern "C" LRESULT WINAPI SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (isRemoteHandle(hwnd)) {
    bool ok = true;
    return sendRemote(hwnd, message, wParam, lParam, SMTO_NORMAL, INFINITE, &ok);
  }
  return sendLocal(hwnd, message, wParam, lParam);
}

extern "C" LRESULT WINAPI SendMessageTimeoutW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                                              UINT timeout, PDWORD_PTR result) {
  if (result != nullptr) *result = 0;
  bool ok = true;
  LRESULT value = 0;
  if (isRemoteHandle(hwnd)) {
    value = sendRemote(hwnd, message, wParam, lParam, flags, timeout, &ok);
  } else {
    std::shared_ptr<ThreadQueue> target;
    {
      std::lock_guard<std::recursive_mutex> guard(userLock());
      Window* w = windowOrError(hwnd);
      if (w == nullptr) return 0;
      if (w->threadId != currentThreadId()) target = w->queue;
    }
    if (!target) {
      value = callWindowProc(hwnd, message, wParam, lParam);
    } else {
      auto m = std::make_shared<SentMessage>();
      m->hwnd = hwnd;
      m->message = message;
      m->wParam = wParam;
      m->lParam = lParam;
      value = sendAndWait(target, std::move(m), flags, timeout, &ok);
    }
  }
  if (!ok) return 0;
  if (result != nullptr) *result = static_cast<DWORD_PTR>(value);
  return 1;
}

extern "C" BOOL WINAPI SendNotifyMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (ownedByCurrentThread(hwnd)) {
    callWindowProc(hwnd, message, wParam, lParam);
    return TRUE;
  }
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  postToOwner(hwnd, [=] { callWindowProc(hwnd, message, wParam, lParam); });
  return TRUE;
}

extern "C" BOOL WINAPI InSendMessage(void) {
  std::shared_ptr<ThreadQueue> q = currentQueue();
  std::lock_guard<std::mutex> guard(q->lock);
  return !q->receiving.empty() && q->receiving.back()->sender ? TRUE : FALSE;
}

extern "C" BOOL WINAPI ReplyMessage(LRESULT result) {
  std::shared_ptr<SentMessage> m;
  {
    std::shared_ptr<ThreadQueue> q = currentQueue();
    std::lock_guard<std::mutex> guard(q->lock);
    if (q->receiving.empty()) return FALSE;
    m = q->receiving.back();
  }
  if (!m->sender || m->done) return FALSE;
  completeSent(m, result, false);
  return TRUE;
}

extern "C" LONG WINAPI GetMessageTime(void) { return static_cast<LONG>(currentQueue()->last.time); }

extern "C" DWORD WINAPI GetMessagePos(void) {
  const MSG& m = currentQueue()->last;
  return static_cast<DWORD>(MAKELONG(m.pt.x, m.pt.y));
}

extern "C" LRESULT WINAPI CallWindowProcW(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (proc == nullptr) return 0;
  return proc(hwnd, message, wParam, lParam);
}

namespace winapi {

UINT registeredNameId(LPCWSTR name) {
  static std::mutex lock;
  static std::map<std::u16string, UINT> names;
  if (name == nullptr || *name == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string key;
  for (const char16_t* p = name; *p != 0; ++p) key.push_back(ascii::toUpper(*p));
  std::lock_guard<std::mutex> guard(lock);
  auto it = names.find(key);
  if (it != names.end()) return it->second;
  UINT id = 0xC000 + static_cast<UINT>(names.size());
  if (id > 0xFFFF) return 0;
  names[key] = id;
  return id;
}

}  // namespace winapi

extern "C" UINT WINAPI RegisterWindowMessageW(LPCWSTR name) { return registeredNameId(name); }

extern "C" UINT_PTR WINAPI SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  if (hwnd != nullptr) {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = windowOrError(hwnd);
    if (w == nullptr) return 0;
    // A timer belongs to the thread of its window.
    if (w->threadId != currentThreadId()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return 0;
    }
  } else {
    // A timer without a window gets an id of its own.
    static std::atomic<UINT_PTR> next{0x7FFE0000};
    id = next++;
  }
  setTimerForCurrentThread(hwnd, id, elapse, proc);
  currentQueue()->notify();
  return hwnd != nullptr ? 1 : id;
}

extern "C" BOOL WINAPI KillTimer(HWND hwnd, UINT_PTR id) {
  std::shared_ptr<ThreadQueue> q = currentQueue();
  std::lock_guard<std::mutex> guard(q->lock);
  auto it =
      std::find_if(q->timers.begin(), q->timers.end(), [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  if (it == q->timers.end()) {
    SetLastError(ERROR_TIMER_NOT_FOUND);
    return FALSE;
  }
  q->timers.erase(it);
  // A WM_TIMER of this timer already in the posted queue is dropped too.
  q->posted.erase(
      std::remove_if(q->posted.begin(), q->posted.end(),
                     [&](const MSG& m) { return m.message == WM_TIMER && m.hwnd == hwnd && m.wParam == id; }),
      q->posted.end());
  return TRUE;
}
