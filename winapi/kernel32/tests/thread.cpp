// Conformance of threads: creation, suspension as a parked wait, waits on threads and events,
// exit codes, priorities.
#include <windows.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include "testlib/Wait.h"

#include <algorithm>
#include <atomic>
#include <vector>

namespace {

struct Probe {
  Probe() : release(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Probe() { CloseHandle(release); }
  Probe(const Probe&) = delete;
  Probe& operator=(const Probe&) = delete;
  std::atomic<int> runs{0};
  std::atomic<DWORD> seenId{0};
  HANDLE release;  // set to let a thread that runs until released end
  DWORD result = 0;
};

DWORD WINAPI recordAndReturn(LPVOID parameter) {
  auto* probe = static_cast<Probe*>(parameter);
  probe->seenId = GetCurrentThreadId();
  ++probe->runs;
  return probe->result;
}

DWORD WINAPI runUntilReleased(LPVOID parameter) {
  auto* probe = static_cast<Probe*>(parameter);
  ++probe->runs;
  WaitForSingleObject(probe->release, INFINITE);
  return 0;
}

DWORD WINAPI parkTwice(LPVOID parameter) {
  auto* probe = static_cast<Probe*>(parameter);
  for (int i = 0; i < 2; ++i) {
    ++probe->runs;
    SuspendThread(GetCurrentThread());
  }
  ++probe->runs;
  return 0;
}

// Waits until the value reaches `target`.
bool eventually(const std::atomic<int>& value, int target) {
  return lumetra::testlib::waitUntil([&] { return value.load() >= target; });
}

}  // namespace

TEST(Thread, RunsItsRoutineAndKeepsTheExitCode) {
  Probe probe;
  probe.result = 42;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, &recordAndReturn, &probe, 0, &id);
  ASSERT_NE(thread, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_NE(id, GetCurrentThreadId());
  ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(probe.runs, 1);
  EXPECT_EQ(probe.seenId, id) << "the id handed out is the one the thread sees";
  EXPECT_EQ(GetThreadId(thread), id);
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 42u);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "an ended thread stays signalled";
  EXPECT_TRUE(CloseHandle(thread));
  SetLastError(0);
  EXPECT_FALSE(CloseHandle(thread));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_FAILED);
}

TEST(Thread, CreatedSuspendedWaitsForResume) {
  Probe probe;
  HANDLE thread = CreateThread(nullptr, 0, &recordAndReturn, &probe, CREATE_SUSPENDED, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_NE(GetThreadId(thread), 0u) << "the id exists before the thread runs";
  EXPECT_EQ(WaitForSingleObject(thread, 50), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(probe.runs, 0);
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(ResumeThread(thread), 1u);
  ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(probe.runs, 1);
  EXPECT_EQ(ResumeThread(thread), 0u) << "resuming a thread that is not suspended changes nothing";
  CloseHandle(thread);
}

TEST(Thread, SuspendsItselfUntilResumed) {
  Probe probe;
  HANDLE thread = CreateThread(nullptr, 0, &parkTwice, &probe, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  // Another thread may add to the count of a parked thread (only of a parked one); it then
  // needs two resumes.
  ASSERT_TRUE(lumetra::testlib::waitUntil([&] { return SuspendThread(thread) == 1u; }));
  EXPECT_EQ(probe.runs, 1) << "the thread stays parked";
  EXPECT_EQ(ResumeThread(thread), 2u);
  EXPECT_EQ(probe.runs, 1) << "one resume of two leaves it parked";
  EXPECT_EQ(ResumeThread(thread), 1u);
  ASSERT_TRUE(eventually(probe.runs, 2));
  // Resume in a loop until the thread has parked again, as a worker's owner does.
  lumetra::testlib::waitUntil([&] { return ResumeThread(thread) != 0 || probe.runs >= 3; });
  ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(probe.runs, 3);
  CloseHandle(thread);
}

TEST(Thread, CannotSuspendARunningThreadFromOutside) {
  Probe probe;
  HANDLE thread = CreateThread(nullptr, 0, &runUntilReleased, &probe, 0, nullptr);
  ASSERT_TRUE(eventually(probe.runs, 1));
  SetLastError(0);
  EXPECT_EQ(SuspendThread(thread), static_cast<DWORD>(-1));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  SetEvent(probe.release);
  EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  CloseHandle(thread);
}

TEST(Wait, AnyAndAllOfSeveralThreads) {
  Probe slow, fast;
  HANDLE threads[2] = {CreateThread(nullptr, 0, &runUntilReleased, &slow, 0, nullptr),
                       CreateThread(nullptr, 0, &recordAndReturn, &fast, 0, nullptr)};
  EXPECT_EQ(WaitForMultipleObjects(2, threads, FALSE, 5000), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(WaitForMultipleObjects(2, threads, TRUE, 30), static_cast<DWORD>(WAIT_TIMEOUT));
  SetEvent(slow.release);
  EXPECT_EQ(WaitForMultipleObjects(2, threads, TRUE, 5000), WAIT_OBJECT_0);
  for (HANDLE h : threads) CloseHandle(h);

  SetLastError(0);
  EXPECT_EQ(WaitForMultipleObjects(0, threads, FALSE, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  HANDLE bogus = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(0x7777770));
  EXPECT_EQ(WaitForSingleObject(bogus, 0), WAIT_FAILED);
  EXPECT_EQ(WaitForSingleObject(GetCurrentThread(), 10), static_cast<DWORD>(WAIT_TIMEOUT))
      << "a thread waiting for itself times out";
}

TEST(Wait, EventsManualAndAutoReset) {
  HANDLE manual = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE automatic = CreateEventW(nullptr, FALSE, TRUE, nullptr);
  ASSERT_NE(manual, nullptr);
  ASSERT_NE(automatic, nullptr);
  EXPECT_EQ(WaitForSingleObject(manual, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "made unset";
  EXPECT_TRUE(SetEvent(manual));
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0) << "a manual event stays set";
  EXPECT_TRUE(ResetEvent(manual));
  EXPECT_EQ(WaitForSingleObject(manual, 0), static_cast<DWORD>(WAIT_TIMEOUT));

  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0) << "made set";
  EXPECT_EQ(WaitForSingleObject(automatic, 0), static_cast<DWORD>(WAIT_TIMEOUT))
      << "an automatic event lets one wait through";
  // Waiting for all takes nothing while one of them is unset.
  SetEvent(automatic);
  HANDLE both[2] = {manual, automatic};
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0) << "still set after that";
  SetEvent(automatic);
  SetEvent(manual);
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(automatic, 0), static_cast<DWORD>(WAIT_TIMEOUT));

  // A set wakes a thread that waits without limit.
  ResetEvent(manual);
  struct Waiter {
    HANDLE event;
    std::atomic<DWORD> answer{0xFFFF};
  } waiter{manual};
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](LPVOID p) -> DWORD {
        auto* w = static_cast<Waiter*>(p);
        w->answer = WaitForSingleObject(w->event, INFINITE);
        return 0;
      },
      &waiter, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  SetEvent(manual);
  ASSERT_EQ(WaitForSingleObject(thread, 20000), WAIT_OBJECT_0);
  EXPECT_EQ(waiter.answer.load(), WAIT_OBJECT_0);
  CloseHandle(thread);

  EXPECT_TRUE(CloseHandle(manual));
  EXPECT_TRUE(CloseHandle(automatic));
  SetLastError(0);
  EXPECT_FALSE(SetEvent(manual)) << "a closed handle";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(0);
  EXPECT_EQ(CreateEventW(nullptr, TRUE, FALSE, u"Shared"), nullptr) << "no names across processes";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
}

TEST(Wait, TimeoutIsHonoured) {
  Probe probe;
  HANDLE thread = CreateThread(nullptr, 0, &runUntilReleased, &probe, 0, nullptr);
  ULONGLONG before = GetTickCount64();
  EXPECT_EQ(WaitForSingleObject(thread, 100), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_GE(GetTickCount64() - before, 95u);
  SetEvent(probe.release);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

TEST(Thread, ManyThreadsComeAndGoWithoutLeakingHandles) {
  std::vector<HANDLE> handles;
  Probe probe;
  for (int round = 0; round < 20; ++round) {
    HANDLE batch[16];
    for (HANDLE& h : batch) {
      h = CreateThread(nullptr, 64 * 1024, &recordAndReturn, &probe, 0, nullptr);
      ASSERT_NE(h, nullptr);
    }
    ASSERT_EQ(WaitForMultipleObjects(16, batch, TRUE, 10000), WAIT_OBJECT_0);
    for (HANDLE h : batch) {
      handles.push_back(h);
      CloseHandle(h);
    }
  }
  EXPECT_EQ(probe.runs, 320);
  // Closed handles are reused, so the values stay few.
  std::sort(handles.begin(), handles.end());
  EXPECT_LE(std::unique(handles.begin(), handles.end()) - handles.begin(), 64);
}

TEST(Thread, PrioritiesAreBestEffort) {
  Probe probe;
  HANDLE thread = CreateThread(nullptr, 0, &runUntilReleased, &probe, 0, nullptr);
  EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_NORMAL);
  ASSERT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_BELOW_NORMAL)) << "lowering needs no privilege";
  EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_BELOW_NORMAL);
  SetLastError(0);
  EXPECT_FALSE(SetThreadPriority(thread, 7));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  // Raising may be refused; the answer and the priority read back agree either way.
  SetLastError(0);
  if (SetThreadPriority(thread, THREAD_PRIORITY_HIGHEST)) {
    EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_HIGHEST);
  } else {
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRIVILEGE_NOT_HELD));
    EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_BELOW_NORMAL);
  }
  SetEvent(probe.release);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

TEST(Thread, CreationCanBeMadeToFail) {
  auto previous = winapi::seam::replaceCreateThread(
      [](LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD) -> HANDLE {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
      });
  Probe probe;
  EXPECT_EQ(CreateThread(nullptr, 0, &recordAndReturn, &probe, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  winapi::seam::replaceCreateThread(previous);
  HANDLE thread = CreateThread(nullptr, 0, &recordAndReturn, &probe, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  EXPECT_EQ(probe.runs, 1);
}

TEST(Thread, IdsOfTheCaller) {
  EXPECT_NE(GetCurrentThreadId(), 0u);
  EXPECT_NE(GetCurrentProcessId(), 0u);
  EXPECT_EQ(GetThreadId(GetCurrentThread()), GetCurrentThreadId());
  EXPECT_TRUE(CloseHandle(GetCurrentThread())) << "closing a pseudo handle is harmless";
}
