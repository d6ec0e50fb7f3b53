// Child processes for tests, started with posix_spawn: tests run threads, and a forked copy of a
// threaded process may only call async-signal-safe functions before it runs the program.
#include "testlib/Process.h"

#include "testlib/Wait.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <map>

extern char** environ;

namespace lumetra::testlib {
namespace {

// This process's environment with `extra` set over it, as "NAME=value" texts.
std::vector<std::string> environmentWith(const Environment& extra) {
  std::map<std::string, std::string> merged;
  for (char** e = environ; *e != nullptr; ++e) {
    const char* equals = std::strchr(*e, '=');
    if (equals == nullptr) continue;
    merged[std::string(*e, static_cast<size_t>(equals - *e))] = equals + 1;
  }
  for (const auto& [name, value] : extra) merged[name] = value;
  std::vector<std::string> out;
  for (const auto& [name, value] : merged) out.push_back(name + "=" + value);
  return out;
}

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
  std::vector<char*> out;
  for (std::string& t : texts) out.push_back(t.data());
  out.push_back(nullptr);
  return out;
}

}  // namespace

std::filesystem::path selfPath() { return std::filesystem::read_symlink("/proc/self/exe"); }

std::filesystem::path besideSelf(const std::string& program) {
  return selfPath().parent_path() / program;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const Environment& environment,
                           bool captureOutput) {
  if (argv.empty()) return;
  std::vector<std::string> args = argv;
  std::vector<std::string> env = environmentWith(environment);
  std::vector<char*> argp = pointersTo(args);
  std::vector<char*> envp = pointersTo(env);
  int fds[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (captureOutput) {
    if (pipe2(fds, O_CLOEXEC) != 0) {
      posix_spawn_file_actions_destroy(&actions);
      return;
    }
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
  }
  pid_t pid = -1;
  int rc = argv[0].find('/') == std::string::npos
               ? posix_spawnp(&pid, args[0].c_str(), &actions, nullptr, argp.data(), envp.data())
               : posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (captureOutput) {
    close(fds[1]);
    m_output = fds[0];
  }
  if (rc == 0) {
    m_pid = pid;
  } else {
    // As a shell reports it: the program could not be run.
    m_exitCode = 127;
  }
}

ChildProcess::~ChildProcess() {
  if (m_pid > 0) kill();
  if (m_output >= 0) close(m_output);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept { *this = std::move(other); }

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    if (m_pid > 0) kill();
    if (m_output >= 0) close(m_output);
    m_pid = other.m_pid;
    m_output = other.m_output;
    m_exitCode = other.m_exitCode;
    m_signal = other.m_signal;
    other.m_pid = -1;
    other.m_output = -1;
  }
  return *this;
}

ChildProcess ChildProcess::helperTest(const std::string& test, const Environment& environment) {
  return ChildProcess(
      {selfPath().string(), "--gtest_filter=" + test, "--gtest_also_run_disabled_tests"},
      environment);
}

void ChildProcess::reap(int status) {
  m_pid = -1;
  if (WIFEXITED(status)) {
    m_exitCode = WEXITSTATUS(status);
    m_signal = 0;
  } else {
    m_exitCode = -1;
    m_signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  }
}

bool ChildProcess::running() {
  if (m_pid <= 0) return false;
  int status = 0;
  pid_t r = waitpid(m_pid, &status, WNOHANG);
  if (r == m_pid) reap(status);
  return m_pid > 0;
}

bool ChildProcess::wait(int timeoutMs) {
  if (m_pid <= 0) return true;
  if (timeoutMs < 0) {
    int status = 0;
    pid_t r;
    do {
      r = waitpid(m_pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    if (r == m_pid) reap(status);
    return m_pid <= 0;
  }
  return waitUntil([this] { return !running(); }, std::chrono::milliseconds(timeoutMs));
}

void ChildProcess::kill() {
  if (m_pid <= 0) return;
  ::kill(m_pid, SIGKILL);
  wait();
}

bool ChildProcess::freeze() {
  if (m_pid <= 0 || ::kill(m_pid, SIGSTOP) != 0) {
    return false;
  }
  // The signal arrives when the kernel next schedules the child: until it has stopped, it may
  // still answer. WNOWAIT leaves the stop (or an end) to be collected as before.
  siginfo_t info{};
  int r;
  do {
    r = ::waitid(P_PID, static_cast<id_t>(m_pid), &info, WSTOPPED | WEXITED | WNOWAIT);
  } while (r != 0 && errno == EINTR);
  return r == 0 && info.si_code == CLD_STOPPED;
}

bool ChildProcess::thaw() { return m_pid > 0 && ::kill(m_pid, SIGCONT) == 0; }

std::string ChildProcess::readOutput() {
  std::string out;
  if (m_output < 0) return out;
  pollfd p{m_output, POLLIN, 0};
  char buffer[4096];
  while (poll(&p, 1, 0) > 0 && (p.revents & (POLLIN | POLLHUP)) != 0) {
    ssize_t n = read(m_output, buffer, sizeof buffer);
    if (n <= 0) break;
    out.append(buffer, static_cast<size_t>(n));
  }
  return out;
}

std::string ChildProcess::readOutputToEnd() {
  std::string out;
  if (m_output < 0) return out;
  char buffer[4096];
  for (;;) {
    ssize_t n = read(m_output, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    out.append(buffer, static_cast<size_t>(n));
  }
  return out;
}

int64_t openFileOffset(pid_t pid, const std::filesystem::path& file) {
  const std::string process = "/proc/" + std::to_string(pid);
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(process + "/fd", error)) {
    std::error_code linkError;
    if (std::filesystem::read_symlink(entry.path(), linkError) != file) continue;
    std::ifstream info(process + "/fdinfo/" + entry.path().filename().string());
    std::string line;
    while (std::getline(info, line)) {
      if (line.rfind("pos:", 0) == 0) return std::stoll(line.substr(4));
    }
  }
  return -1;
}

RunResult run(const std::vector<std::string>& argv, const Environment& environment) {
  RunResult result;
  ChildProcess child(argv, environment, true);
  // The output is read to its end before the wait: a child whose pipe is full would never end.
  result.output = child.readOutputToEnd();
  child.wait();
  result.exitCode = child.exitCode();
  result.signal = child.signal();
  return result;
}

ChildProcess feedPipe(const std::filesystem::path& path) {
  if (mkfifo(path.c_str(), 0600) != 0) return ChildProcess(std::vector<std::string>{});
  return ChildProcess(
      {"sh", "-c", "exec </dev/null >/dev/null 2>&1; exec cat /dev/zero > \"$0\"", path.string()});
}

}  // namespace lumetra::testlib
