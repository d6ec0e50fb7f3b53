// The end of the session: SIGTERM, which the system sends when the user logs out or the machine
// shuts down, becomes WM_ENDSESSION for every top-level window, so programs save what they must,
// and then the windows close as if the user had closed them.
// Left out: WM_QUERYENDSESSION (a signal cannot be refused), power events.
#include <windows.h>

#include "winapi/user32/Input.h"
#include "winapi/user32/Window.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <thread>

namespace winapi {
namespace {

// Windows gives each window 5 s to answer WM_ENDSESSION, and a program that still runs 5 s after
// its windows were closed is ended.
constexpr UINT kAnswerMs = 5000;
constexpr DWORD kEndMs = 5000;

int s_wakePipe[2] = {-1, -1};

void onTerminate(int) {
  // Only async-signal-safe work here: the watcher thread does the rest.
  int saved = errno;
  char byte = 1;
  ssize_t ignored = write(s_wakePipe[1], &byte, 1);
  (void)ignored;
  errno = saved;
}

void endSession() {
  for (HWND hwnd : topLevelWindows()) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(hwnd, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, kAnswerMs, &answer);
  }
  // The windows the user knows are closed: shown, minimised, or owned (hidden in the tray, say);
  // hidden windows without an owner are owners and helpers, which go with them or with the end.
  for (HWND hwnd : topLevelWindows()) {
    if (IsWindowVisible(hwnd) || IsIconic(hwnd) || GetWindow(hwnd, GW_OWNER) != nullptr) nativeCloseRequested(hwnd);
  }
  Sleep(kEndMs);
  std::fputs("session ended: the program did not end within 5 s of closing its windows\n", stderr);
  std::fflush(stderr);
  // Ending by the signal that asked for it tells the parent what happened.
  signal(SIGTERM, SIG_DFL);
  raise(SIGTERM);
  _exit(128 + SIGTERM);
}

void watch() {
  char byte;
  for (;;) {
    ssize_t n = read(s_wakePipe[0], &byte, 1);
    if (n == 1) break;
    if (n < 0 && errno == EINTR) continue;
    return;
  }
  endSession();
}

}  // namespace

void watchSessionEnd() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (pipe2(s_wakePipe, O_CLOEXEC) != 0) return;
    // A program that set its own handler keeps it.
    struct sigaction old {};
    if (sigaction(SIGTERM, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) return;
    std::thread(watch).detach();
    struct sigaction action {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
  });
}

}  // namespace winapi
