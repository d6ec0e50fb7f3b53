// The common controls: the progress class appears with InitCommonControlsEx, its PBM_* answers,
// clamping and starting over, 16-bit against 32-bit ranges, repaints only when the drawn bar
// changes, and the pixels of its looks.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "winapi/testsupport/PaintCheck.h"
#include "winapi/testsupport/Recorder.h"

namespace {

// Runs first in this executable (CTest runs each case on its own, so every process starts with
// the classes not yet initialised).
TEST(CommonControls, TheProgressClassExistsOnlyOnceInitialised) {
  WNDCLASSEXW info{};
  info.cbSize = sizeof info;
  EXPECT_EQ(GetClassInfoExW(nullptr, PROGRESS_CLASSW, &info), 0);
  INITCOMMONCONTROLSEX bad{sizeof(INITCOMMONCONTROLSEX) + 1, ICC_PROGRESS_CLASS};
  EXPECT_FALSE(InitCommonControlsEx(&bad));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  INITCOMMONCONTROLSEX other{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
  EXPECT_TRUE(InitCommonControlsEx(&other));
  EXPECT_EQ(GetClassInfoExW(nullptr, PROGRESS_CLASSW, &info), 0);
  INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
  EXPECT_TRUE(InitCommonControlsEx(&init));
  EXPECT_NE(GetClassInfoExW(nullptr, u"MSCTLS_PROGRESS32", &info), 0);
}

class Progress : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&init);
    registerRecordingClass();
    top = CreateWindowExW(0, u"Recording", u"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr,
                          nullptr, nullptr);
    bar = make(0);
    pump();
  }
  void TearDown() override { DestroyWindow(top); }
  HWND make(DWORD style, int width = 100, int height = 16) {
    return CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE | style, 10, 10, width, height, top,
                           nullptr, nullptr, nullptr);
  }
  LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageW(bar, message, wParam, lParam);
  }
  // Whether the message left the bar with something to repaint.
  bool invalidates(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    ValidateRect(bar, nullptr);
    send(message, wParam, lParam);
    RECT update;
    return GetUpdateRect(bar, &update, FALSE) != FALSE;
  }
  HWND top = nullptr;
  HWND bar = nullptr;
};

TEST_F(Progress, PositionsAreClampedIntoTheRangeAndAnswerThePreviousOne) {
  EXPECT_EQ(send(PBM_GETRANGE, TRUE), 0);
  EXPECT_EQ(send(PBM_GETRANGE, FALSE), 100);
  EXPECT_EQ(send(PBM_SETPOS, 40), 0);
  EXPECT_EQ(send(PBM_SETPOS, 500), 40);
  EXPECT_EQ(send(PBM_GETPOS), 100);
  EXPECT_EQ(send(PBM_SETPOS, static_cast<WPARAM>(-5)), 100);
  EXPECT_EQ(send(PBM_GETPOS), 0);
  EXPECT_EQ(send(PBM_DELTAPOS, 30), 0);
  EXPECT_EQ(send(PBM_DELTAPOS, static_cast<WPARAM>(-50)), 30);
  EXPECT_EQ(send(PBM_GETPOS), 0);
  // A narrower range pulls the position in.
  send(PBM_SETPOS, 90);
  send(PBM_SETRANGE32, 10, 50);
  EXPECT_EQ(send(PBM_GETPOS), 50);
}

TEST_F(Progress, RangesAnswerTheirPreviousValueInSixteenBitHalves) {
  EXPECT_EQ(send(PBM_SETRANGE, 0, MAKELPARAM(5, 60000)), MAKELONG(0, 100));
  PBRANGE range{};
  EXPECT_EQ(send(PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range)), 60000) << "16-bit bounds are unsigned";
  EXPECT_EQ(range.iLow, 5);
  EXPECT_EQ(range.iHigh, 60000);
  EXPECT_EQ(send(PBM_SETRANGE32, static_cast<WPARAM>(-1000), 100000), MAKELONG(5, 60000));
  EXPECT_EQ(send(PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range)), -1000);
  EXPECT_EQ(range.iHigh, 100000) << "32-bit ranges keep their full values";
  EXPECT_EQ(send(PBM_SETRANGE32, 0, 10), MAKELONG(static_cast<WORD>(-1000), static_cast<WORD>(100000)));
}

TEST_F(Progress, StepItStartsOverFromTheMinimumPastTheMaximum) {
  EXPECT_EQ(send(PBM_SETSTEP, 30), 10) << "the default step is 10";
  send(PBM_SETPOS, 80);
  EXPECT_EQ(send(PBM_STEPIT), 80);
  EXPECT_EQ(send(PBM_GETPOS), 10);
  send(PBM_SETRANGE32, 20, 20);
  EXPECT_EQ(send(PBM_STEPIT), 20) << "an empty range does not divide by zero";
  EXPECT_EQ(send(PBM_GETPOS), 20);
}

TEST_F(Progress, AMessageThatLeavesTheDrawnBarAsItIsInvalidatesNothing) {
  // A 100 x 16 bar has 96 pixels for its chunks of 8 plus 2: positions 2 and 3 both show one chunk.
  EXPECT_TRUE(invalidates(PBM_SETPOS, 2));
  EXPECT_FALSE(invalidates(PBM_SETPOS, 3));
  EXPECT_FALSE(invalidates(PBM_SETPOS, 3));
  EXPECT_TRUE(invalidates(PBM_SETPOS, 50));
  EXPECT_FALSE(invalidates(PBM_SETSTEP, 3));
  EXPECT_FALSE(invalidates(PBM_SETRANGE32, 0, 100));
  EXPECT_TRUE(invalidates(PBM_SETBARCOLOR, 0, RGB(0, 128, 0)));
  EXPECT_FALSE(invalidates(PBM_SETBARCOLOR, 0, RGB(0, 128, 0)));
  EXPECT_TRUE(invalidates(PBM_SETBKCOLOR, 0, RGB(1, 2, 3)));
  EXPECT_EQ(send(PBM_SETBKCOLOR, 0, CLR_DEFAULT), static_cast<LRESULT>(RGB(1, 2, 3)));
  // The conversion's reports: a thousand steps of a range far larger than the bar is wide.
  send(PBM_SETRANGE32, 0, 100000);
  send(PBM_SETPOS, 0);
  int repaints = 0;
  for (int pos = 1; pos <= 1000; ++pos) repaints += invalidates(PBM_SETPOS, static_cast<WPARAM>(pos)) ? 1 : 0;
  EXPECT_LE(repaints, 1);
}

TEST_F(Progress, TheBarIsDrawnInChunksOrSmooth) {
  struct Case {
    DWORD style;
    int percent;
    uint64_t hash;
    const char* name;
  };
  const Case cases[] = {
      {0, 0, 0xdddff47cd8d91996ull, "progress-0"},
      {0, 37, 0xc5e2e3efab103896ull, "progress-37"},
      {0, 100, 0x299f98951bbe74e6ull, "progress-100"},
      {PBS_SMOOTH, 37, 0xc06526ab93d15ff6ull, "progress-smooth-37"},
      {PBS_SMOOTH, 100, 0x592b673486ea6a96ull, "progress-smooth-100"},
  };
  for (const Case& c : cases) {
    HWND h = make(c.style);
    SendMessageW(h, PBM_SETPOS, static_cast<WPARAM>(c.percent), 0);
    Canvas canvas(100, 16);
    canvas.fill(0xFF00FF00u);
    SendMessageW(h, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
    EXPECT_PAINTED(canvas, c.hash, c.name);
    DestroyWindow(h);
  }
  // The border's colours and the default chunk colour, pixel by pixel.
  HWND h = make(0);
  SendMessageW(h, PBM_SETPOS, 100, 0);
  Canvas canvas(100, 16);
  SendMessageW(h, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
  auto rgb = [](COLORREF c) { return 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); };
  EXPECT_EQ(canvas.at(0, 0), rgb(GetSysColor(COLOR_3DSHADOW)));
  EXPECT_EQ(canvas.at(99, 15), rgb(GetSysColor(COLOR_3DHILIGHT)));
  EXPECT_EQ(canvas.at(1, 1), rgb(GetSysColor(COLOR_3DFACE)));
  EXPECT_EQ(canvas.at(2, 2), rgb(GetSysColor(COLOR_HIGHLIGHT)));
  EXPECT_EQ(canvas.at(2 + 8, 8), rgb(GetSysColor(COLOR_3DFACE))) << "the gap after the first chunk";
}

}  // namespace
