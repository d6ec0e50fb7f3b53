// MessageBoxW conformance: the answer without a user is the default button, a type without a
// button set is refused, and the box's words reach standard error.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

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
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxW(nullptr, u"Text", u"Caption", c.type), c.answer) << std::hex << c.type;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Caption: Text\n");
  }
  SetLastError(0);
  EXPECT_EQ(MessageBoxW(nullptr, u"Text", u"Caption", 7), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MSGBOX_STYLE));
}
