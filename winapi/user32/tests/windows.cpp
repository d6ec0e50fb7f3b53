// Window classes, the window tree, window longs and texts, enumeration, failures on bad
// handles, and the hints the driver receives for keep-on-top, tool windows and opacity.
#include <windows.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include "winapi/testsupport/Recorder.h"
#include "winapi/drivers/headless/HeadlessDriver.h"
#include "winapi/user32/Input.h"

#include <string>
#include <thread>
#include <vector>

namespace {

HWND make(DWORD style, HWND parent = nullptr, DWORD exStyle = 0, const char16_t* title = u"w") {
  registerRecordingClass();
  return CreateWindowExW(exStyle, u"Recording", title, style, 10, 10, 100, 80, parent, nullptr, nullptr, nullptr);
}

TEST(Classes, RegistrationIsCheckedAndLookedUpIgnoringCase) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.cbWndExtra = 16;
  wc.lpszClassName = u"Extra Class";
  ATOM atom = RegisterClassExW(&wc);
  ASSERT_NE(atom, 0);
  EXPECT_EQ(RegisterClassExW(&wc), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
  WNDCLASSEXW bad = wc;
  bad.cbSize = 48;
  bad.lpszClassName = u"Bad size";
  EXPECT_EQ(RegisterClassExW(&bad), 0) << "a structure of the wrong size is refused";
  HWND hwnd = CreateWindowExW(0, u"EXTRA CLASS", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);
  HWND byAtom =
      CreateWindowExW(0, MAKEINTRESOURCEW(atom), u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  EXPECT_NE(byAtom, nullptr);
  WCHAR name[32];
  EXPECT_EQ(GetClassNameW(hwnd, name, 32), 11);
  EXPECT_EQ(std::u16string(name), u"Extra Class");
  EXPECT_FALSE(UnregisterClassW(u"Extra Class", nullptr)) << "a class with windows stays";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));
  // Extra bytes hold values at byte offsets.
  EXPECT_EQ(SetWindowLongPtrW(hwnd, 8, 1234), 0);
  EXPECT_EQ(GetWindowLongPtrW(hwnd, 8), 1234);
  EXPECT_EQ(SetWindowLongW(hwnd, 0, 77), 0);
  EXPECT_EQ(GetWindowLongW(hwnd, 0), 77);
  EXPECT_EQ(GetWindowLongPtrW(hwnd, 12), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX)) << "an offset past the extra bytes";
  DestroyWindow(hwnd);
  DestroyWindow(byAtom);
  EXPECT_TRUE(UnregisterClassW(u"Extra Class", nullptr));
  EXPECT_EQ(CreateWindowExW(0, u"Extra Class", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
}

namespace {
// Refuses every call while installed, as a system out of resources would.
ATOM WINAPI refuseRegistration(const WNDCLASSEXW*) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return 0;
}
HWND WINAPI refuseCreation(DWORD, LPCWSTR, LPCWSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE, LPVOID) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return nullptr;
}
}  // namespace

TEST(Classes, SeamsCanRefuseRegistrationAndCreationAndRestoreTheLayers) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = u"Seam Class";
  auto registration = winapi::seam::replaceRegisterClassExW(&refuseRegistration);
  EXPECT_EQ(RegisterClassExW(&wc), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(winapi::seam::replaceRegisterClassExW(registration), &refuseRegistration);
  ASSERT_NE(RegisterClassExW(&wc), 0) << "the layer's own registers again";

  auto creation = winapi::seam::replaceCreateWindowExW(&refuseCreation);
  EXPECT_EQ(CreateWindowExW(0, u"Seam Class", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  winapi::seam::replaceCreateWindowExW(nullptr);  // null restores the layer's own
  HWND hwnd = CreateWindowExW(0, u"Seam Class", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  EXPECT_NE(hwnd, nullptr);
  (void)creation;
  DestroyWindow(hwnd);
  UnregisterClassW(u"Seam Class", nullptr);
}

TEST(Tree, ParentsOwnersSiblingsAndEnumeration) {
  HWND top = make(WS_OVERLAPPEDWINDOW);
  HWND first = make(WS_CHILD, top);
  HWND second = make(WS_CHILD, top);
  HWND grandchild = make(WS_CHILD, first);
  EXPECT_EQ(GetWindow(top, GW_CHILD), first) << "children keep their creation order from the top";
  EXPECT_EQ(GetWindow(first, GW_HWNDNEXT), second);
  EXPECT_EQ(GetWindow(second, GW_HWNDPREV), first);
  EXPECT_EQ(GetAncestor(grandchild, GA_ROOT), top);
  EXPECT_EQ(GetAncestor(grandchild, GA_PARENT), first);
  EXPECT_EQ(GetAncestor(top, GA_PARENT), GetDesktopWindow());
  struct Seen {
    std::vector<HWND> list;
  } seen;
  EnumChildWindows(
      top,
      [](HWND h, LPARAM p) {
        reinterpret_cast<Seen*>(p)->list.push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&seen));
  EXPECT_EQ(seen.list, (std::vector<HWND>{first, grandchild, second}));
  SetWindowPos(second, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(GetWindow(top, GW_CHILD), second);
  // Moving a child to another parent keeps its position relative to the new parent.
  HWND other = make(WS_OVERLAPPEDWINDOW);
  EXPECT_EQ(SetParent(grandchild, other), first);
  EXPECT_EQ(GetParent(grandchild), other);
  EXPECT_FALSE(IsChild(top, grandchild));
  EXPECT_EQ(SetParent(other, grandchild), nullptr) << "a window cannot move below its own descendant";
  SetWindowLongPtrW(first, GWLP_ID, 42);
  EXPECT_EQ(GetDlgItem(top, 42), first);
  EXPECT_EQ(GetDlgCtrlID(first), 42);
  EXPECT_EQ(FindWindowExW(top, nullptr, u"recording", nullptr), second);
  DestroyWindow(top);
  DestroyWindow(other);
}

TEST(Tree, AChildNeedsAParentAndBadHandlesFail) {
  registerRecordingClass();
  EXPECT_EQ(CreateWindowExW(0, u"Recording", u"", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TLW_WITH_WSCHILD));
  HWND gone = make(WS_POPUP);
  DestroyWindow(gone);
  SetLastError(0);
  EXPECT_FALSE(IsWindow(gone));
  EXPECT_FALSE(SetWindowPos(gone, nullptr, 0, 0, 1, 1, SWP_NOZORDER));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_FALSE(PostMessageW(gone, WM_USER, 0, 0));
  EXPECT_EQ(SendMessageW(gone, WM_USER, 0, 0), 0);
  RECT r;
  EXPECT_FALSE(GetWindowRect(gone, &r));
  EXPECT_FALSE(DestroyWindow(gone));
}

TEST(Texts, TitlesRoundTripAlsoFromAnotherThread) {
  HWND top = make(WS_OVERLAPPEDWINDOW, nullptr, 0, u"first");
  WCHAR text[16];
  EXPECT_EQ(GetWindowTextW(top, text, 16), 5);
  EXPECT_EQ(std::u16string(text), u"first");
  EXPECT_EQ(GetWindowTextW(top, text, 3), 2) << "a short buffer gets a cut, terminated text";
  EXPECT_EQ(std::u16string(text), u"fi");
  std::thread other([&] { SetWindowTextW(top, u"from afar"); });
  // The other thread's WM_SETTEXT runs here, on the window's thread.
  while (GetWindowTextLengthW(top) != 9) pump();
  other.join();
  EXPECT_EQ(FindWindowW(nullptr, u"from afar"), top);
  winapi::HeadlessDriver::NativeState state;
  ASSERT_TRUE(winapi::HeadlessDriver::current()->nativeState(top, &state));
  EXPECT_EQ(state.title, u"from afar");
  DestroyWindow(top);
}

TEST(Hints, TopmostToolWindowsAndOpacityReachTheDriver) {
  HWND top = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  auto& headless = *winapi::HeadlessDriver::current();
  winapi::HeadlessDriver::NativeState state;
  SetWindowPos(top, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ASSERT_TRUE(headless.nativeState(top, &state));
  EXPECT_TRUE(state.hints.topmost);
  EXPECT_TRUE(GetWindowLongPtrW(top, GWL_EXSTYLE) & WS_EX_TOPMOST);
  SetWindowPos(top, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  headless.nativeState(top, &state);
  EXPECT_FALSE(state.hints.topmost);
  SetWindowLongPtrW(top, GWL_EXSTYLE, GetWindowLongPtrW(top, GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
  headless.nativeState(top, &state);
  EXPECT_TRUE(state.hints.skipTaskbar);
  EXPECT_FALSE(SetLayeredWindowAttributes(top, 0, 127, LWA_ALPHA)) << "only layered windows take an opacity";
  SetWindowLongPtrW(top, GWL_EXSTYLE, GetWindowLongPtrW(top, GWL_EXSTYLE) | WS_EX_LAYERED);
  EXPECT_TRUE(SetLayeredWindowAttributes(top, 0, 127, LWA_ALPHA));
  headless.nativeState(top, &state);
  EXPECT_EQ(state.hints.alpha, 127);
  BYTE alpha = 0;
  EXPECT_TRUE(GetLayeredWindowAttributes(top, nullptr, &alpha, nullptr));
  EXPECT_EQ(alpha, 127);
  SetWindowLongPtrW(top, GWL_STYLE, WS_POPUP | WS_VISIBLE);
  SetWindowPos(top, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  headless.nativeState(top, &state);
  EXPECT_FALSE(state.hints.decorated);
  RECT wr, cr;
  GetWindowRect(top, &wr);
  GetClientRect(top, &cr);
  EXPECT_EQ(cr.right, wr.right - wr.left) << "a popup has no frame";
  DestroyWindow(top);
}

TEST(Hints, IconsAndCursors) {
  HWND top = make(WS_OVERLAPPEDWINDOW);
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP color = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ICONINFO ii{TRUE, 0, 0, nullptr, color};
  HICON icon = CreateIconIndirect(&ii);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(SendMessageW(top, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon)), 0);
  EXPECT_EQ(SendMessageW(top, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(icon));
  winapi::HeadlessDriver::NativeState state;
  winapi::HeadlessDriver::current()->nativeState(top, &state);
  EXPECT_EQ(state.iconWidth, 16);
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(DestroyIcon(icon));
  DeleteObject(color);
  HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
  ASSERT_NE(hand, nullptr);
  EXPECT_EQ(LoadCursorW(nullptr, IDC_HAND), hand) << "stock cursors are shared";
  SetCursor(hand);
  EXPECT_EQ(GetCursor(), hand);
  EXPECT_EQ(winapi::HeadlessDriver::current()->cursor(), winapi::PointerShape::Hand);
  EXPECT_EQ(ShowCursor(FALSE), -1);
  EXPECT_EQ(winapi::HeadlessDriver::current()->cursor(), winapi::PointerShape::Hidden);
  EXPECT_EQ(ShowCursor(TRUE), 0);
  DestroyWindow(top);
}

int g_timerProcCalls = 0;
void CALLBACK countTimer(HWND, UINT, UINT_PTR, DWORD) { ++g_timerProcCalls; }

TEST(Sends, NotifyReplyAndTimerProcedures) {
  HWND top = make(WS_POPUP);
  Recorder::instance().name(top, "top");
  Recorder::instance().start();
  EXPECT_TRUE(SendNotifyMessageW(top, WM_USER, 7, 0));
  auto seen = Recorder::instance().stop();
  EXPECT_SEQUENCE(seen, Expected{"top", WM_USER, kCheckWParam, 7});
  EXPECT_FALSE(InSendMessage());
  EXPECT_FALSE(ReplyMessage(1)) << "nothing to reply to outside a sent message";
  auto& headless = *winapi::HeadlessDriver::current();
  headless.setClock(0);
  g_timerProcCalls = 0;
  UINT_PTR id = SetTimer(nullptr, 0, 20, countTimer);
  ASSERT_NE(id, 0u);
  headless.advanceClock(25);
  pump();
  EXPECT_EQ(g_timerProcCalls, 1) << "a timer with a procedure calls it from DispatchMessageW";
  EXPECT_TRUE(KillTimer(nullptr, id));
  DestroyWindow(top);
}

}  // namespace

namespace {

// The window is this thread's: what the driver reports reaches its queue before the call returns.
void pumpPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// A window manager's move reaches the window; the server's late echo of the place a minimised
// window was parked at, arriving after the window was restored, does not.
TEST(Moves, ALateEchoOfTheMinimisedPlaceLeavesTheRestoredWindowAlone) {
  HWND top = CreateWindowExW(0, u"Static", u"moves", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200, nullptr,
                             nullptr, nullptr, nullptr);
  ASSERT_NE(top, nullptr);
  ShowWindow(top, SW_MINIMIZE);
  ShowWindow(top, SW_RESTORE);
  RECT before{};
  GetWindowRect(top, &before);
  winapi::nativeMoved(top, RECT{-32000, -32000, -32000 + 160, -32000 + 28});
  pumpPending();
  RECT after{};
  GetWindowRect(top, &after);
  EXPECT_TRUE(EqualRect(&before, &after))
      << after.left << "," << after.top << " " << after.right - after.left << " x " << after.bottom - after.top;
  winapi::nativeMoved(top, RECT{50, 60, 350, 260});
  pumpPending();
  GetWindowRect(top, &after);
  EXPECT_EQ(after.left, 50);
  EXPECT_EQ(after.top, 60);
  DestroyWindow(top);
}

// A shown framed top-level window at (100, 100), 300 x 200, whose state the cases below change.
HWND stateWindow() {
  return CreateWindowExW(0, u"Static", u"states", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200, nullptr,
                         nullptr, nullptr, nullptr);
}

// The window manager's state is taken when it comes, which may be after the program hid the
// window it was reported for: minimised to the tray, a window is marked minimised by the manager
// and then let go, and both reports may still be queued when the hide is done.
TEST(States, AReportTakenAfterTheProgramHidTheWindowLeavesItHidden) {
  auto& headless = *winapi::HeadlessDriver::current();
  winapi::HeadlessDriver::NativeState state;
  HWND top = stateWindow();
  ASSERT_NE(top, nullptr);

  const struct {
    const char* what;
    int shown;
    bool taken, late;
  } cases[] = {
      {"minimised, then hidden: the manager's \"not minimised\" of the window it let go", SW_MINIMIZE, true, false},
      {"hidden as it was: a late \"minimised\"", SW_SHOWNORMAL, false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ShowWindow(top, c.shown);
    winapi::nativeStateChanged(top, c.taken, false);
    pumpPending();
    winapi::nativeStateChanged(top, c.late, false);
    ShowWindow(top, SW_HIDE);
    pumpPending();
    EXPECT_FALSE(IsWindowVisible(top));
    EXPECT_EQ(IsIconic(top) != FALSE, c.shown == SW_MINIMIZE) << "the program's own state stays";
    ASSERT_TRUE(headless.nativeState(top, &state));
    EXPECT_FALSE(state.visible);
  }

  // Shown again, it follows the manager as before.
  ShowWindow(top, SW_SHOWNORMAL);
  winapi::nativeStateChanged(top, true, false);
  pumpPending();
  EXPECT_TRUE(IsIconic(top));
  DestroyWindow(top);
}

// A window manager places a window it maximises or restores itself, and tells the place apart:
// the layer takes such a state without asking the driver for a state or a rectangle of its own,
// which a manager could take as the end of its state (xfwm4 does) and the pair would never rest.
// A window the program maximises itself is still asked for at its maximised rectangle.
TEST(States, AStateTheSystemGaveIsTakenWithoutAskingTheDriver) {
  auto& headless = *winapi::HeadlessDriver::current();
  winapi::HeadlessDriver::NativeState state;
  HWND top = stateWindow();
  ASSERT_NE(top, nullptr);
  const RECT shown{100, 100, 400, 300};
  const auto asked = [&](const char* what) {
    SCOPED_TRACE(what);
    ASSERT_TRUE(headless.nativeState(top, &state));
    EXPECT_TRUE(EqualRect(&state.bounds, &shown))
        << state.bounds.left << "," << state.bounds.top << " " << state.bounds.right - state.bounds.left << " x "
        << state.bounds.bottom - state.bounds.top;
    EXPECT_FALSE(state.maximized);
  };

  winapi::nativeStateChanged(top, false, true);
  pumpPending();
  EXPECT_TRUE(IsZoomed(top));
  asked("maximised by the manager");
  const RECT managers{0, 0, 1024, 740};
  winapi::nativeMoved(top, managers);
  pumpPending();
  RECT r{};
  GetWindowRect(top, &r);
  EXPECT_TRUE(EqualRect(&r, &managers)) << "the manager's place is the maximised window's";
  winapi::nativeStateChanged(top, false, false);
  pumpPending();
  EXPECT_FALSE(IsZoomed(top));
  asked("restored by the manager");
  winapi::nativeMoved(top, shown);
  pumpPending();

  // Minimised by the program, and maximised by the manager before it knew: the window stays
  // minimised, and comes back maximised where the manager has it.
  ShowWindow(top, SW_MINIMIZE);
  winapi::nativeStateChanged(top, false, true);
  pumpPending();
  EXPECT_TRUE(IsIconic(top)) << "a maximise is no restore";
  ShowWindow(top, SW_RESTORE);
  EXPECT_TRUE(IsZoomed(top));
  GetWindowRect(top, &r);
  EXPECT_TRUE(EqualRect(&r, &shown)) << r.left << "," << r.top << " " << r.right - r.left << " x " << r.bottom - r.top;
  asked("back from its own minimise");
  winapi::nativeStateChanged(top, false, false);
  pumpPending();
  EXPECT_FALSE(IsZoomed(top));

  // The program's own maximise asks for the state and for the maximised rectangle.
  ShowWindow(top, SW_MAXIMIZE);
  ASSERT_TRUE(headless.nativeState(top, &state));
  EXPECT_TRUE(state.maximized);
  GetWindowRect(top, &r);
  EXPECT_TRUE(EqualRect(&state.bounds, &r));
  EXPECT_GT(r.right - r.left, shown.right - shown.left);
  DestroyWindow(top);
}

TEST(Moves, NoPlaceOrSizeAsksForMoreThanTheScreens) {
  // The rectangle is the whole frame, and the whole frame fits the screens.
  const int widest = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int tallest = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  for (DWORD style : {WS_OVERLAPPEDWINDOW | WS_VISIBLE, WS_POPUP | WS_VISIBLE}) {
    SCOPED_TRACE(style);
    HWND top =
        CreateWindowExW(0, u"Static", u"huge", style, 0, 0, 100000, 2000000000, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(top, nullptr);
    RECT r{};
    GetWindowRect(top, &r);
    EXPECT_EQ(r.right - r.left, widest);
    EXPECT_EQ(r.bottom - r.top, tallest);
    ASSERT_TRUE(SetWindowPos(top, nullptr, 2000000000, -2000000000, 2000000000, 100000, SWP_NOZORDER));
    GetWindowRect(top, &r);
    EXPECT_EQ(r.right - r.left, widest) << "a place far off cannot overflow the rectangle either";
    EXPECT_EQ(r.bottom - r.top, tallest);
    ASSERT_TRUE(MoveWindow(top, 10, 10, 640, 480, TRUE));
    GetWindowRect(top, &r);
    EXPECT_EQ(r.right - r.left, 640) << "a size within reason is kept";
    UpdateWindow(top);
    DestroyWindow(top);
  }
}

}  // namespace
