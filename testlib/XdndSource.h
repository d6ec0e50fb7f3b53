// The source side of an XDND drag, played by a second X client in the X11 tests.
#pragma once

// Xlib's macros (None, Bool) break GoogleTest: include this after <gtest/gtest.h>.
#include <X11/Xlib.h>

#include <functional>
#include <string>
#include <vector>

namespace lumetra::testlib {

/// Drags offers from a window of its own on `display` to a target window: XdndEnter,
/// XdndPosition, then XdndDrop when the target accepts (XdndLeave when it does not), and answers
/// the target's requests for the data meanwhile. `wait(done)` keeps whatever must run in the
/// meantime going (the test's own message loop, or a plain sleep while another process is the
/// target) until done() holds or it gives up, and answers done(). Used from one thread.
struct XdndSource {
  Display* display;
  std::function<bool(const std::function<bool()>&)> wait;

  struct Offer {
    std::string type;   // the target type's atom name, such as "text/uri-list"
    std::string bytes;  // what the source delivers for it
  };
  struct Result {
    bool accepted = false;  // XdndStatus accepted the drag
    std::string action;     // the action XdndStatus named
    bool dropped = false;   // XdndFinished reported the drop done
  };

  /// A drag of the offers to the screen point x, y (root coordinates), requesting `action`; the
  /// drop follows only when the target accepts. With `deliver` false the source never answers a
  /// request for data.
  Result drag(Window target, int x, int y, const std::vector<Offer>& offers,
              const char* action = "XdndActionCopy", bool deliver = true);

  /// A drag of a text/uri-list: true when the target accepted it and reported the drop done.
  bool drop(Window target, int x, int y, const std::string& uris);
};

/// The file URI of a POSIX path, its bytes outside the unreserved set percent-encoded.
std::string fileUri(const std::string& path);

}  // namespace lumetra::testlib
