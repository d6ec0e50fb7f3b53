// MessageBoxW conformance: a box run for real answers its default button to Enter, a scripted
// box its scripted button, an unscripted headless box its cancel button; a type without a button
// set is refused, and the box's words reach standard error.
#include <windows.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"
#include "winapi/testsupport/Locale.h"

#include <string>
#include <vector>

using winapi::HeadlessDriver;

namespace {

// Presses Enter in the box that is up by now.
void CALLBACK pressEnter(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  HeadlessDriver::current()->key(VK_RETURN, true);
  HeadlessDriver::current()->key(VK_RETURN, false);
}

// The captions and widths of the buttons of the box that is up, read before it is answered.
struct ShownButton {
  std::u16string caption;
  int width = 0;
};
std::vector<ShownButton> g_shownButtons;
int g_closeWith = 0;

void CALLBACK readButtons(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = FindWindowW(u"#32770", u"Words");
  if (box == nullptr) return;
  KillTimer(nullptr, id);
  for (int button : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO, IDTRYAGAIN, IDCONTINUE}) {
    HWND control = GetDlgItem(box, button);
    if (control == nullptr) continue;
    char16_t text[64] = {};
    GetWindowTextW(control, text, 64);
    RECT r{};
    GetWindowRect(control, &r);
    g_shownButtons.push_back({text, static_cast<int>(r.right - r.left)});
  }
  PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(g_closeWith), 0);
}

std::vector<ShownButton> buttonsOf(UINT type, int closeWith) {
  g_shownButtons.clear();
  g_closeWith = closeWith;
  HeadlessDriver::current()->scriptRun();
  UINT_PTR timer = SetTimer(nullptr, 0, 1, readButtons);
  testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxW(nullptr, u"Text", u"Words", type), closeWith);
  testing::internal::GetCapturedStderr();
  KillTimer(nullptr, timer);
  return g_shownButtons;
}

}  // namespace

TEST(MessageBox, ButtonsSpeakTheInterfaceLanguage) {
  struct Case {
    const char* locale;
    UINT type;
    int closeWith;
    std::vector<std::u16string> captions;  // in the order of the ids IDOK to IDCONTINUE
  };
  const Case cases[] = {
      {"de_DE.UTF-8", MB_YESNOCANCEL, IDNO, {u"Abbrechen", u"&Ja", u"&Nein"}},
      {"ja_JP.UTF-8", MB_ABORTRETRYIGNORE, IDIGNORE, {u"中止(&A)", u"再試行(&R)", u"無視(&I)"}},
      {"fr_FR.UTF-8", MB_CANCELTRYCONTINUE, IDCONTINUE, {u"Annuler", u"&Réessayer", u"&Continuer"}},
      {"es_ES.UTF-8", MB_OK, IDOK, {u"Aceptar"}},
      {"xx_YY.UTF-8", MB_YESNO, IDYES, {u"&Yes", u"&No"}},
      {"C", MB_OKCANCEL, IDCANCEL, {u"OK", u"Cancel"}},
  };
  for (const Case& c : cases) {
    winapi::testsupport::Locale scoped(c.locale);
    std::vector<ShownButton> shown = buttonsOf(c.type, c.closeWith);
    ASSERT_EQ(shown.size(), c.captions.size()) << c.locale;
    for (size_t i = 0; i < shown.size(); ++i) {
      EXPECT_TRUE(shown[i].caption == c.captions[i]) << c.locale << " button " << i;
      // English captions keep the classic width.
      if (std::string(c.locale) == "C") {
        EXPECT_EQ(shown[i].width, 75);
      }
    }
  }
  // A caption too long for the classic width widens every button of the row alike.
  winapi::testsupport::Locale spanish("es_ES.UTF-8");
  std::vector<ShownButton> shown = buttonsOf(MB_CANCELTRYCONTINUE, IDCANCEL);
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_GT(shown[0].width, 75);
  EXPECT_EQ(shown[0].width, shown[1].width);
  EXPECT_EQ(shown[1].width, shown[2].width);
}

TEST(MessageBox, AnswersTheDefaultButtonOfItsSet) {
  struct Case {
    UINT type;
    int answer;
  };
  const Case cases[] = {
      {MB_OK | MB_ICONINFORMATION, IDOK},
      {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
      {MB_YESNO, IDYES},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
      {MB_RETRYCANCEL | MB_DEFBUTTON3, IDRETRY},
      {MB_CANCELTRYCONTINUE | MB_DEFBUTTON3, IDCONTINUE},
  };
  for (const Case& c : cases) {
    HeadlessDriver::current()->scriptRun();
    SetTimer(nullptr, 0, 1, pressEnter);
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxW(nullptr, u"Text", u"Caption", c.type), c.answer) << std::hex << c.type;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Caption: Text\n");
  }
  SetLastError(0);
  EXPECT_EQ(MessageBoxW(nullptr, u"Text", u"Caption", 7), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MSGBOX_STYLE));
}

TEST(MessageBox, TakesScriptedAnswersAndOtherwiseCancels) {
  HeadlessDriver* driver = HeadlessDriver::current();
  ASSERT_NE(driver, nullptr);
  driver->clearShownMessageBoxes();
  testing::internal::CaptureStderr();
  // Without an answer each set answers what Esc would.
  EXPECT_EQ(MessageBoxW(nullptr, u"t", u"c", MB_OK), IDOK);
  EXPECT_EQ(MessageBoxW(nullptr, u"t", u"c", MB_YESNO), IDNO);
  EXPECT_EQ(MessageBoxW(nullptr, u"t", u"c", MB_YESNOCANCEL | MB_DEFBUTTON1), IDCANCEL);
  EXPECT_EQ(MessageBoxW(nullptr, u"t", u"c", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(MessageBoxW(nullptr, u"t", u"c", MB_ABORTRETRYIGNORE), IDABORT);

  // Answers of other kinds wait for their own loops; boxes take theirs in order.
  driver->scriptMenuItem(42);
  driver->scriptButton(IDYES);
  driver->scriptButton(IDRETRY);
  EXPECT_EQ(MessageBoxW(nullptr, u"t", u"c", MB_YESNO), IDYES);
  EXPECT_EQ(MessageBoxW(nullptr, u"t", u"c", MB_RETRYCANCEL), IDRETRY);
  EXPECT_EQ(driver->scriptedAnswers(), 1u);
  winapi::ModalAnswer menu = driver->takeModalAnswer(winapi::ModalAnswer::Kind::Menu);
  EXPECT_EQ(menu.kind, winapi::ModalAnswer::Kind::Menu);
  EXPECT_EQ(menu.value, 42);

  // A cancel answers any loop; a button the box lacks cannot be pressed.
  driver->scriptCancel();
  driver->scriptButton(IDYES);
  EXPECT_EQ(MessageBoxW(nullptr, u"t", u"c", MB_YESNOCANCEL), IDCANCEL);
  EXPECT_EQ(MessageBoxW(nullptr, u"t", u"c", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(driver->scriptedAnswers(), 0u);
  std::string log = testing::internal::GetCapturedStderr();
  EXPECT_NE(log.find("c: t\n"), std::string::npos);
  // Every box is on record, scripted or not, with what it showed; a null caption reads "Error".
  MessageBoxW(nullptr, u"last", nullptr, MB_OKCANCEL | MB_ICONWARNING);
  std::vector<winapi::ShownMessageBox> shown = driver->shownMessageBoxes();
  ASSERT_EQ(shown.size(), 10u);
  EXPECT_EQ(shown.back().caption, u"Error");
  EXPECT_EQ(shown.back().text, u"last");
  EXPECT_EQ(shown.back().type, static_cast<UINT>(MB_OKCANCEL | MB_ICONWARNING));
  EXPECT_EQ(shown.back().owner, nullptr);
}
