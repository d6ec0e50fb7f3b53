// The toolkit's information box: what reaches the window system's message box, and what the user
// sees of it.
#include "gui/win/MessageBoxW.h"

#include <windows.h>
#include <afxwin.h>

#include <gtest/gtest.h>

#include <string>

namespace {

struct Shown {
  int calls = 0;
  HWND owner = nullptr;
  std::u16string text;
  bool hasCaption = false;
  std::u16string caption;
  UINT type = 0;
};
Shown s_shown;
winapi::seam::MessageBoxFunction s_layers = nullptr;

int WINAPI recordMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  ++s_shown.calls;
  s_shown.owner = owner;
  s_shown.text = text;
  s_shown.hasCaption = caption != nullptr;
  s_shown.caption = caption != nullptr ? caption : u"";
  s_shown.type = type;
  return s_layers(owner, text, caption, type);
}

}  // namespace

TEST(MessageBoxW, ShowsInformationCaptionedWithTheApplicationsTitle) {
  s_shown = Shown();
  s_layers = winapi::seam::replaceMessageBoxW(&recordMessageBox);
  s::gui::win::MessageBoxW* box = s::gui::win::MessageBoxW::take();
  ASSERT_NE(box, nullptr);

  testing::internal::CaptureStderr();
  EXPECT_EQ(box->showInformation(u"Nothing to convert\nDrop files on the window"), IDOK);
  const std::string withoutApplication = testing::internal::GetCapturedStderr();
  EXPECT_EQ(s_shown.type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
  EXPECT_EQ(s_shown.text, u"Nothing to convert\nDrop files on the window");
  EXPECT_FALSE(s_shown.hasCaption) << "no application object, no title";
  EXPECT_EQ(withoutApplication, "Error: Nothing to convert\nDrop files on the window\n");

  {
    CWinApp application(u"Lumetra Ünïcode");
    testing::internal::CaptureStderr();
    EXPECT_EQ(box->showInformation(u"Done"), IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Lumetra Ünïcode: Done\n");
    EXPECT_EQ(s_shown.caption, u"Lumetra Ünïcode");
    EXPECT_EQ(s_shown.owner, nullptr) << "the application has no main window";
  }
  EXPECT_EQ(s_shown.calls, 2);
  box->release();
  winapi::seam::replaceMessageBoxW(nullptr);
}
