// The menu bar and the combo box of widget_demo against a real X server: a click on a bar entry
// shows its drop-down as an override-redirect window, a click on a radio item chooses it and
// moves the mark, and keys reach an open drop-down through the menu loop's grab; a click on the
// combo box opens its list, a click on a row chooses it, and a click outside closes it unchanged.
// The test plays the user with XTEST from a second X client.
#include <windows.h>

// GoogleTest comes before Xlib, whose macros (None, Bool) would break it.
#include <gtest/gtest.h>

#include "testlib/Process.h"
#include "testlib/Wait.h"
#include "testlib/X11Windows.h"
#include "testlib/Xvfb.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace {

using lumetra::testlib::Xvfb;

// Waits for a condition; the limit only ends a run that went wrong, so it is generous enough for
// a loaded machine.
bool waitUntil(const std::function<bool()>& done, int seconds = 20) {
  for (int i = 0; i < seconds * 100; ++i) {
    if (done()) return true;
    usleep(10000);
  }
  return done();
}

int ignoreErrors(Display*, XErrorEvent*) { return 0; }

// Where the demo's bar entries lie in its window (the column box's margin, then the entries'
// spacing around Liberation Sans 8 pt texts), and the drop-down's rows: a 3-pixel edge, rows of 18
// pixels (the face's 12-pixel cell and 6), separators of 9, and the 17-pixel mark column.
constexpr int kBarY = 19;
constexpr int kViewX = 60;
constexpr int kRowHeight = 18;
constexpr int kSeparator = 9;
constexpr int kEdge = 3;
constexpr int kMarkColumn = 17;

/// The top of View's rows 3 to 5 (Small, Medium, Large), after two items and the separator.
constexpr int radioRowTop(int row) {
  return kEdge + 2 * kRowHeight + kSeparator + (row - 3) * kRowHeight;
}

class MenuX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    Xvfb::start();
    if (!Xvfb::running()) GTEST_SKIP() << Xvfb::skipReason();
    x = XOpenDisplay(nullptr);
    ASSERT_NE(x, nullptr);
    XSetErrorHandler(&ignoreErrors);
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(x, &event, &error, &major, &minor)) GTEST_SKIP() << "no XTEST";
  }
  void TearDown() override {
    if (x != nullptr) XCloseDisplay(x);
  }

  /// The viewable top-level windows, with whether each is override-redirect.
  std::vector<std::pair<::Window, bool>> topLevels() {
    std::vector<std::pair<::Window, bool>> found;
    for (::Window w : lumetra::testlib::clientWindows(x)) {
      XWindowAttributes attrs;
      if (XGetWindowAttributes(x, w, &attrs) && attrs.map_state == IsViewable) {
        found.emplace_back(w, attrs.override_redirect != 0);
      }
    }
    return found;
  }
  ::Window named(const char* title) {
    for (auto [w, popup] : topLevels()) {
      char* name = nullptr;
      const bool match =
          !popup && XFetchName(x, w, &name) && name != nullptr && title == std::string(name);
      if (name != nullptr) XFree(name);
      if (match) return w;
    }
    return 0;
  }
  /// The demo's drop-down or drop list: a viewable override-redirect window that was not there
  /// before the demo showed (a window manager keeps such windows of its own, a panel or a tray).
  ::Window popup() {
    for (auto [w, isPopup] : topLevels()) {
      if (isPopup && std::find(others.begin(), others.end(), w) == others.end()) return w;
    }
    return 0;
  }
  /// Notes the override-redirect windows of other clients, once the demo has shown.
  void noteOtherPopups() {
    others.clear();
    for (auto [w, isPopup] : topLevels()) {
      if (isPopup) others.push_back(w);
    }
  }
  POINT origin(::Window w) {
    int rx = 0, ry = 0;
    ::Window child;
    XTranslateCoordinates(x, w, DefaultRootWindow(x), 0, 0, &rx, &ry, &child);
    return POINT{rx, ry};
  }
  /// The window's origin once it has stayed put for a moment: a window manager may still be
  /// placing it when it has painted.
  POINT settledOrigin(::Window w) {
    POINT last = origin(w);
    int same = 0;
    waitUntil([&] {
      const POINT now = origin(w);
      same = now.x == last.x && now.y == last.y ? same + 1 : 0;
      last = now;
      return same >= 30;
    });
    return last;
  }
  void click(int rootX, int rootY) {
    XTestFakeMotionEvent(x, -1, rootX, rootY, 0);
    XTestFakeButtonEvent(x, 1, True, 0);
    XTestFakeButtonEvent(x, 1, False, 0);
    XFlush(x);
  }
  /// Clicks at a point until a drop-down opens there, and returns it. A click on the bar within
  /// its reopen guard after a close opens nothing, and when the guard ends is the demo's to know:
  /// each click is waited on twice as long as the one before, so that a click the demo is slow
  /// to take is seldom followed by another that would close what it opened.
  ::Window clickUntilOpen(int rootX, int rootY) {
    ::Window opened = 0;
    std::chrono::milliseconds patience(250);
    for (int tries = 0; tries < 7 && opened == 0; ++tries, patience *= 2) {
      click(rootX, rootY);
      lumetra::testlib::waitUntil([&] { return (opened = popup()) != 0; }, patience);
    }
    return opened;
  }
  void key(KeySym sym) {
    const KeyCode code = XKeysymToKeycode(x, sym);
    XTestFakeKeyEvent(x, code, True, 0);
    XTestFakeKeyEvent(x, code, False, 0);
    XFlush(x);
  }
  /// Dark pixels of the mark cell of the drop-down row whose top is `top`.
  int marked(::Window menu, int top) {
    XImage* image = XGetImage(x, menu, kEdge, top, kMarkColumn, kRowHeight, AllPlanes, ZPixmap);
    if (image == nullptr) return -1;
    int dark = 0;
    for (int py = 0; py < kRowHeight; ++py) {
      for (int px = 0; px < kMarkColumn; ++px) {
        dark += (XGetPixel(image, px, py) & 0xFFFFFF) < 0x404040 ? 1 : 0;
      }
    }
    XDestroyImage(image);
    return dark;
  }
  /// The colours of a window's picture, every third pixel of every third row, up to 64.
  int colours(::Window w) {
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(x, w, &attrs)) return 0;
    XImage* shot = XGetImage(x, w, 0, 0, static_cast<unsigned>(attrs.width),
                             static_cast<unsigned>(attrs.height), AllPlanes, ZPixmap);
    if (shot == nullptr) return 0;
    std::vector<unsigned long> seen;
    for (int row = 0; row < attrs.height; row += 3) {
      for (int col = 0; col < attrs.width; col += 3) {
        const unsigned long pixel = XGetPixel(shot, col, row) & 0xFFFFFF;
        if (std::find(seen.begin(), seen.end(), pixel) == seen.end() && seen.size() < 64) {
          seen.push_back(pixel);
        }
      }
    }
    XDestroyImage(shot);
    return static_cast<int>(seen.size());
  }
  /// Whether a window's picture stays the same from one look to the next: its painting is done.
  bool still(::Window w) {
    std::vector<unsigned long> last;
    int same = 0;
    return waitUntil([&] {
      XWindowAttributes attrs;
      if (!XGetWindowAttributes(x, w, &attrs)) return false;
      XImage* shot = XGetImage(x, w, 0, 0, static_cast<unsigned>(attrs.width),
                               static_cast<unsigned>(attrs.height), AllPlanes, ZPixmap);
      if (shot == nullptr) return false;
      std::vector<unsigned long> now;
      now.reserve(static_cast<size_t>(attrs.width) * static_cast<size_t>(attrs.height));
      for (int row = 0; row < attrs.height; ++row) {
        for (int col = 0; col < attrs.width; ++col) now.push_back(XGetPixel(shot, col, row));
      }
      XDestroyImage(shot);
      same = now == last ? same + 1 : 0;
      last = std::move(now);
      return same >= 2;
    });
  }
  void screenshot(::Window w, const char* file) {
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(x, w, &attrs)) return;
    XImage* shot = XGetImage(x, w, 0, 0, static_cast<unsigned>(attrs.width),
                             static_cast<unsigned>(attrs.height), AllPlanes, ZPixmap);
    if (shot == nullptr) return;
    std::vector<uint32_t> pixels;
    for (int row = 0; row < attrs.height; ++row) {
      for (int col = 0; col < attrs.width; ++col) {
        pixels.push_back(0xFF000000u | static_cast<uint32_t>(XGetPixel(shot, col, row) & 0xFFFFFF));
      }
    }
    winapi::HeadlessDriver::savePng(pixels.data(), attrs.width, attrs.height, false, file);
    XDestroyImage(shot);
  }
  /// Waits until the demo's window has taken its size and painted down to its thin slider,
  /// whose hue gradient starts with pure red: it then takes input where its widgets show.
  bool painted(::Window w) {
    return waitUntil(
        [&] {
          XWindowAttributes attrs;
          if (!XGetWindowAttributes(x, w, &attrs) || attrs.height < 400) return false;
          XImage* shot = XGetImage(x, w, 0, 0, static_cast<unsigned>(attrs.width),
                                   static_cast<unsigned>(attrs.height), AllPlanes, ZPixmap);
          if (shot == nullptr) return false;
          bool red = false;
          for (int row = 0; row < attrs.height && !red; ++row) {
            for (int col = 0; col < attrs.width && !red; ++col) {
              red = (XGetPixel(shot, col, row) & 0xFFFFFF) == 0xFF0000;
            }
          }
          XDestroyImage(shot);
          return red;
        },
        20);
  }
  bool printed(lumetra::testlib::ChildProcess& demo, std::string& output, const std::string& line) {
    return waitUntil([&] {
      output += demo.readOutput();
      return output.find(line) != std::string::npos;
    });
  }

  Display* x = nullptr;
  std::vector<::Window> others;
};

TEST_F(MenuX11, TheDemosViewMenuOpensChoosesARadioItemAndTakesKeys) {
  lumetra::testlib::ChildProcess demo({lumetra::testlib::besideSelf("widget_demo").string()}, {},
                                      true);
  ASSERT_TRUE(demo.started());
  ::Window window = 0;
  ASSERT_TRUE(waitUntil([&] { return (window = named("Widget demo")) != 0; }));
  ASSERT_TRUE(painted(window)) << "the demo never painted its widgets";
  noteOtherPopups();
  const POINT at = settledOrigin(window);

  click(at.x + kViewX, at.y + kBarY);
  ::Window menu = 0;
  ASSERT_TRUE(waitUntil([&] { return (menu = popup()) != 0; })) << "no drop-down appeared";
  // Painted once its mark shows.
  EXPECT_TRUE(waitUntil([&] { return marked(menu, radioRowTop(4)) > 0; }))
      << "Medium starts with the mark";
  screenshot(DefaultRootWindow(x), "menus.png");
  const POINT menuAt = origin(menu);
  EXPECT_EQ(marked(menu, radioRowTop(5)), 0);

  click(menuAt.x + 40, menuAt.y + radioRowTop(5) + kRowHeight / 2);
  std::string output;
  ASSERT_TRUE(printed(demo, output, "menu 22")) << output;
  ASSERT_TRUE(waitUntil([&] { return popup() == 0; }));

  // Past the reopen guard, the menu opens again with the mark moved.
  ASSERT_NE(menu = clickUntilOpen(at.x + kViewX, at.y + kBarY), 0u)
      << "the menu never opened again";
  EXPECT_TRUE(waitUntil([&] { return marked(menu, radioRowTop(5)) > 0; }))
      << "Large has the mark now";
  EXPECT_EQ(marked(menu, radioRowTop(4)), 0);

  // Keys: the first Down highlights the first row, Enter chooses it.
  key(XK_Down);
  key(XK_Return);
  EXPECT_TRUE(printed(demo, output, "menu 10")) << output;
  demo.kill();
}

}  // namespace

namespace {

// Where the demo's combo box face lies in its window, inside the group box at the bottom.
constexpr int kComboX = 40;
constexpr int kComboY = 411;

TEST_F(MenuX11, TheDemosComboBoxOpensItsListChoosesARowAndClosesOnAClickOutside) {
  lumetra::testlib::ChildProcess demo({lumetra::testlib::besideSelf("widget_demo").string()}, {},
                                      true);
  ASSERT_TRUE(demo.started());
  ::Window window = 0;
  ASSERT_TRUE(waitUntil([&] { return (window = named("Widget demo")) != 0; }));
  ASSERT_TRUE(painted(window)) << "the demo never painted its widgets";
  noteOtherPopups();
  const POINT at = settledOrigin(window);

  // The list has no room for its 30 rows below or above the face on this screen: it takes the
  // larger side, so the release of the opening click does not land on a row.
  click(at.x + kComboX, at.y + kComboY);
  ::Window list = 0;
  ASSERT_TRUE(waitUntil([&] { return (list = popup()) != 0; })) << "no drop list appeared";
  // Painted once its rows show (text on the list's background) and the picture holds still.
  EXPECT_TRUE(waitUntil([&] { return colours(list) >= 3; })) << "the list never showed its rows";
  still(list);
  screenshot(DefaultRootWindow(x), "combo.png");
  XWindowAttributes attrs;
  ASSERT_TRUE(XGetWindowAttributes(x, list, &attrs));
  const POINT listAt = origin(list);
  EXPECT_LE(listAt.y + attrs.height, at.y + kComboY) << "the list lies above the face";
  std::string output;
  EXPECT_EQ(output += demo.readOutput(), "") << "opening chose nothing";

  // A click on the list's last row chooses it.
  click(listAt.x + 20, listAt.y + attrs.height - 6);
  ASSERT_TRUE(printed(demo, output, "combo value ")) << output;
  ASSERT_TRUE(waitUntil([&] { return popup() == 0; }));
  const std::string chosen = output.substr(output.find("combo value "));
  EXPECT_NE(chosen.rfind("combo value 0", 0), 0u) << "another entry than the first: " << chosen;

  // Opened again, a click outside closes it and chooses nothing. The demo's thread takes input
  // in the order it came, so the list holds the capture by the time the outside click is read.
  click(at.x + kComboX, at.y + kComboY);
  ASSERT_TRUE(waitUntil([&] { return popup() != 0; }));
  click(at.x + 300, at.y + 480);
  EXPECT_TRUE(waitUntil([&] { return popup() == 0; })) << "a click outside closes the list";
  // A choice in the View menu comes after anything that click chose, in the same order: once
  // its line is out, a choice of the combo box would be too.
  const ::Window menu = clickUntilOpen(at.x + kViewX, at.y + kBarY);
  ASSERT_NE(menu, 0u) << "no drop-down appeared";
  const POINT menuAt = origin(menu);
  click(menuAt.x + 40, menuAt.y + radioRowTop(3) + kRowHeight / 2);
  ASSERT_TRUE(printed(demo, output, "menu 20")) << output;
  EXPECT_EQ(output.find("combo selected", output.find("combo selected") + 1), std::string::npos)
      << output;
  demo.kill();
}

}  // namespace

namespace {

// Where the demo's "Save options..." button lies in its window, below the group box.
constexpr int kSaveOptionsX = 60;
constexpr int kSaveOptionsY = 451;

TEST_F(MenuX11, TheDemosSaveOptionsButtonOpensTheFourPanels) {
  lumetra::testlib::ChildProcess demo({lumetra::testlib::besideSelf("widget_demo").string()}, {},
                                      true);
  ASSERT_TRUE(demo.started());
  ::Window window = 0;
  ASSERT_TRUE(waitUntil([&] { return (window = named("Widget demo")) != 0; }));
  ASSERT_TRUE(painted(window)) << "the demo never painted its widgets";
  noteOtherPopups();
  const POINT at = settledOrigin(window);

  click(at.x + kSaveOptionsX, at.y + kSaveOptionsY);
  ::Window options = 0;
  ASSERT_TRUE(waitUntil([&] { return (options = named("Save options")) != 0; }))
      << "no options window appeared";
  // The panels are painted once the window shows many colours (captions, frames, swatches).
  int shown = 0;
  EXPECT_TRUE(waitUntil(
      [&] {
        XWindowAttributes attrs;
        if (!XGetWindowAttributes(x, options, &attrs) || attrs.width < 400) return false;
        shown = colours(options);
        return shown >= 8;
      },
      10))
      << shown << " colours";
  still(options);
  screenshot(options, "save_options.png");
  demo.kill();
}

}  // namespace
