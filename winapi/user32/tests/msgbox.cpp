// MessageBoxW conformance: a box run for real answers its default button to Enter, a scripted
// box its scripted button, an unscripted headless box its cancel button; a type without a button
// set is refused, and the box's words reach standard error.
#include <windows.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"

#include <string>

using winapi::HeadlessDriver;

namespace {

// Presses Enter in the box that is up by now.
void CALLBACK pressEnter(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  HeadlessDriver::current()->key(VK_RETURN, true);
  HeadlessDriver::current()->key(VK_RETURN, false);
}

}  // namespace

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
