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
  const uint64_t hashes[] = {0x3e0420434b640821ull, 0xf7233f65e7f3bf89ull, 0x5f515ddb65b88f11ull,
                             0x3e0420434b640821ull, 0x10cfa85908938909ull, 0x8de18e7ddbf27261ull,
                             0x4cefd07f5cba3ddfull, 0x46e42c753f242b51ull, 0x61f5254911034ebcull};
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
  const uint64_t hashes[] = {0x0053c20459899ef7ull, 0xee6405a846eced42ull, 0x792ca289394a0e02ull, 0x22c8ffd115cab09aull,
                             0x9c37d6d5612773f2ull, 0xc684754757fac6a7ull, 0xe44c0464dbf9db74ull, 0xa9ecb251fdb36524ull,
                             0xda26e649be25ad19ull, 0xca4ef9efb15f2fb7ull};
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
  const uint64_t hashes[] = {0x0496e086132885bcull, 0xcc557cf38f46a5bcull, 0x396dd1220c4cf3c4ull, 0x0c6843cdd06d2811ull,
                             0x98211fc0b5535777ull, 0x5acf4c887bd2e840ull, 0xed20bd0fc435f2b1ull};
  for (size_t i = 0; i < std::size(looks); ++i) {
    looks[i].hash = hashes[i];
    check(looks[i]);
  }
}

}  // namespace
