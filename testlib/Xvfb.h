// A private X server for the tests that run against X11: one Xvfb per test process.
#pragma once

#include <string>

namespace lumetra::testlib {

/// Starts Xvfb on a free display (1024 x 768 x 24, no TCP, no reset when its last client leaves)
/// the first time it is called, and points DISPLAY at it with LUMETRA_DISPLAY=x11, so the layer
/// and a second client in the test both reach it. The server ends with the test process. Tests call
/// `start` from a global test environment and skip with `skipReason` when it is not `running`.
class Xvfb {
 public:
  static bool start();
  static bool running();
  static std::string skipReason();

  /// Ends the server as a crash would (SIGKILL) and waits for its end; every client loses its
  /// connection. The next `restart` starts a new server on another display.
  static void kill();
  /// Ends the server if it runs and starts a new one, pointing DISPLAY at it.
  static bool restart();
  /// The server's process id; 0 while none runs.
  static int pid();
};

}  // namespace lumetra::testlib
