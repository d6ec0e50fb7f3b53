// A real window manager on the tests' private Xvfb, so the X11 tests meet what a user's desktop
// does to windows: frames, placement, configure requests answered late, focus.
#pragma once

#include <string>

namespace lumetra::testlib {

/// The window manager that LUMETRA_TEST_WM names ("openbox", "jwm" or "xfwm4"; the test wrapper
/// sets it from a `--window-manager=NAME` argument, as CTest's runs of the x11 tests under each
/// manager give it), started on the test process's Xvfb (testlib/Xvfb.h) with the settings a new
/// user has, and ended with the test process. xfwm4 gets a session bus of its own for its
/// settings daemon.
class WindowManager {
 public:
  /// Starts the chosen manager once Xvfb runs and waits until it manages the screen (a window
  /// mapped after it took WM_S0 has been framed); true at once when none is chosen. False, with
  /// `failure`, when it is not installed or does not take the screen within 30 s: the run under
  /// that manager then fails rather than passing without it.
  static bool start();
  /// The running manager's name; empty without one.
  static std::string name();
  static std::string failure();
};

}  // namespace lumetra::testlib
