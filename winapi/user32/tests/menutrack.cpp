// The modal menu loop: the owner's messages for a scripted choice, a cancel and no answer; the
// posted command after the return; the refusals; and the real loop on injected input (highlight
// by keys and pointer, separators and greyed items, sub-menus, mnemonics, every way out), with
// the owner's timers and other threads' sends served meanwhile; placement; the SetMenu band.
#include <windows.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"
#include "winapi/testsupport/PaintCheck.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using winapi::HeadlessDriver;

namespace {

struct Message {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

constexpr UINT_PTR kStepTimer = 99;
// Timers run at most every 10 ms, as on Windows; each step moves the clock on by that much.
constexpr UINT kStep = 10;

// What the owner saw, and the steps a test runs inside the loop, one per tick of a timer. Timers
// come after input, so the input of one step has been handled when the next one runs.
std::vector<Message> g_seen;
std::vector<std::function<void()>> g_steps;
size_t g_next = 0;
std::function<void(UINT, WPARAM, LPARAM)> g_onMessage;

bool isMenuMessage(UINT m) {
  return m == WM_ENTERMENULOOP || m == WM_EXITMENULOOP || m == WM_INITMENU || m == WM_INITMENUPOPUP ||
         m == WM_UNINITMENUPOPUP || m == WM_MENUSELECT || m == WM_COMMAND || m == WM_MEASUREITEM || m == WM_DRAWITEM;
}

LRESULT CALLBACK ownerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (isMenuMessage(message)) g_seen.push_back(Message{message, wParam, lParam});
  if (g_onMessage) g_onMessage(message, wParam, lParam);
  if (message == WM_TIMER && wParam == kStepTimer) {
    if (g_next < g_steps.size()) {
      g_steps[g_next++]();
    } else {
      // Whatever a test forgot to end, no test hangs on a menu.
      EndMenu();
    }
    // Set again, the step timer goes behind the loop's own timers that fall due with it.
    KillTimer(hwnd, kStepTimer);
    SetTimer(hwnd, kStepTimer, kStep, nullptr);
    HeadlessDriver::current()->advanceClock(kStep);
    return 0;
  }
  if (message == WM_MEASUREITEM) {
    auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    mi->itemWidth = 60;
    mi->itemHeight = 24;
    return TRUE;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

class MenuTrack : public ::testing::Test {
 protected:
  void SetUp() override {
    driver = HeadlessDriver::current();
    ASSERT_NE(driver, nullptr);
    driver->clearAnswers();
    driver->setClock(1000);
    static bool registered = false;
    if (!registered) {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = ownerProc;
      wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
      wc.lpszClassName = u"MenuOwner";
      RegisterClassExW(&wc);
      registered = true;
    }
    owner = CreateWindowExW(0, u"MenuOwner", u"owner", WS_POPUP | WS_VISIBLE, 100, 100, 600, 400, nullptr, nullptr,
                            nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    SetActiveWindow(owner);
    drain();
    menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 1, u"&Open");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | MF_GRAYED, 2, u"&Greyed");
    AppendMenuW(menu, MF_STRING, 3, u"&Save\tCtrl+S");
    sub = CreatePopupMenu();
    AppendMenuW(sub, MF_STRING, 10, u"&Ten");
    AppendMenuW(sub, MF_STRING, 11, u"E&leven");
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), u"S&ub");
    g_seen.clear();
    g_steps.clear();
    g_next = 0;
    g_onMessage = nullptr;
  }
  void TearDown() override {
    g_onMessage = nullptr;
    DestroyMenu(menu);
    DestroyWindow(owner);
    drain();
    driver->clearAnswers();
  }
  static void drain() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  // Runs the real loop at (200, 150) with the steps; answers what TrackPopupMenu answered.
  BOOL runTracking(UINT flags, std::vector<std::function<void()>> steps) {
    g_steps = std::move(steps);
    g_next = 0;
    driver->scriptRun();
    SetTimer(owner, kStepTimer, kStep, nullptr);
    driver->advanceClock(kStep);
    BOOL result = TrackPopupMenu(menu, flags, kX, kY, 0, owner, nullptr);
    KillTimer(owner, kStepTimer);
    return result;
  }
  // The screen point in the middle of a row of the top popup (rows 19 high, separators 9).
  static POINT rowPoint(int row) {
    static const int tops[] = {0, 19, 28, 47, 66};
    return POINT{kX + 40, kY + 3 + tops[row] + 4};
  }
  std::vector<UINT> selectedIds() const {
    std::vector<UINT> ids;
    for (const Message& m : g_seen) {
      if (m.message == WM_MENUSELECT && HIWORD(m.wParam) != 0xFFFF) ids.push_back(LOWORD(m.wParam));
    }
    return ids;
  }
  std::vector<UINT> kinds() const {
    std::vector<UINT> out;
    for (const Message& m : g_seen) out.push_back(m.message);
    return out;
  }
  static int menuWindows() {
    int n = 0;
    for (HWND h = FindWindowExW(nullptr, nullptr, u"#32768", nullptr); h != nullptr;
         h = FindWindowExW(nullptr, h, u"#32768", nullptr)) {
      ++n;
    }
    return n;
  }
  void press(UINT vk, char16_t ch = 0) {
    driver->key(vk, true, ch);
    driver->key(vk, false);
  }

  static constexpr int kX = 200, kY = 150;
  HeadlessDriver* driver = nullptr;
  HWND owner = nullptr;
  HMENU menu = nullptr;
  HMENU sub = nullptr;
};

TEST_F(MenuTrack, ScriptedChoiceSendsTheMenuMessagesAndPostsTheCommand) {
  driver->scriptMenuItem(3);
  HWND found = nullptr;
  g_onMessage = [&](UINT m, WPARAM, LPARAM) {
    if (m == WM_INITMENUPOPUP && found == nullptr) found = FindWindowW(u"#32768", nullptr);
  };
  ASSERT_TRUE(TrackPopupMenu(menu, TPM_RIGHTBUTTON, 10, 10, 0, owner, nullptr));
  EXPECT_NE(found, nullptr) << "the menu window exists when the popup is initialised";
  EXPECT_EQ(FindWindowW(u"#32768", nullptr), nullptr) << "and is gone afterwards";
  const std::vector<UINT> expected = {WM_ENTERMENULOOP, WM_INITMENU,        WM_INITMENUPOPUP, WM_MENUSELECT,
                                      WM_MENUSELECT,    WM_UNINITMENUPOPUP, WM_EXITMENULOOP};
  EXPECT_EQ(kinds(), expected);
  EXPECT_EQ(g_seen[0].wParam, static_cast<WPARAM>(TRUE));
  EXPECT_EQ(g_seen[1].wParam, reinterpret_cast<WPARAM>(menu));
  EXPECT_EQ(g_seen[2].lParam, MAKELPARAM(0, FALSE));
  EXPECT_EQ(LOWORD(g_seen[3].wParam), 3u);
  EXPECT_EQ(g_seen[4].wParam, MAKEWPARAM(0, 0xFFFF));
  EXPECT_EQ(g_seen[4].lParam, 0);
  // The command is posted: it arrives after the return.
  drain();
  ASSERT_EQ(g_seen.size(), expected.size() + 1);
  EXPECT_EQ(g_seen.back().message, static_cast<UINT>(WM_COMMAND));
  EXPECT_EQ(g_seen.back().wParam, MAKEWPARAM(3, 0));

  // A choice inside a sub-menu opens it on the way.
  g_seen.clear();
  driver->scriptMenuItem(11);
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 10, 10, 0, owner, nullptr), 11);
  int initPopups = 0;
  for (const Message& m : g_seen) initPopups += m.message == WM_INITMENUPOPUP;
  EXPECT_EQ(initPopups, 2);
  drain();
  for (const Message& m : g_seen) EXPECT_NE(m.message, static_cast<UINT>(WM_COMMAND)) << "TPM_RETURNCMD posts nothing";
}

TEST_F(MenuTrack, CancelNoAnswerAndUnchoosableAnswersChooseNothing) {
  const std::vector<UINT> expected = {WM_ENTERMENULOOP, WM_INITMENU,        WM_INITMENUPOPUP,
                                      WM_MENUSELECT,    WM_UNINITMENUPOPUP, WM_EXITMENULOOP};
  driver->scriptCancel();
  EXPECT_TRUE(TrackPopupMenu(menu, 0, 10, 10, 0, owner, nullptr));
  EXPECT_EQ(kinds(), expected);
  g_seen.clear();
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 10, 10, 0, owner, nullptr), 0) << "no answer cancels at once";
  EXPECT_EQ(kinds(), expected);
  g_seen.clear();
  testing::internal::CaptureStderr();
  driver->scriptMenuItem(2);
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 10, 10, 0, owner, nullptr), 0) << "a greyed item is never chosen";
  testing::internal::GetCapturedStderr();
  drain();
  for (const Message& m : g_seen) EXPECT_NE(m.message, static_cast<UINT>(WM_COMMAND));
  // TPM_NONOTIFY tells the owner nothing, but the command still comes.
  g_seen.clear();
  driver->scriptMenuItem(1);
  EXPECT_TRUE(TrackPopupMenu(menu, TPM_NONOTIFY, 10, 10, 0, owner, nullptr));
  EXPECT_TRUE(g_seen.empty());
  drain();
  ASSERT_EQ(g_seen.size(), 1u);
  EXPECT_EQ(g_seen[0].message, static_cast<UINT>(WM_COMMAND));
}

TEST_F(MenuTrack, RefusesNestedTrackingForeignOwnersAndBadMenus) {
  DWORD nestedError = 0;
  g_onMessage = [&](UINT m, WPARAM, LPARAM) {
    if (m == WM_INITMENUPOPUP) {
      SetLastError(0);
      if (!TrackPopupMenu(menu, 0, 0, 0, 0, owner, nullptr)) nestedError = GetLastError();
    }
  };
  driver->scriptCancel();
  TrackPopupMenu(menu, 0, 10, 10, 0, owner, nullptr);
  EXPECT_EQ(nestedError, static_cast<DWORD>(ERROR_POPUP_ALREADY_ACTIVE));
  g_onMessage = nullptr;

  DWORD foreignError = 0;
  std::thread other([&] {
    SetLastError(0);
    if (!TrackPopupMenu(menu, 0, 0, 0, 0, owner, nullptr)) foreignError = GetLastError();
  });
  other.join();
  EXPECT_EQ(foreignError, static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  HMENU dead = CreatePopupMenu();
  DestroyMenu(dead);
  SetLastError(0);
  EXPECT_FALSE(TrackPopupMenu(dead, 0, 0, 0, 0, owner, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MENU_HANDLE));
}

TEST_F(MenuTrack, KeysSkipSeparatorsHighlightGreyedItemsAndChoose) {
  BOOL chosen = runTracking(TPM_RETURNCMD, {
                                               [&] { press(VK_DOWN); },
                                               [&] { press(VK_DOWN); },
                                               // Enter on the greyed item keeps the menu open.
                                               [&] { press(VK_RETURN); },
                                               [&] { press(VK_DOWN); },
                                               [&] { press(VK_RETURN); },
                                           });
  EXPECT_EQ(chosen, 3);
  EXPECT_EQ(selectedIds(), (std::vector<UINT>{1, 2, 3}));
  // Up from the top wraps to the last entry; Escape at the top level ends without a choice.
  g_seen.clear();
  chosen = runTracking(TPM_RETURNCMD, {[&] { press(VK_UP); }, [&] { press(VK_ESCAPE); }});
  EXPECT_EQ(chosen, 0);
  EXPECT_EQ(selectedIds(), (std::vector<UINT>{4})) << "a sub-menu's entry reports its position";
}

TEST_F(MenuTrack, MnemonicsChooseOrCycle) {
  HMENU letters = CreatePopupMenu();
  AppendMenuW(letters, MF_STRING, 1, u"&Apple");
  AppendMenuW(letters, MF_STRING, 2, u"&Avocado");
  AppendMenuW(letters, MF_STRING, 3, u"&Banana");
  std::swap(menu, letters);
  BOOL chosen = runTracking(TPM_RETURNCMD, {
                                               [&] { press('A', u'a'); },
                                               [&] { press('A', u'a'); },
                                               [&] { press('B', u'b'); },
                                           });
  std::swap(menu, letters);
  DestroyMenu(letters);
  EXPECT_EQ(chosen, 3);
  EXPECT_EQ(selectedIds(), (std::vector<UINT>{1, 2, 3}));
}

TEST_F(MenuTrack, PointerHighlightsAndAReleaseChooses) {
  BOOL chosen = runTracking(0, {
                                   [&] { driver->moveMouse(rowPoint(0).x, rowPoint(0).y); },
                                   // Clicks on the separator and the greyed item leave the menu open.
                                   [&] { driver->click(rowPoint(1).x, rowPoint(1).y); },
                                   [&] { driver->click(rowPoint(2).x, rowPoint(2).y); },
                                   [&] { EXPECT_EQ(menuWindows(), 1); },
                                   [&] { driver->click(rowPoint(3).x, rowPoint(3).y); },
                               });
  EXPECT_TRUE(chosen);
  EXPECT_EQ(selectedIds(), (std::vector<UINT>{1, 2, 3}));
  drain();
  EXPECT_EQ(g_seen.back().message, static_cast<UINT>(WM_COMMAND));
  EXPECT_EQ(g_seen.back().wParam, MAKEWPARAM(3, 0));
}

TEST_F(MenuTrack, SubMenusOpenAfterHoverAndByRightAndLeft) {
  std::vector<int> windows;
  BOOL chosen = runTracking(TPM_RETURNCMD, {
                                               [&] { driver->moveMouse(rowPoint(4).x, rowPoint(4).y); },
                                               [&] { driver->advanceClock(370); },
                                               [&] { windows.push_back(menuWindows()); },
                                               [&] { driver->advanceClock(20); },
                                               [] {},
                                               [&] { windows.push_back(menuWindows()); },
                                               [&] { press(VK_LEFT); },
                                               [&] { windows.push_back(menuWindows()); },
                                               [&] { press(VK_RIGHT); },
                                               [&] { windows.push_back(menuWindows()); },
                                               [&] { press(VK_ESCAPE); },
                                               [&] { windows.push_back(menuWindows()); },
                                               [&] { press(VK_RIGHT); },
                                               [&] { press(VK_DOWN); },
                                               [&] { press(VK_RETURN); },
                                           });
  EXPECT_EQ(chosen, 11);
  EXPECT_EQ(windows, (std::vector<int>{1, 2, 1, 2, 1}));
  int initPopups = 0;
  for (const Message& m : g_seen) {
    if (m.message == WM_INITMENUPOPUP && m.wParam == reinterpret_cast<WPARAM>(sub)) {
      ++initPopups;
      EXPECT_EQ(LOWORD(m.lParam), 4u) << "the sub-menu's position in its parent";
    }
  }
  EXPECT_EQ(initPopups, 3);
}

TEST_F(MenuTrack, EndsOnCloseCancelModeEndMenuAndQuit) {
  const std::vector<std::function<void()>> ways = {
      [] { SendMessageW(FindWindowW(u"#32768", nullptr), WM_CLOSE, 0, 0); },
      [] { SendMessageW(FindWindowW(u"#32768", nullptr), WM_CANCELMODE, 0, 0); },
      [] { EndMenu(); },
      [this] { press(VK_MENU); },
      [] { PostQuitMessage(7); },
  };
  for (size_t i = 0; i < ways.size(); ++i) {
    g_seen.clear();
    BOOL chosen = runTracking(TPM_RETURNCMD, {[&] { press(VK_DOWN); }, ways[i],
                                              [&] {
                                                ADD_FAILURE() << "still tracking after way " << i;
                                                EndMenu();
                                              }});
    EXPECT_EQ(chosen, 0) << i;
    EXPECT_EQ(g_seen.back().message, static_cast<UINT>(WM_EXITMENULOOP)) << i;
    EXPECT_EQ(FindWindowW(u"#32768", nullptr), nullptr) << i;
  }
  // The quit message is posted again, so a stopping thread still stops.
  MSG msg;
  bool quit = false;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) quit |= msg.message == WM_QUIT && msg.wParam == 7;
  EXPECT_TRUE(quit);
}

TEST_F(MenuTrack, AMenuDestroyedWhileItOpensEndsTheLoopAtOnce) {
  HMENU doomed = CreatePopupMenu();
  AppendMenuW(doomed, MF_STRING, 1, u"gone");
  std::swap(menu, doomed);
  g_onMessage = [&](UINT m, WPARAM w, LPARAM) {
    if (m == WM_INITMENUPOPUP) DestroyMenu(reinterpret_cast<HMENU>(w));
  };
  BOOL chosen = runTracking(TPM_RETURNCMD, {[] {}});
  std::swap(menu, doomed);
  EXPECT_EQ(chosen, 0);
  EXPECT_EQ(g_next, 0u) << "the loop waited for input with nothing to show";
  EXPECT_EQ(g_seen.back().message, static_cast<UINT>(WM_EXITMENULOOP));
}

TEST_F(MenuTrack, APressOutsideEndsTheMenuAndReachesTheWindowThere) {
  HWND other = CreateWindowExW(0, u"MenuOwner", u"other", WS_POPUP | WS_VISIBLE, 900, 100, 200, 200, owner, nullptr,
                               nullptr, nullptr);
  drain();
  g_seen.clear();
  bool clicked = false;
  BOOL chosen = runTracking(TPM_RETURNCMD, {[&] { driver->click(950, 150); }});
  g_onMessage = [&](UINT m, WPARAM, LPARAM) { clicked |= m == WM_LBUTTONDOWN; };
  EXPECT_EQ(chosen, 0);
  drain();
  EXPECT_TRUE(clicked) << "the press stays in the queue for the window under the pointer";
  DestroyWindow(other);
}

TEST_F(MenuTrack, OwnerTimersAndOtherThreadsSendsRunWhileTracking) {
  int ticks = 0;
  std::atomic<LRESULT> answered{0};
  g_onMessage = [&](UINT m, WPARAM w, LPARAM) { ticks += m == WM_TIMER && w == 5; };
  SetTimer(owner, 5, 10, nullptr);
  std::thread sender;
  BOOL chosen = runTracking(
      TPM_RETURNCMD, {
                         [&] { driver->advanceClock(10); },
                         [&] { driver->advanceClock(10); },
                         [&] { sender = std::thread([&] { answered = SendMessageW(owner, WM_GETTEXTLENGTH, 0, 0); }); },
                         // Waits, tick by tick, until the loop has answered.
                         [&] {
                           if (answered == 0) --g_next;
                         },
                         [] { EndMenu(); },
                     });
  sender.join();
  KillTimer(owner, 5);
  EXPECT_EQ(chosen, 0);
  EXPECT_GE(ticks, 2);
  EXPECT_EQ(answered, 5) << "the owner answered a send from another thread";
}

TEST_F(MenuTrack, OwnerDrawnItemsAreMeasuredOnceAndDrawnByTheOwner) {
  AppendMenuW(menu, MF_OWNERDRAW, 40, reinterpret_cast<LPCWSTR>(0x77));
  for (int round = 0; round < 2; ++round) {
    runTracking(0, {[] { EndMenu(); }});
  }
  int measures = 0, draws = 0;
  for (const Message& m : g_seen) {
    measures += m.message == WM_MEASUREITEM;
    draws += m.message == WM_DRAWITEM;
  }
  EXPECT_EQ(measures, 1);
  EXPECT_GE(draws, 2);
}

TEST_F(MenuTrack, PlacementFlipsAtTheWorkAreaEdges) {
  MONITORINFO mi{sizeof mi, {}, {}, 0};
  GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi);
  const RECT work = mi.rcWork;
  struct Case {
    POINT at;
    UINT flags;
    bool rightAtPoint, bottomAtPoint;
  };
  const Case cases[] = {
      {{work.right - 5, work.bottom - 5}, 0, true, true},
      {{5, 5}, TPM_RIGHTALIGN | TPM_BOTTOMALIGN, false, false},
      {{300, 300}, TPM_RIGHTALIGN | TPM_BOTTOMALIGN, true, true},
  };
  for (const Case& c : cases) {
    RECT r{};
    g_steps = {[&] { GetWindowRect(FindWindowW(u"#32768", nullptr), &r); }};
    g_next = 0;
    driver->scriptRun();
    SetTimer(owner, kStepTimer, kStep, nullptr);
    driver->advanceClock(kStep);
    TrackPopupMenu(menu, c.flags, c.at.x, c.at.y, 0, owner, nullptr);
    KillTimer(owner, kStepTimer);
    EXPECT_GT(r.right - r.left, 40);
    EXPECT_EQ(c.rightAtPoint ? r.right : r.left, c.at.x) << c.at.x;
    EXPECT_EQ(c.bottomAtPoint ? r.bottom : r.top, c.at.y) << c.at.y;
    EXPECT_LE(r.bottom, work.bottom);
  }
}

TEST_F(MenuTrack, SetMenuBandLeavesTheClientAreaAndOpensOnAClick) {
  HWND frame = CreateWindowExW(0, u"MenuOwner", u"frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 400, 300, nullptr,
                               nullptr, nullptr, nullptr);
  drain();
  RECT before;
  GetClientRect(frame, &before);
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenuW(file, MF_STRING, 500, u"E&xit");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), u"&File");
  ASSERT_TRUE(SetMenu(frame, bar));
  EXPECT_EQ(GetMenu(frame), bar);
  RECT after;
  GetClientRect(frame, &after);
  EXPECT_EQ(before.bottom - after.bottom, GetSystemMetrics(SM_CYMENU));
  POINT client{0, 0};
  ClientToScreen(frame, &client);
  POINT onFile{client.x + 10, client.y - GetSystemMetrics(SM_CYMENU) / 2};
  EXPECT_EQ(SendMessageW(frame, WM_NCHITTEST, 0, MAKELPARAM(onFile.x, onFile.y)), HTMENU);
  g_seen.clear();
  driver->scriptMenuItem(500);
  driver->click(onFile.x, onFile.y);
  drain();
  ASSERT_FALSE(g_seen.empty());
  EXPECT_EQ(g_seen.front().message, static_cast<UINT>(WM_ENTERMENULOOP));
  EXPECT_EQ(g_seen.front().wParam, static_cast<WPARAM>(FALSE)) << "a bar's loop is no popup's";
  EXPECT_EQ(g_seen.back().message, static_cast<UINT>(WM_COMMAND));
  EXPECT_EQ(g_seen.back().wParam, MAKEWPARAM(500, 0));
  SetMenu(frame, nullptr);
  DestroyMenu(bar);
  DestroyWindow(frame);
}

// The picture of the open menu window, and a check of its hash that writes the PNG on a mismatch.
winapi::PixelBuffer pictureOfMenu() {
  winapi::PixelBuffer picture;
  HeadlessDriver::current()->capture(FindWindowW(u"#32768", nullptr), &picture);
  return picture;
}

::testing::AssertionResult looksLike(const winapi::PixelBuffer& p, uint64_t expected, const std::string& name) {
  if (p.width == 0) return ::testing::AssertionFailure() << "no menu window to capture for " << name;
  return matchesGolden(pixelHash(p.row0, p.stride, p.width, p.height), expected, name, [&](const std::string& file) {
    return HeadlessDriver::savePng(p.row0, p.width, p.height, false, file.c_str());
  });
}

TEST_F(MenuTrack, ClassicLookOfEveryKindOfItem) {
  // The pictures hold text: they are only comparable with the face every test machine maps.
  HDC screen = GetDC(nullptr);
  HFONT font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"MS Shell Dlg 2");
  HGDIOBJ old = SelectObject(screen, font);
  char16_t face[64] = {};
  GetTextFaceW(screen, 64, face);
  SelectObject(screen, old);
  DeleteObject(font);
  ReleaseDC(nullptr, screen);
  ASSERT_EQ(std::u16string(face), u"Liberation Sans");

  CheckMenuItem(menu, 1, MF_BYCOMMAND | MF_CHECKED);
  AppendMenuW(menu, MF_STRING | MF_CHECKED | MF_GRAYED, 5, u"Greyed &mark");
  AppendMenuW(menu, MF_STRING, 6, u"&Radio");
  CheckMenuRadioItem(menu, 6, 6, 6, MF_BYPOSITION);
  AppendMenuW(menu, MF_OWNERDRAW, 7, reinterpret_cast<LPCWSTR>(0x77));
  g_onMessage = [](UINT m, WPARAM, LPARAM l) {
    if (m != WM_DRAWITEM) return;
    auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(l);
    HBRUSH brush = CreateSolidBrush((di->itemState & ODS_SELECTED) ? RGB(200, 0, 0) : RGB(0, 0, 200));
    RECT r = di->rcItem;
    InflateRect(&r, -4, -4);
    FillRect(di->hDC, &r, brush);
    DeleteObject(brush);
  };
  winapi::PixelBuffer plain, keyed;
  runTracking(0, {
                     [&] { plain = pictureOfMenu(); },
                     // Keys show the mnemonics; Down twice lands on the greyed item, highlighted.
                     [&] { press(VK_DOWN); },
                     [&] { press(VK_DOWN); },
                     [&] { keyed = pictureOfMenu(); },
                     [] { EndMenu(); },
                 });
  EXPECT_TRUE(looksLike(plain, 0xc44db57a357ed833ull, "menu_plain"));
  EXPECT_TRUE(looksLike(keyed, 0x165f6e8506fd0738ull, "menu_keys"));
}

}  // namespace
