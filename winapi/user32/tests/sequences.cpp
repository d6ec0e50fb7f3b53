// Message sequences of creating, showing, sizing, activating, closing and destroying top-level
// and child windows, compared with expected tables.
#include <windows.h>

#include <gtest/gtest.h>

#include "winapi/testsupport/Recorder.h"

namespace {

HWND makeWindow(const char* name, DWORD style, HWND parent = nullptr, int x = 100, int y = 100, int w = 300,
                int h = 200) {
  registerRecordingClass();
  HWND hwnd = CreateWindowExW(0, u"Recording", u"title", style, x, y, w, h, parent, nullptr, nullptr, nullptr);
  Recorder::instance().name(hwnd, name);
  return hwnd;
}

Expected S(const char* w, UINT m, unsigned flags = kExact, WPARAM wParam = 0) { return Expected{w, m, flags, wParam}; }

TEST(Sequences, CreatingATopLevelWindow) {
  registerRecordingClass();
  Recorder::instance().start();
  HWND top = CreateWindowExW(0, u"Recording", u"title", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr, nullptr,
                             nullptr, nullptr);
  auto seen = Recorder::instance().stop();
  ASSERT_NE(top, nullptr);
  EXPECT_SEQUENCE(seen, S("(new)", WM_GETMINMAXINFO), S("(new)", WM_NCCREATE), S("(new)", WM_NCCALCSIZE),
                  S("(new)", WM_CREATE), S("(new)", WM_SIZE), S("(new)", WM_MOVE));
  EXPECT_FALSE(IsWindowVisible(top));
  DestroyWindow(top);
}

TEST(Sequences, CreatingAChildNotifiesItsParent) {
  HWND top = makeWindow("top", WS_OVERLAPPEDWINDOW);
  Recorder::instance().start();
  HWND child =
      CreateWindowExW(0, u"Recording", nullptr, WS_CHILD | WS_VISIBLE, 5, 5, 50, 50, top, nullptr, nullptr, nullptr);
  auto seen = Recorder::instance().stop();
  EXPECT_SEQUENCE(seen, S("(new)", WM_NCCREATE), S("(new)", WM_NCCALCSIZE), S("(new)", WM_CREATE), S("(new)", WM_SIZE),
                  S("(new)", WM_MOVE), S("top", WM_PARENTNOTIFY), S("(new)", WM_SHOWWINDOW),
                  S("(new)", WM_WINDOWPOSCHANGING), S("(new)", WM_WINDOWPOSCHANGED));
  EXPECT_EQ(GetParent(child), top);
  EXPECT_TRUE(IsChild(top, child));
  DestroyWindow(top);
}

TEST(Sequences, ShowingActivatesAndPaintsFrameThenClient) {
  HWND top = makeWindow("top", WS_OVERLAPPEDWINDOW);
  Recorder::instance().start();
  ShowWindow(top, SW_SHOW);
  auto shown = Recorder::instance().stop();
  EXPECT_SEQUENCE(shown, S("top", WM_SHOWWINDOW, kCheckWParam, TRUE), S("top", WM_WINDOWPOSCHANGING),
                  S("top", WM_WINDOWPOSCHANGED), S("top", WM_NCACTIVATE, kCheckWParam, TRUE),
                  S("top", WM_ACTIVATE, kCheckWParam, WA_ACTIVE), S("top", WM_SETFOCUS));
  Recorder::instance().start();
  pump();
  auto painted = Recorder::instance().stop();
  EXPECT_SEQUENCE(painted, S("top", WM_PAINT), S("top", WM_NCPAINT), S("top", WM_ERASEBKGND));
  EXPECT_EQ(GetActiveWindow(), top);
  EXPECT_EQ(GetFocus(), top);
  DestroyWindow(top);
}

TEST(Sequences, SizingAndMovingReportSizeAndPosition) {
  HWND top = makeWindow("top", WS_OVERLAPPEDWINDOW);
  Recorder::instance().start();
  SetWindowPos(top, nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  auto sized = Recorder::instance().stop();
  EXPECT_SEQUENCE(sized, S("top", WM_WINDOWPOSCHANGING), S("top", WM_NCCALCSIZE), S("top", WM_WINDOWPOSCHANGED),
                  S("top", WM_SIZE));
  Recorder::instance().start();
  MoveWindow(top, 50, 60, 400, 300, TRUE);
  auto moved = Recorder::instance().stop();
  EXPECT_SEQUENCE(moved, S("top", WM_WINDOWPOSCHANGING), S("top", WM_NCCALCSIZE), S("top", WM_WINDOWPOSCHANGED),
                  S("top", WM_MOVE));
  // Nothing changes, so nothing is reported as changed.
  Recorder::instance().start();
  SetWindowPos(top, nullptr, 50, 60, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);
  auto same = Recorder::instance().stop();
  EXPECT_SEQUENCE(same, S("top", WM_WINDOWPOSCHANGING));
  RECT r;
  GetWindowRect(top, &r);
  EXPECT_EQ(r.left, 50);
  EXPECT_EQ(r.right - r.left, 400);
  DestroyWindow(top);
}

TEST(Sequences, ActivationMovesBetweenTopLevelWindows) {
  HWND a = makeWindow("a", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND b = makeWindow("b", WS_OVERLAPPEDWINDOW);
  pump();
  ASSERT_EQ(GetActiveWindow(), a);
  Recorder::instance().start();
  SetActiveWindow(b);
  auto seen = Recorder::instance().stop();
  EXPECT_SEQUENCE(seen, S("a", WM_NCACTIVATE, kCheckWParam, FALSE), S("a", WM_ACTIVATE, kCheckWParam, WA_INACTIVE),
                  S("b", WM_NCACTIVATE, kCheckWParam, TRUE), S("b", WM_ACTIVATE, kCheckWParam, WA_ACTIVE),
                  S("a", WM_KILLFOCUS), S("b", WM_SETFOCUS));
  EXPECT_EQ(GetForegroundWindow(), b);
  DestroyWindow(a);
  DestroyWindow(b);
}

TEST(Sequences, ClosingDestroysParentBeforeChildrenAndNcDestroysChildrenFirst) {
  HWND top = makeWindow("top", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND child = makeWindow("child", WS_CHILD | WS_VISIBLE, top, 0, 0, 20, 20);
  makeWindow("grandchild", WS_CHILD | WS_VISIBLE, child, 0, 0, 5, 5);
  pump();
  Recorder::instance().start();
  SendMessageW(top, WM_CLOSE, 0, 0);
  auto seen = Recorder::instance().stop();
  EXPECT_SEQUENCE(seen, S("top", WM_CLOSE), S("top", WM_WINDOWPOSCHANGING), S("top", WM_WINDOWPOSCHANGED),
                  S("top", WM_KILLFOCUS), S("top", WM_NCACTIVATE), S("top", WM_ACTIVATE), S("top", WM_DESTROY),
                  S("child", WM_DESTROY), S("grandchild", WM_DESTROY), S("grandchild", WM_NCDESTROY),
                  S("child", WM_NCDESTROY), S("top", WM_NCDESTROY));
  EXPECT_FALSE(IsWindow(top));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_EQ(GetActiveWindow(), nullptr);
}

TEST(Sequences, DestroyingAChildRepaintsWhatItCovered) {
  HWND top = makeWindow("top", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND child = makeWindow("child", WS_CHILD | WS_VISIBLE, top, 10, 10, 50, 50);
  pump();
  Recorder::instance().start();
  DestroyWindow(child);
  pump();
  auto seen = Recorder::instance().stop();
  EXPECT_SEQUENCE(seen, S("top", WM_PARENTNOTIFY), S("child", WM_WINDOWPOSCHANGING), S("child", WM_WINDOWPOSCHANGED),
                  S("child", WM_DESTROY), S("child", WM_NCDESTROY), S("top", WM_PAINT), S("top", WM_ERASEBKGND));
  DestroyWindow(top);
}

TEST(Sequences, OwnedWindowsGoBeforeTheirOwner) {
  HWND owner = makeWindow("owner", WS_OVERLAPPEDWINDOW);
  HWND owned = makeWindow("owned", WS_POPUP, owner);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), owner);
  EXPECT_EQ(GetParent(owned), owner);
  Recorder::instance().start();
  DestroyWindow(owner);
  auto seen = Recorder::instance().stop();
  EXPECT_SEQUENCE(seen, S("owned", WM_DESTROY), S("owned", WM_NCDESTROY), S("owner", WM_DESTROY),
                  S("owner", WM_NCDESTROY));
  EXPECT_FALSE(IsWindow(owned));
}

TEST(Sequences, MinimisingAndMaximisingReportTheirKind) {
  HWND top = makeWindow("top", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  pump();
  RECT normal;
  GetWindowRect(top, &normal);
  ShowWindow(top, SW_MAXIMIZE);
  EXPECT_TRUE(IsZoomed(top));
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT client;
  GetClientRect(top, &client);
  EXPECT_GE(client.right, work.right - work.left - 16);
  ShowWindow(top, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(top));
  ShowWindow(top, SW_RESTORE);
  EXPECT_FALSE(IsIconic(top));
  EXPECT_TRUE(IsZoomed(top));  // restoring a minimised maximised window maximises it again
  ShowWindow(top, SW_RESTORE);
  RECT back;
  GetWindowRect(top, &back);
  EXPECT_TRUE(EqualRect(&back, &normal));
  DestroyWindow(top);
}

TEST(Sequences, StyleChangesAreAnnounced) {
  HWND top = makeWindow("top", WS_OVERLAPPEDWINDOW);
  Recorder::instance().start();
  LONG_PTR old = SetWindowLongPtrW(top, GWL_EXSTYLE, GetWindowLongPtrW(top, GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
  auto seen = Recorder::instance().stop();
  EXPECT_SEQUENCE(seen, S("top", WM_STYLECHANGING), S("top", WM_STYLECHANGED));
  EXPECT_FALSE(old & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(GetWindowLongPtrW(top, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  DestroyWindow(top);
}

// The comparison every sequence test rests on: optional rows may be missing, wParams count only
// where a row asks, and nothing may be left over on either side.
TEST(Sequences, TablesSkipOptionalRowsAndCheckWParamsWhereAsked) {
  const std::vector<Seen> seen = {{"a", WM_CREATE, 0}, {"a", WM_SIZE, 5}};
  EXPECT_TRUE(matchesSequence(seen, {S("a", WM_CREATE), S("a", WM_MOVE, kOptional), S("a", WM_SIZE, kCheckWParam, 5),
                                     S("a", WM_PAINT, kOptional)}));
  EXPECT_TRUE(matchesSequence(seen, {S("a", WM_CREATE), S("a", WM_SIZE, kOptional | kCheckWParam, 5)}));
  EXPECT_TRUE(matchesSequence(seen, {S("a", WM_CREATE, kCheckWParam, 0), S("a", WM_SIZE)}));
  EXPECT_FALSE(matchesSequence(seen, {S("a", WM_CREATE), S("a", WM_SIZE, kCheckWParam, 6)}));
  EXPECT_FALSE(matchesSequence(seen, {S("a", WM_CREATE)})) << "a message left over";
  EXPECT_FALSE(matchesSequence(seen, {S("a", WM_CREATE), S("a", WM_SIZE), S("a", WM_MOVE)})) << "a row left over";
  EXPECT_FALSE(matchesSequence(seen, {S("b", WM_CREATE), S("a", WM_SIZE)})) << "another window";
  EXPECT_FALSE(matchesSequence(seen, {S("a", WM_SIZE), S("a", WM_CREATE)})) << "another order";
}

}  // namespace
