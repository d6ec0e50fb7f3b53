// Message boxes run for real through the headless driver: their look per icon and button set,
// the layout and centring, the owner disabled while a box is open and active again after, the
// keyboard (Enter, Esc per set, Tab, arrows, mnemonics, the close box), boxes from a worker
// thread, from a window procedure and nested in another box, and WM_QUIT during a box.
#include <windows.h>

#include <gtest/gtest.h>

#include "testlib/Wait.h"
#include "winapi/drivers/headless/HeadlessDriver.h"
#include "winapi/testsupport/PaintCheck.h"
#include "winapi/testsupport/Recorder.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }

using Step = std::function<void(HWND)>;

// The steps of each box open on this thread, innermost last: the test's hands. One step runs at
// each tick of a thread timer, so the box's own loop takes the keys of a step before the next.
std::vector<std::vector<Step>> g_steps;

void CALLBACK runStep(HWND, UINT, UINT_PTR, DWORD) {
  if (g_steps.empty() || g_steps.back().empty()) return;
  HWND box = GetActiveWindow();
  WCHAR name[16] = {};
  GetClassNameW(box, name, 16);
  if (std::u16string(name) != u"#32770") return;  // not up yet
  Step step = std::move(g_steps.back().front());
  g_steps.back().erase(g_steps.back().begin());
  step(box);
}

/// Shows a box for real and takes its steps, one at a time, while it is up and active.
int showBox(HWND owner, const char16_t* text, const char16_t* caption, UINT type, std::vector<Step> steps) {
  headless().scriptRun();
  g_steps.push_back(std::move(steps));
  UINT_PTR timer = SetTimer(nullptr, 0, 2, runStep);
  int answer = MessageBoxW(owner, text, caption, type);
  KillTimer(nullptr, timer);
  g_steps.pop_back();
  return answer;
}

void tap(UINT vk, char16_t ch = 0) {
  headless().key(vk, true, ch);
  headless().key(vk, false);
}

std::u16string focusedText() {
  WCHAR text[64] = {};
  GetWindowTextW(GetFocus(), text, 64);
  return text;
}

LRESULT CALLBACK ownerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 4) {
    // A box asked for from the window's own procedure, as the program's windows do.
    return showBox(hwnd, reinterpret_cast<const char16_t*>(wParam), u"From the window", MB_YESNO, {[hwnd](HWND) {
                     EXPECT_FALSE(IsWindowEnabled(hwnd));
                     tap('Y', u'y');
                   }});
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND makeOwner(int x, int y, int width, int height, DWORD exStyle = 0) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ownerProc;
    wc.lpszClassName = u"BoxOwner";
    RegisterClassExW(&wc);
    registered = true;
  }
  HWND owner = CreateWindowExW(exStyle, u"BoxOwner", u"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, width, height,
                               nullptr, nullptr, nullptr, nullptr);
  pump();
  return owner;
}

class Dialogs : public ::testing::Test {
 protected:
  void TearDown() override {
    headless().clearAnswers();
    g_steps.clear();
  }
};

TEST_F(Dialogs, EnterAndEscapeAnswerPerButtonSet) {
  struct Case {
    UINT type;
    UINT key;
    int answer;
  };
  const Case cases[] = {
      {MB_OK, VK_RETURN, IDOK},
      {MB_OK, VK_ESCAPE, IDOK},
      {MB_OKCANCEL, VK_ESCAPE, IDCANCEL},
      {MB_OKCANCEL | MB_DEFBUTTON2, VK_RETURN, IDCANCEL},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, VK_RETURN, IDCANCEL},
      {MB_YESNOCANCEL, VK_ESCAPE, IDCANCEL},
      {MB_RETRYCANCEL, VK_F4, IDCANCEL},  // with Alt held
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, VK_RETURN, IDRETRY},
      {MB_RETRYCANCEL | MB_DEFBUTTON3, VK_RETURN, IDRETRY},  // a default beyond the set is the first
      {MB_CANCELTRYCONTINUE | MB_DEFBUTTON3, VK_RETURN, IDCONTINUE},
  };
  testing::internal::CaptureStderr();
  for (const Case& c : cases) {
    std::vector<Step> steps;
    if (c.key == VK_F4) {
      steps = {[](HWND) { headless().key(VK_MENU, true); }, [](HWND) { tap(VK_F4); },
               [](HWND) { headless().key(VK_MENU, false); }};
    } else {
      steps = {[&c](HWND) { tap(c.key); }};
    }
    int answer = showBox(nullptr, u"Text", u"Caption", c.type, steps);
    EXPECT_EQ(answer, c.answer) << std::hex << c.type << " key " << c.key;
  }
  // Yes/No and Abort/Retry/Ignore ask for an answer: Esc and the close box do nothing.
  for (UINT type : {MB_YESNO, MB_ABORTRETRYIGNORE}) {
    int answer = showBox(nullptr, u"Text", u"Caption", type,
                         {[](HWND box) {
                            tap(VK_ESCAPE);
                            headless().requestClose(box);
                          },
                          [](HWND) {},
                          [](HWND box) {
                            EXPECT_TRUE(IsWindowVisible(box)) << "the box closed without an answer";
                            tap(VK_RETURN);
                          }});
    EXPECT_EQ(answer, type == MB_YESNO ? IDYES : IDABORT);
  }
  std::string log = testing::internal::GetCapturedStderr();
  EXPECT_NE(log.find("Caption: Text\n"), std::string::npos);
}

TEST_F(Dialogs, TabArrowsAndMnemonicsMoveAmongTheButtons) {
  int answer =
      showBox(nullptr, u"Save?", u"Keys", MB_YESNOCANCEL,
              {[](HWND) {
                 EXPECT_EQ(focusedText(), u"&Yes");
                 tap(VK_TAB);
               },
               [](HWND box) {
                 EXPECT_EQ(focusedText(), u"&No");
                 // The default mark follows the focus among push buttons.
                 EXPECT_EQ(SendMessageW(GetFocus(), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON, DLGC_DEFPUSHBUTTON);
                 EXPECT_EQ(SendMessageW(GetDlgItem(box, IDYES), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON, 0);
                 headless().key(VK_SHIFT, true);
               },
               [](HWND) { tap(VK_TAB); }, [](HWND) { headless().key(VK_SHIFT, false); },
               [](HWND) {
                 EXPECT_EQ(focusedText(), u"&Yes");
                 tap(VK_RIGHT);
                 tap(VK_RIGHT);
               },
               [](HWND) {
                 EXPECT_EQ(focusedText(), u"Cancel");
                 tap(VK_RIGHT);  // the group wraps
               },
               [](HWND) {
                 EXPECT_EQ(focusedText(), u"&Yes");
                 tap('N', u'n');  // a mnemonic without Alt presses its button
               }});
  EXPECT_EQ(answer, IDNO);
  answer = showBox(nullptr, u"Again?", u"Keys", MB_ABORTRETRYIGNORE,
                   {[](HWND) { headless().key(VK_MENU, true); }, [](HWND) { tap('I', u'i'); },
                    [](HWND) { headless().key(VK_MENU, false); }});
  EXPECT_EQ(answer, IDIGNORE);
}

TEST_F(Dialogs, TheOwnerIsDisabledWhileTheBoxIsOpenAndActiveAfter) {
  HWND owner = makeOwner(200, 150, 600, 400);
  RECT ownerRect;
  GetWindowRect(owner, &ownerRect);
  int answer = showBox(owner, u"Centred", u"Owned", MB_OKCANCEL | MB_ICONQUESTION, {[&](HWND box) {
                         EXPECT_FALSE(IsWindowEnabled(owner));
                         EXPECT_EQ(GetWindow(box, GW_OWNER), owner);
                         RECT r;
                         GetWindowRect(box, &r);
                         EXPECT_NEAR((r.left + r.right) / 2, (ownerRect.left + ownerRect.right) / 2, 1);
                         EXPECT_NEAR((r.top + r.bottom) / 2, (ownerRect.top + ownerRect.bottom) / 2, 1);
                         EXPECT_EQ(FindWindowW(u"#32770", u"Owned"), box);
                         tap(VK_RETURN);
                       }});
  EXPECT_EQ(answer, IDOK);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(GetActiveWindow(), owner);
  EXPECT_EQ(FindWindowW(u"#32770", u"Owned"), nullptr);

  // An owner near the screen's edge: the box stays inside the work area. Without an owner the
  // box stands in the work area's middle.
  MoveWindow(owner, 1700, 900, 200, 150, TRUE);
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  showBox(owner, u"Edge", u"Edge", MB_OK, {[&](HWND box) {
            RECT r;
            GetWindowRect(box, &r);
            EXPECT_LE(r.right, work.right);
            EXPECT_LE(r.bottom, work.bottom);
            tap(VK_RETURN);
          }});
  showBox(nullptr, u"Alone", u"Alone", MB_OK, {[&](HWND box) {
            RECT r;
            GetWindowRect(box, &r);
            EXPECT_NEAR((r.left + r.right) / 2, (work.left + work.right) / 2, 1);
            tap(VK_RETURN);
          }});

  // An owner kept on top keeps the box above it.
  SetWindowPos(owner, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  showBox(owner, u"Top", u"Top", MB_OK, {[](HWND box) {
            EXPECT_TRUE(GetWindowLongPtrW(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
            tap(VK_RETURN);
          }});
  DestroyWindow(owner);
}

TEST_F(Dialogs, LongTextsWrapWithinTwoThirdsOfTheWorkArea) {
  std::u16string text;
  for (int i = 0; i < 60; ++i) text += u"words that wrap ";
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  showBox(nullptr, text.c_str(), u"Long", MB_OK | MB_ICONINFORMATION, {[&](HWND box) {
            HWND label = GetDlgItem(box, 0xFFFF);
            ASSERT_NE(label, nullptr);
            RECT r, b;
            GetWindowRect(label, &r);
            GetWindowRect(box, &b);
            EXPECT_LE(r.right - r.left, (work.right - work.left) * 2 / 3);
            EXPECT_GT(r.bottom - r.top, 30) << "the text did not wrap";
            EXPECT_LT(b.right - b.left, work.right - work.left);
            tap(VK_RETURN);
          }});
}

TEST_F(Dialogs, BoxesRunInsideWindowProceduresNestedAndOnWorkers) {
  HWND owner = makeOwner(100, 100, 400, 300);
  EXPECT_EQ(SendMessageW(owner, WM_USER + 4, reinterpret_cast<WPARAM>(u"Asked"), 0), IDYES);
  EXPECT_TRUE(IsWindowEnabled(owner));

  int inner = 0;
  int outer = showBox(owner, u"Outer", u"Outer", MB_OKCANCEL, {[&](HWND first) {
                        inner = showBox(first, u"Inner", u"Inner", MB_YESNO, {[first](HWND second) {
                                          EXPECT_NE(first, second);
                                          EXPECT_FALSE(IsWindowEnabled(first));
                                          tap('N', u'n');
                                        }});
                        EXPECT_TRUE(IsWindowEnabled(first));
                        tap(VK_ESCAPE);
                      }});
  EXPECT_EQ(inner, IDNO);
  EXPECT_EQ(outer, IDCANCEL);

  // A worker's box disables a window of another thread, which keeps handling its messages.
  headless().scriptRun();
  std::atomic<int> answer{-1};
  std::thread worker([&] { answer = MessageBoxW(owner, u"From a worker", u"Worker", MB_OKCANCEL); });
  // This thread answers what the worker's box sends to the owner while it waits.
  HWND box = nullptr;
  lumetra::testlib::waitUntil([&] {
    pump();
    box = FindWindowW(u"#32770", u"Worker");
    return box != nullptr;
  });
  ASSERT_NE(box, nullptr);
  lumetra::testlib::waitUntil([&] {
    pump();
    return !IsWindowEnabled(owner);
  });
  EXPECT_FALSE(IsWindowEnabled(owner));
  PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
  lumetra::testlib::waitUntil([&] {
    pump();
    return answer != -1;
  });
  worker.join();
  pump();
  EXPECT_EQ(answer, IDCANCEL);
  EXPECT_TRUE(IsWindowEnabled(owner));
  DestroyWindow(owner);
}

TEST_F(Dialogs, QuitEndsTheBoxAndIsPostedAgain) {
  int answer = showBox(nullptr, u"Quit", u"Quit", MB_YESNO, {[](HWND) { PostQuitMessage(7); }});
  EXPECT_EQ(answer, IDNO) << "WM_QUIT answers what the box's safe choice is";
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_EQ(FindWindowW(u"#32770", u"Quit"), nullptr);
}

TEST_F(Dialogs, BoxesPaintTheirIconTextAndButtons) {
  struct Case {
    UINT type;
    const char* name;
    uint64_t hash;
  };
  const Case cases[] = {
      {MB_OK | MB_ICONERROR, "msgbox_error", 0xd650ac65c6169e14ull},
      {MB_OKCANCEL | MB_ICONWARNING, "msgbox_warning", 0xe8d6a60d73a6f4d9ull},
      {MB_YESNOCANCEL | MB_ICONINFORMATION | MB_DEFBUTTON2, "msgbox_information", 0x5e3dc3bfaeb4f0d9ull},
      {MB_YESNO | MB_ICONQUESTION, "msgbox_question", 0x628078d35e6b354cull},
      {MB_ABORTRETRYIGNORE, "msgbox_plain", 0x30aeffa84319856full},
  };
  for (const Case& c : cases) {
    showBox(nullptr, u"The first line of the text.\nA second, longer line below it.", u"Look", c.type,
            {[](HWND) {},
             [&c](HWND box) {
               winapi::PixelBuffer picture;
               ASSERT_TRUE(headless().capture(box, &picture));
               uint64_t hash = pixelHash(picture.row0, picture.stride, picture.width, picture.height);
               EXPECT_TRUE(matchesGolden(hash, c.hash, c.name, [box](const std::string& path) {
                 return headless().dumpFrame(box, path.c_str());
               }));
               tap(VK_RETURN);
             }});
  }
}

}  // namespace
