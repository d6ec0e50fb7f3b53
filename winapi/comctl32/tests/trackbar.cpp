// The track bar: its TBM_* answers, defaults and clamping; what keys, a thumb drag, a held press
// on the channel and the wheel tell the parent; its geometry against its pixels, and the pixels
// of its looks.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"
#include "winapi/testsupport/PaintCheck.h"
#include "winapi/testsupport/Recorder.h"

#include <functional>
#include <vector>

namespace {

winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }

uint32_t rgb(COLORREF c) { return 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

// A notification the parent must get: WM_HSCROLL (or WM_VSCROLL) with code and position.
Expected Scroll(WORD code, WORD pos = 0, UINT message = WM_HSCROLL) {
  return Expected{"parent", message, kCheckWParam, MAKEWPARAM(code, pos)};
}

class Trackbar : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&init));
    registerRecordingClass();
    parent = CreateWindowExW(0, u"Recording", u"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                             nullptr, nullptr);
    Recorder::instance().name(parent, "parent");
    bar = make(0);
    pump();
  }
  void TearDown() override { DestroyWindow(parent); }
  HWND make(DWORD style, int width = 200, int height = 32) {
    return CreateWindowExW(0, TRACKBAR_CLASSW, nullptr, WS_CHILD | WS_VISIBLE | style, 10, 10, width, height, parent,
                           nullptr, nullptr, nullptr);
  }
  LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageW(bar, message, wParam, lParam);
  }
  POINT screen(int x, int y) {
    POINT p{x, y};
    ClientToScreen(bar, &p);
    return p;
  }
  RECT thumb() {
    RECT r{};
    send(TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r;
  }
  // The scroll notifications the parent got while the action ran.
  std::vector<Seen> scrolls(const std::function<void()>& action) {
    Recorder::instance().start();
    action();
    pump();
    std::vector<Seen> out;
    for (const Seen& s : Recorder::instance().stop()) {
      if (s.message == WM_HSCROLL || s.message == WM_VSCROLL) out.push_back(s);
    }
    return out;
  }
  bool invalidates(const std::function<void()>& action) {
    ValidateRect(bar, nullptr);
    action();
    RECT update;
    return GetUpdateRect(bar, &update, FALSE) != FALSE;
  }
  void key(UINT vk) {
    headless().key(vk, true);
    headless().key(vk, false);
    pump();
  }
  HWND parent = nullptr;
  HWND bar = nullptr;
};

TEST_F(Trackbar, AnswersItsDefaultsAndClampsProgramChangesSilently) {
  EXPECT_EQ(send(TBM_GETRANGEMIN), 0);
  EXPECT_EQ(send(TBM_GETRANGEMAX), 100);
  EXPECT_EQ(send(TBM_GETPOS), 0);
  EXPECT_EQ(send(TBM_GETLINESIZE), 1);
  EXPECT_EQ(send(TBM_GETPAGESIZE), 20);
  EXPECT_EQ(send(TBM_GETTHUMBLENGTH), 21);
  EXPECT_EQ(send(TBM_SETPAGESIZE, 0, 7), 20) << "answers the previous size";
  EXPECT_EQ(send(TBM_SETLINESIZE, 0, 3), 1);
  EXPECT_EQ(send(TBM_GETPAGESIZE), 7);

  auto seen = scrolls([&] {
    send(TBM_SETPOS, TRUE, 150);
    EXPECT_EQ(send(TBM_GETPOS), 100);
    send(TBM_SETPOS, TRUE, -5);
    EXPECT_EQ(send(TBM_GETPOS), 0);
    send(TBM_SETPOS, TRUE, 80);
    send(TBM_SETRANGEMAX, TRUE, 50);
    EXPECT_EQ(send(TBM_GETPOS), 50) << "a narrower range pulls the position in";
    send(TBM_SETRANGE, TRUE, MAKELPARAM(60, 90));
    EXPECT_EQ(send(TBM_GETPOS), 60);
    EXPECT_EQ(send(TBM_GETRANGEMIN), 60);
    EXPECT_EQ(send(TBM_GETRANGEMAX), 90);
  });
  EXPECT_TRUE(seen.empty()) << "program changes tell the parent nothing";

  // Redrawing only when asked.
  EXPECT_FALSE(invalidates([&] { send(TBM_SETPOS, FALSE, 70); }));
  EXPECT_TRUE(invalidates([&] { send(TBM_SETPOS, TRUE, 75); }));
  EXPECT_FALSE(invalidates([&] { send(TBM_SETRANGEMIN, FALSE, 61); }));
  EXPECT_TRUE(invalidates([&] { send(TBM_SETRANGEMIN, TRUE, 62); }));

  // An empty range does not divide by zero: the thumb sits at the start.
  send(TBM_SETRANGE, TRUE, MAKELPARAM(40, 40));
  EXPECT_EQ(send(TBM_GETPOS), 40);
  RECT channel{};
  send(TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
  EXPECT_EQ((thumb().left + thumb().right) / 2, channel.left);
}

TEST_F(Trackbar, KeysMoveByLinePageAndToTheEndsAndEndEachMove) {
  SetFocus(bar);
  send(TBM_SETPOS, TRUE, 50);
  EXPECT_EQ(send(WM_GETDLGCODE), DLGC_WANTARROWS);
  auto seen = scrolls([&] {
    key(VK_RIGHT);
    key(VK_UP);
    key(VK_NEXT);
    key(VK_PRIOR);
    key(VK_END);
    key(VK_DOWN);  // already at the maximum: told all the same
    key(VK_HOME);
  });
  EXPECT_SEQUENCE(seen, Scroll(TB_LINEDOWN), Scroll(TB_ENDTRACK), Scroll(TB_LINEUP), Scroll(TB_ENDTRACK),
                  Scroll(TB_PAGEDOWN), Scroll(TB_ENDTRACK), Scroll(TB_PAGEUP), Scroll(TB_ENDTRACK), Scroll(TB_BOTTOM),
                  Scroll(TB_ENDTRACK), Scroll(TB_LINEDOWN), Scroll(TB_ENDTRACK), Scroll(TB_TOP), Scroll(TB_ENDTRACK));
  EXPECT_EQ(send(TBM_GETPOS), 0);
  key(VK_NEXT);
  key(VK_RIGHT);
  EXPECT_EQ(send(TBM_GETPOS), 21);

  // A disabled bar takes no input.
  EnableWindow(bar, FALSE);
  EXPECT_TRUE(scrolls([&] { send(WM_KEYDOWN, VK_RIGHT); }).empty());
  EXPECT_EQ(send(TBM_GETPOS), 21);
}

TEST_F(Trackbar, DraggingTheThumbTracksEachChangeAndEndsWithItsPosition) {
  // The channel runs from 8 to 192: 184 pixels for 0 to 100.
  RECT t = thumb();
  int across = (t.top + t.bottom) / 2;
  int centre = (t.left + t.right) / 2;
  EXPECT_EQ(centre, 8);
  auto seen = scrolls([&] {
    POINT p = screen(centre, across);
    headless().moveMouse(p.x, p.y);
    headless().pressButton(WM_LBUTTONDOWN);
    pump();
    p = screen(centre + 92, across);
    headless().moveMouse(p.x, p.y);
    pump();
    p = screen(centre + 92, across + 3);  // across only: the same value, nothing told
    headless().moveMouse(p.x, p.y);
    pump();
    p = screen(500, across);  // past the end: the maximum
    headless().moveMouse(p.x, p.y);
    pump();
    headless().releaseButton(WM_LBUTTONUP);
  });
  EXPECT_SEQUENCE(seen, Scroll(TB_THUMBTRACK, 50), Scroll(TB_THUMBTRACK, 100), Scroll(TB_THUMBPOSITION, 100),
                  Scroll(TB_ENDTRACK));
  EXPECT_EQ(send(TBM_GETPOS), 100);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(GetFocus(), bar) << "a press takes the focus";
}

TEST_F(Trackbar, AHeldPressOnTheChannelPagesTowardsThePointerUntilTheThumbReachesIt) {
  headless().setClock(10000);
  send(TBM_SETPAGESIZE, 0, 10);
  RECT t = thumb();
  int across = (t.top + t.bottom) / 2;
  // The pointer over value 45 (8 + 45 x 1.84 = 90.8).
  auto seen = scrolls([&] {
    POINT p = screen(91, across);
    headless().moveMouse(p.x, p.y);
    headless().pressButton(WM_LBUTTONDOWN);
    pump();
    EXPECT_EQ(send(TBM_GETPOS), 10);
    headless().advanceClock(400);
    pump();
    EXPECT_EQ(send(TBM_GETPOS), 10) << "no repeat before 500 ms";
    headless().advanceClock(100);
    pump();
    EXPECT_EQ(send(TBM_GETPOS), 20);
    for (int k = 0; k < 5; ++k) {
      headless().advanceClock(100);
      pump();
    }
    headless().releaseButton(WM_LBUTTONUP);
  });
  // At 40 the thumb spans pixels 76 to 86, short of the pointer; at 50 (95 to 105) it has passed
  // it, and the repeats stop.
  EXPECT_SEQUENCE(seen, Scroll(TB_PAGEDOWN), Scroll(TB_PAGEDOWN), Scroll(TB_PAGEDOWN), Scroll(TB_PAGEDOWN),
                  Scroll(TB_PAGEDOWN), Scroll(TB_ENDTRACK));
  EXPECT_EQ(send(TBM_GETPOS), 50);
}

TEST_F(Trackbar, TheWheelMovesLinesTimesTheScrollLinesAwayFromTheUserTowardsTheMinimum) {
  UINT lines = 0;
  SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  ASSERT_GT(lines, 0u);
  send(TBM_SETPOS, TRUE, 50);
  send(TBM_SETLINESIZE, 0, 2);
  auto seen = scrolls([&] {
    send(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-2 * WHEEL_DELTA)), 0);
    send(WM_MOUSEWHEEL, MAKEWPARAM(0, 60), 0);  // half a step: nothing yet
  });
  EXPECT_SEQUENCE(seen, Scroll(TB_LINEUP), Scroll(TB_ENDTRACK), Scroll(TB_LINEDOWN), Scroll(TB_LINEDOWN),
                  Scroll(TB_ENDTRACK));
  EXPECT_EQ(send(TBM_GETPOS), static_cast<LRESULT>(50 + 2 * lines));
  send(WM_MOUSEWHEEL, MAKEWPARAM(0, 60), 0);
  EXPECT_EQ(send(TBM_GETPOS), 50) << "the halves add up to a step";
}

TEST_F(Trackbar, AVerticalBarTellsWithVerticalScrolls) {
  HWND vertical = make(TBS_VERT, 32, 200);
  SetFocus(vertical);
  auto seen = scrolls([&] { key(VK_DOWN); });
  EXPECT_SEQUENCE(seen, Scroll(TB_LINEDOWN, 0, WM_VSCROLL), Scroll(TB_ENDTRACK, 0, WM_VSCROLL));
  RECT channel{};
  SendMessageW(vertical, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
  EXPECT_EQ(channel.top, 8);
  EXPECT_EQ(channel.bottom, 192);
  EXPECT_EQ(channel.right - channel.left, 4);
}

TEST_F(Trackbar, TheAnsweredRectanglesAreWhereTheThumbAndChannelArePainted) {
  send(TBM_SETPOS, TRUE, 30);
  RECT t = thumb();
  RECT channel{};
  send(TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
  EXPECT_EQ(t.right - t.left, 11);
  EXPECT_EQ(t.bottom - t.top, 21);
  EXPECT_EQ(channel.left, 8);
  EXPECT_EQ(channel.right, 192);
  EXPECT_EQ(channel.bottom - channel.top, 4);
  EXPECT_EQ((channel.top + channel.bottom) / 2, (t.top + t.bottom) / 2) << "the channel is centred on the thumb";
  Canvas canvas(200, 32);
  canvas.fill(0xFF00FF00u);
  send(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
  EXPECT_EQ(canvas.at(t.left, t.top + 1), rgb(GetSysColor(COLOR_3DHILIGHT)));
  EXPECT_EQ(canvas.at(t.right - 1, t.top + 1), rgb(GetSysColor(COLOR_3DDKSHADOW)));
  EXPECT_EQ(canvas.at((t.left + t.right) / 2, (t.top + t.bottom) / 2), rgb(GetSysColor(COLOR_BTNFACE)));
  EXPECT_NE(canvas.at(t.left - 1, t.top + 1), rgb(GetSysColor(COLOR_3DHILIGHT)));
  EXPECT_EQ(canvas.at(channel.left, channel.top), rgb(GetSysColor(COLOR_3DSHADOW)));
  EXPECT_EQ(canvas.at(channel.right - 1, channel.bottom - 1), rgb(GetSysColor(COLOR_3DHILIGHT)));
  // A fixed length changes the thumb only with TBS_FIXEDLENGTH, seen at the next look.
  send(TBM_SETTHUMBLENGTH, 15);
  EXPECT_EQ(thumb().bottom - thumb().top, 21);
  SetWindowLongPtrW(bar, GWL_STYLE, GetWindowLongPtrW(bar, GWL_STYLE) | TBS_FIXEDLENGTH);
  EXPECT_EQ(thumb().bottom - thumb().top, 15);
}

TEST_F(Trackbar, ItsLooksArePinned) {
  struct Case {
    DWORD style;
    int width;
    int height;
    uint64_t hash;
    const char* name;
  };
  const Case cases[] = {
      {TBS_TOP | TBS_AUTOTICKS, 200, 32, 0x636f71df4eaceb45ull, "trackbar-top-ticks"},
      {TBS_BOTH | TBS_AUTOTICKS, 200, 40, 0x2006654f640f058dull, "trackbar-both"},
      {TBS_NOTICKS, 200, 32, 0x4385571d15b0af1dull, "trackbar-noticks"},
      {TBS_VERT | TBS_AUTOTICKS, 32, 200, 0xc5b7435437fc7015ull, "trackbar-vertical"},
      {TBS_FIXEDLENGTH | TBS_AUTOTICKS, 200, 32, 0xd269f90bfb17a853ull, "trackbar-fixed"},
      {WS_DISABLED | TBS_AUTOTICKS, 200, 32, 0x0a59c067cae9e81dull, "trackbar-disabled"},
      {WS_TABSTOP | TBS_AUTOTICKS, 200, 32, 0x9d5e6f1d831e9a0dull, "trackbar-focused"},
  };
  for (const Case& c : cases) {
    HWND h = make(c.style, c.width, c.height);
    SendMessageW(h, TBM_SETTICFREQ, 10, 0);
    SendMessageW(h, TBM_SETPOS, TRUE, 35);
    SendMessageW(h, TBM_SETTHUMBLENGTH, 14, 0);
    if (c.style & WS_TABSTOP) SetFocus(h);
    Canvas canvas(c.width, c.height);
    canvas.fill(0xFF00FF00u);
    SendMessageW(h, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
    EXPECT_PAINTED(canvas, c.hash, c.name);
    DestroyWindow(h);
  }
}

}  // namespace
