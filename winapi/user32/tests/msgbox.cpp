// MessageBoxW conformance: a box run for real without a user answers its default button, a
// scripted box its scripted button, an unscripted headless box its cancel button; a type without
// a button set is refused, and the box's words reach standard error.
#include <windows.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"

#include <string>

using winapi::HeadlessDriver;

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
}
