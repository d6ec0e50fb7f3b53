// The worker thread: runs once, N times and for ever, pauses and periods, stops, delays,
// suspension, restarts of a hung worker, a thread that could not be made, and many short
// cycles (no start may be lost between a worker going idle and parking).
#include "core/thread/win/Thread.h"

#include "testlib/Wait.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <windows.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using lumetra::testlib::waitUntil;
using s::thread::win::Thread;

// Holds the tick clock still for one test, which moves it itself, so what the test checks does
// not depend on how fast the machine runs; it runs on again afterwards.
class StandingClock {
 public:
  StandingClock() { headless().setClock(1000000); }
  ~StandingClock() { headless().runClock(); }
  StandingClock(const StandingClock&) = delete;
  StandingClock& operator=(const StandingClock&) = delete;

  void advance(ULONGLONG ms) { headless().advanceClock(ms); }
  /// Moves the clock on once the worker waits on it (a pause, a period, a delay or a time-out),
  /// so the wait's time counts from the reading it began at.
  void advanceWhenWaiting(ULONGLONG ms) {
    ASSERT_TRUE(waitUntil([this] { return waits() > 0; })) << "the worker never began its wait";
    advance(ms);
  }
  /// Waits with a time-out going on.
  size_t waits() { return headless().timedWaits(); }

 private:
  static winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }
};

// Records when each run started and ended, on the tick clock, and on which thread. A run that
// "works" for a while moves the standing clock on by that much.
class RecordingTask : public s::thread::ITask {
 public:
  explicit RecordingTask(int workMs = 0) : m_workMs(workMs) {}
  void run() override {
    const ULONGLONG started = GetTickCount64();
    if (m_workMs > 0) winapi::HeadlessDriver::current()->advanceClock(m_workMs);
    std::lock_guard guard(m_lock);
    starts.push_back(started);
    ends.push_back(GetTickCount64());
    threadIds.push_back(GetCurrentThreadId());
  }
  size_t runs() {
    std::lock_guard guard(m_lock);
    return starts.size();
  }
  std::vector<ULONGLONG> starts;
  std::vector<ULONGLONG> ends;
  std::vector<DWORD> threadIds;

 private:
  int m_workMs;
  std::mutex m_lock;
};

// A task that blocks until it is let go.
class Gate : public s::thread::ITask {
 public:
  void run() override {
    std::unique_lock lock(m_lock);
    entered = true;
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return m_open; });
  }
  void waitEntered() {
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [&] { return entered; });
  }
  void open() {
    std::lock_guard guard(m_lock);
    m_open = true;
    m_changed.notify_all();
  }
  bool entered = false;

 private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  bool m_open = false;
};

struct Counter : s::thread::ITask {
  void run() override { count.fetch_add(1, std::memory_order_relaxed); }
  std::atomic<int> count{0};
};

struct Deleter {
  void operator()(Thread* thread) const { delete thread; }
};
using Worker = std::unique_ptr<Thread, Deleter>;
Worker newWorker() { return Worker(Thread::create()); }

}  // namespace

TEST(WorkerThread, RunsOnceAndAgainOnTheSameThread) {
  Worker worker = newWorker();
  ASSERT_NE(worker->getThreadId(), 0u);
  EXPECT_TRUE(worker->isIdle()) << "a new worker is parked";
  RecordingTask task;
  ASSERT_TRUE(worker->start(&task));
  worker->waitUntilIdle();
  EXPECT_EQ(task.runs(), 1u);
  ASSERT_TRUE(worker->start(&task));
  worker->waitUntilIdle();
  ASSERT_EQ(task.runs(), 2u);
  EXPECT_EQ(task.threadIds[0], worker->getThreadId());
  EXPECT_EQ(task.threadIds[1], worker->getThreadId());
  EXPECT_NE(task.threadIds[0], GetCurrentThreadId());
  ASSERT_TRUE(worker->startRepeated(&task, 5));
  worker->waitUntilIdle();
  EXPECT_EQ(task.runs(), 7u);
  ASSERT_TRUE(worker->startRepeated(&task, 0));
  worker->waitUntilIdle();
  EXPECT_EQ(task.runs(), 7u) << "no runs asked, none made";
  EXPECT_TRUE(worker->start(nullptr)) << "no task: a run of nothing";
  worker->waitUntilIdle();
}

TEST(WorkerThread, PausesBetweenRunsButNotAfterTheLast) {
  StandingClock clock;
  Worker worker = newWorker();
  RecordingTask task;
  ASSERT_TRUE(worker->startRepeatedWithPause(&task, 3, 100));
  clock.advanceWhenWaiting(99);
  EXPECT_EQ(task.runs(), 1u) << "the pause is not over";
  clock.advance(1);
  ASSERT_TRUE(waitUntil([&] { return task.runs() == 2; }));
  clock.advanceWhenWaiting(100);
  ASSERT_TRUE(waitUntil([&] { return worker->isIdle(); }))
      << "the last run is not followed by a pause: the clock stands still after it";
  ASSERT_EQ(task.runs(), 3u);
  EXPECT_EQ(task.starts[1] - task.ends[0], 100u);
  EXPECT_EQ(task.starts[2] - task.ends[1], 100u);
}

TEST(WorkerThread, FixedPeriodCountsFromTheStartOfEachRun) {
  StandingClock clock;
  Worker worker = newWorker();
  RecordingTask quick(60);
  ASSERT_TRUE(worker->startRepeatedAtRate(&quick, 3, 200));
  clock.advanceWhenWaiting(140);
  ASSERT_TRUE(waitUntil([&] { return quick.runs() == 2; }))
      << "the run's own 60 ms count toward the period";
  clock.advanceWhenWaiting(140);
  ASSERT_TRUE(waitUntil([&] { return worker->isIdle(); }));
  ASSERT_EQ(quick.runs(), 3u);
  EXPECT_EQ(quick.starts[1] - quick.starts[0], 200u);
  EXPECT_EQ(quick.starts[2] - quick.starts[1], 200u);

  RecordingTask slow(150);
  ASSERT_TRUE(worker->startRepeatedAtRate(&slow, 2, 100));
  ASSERT_TRUE(waitUntil([&] { return worker->isIdle(); }))
      << "a run longer than the period is followed by the next without a wait";
  ASSERT_EQ(slow.runs(), 2u);
  EXPECT_EQ(slow.starts[1], slow.ends[0]);
}

TEST(WorkerThread, StopLetsTheRunInProgressFinish) {
  Worker worker = newWorker();
  Gate gate;
  ASSERT_TRUE(worker->startForever(&gate));
  gate.waitEntered();
  worker->stopRepeating();
  EXPECT_FALSE(worker->isIdle()) << "the run in progress goes on";
  gate.open();
  worker->waitUntilIdle();
  EXPECT_TRUE(worker->isIdle());
}

TEST(WorkerThread, StopDuringAPauseWaitsItOutButAnExitDoesNot) {
  StandingClock clock;
  Worker worker = newWorker();
  RecordingTask task;
  RecordingTask periodic;
  // Stops the worker once it pauses after its first run.
  auto stopDuringThePause = [&](ULONGLONG pauseMs) {
    ASSERT_TRUE(waitUntil([&] { return clock.waits() > 0; })) << "the worker pauses";
    worker->stopRepeating();
    clock.advance(pauseMs - 1);
    EXPECT_FALSE(worker->isIdle()) << "the pause has not run out";
    clock.advance(1);
    EXPECT_TRUE(waitUntil([&] { return worker->isIdle(); }));
    worker->stopAndWait();
  };
  ASSERT_TRUE(worker->startForeverWithPause(&task, 300));
  stopDuringThePause(300);
  EXPECT_EQ(task.runs(), 1u) << "and no run followed it";

  ASSERT_TRUE(worker->startForeverAtRate(&periodic, 300));
  stopDuringThePause(300);
  EXPECT_EQ(periodic.runs(), 1u) << "a period runs out as well";

  ASSERT_TRUE(worker->startForeverWithPause(&task, 60000));
  ASSERT_TRUE(waitUntil([&] { return clock.waits() > 0; }));
  std::atomic<bool> exited{false};
  std::thread exiting([&] {
    worker->shutdown();
    exited = true;
  });
  EXPECT_TRUE(waitUntil([&] { return exited.load(); }))
      << "an exit cuts the minute's pause short, though the clock stands still";
  clock.advance(60000);  // lets a worker that waits the pause out end
  exiting.join();
  EXPECT_EQ(task.runs(), 2u);
}

TEST(WorkerThread, DelayWaitsOnceBeforeTheNextStep) {
  StandingClock clock;
  Worker worker = newWorker();
  struct DelayingTask : RecordingTask {
    Thread* worker = nullptr;
    void run() override {
      RecordingTask::run();
      if (runs() == 1) worker->delay(150);
    }
  } task;
  task.worker = worker.get();
  ASSERT_TRUE(worker->startRepeated(&task, 3));
  clock.advanceWhenWaiting(149);
  EXPECT_EQ(task.runs(), 1u) << "the delay is not over";
  clock.advance(1);
  ASSERT_TRUE(waitUntil([&] { return worker->isIdle(); })) << "only once";
  ASSERT_EQ(task.runs(), 3u);
  EXPECT_EQ(task.starts[1] - task.ends[0], 150u);
  EXPECT_EQ(task.starts[2], task.ends[1]);
  worker->delay(5000);
  ASSERT_TRUE(worker->start(&task)) << "a start clears a pending delay";
  EXPECT_TRUE(waitUntil([&] { return worker->isIdle(); }));
  EXPECT_EQ(task.runs(), 4u);
}

TEST(WorkerThread, SuspendedWorkerParksUntilResumed) {
  StandingClock clock;
  Worker worker = newWorker();
  Counter counter;
  ASSERT_TRUE(worker->startForeverWithPause(&counter, 2));
  ASSERT_TRUE(waitUntil([&] { return clock.waits() > 0; }));
  worker->suspend();
  clock.advance(2);
  ASSERT_TRUE(waitUntil([&] { return clock.waits() == 0; })) << "the pause is over";
  clock.advance(100);
  EXPECT_EQ(counter.count.load(), 1) << "parked after the step in progress";
  EXPECT_FALSE(worker->isIdle()) << "suspended with work left is not idle";
  worker->resume();
  ASSERT_TRUE(waitUntil([&] { return counter.count.load() == 2; }));
  worker->stopRepeating();
  clock.advanceWhenWaiting(2);
  ASSERT_TRUE(waitUntil([&] { return worker->isIdle(); }));
  worker->suspend();
  ASSERT_TRUE(worker->start(&counter)) << "a start resumes";
  EXPECT_TRUE(waitUntil([&] { return counter.count.load() == 3 && worker->isIdle(); }));
}

namespace {

// Each run of the hung-task test has its own gate, kept past the process's end (never
// destroyed): the abandoned thread runs it until it is opened and may still be leaving it while
// the process's static objects are destroyed.
std::deque<Gate>& g_hungGates = *new std::deque<Gate>;

}  // namespace

TEST(WorkerThread, HungTaskIsAbandonedForAFreshThread) {
  StandingClock clock;
  Worker worker = newWorker();
  ASSERT_TRUE(worker->setPriority(THREAD_PRIORITY_BELOW_NORMAL));
  EXPECT_EQ(worker->getPriority(), THREAD_PRIORITY_BELOW_NORMAL);
  Gate& gate = g_hungGates.emplace_back();
  ASSERT_TRUE(worker->start(&gate));
  gate.waitEntered();
  DWORD hungId = worker->getThreadId();
  std::atomic<int> answer{-1};
  std::thread waiting([&] { answer = worker->waitUntilIdleOrRestart(100) ? 1 : 0; });
  clock.advanceWhenWaiting(99);
  EXPECT_EQ(answer.load(), -1) << "the time-out has not run out";
  clock.advance(1);
  ASSERT_TRUE(waitUntil([&] { return answer.load() != -1; }));
  waiting.join();
  EXPECT_EQ(answer.load(), 0);
  EXPECT_TRUE(worker->isIdle()) << "the fresh thread is parked";
  EXPECT_NE(worker->getThreadId(), hungId);
  EXPECT_EQ(worker->getPriority(), THREAD_PRIORITY_BELOW_NORMAL) << "the remembered priority";
  RecordingTask task;
  ASSERT_TRUE(worker->start(&task));
  worker->waitUntilIdle();
  ASSERT_EQ(task.runs(), 1u);
  EXPECT_EQ(task.threadIds[0], worker->getThreadId());
  gate.open();  // the abandoned thread now ends on its own
  EXPECT_TRUE(worker->waitUntilIdleOrRestart(100)) << "an idle worker is not replaced";
}

TEST(WorkerThread, WithoutAnOperatingSystemThreadNothingHangs) {
  static std::atomic<int> refused{0};
  auto previous = winapi::seam::replaceCreateThread(
      [](LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD) -> HANDLE {
        refused.fetch_add(1);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
      });
  Worker worker = newWorker();
  Counter counter;
  EXPECT_EQ(worker->getThreadId(), 0u);
  EXPECT_FALSE(worker->start(&counter));
  EXPECT_TRUE(worker->isIdle()) << "a failed start leaves the worker idle";
  worker->waitUntilIdle();
  worker->stopAndWait();
  worker->waitForExit();
  EXPECT_TRUE(worker->waitUntilIdleOrRestart(10));
  EXPECT_FALSE(worker->setPriority(THREAD_PRIORITY_LOWEST));
  EXPECT_EQ(worker->getPriority(), THREAD_PRIORITY_LOWEST);
  worker->reset();
  EXPECT_GE(refused.load(), 2);
  winapi::seam::replaceCreateThread(previous);
  ASSERT_TRUE(worker->start(&counter)) << "a later start makes the thread";
  worker->waitUntilIdle();
  EXPECT_EQ(counter.count.load(), 1);
}

TEST(WorkerThread, ExitEndsTheThreadAndAStartMakesAFreshOne) {
  Worker worker = newWorker();
  worker->shutdown();
  Counter counter;
  ASSERT_TRUE(worker->start(&counter));
  worker->waitUntilIdle();
  EXPECT_EQ(counter.count.load(), 1);
  worker->requestExit();
  worker->waitForExit();
}

namespace {

// Threads the layer made for the workers of the exit tests, by the seam below.
std::atomic<HANDLE> g_madeHandle{nullptr};
std::atomic<HANDLE> g_routineHandle{nullptr};
winapi::seam::CreateThreadFunction g_layerCreateThread = nullptr;

HANDLE WINAPI recordingCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack,
                                    LPTHREAD_START_ROUTINE routine, LPVOID parameter, DWORD flags,
                                    LPDWORD id) {
  HANDLE made = g_layerCreateThread(security, stack, routine, parameter, flags, id);
  g_madeHandle = made;
  return made;
}

DWORD WINAPI endAtOnce(LPVOID) { return 0; }

// The worker's routine runs on a thread of its own, and the worker is handed a thread that ends
// at once: a thread that ends without its routine ever setting the exit flag.
HANDLE WINAPI splittingCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack,
                                    LPTHREAD_START_ROUTINE routine, LPVOID parameter, DWORD flags,
                                    LPDWORD id) {
  DWORD routineId = 0;
  g_routineHandle = g_layerCreateThread(security, stack, routine, parameter, 0, &routineId);
  HANDLE handed = g_layerCreateThread(security, stack, &endAtOnce, nullptr, flags, id);
  if (id != nullptr) *id = routineId;
  return handed;
}

// Runs `wait` on a thread of its own; true when it returned within `ms`.
template <typename Wait>
bool returnsWithin(int ms, Wait wait) {
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::thread([done, wait] {
    wait();
    done->store(true);
  }).detach();
  return waitUntil([&] { return done->load(); }, std::chrono::milliseconds(ms));
}

}  // namespace

TEST(WorkerThread, WaitForExitEndsWhenTheThreadHasEnded) {
  g_layerCreateThread = winapi::seam::replaceCreateThread(&recordingCreateThread);
  Worker worker = newWorker();
  winapi::seam::replaceCreateThread(g_layerCreateThread);
  HANDLE made = g_madeHandle.load();
  ASSERT_NE(made, nullptr);
  Counter counter;
  ASSERT_TRUE(worker->start(&counter));
  worker->waitUntilIdle();
  EXPECT_EQ(WaitForSingleObject(made, 0), static_cast<DWORD>(WAIT_TIMEOUT))
      << "a parked worker has not ended";
  worker->requestExit();
  worker->waitForExit();
  EXPECT_EQ(WaitForSingleObject(made, 0), WAIT_OBJECT_0) << "the thread has really ended";
  EXPECT_TRUE(returnsWithin(5000, [&] { worker->waitForExit(); }))
      << "an ended thread is not waited for again";
}

TEST(WorkerThread, WaitForExitSeesAThreadThatEndedWithoutItsExitFlag) {
  g_layerCreateThread = winapi::seam::replaceCreateThread(&splittingCreateThread);
  Worker worker = newWorker();
  winapi::seam::replaceCreateThread(g_layerCreateThread);
  HANDLE routine = g_routineHandle.load();
  ASSERT_NE(routine, nullptr);
  Thread* raw = worker.get();
  EXPECT_TRUE(returnsWithin(5000, [raw] { raw->waitForExit(); }))
      << "the handed thread has ended, though no exit was asked for and none was flagged";
  worker.reset();  // the routine's thread is asked to leave and does
  EXPECT_EQ(WaitForSingleObject(routine, 5000), WAIT_OBJECT_0);
  CloseHandle(routine);
}

TEST(WorkerThread, PoolReturnStopsAndParks) {
  Thread* worker = Thread::take();
  worker->setPriority(THREAD_PRIORITY_BELOW_NORMAL);
  static Counter counter;
  worker->setRunFunction([] { counter.count.fetch_add(1); });
  ASSERT_TRUE(worker->startForeverWithPause(worker, 1));
  ASSERT_TRUE(waitUntil([] { return counter.count.load() >= 3; }));
  worker->release();  // stops the work, normal priority, parked
  Thread* again = Thread::take();
  ASSERT_EQ(again, worker) << "the pool hands back the worker given back last";
  EXPECT_TRUE(again->isIdle());
  EXPECT_EQ(again->getPriority(), THREAD_PRIORITY_NORMAL);
  int count = counter.count.load();
  ASSERT_TRUE(again->start(again));
  again->waitUntilIdle();
  EXPECT_EQ(counter.count.load(), count) << "the run function was cleared";
  again->release();
}

TEST(WorkerThread, TenThousandCyclesLoseNoStart) {
  Worker worker = newWorker();
  Counter counter;
  for (int i = 0; i < 10000; ++i) {
    ASSERT_TRUE(worker->start(&counter));
    if (i % 2 == 0) {
      worker->waitUntilIdle();
    } else {
      worker->stopAndWait();
    }
  }
  EXPECT_GE(counter.count.load(), 5000);
  EXPECT_LE(counter.count.load(), 10000);
  int before = counter.count.load();
  for (int i = 0; i < 10000; ++i) {
    ASSERT_TRUE(worker->start(&counter));
    worker->waitUntilIdle();
  }
  EXPECT_EQ(counter.count.load(), before + 10000) << "every start ran exactly once";
}

TEST(WorkerThread, ThousandsOfWorkersStartAndShutDown) {
  Counter counter;
  for (int i = 0; i < 2000; ++i) {
    Worker worker = newWorker();
    ASSERT_TRUE(worker->start(&counter));
    worker->waitUntilIdle();
  }  // each destructor shuts its thread down
  EXPECT_EQ(counter.count.load(), 2000);
}
