// Input through the headless driver: hit testing with HTTRANSPARENT, disabled windows, capture,
// double clicks, keys and characters, Tab navigation, file drops, and window geometry.
#include <windows.h>

#include <gtest/gtest.h>

#include "winapi/testsupport/Recorder.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <string>
#include <vector>

namespace {

struct Click {
  HWND hwnd;
  UINT message;
  POINT point;
};
std::vector<Click> g_clicks;
std::vector<std::u16string> g_dropped;
POINT g_dropPoint{};
HWND g_transparent = nullptr;

LRESULT CALLBACK inputProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Recorder::instance().record(hwnd, message, wParam);
  switch (message) {
    case WM_NCHITTEST:
      if (hwnd == g_transparent) return HTTRANSPARENT;
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEMOVE:
      g_clicks.push_back(Click{hwnd, message, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}});
      return 0;
    case WM_DROPFILES: {
      HDROP drop = reinterpret_cast<HDROP>(wParam);
      UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
      g_dropped.clear();
      for (UINT i = 0; i < count; ++i) {
        WCHAR name[261];
        DragQueryFileW(drop, i, name, 261);
        g_dropped.push_back(name);
      }
      DragQueryPoint(drop, &g_dropPoint);
      DragFinish(drop);
      return 0;
    }
    default: break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND make(DWORD style, HWND parent, int x, int y, int w, int h, DWORD exStyle = 0) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = inputProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = u"InputTest";
    RegisterClassExW(&wc);
    registered = true;
  }
  return CreateWindowExW(exStyle, u"InputTest", u"", style, x, y, w, h, parent, nullptr, nullptr, nullptr);
}

POINT screenOf(HWND hwnd, int x, int y) {
  POINT p{x, y};
  ClientToScreen(hwnd, &p);
  return p;
}

winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }

class Input : public ::testing::Test {
 protected:
  void SetUp() override {
    g_clicks.clear();
    top = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 100, 100, 400, 300);
    pump();
  }
  void TearDown() override {
    DestroyWindow(top);
    g_transparent = nullptr;
  }
  void clickAt(POINT p) {
    headless().click(p.x, p.y);
    pump();
  }
  std::vector<Click> downs() {
    std::vector<Click> out;
    for (const Click& c : g_clicks) {
      if (c.message == WM_LBUTTONDOWN) out.push_back(c);
    }
    return out;
  }
  HWND top;
};

TEST_F(Input, AClickReachesTheDeepestChildWithClientCoordinates) {
  HWND child = make(WS_CHILD | WS_VISIBLE, top, 50, 40, 100, 80);
  clickAt(screenOf(child, 7, 9));
  ASSERT_EQ(downs().size(), 1u);
  EXPECT_EQ(downs()[0].hwnd, child);
  EXPECT_EQ(downs()[0].point.x, 7);
  EXPECT_EQ(downs()[0].point.y, 9);
}

TEST_F(Input, HitTestTransparentPassesTheClickToTheWindowBelow) {
  HWND box = make(WS_CHILD | WS_VISIBLE, top, 20, 20, 200, 150);
  HWND button = make(WS_CHILD | WS_VISIBLE, box, 10, 10, 50, 20);
  g_transparent = box;
  clickAt(screenOf(box, 100, 100));
  clickAt(screenOf(button, 5, 5));
  auto d = downs();
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0].hwnd, top) << "the transparent box kept the click";
  POINT expected = screenOf(box, 100, 100);
  ScreenToClient(top, &expected);
  EXPECT_EQ(d[0].point.x, expected.x);
  EXPECT_EQ(d[1].hwnd, button) << "a child of the transparent box gets its own clicks";
}

TEST_F(Input, ADisabledChildLeavesTheClickToItsParent) {
  HWND child = make(WS_CHILD | WS_VISIBLE | WS_DISABLED, top, 10, 10, 50, 50);
  clickAt(screenOf(child, 5, 5));
  ASSERT_EQ(downs().size(), 1u);
  EXPECT_EQ(downs()[0].hwnd, top);
}

TEST_F(Input, CaptureKeepsTheMouseWithTheWindow) {
  HWND child = make(WS_CHILD | WS_VISIBLE, top, 10, 10, 50, 50);
  Recorder::instance().name(child, "child");
  SetCapture(child);
  EXPECT_EQ(GetCapture(), child);
  POINT far = screenOf(top, 300, 200);
  headless().moveMouse(far.x, far.y);
  pump();
  ASSERT_FALSE(g_clicks.empty());
  EXPECT_EQ(g_clicks.back().hwnd, child);
  POINT expected = far;
  ScreenToClient(child, &expected);
  EXPECT_EQ(g_clicks.back().point.x, expected.x);
  Recorder::instance().start();
  ReleaseCapture();
  auto seen = Recorder::instance().stop();
  EXPECT_SEQUENCE(seen, Expected{"child", WM_CAPTURECHANGED});
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Input, TwoQuickClicksMakeADoubleClick) {
  headless().setClock(5000);
  POINT p = screenOf(top, 30, 30);
  headless().click(p.x, p.y);
  headless().advanceClock(100);
  headless().click(p.x, p.y);
  headless().advanceClock(1000);
  headless().click(p.x, p.y);
  pump();
  std::vector<UINT> kinds;
  for (const Click& c : g_clicks) {
    if (c.message != WM_MOUSEMOVE) kinds.push_back(c.message);
  }
  EXPECT_EQ(kinds, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_LBUTTONDOWN,
                                      WM_LBUTTONUP}));
}

namespace {
// What a window dragged by any point unless the right button is held (for its menu) learns of a
// right click: its hit test's view of the button, and the message the click becomes.
struct RightClickSeen {
  std::vector<bool> heldAtHitTest;
  std::vector<UINT> messages;
  std::vector<WPARAM> keys;
};
RightClickSeen g_right;

LRESULT CALLBACK dragAnywhereProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCHITTEST: {
      const bool held = GetAsyncKeyState(VK_RBUTTON) < 0;
      g_right.heldAtHitTest.push_back(held);
      const LRESULT hit = DefWindowProcW(hwnd, message, wParam, lParam);
      return hit == HTCLIENT && !held ? HTCAPTION : hit;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
      g_right.messages.push_back(message);
      g_right.keys.push_back(wParam);
      return 0;
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}
}  // namespace

TEST_F(Input, AClickTakenAfterItsReleaseIsSeenAsItWas) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = dragAnywhereProc;
  wc.lpszClassName = u"DragAnywhere";
  RegisterClassExW(&wc);
  HWND window = CreateWindowExW(0, u"DragAnywhere", u"", WS_POPUP | WS_VISIBLE, 600, 500, 200, 100, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  POINT p = screenOf(window, 50, 50);
  headless().moveMouse(p.x, p.y);
  pump();
  g_right = {};
  // Pressed and released before the window's thread looks: the press is still a press of the
  // client area with the button held; the release, with the button up, falls to the caption.
  headless().pressButton(WM_RBUTTONDOWN);
  headless().releaseButton(WM_RBUTTONUP);
  EXPECT_GE(GetAsyncKeyState(VK_RBUTTON), 0) << "the button is up by now";
  pump();
  ASSERT_EQ(g_right.messages, (std::vector<UINT>{WM_RBUTTONDOWN, WM_NCRBUTTONUP}));
  EXPECT_EQ(g_right.keys, (std::vector<WPARAM>{MK_RBUTTON, HTCAPTION}));
  EXPECT_EQ(g_right.heldAtHitTest, (std::vector<bool>{true, false}));
  EXPECT_GE(GetAsyncKeyState(VK_RBUTTON), 0) << "the event's state ends with its translation";
  DestroyWindow(window);
}

TEST_F(Input, KeysGoToTheFocusAndTypeCharacters) {
  HWND child = make(WS_CHILD | WS_VISIBLE, top, 10, 10, 50, 50);
  Recorder::instance().name(child, "child");
  SetFocus(child);
  pump();
  Recorder::instance().start();
  headless().type(u"a");
  pump();
  auto seen = Recorder::instance().stop();
  EXPECT_SEQUENCE(seen, Expected{"child", WM_KEYDOWN, kCheckWParam, 'A'},
                  Expected{"child", WM_CHAR, kCheckWParam, u'a'}, Expected{"child", WM_KEYUP, kCheckWParam, 'A'});
}

TEST_F(Input, ShiftStateIsSeenByGetAsyncKeyState) {
  headless().key(VK_LSHIFT, true);
  EXPECT_LT(GetAsyncKeyState(VK_LSHIFT), 0);
  EXPECT_LT(GetAsyncKeyState(VK_SHIFT), 0);
  headless().key(VK_LSHIFT, false);
  EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), 0);
  pump();
}

TEST_F(Input, TabMovesTheFocusOverTabStopsIntoControlParents) {
  HWND first = make(WS_CHILD | WS_VISIBLE | WS_TABSTOP, top, 0, 0, 10, 10);
  make(WS_CHILD | WS_VISIBLE, top, 0, 20, 10, 10);  // no tab stop
  HWND group = make(WS_CHILD | WS_VISIBLE, top, 0, 40, 100, 100, WS_EX_CONTROLPARENT);
  HWND inner = make(WS_CHILD | WS_VISIBLE | WS_TABSTOP, group, 0, 0, 10, 10);
  make(WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_DISABLED, group, 0, 20, 10, 10);
  HWND last = make(WS_CHILD | WS_VISIBLE | WS_TABSTOP, top, 0, 150, 10, 10);
  SetFocus(first);
  auto tab = [&] {
    MSG msg{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, POINT{0, 0}};
    EXPECT_TRUE(IsDialogMessageW(top, &msg));
    return GetFocus();
  };
  EXPECT_EQ(tab(), inner);
  EXPECT_EQ(tab(), last);
  EXPECT_EQ(tab(), first);
  headless().key(VK_LSHIFT, true);
  EXPECT_EQ(tab(), last);
  headless().key(VK_LSHIFT, false);
  pump();
  EXPECT_EQ(GetNextDlgTabItem(top, inner, TRUE), first);
}

TEST_F(Input, AWindowThatWantsAllKeysKeepsTab) {
  // The default answer to WM_GETDLGCODE is 0; a window asking for all keys keeps Tab.
  HWND a = make(WS_CHILD | WS_VISIBLE | WS_TABSTOP, top, 0, 0, 10, 10);
  make(WS_CHILD | WS_VISIBLE | WS_TABSTOP, top, 0, 20, 10, 10);
  SetFocus(a);
  MSG other{top, WM_KEYDOWN, VK_TAB, 0, 0, POINT{0, 0}};
  HWND outside = make(WS_OVERLAPPEDWINDOW, nullptr, 0, 0, 10, 10);
  other.hwnd = outside;
  EXPECT_FALSE(IsDialogMessageW(top, &other)) << "a message of another window tree is not the dialog's";
  DestroyWindow(outside);
}

TEST_F(Input, DroppedFilesReachTheWindowThatAcceptsThem) {
  HWND zone = make(WS_CHILD | WS_VISIBLE, top, 20, 20, 200, 100);
  HWND inside = make(WS_CHILD | WS_VISIBLE, zone, 10, 10, 30, 30);
  DragAcceptFiles(zone, TRUE);
  winapi::HeadlessDriver::NativeState state;
  ASSERT_TRUE(headless().nativeState(top, &state));
  EXPECT_TRUE(state.acceptsDrops);
  std::u16string longName(300, u'x');
  POINT p = screenOf(inside, 5, 5);
  ASSERT_TRUE(headless().dropFiles(p.x, p.y, {u"Z:\\music\\a.mp3", u"Z:\\music\\folder", longName}));
  pump();
  ASSERT_EQ(g_dropped.size(), 3u);
  EXPECT_EQ(g_dropped[0], u"Z:\\music\\a.mp3");
  EXPECT_EQ(g_dropped[1], u"Z:\\music\\folder");
  EXPECT_EQ(g_dropped[2], longName.substr(0, 260)) << "a long name arrives cut to the buffer";
  POINT expected = p;
  ScreenToClient(zone, &expected);
  EXPECT_EQ(g_dropPoint.x, expected.x);
  EXPECT_EQ(g_dropPoint.y, expected.y);
}

TEST_F(Input, DropsOnWindowsThatRefuseFilesAreIgnored) {
  g_dropped = {u"untouched"};
  POINT p = screenOf(top, 10, 10);
  headless().dropFiles(p.x, p.y, {u"Z:\\a.wav"});
  pump();
  EXPECT_EQ(g_dropped, std::vector<std::u16string>{u"untouched"});
  // An empty drop still arrives.
  DragAcceptFiles(top, TRUE);
  headless().dropFiles(p.x, p.y, {});
  pump();
  EXPECT_TRUE(g_dropped.empty());
}

TEST_F(Input, ClientAreaGeometryFollowsTheFrame) {
  RECT wr, cr;
  GetWindowRect(top, &wr);
  GetClientRect(top, &cr);
  RECT adjusted = cr;
  AdjustWindowRectEx(&adjusted, WS_OVERLAPPEDWINDOW, FALSE, 0);
  EXPECT_EQ(adjusted.right - adjusted.left, wr.right - wr.left);
  EXPECT_EQ(adjusted.bottom - adjusted.top, wr.bottom - wr.top);
  HWND edged = make(WS_CHILD | WS_VISIBLE, top, 10, 20, 100, 50, WS_EX_CLIENTEDGE);
  GetClientRect(edged, &cr);
  EXPECT_EQ(cr.right, 96);
  EXPECT_EQ(cr.bottom, 46);
  POINT p{0, 0};
  MapWindowPoints(edged, top, &p, 1);
  EXPECT_EQ(p.x, 12);
  EXPECT_EQ(p.y, 22);
  POINT screen = screenOf(edged, 1, 1);
  EXPECT_EQ(WindowFromPoint(screen), edged);
  EXPECT_EQ(ChildWindowFromPoint(top, POINT{15, 25}), edged);
}

TEST_F(Input, MonitorsAndTheWorkAreaComeFromTheDriver) {
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1080);
  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 1);
  HMONITOR m = MonitorFromWindow(top, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info{sizeof(MONITORINFO), {}, {}, 0};
  ASSERT_TRUE(GetMonitorInfoW(m, &info));
  EXPECT_EQ(info.rcMonitor.right, 1920);
  EXPECT_TRUE(info.dwFlags & MONITORINFOF_PRIMARY);
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_TRUE(EqualRect(&work, &info.rcWork));
  RECT off{5000, 5000, 5100, 5100};
  EXPECT_EQ(MonitorFromRect(&off, MONITOR_DEFAULTTONULL), nullptr);
  EXPECT_EQ(MonitorFromRect(&off, MONITOR_DEFAULTTONEAREST), m);
}

TEST_F(Input, ASecondMonitorWidensTheVirtualScreen) {
  auto previous = headless().monitors();
  headless().setMonitors({winapi::Monitor{RECT{0, 0, 1920, 1080}, RECT{0, 0, 1920, 1040}, true},
                          winapi::Monitor{RECT{-1280, 0, 0, 1024}, RECT{-1280, 0, 0, 1024}, false}});
  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
  EXPECT_EQ(GetSystemMetrics(SM_XVIRTUALSCREEN), -1280);
  EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 3200);
  EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 1080);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920) << "the screen metrics are the primary monitor's";
  HMONITOR left = MonitorFromPoint(POINT{-10, 10}, MONITOR_DEFAULTTONULL);
  MONITORINFOEXW info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetMonitorInfoW(left, reinterpret_cast<LPMONITORINFO>(&info)));
  EXPECT_EQ(info.rcMonitor.left, -1280);
  EXPECT_FALSE(info.dwFlags & MONITORINFOF_PRIMARY);
  EXPECT_EQ(std::u16string(info.szDevice), u"\\\\.\\DISPLAY2");
  int count = 0;
  EnumDisplayMonitors(
      nullptr, nullptr,
      [](HMONITOR, HDC, LPRECT, LPARAM p) {
        ++*reinterpret_cast<int*>(p);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  EXPECT_EQ(count, 2);
  headless().setMonitors(previous);
}

}  // namespace
