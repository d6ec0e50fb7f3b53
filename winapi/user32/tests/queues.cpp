// Message queues across threads: sending to another thread's window, two threads sending to
// each other, timeouts and hung threads, posting, thread messages, WM_QUIT and timers.
#include <windows.h>

#include <gtest/gtest.h>

#include "testlib/Wait.h"
#include "winapi/testsupport/Recorder.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <map>
#include <mutex>
#include <thread>

namespace {

constexpr UINT kAsk = WM_USER + 1;
constexpr UINT kAskBack = WM_USER + 2;
constexpr UINT kHold = WM_USER + 3;

std::atomic<DWORD> g_procThread{0};
std::mutex g_ownersLock;
std::map<HWND, std::thread::id> g_owners;  // the thread that made each test window
std::atomic<HWND> g_partner{nullptr};
// kHold keeps its thread in the procedure, away from its queue, until g_letGo is set.
std::atomic<bool> g_held{false};
HANDLE g_letGo = CreateEventW(nullptr, TRUE, FALSE, nullptr);

LRESULT CALLBACK threadProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kAsk: {
      std::lock_guard<std::mutex> guard(g_ownersLock);
      g_procThread = g_owners[hwnd] == std::this_thread::get_id() ? 1 : 2;
    }
      return static_cast<LRESULT>(wParam * 2);
    case kAskBack:
      // Answering needs the other thread, which is itself waiting in a send to this one.
      return SendMessageW(g_partner.load(), kAsk, wParam + 1, 0) + 1;
    case kHold:
      g_held = true;
      WaitForSingleObject(g_letGo, INFINITE);
      return 7;
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

HWND makeThreadWindow() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = threadProc;
    wc.lpszClassName = u"QueueTest";
    RegisterClassExW(&wc);
    registered = true;
  }
  HWND hwnd = CreateWindowExW(0, u"QueueTest", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  std::lock_guard<std::mutex> guard(g_ownersLock);
  g_owners[hwnd] = std::this_thread::get_id();
  return hwnd;
}

// A thread that owns one window and pumps its queue until WM_QUIT.
class WindowThread {
 public:
  WindowThread() {
    std::promise<HWND> made;
    auto ready = made.get_future();
    m_thread = std::thread([this, &made] {
      HWND hwnd = makeThreadWindow();
      m_id = GetCurrentThreadId();
      made.set_value(hwnd);
      MSG msg;
      while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
      m_exitCode = static_cast<int>(msg.wParam);
      DestroyWindow(hwnd);
    });
    m_hwnd = ready.get();
  }
  ~WindowThread() {
    if (m_thread.joinable()) stop();
  }
  void stop() {
    PostThreadMessageW(m_id, WM_QUIT, 5, 0);
    m_thread.join();
  }
  HWND hwnd() const { return m_hwnd; }
  DWORD id() const { return m_id; }
  int exitCode() const { return m_exitCode; }

 private:
  std::thread m_thread;
  HWND m_hwnd = nullptr;
  std::atomic<DWORD> m_id{0};
  int m_exitCode = -1;
};

TEST(Queues, SendingToAnotherThreadRunsTheProcedureThere) {
  WindowThread other;
  g_procThread = 0;
  EXPECT_EQ(SendMessageW(other.hwnd(), kAsk, 21, 0), 42);
  EXPECT_EQ(g_procThread.load(), 1u) << "the procedure ran on a thread that does not own the window";
  DWORD pid = 0;
  EXPECT_EQ(GetWindowThreadProcessId(other.hwnd(), &pid), other.id());
  EXPECT_EQ(pid, GetCurrentProcessId());
}

TEST(Queues, TwoThreadsSendingToEachOtherDoNotDeadlock) {
  WindowThread a, b;
  g_partner = a.hwnd();
  // This thread asks b; b's procedure asks a while this thread still waits for b.
  std::future<LRESULT> answer = std::async(std::launch::async, [&] {
    HWND mine = makeThreadWindow();
    g_partner = mine;
    LRESULT r = SendMessageW(b.hwnd(), kAskBack, 10, 0);
    DestroyWindow(mine);
    return r;
  });
  ASSERT_EQ(answer.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "deadlock";
  EXPECT_EQ(answer.get(), (10 + 1) * 2 + 1);
}

TEST(Queues, SendMessageTimeoutGivesUpOnABusyThread) {
  WindowThread busy;
  ResetEvent(g_letGo);
  g_held = false;
  PostMessageW(busy.hwnd(), kHold, 0, 0);
  ASSERT_TRUE(lumetra::testlib::waitUntil([] { return g_held.load(); }));
  // The thread stays busy until it is let go, which happens only once the send has given up.
  struct Answer {
    LRESULT sent;
    DWORD_PTR result;
    DWORD error;
  };
  auto send = std::async(std::launch::async, [&] {
    DWORD_PTR result = 99;
    SetLastError(0);
    const LRESULT sent = SendMessageTimeoutW(busy.hwnd(), kAsk, 1, 0, SMTO_NORMAL, 100, &result);
    return Answer{sent, result, GetLastError()};
  });
  const bool gaveUp = send.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
  SetEvent(g_letGo);
  ASSERT_TRUE(gaveUp) << "the send waits out its 100 ms, not the busy thread";
  const Answer answer = send.get();
  EXPECT_EQ(answer.sent, 0);
  EXPECT_EQ(answer.error, static_cast<DWORD>(ERROR_TIMEOUT));
  EXPECT_EQ(answer.result, 0u);
  DWORD_PTR result = 99;
  // Once the thread looks at its queue again, the next send goes through.
  EXPECT_NE(SendMessageTimeoutW(busy.hwnd(), kAsk, 4, 0, SMTO_NORMAL, 5000, &result), 0);
  EXPECT_EQ(result, 8u);
}

TEST(Queues, SendMessageTimeoutToADestroyedWindowFails) {
  HWND gone = makeThreadWindow();
  DestroyWindow(gone);
  DWORD_PTR result = 1;
  EXPECT_EQ(SendMessageTimeoutW(gone, kAsk, 1, 0, SMTO_ABORTIFHUNG, 100, &result), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST(Queues, PostedMessagesArriveInOrderBeforeQuit) {
  HWND hwnd = makeThreadWindow();
  PostMessageW(hwnd, WM_USER + 10, 1, 0);
  PostMessageW(hwnd, WM_USER + 11, 2, 0);
  PostQuitMessage(3);
  PostMessageW(nullptr, WM_USER + 12, 4, 0);  // a thread message of this thread
  MSG msg;
  ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, WM_USER + 10u);
  ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, WM_USER + 11u);
  ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, WM_USER + 12u);
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  DestroyWindow(hwnd);
}

TEST(Queues, PeekMessageFiltersByWindowAndRange) {
  HWND a = makeThreadWindow();
  HWND b = makeThreadWindow();
  PostMessageW(a, WM_USER + 1, 0, 0);
  PostMessageW(b, WM_USER + 2, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, b, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, WM_USER + 2u);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 2, WM_USER + 2, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, b);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, a);
  DestroyWindow(a);
  DestroyWindow(b);
}

TEST(Queues, AThreadLoopEndsOnWmQuitWithItsCode) {
  WindowThread loop;
  loop.stop();
  EXPECT_EQ(loop.exitCode(), 5);
  EXPECT_FALSE(IsWindow(loop.hwnd()));
  // A thread without a queue cannot be posted to.
  EXPECT_FALSE(PostThreadMessageW(loop.id(), WM_QUIT, 0, 0));
}

TEST(Queues, AnEndingThreadTakesItsWindowsWithItEvenInsideOthers) {
  HWND top = makeThreadWindow();
  HWND child = nullptr;
  std::thread([&] {
    // No WM_PARENTNOTIFY: this thread does not pump while it waits for the other.
    child =
        CreateWindowExW(WS_EX_NOPARENTNOTIFY, u"QueueTest", u"", WS_CHILD, 0, 0, 5, 5, top, nullptr, nullptr, nullptr);
  }).join();
  EXPECT_NE(child, nullptr);
  EXPECT_FALSE(IsWindow(child)) << "a window whose thread ended would never get its messages";
  EXPECT_TRUE(IsWindow(top));
  EXPECT_EQ(GetWindow(top, GW_CHILD), nullptr);
  DestroyWindow(top);
}

TEST(Queues, DispatchRefusesAnotherThreadsWindow) {
  WindowThread other;
  MSG msg{other.hwnd(), kAsk, 1, 0, 0, POINT{0, 0}};
  g_procThread = 0;
  EXPECT_EQ(DispatchMessageW(&msg), 0);
  EXPECT_EQ(g_procThread.load(), 0u);
}

TEST(Queues, TimersFollowTheInjectedClock) {
  auto* headless = winapi::HeadlessDriver::current();
  ASSERT_NE(headless, nullptr);
  headless->setClock(1000);
  HWND hwnd = makeThreadWindow();
  ASSERT_NE(SetTimer(hwnd, 7, 100, nullptr), 0u);
  MSG msg;
  headless->advanceClock(99);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  headless->advanceClock(1);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, hwnd);
  EXPECT_EQ(msg.wParam, 7u);
  // A timer fires once per look however late it is, then waits a whole interval again.
  headless->advanceClock(350);
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_TRUE(KillTimer(hwnd, 7));
  headless->advanceClock(1000);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_FALSE(KillTimer(hwnd, 7));
  DestroyWindow(hwnd);
}

TEST(Queues, GetMessageWakesForATimerWhenTheClockMoves) {
  auto* headless = winapi::HeadlessDriver::current();
  headless->setClock(0);
  std::atomic<bool> fired{false};
  std::atomic<HWND> timerSet{nullptr};
  std::thread waiter([&] {
    HWND hwnd = makeThreadWindow();
    SetTimer(hwnd, 1, 50, nullptr);
    timerSet = hwnd;
    MSG msg;
    GetMessageW(&msg, nullptr, 0, 0);
    fired = msg.message == WM_TIMER;
    DestroyWindow(hwnd);
  });
  // The clock moves only once the timer counts from 0: on a slow machine the thread may take
  // longer than any fixed pause to set it, and a timer set after the move would never be due.
  ASSERT_TRUE(lumetra::testlib::waitUntil([&] { return timerSet.load() != nullptr; }));
  ASSERT_TRUE(headless->waitUntilIdle(timerSet.load())) << "the thread waits in GetMessage";
  EXPECT_FALSE(fired.load());
  headless->advanceClock(60);
  waiter.join();
  EXPECT_TRUE(fired.load());
}

TEST(Queues, ACrossThreadCallOnAWindowRunsOnItsThread) {
  WindowThread other;
  Recorder::instance().name(other.hwnd(), "other");
  // SetWindowPos on another thread's window: its messages reach the window on its own thread.
  EXPECT_TRUE(SetWindowPos(other.hwnd(), nullptr, 5, 5, 40, 40, SWP_NOZORDER | SWP_NOACTIVATE));
  RECT r;
  GetWindowRect(other.hwnd(), &r);
  EXPECT_EQ(r.right - r.left, 40);
  EXPECT_FALSE(DestroyWindow(other.hwnd()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

}  // namespace

namespace {
std::atomic<int> g_deactivations{0};
LRESULT CALLBACK activationProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE) ++g_deactivations;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}
}  // namespace

TEST(Activation, NeverWaitsOnTheThreadOfTheWindowThatLosesIt) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = activationProc;
  wc.lpszClassName = u"ActivationTest";
  RegisterClassExW(&wc);
  g_deactivations = 0;
  std::atomic<HWND> other{nullptr};
  std::atomic<bool> release{false};
  std::thread poller([&] {
    HWND w = CreateWindowExW(0, u"ActivationTest", u"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                             nullptr, nullptr, nullptr);
    SetActiveWindow(w);
    other = w;
    // Waits without pumping, as a thread polling for another window's thread does.
    lumetra::testlib::waitUntil([&] { return release.load(); }, std::chrono::minutes(1));
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    DestroyWindow(w);
  });
  lumetra::testlib::waitUntil([&] { return other.load() != nullptr; });
  HWND mine = CreateWindowExW(0, u"ActivationTest", u"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                              nullptr, nullptr, nullptr);
  auto started = std::chrono::steady_clock::now();
  SetActiveWindow(mine);
  auto took = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(GetActiveWindow(), mine);
  // A wait would last until the poller is released, which happens only after this line.
  EXPECT_LT(took, std::chrono::seconds(2));
  release = true;
  poller.join();
  EXPECT_EQ(g_deactivations.load(), 1) << "the other window still hears that it lost the activation";
  DestroyWindow(mine);
}
