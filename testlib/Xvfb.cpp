// Xvfb started for a test process and ended with it.
#include "testlib/Xvfb.h"

#include "testlib/Wait.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <mutex>

namespace lumetra::testlib {

namespace {
pid_t s_pid = 0;
std::string s_display;
std::string s_reason = "Xvfb was not started";
std::once_flag s_once;

// The process the lock file of display NUMBER names, or 0: the server writes its pid there as text.
pid_t lockHolder(const std::string& number) {
  std::ifstream lock("/tmp/.X" + number + "-lock");
  long pid = 0;
  return lock >> pid ? static_cast<pid_t>(pid) : 0;
}

void launch() {
  int fds[2];
  if (pipe(fds) != 0) {
    s_reason = "no pipe for Xvfb's display number";
    return;
  }
  pid_t pid = fork();
  if (pid == 0) {
    // The server ends with this test process: the layer keeps its connection open to the end,
    // and Xlib ends any process whose server goes away first.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    close(fds[0]);
    std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-noreset",
           "-nolisten", "tcp", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  while (pid > 0 && poll(&p, 1, 10000) > 0) {
    char c;
    if (read(fds[0], &c, 1) != 1 || c == '\n') break;
    number.push_back(c);
  }
  close(fds[0]);
  if (number.empty()) {
    s_reason = "Xvfb is not installed or did not start (script/bootstrap installs it)";
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
    return;
  }
  s_pid = pid;
  s_display = number;
  static bool endsWithProcess = false;
  if (!endsWithProcess) {
    endsWithProcess = true;
    std::atexit([] {
      if (s_pid <= 0) return;
      kill(s_pid, SIGTERM);
      // A server a test froze ends only once it runs again.
      kill(s_pid, SIGCONT);
      // A server that does not end on its own within 5 s is killed: it holds the output pipe
      // CTest reads, so a hung server would keep a passed test running until its time-out.
      if (waitUntil([] { return waitpid(s_pid, nullptr, WNOHANG) == s_pid; },
                    std::chrono::seconds(5))) {
        return;
      }
      kill(s_pid, SIGKILL);
      waitpid(s_pid, nullptr, 0);
    });
  }
  std::string display = ":" + number;
  setenv("DISPLAY", display.c_str(), 1);
  setenv("LUMETRA_DISPLAY", "x11", 1);
}
}  // namespace

bool Xvfb::start() {
  std::call_once(s_once, launch);
  return running();
}

bool Xvfb::running() { return s_pid > 0; }

void Xvfb::kill() {
  if (s_pid <= 0) return;
  ::kill(s_pid, SIGKILL);
  waitpid(s_pid, nullptr, 0);
  // A killed server leaves its lock file and socket behind; the next one needs neither. Another
  // test's server may already have taken the number over (a server clears a dead one's lock), so
  // they go only while the lock still names the killed server.
  if (lockHolder(s_display) == s_pid) {
    unlink(("/tmp/.X" + s_display + "-lock").c_str());
    unlink(("/tmp/.X11-unix/X" + s_display).c_str());
  }
  s_pid = 0;
  s_reason = "Xvfb was ended by the test";
}

bool Xvfb::restart() {
  std::call_once(s_once, [] {});
  kill();
  launch();
  return running();
}

int Xvfb::pid() { return static_cast<int>(s_pid); }

std::string Xvfb::skipReason() { return s_reason; }

}  // namespace lumetra::testlib
