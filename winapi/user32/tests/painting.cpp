// Invalidation, paint order and clipping of overlapping children, checked on the painted
// pixels of the headless surface.
#include <windows.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"
#include "winapi/testsupport/PaintCheck.h"
#include "winapi/testsupport/Recorder.h"

#include <map>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_painted;
std::map<HWND, std::pair<std::string, COLORREF>> g_looks;

LRESULT CALLBACK paintProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    auto look = g_looks[hwnd];
    g_painted.push_back(look.first);
    RECT r;
    GetClientRect(hwnd, &r);
    HBRUSH brush = CreateSolidBrush(look.second);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    EndPaint(hwnd, &ps);
    return 0;
  }
  if (message == WM_ERASEBKGND) return 1;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND make(const char* name, COLORREF color, DWORD style, HWND parent, int x, int y, int w, int h) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = paintProc;
    wc.lpszClassName = u"PaintTest";
    RegisterClassExW(&wc);
    registered = true;
  }
  HWND hwnd = CreateWindowExW(0, u"PaintTest", u"", style, x, y, w, h, parent, nullptr, nullptr, nullptr);
  g_looks[hwnd] = {name, color};
  return hwnd;
}

// The colour of a client pixel of a window, read from its top-level window's surface.
COLORREF pixelAt(HWND hwnd, int x, int y) {
  HWND top = GetAncestor(hwnd, GA_ROOT);
  winapi::PixelBuffer picture;
  if (!winapi::HeadlessDriver::current()->capture(top, &picture)) return CLR_INVALID;
  POINT p{x, y};
  ClientToScreen(hwnd, &p);
  RECT wr;
  GetWindowRect(top, &wr);
  uint32_t v = picture.row(p.y - wr.top)[p.x - wr.left];
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kGreen = RGB(0, 255, 0);

class Painting : public ::testing::Test {
 protected:
  void SetUp() override {
    g_painted.clear();
    top = make("top", kRed, WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 0, 0, 200, 200);
    // a is made first and so lies above b, which overlaps it.
    a = make("a", kBlue, WS_CHILD | WS_VISIBLE, top, 10, 10, 50, 50);
    b = make("b", kGreen, WS_CHILD | WS_VISIBLE, top, 40, 40, 60, 60);
    pump();
    g_painted.clear();
  }
  void TearDown() override { DestroyWindow(top); }
  HWND top, a, b;
};

TEST_F(Painting, ParentPaintsFirstThenChildrenFromTheBottomUp) {
  InvalidateRect(top, nullptr, TRUE);
  pump();
  EXPECT_EQ(g_painted, (std::vector<std::string>{"top", "b", "a"}));
  EXPECT_EQ(pixelAt(top, 5, 5), kRed);
  EXPECT_EQ(pixelAt(top, 50, 50), kBlue) << "the higher sibling shows where they overlap";
  EXPECT_EQ(pixelAt(top, 80, 80), kGreen);
}

TEST_F(Painting, TheLowerSiblingNeverPaintsOverTheHigherOne) {
  InvalidateRect(b, nullptr, TRUE);
  pump();
  EXPECT_EQ(g_painted, (std::vector<std::string>{"b"}));
  EXPECT_EQ(pixelAt(top, 50, 50), kBlue);
  EXPECT_EQ(pixelAt(top, 65, 65), kGreen);
}

TEST_F(Painting, InvalidatingAPartOfTheParentRepaintsTheChildrenItCovers) {
  RECT part{0, 0, 30, 30};
  InvalidateRect(top, &part, TRUE);
  pump();
  EXPECT_EQ(g_painted, (std::vector<std::string>{"top", "a"}));
}

TEST_F(Painting, AChildThatPaintsBeforeItsWaitingParentPaintsAgainAfterIt) {
  // As when another thread invalidates the parent just as the child takes its WM_PAINT: the
  // parent, painted later, would cover the child for good.
  InvalidateRect(top, nullptr, FALSE);
  UpdateWindow(a);
  pump();
  EXPECT_EQ(g_painted, (std::vector<std::string>{"a", "top", "b", "a"}));
  EXPECT_EQ(pixelAt(top, 20, 20), kBlue);
  EXPECT_EQ(pixelAt(top, 80, 80), kGreen);
}

TEST_F(Painting, AParentThatClipsItsChildrenLeavesThemAlone) {
  SetWindowLongPtrW(top, GWL_STYLE, GetWindowLongPtrW(top, GWL_STYLE) | WS_CLIPCHILDREN);
  InvalidateRect(top, nullptr, TRUE);
  pump();
  EXPECT_EQ(g_painted, (std::vector<std::string>{"top"}));
  EXPECT_EQ(pixelAt(top, 20, 20), kBlue);
}

TEST_F(Painting, ValidatedAreasAreNotPainted) {
  InvalidateRect(a, nullptr, TRUE);
  ValidateRect(a, nullptr);
  pump();
  EXPECT_TRUE(g_painted.empty());
  RECT r;
  EXPECT_FALSE(GetUpdateRect(a, &r, FALSE));
}

TEST_F(Painting, UpdateWindowPaintsAtOnceWithoutTheQueue) {
  InvalidateRect(top, nullptr, FALSE);
  UpdateWindow(top);
  EXPECT_EQ(g_painted, (std::vector<std::string>{"top", "b", "a"}));
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
}

TEST_F(Painting, RedrawSwitchedOffHoldsBackTheWindowAndItsChildrenUntilTheirOwnRepaint) {
  SendMessageW(top, WM_SETREDRAW, FALSE, 0);
  InvalidateRect(top, nullptr, TRUE);
  InvalidateRect(a, nullptr, TRUE);
  UpdateWindow(top);
  pump();
  EXPECT_TRUE(g_painted.empty());
  RECT r;
  EXPECT_FALSE(GetUpdateRect(top, &r, FALSE)) << "invalidations are not kept";
  EXPECT_FALSE(GetUpdateRect(a, &r, FALSE));
  SendMessageW(top, WM_SETREDRAW, TRUE, 0);
  pump();
  EXPECT_TRUE(g_painted.empty()) << "switching it on repaints nothing by itself";
  InvalidateRect(a, nullptr, TRUE);
  pump();
  EXPECT_EQ(g_painted, (std::vector<std::string>{"a"}));
  // A child switched off leaves its parent and siblings painting.
  g_painted.clear();
  SendMessageW(a, WM_SETREDRAW, FALSE, 0);
  InvalidateRect(top, nullptr, TRUE);
  pump();
  EXPECT_EQ(g_painted, (std::vector<std::string>{"top", "b"}));
  SendMessageW(a, WM_SETREDRAW, TRUE, 0);
}

TEST_F(Painting, AnUpdateHeldBackWhileSwitchedOffOrHiddenIsPaintedOnceItCanBe) {
  // The queue has already found nothing to paint when the window becomes paintable again; it
  // must look again all the same.
  InvalidateRect(a, nullptr, FALSE);
  SendMessageW(a, WM_SETREDRAW, FALSE, 0);
  pump();
  EXPECT_TRUE(g_painted.empty());
  SendMessageW(a, WM_SETREDRAW, TRUE, 0);
  pump();
  EXPECT_EQ(g_painted, (std::vector<std::string>{"a"}));

  g_painted.clear();
  InvalidateRect(b, nullptr, FALSE);
  SetWindowLongPtrW(b, GWL_STYLE, GetWindowLongPtrW(b, GWL_STYLE) & ~WS_VISIBLE);
  pump();
  EXPECT_TRUE(g_painted.empty());
  SetWindowLongPtrW(b, GWL_STYLE, GetWindowLongPtrW(b, GWL_STYLE) | WS_VISIBLE);
  pump();
  EXPECT_EQ(g_painted, (std::vector<std::string>{"b"}));
}

TEST_F(Painting, HidingAChildUncoversTheParent) {
  ShowWindow(a, SW_HIDE);
  pump();
  EXPECT_EQ(pixelAt(top, 20, 20), kRed);
  EXPECT_EQ(pixelAt(top, 50, 50), kGreen);
}

TEST_F(Painting, AWindowRegionLimitsPaintingAndHitTesting) {
  HRGN round = CreateEllipticRgn(0, 0, 50, 50);
  SetWindowRgn(a, round, TRUE);
  pump();
  EXPECT_EQ(pixelAt(top, 11, 11), kRed) << "the corner outside the ellipse shows the parent";
  EXPECT_EQ(pixelAt(top, 35, 35), kBlue);
  POINT corner{11, 11};
  ClientToScreen(top, &corner);
  EXPECT_EQ(WindowFromPoint(corner), top);
}

TEST_F(Painting, WindowDcIsClippedToTheVisiblePart) {
  HDC dc = GetDC(b);
  RECT all{0, 0, 60, 60};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(b, dc);
  EXPECT_EQ(pixelAt(top, 50, 50), kBlue) << "a DC of the lower window painted over the higher one";
  EXPECT_EQ(pixelAt(top, 80, 80), RGB(0, 0, 0));
}

TEST_F(Painting, TheSurfaceHashOfTheWindowStaysTheSame) {
  winapi::PixelBuffer picture;
  ASSERT_TRUE(winapi::HeadlessDriver::current()->capture(top, &picture));
  EXPECT_TRUE(matchesGolden(pixelHash(picture.row0, picture.stride, picture.width, picture.height),
                            0xa6e5a714dc415c3cull, "painting-children", [&](const std::string& path) {
                              return winapi::HeadlessDriver::current()->dumpFrame(top, path.c_str());
                            }));
}

}  // namespace
