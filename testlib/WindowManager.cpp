// The window manager a test run asks for, on the test process's Xvfb.
#include "testlib/WindowManager.h"

#include "testlib/Wait.h"
#include "testlib/X11Windows.h"
#include "testlib/Xvfb.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

extern char** environ;

namespace lumetra::testlib {

namespace {

std::once_flag s_once;
bool s_started = false;
std::string s_name;
std::string s_failure;
// The probe's connection, open until the process ends (see launch()); held here so that a leak
// checker finds it in use (volatile, so that the compiler keeps a store nothing reads).
Display* volatile s_probeConnection = nullptr;

/// Starts argv[0] (from PATH) with `additions` on top of this process's environment, its output
/// thrown away and `keep` (when not -1) left open; the child ends with this process. Everything
/// the child needs is built before the fork.
pid_t spawn(const std::vector<std::string>& argv,
            const std::vector<std::pair<std::string, std::string>>& additions, int keep = -1) {
  std::vector<std::string> entries;
  for (char** e = environ; *e != nullptr; ++e) {
    bool replaced = false;
    for (const auto& [key, value] : additions) {
      replaced = replaced || std::strncmp(*e, (key + "=").c_str(), key.size() + 1) == 0;
    }
    if (!replaced) entries.emplace_back(*e);
  }
  for (const auto& [key, value] : additions) entries.push_back(key + "=" + value);
  std::vector<char*> envp;
  for (std::string& entry : entries) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::vector<std::string> copy = argv;
  std::vector<char*> args;
  for (std::string& arg : copy) args.push_back(arg.data());
  args.push_back(nullptr);
  const int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
  const pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (quiet >= 0) {
      dup2(quiet, STDOUT_FILENO);
      dup2(quiet, STDERR_FILENO);
    }
    // The child keeps no other descriptor of the test process open.
    for (int fd = 3; fd < 1024; ++fd) {
      if (fd != keep) close(fd);
    }
    execvpe(args[0], args.data(), envp.data());
    _exit(127);
  }
  if (quiet >= 0) close(quiet);
  return pid;
}

/// A session bus for xfwm4 alone: its settings daemon is started on it. Returns its address, or
/// an empty text.
std::string startSessionBus() {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const std::string fd = std::to_string(fds[1]);
  const pid_t pid =
      spawn({"dbus-daemon", "--session", "--nofork", "--print-address=" + fd}, {}, fds[1]);
  close(fds[1]);
  std::string address;
  pollfd p{fds[0], POLLIN, 0};
  while (pid > 0 && poll(&p, 1, 10000) > 0) {
    char c;
    if (read(fds[0], &c, 1) != 1 || c == '\n') break;
    address.push_back(c);
  }
  close(fds[0]);
  return address;
}

/// Whether a manager runs on the display and manages new windows: it owns WM_S0, and a window of
/// ours mapped since has been given WM_STATE. A manager takes the selection a moment before it
/// redirects maps and frames the windows already there, so a window mapped in that moment stays
/// unmanaged: the probe is mapped again every second until it is managed.
bool managing(Display* display, Window probe, int& turns) {
  if (XGetSelectionOwner(display, XInternAtom(display, "WM_S0", False)) == None) return false;
  if (turns++ % 50 == 0) {
    XUnmapWindow(display, probe);
    XMapWindow(display, probe);
    XSync(display, False);
  }
  return isManaged(display, probe);
}

void launch() {
  const char* chosen = std::getenv("LUMETRA_TEST_WM");
  if (chosen == nullptr || *chosen == '\0') {
    s_started = true;
    return;
  }
  const std::string name = chosen;
  if (!Xvfb::running()) {
    s_failure = "no Xvfb for " + name + ": " + Xvfb::skipReason();
    return;
  }
  std::vector<std::string> argv;
  std::vector<std::pair<std::string, std::string>> environment;
  if (name == "openbox") {
    argv = {"openbox", "--sm-disable"};
  } else if (name == "jwm") {
    argv = {"jwm"};
  } else if (name == "xfwm4") {
    const std::string bus = startSessionBus();
    if (bus.empty()) {
      s_failure = "xfwm4 needs a session bus and dbus-daemon did not start one";
      return;
    }
    argv = {"xfwm4", "--compositor=off", "--sm-client-disable"};
    // The accessibility bridge would start a bus of its own in the home folder.
    environment = {{"DBUS_SESSION_BUS_ADDRESS", bus}, {"NO_AT_BRIDGE", "1"}, {"GTK_A11Y", "none"}};
  } else {
    s_failure = "LUMETRA_TEST_WM names no window manager the tests know: " + name;
    return;
  }
  const pid_t pid = spawn(argv, environment);
  Display* display = XOpenDisplay(nullptr);
  if (pid <= 0 || display == nullptr) {
    s_failure = "could not start " + name;
    if (display != nullptr) XCloseDisplay(display);
    return;
  }
  const Window probe =
      XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
  // A manager takes the screen within a second; the bound is for a loaded machine.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  bool up = false;
  int status = 0, turns = 0;
  while (!(up = managing(display, probe, turns)) && std::chrono::steady_clock::now() < end) {
    if (waitpid(pid, &status, WNOHANG) == pid) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // The manager lets the probe go when it is destroyed: it takes its frame away and gives the
  // focus to another window, or to one of its own. A loaded manager does that late, and would then
  // take the focus from the first window a test shows: the start ends when the frame is gone.
  const ::Window frame = up ? frameOf(display, probe) : None;
  XDestroyWindow(display, probe);
  XSync(display, False);
  if (frame != None && frame != probe) {
    waitUntil([&] { return !isMapped(display, frame); }, std::chrono::seconds(10));
  }
  s_probeConnection = display;
  // The connection stays open until the process ends. Closed, its ids would be free for the next
  // client, whose first window would take the probe's id while the manager may not yet have let
  // the probe go: xfwm4 on a loaded machine then put that window into the probe's frame, at the
  // probe's place.
  if (!up) {
    s_failure = name + " did not take the screen (is it installed? script/bootstrap installs it)";
    return;
  }
  s_name = name;
  s_started = true;
}

}  // namespace

bool WindowManager::start() {
  std::call_once(s_once, launch);
  return s_started;
}

std::string WindowManager::name() { return s_name; }

std::string WindowManager::failure() { return s_failure; }

}  // namespace lumetra::testlib
