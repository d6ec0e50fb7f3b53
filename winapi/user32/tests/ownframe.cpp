// Windows that frame themselves: no window-manager decoration once the window leaves itself no
// non-client area, the layer's own move-or-size loop when no window manager moves windows
// (driven by steps run from a timer inside the loop), and the cut corners of a shaped window
// in the headless capture.
#include <windows.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"

#include <functional>
#include <vector>

using winapi::HeadlessDriver;

namespace {

constexpr UINT_PTR kStepTimer = 77;
constexpr UINT kStep = 10;
constexpr int kBorder = 5;

struct Seen {
  UINT message;
  WPARAM wParam;
  RECT rect;
};

std::vector<Seen> g_seen;
std::vector<std::function<void()>> g_steps;
size_t g_next = 0;
bool g_ownFrame = true;
int g_minimumWidth = 0;  // WM_SIZING keeps the window at least this wide
int g_appMessages = 0;

LRESULT CALLBACK frameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCALCSIZE:
      if (g_ownFrame && wParam == TRUE) return 0;
      break;
    case WM_NCHITTEST: {
      if (!g_ownFrame) break;
      RECT r;
      GetWindowRect(hwnd, &r);
      const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
      const bool right = x >= r.right - kBorder, bottom = y >= r.bottom - kBorder;
      if (right && bottom) return HTBOTTOMRIGHT;
      if (right) return HTRIGHT;
      if (x < r.left + kBorder) return HTLEFT;
      return HTCAPTION;
    }
    case WM_ENTERSIZEMOVE:
    case WM_EXITSIZEMOVE: g_seen.push_back(Seen{message, wParam, {}}); return 0;
    case WM_MOVING:
    case WM_SIZING: {
      RECT* r = reinterpret_cast<RECT*>(lParam);
      if (message == WM_SIZING && r->right - r->left < g_minimumWidth) {
        if (wParam == WMSZ_LEFT) {
          r->left = r->right - g_minimumWidth;
        } else {
          r->right = r->left + g_minimumWidth;
        }
      }
      g_seen.push_back(Seen{message, wParam, *r});
      return TRUE;
    }
    case WM_APP: ++g_appMessages; return 0;
    case WM_TIMER:
      if (wParam != kStepTimer) break;
      KillTimer(hwnd, kStepTimer);
      if (g_next >= g_steps.size()) {
        // Whatever a test forgot to end, no test hangs in the loop.
        HeadlessDriver::current()->releaseButton(WM_LBUTTONUP);
        return 0;
      }
      g_steps[g_next++]();
      SetTimer(hwnd, kStepTimer, kStep, nullptr);
      HeadlessDriver::current()->advanceClock(kStep);
      return 0;
    default: break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

class OwnFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    driver = HeadlessDriver::current();
    ASSERT_NE(driver, nullptr);
    driver->setClock(5000);
    static bool registered = false;
    if (!registered) {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = frameProc;
      wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
      wc.lpszClassName = u"OwnFrameTest";
      RegisterClassExW(&wc);
      registered = true;
    }
    g_seen.clear();
    g_steps.clear();
    g_next = 0;
    g_ownFrame = true;
    g_minimumWidth = 0;
    g_appMessages = 0;
  }
  void TearDown() override {
    if (window != nullptr) DestroyWindow(window);
    drain();
  }
  HWND make(DWORD style) {
    window = CreateWindowExW(0, u"OwnFrameTest", u"frame", style | WS_VISIBLE, 100, 100, 300, 200, nullptr, nullptr,
                             nullptr, nullptr);
    SetActiveWindow(window);
    drain();
    return window;
  }
  static void drain() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  winapi::WindowHints hints() {
    HeadlessDriver::NativeState state;
    EXPECT_TRUE(driver->nativeState(window, &state));
    return state.hints;
  }
  /// Presses the left button at (x, y) and runs the steps inside whatever loop the press starts.
  void pressAndRun(int x, int y, std::vector<std::function<void()>> steps) {
    g_steps = std::move(steps);
    g_next = 0;
    SetTimer(window, kStepTimer, kStep, nullptr);
    driver->moveMouse(x, y);
    driver->pressButton(WM_LBUTTONDOWN);
    driver->advanceClock(kStep);
    drain();
    KillTimer(window, kStepTimer);
    drain();
  }
  RECT bounds() const {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
  }
  std::vector<UINT> messages() const {
    std::vector<UINT> m;
    for (const Seen& s : g_seen) m.push_back(s.message);
    return m;
  }

  HeadlessDriver* driver = nullptr;
  HWND window = nullptr;
};

TEST_F(OwnFrame, ASelfFramedWindowIsUndecoratedEvenWhenItMayBeSized) {
  make(WS_POPUP | WS_THICKFRAME | WS_CAPTION);
  RECT outer = bounds(), inner{};
  GetClientRect(window, &inner);
  EXPECT_EQ(inner.right, outer.right - outer.left) << "window and client rectangles are equal";
  EXPECT_EQ(inner.bottom, outer.bottom - outer.top);
  EXPECT_FALSE(hints().decorated);
  EXPECT_TRUE(hints().resizable) << "WS_THICKFRAME still says the window may be sized";

  // Handing the frame back to the system decorates it again.
  g_ownFrame = false;
  SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  EXPECT_TRUE(hints().decorated);
  GetClientRect(window, &inner);
  EXPECT_LT(inner.right, 300);
}

TEST_F(OwnFrame, SystemFramedWindowsKeepTheirDecoration) {
  g_ownFrame = false;
  make(WS_OVERLAPPEDWINDOW);
  EXPECT_TRUE(hints().decorated);
  DestroyWindow(window);
  make(WS_POPUP);
  EXPECT_FALSE(hints().decorated) << "a plain popup never had a frame";
}

TEST_F(OwnFrame, DraggingTheCaptionMovesTheWindowInTheLayersOwnLoop) {
  make(WS_POPUP | WS_THICKFRAME);
  pressAndRun(150, 150,
              {[this] { driver->moveMouse(170, 160); },
               [this] {
                 PostMessageW(window, WM_APP, 0, 0);
                 driver->moveMouse(200, 190);
               },
               [this] { driver->releaseButton(WM_LBUTTONUP); }});
  EXPECT_EQ(messages(), (std::vector<UINT>{WM_ENTERSIZEMOVE, WM_MOVING, WM_MOVING, WM_EXITSIZEMOVE}));
  ASSERT_EQ(g_seen.size(), 4u);
  EXPECT_EQ(g_seen[1].rect.left, 120);
  EXPECT_EQ(g_seen[1].rect.top, 110);
  EXPECT_EQ(g_seen[2].rect.right - g_seen[2].rect.left, 300) << "a move keeps the size";
  const RECT r = bounds();
  EXPECT_EQ(r.left, 150);
  EXPECT_EQ(r.top, 140);
  EXPECT_EQ(r.right, 450);
  EXPECT_EQ(g_appMessages, 1) << "the loop dispatches the thread's other messages";
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(OwnFrame, EscapePutsTheWindowBack) {
  make(WS_POPUP | WS_THICKFRAME);
  pressAndRun(150, 150,
              {[this] { driver->moveMouse(260, 250); },
               [this] {
                 EXPECT_EQ(bounds().left, 210);
                 driver->key(VK_ESCAPE, true);
               },
               [this] { driver->key(VK_ESCAPE, false); }, [this] { driver->releaseButton(WM_LBUTTONUP); }});
  EXPECT_EQ(messages().back(), static_cast<UINT>(WM_EXITSIZEMOVE));
  const RECT r = bounds();
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 100);
}

TEST_F(OwnFrame, BorderCodesSizeThroughWmSizingWhichMayChangeTheRectangle) {
  make(WS_POPUP | WS_THICKFRAME);
  g_minimumWidth = 200;
  // The right border at x 398: dragged 40 out, then 200 in, below the window's minimum.
  pressAndRun(398, 200,
              {[this] { driver->moveMouse(438, 260); }, [this] { driver->moveMouse(198, 260); },
               [this] { driver->releaseButton(WM_LBUTTONUP); }});
  EXPECT_EQ(messages(), (std::vector<UINT>{WM_ENTERSIZEMOVE, WM_SIZING, WM_SIZING, WM_EXITSIZEMOVE}));
  ASSERT_EQ(g_seen.size(), 4u);
  EXPECT_EQ(g_seen[1].wParam, static_cast<WPARAM>(WMSZ_RIGHT));
  EXPECT_EQ(g_seen[1].rect.right, 440);
  EXPECT_EQ(g_seen[1].rect.bottom, 300) << "a side border leaves the other direction alone";
  RECT r = bounds();
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.right, 300) << "the window kept its minimum";

  g_seen.clear();
  pressAndRun(r.right - 1, r.bottom - 1,
              {[this] { driver->moveMouse(330, 320); }, [this] { driver->releaseButton(WM_LBUTTONUP); }});
  ASSERT_EQ(g_seen.size(), 3u);
  EXPECT_EQ(g_seen[1].wParam, static_cast<WPARAM>(WMSZ_BOTTOMRIGHT));
  r = bounds();
  EXPECT_EQ(r.right, 331);
  EXPECT_EQ(r.bottom, 321);
}

TEST_F(OwnFrame, APressWithTheButtonAlreadyUpStartsNoLoop) {
  make(WS_POPUP | WS_THICKFRAME);
  driver->moveMouse(150, 150);
  driver->click(150, 150);
  drain();
  EXPECT_TRUE(g_seen.empty());
  EXPECT_EQ(bounds().left, 100);
}

TEST_F(OwnFrame, TheCaptureLeavesPixelsOutsideTheRegionTransparent) {
  make(WS_POPUP);
  UpdateWindow(window);
  winapi::PixelBuffer plain;
  ASSERT_TRUE(driver->capture(window, &plain));
  ASSERT_EQ(plain.width, 300);
  EXPECT_NE(plain.row(0)[0] >> 24, 0u);
  SetWindowRgn(window, CreateRoundRectRgn(0, 0, 301, 201, 11, 11), TRUE);
  UpdateWindow(window);
  winapi::PixelBuffer shaped;
  ASSERT_TRUE(driver->capture(window, &shaped));
  EXPECT_EQ(shaped.row(0)[0], 0u) << "the cut corner";
  EXPECT_EQ(shaped.row(199)[299], 0u);
  EXPECT_EQ(shaped.row(100)[150], plain.row(100)[150]) << "inside, the window's own pixels";
  EXPECT_EQ(shaped.row(0)[150], plain.row(0)[150]);
  SetWindowRgn(window, nullptr, TRUE);
  winapi::PixelBuffer whole;
  ASSERT_TRUE(driver->capture(window, &whole));
  EXPECT_EQ(whole.row(0)[0], plain.row(0)[0]) << "without a region the whole surface shows";
}

}  // namespace
