// The end of the session: SIGTERM (log-out, shut-down), SIGINT (Ctrl+C), SIGHUP (the terminal
// went away) and the loss of the display become WM_ENDSESSION for every top-level window, so
// programs save what they must, and then the windows close as if the user had closed them.
// Whatever state the program is in then, it ends within 5 s of the event: a watchdog thread that
// takes no lock removes the files still unfinished and ends the process once 4 s have passed.
// Left out: WM_QUERYENDSESSION (a signal cannot be refused), power events.
#include <windows.h>

#include "winapi/kernel32/unfinished.h"
#include "winapi/user32/Input.h"
#include "winapi/user32/Window.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

namespace winapi {
namespace {

// Windows ends a program that still runs 5 s after its session ended. The last resort comes a
// second earlier, so that a loaded machine still sees the process gone within those 5 s.
constexpr long kLastResortMs = 4000;

// What ended the session: a signal's number, or kDisplayLost; 0 while it goes on.
constexpr int kDisplayLost = -1;
std::atomic<int> s_reason{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler may only touch lock-free atomics");

// The session thread and the watchdog each wait on a pipe of their own; a signal handler wakes
// them with write(2), which is async-signal-safe.
int s_sessionPipe[2] = {-1, -1};
int s_watchdogPipe[2] = {-1, -1};

// Writes a line to standard error, after the program's name, with write(2) alone: the last
// resort may run while another thread holds stdio's lock.
void say(const char* text) {
  const char* name = program_invocation_short_name;
  ssize_t ignored = write(STDERR_FILENO, name, strlen(name));
  ignored = write(STDERR_FILENO, ": ", 2);
  ignored = write(STDERR_FILENO, text, strlen(text));
  ignored = write(STDERR_FILENO, "\n", 1);
  (void)ignored;
}

// Ends the process at once, without a lock, an allocation or stdio: only system calls. Files
// still being written go first, so nothing half-written is left under a name.
[[noreturn]] void lastResort(int reason) {
  files::removeUnfinishedFiles();
  say("ended: the program did not end within 4 s of its session's end");
  if (reason > 0) {
    // Ending by the signal that asked for it tells the parent what happened.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(reason, &fallback, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, reason);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(reason);
    _exit(128 + reason);
  }
  _exit(1);
}

void wake(int fd) {
  const char byte = 1;
  ssize_t ignored = write(fd, &byte, 1);
  (void)ignored;
}

// Async-signal-safe: the first event starts the session's end; a second one (Ctrl+C pressed
// again, say) ends the process at once.
void begin(int reason) {
  int none = 0;
  if (!s_reason.compare_exchange_strong(none, reason)) {
    if (reason > 0) lastResort(reason);
    return;
  }
  wake(s_watchdogPipe[1]);
  wake(s_sessionPipe[1]);
}

void onSignal(int signal) {
  const int saved = errno;
  begin(signal);
  errno = saved;
}

bool waitForWake(int fd) {
  char byte;
  for (;;) {
    const ssize_t n = read(fd, &byte, 1);
    if (n == 1) return true;
    if (n < 0 && errno == EINTR) continue;
    return false;
  }
}

void endSession() {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kLastResortMs);
  for (HWND hwnd : topLevelWindows()) {
    // Every window shares the time there is; one that does not answer leaves it to the others.
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(hwnd, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, static_cast<UINT>(left), &answer);
  }
  // The windows the user knows are closed: shown, minimised, or owned (hidden in the tray, say);
  // hidden windows without an owner are owners and helpers, which go with them or with the end.
  for (HWND hwnd : topLevelWindows()) {
    if (IsWindowVisible(hwnd) || IsIconic(hwnd) || GetWindow(hwnd, GW_OWNER) != nullptr) nativeCloseRequested(hwnd);
  }
}

void sessionThread() {
  if (waitForWake(s_sessionPipe[0])) endSession();
}

// Sleeps on the monotonic clock alone, so that no lock another thread holds can delay the end.
void watchdogThread() {
  if (!waitForWake(s_watchdogPipe[0])) return;
  timespec until{};
  clock_gettime(CLOCK_MONOTONIC, &until);
  until.tv_sec += kLastResortMs / 1000;
  until.tv_nsec += (kLastResortMs % 1000) * 1000000L;
  if (until.tv_nsec >= 1000000000L) {
    until.tv_sec += 1;
    until.tv_nsec -= 1000000000L;
  }
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
  }
  lastResort(s_reason.load());
}

bool s_watching = false;

void startWatching() {
  if (pipe2(s_sessionPipe, O_CLOEXEC) != 0) return;
  if (pipe2(s_watchdogPipe, O_CLOEXEC) != 0) return;
  std::thread(sessionThread).detach();
  std::thread(watchdogThread).detach();
  s_watching = true;
  // A program that set its own handler, or a parent that made the process ignore a signal (nohup),
  // keeps it.
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    struct sigaction old {};
    if (sigaction(signal, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) != 0 || old.sa_handler != SIG_DFL) {
      continue;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
  }
}

std::once_flag s_once;

}  // namespace

void watchSessionEnd() { std::call_once(s_once, startWatching); }

void nativeDisplayLost(const char* why) {
  say(why);

  watchSessionEnd();
  if (s_watching) {
    begin(kDisplayLost);
  } else {
    // Without the threads no one would end the process, and its windows cannot be reached.
    lastResort(kDisplayLost);
  }
}

bool sessionEndedByLostDisplay() { return s_reason.load() == kDisplayLost; }

}  // namespace winapi
