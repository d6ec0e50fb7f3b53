// The X11 driver against a real X server: each test process starts its own Xvfb on a free
// display, and a second X client in the test looks at the windows, sends input and drops files.
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

// GoogleTest comes before Xlib, whose macros (None, Bool) would break it.
#include <gtest/gtest.h>

#include "testlib/Process.h"
#include "testlib/TempDir.h"
#include "testlib/Wait.h"
#include "testlib/XdndSource.h"
#include "testlib/WindowManager.h"
#include "testlib/X11Windows.h"
#include "testlib/Xvfb.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using lumetra::testlib::WindowManager;
using lumetra::testlib::XdndSource;
using lumetra::testlib::Xvfb;

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

// Runs the layer's messages until done() holds or a while passes (five seconds).
bool pumpUntil(const std::function<bool()>& done, int seconds = 5) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < end) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    Sleep(5);
  }
  return done();
}

struct Event {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Event> g_events;
std::vector<Event> g_moves;  // WM_MOUSEMOVE, kept apart: moves come with many other inputs
std::vector<std::u16string> g_dropped;

LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r;
      GetClientRect(hwnd, &r);
      HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
      FillRect(dc, &r, blue);
      DeleteObject(blue);
      RECT red{10, 10, 50, 50};
      HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
      FillRect(dc, &red, brush);
      DeleteObject(brush);
      EndPaint(hwnd, &ps);
      g_events.push_back(Event{hwnd, message, 0, 0});
      return 0;
    }
    case WM_MOUSEMOVE: g_moves.push_back(Event{hwnd, message, wParam, lParam}); return 0;
    case WM_LBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_CHAR:
    case WM_USER + 2: g_events.push_back(Event{hwnd, message, wParam, lParam}); return 0;
    case WM_DROPFILES: {
      HDROP drop = reinterpret_cast<HDROP>(wParam);
      g_dropped.clear();
      UINT n = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
      for (UINT i = 0; i < n; ++i) {
        WCHAR name[MAX_PATH + 1];
        DragQueryFileW(drop, i, name, MAX_PATH + 1);
        g_dropped.push_back(name);
      }
      DragFinish(drop);
      g_events.push_back(Event{hwnd, message, 0, 0});
      return 0;
    }
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

class X11 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Xvfb::running()) GTEST_SKIP() << Xvfb::skipReason();
    g_events.clear();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.lpszClassName = u"X11Test";
    RegisterClassExW(&wc);
    top = CreateWindowExW(0, u"X11Test", u"Layer test \u00c4\u00f6", WS_POPUP | WS_VISIBLE, 100, 80, 200, 150, nullptr,
                          nullptr, nullptr, nullptr);
    ASSERT_NE(top, nullptr);
    viewer = XOpenDisplay(nullptr);
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(pumpUntil([&] { return (native = findNative()) != 0; })) << "no X window appeared";
    ASSERT_TRUE(pumpUntil([&] { return painted(top); }));
  }
  void TearDown() override {
    if (top != nullptr) DestroyWindow(top);
    if (viewer != nullptr) XCloseDisplay(viewer);
  }

  bool painted(HWND hwnd) {
    for (const Event& e : g_events) {
      if (e.hwnd == hwnd && e.message == WM_PAINT) return true;
    }
    return false;
  }

  std::string property(Window w, const char* name, Atom type) {
    Atom actual;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::string value;
    if (XGetWindowProperty(viewer, w, XInternAtom(viewer, name, False), 0, 1024, False, type, &actual, &format, &count,
                           &after, &data) == Success &&
        data != nullptr) {
      value.assign(reinterpret_cast<char*>(data), count);
    }
    if (data != nullptr) XFree(data);
    return value;
  }

  // The viewable X window whose title is the test window's.
  Window findNative(const std::string& title = "Layer test \xc3\x84\xc3\xb6") {
    Window found = 0;
    for (Window w : lumetra::testlib::clientWindows(viewer)) {
      XWindowAttributes attrs;
      if (property(w, "_NET_WM_NAME", XInternAtom(viewer, "UTF8_STRING", False)) == title &&
          XGetWindowAttributes(viewer, w, &attrs) && attrs.map_state == IsViewable) {
        found = w;
      }
    }
    return found;
  }

  unsigned long screenPixel(int x, int y) {
    XImage* image = XGetImage(viewer, DefaultRootWindow(viewer), x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) return 0xFFFFFFFF;
    unsigned long p = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return p;
  }

  void send(Window w, XEvent& e, long mask) {
    XSendEvent(viewer, w, False, mask, &e);
    XFlush(viewer);
  }

  HWND top = nullptr;
  Display* viewer = nullptr;
  Window native = 0;
};

TEST_F(X11, ATopLevelWindowAppearsWithItsTitleAndPlace) {
  XWindowAttributes attrs;
  ASSERT_TRUE(XGetWindowAttributes(viewer, native, &attrs));
  EXPECT_EQ(attrs.width, 200);
  EXPECT_EQ(attrs.height, 150);
  int x, y;
  Window child;
  XTranslateCoordinates(viewer, native, DefaultRootWindow(viewer), 0, 0, &x, &y, &child);
  EXPECT_EQ(x, 100);
  EXPECT_EQ(y, 80);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
  SetWindowTextW(top, u"Renamed");
  EXPECT_TRUE(pumpUntil([&] { return property(native, "WM_NAME", XA_STRING) == "Renamed"; }));
}

TEST_F(X11, MovesByTheWindowManagerReachTheLayerAndTheLayersOwnMovesStay) {
  // Another client moves the window, as a window manager would.
  XMoveWindow(viewer, native, 300, 200);
  XFlush(viewer);
  RECT r{};
  EXPECT_TRUE(pumpUntil([&] {
    GetWindowRect(top, &r);
    return r.left == 300 && r.top == 200;
  })) << r.left
      << "," << r.top;
  // Quick moves by the program end where the last one put the window.
  SetWindowPos(top, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SetWindowPos(top, nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  pumpUntil([] { return false; }, 1);  // lets every echo of the server come back
  GetWindowRect(top, &r);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.top, 40);
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(viewer, native, DefaultRootWindow(viewer), 0, 0, &x, &y, &child);
  EXPECT_EQ(x, 30);
  EXPECT_EQ(y, 40);

  // A resize followed at once by a move: the resize's echo comes back after the move, reporting
  // the new size at the moved place, and is no news either.
  SetWindowPos(top, nullptr, 0, 0, 260, 170, SWP_NOMOVE | SWP_NOZORDER);
  SetWindowPos(top, nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SetWindowPos(top, nullptr, 0, 0, 240, 160, SWP_NOMOVE | SWP_NOZORDER);
  pumpUntil([] { return false; }, 1);
  GetWindowRect(top, &r);
  EXPECT_EQ(r.left, 50);
  EXPECT_EQ(r.right - r.left, 240);
  EXPECT_EQ(r.bottom - r.top, 160);
  XWindowAttributes attrs;
  ASSERT_TRUE(XGetWindowAttributes(viewer, native, &attrs));
  EXPECT_EQ(attrs.width, 240);
  EXPECT_EQ(attrs.height, 160);
}

// The cases on the bare server alone, where another client's request is carried out as it was asked.
class X11Bare : public X11 {};

// The whole frame fits the screen, on the screen too: a size beyond the screen that another client
// (or a manager) gives the window is refused, and the window is put back at its own size even
// though that is the size it had.
TEST_F(X11Bare, ASizeBeyondTheScreenGivenByAnotherClientIsTakenBack) {
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  ASSERT_TRUE(SetWindowPos(top, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE));
  const auto size = [&] {
    XWindowAttributes attrs{};
    XGetWindowAttributes(viewer, native, &attrs);
    return std::pair<int, int>{attrs.width, attrs.height};
  };
  const std::pair<int, int> own{width, height};
  ASSERT_TRUE(pumpUntil([&] { return size() == own; }));
  XResizeWindow(viewer, native, static_cast<unsigned>(width + 40), static_cast<unsigned>(height + 30));
  XSync(viewer, False);
  ASSERT_EQ(size(), (std::pair<int, int>{width + 40, height + 30})) << "the server took the other client's size";
  // The driver takes a size it did not ask for as the system's once its own request has had its
  // second, and the window refuses it then.
  EXPECT_TRUE(pumpUntil([&] { return size() == own; }, 10))
      << size().first << " x " << size().second << " on a screen of " << width << " x " << height;
  RECT r{};
  GetWindowRect(top, &r);
  EXPECT_EQ(r.right - r.left, width);
  EXPECT_EQ(r.bottom - r.top, height);
}

// The driver's report of a place the manager chose waits in the window thread's queue; when the
// program asks for a place of its own before it gets to the report, the report is stale: the
// layer and the screen both end at the program's place (the server's answer to that request is
// no news, so nothing would ever mend a layer that took the stale place).
TEST_F(X11, AReportOvertakenByTheProgramsOwnMoveIsPassedOver) {
  RECT before{};
  GetWindowRect(top, &before);
  RECT reported = before;
  OffsetRect(&reported, 300 - before.left, 200 - before.top);
  XMoveWindow(viewer, native, 300, 200);
  XFlush(viewer);
  // Without pumping: the driver has taken the manager's place and queued its report.
  EXPECT_TRUE(lumetra::testlib::waitUntil(
      [&] { return winapi::displayDriver().stillPlaced(static_cast<winapi::NativeWindow>(native), reported); }));
  SetWindowPos(top, nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  pumpUntil([] { return false; }, 1);  // the report and every echo of the server come back
  RECT r{};
  GetWindowRect(top, &r);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.top, 40);
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(viewer, native, DefaultRootWindow(viewer), 0, 0, &x, &y, &child);
  EXPECT_EQ(x, 30);
  EXPECT_EQ(y, 40);
}

// A window whose place the program left to the manager has the manager's place from then on:
// hidden, given another size and shown again, it keeps its corner instead of going wherever the
// manager puts a new window of that size (openbox centres it).
TEST_F(X11, AWindowTheManagerPlacedKeepsItsCornerWhenShownAgain) {
  HWND placed = CreateWindowExW(0, u"X11Test", u"Placed by the manager", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, 240,
                                160, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(placed, nullptr);
  ShowWindow(placed, SW_SHOW);
  Window shown = 0;
  ASSERT_TRUE(pumpUntil([&] { return (shown = findNative("Placed by the manager")) != 0; }));
  const auto frame = [&] {
    Window root;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    const Window f = lumetra::testlib::frameOf(viewer, shown);
    if (f == 0 || !XGetGeometry(viewer, f, &root, &x, &y, &width, &height, &border, &depth)) return RECT{};
    return RECT{x, y, x + static_cast<LONG>(width), y + static_cast<LONG>(height)};
  };
  // The layer takes the manager's place once its own first request has had its time.
  RECT first{}, r{};
  ASSERT_TRUE(pumpUntil(
      [&] {
        first = frame();
        GetWindowRect(placed, &r);
        return r.left == first.left && r.top == first.top;
      },
      10))
      << "the layer has (" << r.left << "," << r.top << "), the screen (" << first.left << "," << first.top << ")";

  ShowWindow(placed, SW_HIDE);
  ASSERT_TRUE(SetWindowPos(placed, nullptr, 0, 0, 420, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
  ShowWindow(placed, SW_SHOW);
  RECT again{};
  ASSERT_TRUE(pumpUntil([&] {
    again = frame();
    return findNative("Placed by the manager") != 0 && again.right - again.left > first.right - first.left;
  })) << "never shown again at its new size";
  EXPECT_EQ(again.left, first.left) << "under " << WindowManager::name();
  EXPECT_EQ(again.top, first.top);
  DestroyWindow(placed);
}

namespace {
// A window dragged by any point, as a skinned window is; it notes when the layer has handled a
// press on it.
bool g_pressHandled = false;
LRESULT CALLBACK dragAnywhereProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCHITTEST) return HTCAPTION;
  const LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
  if (message == WM_NCLBUTTONDOWN) g_pressHandled = true;
  return result;
}

// The running window manager: the child of this process that bears its name.
pid_t windowManagerPid() {
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    if (!stat) continue;
    std::string line;
    std::getline(stat, line);
    const size_t open = line.find('('), close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos) continue;
    char state = 0;
    int parent = 0;
    if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &parent) != 2) continue;
    if (parent == getpid() && line.substr(open + 1, close - open - 1) == WindowManager::name()) {
      return static_cast<pid_t>(std::stol(name));
    }
  }
  return 0;
}
}  // namespace

TEST_F(X11, AMoveWhoseButtonCameUpBeforeTheManagerTookThePointerIsCalledOff) {
  if (WindowManager::name().empty()) GTEST_SKIP() << "without a window manager the layer moves the window itself";
  // xfwm4 runs a move it has begun to its next release whatever the program asks after, and
  // jwm, stopped just after it handled the press, leaves this test no usable server.
  if (WindowManager::name() != "openbox") GTEST_SKIP() << WindowManager::name() << " cannot be tried so";
  const pid_t manager = windowManagerPid();
  ASSERT_GT(manager, 0) << "no " << WindowManager::name() << " among this process's children";
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = dragAnywhereProc;
  wc.lpszClassName = u"X11DragAnywhere";
  RegisterClassExW(&wc);
  HWND dragged = CreateWindowExW(0, u"X11DragAnywhere", u"Dragged anywhere", WS_POPUP | WS_VISIBLE, 400, 300, 160, 100,
                                 nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(dragged, nullptr);
  Window shown = 0;
  ASSERT_TRUE(pumpUntil([&] { return (shown = findNative("Dragged anywhere")) != 0; }, 20));
  int x = 0, y = 0;
  Window child = 0;
  ASSERT_TRUE(XTranslateCoordinates(viewer, shown, DefaultRootWindow(viewer), 80, 50, &x, &y, &child));

  // The press reaches the window; the manager then stops for a while, as a busy one does, so
  // the button comes up after the program asked it to move the window and before it took the
  // pointer.
  g_pressHandled = false;
  XTestFakeMotionEvent(viewer, DefaultScreen(viewer), x, y, CurrentTime);
  XTestFakeButtonEvent(viewer, Button1, True, CurrentTime);
  XSync(viewer, False);
  bool pressed = false;
  for (int i = 0; i < 2000 && !pressed; ++i) {
    pressed = GetAsyncKeyState(VK_LBUTTON) < 0;
    if (!pressed) usleep(10000);
  }
  ASSERT_TRUE(pressed) << "the press never reached the window";
  ASSERT_EQ(kill(manager, SIGSTOP), 0);
  struct Resume {
    pid_t pid;
    ~Resume() { kill(pid, SIGCONT); }
  } resume{manager};
  ASSERT_TRUE(pumpUntil([] { return g_pressHandled; }, 20));
  XTestFakeButtonEvent(viewer, Button1, False, CurrentTime);
  XSync(viewer, False);
  ASSERT_TRUE(pumpUntil([] { return GetAsyncKeyState(VK_LBUTTON) >= 0; }, 20));
  kill(manager, SIGCONT);

  // Once the manager has caught up (it answers a request made after the program's), it holds
  // no grab: the next click is the user's, not the end of a move.
  Window probe = XCreateSimpleWindow(viewer, DefaultRootWindow(viewer), 0, 0, 10, 10, 0, 0, 0);
  XEvent request{};
  request.xclient.type = ClientMessage;
  request.xclient.window = probe;
  request.xclient.message_type = XInternAtom(viewer, "_NET_REQUEST_FRAME_EXTENTS", False);
  request.xclient.format = 32;
  XSendEvent(viewer, DefaultRootWindow(viewer), False, SubstructureRedirectMask | SubstructureNotifyMask, &request);
  XFlush(viewer);
  EXPECT_TRUE(pumpUntil([&] { return !property(probe, "_NET_FRAME_EXTENTS", XA_CARDINAL).empty(); }, 20))
      << WindowManager::name() << " did not answer";
  const int grab = XGrabPointer(viewer, DefaultRootWindow(viewer), False, ButtonPressMask, GrabModeAsync, GrabModeAsync,
                                None, None, CurrentTime);
  EXPECT_EQ(grab, GrabSuccess) << WindowManager::name() << " still holds the pointer for a move";
  XUngrabPointer(viewer, CurrentTime);
  XDestroyWindow(viewer, probe);
  XSync(viewer, False);
  DestroyWindow(dragged);
}

TEST_F(X11, WindowStatesFollowTheWindowManagerAndStayWhenTheProgramSetsThem) {
  ShowWindow(top, SW_MAXIMIZE);
  pumpUntil([] { return false; }, 1);
  EXPECT_TRUE(IsZoomed(top)) << "the driver's own hints undid the maximised state";
  ShowWindow(top, SW_RESTORE);
  if (WindowManager::name().empty()) {
    // The viewer plays the window manager: it marks the window hidden (minimised), then shows it
    // again.
    Atom state = XInternAtom(viewer, "_NET_WM_STATE", False);
    Atom hidden = XInternAtom(viewer, "_NET_WM_STATE_HIDDEN", False);
    XChangeProperty(viewer, native, state, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&hidden), 1);
    XFlush(viewer);
    EXPECT_TRUE(pumpUntil([&] { return IsIconic(top) != FALSE; }));
    XChangeProperty(viewer, native, state, XA_ATOM, 32, PropModeReplace, nullptr, 0);
    XFlush(viewer);
    EXPECT_TRUE(pumpUntil([&] { return !IsIconic(top); }));
    return;
  }
  // The viewer plays a taskbar: it asks the manager to minimise the window, then to activate it.
  XIconifyWindow(viewer, native, DefaultScreen(viewer));
  XFlush(viewer);
  EXPECT_TRUE(pumpUntil([&] { return IsIconic(top) != FALSE; })) << "minimised by " << WindowManager::name();
  XEvent activate{};
  activate.xclient.type = ClientMessage;
  activate.xclient.window = native;
  activate.xclient.message_type = XInternAtom(viewer, "_NET_ACTIVE_WINDOW", False);
  activate.xclient.format = 32;
  activate.xclient.data.l[0] = 2;  // from a pager or taskbar
  XSendEvent(viewer, DefaultRootWindow(viewer), False, SubstructureRedirectMask | SubstructureNotifyMask, &activate);
  XFlush(viewer);
  EXPECT_TRUE(pumpUntil([&] { return !IsIconic(top); })) << "restored by " << WindowManager::name();
}

TEST_F(X11, PaintedPixelsReachTheScreen) {
  EXPECT_TRUE(pumpUntil([&] { return screenPixel(100 + 20, 80 + 20) == 0xFF0000; }))
      << std::hex << screenPixel(120, 100);
  EXPECT_EQ(screenPixel(100 + 100, 80 + 100), 0x0000FFu);
  // A repaint after an invalidation reaches the screen too.
  g_events.clear();
  SetWindowPos(top, nullptr, 0, 0, 300, 150, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_TRUE(pumpUntil([&] { return screenPixel(100 + 280, 80 + 20) == 0x0000FF; }));
}

TEST_F(X11, MouseAndKeysReachTheRightChild) {
  HWND left =
      CreateWindowExW(0, u"X11Test", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 100, 150, top, nullptr, nullptr, nullptr);
  HWND right =
      CreateWindowExW(0, u"X11Test", nullptr, WS_CHILD | WS_VISIBLE, 100, 0, 100, 150, top, nullptr, nullptr, nullptr);
  pumpUntil([&] { return painted(left) && painted(right); });
  g_events.clear();
  XEvent e{};
  e.xbutton.type = ButtonPress;
  e.xbutton.window = native;
  e.xbutton.root = DefaultRootWindow(viewer);
  e.xbutton.x = 130;
  e.xbutton.y = 40;
  e.xbutton.x_root = 100 + 130;
  e.xbutton.y_root = 80 + 40;
  e.xbutton.button = Button1;
  e.xbutton.same_screen = True;
  send(native, e, ButtonPressMask);
  ASSERT_TRUE(pumpUntil([&] { return !g_events.empty(); }));
  EXPECT_EQ(g_events[0].hwnd, right);
  EXPECT_EQ(g_events[0].message, static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(GET_X_LPARAM(g_events[0].lParam), 30);
  EXPECT_EQ(GET_Y_LPARAM(g_events[0].lParam), 40);

  SetFocus(left);
  g_events.clear();
  XEvent k{};
  k.xkey.type = KeyPress;
  k.xkey.window = native;
  k.xkey.root = DefaultRootWindow(viewer);
  k.xkey.keycode = XKeysymToKeycode(viewer, XK_q);
  k.xkey.same_screen = True;
  send(native, k, KeyPressMask);
  ASSERT_TRUE(pumpUntil([&] { return g_events.size() >= 2; }));
  EXPECT_EQ(g_events[0].hwnd, left);
  EXPECT_EQ(g_events[0].message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(g_events[0].wParam, static_cast<WPARAM>('Q'));
  EXPECT_EQ(g_events[1].message, static_cast<UINT>(WM_CHAR));
  EXPECT_EQ(g_events[1].wParam, static_cast<WPARAM>(u'q'));
}

TEST_F(X11, ACaptureTakenWithoutAPressedButtonHearsThatThePointerLeft) {
  HWND child =
      CreateWindowExW(0, u"X11Test", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 100, 150, top, nullptr, nullptr, nullptr);
  pumpUntil([&] { return painted(child); });
  SetCapture(child);
  g_moves.clear();
  XEvent e{};
  e.xcrossing.type = LeaveNotify;
  e.xcrossing.window = native;
  e.xcrossing.root = DefaultRootWindow(viewer);
  e.xcrossing.x_root = 600;
  e.xcrossing.y_root = 500;
  e.xcrossing.mode = NotifyNormal;
  e.xcrossing.same_screen = True;
  send(native, e, LeaveWindowMask);
  ASSERT_TRUE(pumpUntil([&] { return !g_moves.empty(); }));
  POINT expected{600, 500};
  ScreenToClient(child, &expected);
  EXPECT_EQ(g_moves[0].hwnd, child);
  EXPECT_EQ(GET_X_LPARAM(g_moves[0].lParam), expected.x);
  EXPECT_EQ(GET_Y_LPARAM(g_moves[0].lParam), expected.y);
  ReleaseCapture();
  // Without a capture the leave tells nobody.
  g_moves.clear();
  send(native, e, LeaveWindowMask);
  pumpUntil([] { return false; }, 1);
  EXPECT_TRUE(g_moves.empty());
}

TEST_F(X11, TheActiveWindowKeepsTheFocusWhereverThePointerGoes) {
  // The server's focus follows the pointer (PointerRoot) until a program sets it. A window made
  // active while still hidden holds the X focus once it is shown. The pointer rests where that
  // window shows, so a manager whose focus follows the pointer (jwm) agrees.
  XWarpPointer(viewer, None, DefaultRootWindow(viewer), 0, 0, 0, 0, 460, 345);
  XSetInputFocus(viewer, PointerRoot, RevertToPointerRoot, CurrentTime);
  XSync(viewer, False);
  HWND later =
      CreateWindowExW(0, u"X11Test", u"Shown later", WS_POPUP, 400, 300, 120, 90, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(later, nullptr);
  SetActiveWindow(later);
  ShowWindow(later, SW_SHOW);
  Window focus = 0;
  int revert = 0;
  EXPECT_TRUE(pumpUntil([&] {
    XGetInputFocus(viewer, &focus, &revert);
    return focus != 0 && focus == findNative("Shown later");
  })) << "the X focus is with 0x"
      << std::hex << focus << ", not the window shown";
  EXPECT_EQ(GetActiveWindow(), later);

  // Focus events that only tell where the pointer is (detail NotifyPointer) change nothing; a
  // real loss of the focus deactivates.
  SetActiveWindow(top);
  ASSERT_TRUE(pumpUntil([&] { return GetActiveWindow() == top; }));
  XEvent e{};
  e.xfocus.type = FocusOut;
  e.xfocus.window = native;
  e.xfocus.mode = NotifyNormal;
  e.xfocus.detail = NotifyPointer;
  send(native, e, FocusChangeMask);
  pumpUntil([] { return false; }, 1);
  EXPECT_EQ(GetActiveWindow(), top);
  e.xfocus.detail = NotifyNonlinear;
  send(native, e, FocusChangeMask);
  EXPECT_TRUE(pumpUntil([&] { return GetActiveWindow() != top; }));
  DestroyWindow(later);
}

const std::string kUris =
    "# dropped by the test\r\nfile:///home/ann/My%20Music/a.mp3\r\nfile://localhost/tmp/%C3%84.wav\r\n"
    "http://example.invalid/x\r\n";

TEST_F(X11, AnXdndDropFromAnotherClientArrivesAsDropFiles) {
  DragAcceptFiles(top, TRUE);
  EXPECT_TRUE(pumpUntil([&] { return !property(native, "XdndAware", XA_ATOM).empty(); }));
  XdndSource source{viewer, [](const std::function<bool()>& done) { return pumpUntil(done); }};
  const std::u16string escaped(1, char16_t(0xDC00 + '\\'));
  // Files of another machine and names holding a "\" arrive too, as paths that name them and no
  // other file: the share's UNC path, and the name with the escape of its backslash.
  ASSERT_TRUE(source.drop(native, 100 + 20, 80 + 30,
                          kUris + "file://elsewhere.invalid/share/b.wav\r\nfile:///tmp/c%5Cd.wav\r\n"));
  ASSERT_TRUE(pumpUntil([&] { return !g_dropped.empty(); }));
  EXPECT_EQ(g_dropped,
            (std::vector<std::u16string>{u"Z:\\home\\ann\\My Music\\a.mp3", u"Z:\\tmp\\\u00c4.wav",
                                         u"\\\\elsewhere.invalid\\share\\b.wav", u"Z:\\tmp\\c" + escaped + u"d.wav"}));
}

// A drop target that takes links offered as "UniformResourceLocatorW", as the program's do.
struct LinkTarget : IDropTarget {
  std::vector<std::string> calls;
  bool offered = false;
  bool dataCame = false;
  std::u16string link;
  std::string ansiLink;

  static CLIPFORMAT format(const char16_t* name) { return static_cast<CLIPFORMAT>(RegisterClipboardFormatW(name)); }
  static bool read(IDataObject* data, CLIPFORMAT format, std::string* bytes) {
    FORMATETC f{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&f, &medium))) return false;
    const char* p = static_cast<const char*>(GlobalLock(medium.hGlobal));
    bytes->assign(p, p + GlobalSize(medium.hGlobal));
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    return true;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    calls.push_back("enter");
    FORMATETC f{format(u"UniformResourceLocatorW"), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    offered = data->QueryGetData(&f) == S_OK;
    *effect = offered ? DROPEFFECT_LINK : DROPEFFECT_NONE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
    *effect = offered ? DROPEFFECT_LINK : DROPEFFECT_NONE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override {
    calls.push_back("leave");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    calls.push_back("drop");
    std::string wide;
    dataCame = read(data, format(u"UniformResourceLocatorW"), &wide);
    link.assign(reinterpret_cast<const char16_t*>(wide.data()), wide.size() / 2);
    if (!link.empty() && link.back() == 0) link.pop_back();
    read(data, format(u"UniformResourceLocator"), &ansiLink);
    *effect = dataCame ? DROPEFFECT_LINK : DROPEFFECT_NONE;
    return S_OK;
  }
};

std::string utf16Bytes(const std::u16string& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

// The test window split in two: files on the left (WM_DROPFILES), links on the right (a target).
class X11Links : public X11 {
 protected:
  void SetUp() override {
    X11::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    files = CreateWindowExW(0, u"X11Test", u"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 150, top, nullptr, nullptr, nullptr);
    links =
        CreateWindowExW(0, u"X11Test", u"", WS_CHILD | WS_VISIBLE, 100, 0, 100, 150, top, nullptr, nullptr, nullptr);
    DragAcceptFiles(files, TRUE);
    ASSERT_EQ(RegisterDragDrop(links, &target), S_OK);
    ASSERT_TRUE(pumpUntil([&] { return !property(native, "XdndAware", XA_ATOM).empty(); }));
    g_dropped.clear();
  }
  void TearDown() override {
    if (links != nullptr) RevokeDragDrop(links);
    X11::TearDown();
    OleUninitialize();
  }
  XdndSource source() {
    return XdndSource{viewer, [](const std::function<bool()>& done) { return pumpUntil(done); }};
  }
  // Screen points over the two halves (the test window's corner is at 100, 80).
  static constexpr int kFilesX = 100 + 30, kLinksX = 100 + 150, kY = 80 + 40;
  HWND files = nullptr, links = nullptr;
  LinkTarget target;
};

TEST_F(X11Links, LinksOfEitherBrowserTypeReachTheTargetWithoutTheirTitle) {
  XdndSource s = source();
  // text/x-moz-url: UTF-16 "URL\nTitle". The source asks for a copy and lists no link: the
  // target's link is answered as a copy.
  XdndSource::Result moz = s.drag(native, kLinksX, kY,
                                  {{"text/x-moz-url", utf16Bytes(u"http://example.org/\u00e4?q=1\nA title")},
                                   {"text/plain", "http://example.org/"}});
  EXPECT_TRUE(moz.accepted);
  EXPECT_EQ(moz.action, "XdndActionCopy");
  EXPECT_TRUE(moz.dropped);
  EXPECT_EQ(target.link, u"http://example.org/\u00e4?q=1");
  char ansi[64] = {};
  int ansiSize =
      WideCharToMultiByte(CP_ACP, 0, u"http://example.org/\u00e4?q=1", -1, ansi, sizeof ansi, nullptr, nullptr);
  EXPECT_EQ(target.ansiLink, std::string(ansi, static_cast<size_t>(ansiSize)))
      << "the same address in the ANSI code page, with its NUL";
  // _NETSCAPE_URL: UTF-8 "URL\nTitle", from a source that asks for a link.
  XdndSource::Result netscape =
      s.drag(native, kLinksX, kY, {{"_NETSCAPE_URL", "https://example.org/b\nB"}}, "XdndActionLink");
  EXPECT_TRUE(netscape.accepted);
  EXPECT_EQ(netscape.action, "XdndActionLink");
  EXPECT_TRUE(netscape.dropped);
  EXPECT_EQ(target.link, u"https://example.org/b");
  // A text/uri-list whose first URI is no file is a link too.
  XdndSource::Result list = s.drag(native, kLinksX, kY, {{"text/uri-list", "# c\r\nhttp://c.example/\r\n"}});
  EXPECT_TRUE(list.accepted);
  EXPECT_TRUE(list.dropped);
  EXPECT_EQ(target.link, u"http://c.example/");
  EXPECT_TRUE(g_dropped.empty());
}

TEST_F(X11Links, EachHalfRefusesWhatItDoesNotTake) {
  XdndSource s = source();
  EXPECT_FALSE(s.drag(native, kFilesX, kY, {{"text/x-moz-url", utf16Bytes(u"http://a/\nA")}}).accepted)
      << "a link over the files half";
  EXPECT_FALSE(s.drag(native, kLinksX, kY, {{"text/uri-list", kUris}}).accepted) << "files over the links half";
  EXPECT_FALSE(s.drag(native, kLinksX, kY, {{"text/plain", "http://a/"}}).accepted) << "only text/plain";
  EXPECT_FALSE(s.drag(native, kFilesX, kY, {{"text/plain", "http://a/"}}).accepted);
  EXPECT_TRUE(target.link.empty());
  std::vector<std::string> enteredAndLeft;
  for (size_t i = 0; i < 2; ++i) enteredAndLeft.insert(enteredAndLeft.end(), {"enter", "leave"});
  EXPECT_TRUE(pumpUntil([&] { return target.calls == enteredAndLeft; })) << "the refused drags left the target";
  // Files over the files half still arrive as WM_DROPFILES.
  XdndSource::Result dropped = s.drag(native, kFilesX, kY, {{"text/uri-list", kUris}});
  EXPECT_TRUE(dropped.accepted);
  EXPECT_EQ(dropped.action, "XdndActionCopy");
  ASSERT_TRUE(pumpUntil([&] { return !g_dropped.empty(); }));
  EXPECT_EQ(g_dropped, (std::vector<std::u16string>{u"Z:\\home\\ann\\My Music\\a.mp3", u"Z:\\tmp\\\u00c4.wav"}));
}

TEST_F(X11Links, ALinkWhoseSourceNeverDeliversDropsWithoutData) {
  XdndSource s = source();
  auto started = std::chrono::steady_clock::now();
  XdndSource::Result r =
      s.drag(native, kLinksX, kY, {{"text/x-moz-url", utf16Bytes(u"http://late/\nL")}}, "XdndActionCopy", false);
  EXPECT_TRUE(r.accepted);
  EXPECT_FALSE(r.dropped) << "the target took nothing";
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1900));
  EXPECT_EQ(target.calls.back(), "drop");
  EXPECT_FALSE(target.dataCame);
}

// window_demo as a user runs it: its window appears, dropped files come out on its standard
// output one per line, and closing the window ends it.
TEST(X11Demo, WindowDemoPrintsDroppedPathsAndEndsWhenClosed) {
  if (!Xvfb::running()) GTEST_SKIP() << Xvfb::skipReason();
  lumetra::testlib::ChildProcess demo({lumetra::testlib::besideSelf("window_demo").string()}, {}, true);
  ASSERT_TRUE(demo.started());
  Display* viewer = XOpenDisplay(nullptr);
  ASSERT_NE(viewer, nullptr);
  // The viewer looks at the window manager's windows too, which may go meanwhile: a failed request
  // answers nothing instead of ending the test (Xlib's default handler exits).
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  auto sleepUntil = [](const std::function<bool()>& done) {
    for (int i = 0; i < 500; ++i) {
      if (done()) return true;
      usleep(10000);
    }
    return done();
  };
  Window window = 0;
  ASSERT_TRUE(sleepUntil([&] {
    for (Window w : lumetra::testlib::clientWindows(viewer)) {
      char* name = nullptr;
      XWindowAttributes attrs;
      if (XFetchName(viewer, w, &name) && name != nullptr && std::string(name) == "Layer demo" &&
          XGetWindowAttributes(viewer, w, &attrs) && attrs.map_state == IsViewable) {
        window = w;
      }
      if (name != nullptr) XFree(name);
    }
    return window != 0;
  })) << "window_demo showed no window";
  // A screenshot of the demo for people to look at: window_demo.png in the test's folder.
  XWindowAttributes attrs;
  XGetWindowAttributes(viewer, window, &attrs);
  sleepUntil([&] {  // the demo has painted once its text field shows white
    XImage* probe = XGetImage(viewer, window, attrs.width / 2, 20, 1, 1, AllPlanes, ZPixmap);
    bool white = probe != nullptr && (XGetPixel(probe, 0, 0) & 0xFFFFFF) == 0xFFFFFF;
    if (probe != nullptr) XDestroyImage(probe);
    return white;
  });
  if (XImage* shot = XGetImage(viewer, window, 0, 0, static_cast<unsigned>(attrs.width),
                               static_cast<unsigned>(attrs.height), AllPlanes, ZPixmap)) {
    std::vector<uint32_t> pixels;
    for (int row = 0; row < attrs.height; ++row) {
      for (int col = 0; col < attrs.width; ++col)
        pixels.push_back(0xFF000000u | (XGetPixel(shot, col, row) & 0xFFFFFF));
    }
    winapi::HeadlessDriver::savePng(pixels.data(), attrs.width, attrs.height, false, "window_demo.png");
    XDestroyImage(shot);
  }
  // A window manager places a window it was not told where to put once it is shown: the drop
  // waits until the window has stayed in one place for a while.
  int x = -1, y = -1, same = 0;
  Window child;
  sleepUntil([&] {
    int nowX = 0, nowY = 0;
    XTranslateCoordinates(viewer, window, DefaultRootWindow(viewer), 50, 50, &nowX, &nowY, &child);
    same = nowX == x && nowY == y ? same + 1 : 0;
    x = nowX;
    y = nowY;
    return same >= 30;
  });
  XdndSource source{viewer, sleepUntil};
  ASSERT_TRUE(source.drop(window, x, y, kUris));
  std::string printed;
  ASSERT_TRUE(sleepUntil([&] {
    printed += demo.readOutput();
    return std::count(printed.begin(), printed.end(), '\n') >= 2;
  }));
  EXPECT_EQ(printed, "Z:\\home\\ann\\My Music\\a.mp3\nZ:\\tmp\\\xc3\x84.wav\n");
  XEvent closing{};
  closing.xclient.type = ClientMessage;
  closing.xclient.window = window;
  closing.xclient.message_type = XInternAtom(viewer, "WM_PROTOCOLS", False);
  closing.xclient.format = 32;
  closing.xclient.data.l[0] = static_cast<long>(XInternAtom(viewer, "WM_DELETE_WINDOW", False));
  XSendEvent(viewer, window, False, NoEventMask, &closing);
  XFlush(viewer);
  EXPECT_TRUE(demo.wait(5000)) << "window_demo did not end";
  EXPECT_EQ(demo.exitCode(), 0);
  XCloseDisplay(viewer);
}

}  // namespace

TEST_F(X11, TrayIconsDockWithATrayManagerAndPostTheirClicks) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = top;
  data.uID = 1;
  data.uFlags = NIF_MESSAGE | NIF_TIP;
  data.uCallbackMessage = WM_USER + 2;
  data.szTip[0] = u'T';
  // An icon needs a tray manager: none runs on a bare server, while some window managers (jwm)
  // keep a tray of their own.
  const Atom selection = XInternAtom(viewer, "_NET_SYSTEM_TRAY_S0", False);
  const bool managersTray = XGetSelectionOwner(viewer, selection) != None;
  EXPECT_EQ(Shell_NotifyIconW(NIM_ADD, &data) != FALSE, managersTray) << "a tray manager runs: " << managersTray;
  if (managersTray) {
    EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
  }

  // The viewer plays the tray manager: it owns the selection and takes dock requests.
  Window manager = XCreateSimpleWindow(viewer, DefaultRootWindow(viewer), 0, 0, 10, 10, 0, 0, 0);
  XSetSelectionOwner(viewer, selection, manager, CurrentTime);
  XSync(viewer, False);
  ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));

  Atom opcode = XInternAtom(viewer, "_NET_SYSTEM_TRAY_OPCODE", False);
  Window icon = 0;
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (icon == 0 && std::chrono::steady_clock::now() < end) {
    while (XPending(viewer) > 0) {
      XEvent e;
      XNextEvent(viewer, &e);
      if (e.type == ClientMessage && e.xclient.message_type == opcode && e.xclient.data.l[1] == 0) {
        icon = static_cast<Window>(e.xclient.data.l[2]);
      }
    }
    Sleep(5);
  }
  ASSERT_NE(icon, 0u) << "no dock request reached the tray manager";
  EXPECT_FALSE(property(icon, "_XEMBED_INFO", XInternAtom(viewer, "_XEMBED_INFO", False)).empty());
  EXPECT_EQ(property(icon, "_NET_WM_NAME", XInternAtom(viewer, "UTF8_STRING", False)), "T");

  // A click on the icon window arrives as the callback message.
  XEvent click{};
  click.xbutton.type = ButtonPress;
  click.xbutton.window = icon;
  click.xbutton.button = Button1;
  click.xbutton.same_screen = True;
  XSendEvent(viewer, icon, False, ButtonPressMask, &click);
  XFlush(viewer);
  EXPECT_TRUE(pumpUntil([&] {
    return std::any_of(g_events.begin(), g_events.end(), [](const Event& e) {
      return e.message == WM_USER + 2 && e.wParam == 1 && e.lParam == WM_LBUTTONDOWN;
    });
  }));
  EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
  XDestroyWindow(viewer, manager);
  XSync(viewer, False);
}

TEST_F(X11, AHotKeyHeldByAnotherClientIsRefused) {
  KeyCode k = XKeysymToKeycode(viewer, XK_k);
  XGrabKey(viewer, k, ControlMask, DefaultRootWindow(viewer), False, GrabModeAsync, GrabModeAsync);
  XSync(viewer, False);
  SetLastError(0);
  EXPECT_FALSE(RegisterHotKey(top, 1, MOD_CONTROL, 'K'));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HOTKEY_ALREADY_REGISTERED));
  XUngrabKey(viewer, k, ControlMask, DefaultRootWindow(viewer));
  XSync(viewer, False);
  EXPECT_TRUE(RegisterHotKey(top, 1, MOD_CONTROL, 'K')) << "a key the other client let go can be grabbed";
  EXPECT_TRUE(UnregisterHotKey(top, 1));
}

namespace {

// Screen capture: a window of four coloured quadrants read back exactly through the screen's DC.
LRESULT CALLBACK quadrantProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    const COLORREF colours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)};
    for (int i = 0; i < 4; ++i) {
      RECT q{(i % 2) * 60, (i / 2) * 40, (i % 2) * 60 + 60, (i / 2) * 40 + 40};
      HBRUSH brush = CreateSolidBrush(colours[i]);
      FillRect(dc, &q, brush);
      DeleteObject(brush);
    }
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The screen rectangle through GetDC(NULL) and BitBlt into a top-down 32-bit DIB section.
std::vector<uint32_t> blitFromScreen(int x, int y, int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::vector<uint32_t> out;
  if (bitmap == nullptr) return out;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, x, y, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  const auto* p = static_cast<const uint32_t*>(bits);
  out.assign(p, p + static_cast<size_t>(width) * height);
  DeleteObject(bitmap);
  return out;
}

TEST(X11Capture, AWindowOfFourQuadrantsIsCapturedExactly) {
  if (!Xvfb::running()) GTEST_SKIP() << Xvfb::skipReason();
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = quadrantProc;
  wc.lpszClassName = u"X11Quadrants";
  RegisterClassExW(&wc);
  HWND hwnd = CreateWindowExW(0, u"X11Quadrants", u"Quadrants", WS_POPUP | WS_VISIBLE, 300, 200, 120, 80, nullptr,
                              nullptr, nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);
  const uint32_t want[] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u};
  std::vector<uint32_t> shot;
  auto exact = [&] {
    shot = blitFromScreen(300, 200, 120, 80);
    if (shot.size() != 120u * 80u) return false;
    for (int y = 0; y < 80; ++y) {
      for (int x = 0; x < 120; ++x) {
        if (shot[static_cast<size_t>(y) * 120 + x] != want[(y / 40) * 2 + x / 60]) return false;
      }
    }
    return true;
  };
  EXPECT_TRUE(pumpUntil(exact)) << std::hex << (shot.empty() ? 0u : shot.front());
  // Past the root window's edge the screen is black.
  std::vector<uint32_t> edge = blitFromScreen(1020, 0, 8, 1);
  ASSERT_EQ(edge.size(), 8u);
  EXPECT_EQ(edge[7], 0xFF000000u);
  DestroyWindow(hwnd);
}

TEST(X11Capture, TheProbeWritesACaptureOfTheScreen) {
  if (!Xvfb::running()) GTEST_SKIP() << Xvfb::skipReason();
  // A folder of its own: the same case runs at once under other window managers.
  const lumetra::testlib::TempDir dir;
  const std::string capture = dir.file("capture.png").string();
  lumetra::testlib::RunResult result = lumetra::testlib::run(
      {lumetra::testlib::besideSelf("platform_probe").string(), "capture", "0", "0", "64", "48", capture});
  EXPECT_EQ(result.exitCode, 0) << result.output;
  std::ifstream png(capture, std::ios::binary);
  unsigned char head[24] = {};
  png.read(reinterpret_cast<char*>(head), sizeof head);
  ASSERT_TRUE(png) << "no capture.png";
  EXPECT_EQ(head[1], 'P');
  EXPECT_EQ((head[16] << 24 | head[17] << 16 | head[18] << 8 | head[19]), 64) << "IHDR width";
  EXPECT_EQ((head[20] << 24 | head[21] << 16 | head[22] << 8 | head[23]), 48) << "IHDR height";
}

namespace {

std::vector<SIZE> g_sizes;  // the client sizes of WM_SIZE, in order

LRESULT CALLBACK framedProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SIZE) g_sizes.push_back(SIZE{LOWORD(lParam), HIWORD(lParam)});
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The rectangle a window covers with its manager's frame (X border included).
RECT framePlace(Display* viewer, Window w) {
  Window frame = lumetra::testlib::frameOf(viewer, w), root;
  int x = 0, y = 0;
  unsigned width = 0, height = 0, border = 0, depth = 0;
  if (frame == 0 || !XGetGeometry(viewer, frame, &root, &x, &y, &width, &height, &border, &depth)) return RECT{};
  return RECT{x, y, x + static_cast<LONG>(width + 2 * border), y + static_cast<LONG>(height + 2 * border)};
}

Window clientNamed(Display* viewer, const char* title) {
  Window found = 0;
  for (Window w : lumetra::testlib::clientWindows(viewer)) {
    char* name = nullptr;
    if (XFetchName(viewer, w, &name) && name != nullptr && std::string(name) == title) found = w;
    if (name != nullptr) XFree(name);
  }
  return found;
}

}  // namespace

// A framed window, with or without a window manager: its frame covers the window rectangle the
// program asked for, nobody moves it, a new size comes in one step at the same corner, an empty
// window stays off the screen, and one shown mostly outside the work area comes back inside.
TEST(X11Frames, AFramedWindowCoversItsRectangleStaysPutAndTakesANewSizeInOneStep) {
  if (!Xvfb::running()) GTEST_SKIP() << Xvfb::skipReason();
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = framedProc;
  wc.lpszClassName = u"X11Framed";
  RegisterClassExW(&wc);
  Display* viewer = XOpenDisplay(nullptr);
  ASSERT_NE(viewer, nullptr);
  HWND empty = CreateWindowExW(WS_EX_TOOLWINDOW, u"X11Framed", u"Empty test", WS_POPUP | WS_VISIBLE, 0, 0, 0, 0,
                               nullptr, nullptr, nullptr, nullptr);
  HWND top = CreateWindowExW(0, u"X11Framed", u"Framed test", WS_OVERLAPPEDWINDOW, 120, 90, 300, 200, nullptr, nullptr,
                             nullptr, nullptr);
  ASSERT_NE(top, nullptr);
  ShowWindow(top, SW_SHOW);
  Window native = 0;
  ASSERT_TRUE(pumpUntil([&] {
    native = clientNamed(viewer, "Framed test");
    XWindowAttributes attrs;
    return native != 0 && XGetWindowAttributes(viewer, native, &attrs) && attrs.map_state == IsViewable;
  })) << "no framed window showed";
  // Settled once the frame has not changed for half a second.
  RECT place{};
  int same = 0;
  pumpUntil([&] {
    RECT now = framePlace(viewer, native);
    same = EqualRect(&now, &place) ? same + 1 : 0;
    place = now;
    return same >= 100;
  });
  EXPECT_EQ(place.left, 120);
  EXPECT_EQ(place.top, 90);
  EXPECT_EQ(place.right - place.left, 300);
  EXPECT_EQ(place.bottom - place.top, 200);
  RECT r{};
  GetWindowRect(top, &r);
  EXPECT_TRUE(EqualRect(&r, &place)) << r.left << "," << r.top << " " << r.right - r.left << "x" << r.bottom - r.top;
  XWindowAttributes attrs;
  ASSERT_TRUE(XGetWindowAttributes(viewer, native, &attrs));
  RECT client{};
  GetClientRect(top, &client);
  EXPECT_EQ(client.right, attrs.width) << "the client area is the X window";
  EXPECT_EQ(client.bottom, attrs.height);
  Window emptyNative = clientNamed(viewer, "Empty test");
  ASSERT_NE(empty, nullptr);
  ASSERT_TRUE(XGetWindowAttributes(viewer, emptyNative, &attrs));
  EXPECT_NE(attrs.map_state, IsViewable) << "an empty window shows as a pixel";

  // A new size: the corner stays, and the program hears of no size but the one it asked for.
  g_sizes.clear();
  XSelectInput(viewer, native, StructureNotifyMask);
  SetWindowPos(top, nullptr, 0, 0, 380, 260, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(pumpUntil([&] {
    RECT now = framePlace(viewer, native);
    return now.right - now.left == 380 && now.bottom - now.top == 260;
  }));
  same = 0;
  pumpUntil([&] {
    RECT now = framePlace(viewer, native);
    same = EqualRect(&now, &place) ? same + 1 : 0;
    place = now;
    return same >= 100;
  });
  EXPECT_EQ(place.left, 120);
  EXPECT_EQ(place.top, 90);
  ASSERT_FALSE(g_sizes.empty());
  for (const SIZE& size : g_sizes) {
    EXPECT_EQ(size.cx, g_sizes.front().cx) << "a size on the way";
    EXPECT_EQ(size.cy, g_sizes.front().cy);
  }
  // Nobody moves it now: no configure event for a second.
  XSync(viewer, False);
  while (XPending(viewer) > 0) {
    XEvent e;
    XNextEvent(viewer, &e);
  }
  pumpUntil([] { return false; }, 1);
  int configured = 0;
  XSync(viewer, False);
  while (XPending(viewer) > 0) {
    XEvent e;
    XNextEvent(viewer, &e);
    configured += e.type == ConfigureNotify ? 1 : 0;
  }
  EXPECT_EQ(configured, 0) << "the window was configured while nothing happened";
  GetWindowRect(top, &r);
  EXPECT_TRUE(EqualRect(&r, &place));

  // Shown 80% left of the screen, it opens inside the work area.
  HWND lost = CreateWindowExW(0, u"X11Framed", u"Lost test", WS_OVERLAPPEDWINDOW, -240, 100, 300, 200, nullptr, nullptr,
                              nullptr, nullptr);
  ShowWindow(lost, SW_SHOWNOACTIVATE);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(lost, &r);
  EXPECT_GE(r.left, work.left);
  EXPECT_LE(r.right, work.right);
  EXPECT_EQ(r.top, 100);
  DestroyWindow(lost);
  DestroyWindow(top);
  DestroyWindow(empty);
  XCloseDisplay(viewer);
}

// RandR 1.5 monitors that the test defines are the layer's monitors, with the desktop's work area
// within each. Defined before the layer's first call, since the driver keeps what it read.
TEST(X11Monitors, RandrMonitorsAreListedWithTheirWorkAreas) {
  if (!Xvfb::running()) GTEST_SKIP() << Xvfb::skipReason();
  Display* viewer = XOpenDisplay(nullptr);
  ASSERT_NE(viewer, nullptr);
  int event = 0, error = 0, major = 0, minor = 0;
  if (!XRRQueryExtension(viewer, &event, &error) || !XRRQueryVersion(viewer, &major, &minor) ||
      (major == 1 && minor < 5)) {
    XCloseDisplay(viewer);
    GTEST_SKIP() << "the X server has no RandR 1.5 monitors";
  }
  Window root = DefaultRootWindow(viewer);
  const struct {
    const char* name;
    int x, y, width, height;
    bool primary;
  } wanted[] = {{"LEFT", 0, 0, 512, 768, false}, {"RIGHT", 512, 0, 512, 768, true}};
  for (const auto& w : wanted) {
    XRRMonitorInfo* m = XRRAllocateMonitor(viewer, 0);
    m->name = XInternAtom(viewer, w.name, False);
    m->primary = w.primary;
    m->x = w.x;
    m->y = w.y;
    m->width = w.width;
    m->height = w.height;
    m->mwidth = w.width / 4;
    m->mheight = w.height / 4;
    XRRSetMonitor(viewer, root, m);
    XRRFreeMonitors(m);
  }
  const long area[4] = {0, 0, 1024, 740};
  XChangeProperty(viewer, root, XInternAtom(viewer, "_NET_WORKAREA", False), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(area), 4);
  XSync(viewer, False);
  int count = 0;
  XRRMonitorInfo* listed = XRRGetMonitors(viewer, root, True, &count);
  if (listed != nullptr) XRRFreeMonitors(listed);
  if (count < 2) {
    XCloseDisplay(viewer);
    GTEST_SKIP() << "the X server did not take the test's monitors";
  }

  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), count);
  RECT leftHalf{10, 10, 100, 100};
  RECT rightHalf{600, 10, 700, 100};
  HMONITOR left = MonitorFromRect(&leftHalf, MONITOR_DEFAULTTONULL);
  HMONITOR right = MonitorFromRect(&rightHalf, MONITOR_DEFAULTTONULL);
  ASSERT_NE(left, nullptr);
  ASSERT_NE(right, nullptr);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetMonitorInfoW(right, &info));
  EXPECT_EQ(info.rcMonitor.left, 512);
  EXPECT_EQ(info.rcMonitor.right, 1024);
  EXPECT_EQ(info.rcWork.bottom, 740);
  EXPECT_EQ(info.rcWork.left, 512) << "the work area lies within its monitor";
  EXPECT_TRUE(info.dwFlags & MONITORINFOF_PRIMARY);
  // The primary monitor is the first one enumerated.
  HMONITOR first = nullptr;
  EnumDisplayMonitors(
      nullptr, nullptr,
      [](HMONITOR m, HDC, LPRECT, LPARAM p) {
        *reinterpret_cast<HMONITOR*>(p) = m;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&first));
  EXPECT_EQ(first, right);
  XCloseDisplay(viewer);
}

}  // namespace
