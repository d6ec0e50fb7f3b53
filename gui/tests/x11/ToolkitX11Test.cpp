// The toolkit's windows against a real X server: an Xvfb of this test process, and a second X
// client in the test that looks at the windows, plays the tray manager and presses keys.
#include "gui/win/Window.h"
#include "gui/win/tests/Listener.h"

#include <windows.h>
#include <winmsgbox.h>

// GoogleTest comes before Xlib, whose macros (None, Bool) would break it.
#include <gtest/gtest.h>

#include "testlib/Process.h"
#include "testlib/WindowManager.h"
#include "testlib/X11Windows.h"
#include "testlib/Xvfb.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace {

using lumetra::testgui::Listener;
using lumetra::testlib::WindowManager;
using lumetra::testlib::Xvfb;
using s::gui::win::Window;

class XvfbEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    // A manager that does not start fails the run rather than leaving its cases to a bare server.
    if (Xvfb::start()) {
      EXPECT_TRUE(WindowManager::start()) << WindowManager::failure();
    }
  }
};

[[maybe_unused]] auto* g_xvfb = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

// Waits in 10 ms steps, five seconds unless told, for done() to hold.
bool waitFor(const std::function<bool()>& done, int seconds = 5) {
  for (int i = 0; i < seconds * 100; ++i) {
    if (done()) return true;
    usleep(10000);
  }
  return done();
}

// The viewer asks about windows that may be resized or gone meanwhile; its failed requests
// answer nothing instead of ending the test (Xlib's default handler exits).
int ignoreXError(Display*, XErrorEvent*) { return 0; }

// The second client: finds windows by title and reads their properties and pixels.
class Viewer {
 public:
  Viewer() : m_display(XOpenDisplay(nullptr)) { XSetErrorHandler(&ignoreXError); }
  ~Viewer() {
    if (m_display != nullptr) XCloseDisplay(m_display);
  }
  Viewer(const Viewer&) = delete;
  Viewer& operator=(const Viewer&) = delete;

  Display* display() const { return m_display; }
  Atom atom(const char* name) const { return XInternAtom(m_display, name, False); }

  // The viewable top-level X window with this title, or 0.
  ::Window find(const std::string& title) const {
    ::Window found = 0;
    for (::Window w : lumetra::testlib::clientWindows(m_display)) {
      XWindowAttributes attrs;
      if (bytes(w, "_NET_WM_NAME", atom("UTF8_STRING")) == title &&
          XGetWindowAttributes(m_display, w, &attrs) && attrs.map_state == IsViewable) {
        found = w;
      }
    }
    return found;
  }

  ::Window waitForWindow(const std::string& title) const {
    ::Window found = 0;
    // A program built with the sanitizers on a busy machine can take seconds to show.
    waitFor([&] { return (found = find(title)) != 0; }, 20);
    return found;
  }

  // A property's items as longs (format 32) or bytes (format 8).
  std::vector<long> longs(::Window w, const char* name, Atom type) const {
    std::vector<long> values;
    read(w, name, type, [&](int format, unsigned long count, unsigned char* data) {
      if (format == 32)
        values.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
    });
    return values;
  }
  std::string bytes(::Window w, const char* name, Atom type) const {
    std::string value;
    read(w, name, type, [&](int format, unsigned long count, unsigned char* data) {
      if (format == 8) value.assign(reinterpret_cast<char*>(data), count);
    });
    return value;
  }

  unsigned long pixel(::Window w, int x, int y) const {
    XImage* image = XGetImage(m_display, w, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) return 0xFFFFFFFF;
    unsigned long p = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return p;
  }

  // Writes the window's pixels as a PNG in the test's working folder, for people to look at.
  void screenshot(::Window w, const char* file) const {
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(m_display, w, &attrs)) return;
    XImage* shot = XGetImage(m_display, w, 0, 0, static_cast<unsigned>(attrs.width),
                             static_cast<unsigned>(attrs.height), AllPlanes, ZPixmap);
    if (shot == nullptr) return;
    std::vector<uint32_t> pixels;
    pixels.reserve(static_cast<size_t>(attrs.width) * static_cast<size_t>(attrs.height));
    for (int row = 0; row < attrs.height; ++row) {
      for (int col = 0; col < attrs.width; ++col) {
        pixels.push_back(0xFF000000u | static_cast<uint32_t>(XGetPixel(shot, col, row) & 0xFFFFFF));
      }
    }
    winapi::HeadlessDriver::savePng(pixels.data(), attrs.width, attrs.height, false, file);
    XDestroyImage(shot);
  }

  void close(::Window w) const {
    XEvent closing{};
    closing.xclient.type = ClientMessage;
    closing.xclient.window = w;
    closing.xclient.message_type = atom("WM_PROTOCOLS");
    closing.xclient.format = 32;
    closing.xclient.data.l[0] = static_cast<long>(atom("WM_DELETE_WINDOW"));
    XSendEvent(m_display, w, False, NoEventMask, &closing);
    XFlush(m_display);
  }

 private:
  template <typename Take>
  void read(::Window w, const char* name, Atom type, Take take) const {
    Atom actual;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(m_display, w, atom(name), 0, 1024, False, type, &actual, &format, &count,
                           &after, &data) == Success &&
        data != nullptr) {
      take(format, count, data);
    }
    if (data != nullptr) XFree(data);
  }

  Display* m_display;
};

class ToolkitX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Xvfb::running()) GTEST_SKIP() << Xvfb::skipReason();
    ASSERT_NE(viewer.display(), nullptr);
  }

  Viewer viewer;
};

TEST_F(ToolkitX11, TheDemoPaintsItsWindowRunsItsEventsAndEndsWhenClosed) {
  lumetra::testlib::ChildProcess demo({lumetra::testlib::besideSelf("toolkit_demo").string()}, {},
                                      true);
  ASSERT_TRUE(demo.started());
  ::Window window = viewer.waitForWindow("Toolkit demo");
  ASSERT_NE(window, 0u) << "toolkit_demo showed no window";
  // Messages sent to the window come before its paints, so the picture is whole once the
  // worker's events are through.
  std::string printed;
  ASSERT_TRUE(waitFor(
      [&] {
        printed += demo.readOutput();
        return printed.find("user events: 11000 in ") != std::string::npos;
      },
      30))
      << printed;
  EXPECT_NE(printed.find("first paint after "), std::string::npos);
  EXPECT_TRUE(waitFor([&] { return viewer.pixel(window, 240, 160) == 0xADD8E6; }))
      << "the light blue background never reached the screen";
  viewer.screenshot(window, "toolkit_demo.png");
  viewer.close(window);
  EXPECT_TRUE(demo.wait(5000)) << "toolkit_demo did not end";
  EXPECT_EQ(demo.exitCode(), 0);
}

// A Yes/No question box over the demo's window, answered by its mnemonic from a second client.
TEST_F(ToolkitX11, AQuestionBoxOverItsOwnerTakesItsMnemonicKey) {
  Display* x = viewer.display();
  int event = 0, error = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(x, &event, &error, &major, &minor))
    GTEST_SKIP() << "the X server has no XTEST";
  lumetra::testlib::ChildProcess demo(
      {lumetra::testlib::besideSelf("toolkit_demo").string(), "--ask"}, {}, true);
  ASSERT_TRUE(demo.started());
  ::Window owner = viewer.waitForWindow("Toolkit demo");
  ASSERT_NE(owner, 0u) << "toolkit_demo showed no window";
  ::Window box = viewer.waitForWindow("Toolkit question");
  ASSERT_NE(box, 0u) << "no question box: " << demo.readOutput();
  // The question icon's blue disc shows once the box has painted.
  EXPECT_TRUE(waitFor([&] {
    for (int px = 12; px < 44; ++px) {
      const unsigned long p = viewer.pixel(box, px, 28);
      if ((p & 0xFF) > 0x80 && ((p >> 16) & 0xFF) < 0x80) return true;
    }
    return false;
  })) << "the box never painted its icon";
  viewer.screenshot(DefaultRootWindow(x), "message_box.png");
  // A click on the box's text gives it the keyboard; "n" then presses "&No".
  int rootX = 0, rootY = 0;
  ::Window child;
  XTranslateCoordinates(x, box, DefaultRootWindow(x), 60, 20, &rootX, &rootY, &child);
  XTestFakeMotionEvent(x, -1, rootX, rootY, 0);
  XTestFakeButtonEvent(x, 1, True, 0);
  XTestFakeButtonEvent(x, 1, False, 0);
  XFlush(x);
  // The server sends keys to the window with its focus, and the click that gave the box the
  // focus comes before the key in the box's thread.
  EXPECT_TRUE(waitFor([&] {
    ::Window focus = 0;
    int revert = 0;
    XGetInputFocus(x, &focus, &revert);
    return focus == box;
  })) << "the click gave the box no focus";
  const KeyCode n = XKeysymToKeycode(x, XK_n);
  XTestFakeKeyEvent(x, n, True, 0);
  XTestFakeKeyEvent(x, n, False, 0);
  XFlush(x);
  std::string printed;
  EXPECT_TRUE(waitFor(
      [&] {
        printed += demo.readOutput();
        return printed.find("answer: ") != std::string::npos;
      },
      10))
      << printed;
  EXPECT_NE(printed.find("answer: no"), std::string::npos) << printed;
  EXPECT_TRUE(demo.wait(5000)) << "toolkit_demo did not end";
  EXPECT_EQ(demo.exitCode(), 0);
}

TEST_F(ToolkitX11, WithItsOwnFrameTheDemoIsUndecoratedAndShapedByItsRegion) {
  lumetra::testlib::ChildProcess demo(
      {lumetra::testlib::besideSelf("toolkit_demo").string(), "--own-frame"}, {}, true);
  ASSERT_TRUE(demo.started());
  ::Window window = viewer.waitForWindow("Toolkit demo");
  ASSERT_NE(window, 0u);
  const Atom motif = viewer.atom("_MOTIF_WM_HINTS");
  std::vector<long> hints = viewer.longs(window, "_MOTIF_WM_HINTS", motif);
  ASSERT_GE(hints.size(), 3u);
  EXPECT_EQ(hints[2], 0) << "no decorations";

  int event = 0, error = 0;
  ASSERT_TRUE(XShapeQueryExtension(viewer.display(), &event, &error));
  EXPECT_TRUE(waitFor([&] {
    Bool bounding = False, clip = False;
    int bx, by, cx, cy;
    unsigned bw, bh, cw, ch;
    return XShapeQueryExtents(viewer.display(), window, &bounding, &bx, &by, &bw, &bh, &clip, &cx,
                              &cy, &cw, &ch) &&
           bounding;
  })) << "the window's region shapes the X window";
  viewer.close(window);
  EXPECT_TRUE(demo.wait(5000));
}

// A window of this process, shown under the given title.
Window* showWindow(const std::u16string& title, bool keepOnTop) {
  Window* window = Window::take();
  window->setTitle(title.c_str());
  window->setSize(200, 120);
  window->setKeepOnTop(keepOnTop);
  window->show(true, false);
  return window;
}

TEST_F(ToolkitX11, KeepOnTopAndOpacityReachTheWindowManagersProperties) {
  Window* window = showWindow(u"Toolkit on top", true);
  ::Window native = viewer.waitForWindow("Toolkit on top");
  ASSERT_NE(native, 0u);
  const Atom above = viewer.atom("_NET_WM_STATE_ABOVE");
  std::vector<long> states = viewer.longs(native, "_NET_WM_STATE", XA_ATOM);
  EXPECT_NE(std::find(states.begin(), states.end(), static_cast<long>(above)), states.end());

  window->setOpacity(50, false);
  std::vector<long> opacity;
  ASSERT_TRUE(waitFor([&] {
    opacity = viewer.longs(native, "_NET_WM_WINDOW_OPACITY", XA_CARDINAL);
    return !opacity.empty();
  }));
  const double share = static_cast<double>(static_cast<unsigned long>(opacity[0]) & 0xFFFFFFFFul) /
                       static_cast<double>(0xFFFFFFFFul);
  EXPECT_NEAR(share, 0.5, 0.01);
  window->setOpacity(100, false);
  EXPECT_TRUE(waitFor([&] {
    return viewer.longs(native, "_NET_WM_WINDOW_OPACITY", XA_CARDINAL).empty();
  })) << "a fully opaque window drops the property";
  window->release();
}

TEST_F(ToolkitX11, ATrayManagerDocksTheIconAndItsClicksArriveAsTrayEvents) {
  Window* window = showWindow(u"Toolkit tray", false);
  std::atomic<int> clicks{0};
  Listener heard([&](int32_t id) {
    if (id == Window::kTrayClick) ++clicks;
  });
  window->addTrayClickListener(&heard);

  // The viewer plays the tray manager: it owns the selection and takes dock requests.
  Display* x = viewer.display();
  ::Window manager = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 10, 10, 0, 0, 0);
  XSetSelectionOwner(x, viewer.atom("_NET_SYSTEM_TRAY_S0"), manager, CurrentTime);
  XSync(x, False);
  window->hideToTray();
  ASSERT_TRUE(window->isInTray()) << "with a tray manager the window hides to the tray";

  const Atom opcode = viewer.atom("_NET_SYSTEM_TRAY_OPCODE");
  ::Window icon = 0;
  waitFor([&] {
    while (XPending(x) > 0) {
      XEvent e;
      XNextEvent(x, &e);
      if (e.type == ClientMessage && e.xclient.message_type == opcode && e.xclient.data.l[1] == 0) {
        icon = static_cast<::Window>(e.xclient.data.l[2]);
      }
    }
    return icon != 0;
  });
  ASSERT_NE(icon, 0u) << "no dock request reached the tray manager";

  XEvent click{};
  click.xbutton.type = ButtonPress;
  click.xbutton.window = icon;
  click.xbutton.button = Button1;
  click.xbutton.same_screen = True;
  XSendEvent(x, icon, False, ButtonPressMask, &click);
  XFlush(x);
  EXPECT_TRUE(waitFor([&] { return clicks.load() == 1; }));
  EXPECT_TRUE(waitFor([&] { return !window->isInTray(); })) << "a click brings the window back";
  window->release();
  XDestroyWindow(x, manager);
  XSync(x, False);
}

std::mutex g_boxLock;
std::vector<std::u16string> g_boxTexts;

int WINAPI recordBox(HWND, LPCWSTR text, LPCWSTR, UINT) {
  std::lock_guard<std::mutex> hold(g_boxLock);
  g_boxTexts.emplace_back(text != nullptr ? text : u"");
  return IDOK;
}

TEST_F(ToolkitX11, AHotKeyHeldElsewhereIsRefusedWithItsTextAndAPressedOneFires) {
  int event = 0, error = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(viewer.display(), &event, &error, &major, &minor)) {
    GTEST_SKIP() << "the X server has no XTEST";
  }
  Window* window = showWindow(u"Toolkit keys", false);
  std::atomic<int> fired{0};
  Listener heard([&](int32_t id) {
    if (id == Window::kHotKey) ++fired;
  });
  window->addHotKeyListener(&heard);

  Display* x = viewer.display();
  const KeyCode k = XKeysymToKeycode(x, XK_k);
  XGrabKey(x, k, ControlMask, DefaultRootWindow(x), False, GrabModeAsync, GrabModeAsync);
  XSync(x, False);
  const auto previous = winapi::seam::replaceMessageBoxW(&recordBox);
  EXPECT_FALSE(window->registerHotKey(false, true, false, false, 'K', u"grab", true));
  winapi::seam::replaceMessageBoxW(previous);
  {
    std::lock_guard<std::mutex> hold(g_boxLock);
    ASSERT_EQ(g_boxTexts.size(), 1u);
    EXPECT_EQ(g_boxTexts[0], u"(1409) HotKey Ctrl+K has been occupied by another application.");
  }

  XUngrabKey(x, k, ControlMask, DefaultRootWindow(x));
  XSync(x, False);
  ASSERT_TRUE(window->registerHotKey(false, true, false, false, 'K', u"grab", false));
  const KeyCode control = XKeysymToKeycode(x, XK_Control_L);
  XTestFakeKeyEvent(x, control, True, 0);
  XTestFakeKeyEvent(x, k, True, 0);
  XTestFakeKeyEvent(x, k, False, 0);
  XTestFakeKeyEvent(x, control, False, 0);
  XFlush(x);
  EXPECT_TRUE(waitFor([&] { return fired.load() == 1; })) << "the pressed key fires one event";
  EXPECT_TRUE(window->isFiredHotKey(u"grab"));
  window->release();
}

// widget_demo's text fields and sliders: the thin slider's hue gradient starts with pure red,
// which finds the column; the native slider (32 high) and the three fields (24 high) stand
// above it, 6 pixels apart. A click and two typed letters in the plain field, then a drag of the
// native slider's thumb, print one line per change, the field's lost focus between them.
TEST_F(ToolkitX11, WidgetDemoFieldsAndSlidersTellTheirEvents) {
  Display* x = viewer.display();
  int event = 0, error = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(x, &event, &error, &major, &minor))
    GTEST_SKIP() << "the X server has no XTEST";
  lumetra::testlib::ChildProcess demo({lumetra::testlib::besideSelf("widget_demo").string()}, {},
                                      true);
  ASSERT_TRUE(demo.started());
  ::Window window = viewer.waitForWindow("Widget demo");
  ASSERT_NE(window, 0u) << "widget_demo showed no window";
  XWindowAttributes attrs;
  int redX = -1, redY = -1;
  ASSERT_TRUE(waitFor(
      [&] {
        // The window may show before it takes its final size: each look reads its size again.
        if (!XGetWindowAttributes(x, window, &attrs)) return false;
        XImage* shot = XGetImage(x, window, 0, 0, static_cast<unsigned>(attrs.width),
                                 static_cast<unsigned>(attrs.height), AllPlanes, ZPixmap);
        if (shot == nullptr) return false;
        for (int row = 0; row < attrs.height && redY < 0; ++row) {
          for (int col = 0; col < attrs.width; ++col) {
            if ((XGetPixel(shot, col, row) & 0xFFFFFF) == 0xFF0000) {
              redX = col;
              redY = row;
              break;
            }
          }
        }
        XDestroyImage(shot);
        return redY >= 0;
      },
      20))
      << "the thin slider never showed (" << attrs.width << " x " << attrs.height
      << "): " << demo.readOutput();
  const int left = redX - 1;
  const int nativeTop = redY - 1 - 6 - 32;
  const int plainTop = nativeTop - 3 * (24 + 6);
  int rootX = 0, rootY = 0;
  ::Window child;
  XTranslateCoordinates(x, window, DefaultRootWindow(x), 0, 0, &rootX, &rootY, &child);
  auto click = [&](int cx, int cy, int toX) {
    XTestFakeMotionEvent(x, -1, rootX + cx, rootY + cy, 0);
    XTestFakeButtonEvent(x, 1, True, 0);
    if (toX != cx) XTestFakeMotionEvent(x, -1, rootX + toX, rootY + cy, 0);
    XTestFakeButtonEvent(x, 1, False, 0);
    XFlush(x);
  };
  std::string printed;
  const auto changes = [&] {
    printed += demo.readOutput();
    size_t count = 0;
    for (size_t at = printed.find("text changed 1\n"); at != std::string::npos;
         at = printed.find("text changed 1\n", at + 1)) {
      ++count;
    }
    return count;
  };
  const auto type = [&](KeySym letter) {
    const KeyCode k = XKeysymToKeycode(x, letter);
    XTestFakeKeyEvent(x, k, True, 0);
    XTestFakeKeyEvent(x, k, False, 0);
    XFlush(x);
  };
  // The plain field takes keys once the click has given it the focus, which a loaded machine may
  // reach late: the click and a letter are tried again until the field reports the change.
  bool typed = false;
  for (int attempt = 0; attempt < 10 && !typed; ++attempt) {
    click(left + 120, plainTop + 12, left + 120);
    type(XK_a);
    typed = waitFor([&] { return changes() >= 1; }, 2);
  }
  ASSERT_TRUE(typed) << "the plain field never took a letter: " << printed;
  const size_t before = changes();
  type(XK_b);
  ASSERT_TRUE(waitFor([&] { return changes() > before; }, 20)) << printed;
  // The native slider's thumb: position 30 of 0 to 100 on a channel from 8 to 192, its middle
  // 17 pixels down; dragged 37 pixels right.
  click(left + 63, nativeTop + 17, left + 100);
  const std::string expected =
      "text changed 1\ntext changed 1\ntext focus lost 3\nnative slider 0\n";
  EXPECT_TRUE(waitFor(
      [&] {
        printed += demo.readOutput();
        return printed.find(expected) != std::string::npos;
      },
      20))
      << printed;
  viewer.screenshot(window, "remaining_widgets.png");
  viewer.close(window);
  EXPECT_TRUE(demo.wait(5000)) << "widget_demo did not end";
}

}  // namespace

namespace {

// The X window's position on the root and its size.
RECT placeOf(Display* x, ::Window w) {
  XWindowAttributes attrs;
  if (!XGetWindowAttributes(x, w, &attrs)) return RECT{0, 0, 0, 0};
  int rootX = 0, rootY = 0;
  ::Window child;
  XTranslateCoordinates(x, w, DefaultRootWindow(x), 0, 0, &rootX, &rootY, &child);
  return RECT{rootX, rootY, rootX + attrs.width, rootY + attrs.height};
}

// Whether no client holds the pointer: a window manager keeps it from the press that began a
// move or size until it has handled the release, and a loaded one handles that late.
bool pointerFree(Display* x) {
  if (XGrabPointer(x, DefaultRootWindow(x), False, 0, GrabModeAsync, GrabModeAsync, None, None,
                   CurrentTime) != GrabSuccess) {
    return false;
  }
  XUngrabPointer(x, CurrentTime);
  XFlush(x);
  return true;
}

// Moves the pointer from `from` to `to` in a few steps, with the left button held if asked.
// The program takes its input in the order the server sent it, so the steps need no pauses
// between them. With `followed` given, the button stays down, as a user's would, until the window
// has followed (or for 3 s): on a loaded machine the program may begin its move or size, or hand
// it to the window manager, only after the last step, and a button that came up before that
// calls the move off. Meanwhile the pointer nudges a pixel and back, as a move follows only
// motions it sees.
void fakeDrag(Display* x, POINT from, POINT to, bool press,
              const std::function<bool()>& followed = {}) {
  XTestFakeMotionEvent(x, -1, from.x, from.y, 0);
  if (press) XTestFakeButtonEvent(x, 1, True, 0);
  for (int step = 1; step <= 4; ++step) {
    XTestFakeMotionEvent(x, -1, from.x + (to.x - from.x) * step / 4,
                         from.y + (to.y - from.y) * step / 4, 0);
  }
  XSync(x, False);
  if (press && followed) {
    int turn = 0;
    waitFor(
        [&] {
          if (followed()) return true;
          const int nudge = ++turn % 20 == 10 ? 1 : 0;
          if (turn % 10 == 0) {
            XTestFakeMotionEvent(x, -1, to.x + nudge, to.y + nudge, 0);
            XFlush(x);
          }
          return false;
        },
        3);
    XTestFakeMotionEvent(x, -1, to.x, to.y, 0);
  }
  if (press) XTestFakeButtonEvent(x, 1, False, 0);
  XSync(x, False);
}

// The pointer's shape as the server shows it now: its size, hot spot and pixels.
std::vector<unsigned long> shownCursor(Display* x) {
  std::vector<unsigned long> image;
  XFixesCursorImage* cursor = XFixesGetCursorImage(x);
  if (cursor == nullptr) return image;
  image = {cursor->width, cursor->height, cursor->xhot, cursor->yhot};
  image.insert(image.end(), cursor->pixels,
               cursor->pixels + static_cast<size_t>(cursor->width) * cursor->height);
  XFree(cursor);
  return image;
}

// The picture of one of the X font's cursors, shown over a window of the test's own.
std::vector<unsigned long> fontCursor(Display* x, unsigned glyph) {
  int event = 0, error = 0, major = 5, minor = 0;
  if (!XFixesQueryExtension(x, &event, &error) || !XFixesQueryVersion(x, &major, &minor)) return {};
  XSetWindowAttributes attrs{};
  attrs.override_redirect = True;
  attrs.cursor = XCreateFontCursor(x, glyph);
  const ::Window w =
      XCreateWindow(x, DefaultRootWindow(x), 0, 0, 20, 20, 0, CopyFromParent, InputOnly,
                    CopyFromParent, CWOverrideRedirect | CWCursor, &attrs);
  XMapRaised(x, w);
  XWarpPointer(x, None, w, 0, 0, 0, 0, 10, 10);
  XSync(x, False);
  std::vector<unsigned long> image;
  waitFor([&] {
    ::Window root, child;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    image = shownCursor(x);
    return XQueryPointer(x, w, &root, &child, &rx, &ry, &wx, &wy, &mask) && wx == 10 && wy == 10;
  });
  XDestroyWindow(x, w);
  XFreeCursor(x, attrs.cursor);
  XSync(x, False);
  return image;
}

}  // namespace

TEST_F(ToolkitX11, TheSkinDemoFramesItselfDragsSizesSwitchesPresetsAndClosesByItsButton) {
  int event = 0, error = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(viewer.display(), &event, &error, &major, &minor)) {
    GTEST_SKIP() << "the X server has no XTEST";
  }
  lumetra::testlib::ChildProcess demo({lumetra::testlib::besideSelf("skin_demo").string()}, {},
                                      true);
  ASSERT_TRUE(demo.started());
  ::Window window = viewer.waitForWindow("Skin demo");
  ASSERT_NE(window, 0u) << "skin_demo showed no window";
  std::string printed;
  auto printedLine = [&](const char* line) {
    return waitFor([&] {
      printed += demo.readOutput();
      return printed.find(line) != std::string::npos;
    });
  };
  EXPECT_TRUE(printedLine("preset Classic LG\n")) << printed;
  std::vector<long> hints = viewer.longs(window, "_MOTIF_WM_HINTS", viewer.atom("_MOTIF_WM_HINTS"));
  ASSERT_GE(hints.size(), 3u);
  EXPECT_EQ(hints[2], 0) << "a resizable window that frames itself has no second frame";
  // Classic LG's window background.
  EXPECT_TRUE(waitFor([&] { return viewer.pixel(window, 300, 200) == 0x747474; }))
      << std::hex << viewer.pixel(window, 300, 200);
  viewer.screenshot(window, "skin_demo.png");

  Display* x = viewer.display();
  const RECT start = placeOf(x, window);
  ASSERT_EQ(start.right - start.left, 340);
  // The surface drags the window (the layer's own loop moves it, or the window manager).
  const auto dragged = [&] {
    const RECT now = placeOf(x, window);
    return now.left == start.left + 40 && now.top == start.top + 30;
  };
  fakeDrag(x, POINT{start.left + 300, start.top + 200}, POINT{start.left + 340, start.top + 230},
           true, dragged);
  EXPECT_TRUE(waitFor(dragged)) << placeOf(x, window).left - start.left;
  const RECT moved = placeOf(x, window);
  EXPECT_EQ(moved.top, start.top + 30);
  EXPECT_EQ(moved.right - moved.left, 340) << "a drag keeps the size";
  // The next press goes to the window only once the move has let the pointer go.
  ASSERT_TRUE(waitFor([&] { return pointerFree(x); })) << "the pointer stays held after the move";

  // The bottom-right corner sizes it through the window's own hit testing, once the window shows
  // the corner's sizing pointer there: the demo may take the pointer over the corner before it
  // has heard where the move left its window, and a pointer that comes in again from inside is
  // tested again.
  const POINT corner{moved.right - 2, moved.bottom - 2};
  const std::vector<unsigned long> sizingCorner = fontCursor(x, XC_bottom_right_corner);
  ASSERT_FALSE(sizingCorner.empty()) << "the server shows no pointer shape (XFIXES)";
  EXPECT_TRUE(waitFor([&] {
    fakeDrag(x, POINT{corner.x - 20, corner.y - 20}, corner, false);
    return waitFor([&] { return shownCursor(x) == sizingCorner; }, 1);
  })) << "the corner never showed its sizing pointer";
  // The window may take the width and the height in separate steps: both have grown once it has
  // followed.
  const auto grown = [&] {
    const RECT now = placeOf(x, window);
    return now.right - now.left > 340 && now.bottom - now.top > 285;
  };
  fakeDrag(x, corner, POINT{corner.x + 30, corner.y + 20}, true, grown);
  EXPECT_TRUE(waitFor(grown)) << (printed += demo.readOutput());
  const RECT sized = placeOf(x, window);
  EXPECT_EQ(sized.left, moved.left) << "sizing by the corner keeps the top-left corner";
  EXPECT_GT(sized.bottom - sized.top, 285);

  // The space bar takes the next preset of the catalogue.
  const KeyCode space = XKeysymToKeycode(x, XK_space);
  XTestFakeKeyEvent(x, space, True, 0);
  XTestFakeKeyEvent(x, space, False, 0);
  XFlush(x);
  EXPECT_TRUE(printedLine("preset Beige\n")) << printed;

  // The "#X" button at the top left ends the demo.
  const RECT now = placeOf(x, window);
  fakeDrag(x, POINT{now.left + 17, now.top + 15}, POINT{now.left + 17, now.top + 15}, true);
  EXPECT_TRUE(demo.wait(5000)) << "skin_demo did not end on its close button";
  EXPECT_EQ(demo.exitCode(), 0);
}
