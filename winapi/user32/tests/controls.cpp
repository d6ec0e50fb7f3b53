// The "Button" and "Static" system classes: message sequences of mouse, keyboard and BM_CLICK
// against expected tables, auto check boxes and radio groups, notifications, owner drawing,
// colour messages, dialog codes, measuring, keyboard cues, the Enter rule of IsDialogMessageW,
// the class table, and the owner-draw records' layout.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "winapi/testsupport/Recorder.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace {

winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }

Expected S(const char* w, UINT m, unsigned flags = kExact, WPARAM wParam = 0) { return Expected{w, m, flags, wParam}; }
Expected Command(int id, WORD code) { return Expected{"parent", WM_COMMAND, kCheckWParam, MAKEWPARAM(id, code)}; }

// The parent records what its controls send; it answers owner drawing and colour requests and
// keeps what it was given.
std::vector<DRAWITEMSTRUCT> g_drawn;
std::vector<std::pair<UINT, HWND>> g_colorRequests;
HBRUSH g_answerBrush = nullptr;
LRESULT g_defId = 0;

LRESULT CALLBACK parentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Recorder::instance().record(hwnd, message, wParam);
  switch (message) {
    case WM_DRAWITEM: g_drawn.push_back(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam)); return TRUE;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
      g_colorRequests.emplace_back(message, reinterpret_cast<HWND>(lParam));
      if (g_answerBrush != nullptr) return reinterpret_cast<LRESULT>(g_answerBrush);
      break;
    case DM_GETDEFID: return g_defId;
    default: break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Controls are subclassed so that the messages they send themselves are recorded too.
LRESULT CALLBACK controlSpy(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Recorder::instance().record(hwnd, message, wParam);
  auto classProc = reinterpret_cast<WNDPROC>(GetClassLongPtrW(hwnd, GCLP_WNDPROC));
  return CallWindowProcW(classProc, hwnd, message, wParam, lParam);
}

HWND makeParent() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = parentProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = u"ControlParent";
    RegisterClassExW(&wc);
    registered = true;
  }
  HWND hwnd = CreateWindowExW(0, u"ControlParent", u"parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300,
                              nullptr, nullptr, nullptr, nullptr);
  Recorder::instance().name(hwnd, "parent");
  return hwnd;
}

class Controls : public ::testing::Test {
 protected:
  void SetUp() override {
    g_drawn.clear();
    g_colorRequests.clear();
    g_answerBrush = nullptr;
    g_defId = 0;
    parent = makeParent();
    pump();
  }
  void TearDown() override { DestroyWindow(parent); }

  HWND make(const char* name, const char16_t* cls, DWORD style, int id, int x = 10, int y = 10, int w = 100, int h = 23,
            const char16_t* text = u"Text") {
    HWND hwnd = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                                reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&controlSpy));
    Recorder::instance().name(hwnd, name);
    return hwnd;
  }
  HWND button(const char* name, DWORD style, int id = 100, int x = 10, int y = 10) {
    return make(name, u"Button", style, id, x, y);
  }
  POINT screen(HWND hwnd, int x, int y) {
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    return p;
  }
  // The recorded messages with the control's own painting left out, which depends on timing.
  static std::vector<Seen> withoutPaint(std::vector<Seen> seen) {
    std::vector<Seen> out;
    for (const Seen& s : seen) {
      if (s.message != WM_PAINT && s.message != WM_NCPAINT && s.message != WM_ERASEBKGND &&
          s.message != WM_CTLCOLORBTN && s.message != WM_CTLCOLORSTATIC && s.message != WM_MOUSEACTIVATE &&
          s.message != WM_IME_SETCONTEXT_ANY && s.message != BM_GETSTATE && s.message != BM_GETCHECK)
        out.push_back(s);
    }
    return out;
  }
  static constexpr UINT WM_IME_SETCONTEXT_ANY = 0x0281;
  void pressAt(POINT p) {
    headless().moveMouse(p.x, p.y);
    headless().pressButton(WM_LBUTTONDOWN);
    pump();
  }
  void releaseAt(POINT p) {
    headless().moveMouse(p.x, p.y);
    headless().releaseButton(WM_LBUTTONUP);
    pump();
  }
  std::vector<Seen> record(const std::function<void()>& action) {
    Recorder::instance().start();
    action();
    return withoutPaint(Recorder::instance().stop());
  }

  HWND parent = nullptr;
};

TEST_F(Controls, AMouseClickPushesCapturesFocusesAndNotifiesOnRelease) {
  HWND b = button("button", BS_PUSHBUTTON);
  pump();
  auto seen = record([&] {
    pressAt(screen(b, 5, 5));
    EXPECT_EQ(GetCapture(), b);
    EXPECT_EQ(GetFocus(), b);
    EXPECT_EQ(SendMessageW(b, BM_GETSTATE, 0, 0) & BST_PUSHED, BST_PUSHED);
    releaseAt(screen(b, 6, 6));
  });
  EXPECT_SEQUENCE(seen, S("button", WM_LBUTTONDOWN), S("parent", WM_KILLFOCUS, kOptional), S("button", WM_SETFOCUS),
                  S("button", BM_SETSTATE, kCheckWParam, TRUE), S("button", WM_LBUTTONUP),
                  S("button", BM_SETSTATE, kCheckWParam, FALSE), S("button", WM_CAPTURECHANGED),
                  Command(100, BN_CLICKED));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(SendMessageW(b, BM_GETSTATE, 0, 0), BST_FOCUS);
}

TEST_F(Controls, APressDraggedOutLooksRaisedAndReleasedOutsideDoesNotClick) {
  HWND b = button("button", BS_PUSHBUTTON);
  pump();
  pressAt(screen(b, 5, 5));
  auto seen = record([&] {
    headless().moveMouse(screen(b, 150, 5).x, screen(b, 150, 5).y);
    pump();
    EXPECT_EQ(SendMessageW(b, BM_GETSTATE, 0, 0) & BST_PUSHED, 0u);
    headless().moveMouse(screen(b, 5, 5).x, screen(b, 5, 5).y);
    pump();
    EXPECT_EQ(SendMessageW(b, BM_GETSTATE, 0, 0) & BST_PUSHED, BST_PUSHED);
    releaseAt(screen(b, 150, 5));
  });
  // The move out before the release raises it; the release outside then only lets go.
  EXPECT_SEQUENCE(seen, S("button", BM_SETSTATE, kCheckWParam, FALSE), S("button", BM_SETSTATE, kCheckWParam, TRUE),
                  S("button", BM_SETSTATE, kCheckWParam, FALSE), S("button", WM_LBUTTONUP),
                  S("button", WM_CAPTURECHANGED));

  // Dragged out and back in, a release inside clicks.
  pressAt(screen(b, 5, 5));
  headless().moveMouse(screen(b, 150, 5).x, screen(b, 150, 5).y);
  pump();
  seen = record([&] { releaseAt(screen(b, 5, 5)); });
  EXPECT_SEQUENCE(seen, S("button", BM_SETSTATE, kCheckWParam, TRUE), S("button", WM_LBUTTONUP),
                  S("button", BM_SETSTATE, kCheckWParam, FALSE), S("button", WM_CAPTURECHANGED),
                  Command(100, BN_CLICKED));
}

TEST_F(Controls, ALostCaptureOrFocusEndsAPressWithoutAClick) {
  HWND b = button("button", BS_PUSHBUTTON);
  HWND other = button("other", BS_PUSHBUTTON, 101, 150, 10);
  pump();
  pressAt(screen(b, 5, 5));
  auto seen = record([&] {
    ReleaseCapture();
    releaseAt(screen(b, 5, 5));
  });
  EXPECT_SEQUENCE(seen, S("button", WM_CAPTURECHANGED), S("button", BM_SETSTATE, kCheckWParam, FALSE),
                  S("button", WM_LBUTTONUP));

  pressAt(screen(b, 5, 5));
  seen = record([&] { SetFocus(other); });
  EXPECT_SEQUENCE(seen, S("button", WM_KILLFOCUS), S("button", WM_CAPTURECHANGED),
                  S("button", BM_SETSTATE, kCheckWParam, FALSE), S("other", WM_SETFOCUS));
  EXPECT_EQ(GetCapture(), nullptr);
  releaseAt(screen(b, 5, 5));
}

TEST_F(Controls, SpaceAndBmClickClickAsAMouseReleaseInsideDoes) {
  HWND b = button("button", BS_PUSHBUTTON);
  SetFocus(b);
  pump();
  auto seen = record([&] {
    SendMessageW(b, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(SendMessageW(b, BM_GETSTATE, 0, 0) & BST_PUSHED, BST_PUSHED);
    SendMessageW(b, WM_KEYUP, VK_SPACE, 0);
  });
  EXPECT_SEQUENCE(seen, S("button", WM_KEYDOWN), S("button", BM_SETSTATE, kCheckWParam, TRUE), S("button", WM_KEYUP),
                  S("button", BM_SETSTATE, kCheckWParam, FALSE), Command(100, BN_CLICKED));

  // A zero-sized button still clicks: BM_CLICK's release always counts as inside.
  SetWindowPos(b, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER);
  seen = record([&] { SendMessageW(b, BM_CLICK, 0, 0); });
  EXPECT_SEQUENCE(seen, S("button", BM_CLICK), S("button", WM_LBUTTONDOWN),
                  S("button", BM_SETSTATE, kCheckWParam, TRUE), S("button", WM_LBUTTONUP),
                  S("button", BM_SETSTATE, kCheckWParam, FALSE), S("button", WM_CAPTURECHANGED),
                  Command(100, BN_CLICKED));
}

TEST_F(Controls, DoubleClicksNotifyOnlyWhereWindowsDoes) {
  HWND plain = button("plain", BS_PUSHBUTTON, 100, 10, 10);
  HWND notify = button("notify", BS_PUSHBUTTON | BS_NOTIFY, 101, 10, 50);
  HWND radio = button("radio", BS_AUTORADIOBUTTON, 102, 10, 90);
  pump();
  headless().setClock(10000);
  auto doubleClick = [&](HWND b) {
    POINT p = screen(b, 5, 5);
    headless().click(p.x, p.y);
    headless().advanceClock(50);
    headless().click(p.x, p.y);
    headless().advanceClock(2000);
    pump();
  };
  auto commands = [](const std::vector<Seen>& seen) {
    std::vector<WPARAM> out;
    for (const Seen& s : seen) {
      if (s.message == WM_COMMAND) out.push_back(s.wParam);
    }
    return out;
  };
  // Without BS_NOTIFY the second press is a press: two clicks.
  EXPECT_EQ(commands(record([&] { doubleClick(plain); })),
            (std::vector<WPARAM>{MAKEWPARAM(100, BN_CLICKED), MAKEWPARAM(100, BN_CLICKED)}));
  // With it (and always for radio buttons) the double click tells BN_DOUBLECLICKED and nothing else.
  EXPECT_EQ(commands(record([&] { doubleClick(notify); })),
            (std::vector<WPARAM>{MAKEWPARAM(101, BN_SETFOCUS), MAKEWPARAM(101, BN_CLICKED),
                                 MAKEWPARAM(101, BN_DOUBLECLICKED)}));
  EXPECT_EQ(commands(record([&] { doubleClick(radio); })),
            (std::vector<WPARAM>{MAKEWPARAM(101, BN_KILLFOCUS), MAKEWPARAM(102, BN_CLICKED),
                                 MAKEWPARAM(102, BN_DOUBLECLICKED)}));
}

TEST_F(Controls, ADisabledButtonIgnoresMouseKeysAndBmClick) {
  HWND b = button("button", BS_AUTOCHECKBOX | WS_DISABLED);
  pump();
  auto seen = record([&] {
    POINT p = screen(b, 5, 5);
    headless().click(p.x, p.y);
    pump();
    SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendMessageW(b, WM_LBUTTONUP, 0, 0);
    SendMessageW(b, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(b, WM_KEYUP, VK_SPACE, 0);
    SendMessageW(b, BM_CLICK, 0, 0);
  });
  for (const Seen& s : seen) {
    EXPECT_NE(s.message, WM_COMMAND) << describe(seen);
    EXPECT_NE(s.message, BM_SETCHECK) << describe(seen);
  }
  EXPECT_EQ(SendMessageW(b, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Controls, AnAutoCheckBoxSendsItsNewStateToItselfBeforeTheClick) {
  HWND box = button("box", BS_AUTOCHECKBOX);
  auto seen = record([&] { SendMessageW(box, BM_CLICK, 0, 0); });
  EXPECT_SEQUENCE(seen, S("box", BM_CLICK), S("box", WM_LBUTTONDOWN), S("parent", WM_KILLFOCUS, kOptional),
                  S("box", WM_SETFOCUS), S("box", BM_SETSTATE, kCheckWParam, TRUE), S("box", WM_LBUTTONUP),
                  S("box", BM_SETSTATE, kCheckWParam, FALSE), S("box", WM_CAPTURECHANGED),
                  S("box", BM_SETCHECK, kCheckWParam, BST_CHECKED), Command(100, BN_CLICKED));
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  SendMessageW(box, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);

  // A plain check box only tells the parent; the program keeps its state.
  HWND plain = button("plain", BS_CHECKBOX, 101, 10, 50);
  SendMessageW(plain, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(plain, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  // Push buttons have no check state.
  HWND push = button("push", BS_PUSHBUTTON, 102, 10, 90);
  SendMessageW(push, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(SendMessageW(push, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(Controls, AnAutoRadioButtonUnchecksTheRestOfItsGroupThroughTheirProcedures) {
  HWND a = button("a", BS_AUTORADIOBUTTON, 1, 10, 10);
  HWND b = button("b", BS_AUTORADIOBUTTON | WS_DISABLED, 2, 10, 40);
  SendMessageW(b, BM_SETCHECK, BST_CHECKED, 0);
  HWND c = button("c", BS_AUTORADIOBUTTON, 3, 10, 70);
  ShowWindow(c, SW_HIDE);
  HWND check = button("check", BS_AUTOCHECKBOX, 4, 10, 100);
  HWND d = button("d", BS_AUTORADIOBUTTON | WS_GROUP, 5, 150, 10);
  HWND e = button("e", BS_AUTORADIOBUTTON, 6, 150, 40);
  SendMessageW(check, BM_SETCHECK, BST_CHECKED, 0);
  SendMessageW(d, BM_SETCHECK, BST_CHECKED, 0);

  // A program's BM_SETCHECK changes only its target.
  SendMessageW(c, BM_SETCHECK, BST_CHECKED, 0);
  SendMessageW(a, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(SendMessageW(c, BM_GETCHECK, 0, 0), BST_CHECKED);

  auto seen = record([&] { SendMessageW(a, BM_CLICK, 0, 0); });
  std::vector<Seen> checks;
  for (const Seen& s : seen) {
    if (s.message == BM_SETCHECK || s.message == WM_COMMAND) checks.push_back(s);
  }
  // Every other auto radio button up to the next WS_GROUP, hidden or disabled, and nothing past it.
  EXPECT_SEQUENCE(checks, S("a", BM_SETCHECK, kCheckWParam, BST_CHECKED),
                  S("b", BM_SETCHECK, kCheckWParam, BST_UNCHECKED), S("c", BM_SETCHECK, kCheckWParam, BST_UNCHECKED),
                  Command(1, BN_CLICKED));
  EXPECT_EQ(SendMessageW(c, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(check, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(d, BM_GETCHECK, 0, 0), BST_CHECKED);

  // The last group wraps past the last sibling to the first one that has no WS_GROUP.
  seen = record([&] { SendMessageW(e, BM_CLICK, 0, 0); });
  checks.clear();
  for (const Seen& s : seen) {
    if (s.message == BM_SETCHECK) checks.push_back(s);
  }
  EXPECT_SEQUENCE(checks, S("e", BM_SETCHECK, kCheckWParam, BST_CHECKED),
                  S("d", BM_SETCHECK, kCheckWParam, BST_UNCHECKED), S("a", BM_SETCHECK, kCheckWParam, BST_UNCHECKED),
                  S("b", BM_SETCHECK, kCheckWParam, BST_UNCHECKED), S("c", BM_SETCHECK, kCheckWParam, BST_UNCHECKED));
}

TEST_F(Controls, NotifyButtonsTellFocusChangesAndBmSetStyleSwitchesTheDefaultLook) {
  HWND a = button("a", BS_PUSHBUTTON | BS_NOTIFY, 1, 10, 10);
  HWND b = button("b", BS_PUSHBUTTON, 2, 150, 10);
  auto seen = record([&] {
    SetFocus(a);
    SetFocus(b);
  });
  EXPECT_SEQUENCE(seen, S("parent", WM_KILLFOCUS, kOptional), S("a", WM_SETFOCUS), Command(1, BN_SETFOCUS),
                  S("a", WM_KILLFOCUS), Command(1, BN_KILLFOCUS), S("b", WM_SETFOCUS));

  EXPECT_EQ(SendMessageW(b, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
  SendMessageW(b, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  EXPECT_EQ(GetWindowLongPtrW(b, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(SendMessageW(b, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
  SendMessageW(b, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  EXPECT_EQ(SendMessageW(b, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
  EXPECT_EQ(SendMessageW(button("radio", BS_AUTORADIOBUTTON, 3, 10, 50), WM_GETDLGCODE, 0, 0),
            DLGC_BUTTON | DLGC_RADIOBUTTON);
  EXPECT_EQ(SendMessageW(button("check", BS_AUTOCHECKBOX, 4, 10, 90), WM_GETDLGCODE, 0, 0), DLGC_BUTTON);
  HWND group = button("group", BS_GROUPBOX, 5, 10, 130);
  EXPECT_EQ(SendMessageW(group, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
  EXPECT_EQ(SendMessageW(group, WM_NCHITTEST, 0, MAKELPARAM(screen(group, 5, 5).x, screen(group, 5, 5).y)),
            HTTRANSPARENT);
  EXPECT_EQ(SendMessageW(make("static", u"Static", 0, 6), WM_GETDLGCODE, 0, 0), DLGC_STATIC);
}

TEST_F(Controls, AnOwnerDrawnButtonDrawsThroughItsParentWithItsState) {
  HWND b = button("owner", BS_OWNERDRAW, 7);
  pump();
  ASSERT_FALSE(g_drawn.empty());
  EXPECT_EQ(g_drawn.back().CtlType, static_cast<UINT>(ODT_BUTTON));
  EXPECT_EQ(g_drawn.back().CtlID, 7u);
  EXPECT_EQ(g_drawn.back().itemAction, static_cast<UINT>(ODA_DRAWENTIRE));
  EXPECT_EQ(g_drawn.back().hwndItem, b);
  EXPECT_EQ(g_drawn.back().rcItem.right, 100);
  g_drawn.clear();
  SetFocus(b);
  SendMessageW(b, BM_SETSTATE, TRUE, 0);
  EnableWindow(b, FALSE);
  pump();
  ASSERT_GE(g_drawn.size(), 3u);
  EXPECT_EQ(g_drawn[0].itemAction, static_cast<UINT>(ODA_FOCUS));
  EXPECT_EQ(g_drawn[0].itemState & (ODS_FOCUS | ODS_SELECTED), static_cast<UINT>(ODS_FOCUS));
  EXPECT_EQ(g_drawn[1].itemAction, static_cast<UINT>(ODA_SELECT));
  EXPECT_EQ(g_drawn[1].itemState & (ODS_FOCUS | ODS_SELECTED), static_cast<UINT>(ODS_FOCUS | ODS_SELECTED));
  EXPECT_NE(g_drawn.back().itemState & ODS_DISABLED, 0u);
}

TEST_F(Controls, PushButtonsAskForTheirColourButOnlyTheOtherKindsUseTheBrush) {
  g_answerBrush = CreateSolidBrush(RGB(255, 0, 0));
  HWND push = button("push", BS_PUSHBUTTON, 1, 10, 10);
  HWND check = button("check", BS_CHECKBOX, 2, 10, 50);
  HWND label = make("static", u"Static", 0, 3, 10, 90, 100, 13, u"");
  pump();
  auto asked = [&](HWND h) {
    for (auto& r : g_colorRequests) {
      if (r.second == h) return r.first;
    }
    return 0u;
  };
  EXPECT_EQ(asked(push), static_cast<UINT>(WM_CTLCOLORBTN));
  EXPECT_EQ(asked(check), static_cast<UINT>(WM_CTLCOLORSTATIC));
  EXPECT_EQ(asked(label), static_cast<UINT>(WM_CTLCOLORSTATIC));
  HDC dc = GetDC(parent);
  EXPECT_EQ(GetPixel(dc, 10 + 50, 10 + 12), GetSysColor(COLOR_BTNFACE)) << "the push button's face";
  EXPECT_EQ(GetPixel(dc, 10 + 90, 50 + 2), RGB(255, 0, 0)) << "the check box's background";
  EXPECT_EQ(GetPixel(dc, 10 + 50, 90 + 6), RGB(255, 0, 0)) << "the static's background";
  ReleaseDC(parent, dc);
  DestroyWindow(push);
  DestroyWindow(check);
  DestroyWindow(label);
  DeleteObject(g_answerBrush);
  g_answerBrush = nullptr;
}

TEST_F(Controls, IdealSizesFollowTheTextAndTheFont) {
  HWND push = make("push", u"Button", BS_PUSHBUTTON, 1, 10, 10, 100, 23, u"&Cancel");
  HWND check = make("check", u"Button", BS_AUTOCHECKBOX, 2, 10, 50, 100, 17, u"Keep on Top");
  HWND multi = make("multi", u"Button", BS_AUTOCHECKBOX | BS_MULTILINE, 3, 10, 90, 100, 40, u"one two three four");
  HDC dc = GetDC(push);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  RECT text{0, 0, 0, 0};
  DrawTextW(dc, u"&Cancel", -1, &text, DT_CALCRECT | DT_SINGLELINE);
  RECT check_text{0, 0, 0, 0};
  DrawTextW(dc, u"Keep on Top", -1, &check_text, DT_CALCRECT | DT_SINGLELINE);
  ReleaseDC(push, dc);

  SIZE size{0, 0};
  EXPECT_EQ(SendMessageW(push, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&size)), TRUE);
  EXPECT_EQ(size.cx, text.right + 16);
  EXPECT_EQ(size.cy, text.bottom + 10) << "a one-line 8 pt label makes Windows' usual button height";
  size = SIZE{0, 0};
  SendMessageW(check, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&size));
  EXPECT_EQ(size.cx, check_text.right + 17);
  EXPECT_EQ(size.cy, std::max<LONG>(13, check_text.bottom));
  SIZE one{0, 0}, wrapped{60, 0};
  SendMessageW(multi, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&one));
  SendMessageW(multi, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&wrapped));
  EXPECT_LE(wrapped.cx, 60);
  EXPECT_GT(wrapped.cy, one.cy) << "the text wraps within the width asked";
  EXPECT_EQ(SendMessageW(push, BCM_GETIDEALSIZE, 0, 0), FALSE);

  HFONT big = CreateFontW(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"MS Shell Dlg 2");
  SendMessageW(push, WM_SETFONT, reinterpret_cast<WPARAM>(big), FALSE);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(push, WM_GETFONT, 0, 0)), big);
  SIZE larger{0, 0};
  SendMessageW(push, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&larger));
  EXPECT_GT(larger.cy, 23);
  DestroyWindow(push);
  DeleteObject(big);
}

TEST_F(Controls, StaticsNotifyOnlyWithSsNotifyAndOtherwiseLetClicksThrough) {
  HWND quiet = make("quiet", u"Static", SS_LEFT, 1, 10, 10, 100, 13);
  HWND notify = make("notify", u"Static", SS_LEFT | SS_NOTIFY, 2, 10, 40, 100, 13);
  pump();
  headless().setClock(20000);
  auto seen = record([&] {
    POINT q = screen(quiet, 5, 5);
    headless().click(q.x, q.y);
    headless().advanceClock(2000);
    POINT n = screen(notify, 5, 5);
    headless().click(n.x, n.y);
    headless().advanceClock(50);
    headless().click(n.x, n.y);
    pump();
    EnableWindow(notify, FALSE);
    EnableWindow(notify, TRUE);
  });
  std::vector<Seen> relevant;
  for (const Seen& s : seen) {
    if (s.message == WM_LBUTTONDOWN || s.message == WM_LBUTTONDBLCLK || s.message == WM_COMMAND) relevant.push_back(s);
  }
  EXPECT_SEQUENCE(relevant, S("parent", WM_LBUTTONDOWN), S("notify", WM_LBUTTONDOWN), Command(2, STN_CLICKED),
                  S("notify", WM_LBUTTONDBLCLK), Command(2, STN_DBLCLK), Command(2, STN_DISABLE),
                  Command(2, STN_ENABLE));
}

TEST_F(Controls, KeyboardCuesStartHiddenAndTabOrAltShowsThemForTheWholeWindow) {
  HWND a = button("a", BS_PUSHBUTTON | WS_TABSTOP, 1, 10, 10);
  HWND b = button("b", BS_PUSHBUTTON | WS_TABSTOP, 2, 150, 10);
  constexpr LRESULT kHidden = UISF_HIDEFOCUS | UISF_HIDEACCEL;
  EXPECT_EQ(SendMessageW(parent, WM_QUERYUISTATE, 0, 0), kHidden);
  EXPECT_EQ(SendMessageW(a, WM_QUERYUISTATE, 0, 0), kHidden);
  SetFocus(a);
  auto seen = record([&] {
    MSG msg{a, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_TRUE(IsDialogMessageW(parent, &msg));
  });
  std::vector<Seen> updates;
  for (const Seen& s : seen) {
    if (s.message == WM_CHANGEUISTATE || s.message == WM_UPDATEUISTATE) updates.push_back(s);
  }
  WPARAM clear = MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL);
  EXPECT_SEQUENCE(updates, S("parent", WM_CHANGEUISTATE, kCheckWParam, clear),
                  S("parent", WM_UPDATEUISTATE, kCheckWParam, clear), S("a", WM_UPDATEUISTATE, kCheckWParam, clear),
                  S("b", WM_UPDATEUISTATE, kCheckWParam, clear));
  EXPECT_EQ(GetFocus(), b);
  EXPECT_EQ(SendMessageW(b, WM_QUERYUISTATE, 0, 0), 0);
  // Once shown, a second navigation changes nothing and tells nobody.
  seen = record([&] {
    MSG msg{b, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    IsDialogMessageW(parent, &msg);
  });
  for (const Seen& s : seen) EXPECT_NE(s.message, WM_UPDATEUISTATE);

  // A new window starts hidden again; Alt shows its cues.
  HWND other = CreateWindowExW(0, u"ControlParent", u"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                               nullptr, nullptr, nullptr);
  HWND child =
      CreateWindowExW(0, u"Button", u"x", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, other, nullptr, nullptr, nullptr);
  EXPECT_EQ(SendMessageW(child, WM_QUERYUISTATE, 0, 0), kHidden);
  SetFocus(child);
  SendMessageW(child, WM_KEYDOWN, VK_MENU, 0);
  EXPECT_EQ(SendMessageW(child, WM_QUERYUISTATE, 0, 0), 0);
  EXPECT_EQ(SendMessageW(other, WM_QUERYUISTATE, 0, 0), 0);
  DestroyWindow(other);
}

TEST_F(Controls, EnterClicksTheFocusedDefaultButtonElseTheDefIdElseIdok) {
  HWND def = button("def", BS_DEFPUSHBUTTON | WS_TABSTOP, 10, 10, 10);
  HWND plain = button("plain", BS_PUSHBUTTON | WS_TABSTOP, 11, 150, 10);
  HWND off = button("off", BS_PUSHBUTTON | WS_DISABLED, 12, 10, 50);
  auto enterOn = [&](HWND focus) {
    SetFocus(focus);
    std::vector<Seen> commands;
    for (const Seen& s : record([&] {
           MSG msg{focus, WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
           EXPECT_TRUE(IsDialogMessageW(parent, &msg));
         })) {
      if (s.message == WM_COMMAND) commands.push_back(s);
    }
    return commands;
  };
  EXPECT_SEQUENCE(enterOn(def), Command(10, BN_CLICKED));
  EXPECT_SEQUENCE(enterOn(plain), Command(IDOK, 0));
  g_defId = MAKELONG(11, DC_HASDEFID);
  EXPECT_SEQUENCE(enterOn(plain), Command(11, BN_CLICKED));
  // A disabled default button takes the Enter: nothing runs.
  g_defId = MAKELONG(12, DC_HASDEFID);
  EXPECT_TRUE(enterOn(plain).empty());
  (void)off;
}

TEST(SystemClasses, ButtonAndStaticExistWithoutRegisteringAndAProgramClassWins) {
  WNDCLASSEXW info{};
  info.cbSize = sizeof info;
  ASSERT_NE(GetClassInfoExW(nullptr, u"button", &info), 0) << "names are compared without regard to case";
  EXPECT_EQ(info.style, static_cast<UINT>(CS_DBLCLKS | CS_PARENTDC));
  EXPECT_EQ(std::u16string(info.lpszClassName), u"Button");
  ASSERT_NE(GetClassInfoExW(nullptr, u"STATIC", &info), 0);
  EXPECT_EQ(info.style, static_cast<UINT>(CS_DBLCLKS | CS_PARENTDC));

  HWND top = CreateWindowExW(0, u"Static", u"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(top, nullptr);
  HWND b = CreateWindowExW(0, u"BUTTON", u"", WS_CHILD, 0, 0, 10, 10, top, nullptr, nullptr, nullptr);
  char16_t name[32];
  ASSERT_EQ(GetClassNameW(b, name, 32), 6);
  EXPECT_EQ(std::u16string(name), u"Button");

  WNDCLASSEXW own{};
  own.cbSize = sizeof own;
  own.lpfnWndProc = DefWindowProcW;
  own.lpszClassName = u"Button";
  ASSERT_NE(RegisterClassExW(&own), 0) << "a program may register a class of a system class's name";
  HWND mine = CreateWindowExW(0, u"Button", u"", WS_CHILD, 0, 0, 10, 10, top, nullptr, nullptr, nullptr);
  EXPECT_EQ(GetClassLongPtrW(mine, GCLP_WNDPROC), reinterpret_cast<ULONG_PTR>(&DefWindowProcW));
  DestroyWindow(mine);
  EXPECT_TRUE(UnregisterClassW(u"Button", nullptr));
  HWND again = CreateWindowExW(0, u"Button", u"", WS_CHILD, 0, 0, 10, 10, top, nullptr, nullptr, nullptr);
  EXPECT_NE(GetClassLongPtrW(again, GCLP_WNDPROC), reinterpret_cast<ULONG_PTR>(&DefWindowProcW));
  EXPECT_FALSE(UnregisterClassW(u"Button", nullptr)) << "system classes cannot be unregistered";
  DestroyWindow(top);
}

TEST(SystemClasses, OwnerDrawRecordsHaveTheWindowsLayout) {
  EXPECT_EQ(sizeof(DRAWITEMSTRUCT), 64u);
  EXPECT_EQ(offsetof(DRAWITEMSTRUCT, itemState), 16u);
  EXPECT_EQ(offsetof(DRAWITEMSTRUCT, hwndItem), 24u);
  EXPECT_EQ(offsetof(DRAWITEMSTRUCT, hDC), 32u);
  EXPECT_EQ(offsetof(DRAWITEMSTRUCT, rcItem), 40u);
  EXPECT_EQ(offsetof(DRAWITEMSTRUCT, itemData), 56u);
  EXPECT_EQ(sizeof(MEASUREITEMSTRUCT), 32u);
  EXPECT_EQ(offsetof(MEASUREITEMSTRUCT, itemHeight), 16u);
  EXPECT_EQ(offsetof(MEASUREITEMSTRUCT, itemData), 24u);
}

}  // namespace
