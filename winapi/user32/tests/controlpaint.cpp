// Pixels of the "Button" and "Static" controls in every state, painted through WM_PRINTCLIENT
// into a DIB section and compared with stored hashes (a mismatch writes the PNG).
#include <windows.h>

#include <gtest/gtest.h>

#include "winapi/testsupport/PaintCheck.h"
#include "winapi/testsupport/Recorder.h"

#include <string>

namespace {

struct Look {
  const char* name;
  const char16_t* cls;
  DWORD style;
  int width, height;
  const char16_t* text;
  // What is done to the control before it is painted.
  bool focus = false, pushed = false, checked = false, disabled = false, cues = false;
  uint64_t hash = 0;
};

class ControlPaint : public ::testing::Test {
 protected:
  void SetUp() override {
    registerRecordingClass();
    top = CreateWindowExW(0, u"Recording", u"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                          nullptr, nullptr);
    pump();
  }
  void TearDown() override { DestroyWindow(top); }
  void check(const Look& look) {
    HWND h = CreateWindowExW(0, look.cls, look.text, WS_CHILD | WS_VISIBLE | look.style, 10, 10, look.width,
                             look.height, top, nullptr, nullptr, nullptr);
    ASSERT_NE(h, nullptr);
    if (look.cues) SendMessageW(top, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    if (look.focus) SetFocus(h);
    if (look.pushed) SendMessageW(h, BM_SETSTATE, TRUE, 0);
    if (look.checked) SendMessageW(h, BM_SETCHECK, BST_CHECKED, 0);
    if (look.disabled) EnableWindow(h, FALSE);
    Canvas canvas(look.width, look.height);
    canvas.fill(0xFF00FF00u);
    SendMessageW(h, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
    EXPECT_PAINTED(canvas, look.hash, look.name);
    DestroyWindow(h);
    if (look.cues) SendMessageW(top, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
  }
  HWND top = nullptr;
};

TEST_F(ControlPaint, PushButtons) {
  Look looks[] = {
      {"push-normal", u"Button", BS_PUSHBUTTON, 100, 23, u"&Cancel"},
      {"push-default", u"Button", BS_DEFPUSHBUTTON, 100, 23, u"&Cancel"},
      {"push-focused-cues", u"Button", BS_PUSHBUTTON, 100, 23, u"&Cancel", true, false, false, false, true},
      {"push-focused-hidden", u"Button", BS_PUSHBUTTON, 100, 23, u"&Cancel", true},
      {"push-pushed", u"Button", BS_PUSHBUTTON, 100, 23, u"&Cancel", false, true},
      {"push-pushed-default", u"Button", BS_DEFPUSHBUTTON, 100, 23, u"&Cancel", false, true},
      {"push-disabled", u"Button", BS_PUSHBUTTON, 100, 23, u"&Cancel", false, false, false, true},
      {"push-multiline", u"Button", BS_PUSHBUTTON | BS_MULTILINE, 60, 40, u"Advanced Options >>"},
      {"push-left-top", u"Button", BS_PUSHBUTTON | BS_LEFT | BS_TOP, 100, 30, u"Left"},
  };
  const uint64_t hashes[] = {0x143311d80848421dull, 0x55baed9b6bdd2c45ull, 0x8c385503214f0a65ull,
                             0x143311d80848421dull, 0x5d1555d68585b75dull, 0x3f4bafebe2fb68adull,
                             0x8c75ba99c3d7e5acull, 0xd961eb7c379c2062ull, 0x4d1fee3eba2169fcull};
  for (size_t i = 0; i < std::size(looks); ++i) {
    looks[i].hash = hashes[i];
    check(looks[i]);
  }
}

TEST_F(ControlPaint, CheckBoxesAndRadioButtons) {
  Look looks[] = {
      {"check-unchecked", u"Button", BS_AUTOCHECKBOX, 120, 17, u"Keep on Top"},
      {"check-checked", u"Button", BS_AUTOCHECKBOX, 120, 17, u"Keep on Top", false, false, true},
      {"check-pushed", u"Button", BS_AUTOCHECKBOX, 120, 17, u"Keep on Top", false, true},
      {"check-disabled", u"Button", BS_AUTOCHECKBOX, 120, 17, u"Keep on Top", false, false, true, true},
      {"check-multiline", u"Button", BS_AUTOCHECKBOX | BS_MULTILINE, 80, 34, u"Keep the window on top"},
      {"check-focused", u"Button", BS_AUTOCHECKBOX, 120, 17, u"Keep on Top", true, false, false, false, true},
      {"radio-unchecked", u"Button", BS_AUTORADIOBUTTON, 120, 17, u"Mono"},
      {"radio-checked", u"Button", BS_AUTORADIOBUTTON, 120, 17, u"Mono", false, false, true},
      {"radio-disabled", u"Button", BS_AUTORADIOBUTTON, 120, 17, u"Mono", false, false, true, true},
      {"group-box", u"Button", BS_GROUPBOX, 120, 60, u"Drop Box"},
  };
  const uint64_t hashes[] = {0x33ab437e564bdec0ull, 0xdeb6445694627969ull, 0x3077b96c4c62a3a1ull, 0xbe1b307651220999ull,
                             0xa6aa8cf5c3bc923aull, 0xe591d0688d5babe0ull, 0x2db8224ed19b6a4bull, 0x52f9042a25d6715bull,
                             0x1b98d684cbda3a3dull, 0x0bf663706b7d9ce9ull};
  for (size_t i = 0; i < std::size(looks); ++i) {
    looks[i].hash = hashes[i];
    check(looks[i]);
  }
}

TEST_F(ControlPaint, Statics) {
  Look looks[] = {
      {"static-left", u"Static", SS_LEFT, 200, 13, u"Drop files here"},
      {"static-center", u"Static", SS_CENTER, 200, 13, u"Drop files here"},
      {"static-right", u"Static", SS_RIGHT, 200, 13, u"Drop files here"},
      {"static-ellipsis", u"Static", SS_LEFT | SS_ENDELLIPSIS, 60, 13, u"Drop files here"},
      {"static-disabled", u"Static", SS_LEFT, 200, 13, u"Drop files here", false, false, false, true},
      {"static-wrapped", u"Static", SS_LEFT, 60, 40, u"Drop files\there to convert"},
      {"static-centerimage", u"Static", SS_LEFT | SS_CENTERIMAGE, 200, 30, u"Centred"},
  };
  const uint64_t hashes[] = {0x9a24ce3a901ff37full, 0x0a2ecb255c3cbd1full, 0xb4d2edc9603017bfull, 0xa4726e1ff13c135dull,
                             0xf3523592c3a077e4ull, 0x785855df58ff2224ull, 0x371f1408870c03c3ull};
  for (size_t i = 0; i < std::size(looks); ++i) {
    looks[i].hash = hashes[i];
    check(looks[i]);
  }
}

}  // namespace
