// Child processes for tests: the test's own executable, a command run to its end with its output
// captured, and a second copy of the test executable running one helper test.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace lumetra::testlib {

/// Variables set in a child's environment on top of this process's own.
using Environment = std::vector<std::pair<std::string, std::string>>;

/// The path of the running executable.
std::filesystem::path selfPath();

/// A program in the folder of the running executable (where the build puts every program).
std::filesystem::path besideSelf(const std::string& program);

/// How a command ended and what it printed.
struct RunResult {
  int exitCode = -1;   // the exit status, or -1 when it did not exit by itself (or did not start)
  int signal = 0;      // the signal that ended it, or 0
  std::string output;  // standard output and standard error, interleaved as written
};

/// How far a running process has come in `file` (a canonical path): the offset of its descriptor
/// on it, read from /proc; -1 while it has none open.
int64_t openFileOffset(pid_t pid, const std::filesystem::path& file);

/// Runs argv[0] (found on PATH when it holds no "/") with the arguments, no shell in between,
/// and waits for its end. A program that cannot be started exits with 127.
RunResult run(const std::vector<std::string>& argv, const Environment& environment = {});

/// A running child process. Destroying it kills (SIGKILL) and reaps a child that still runs, so
/// a failed assertion leaves no process behind. Move-only; used from one thread.
class ChildProcess {
 public:
  /// Starts argv[0] as run() does; with `captureOutput` its standard output and standard error
  /// go to a pipe that readOutput() drains.
  ChildProcess(const std::vector<std::string>& argv, const Environment& environment = {},
               bool captureOutput = false);
  ~ChildProcess();
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  /// The running executable again, running only the test `test` ("Suite.DISABLED_Name": helper
  /// tests are disabled so that ordinary runs neither run nor list them).
  static ChildProcess helperTest(const std::string& test, const Environment& environment = {});

  /// The process id; -1 when the process could not be started.
  pid_t pid() const { return m_pid; }
  bool started() const { return m_pid > 0; }
  /// Whether it still runs (false once it has ended and been reaped).
  bool running();
  /// Waits at most `timeoutMs` (-1: without limit) for its end; false when it still runs.
  bool wait(int timeoutMs = -1);
  /// Ends it with SIGKILL and reaps it.
  void kill();
  /// Stops it (SIGSTOP) as a frozen program stands, returning once it has stopped (false when it
  /// ended instead), and lets it go on (SIGCONT).
  bool freeze();
  bool thaw();
  /// After the end: the exit status, or -1 when it did not exit by itself.
  int exitCode() const { return m_exitCode; }
  /// After the end: the signal that ended it, or 0.
  int signal() const { return m_signal; }
  /// What the child printed since the last call, without waiting for more.
  std::string readOutput();
  /// Everything the child prints until it (and whatever inherited its output) has ended.
  std::string readOutputToEnd();

 private:
  void reap(int status);

  pid_t m_pid = -1;
  int m_output = -1;
  int m_exitCode = -1;
  int m_signal = 0;
};

/// Makes a named pipe at `path` and starts the writer that feeds it zeros for as long as a reader
/// holds it open: a source without end. The writer holds none of this process's input or output,
/// so a test that ends while it waits for a reader is not waited for. The pipe exists when this
/// returns; the child is not started (`started` false) when it could not be made.
ChildProcess feedPipe(const std::filesystem::path& path);

}  // namespace lumetra::testlib
